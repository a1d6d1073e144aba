// Absolute paths on Windows: a drive and a separator (C:\x), or two
// separators (\\host\share). The current folder comes from the C runtime in
// UTF-16, so that a folder name outside the code page survives.
#include <direct.h>

#include <cstdlib>
#include <memory>

#include "platform/files/win32_path.h"
#include "shell/path_system.h"
#include "shell/path_text.h"

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

}  // namespace

bool IsAbsolutePath(const std::string& path) {
  if (path.size() >= 3 && path[1] == ':' && IsSeparator(path[2])) return true;
  return path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
}

std::string AbsolutePath(const std::string& path) {
  if (path.empty() || IsAbsolutePath(path)) return path;
  std::unique_ptr<wchar_t, decltype(&std::free)> folder(::_wgetcwd(nullptr, 0), &std::free);
  if (folder == nullptr) return path;
  std::string base = NarrowPath(folder.get());
  // A path from the root of the current drive ("\x.reg") keeps the drive alone.
  if (IsSeparator(path[0])) return base.substr(0, 2) + path;
  if (base.empty() || !IsSeparator(base.back())) base += PATH_SEPARATOR;
  return base + path;
}
