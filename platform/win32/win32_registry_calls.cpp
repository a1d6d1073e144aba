#include "platform/win32/win32_registry_calls.h"

#include <windows.h>

#include "platform/files/win32_path.h"

namespace win32 {

namespace {

HKEY Key(uintptr_t key) { return reinterpret_cast<HKEY>(key); }
const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

// Longest key name Windows allows, terminator included.
constexpr DWORD MAX_KEY_NAME = 256;

}  // namespace

int32_t OpenKey(uintptr_t key, const char16_t* path, uintptr_t* result) {
  HKEY opened = nullptr;
  // Read and write where the user may (an administrator's fix), else read
  // only: a detect needs no more, and a repair then fails with the reason.
  LONG status = ::RegOpenKeyExW(Key(key), Wide(path), 0, KEY_READ | KEY_SET_VALUE, &opened);
  if (status == ERROR_ACCESS_DENIED)
    status = ::RegOpenKeyExW(Key(key), Wide(path), 0, KEY_READ, &opened);
  if (status == ERROR_SUCCESS) *result = reinterpret_cast<uintptr_t>(opened);
  return status;
}

int32_t EnumKey(uintptr_t key, uint32_t index, char16_t* name, uint32_t capacity,
                uint32_t* length) {
  wchar_t buffer[MAX_KEY_NAME];
  DWORD size = MAX_KEY_NAME;
  LONG status = ::RegEnumKeyExW(Key(key), index, buffer, &size, nullptr, nullptr, nullptr, nullptr);
  if (status != ERROR_SUCCESS) return status;
  *length = size;
  if (size + 1 > capacity) return ERROR_MORE_DATA;
  for (DWORD i = 0; i <= size; ++i) name[i] = static_cast<char16_t>(buffer[i]);
  return ERROR_SUCCESS;
}

int32_t QueryValue(uintptr_t key, const char16_t* name, uint32_t* type, uint8_t* data,
                   uint32_t* length) {
  DWORD got_type = 0;
  DWORD size = *length;
  LONG status = ::RegQueryValueExW(Key(key), Wide(name), nullptr, &got_type, data, &size);
  if (type != nullptr) *type = got_type;
  *length = size;
  return status;
}

int32_t SetValue(uintptr_t key, const char16_t* name, uint32_t type, const uint8_t* data,
                 uint32_t length) {
  return ::RegSetValueExW(Key(key), Wide(name), 0, type, data, length);
}

int32_t CloseKey(uintptr_t key) { return ::RegCloseKey(Key(key)); }

std::string StatusText(int32_t status) {
  wchar_t* text = nullptr;
  DWORD size = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(status), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = size > 0 ? std::wstring(text, size) : L"";
  if (text != nullptr) ::LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r'))
    message.pop_back();
  return message.empty() ? "error " + std::to_string(status) : NarrowPath(message);
}

}  // namespace win32
