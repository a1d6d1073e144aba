// Absolute paths on POSIX: those that start with '/'.
#include <unistd.h>

#include <vector>

#include "shell/path_text.h"

bool IsAbsolutePath(const std::string& path) { return !path.empty() && path[0] == '/'; }

std::string AbsolutePath(const std::string& path) {
  if (path.empty() || IsAbsolutePath(path)) return path;
  std::vector<char> folder(4096);
  while (getcwd(folder.data(), folder.size()) == nullptr) {
    if (folder.size() > (1u << 20)) return path;
    folder.resize(folder.size() * 2);
  }
  std::string base = folder.data();
  if (base.empty() || base.back() != '/') base += '/';
  return base + path;
}
