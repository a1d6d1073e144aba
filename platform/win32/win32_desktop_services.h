// The desktop services on Win32: GetOpenFileName is the system's open-file
// dialog (GetOpenFileNameW: the same filter pairs, initial folder and
// title); DragAcceptFiles is the system's, and the frame hands each drop on
// to its window (Win32WindowManager); the profile lives in the registry, one
// key per section under HKEY_CURRENT_USER\Software\QUORVAFIX, one REG_SZ
// value per key, as Windows programs keep theirs; the clipboard gets the
// text as CF_UNICODETEXT, lines ending in "\r\n" as Windows' do.
#pragma once

#include "platform/win32/win32_window_manager.h"
#include "platform/windowing/desktop_services.h"

// Where the profile's sections live, under HKEY_CURRENT_USER.
constexpr char16_t PROFILE_REGISTRY_KEY[] = u"Software\\QUORVAFIX";

class Win32DesktopServices : public DesktopServices {
 public:
  explicit Win32DesktopServices(Win32WindowManager& windows) : windows_(windows) {}

  bool GetOpenFileName(OpenFileName* ofn) override;
  bool DragAcceptFiles(WindowHandle window, bool accept) override;
  bool ReadProfileString(const std::u16string& section, const std::u16string& key,
                         std::u16string* text) override;
  bool WriteProfileString(const char16_t* section, const char16_t* key,
                          const char16_t* text) override;
  bool SetClipboardText(WindowHandle owner, const char16_t* text) override;

 private:
  Win32WindowManager& windows_;
};
