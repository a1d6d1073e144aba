#include "cli/patch_check.h"

#include <sys/stat.h>
#include <unistd.h>

#include "cli/cli_options.h"
#include "cli/stdin_file_system.h"

namespace {

// What name is (for "-", what the descriptor dash_fd is); false when nothing is.
bool Identify(const std::string& name, const char* dash_name, int dash_fd, struct stat* status) {
  if (name == dash_name) return ::fstat(dash_fd, status) == 0;
  return ::stat(name.c_str(), status) == 0;
}

// The name a user knows standard input or output by in a reason.
std::string Told(const std::string& name, const char* dash_name, const char* stream) {
  return name == dash_name ? stream : name;
}

}  // namespace

bool PatchIsAnInput(const std::string& patch, const std::vector<std::string>& files,
                    std::string* reason) {
  struct stat out;
  if (!Identify(patch, STDOUT_FILE_NAME, STDOUT_FILENO, &out)) return false;
  for (const std::string& file : files) {
    struct stat in;
    // Only a regular file can be replaced by the patch: a terminal both
    // streams are on is no registry.
    if (!Identify(file, STDIN_FILE_NAME, STDIN_FILENO, &in) || !S_ISREG(in.st_mode) ||
        in.st_dev != out.st_dev || in.st_ino != out.st_ino)
      continue;
    *reason = "the patch " + Told(patch, STDOUT_FILE_NAME, "(standard output)") +
              " is the registry " + Told(file, STDIN_FILE_NAME, "(standard input)") +
              " itself; writing it would replace the registry, so nothing is written";
    return true;
  }
  return false;
}
