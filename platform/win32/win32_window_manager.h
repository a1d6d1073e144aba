// The window manager on the real Win32 API (user32, gdi32, shell32). Each
// top-level window of the program is a frame of its own: a real HWND of a
// native class registered under the program's class name (another copy
// finds it with FindWindowW), resizable, its client area the program's
// window (240 x 294 at first, the handheld's work area). Dialogs are real
// dialogs built from their templates; message boxes are MessageBoxW. The
// program's coordinates stay the handheld's: a window's rectangle keeps the
// work area's origin (0, 26) while its frame sits where the system or the
// user put it, and only the size reaches the frame.
//
// Desktop choices, as on Qt: a frame's close button sends WM_CLOSE; resizing
// a frame moves its window's right and bottom edges (the first frame's size
// is the work area's), then every window gets
// WM_SETTINGCHANGE(SPI_SETWORKAREA).
// A frame whose text runs past its bottom has a vertical scroll bar, the
// wheel, PageUp/PageDown, Home/End and the arrow keys (a text other than the
// one drawn before starts at the top). Letters and digits, alone or with
// Ctrl and Shift, reach the program as WM_KEYDOWN with MOD_*; Alt, F10 and
// Alt with a letter are the frame's menu's, whose items post WM_COMMAND
// (item id) to the window. Files dropped on a frame arrive as WM_DROPFILES,
// bytes from another copy as WM_COPYDATA. Text is the system's message font
// at 9 points, black on white.
#pragma once

#include <map>
#include <string>

#include "platform/win32/win32_frame.h"
#include "platform/win32/win32_handles.h"
#include "platform/windowing/window_manager_base.h"

class Win32WindowManager : public WindowManagerBase, private win32::FrameEvents {
 public:
  // The work area's size until the user resizes the first frame.
  static constexpr int SCREEN_WIDTH = 240;
  static constexpr int SCREEN_HEIGHT = 294;

  // instance: the module holding the icons and the dialogs' icons (null:
  // the program's own executable). Made and used on one thread.
  explicit Win32WindowManager(HINSTANCE instance = nullptr);
  ~Win32WindowManager() override;
  Win32WindowManager(const Win32WindowManager&) = delete;
  Win32WindowManager& operator=(const Win32WindowManager&) = delete;

  // The frame of a top-level window, or the dialog's own HWND; null for
  // any other handle (platform windows have no HWND of their own).
  HWND NativeWindow(WindowHandle window) const;
  // The window whose frame or dialog native is; 0 when none of this manager's.
  WindowHandle WindowOf(HWND native) const;
  // Puts menu on the frame of top-level window (the shell's menu bar); the
  // frame then owns it and destroys it with itself. Its items' WM_COMMAND
  // (menu, lParam 0) is posted to window with the item id. The client area
  // keeps its size. False for a window without a frame.
  bool SetFrameMenu(WindowHandle window, HMENU menu);
  // Applies SHInitDialog flags to a dialog (SHIDIF_DONEBUTTON: a Done
  // button sending IDOK, for which Escape and the close button stand too;
  // SHIDIF_SIZEDLGFULLSCREEN: over its owner's client area); false for an
  // unknown dialog.
  bool ApplyDialogFlags(WindowHandle dialog, uint32_t flags);

  // Local windows come forward (restored when minimised); with bit 0, then
  // their last active popup (GetLastActivePopup), or the box or dialog they
  // wait for. Another copy's too.
  bool SetForegroundWindow(WindowHandle window) override;
  // A window made with WS_VISIBLE shows after its WM_CREATE, as on Windows
  // (showing activates it: WM_ACTIVATE).
  WindowHandle CreateWindowEx(uint32_t ex_style, const char16_t* class_name, const char16_t* title,
                              uint32_t style, int32_t x, int32_t y, int32_t width, int32_t height,
                              WindowHandle parent, uint32_t menu, InstanceHandle instance,
                              const void* creation_data) override;
  // WM_COPYDATA to another program's window goes by SendMessageW with a
  // COPYDATASTRUCT; other messages to it are not delivered.
  MessageResult SendMessage(WindowHandle window, uint32_t message, WordParam wparam,
                            LongParam lparam) override;
  bool ShowWindow(WindowHandle window, int show) override;
  bool UpdateWindow(WindowHandle window) override;
  bool InvalidateRect(WindowHandle window, const Rect* rect, bool erase) override;
  // Outside the frame's WM_PAINT there is nothing to draw on: BeginPaint
  // then invalidates the window and returns 0.
  DeviceContext BeginPaint(WindowHandle window, PaintInfo* paint) override;
  bool EndPaint(WindowHandle window, const PaintInfo* paint) override;
  int DrawText(DeviceContext dc, const char16_t* text, int length, Rect* rect,
               uint32_t format) override;
  int MessageBox(WindowHandle owner, const char16_t* text, const char16_t* caption,
                 uint32_t type) override;

 protected:
  Rect DefaultWindowRect() override;
  bool CreateNativeWindow(WindowHandle window, const Rect& rect, uint32_t style) override;
  // Only the size reaches the frame.
  void MoveNativeWindow(WindowHandle window, bool repaint) override;
  // The scroll bar takes its width; the drawn text may be taller.
  void ShapeClientRect(WindowHandle window, Rect* rect) override;
  void DestroyNativeWindow(WindowHandle window) override;
  void ShowTitle(WindowHandle window, const std::u16string& title) override;
  // FindWindowW by class (and title), skipping this manager's own frames.
  WindowHandle FindForeignWindow(const char16_t* class_name, const char16_t* title) override;
  // One native message: GetMessageW, then IsDialogMessageW or
  // TranslateMessage and DispatchMessageW.
  void WaitForMessages() override;
  bool CreateNativeDialog(WindowHandle dialog, const DialogTemplate& dialog_template,
                          InstanceHandle instance, WindowHandle owner) override;
  // Disables the owner's frame and pumps until EndNativeDialog, as
  // DialogBox does; WM_QUIT ends the loop and is posted again.
  void RunModalDialog(WindowHandle dialog) override;
  void EndNativeDialog(WindowHandle dialog) override;
  void ShowCursorShape(CursorHandle cursor) override;
  // Posts a thread message to the windows' thread.
  void WakeMessageLoop() override;

 private:
  struct Native {
    HWND hwnd = nullptr;
  };

  // FrameEvents.
  int OnPaint(uint32_t window, void* dc, const win32::Box& area) override;
  void OnClose(uint32_t window) override;
  void OnActivate(uint32_t window, bool active) override;
  void OnKey(uint32_t window, uint32_t key, uint32_t held) override;
  void OnMenuCommand(uint32_t window, uint16_t id) override;
  void OnDialogCommand(uint32_t dialog, uint16_t id) override;
  void OnDrop(uint32_t window, std::vector<std::u16string> paths) override;
  void OnCopyData(uint32_t window, uintptr_t kind, const void* data, uint32_t size) override;
  void OnResized(uint32_t window, int dw, int dh) override;

  Rect WorkArea() const;
  // The first live top-level window: its frame is the handheld's screen.
  WindowHandle PrimaryWindow() const;
  HWND OwnerFrame(WindowHandle owner) const;
  // The icon of window's class (0: none); the program's: the first window's,
  // else the first icon of the program's resources.
  uint16_t IconId(WindowHandle window) const;
  uint16_t ProgramIconId() const;

  HINSTANCE instance_;
  uint32_t thread_id_;
  std::map<WindowHandle, Native> natives_;
  std::map<WindowHandle, HWND> dialogs_;
  std::map<WindowHandle, HWND> foreign_;
  WindowHandle last_foreign_ = 0x7F000000u;
  // The paint in progress: its window, HDC and area.
  WindowHandle painting_ = 0;
  void* paint_dc_ = nullptr;
  Rect paint_area_{};
  int painted_bottom_ = 0;
  std::u16string painted_text_;
};
