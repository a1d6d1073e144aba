#include "cli/patch_check.h"

#include <sys/stat.h>

bool PatchIsAnInput(const std::string& patch, const std::vector<std::string>& files,
                    std::string* reason) {
  struct stat out;
  if (::stat(patch.c_str(), &out) != 0) return false;
  for (const std::string& file : files) {
    struct stat in;
    if (::stat(file.c_str(), &in) != 0 || in.st_dev != out.st_dev || in.st_ino != out.st_ino)
      continue;
    *reason = "the patch " + patch + " is the registry " + file +
              " itself; writing it would replace the registry, so nothing is written";
    return true;
  }
  return false;
}
