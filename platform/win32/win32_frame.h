// The native side of the Win32 window manager, in plain types: the calls on
// user32, gdi32 and shell32 that make, paint, scroll and pump the program's
// frames and dialogs, and the events a frame reports back. These files
// include windows.h; the window manager's never do, since windows.h's macros
// take the platform API's names. Everything runs on the windows' thread but
// WakeThread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/win32_handles.h"

namespace win32 {

// A rectangle in pixels, as the platform's Rect.
struct Box {
  int32_t left, top, right, bottom;
};

// Modifier bits of OnKey, the platform's MOD_* values.
constexpr uint32_t HELD_ALT = 0x1;
constexpr uint32_t HELD_CONTROL = 0x2;
constexpr uint32_t HELD_SHIFT = 0x4;

// What the program's frames and dialogs report, each identified by the
// window handle it was made for. Called from inside the native procedures.
class FrameEvents {
 public:
  // The frame paints: dc is the real HDC (the program's font and colours
  // selected, the class background painted, scrolled so that program
  // coordinates apply), area the part to repaint in those coordinates.
  // Returns how far down the drawn text reaches (its bottom margin
  // included), which sets the scroll range.
  virtual int OnPaint(uint32_t window, void* dc, const Box& area) = 0;
  virtual void OnClose(uint32_t window) = 0;
  virtual void OnActivate(uint32_t window, bool active) = 0;
  // A letter or digit key (virtual key), with the HELD_* modifiers.
  virtual void OnKey(uint32_t window, uint32_t key, uint32_t held) = 0;
  // An item of the frame's menu was chosen.
  virtual void OnMenuCommand(uint32_t window, uint16_t id) = 0;
  // A button of a dialog (IDOK, IDCANCEL), Escape or its close button.
  virtual void OnDialogCommand(uint32_t dialog, uint16_t id) = 0;
  virtual void OnDrop(uint32_t window, std::vector<std::u16string> paths) = 0;
  // Bytes another program sent (WM_COPYDATA), valid during the call only.
  virtual void OnCopyData(uint32_t window, uintptr_t kind, const void* data, uint32_t size) = 0;
  // The user resized the frame: its client area changed by dw x dh.
  virtual void OnResized(uint32_t window, int dw, int dh) = 0;

 protected:
  ~FrameEvents() = default;
};

// Frames.
// Registers the frame class class_name once per process (later calls with
// the same name succeed); icon_id 0: the system's application icon.
bool RegisterFrameClass(const char16_t* class_name, HINSTANCE instance, uint16_t icon_id);
// A resizable frame of class_name (registered for instance) whose client
// area is width x height, placed by the system, painted over background
// (0x00BBGGRR); hidden unless visible. Null when it cannot be made.
HWND CreateFrame(const char16_t* class_name, HINSTANCE instance, const char16_t* title, int width,
                 int height, bool visible, uint32_t background, FrameEvents* events,
                 uint32_t window);
void DestroyNative(HWND native);
void SetTitle(HWND native, const std::u16string& title);
// Makes the client area width x height (menu and frame around it); the
// frame stays where it is and reports no OnResized.
void ResizeClient(HWND native, int width, int height);
// Puts menu on the frame (null: none); the client area keeps its size.
bool SetFrameMenu(HWND native, HMENU menu);
// Shows or hides the frame; returns whether it was visible.
bool ShowFrame(HWND native, bool show);
// Marks area (program coordinates; null: all) for repainting.
void Invalidate(HWND native, const Box* area, bool erase);
void Update(HWND native);
// The frame's text height from its last paint (0 before any), and the width
// its vertical scroll bar takes from the client area (0 when hidden).
int ContentHeight(HWND native);
int ScrollBarWidth(HWND native);
// The text of the frame's last paint, as SetFrameText left it.
std::u16string FrameText(HWND native);
// A text other than the one drawn before: the frame scrolls back to the top,
// and the text becomes the value of the client area's accessible object
// (read-only text named "Report"), which screen readers are told of with
// EVENT_OBJECT_VALUECHANGE.
void SetFrameText(HWND native, std::u16string text);
// The frame of this process made for events, or null.
uint32_t WindowOfFrame(HWND native, const FrameEvents* events);

// Draws text (length units, -1: through its terminator) in box on dc with
// DrawTextW, breaking lines between words when word_break; lines below the
// box's bottom are drawn too (the paint's clip shows what is visible).
// Returns the whole text's height, measured with DT_CALCRECT.
int DrawTextOn(void* dc, const char16_t* text, int length, Box* box, bool word_break);

// Other programs.
// A top-level window of class_name (title null: any) that is not a frame
// of events; null when none.
HWND FindOtherWindow(const char16_t* class_name, const char16_t* title, const FrameEvents* events);
// Sends WM_COPYDATA; true when the receiver took it within a few seconds.
bool SendCopyData(HWND target, HWND sender, uintptr_t kind, const void* data, uint32_t size);
// Restores and activates native; with_popups: then its last active popup
// (or, when that is native itself, the shown and enabled window it owns).
bool BringForward(HWND native, bool with_popups);

// Shows the hourglass over the program's windows (wait) or the arrow.
void ShowWaitCursor(bool wait);
// The sign beside a box's text.
enum class BoxSign { None, Warning, Information };
// MessageBoxW with one OK button and sign; a box without owner gets icon
// icon_id of instance (0: none) in its title bar. Returns MessageBoxW's
// answer (0: not shown).
int ShowMessageBox(HWND owner, const char16_t* text, const char16_t* caption, BoxSign sign,
                   HINSTANCE instance, uint16_t icon_id);

// Dialogs.
// A place in dialog units.
struct DialogPlace {
  int16_t x = 0, y = 0, width = 0, height = 0;
};
struct DialogControl {
  bool icon = false;
  std::u16string text;  // a text control's label
  uint16_t icon_id = 0;
  uint16_t id = 0;
  uint32_t style = 0;
  DialogPlace place;
};
struct DialogLayout {
  std::u16string caption;
  DialogPlace place;
  uint16_t font_points = 0;
  std::u16string font_face;
  // Escape and the close button stand for the handheld's caption OK.
  bool caption_ok = false;
  std::vector<DialogControl> controls;
};
// Builds the dialog (DLGTEMPLATE in memory, CreateDialogIndirectParamW),
// hidden, owned by owner. The handheld's face "System" (or none) becomes
// the desktop's dialog face, and a text line wider than its control grows
// it to the right, up to the dialog's edge. Null when it cannot.
HWND CreateTemplateDialog(const DialogLayout& layout, HINSTANCE instance, HWND owner,
                          FrameEvents* events, uint32_t dialog);
// Adds the Done button (IDOK) in the dialog's bottom right corner; Escape
// and the close button then stand for it.
void AddDoneButton(HWND dialog);
// Places the dialog over the client area of owner (null: sizes it
// width x height).
void CoverOwner(HWND dialog, HWND owner, int width, int height);

// The loop.
// The program's own executable.
HINSTANCE ProgramModule();
// Makes the calling thread's message queue, so that WakeThread reaches it,
// and makes it a single-threaded COM apartment (for screen readers).
uint32_t PrepareThread();
// Waits for one native message and handles it (IsDialogMessageW for
// dialogs); false with *quit_code for WM_QUIT.
bool PumpOne(int* quit_code);
// Reposts WM_QUIT for the loop outside a modal one.
void RepostQuit(int code);
// Wakes PumpOne on thread (from any thread).
void WakeThread(uint32_t thread);
// Disables or enables owner around a modal loop.
void EnableOwner(HWND owner, bool enable);
void ShowDialog(HWND dialog);

}  // namespace win32
