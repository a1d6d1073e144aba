// What the Win32 window manager's tests do to its frames as the system, the
// user or another program would, in plain types (the tests include the
// platform API, whose names windows.h's macros take).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/win32_handles.h"

namespace win32_testing {

struct Size {
  int width, height;
};
struct Box {
  int left, top, right, bottom;
  bool operator==(const Box& other) const {
    return left == other.left && top == other.top && right == other.right && bottom == other.bottom;
  }
};

// FindWindowW (title null: any title).
HWND FindTopLevel(const char16_t* class_name, const char16_t* title);
std::u16string TitleOf(HWND native);
bool IsRealWindow(HWND native);
bool IsVisible(HWND native);
bool IsEnabled(HWND native);
Size ClientSize(HWND native);
// The window's rectangle, and its client area's, in screen coordinates.
Box ScreenBox(HWND native);
Box ClientScreenBox(HWND native);
// The frame's outer size grows by dw x dh, as the user's dragging does.
void GrowFrame(HWND native, int dw, int dh);
// Repaints the whole frame now (InvalidateRect, UpdateWindow).
void RepaintNow(HWND native);
// Whether the pixels of the client rectangle (left, top)-(right, bottom)
// hold any that is neither white nor the background given (0x00BBGGRR).
bool HasInk(HWND native, int left, int top, int right, int bottom);
// The same read from the screen, as a user sees it: for another program's
// window, whose own device context this process cannot read.
bool ScreenHasInk(HWND native, int left, int top, int right, int bottom);
// The one-line height of the frames' text font on the screen.
int TextLineHeight();

// Native messages as the system sends them.
void SendKey(HWND native, uint32_t virtual_key);
// Ctrl and Shift held or not, as this thread's keyboard state tells.
void HoldKeys(bool control, bool shift);
void SendClose(HWND native);
void PostMenuCommand(HWND native, uint16_t id);
void SendSetCursor(HWND native);
bool ShowsWaitCursor();
int ScrollPosition(HWND native);
int SystemScrollBarWidth();
// Posts WM_DROPFILES with a drop of paths, as the shell does.
void PostDrop(HWND native, const std::vector<std::u16string>& paths);
// Dispatches what is queued for this thread's windows.
void PumpPending();

// Posts WM_QUIT to the calling thread's native queue after milliseconds
// unless destroyed first: a loop waiting for what never comes then ends.
class LoopWatchdog {
 public:
  explicit LoopWatchdog(int milliseconds);
  ~LoopWatchdog();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Runs action once on this thread after milliseconds, from whichever
// message loop runs then (a modal one too).
void RunFromLoopAfter(int milliseconds, std::function<void()> action);
HWND ForegroundWindow();
// Presses the OK button of a dialog or message box.
void PressOk(HWND dialog);

// A menu of one popup holding one item (id) for SetFrameMenu.
HMENU MakeMenu(const char16_t* popup, const char16_t* item, uint16_t id);
bool HasMenu(HWND native);

// A window of another program's class on a thread of its own: it records the
// WM_COPYDATA it gets and sends WM_COPYDATA to a window from its thread.
class OtherProgram {
 public:
  explicit OtherProgram(const char16_t* class_name);
  ~OtherProgram();
  HWND Window() const;
  struct Received {
    uintptr_t kind;
    std::string bytes;
  };
  std::vector<Received> ReceivedData() const;
  // SendMessageW(WM_COPYDATA) to target from the other thread; its result.
  intptr_t SendCopyData(HWND target, uintptr_t kind, const std::string& bytes);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Watches for a dialog (#32770) titled caption from another thread and
// does `act` to it once it shows: press OK, close it.
enum class DialogAction { PressOk, Close };
class DialogWatcher {
 public:
  DialogWatcher(const char16_t* caption, DialogAction action);
  ~DialogWatcher();
  // The text of the box's message (its static text controls, joined).
  std::u16string SeenText() const;
  // Its static texts that did not fit their controls (CutTexts).
  std::vector<std::u16string> CutTexts() const;
  // The system's sign beside its text (BoxSign).
  uint32_t Sign() const;
  // Whether the dialog had a title-bar icon of its own (WM_GETICON).
  bool HadIcon() const;
  bool Acted() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace win32_testing
