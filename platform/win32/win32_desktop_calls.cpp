#include "platform/win32/win32_desktop_calls.h"

#include <windows.h>
// windows.h first: these need its types.
#include <commdlg.h>
#include <shellapi.h>

#include <cstring>
#include <vector>

namespace win32 {

namespace {

const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
const wchar_t* Wide(const std::u16string& text) { return Wide(text.c_str()); }

// The longest path the dialog gives back, terminator included.
constexpr DWORD MAX_CHOSEN_PATH = 32768;
// Tries to have a clipboard another program holds for a moment.
constexpr int CLIPBOARD_TRIES = 10;
constexpr DWORD CLIPBOARD_RETRY_MS = 20;

bool OpenClipboardSoon(HWND owner) {
  for (int i = 0; i < CLIPBOARD_TRIES; ++i) {
    if (::OpenClipboard(owner)) return true;
    ::Sleep(CLIPBOARD_RETRY_MS);
  }
  return false;
}

}  // namespace

bool ChooseFileToOpen(const OpenFileRequest& request, std::u16string* path,
                      uint32_t* filter_index) {
  std::vector<wchar_t> chosen(MAX_CHOSEN_PATH, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = request.owner;
  dialog.lpstrFilter = Wide(request.filter);
  dialog.nFilterIndex = request.filter_index;
  dialog.lpstrFile = chosen.data();
  dialog.nMaxFile = MAX_CHOSEN_PATH;
  dialog.lpstrInitialDir = request.initial_dir != nullptr && request.initial_dir[0] != 0
                               ? Wide(request.initial_dir)
                               : nullptr;
  dialog.lpstrTitle = Wide(request.title);
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                 (request.flags & (OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST));
  if (!::GetOpenFileNameW(&dialog)) return false;
  *path = reinterpret_cast<const char16_t*>(chosen.data());
  *filter_index = dialog.nFilterIndex;
  return true;
}

bool AcceptDrops(HWND window, bool accept) {
  if (!::IsWindow(window)) return false;
  ::DragAcceptFiles(window, accept);
  return true;
}

bool ReadUserText(const std::u16string& path, const std::u16string& name, std::u16string* text) {
  DWORD size = 0;
  const DWORD only_text = RRF_RT_REG_SZ;
  if (::RegGetValueW(HKEY_CURRENT_USER, Wide(path), Wide(name), only_text, nullptr, nullptr,
                     &size) != ERROR_SUCCESS) {
    return false;
  }
  std::vector<wchar_t> value(size / sizeof(wchar_t) + 1, L'\0');
  if (::RegGetValueW(HKEY_CURRENT_USER, Wide(path), Wide(name), only_text, nullptr, value.data(),
                     &size) != ERROR_SUCCESS) {
    return false;
  }
  *text = reinterpret_cast<const char16_t*>(value.data());
  return true;
}

bool WriteUserText(const std::u16string& path, const std::u16string& name, const char16_t* text) {
  if (text == nullptr) {
    LONG status = ::RegDeleteKeyValueW(HKEY_CURRENT_USER, Wide(path), Wide(name));
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
  }
  HKEY key = nullptr;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, Wide(path), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const DWORD bytes =
      static_cast<DWORD>((std::char_traits<char16_t>::length(text) + 1) * sizeof(char16_t));
  LONG status =
      ::RegSetValueExW(key, Wide(name), 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes);
  ::RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

bool PutClipboardText(HWND owner, const std::u16string& text) {
  const size_t bytes = (text.size() + 1) * sizeof(char16_t);
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (memory == nullptr) return false;
  void* target = ::GlobalLock(memory);
  if (target == nullptr) {
    ::GlobalFree(memory);
    return false;
  }
  std::memcpy(target, text.c_str(), bytes);
  ::GlobalUnlock(memory);
  if (!OpenClipboardSoon(owner)) {
    ::GlobalFree(memory);
    return false;
  }
  // Once set, the clipboard owns the memory.
  const bool set = ::EmptyClipboard() && ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
  if (!set) ::GlobalFree(memory);
  ::CloseClipboard();
  return set;
}

}  // namespace win32
