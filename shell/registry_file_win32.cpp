#include <cstdlib>
#include <cwchar>

#include "platform/files/win32_path.h"
#include "shell/registry_location.h"

namespace {

// C:\..., or \\server\share\... : a folder that does not depend on the
// current drive or folder.
bool IsAbsolute(const std::wstring& path) {
  if (path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/')) return true;
  return path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\';
}

}  // namespace

std::string DefaultRegistryFile() {
  const wchar_t* app_data = _wgetenv(L"APPDATA");
  if (app_data == nullptr || !IsAbsolute(app_data)) return std::string();
  std::wstring folder = app_data;
  while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  return NarrowPath(folder + L"\\quorvafix\\registry.reg");
}
