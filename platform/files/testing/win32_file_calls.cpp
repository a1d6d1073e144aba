#include "platform/files/testing/win32_file_calls.h"

#include <windows.h>

#include "platform/files/win32_path.h"

static_assert(ATTRIBUTE_READONLY == FILE_ATTRIBUTE_READONLY &&
                  ATTRIBUTE_HIDDEN == FILE_ATTRIBUTE_HIDDEN &&
                  ATTRIBUTE_SYSTEM == FILE_ATTRIBUTE_SYSTEM &&
                  ATTRIBUTE_ARCHIVE == FILE_ATTRIBUTE_ARCHIVE &&
                  ATTRIBUTE_NOT_CONTENT_INDEXED == FILE_ATTRIBUTE_NOT_CONTENT_INDEXED,
              "Windows' own numbers");
static_assert(SHARE_READ == FILE_SHARE_READ && SHARE_WRITE == FILE_SHARE_WRITE,
              "Windows' own numbers");

namespace {

std::wstring Wide(const std::string& path) {
  std::wstring wide;
  WidePath(path, &wide);
  return wide;
}

}  // namespace

uint32_t FileAttributesOf(const std::string& path) {
  return ::GetFileAttributesW(Wide(path).c_str());
}

bool SetFileAttributesTo(const std::string& path, uint32_t attributes) {
  return ::SetFileAttributesW(Wide(path).c_str(), attributes) != 0;
}

bool MakeFolder(const std::string& path) {
  return ::CreateDirectoryW(Wide(path).c_str(), nullptr) != 0;
}

bool MakeHardLink(const std::string& link, const std::string& existing) {
  return ::CreateHardLinkW(Wide(link).c_str(), Wide(existing).c_str(), nullptr) != 0;
}

bool DeleteNamed(const std::string& path) { return ::DeleteFileW(Wide(path).c_str()) != 0; }

std::shared_ptr<void> HoldOpen(const std::string& path, uint32_t share) {
  HANDLE handle = ::CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  return std::shared_ptr<void>(handle, ::CloseHandle);
}
