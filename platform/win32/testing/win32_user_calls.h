// What the conformance binding does as the user and the desktop on the
// Win32 backend, in plain types (the binding includes the platform API,
// whose names windows.h's macros take): a timer ticking inside whatever
// loop runs, the shown dialogs of this thread and what they show, their
// buttons, the open-file dialog's name box, a private HKEY_CURRENT_USER and
// the native events run for a while. Windows only.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/win32_handles.h"

namespace win32_testing {

// Calls tick every milliseconds on this thread, from whichever message
// loop runs (modal ones too), while it lives.
class ThreadTicker {
 public:
  ThreadTicker(int milliseconds, std::function<void()> tick);
  ~ThreadTicker();
  ThreadTicker(const ThreadTicker&) = delete;
  ThreadTicker& operator=(const ThreadTicker&) = delete;

 private:
  uintptr_t timer_;
};

// This thread's shown dialogs (#32770: boxes, template dialogs, the
// open-file dialog), most recently made first.
std::vector<HWND> ShownDialogs();
// The texts of a dialog's static controls, joined.
std::u16string StaticTexts(HWND dialog);
// The texts of dialog's static text controls that need more room on one
// line, in the control's font, than the control has (GetTextExtentPoint32W
// against its client area), each as "TEXT: needs WxH in WxH".
std::vector<std::u16string> CutTexts(HWND dialog);
// The system's sign a message box shows beside its text, as its MB_ICON*
// flag: 0x30 (warning), 0x40 (information); 0 for none or another.
uint32_t BoxSign(HWND box);
// Whether dialog is the system's open-file dialog (it has a file-name box).
bool IsOpenFileDialog(HWND dialog);
// Chooses the enabled item labelled label (its text without "&" and the
// key after a tab) in the popups of frame's menu bar: posts frame the
// WM_COMMAND a chosen menu item sends. False when there is no such item.
bool ChooseFrameMenuItem(HWND frame, const std::u16string& label);
// The title bar's close button.
void PressClose(HWND dialog);
// Types path in the open-file dialog's name box and presses Open; an empty
// path presses Cancel.
void ChooseFile(HWND dialog, const std::u16string& path);

// While it lives, HKEY_CURRENT_USER of this process is a fresh key of its
// own (RegOverridePredefKey), removed afterwards.
class PrivateCurrentUser {
 public:
  PrivateCurrentUser();
  ~PrivateCurrentUser();
  PrivateCurrentUser(const PrivateCurrentUser&) = delete;
  PrivateCurrentUser& operator=(const PrivateCurrentUser&) = delete;

 private:
  std::u16string path_;
};

// Runs this thread's native messages for about milliseconds.
void PumpFor(int milliseconds);

}  // namespace win32_testing
