#include "cli/patch_check.h"

#include "platform/files/file_system.h"

bool PatchIsAnInput(const std::string& patch, const std::vector<std::string>& files,
                    std::string* reason) {
  FileStatus out;
  if (StatFollowingLinks(patch, &out) != 0) return false;
  for (const std::string& file : files) {
    FileStatus in;
    if (StatFollowingLinks(file, &in) != 0 || in.device != out.device || in.inode != out.inode)
      continue;
    *reason = "the patch " + patch + " is the registry " + file +
              " itself; writing it would replace the registry, so nothing is written";
    return true;
  }
  return false;
}
