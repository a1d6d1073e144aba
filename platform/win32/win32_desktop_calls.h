// The comdlg32, shell32, advapi32 and user32 calls behind
// Win32DesktopServices, in plain types, so that the services' code never
// meets windows.h, whose macros take the names of the desktop services' own
// functions. Windows only.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32/win32_handles.h"

namespace win32 {

// What GetOpenFileNameW is asked; the texts as the handheld's record has
// them (filter: label and patterns pairs, ended by an empty text).
struct OpenFileRequest {
  HWND owner;  // null: none
  const char16_t* filter;
  uint32_t filter_index;
  const char16_t* initial_dir;
  const char16_t* title;
  uint32_t flags;  // OFN_PATHMUSTEXIST, OFN_FILEMUSTEXIST: the system's own values
};
// Runs the open-file dialog; true with *path and *filter_index (1-based)
// when the user chose a file, false when cancelled or it failed.
bool ChooseFileToOpen(const OpenFileRequest& request, std::u16string* path, uint32_t* filter_index);

// DragAcceptFiles: window is sent WM_DROPFILES when files are dropped on it
// (accept), or no longer. False for a window that is gone.
bool AcceptDrops(HWND window, bool accept);

// The REG_SZ value name of HKEY_CURRENT_USER\path into *text; false when
// there is none (or it is no text).
bool ReadUserText(const std::u16string& path, const std::u16string& name, std::u16string* text);
// Sets the REG_SZ value name of HKEY_CURRENT_USER\path (the key made when
// missing), or deletes it when text is null (a missing value is no failure).
bool WriteUserText(const std::u16string& path, const std::u16string& name, const char16_t* text);

// OpenClipboard(owner), EmptyClipboard, SetClipboardData(CF_UNICODETEXT)
// and CloseClipboard; false when the clipboard cannot be had.
bool PutClipboardText(HWND owner, const std::u16string& text);

}  // namespace win32
