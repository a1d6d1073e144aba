#include "platform/files/testing/installed_program.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace {

bool IsRunnableFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

bool IsOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return false;
  std::string folders = path;
  for (size_t start = 0;;) {
    size_t end = folders.find(':', start);
    std::string folder = folders.substr(start, end == std::string::npos ? end : end - start);
    if (IsRunnableFile((folder.empty() ? "." : folder) + "/" + name)) return true;
    if (end == std::string::npos) return false;
    start = end + 1;
  }
}

}  // namespace

::testing::AssertionResult IsInstalled(const std::string& program, const std::string& package) {
  bool found = program.find('/') == std::string::npos ? IsOnPath(program) : IsRunnableFile(program);
  if (found) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << program << " is not installed: install the Debian package " << package
         << " (scripts/install-deps.sh does)";
}
