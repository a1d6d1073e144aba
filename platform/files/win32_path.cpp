#include "platform/files/win32_path.h"

#include <windows.h>

bool WidePath(const std::string& path, std::wstring* wide) {
  wide->clear();
  if (path.find('\0') != std::string::npos) return false;
  if (path.empty()) return true;
  const int size = static_cast<int>(path.size());
  int length = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), size, nullptr, 0);
  if (length <= 0) return false;
  wide->resize(static_cast<size_t>(length));
  return ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), size, &(*wide)[0],
                               length) == length;
}

std::string NarrowPath(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  const int size = static_cast<int>(wide.size());
  int length = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(length > 0 ? length : 0), '\0');
  if (length > 0)
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, &narrow[0], length, nullptr, nullptr);
  return narrow;
}
