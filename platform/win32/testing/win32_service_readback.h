// Test-only: what the system itself holds after the Win32 shell and desktop
// services acted (the frame's menu, the clipboard, the profile's registry
// values, a frame's drop style, what screen readers read), and a drop made
// as Explorer makes one, in plain types, for tests that also include the
// platform API (whose names windows.h would redefine). Windows only.
#pragma once

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/win32_handles.h"

struct NativeMenuItem {
  std::u16string text;  // GetMenuStringW
  uint32_t id;          // GetMenuItemID; 0xFFFFFFFF for a popup
  bool grayed;
  std::vector<NativeMenuItem> items;  // a popup's, read the same way
};
// The items of frame's menu bar (GetMenu); empty when it has none.
std::vector<NativeMenuItem> FrameMenuItems(HWND frame);

// The clipboard's CF_UNICODETEXT (GetClipboardData); empty when none.
std::u16string ClipboardUnicodeText();

// Value name of HKEY_CURRENT_USER\path: its type into *type and its text;
// false when there is none.
bool UserValue(const std::u16string& path, const std::u16string& name, uint32_t* type,
               std::u16string* text);
constexpr uint32_t REGISTRY_TEXT_TYPE = 1;  // REG_SZ
// Deletes HKEY_CURRENT_USER\path with everything under it.
void DeleteUserKey(const std::u16string& path);

// What a screen reader reads of frame's client area through Microsoft Active
// Accessibility (AccessibleObjectFromWindow, OBJID_CLIENT), in this process
// or another; found false when no object came.
struct AccessibleClient {
  bool found = false;
  int32_t role = 0;      // get_accRole: ROLE_SYSTEM_*
  uint32_t state = 0;    // get_accState: STATE_SYSTEM_*
  std::u16string name;   // get_accName
  std::u16string value;  // get_accValue
};
AccessibleClient ReadAccessibleClient(HWND frame);
constexpr int32_t ACCESSIBLE_ROLE_TEXT = 42;          // ROLE_SYSTEM_TEXT
constexpr uint32_t ACCESSIBLE_STATE_READONLY = 0x40;  // STATE_SYSTEM_READONLY
// Counts EVENT_OBJECT_VALUECHANGE of OBJID_CLIENT raised for frame while it
// lives (a WinEvent hook out of context, called while this thread pumps).
class ValueChangeCounter {
 public:
  explicit ValueChangeCounter(HWND frame);
  ~ValueChangeCounter();
  int Count() const;

 private:
  void* hook_;
};

// Whether frame takes dropped files (WS_EX_ACCEPTFILES).
bool AcceptsFiles(HWND frame);
// Sends frame WM_DROPFILES with an HDROP made in memory (DROPFILES, then the
// wide paths, each terminated, and an empty one), as a drop from Explorer
// comes; the receiver releases it.
void SendDrop(HWND frame, const std::vector<std::u16string>& paths);

// What an open-file dialog showed and was given.
struct OpenDialogAnswer {
  bool found = false;                 // the dialog came within the time
  std::vector<std::u16string> types;  // its file-type list, in order
  bool refused = false;               // it did not take the name, and was cancelled
};
// On another thread, waits (up to 20 s) for a dialog titled title, reads
// its file-type list into *answer, then types name in its file-name box
// and presses Open, or presses Cancel when name is empty; a dialog that
// does not take the name is cancelled (refused). Join the thread
// once the call that opened the dialog has returned.
std::thread AnswerOpenDialog(const std::u16string& title, const std::u16string& name,
                             OpenDialogAnswer* answer);
