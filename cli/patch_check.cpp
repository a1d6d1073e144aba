#include "cli/patch_check.h"

#include "cli/cli_options.h"
#include "cli/stdin_file_system.h"
#include "platform/files/file_system.h"

namespace {

// What name is (for "-", what the runtime's descriptor dash_fd is, links
// followed otherwise); false when nothing is.
bool Identify(const std::string& name, const char* dash_name, int dash_fd, FileStatus* status) {
  if (name != dash_name) return StatFollowingLinks(name, status) == 0;
  FileSystem& files = RealFileSystem();
  int fd = -1;
  if (DuplicateRuntimeDescriptor(dash_fd, &fd) != 0) return false;
  // A stream whose file cannot be told (no volume and index: Wine's
  // standard handles) is no file known.
  const bool known = files.Fstat(fd, status) == 0 && (status->device != 0 || status->inode != 0);
  files.Close(fd);
  return known;
}

// The name a user knows standard input or output by in a reason.
std::string Told(const std::string& name, const char* dash_name, const char* stream) {
  return name == dash_name ? stream : name;
}

}  // namespace

bool PatchIsAnInput(const std::string& patch, const std::vector<std::string>& files,
                    std::string* reason) {
  FileStatus out;
  if (!Identify(patch, STDOUT_FILE_NAME, 1, &out)) return false;
  for (const std::string& file : files) {
    FileStatus in;
    // Only a regular file can be replaced by the patch: a terminal both
    // streams are on is no registry.
    if (!Identify(file, STDIN_FILE_NAME, 0, &in) || in.kind != FileKind::Regular ||
        in.device != out.device || in.inode != out.inode)
      continue;
    *reason = "the patch " + Told(patch, STDOUT_FILE_NAME, "(standard output)") +
              " is the registry " + Told(file, STDIN_FILE_NAME, "(standard input)") +
              " itself; writing it would replace the registry, so nothing is written";
    return true;
  }
  return false;
}
