// What the native procedures keep per frame and per dialog (GWLP_USERDATA),
// shared by the native files. Includes windows.h: never included by the
// window manager's own files.
#pragma once

#include <windows.h>

#include <string>

#include "platform/win32/win32_frame.h"

namespace win32 {

struct NativeState {
  // Null once the window manager let go of the window (it is being destroyed).
  FrameEvents* events = nullptr;
  uint32_t window = 0;
  virtual ~NativeState() = default;
};

struct FrameState : NativeState {
  COLORREF background = RGB(255, 255, 255);
  // The client area the program knows, scroll bar included.
  int width = 0;
  int height = 0;
  bool program_resizing = false;
  int content = 0;      // the text height of the last paint
  int scroll = 0;       // pixels scrolled down
  std::u16string text;  // the last paint's text, which screen readers read
};

struct DialogState : NativeState {
  bool caption_ok = false;
};

// What CreateWindowExW or CreateDialogIndirectParamW carries to the window's
// first message, which hands state to the window (taken): from then on the
// window deletes it (WM_NCDESTROY), even when its creation fails.
struct StateHandover {
  NativeState* state = nullptr;
  bool taken = false;
};
// Stores the state of a handover in the window; called at its first message.
inline void TakeState(HWND native, LPARAM handover) {
  auto* record = reinterpret_cast<StateHandover*>(handover);
  ::SetWindowLongPtrW(native, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(record->state));
  record->taken = true;
}

inline NativeState* StateOf(HWND native) {
  return reinterpret_cast<NativeState*>(GetWindowLongPtrW(native, GWLP_USERDATA));
}
inline const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

// The frames' window procedure (win32_frame.cpp).
LRESULT CALLBACK FrameProcedure(HWND native, UINT message, WPARAM wparam, LPARAM lparam);
// The frame of this process's frame procedure behind native, or null.
FrameState* FrameOf(HWND native);
// The dialogs' procedure (win32_dialog.cpp).
INT_PTR CALLBACK DialogProcedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// Painting and scrolling (win32_frame_paint.cpp).
void PaintFrame(HWND native, FrameState& state);
// Scrolls to pos (clamped to the text), repainting.
void ScrollTo(HWND native, FrameState& state, int pos);
// WM_VSCROLL and WM_MOUSEWHEEL.
void ScrollForBar(HWND native, FrameState& state, WORD request);
void ScrollForWheel(HWND native, FrameState& state, int delta);
// PageUp, PageDown, Home, End, Up, Down: true when key is one of them.
bool ScrollForKey(HWND native, FrameState& state, WPARAM key);
// The scroll bar's range and page after the text or the client area changed.
void FitScrollBar(HWND native, FrameState& state);

// WM_GETOBJECT (win32_frame_accessible.cpp): the client area's object
// screen readers read; other objects are the system's.
LRESULT AnswerAccessibleObject(HWND native, WPARAM flags, LPARAM object);

// The wait cursor (win32_loop.cpp): true while the program shows it; then
// sets it and answers WM_SETCURSOR.
bool ShowingWait();
void SetShownCursor();

}  // namespace win32
