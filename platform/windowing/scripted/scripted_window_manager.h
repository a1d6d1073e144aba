// A window manager without a display, for tests: it keeps the shared message
// semantics, records every call it receives as one line of text, and runs the
// steps a test scripts whenever the program waits (in its message loop or a
// modal dialog). The test owns it and installs it; handles, rectangles and
// texts in the record are formatted by the helpers below.
//
// Recorded: every WindowManager call except the message loop's own
// (GetMessage, TranslateAccelerator, TranslateMessage, DispatchMessage), e.g.
//   SendMessage(0x1004, WM_COMMAND, 0x9c46, 0)
//   DrawText(1, "text", 4, {10, 10, 230, 294}, 0x10)
//   SendMessage(0x7f000004, WM_COPYDATA, 0x0, {kind 0x51465831, 8 bytes, "/a.r"})
// Like the handheld, the stand-in paints an invalid window when the program
// waits or calls UpdateWindow, and the default procedure validates it.
// Threads do not run alongside: a thread's procedure runs on the calling
// thread the next time the program waits (before painting and steps), or
// when WaitForSingleObject asks for it first (with a time limit or without),
// so the order of calls is fixed.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/windowing/shell_services.h"
#include "platform/windowing/window_manager_base.h"

// UTF-8 form of length units of text (-1: through the terminator; null: "").
std::string Utf8Of(const char16_t* text, int length = -1);
// "0x1004" for handle 0x1004; "0" for 0.
std::string HandleText(WindowHandle window);
// The message's name ("WM_PAINT"), or its number in hex.
std::string MessageName(uint32_t message);
// "{10, 10, 230, 294}"
std::string RectText(const Rect& rect);

class ScriptedWindowManager : public WindowManagerBase {
 public:
  // The work area the stand-in reports for CW_USEDEFAULT: the handheld's
  // 240 x 320 screen below its top bar.
  static constexpr Rect WORK_AREA{0, TOP_BAR_HEIGHT, 240, 320};

  // Queues a step to run the next time the program waits. When the program
  // waits with no step left, the stand-in records "loop starved" and ends the
  // loop with quit code -1 (or a running dialog with -1), so a test that
  // forgot a step fails instead of hanging.
  void Then(std::function<void()> step);
  // Makes FindWindow see a window of another process; returns its handle.
  WindowHandle AddForeignWindow(const std::u16string& class_name, const std::u16string& title);
  // Makes the platform refuse to create windows (CreateWindowEx then gives 0).
  void FailWindowCreation() { fail_window_creation_ = true; }
  // Records a free-form line (the scripted shell services use it).
  void Note(const std::string& line) { calls_.push_back(line); }

  const std::vector<std::string>& Calls() const { return calls_; }
  // The recorded lines whose operation name (the text before '(') is one of names.
  std::vector<std::string> CallsOf(const std::vector<std::string>& names) const;
  void ClearCalls() { calls_.clear(); }

  // Whether window is shown and has an invalid area waiting for WM_PAINT.
  bool IsVisible(WindowHandle window) const;
  bool IsInvalid(WindowHandle window) const;
  // The window or dialog made last (0 before the first).
  WindowHandle NewestWindow() const { return newest_; }

  uint16_t RegisterClass(const WindowClass& window_class) override;
  WindowHandle CreateWindowEx(uint32_t ex_style, const char16_t* class_name, const char16_t* title,
                              uint32_t style, int32_t x, int32_t y, int32_t width, int32_t height,
                              WindowHandle parent, uint32_t menu, InstanceHandle instance,
                              const void* creation_data) override;
  WindowHandle FindWindow(const char16_t* class_name, const char16_t* title) override;
  bool SetWindowText(WindowHandle window, const char16_t* text) override;
  bool SetForegroundWindow(WindowHandle window) override;
  bool DestroyWindow(WindowHandle window) override;
  bool GetWindowRect(WindowHandle window, Rect* rect) override;
  bool GetClientRect(WindowHandle window, Rect* rect) override;
  bool MoveWindow(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height,
                  bool repaint) override;
  bool ShowWindow(WindowHandle window, int show) override;
  // Sends WM_PAINT when the window is invalid, as the handheld does.
  bool UpdateWindow(WindowHandle window) override;
  bool InvalidateRect(WindowHandle window, const Rect* rect, bool erase) override;
  MessageResult SendMessage(WindowHandle window, uint32_t message, WordParam wparam,
                            LongParam lparam) override;
  bool PostMessage(WindowHandle window, uint32_t message, WordParam wparam,
                   LongParam lparam) override;
  void PostQuitMessage(int code) override;
  MessageResult DefWindowProc(WindowHandle window, uint32_t message, WordParam wparam,
                              LongParam lparam) override;
  // Reports the whole client area as the paint area.
  DeviceContext BeginPaint(WindowHandle window, PaintInfo* paint) override;
  bool EndPaint(WindowHandle window, const PaintInfo* paint) override;
  // Draws nothing; returns 16 pixels per line break ("\r\n", "\r" or "\n")
  // plus one line.
  int DrawText(DeviceContext dc, const char16_t* text, int length, Rect* rect,
               uint32_t format) override;
  // Returns IDOK at once, as if the user had pressed OK.
  int MessageBox(WindowHandle owner, const char16_t* text, const char16_t* caption,
                 uint32_t type) override;
  intptr_t DialogBoxParam(InstanceHandle instance, uint32_t template_id, WindowHandle owner,
                          DialogProcedure procedure, LongParam parameter) override;
  bool EndDialog(WindowHandle dialog, intptr_t result) override;
  CursorHandle SetCursor(CursorHandle cursor) override;
  ThreadHandle CreateThread(ThreadProcedure procedure, void* parameter) override;
  uint32_t WaitForSingleObject(ThreadHandle thread, uint32_t milliseconds) override;
  bool CloseHandle(ThreadHandle thread) override;
  // The cursor shown now (0: the arrow).
  CursorHandle Cursor() const { return cursor_shown_; }

 protected:
  Rect DefaultWindowRect() override { return WORK_AREA; }
  bool CreateNativeWindow(WindowHandle window, const Rect& rect, uint32_t style) override;
  // With repaint, the window is invalid and its background to be erased.
  void MoveNativeWindow(WindowHandle window, bool repaint) override;
  void DestroyNativeWindow(WindowHandle window) override;
  WindowHandle FindForeignWindow(const char16_t* class_name, const char16_t* title) override;
  // Posts WM_PAINT for an invalid visible window first, then runs a step.
  void WaitForMessages() override;
  bool CreateNativeDialog(WindowHandle dialog, const DialogTemplate& dialog_template,
                          InstanceHandle instance, WindowHandle owner) override;
  void RunModalDialog(WindowHandle dialog) override;
  void EndNativeDialog(WindowHandle) override {}
  void ShowCursorShape(CursorHandle cursor) override { cursor_shown_ = cursor; }

 private:
  struct Surface {
    bool visible = false;
    bool invalid = false;
    bool erase = false;
  };

  struct PendingThread {
    ThreadProcedure procedure;
    void* parameter;
    bool returned = false;
  };
  // Runs a thread that has not run yet; false when none is waiting.
  bool RunPendingThread();
  void RunThread(ThreadHandle handle, PendingThread& thread);

  // Runs the next step; false (after recording "loop starved") when none is left.
  bool RunStep();

  std::vector<std::string> calls_;
  std::deque<std::function<void()>> steps_;
  std::map<WindowHandle, Surface> surfaces_;
  std::map<WindowHandle, std::pair<std::u16string, std::u16string>> foreign_;
  WindowHandle last_foreign_ = 0x7F000000u;
  bool fail_window_creation_ = false;
  WindowHandle newest_ = 0;
  std::map<ThreadHandle, PendingThread> pending_threads_;
  ThreadHandle last_pending_thread_ = 0x00F00000u;
  CursorHandle cursor_shown_ = 0;
};
