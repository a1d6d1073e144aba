// The message semantics every backend shares: window classes, the window
// table, the message queue and loop, sent and posted messages, the default
// procedure, accelerators, the life of modal dialogs, the stock cursors,
// the windows' rectangles and the program's threads. A backend adds the
// display (applying a placement, painting, boxes, the cursor's look) through
// the hooks at the bottom and owns its native objects; this class owns the
// window records and the threads.
#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/windowing/window_manager.h"

class WindowManagerBase : public WindowManager {
 public:
  uint16_t RegisterClass(const WindowClass& window_class) override;
  WindowHandle CreateWindowEx(uint32_t ex_style, const char16_t* class_name, const char16_t* title,
                              uint32_t style, int32_t x, int32_t y, int32_t width, int32_t height,
                              WindowHandle parent, uint32_t menu, InstanceHandle instance,
                              const void* creation_data) override;
  // Looks among this process's top-level windows first, then asks the backend.
  WindowHandle FindWindow(const char16_t* class_name, const char16_t* title) override;
  // Keeps the title in the window's record, then shows it (ShowTitle).
  bool SetWindowText(WindowHandle window, const char16_t* text) override;
  bool DestroyWindow(WindowHandle window) override;
  // A top-level window's rectangle is kept here from CreateWindowEx on;
  // MoveWindow stores it, then has the backend apply it (MoveNativeWindow).
  bool GetWindowRect(WindowHandle window, Rect* rect) override;
  // The rectangle's size, then the backend's say (ShapeClientRect).
  bool GetClientRect(WindowHandle window, Rect* rect) override;
  bool MoveWindow(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height,
                  bool repaint) override;
  MessageResult SendMessage(WindowHandle window, uint32_t message, WordParam wparam,
                            LongParam lparam) override;
  bool PostMessage(WindowHandle window, uint32_t message, WordParam wparam,
                   LongParam lparam) override;
  void PostQuitMessage(int code) override;
  // Supports window 0 and the range 0..0 (every message) only.
  int GetMessage(WindowMessage* message, WindowHandle window, uint32_t first,
                 uint32_t last) override;
  int TranslateAccelerator(WindowHandle window, AcceleratorHandle table,
                           const WindowMessage* message) override;
  bool TranslateMessage(const WindowMessage* message) override;
  MessageResult DispatchMessage(const WindowMessage* message) override;
  MessageResult DefWindowProc(WindowHandle window, uint32_t message, WordParam wparam,
                              LongParam lparam) override;
  intptr_t DialogBoxParam(InstanceHandle instance, uint32_t template_id, WindowHandle owner,
                          DialogProcedure procedure, LongParam parameter) override;
  bool EndDialog(WindowHandle dialog, intptr_t result) override;
  CursorHandle LoadCursor(InstanceHandle instance, uint32_t id) override;
  CursorHandle SetCursor(CursorHandle cursor) override;
  ThreadHandle CreateThread(ThreadProcedure procedure, void* parameter) override;
  uint32_t WaitForSingleObject(ThreadHandle thread, uint32_t milliseconds) override;
  bool CloseHandle(ThreadHandle thread) override;
  // Waits for every thread still open (a manager outlives its threads).
  ~WindowManagerBase() override;

  // A window the platform itself runs (the shell's menu bar): no procedure of
  // the program's, owned by owner and destroyed with it. 0 for an unknown owner.
  WindowHandle AddPlatformWindow(WindowHandle owner, const char16_t* class_name);
  bool IsWindow(WindowHandle window) const { return windows_.count(window) != 0; }
  // Whether window is a dialog of DialogBoxParam that has not ended yet.
  bool IsRunningDialog(WindowHandle window) const;

 protected:
  // The one device context a backend hands out: the paint in progress.
  static constexpr DeviceContext PAINT_CONTEXT = 1;

  enum class WindowKind { TopLevel, Dialog, Platform };

  struct WindowRecord {
    WindowKind kind;
    std::u16string class_name;
    std::u16string title;
    WindowProcedure procedure = nullptr;         // TopLevel
    DialogProcedure dialog_procedure = nullptr;  // Dialog
    WindowHandle owner = 0;
    uint32_t class_style = 0;
    BrushHandle background = nullptr;
    IconHandle icon = nullptr;
    const DialogTemplate* dialog_template = nullptr;
    bool destroying = false;
    bool dialog_ended = false;
    intptr_t dialog_result = 0;
    bool placed = false;  // rect holds the window's screen rectangle
    Rect rect{};
  };

  const WindowRecord* Record(WindowHandle window) const;
  // The top-level window of window: itself, or the owner its chain leads to.
  WindowHandle TopLevelOf(WindowHandle window) const;
  // The screen rectangle of a placed window; null for any other.
  const Rect* Placement(WindowHandle window) const;
  // Gives a known window the rectangle rect (false for an unknown one); the
  // backend applies it itself.
  bool Place(WindowHandle window, const Rect& rect);
  // Moves a placed window's right and bottom edges by dw and dh.
  void GrowWindow(WindowHandle window, int dw, int dh);

  // The rectangle CW_USEDEFAULT stands for, in screen coordinates.
  virtual Rect DefaultWindowRect() = 0;
  // Makes the native side of a new top-level or platform window; false when
  // it cannot (the window is then forgotten).
  virtual bool CreateNativeWindow(WindowHandle window, const Rect& rect, uint32_t style) = 0;
  // Applies a placed window's new rectangle (Placement) to its native side;
  // with repaint, the window is invalidated whole.
  virtual void MoveNativeWindow(WindowHandle window, bool repaint) = 0;
  // Fits the client rectangle of a placed window, its size so far, to what
  // the window shows (a scroll bar's width off, a taller text's height).
  virtual void ShapeClientRect(WindowHandle, Rect*) {}
  // Drops the native side of any window; called once, after WM_DESTROY.
  virtual void DestroyNativeWindow(WindowHandle window) = 0;
  // Shows a top-level window's new title on its frame; the record holds it
  // already. Without a frame to show it on, nothing.
  virtual void ShowTitle(WindowHandle, const std::u16string&) {}
  // A matching window of another process (0: none; title null: any title).
  virtual WindowHandle FindForeignWindow(const char16_t* class_name, const char16_t* title) = 0;
  // Blocks until PostMessage or PostQuitMessage has been called (the backend
  // runs its own events meanwhile).
  virtual void WaitForMessages() = 0;
  // Builds the native dialog of a template, hidden; false when it cannot.
  virtual bool CreateNativeDialog(WindowHandle dialog, const DialogTemplate& dialog_template,
                                  InstanceHandle instance, WindowHandle owner) = 0;
  // Shows the dialog and runs a modal loop until EndNativeDialog.
  virtual void RunModalDialog(WindowHandle dialog) = 0;
  virtual void EndNativeDialog(WindowHandle dialog) = 0;
  // Shows cursor (a stock id; 0: the arrow) over the program's windows.
  virtual void ShowCursorShape(CursorHandle cursor) = 0;
  // Wakes WaitForMessages after another thread has posted a message; called
  // on that thread.
  virtual void WakeMessageLoop() {}
  // True on the thread that made the manager (the windows' thread).
  bool OnWindowThread() const { return std::this_thread::get_id() == window_thread_; }
  // Makes GetMessage return quit at once, without the program posting it
  // (the backend can no longer run the loop).
  void ForceQuit(int code);

 private:
  WindowHandle NewHandle();
  // Calls the window's procedure (the default one for platform windows).
  MessageResult Deliver(WindowHandle window, uint32_t message, WordParam wparam, LongParam lparam);

  std::map<std::u16string, WindowClass> classes_;
  std::map<WindowHandle, WindowRecord> windows_;
  std::mutex queue_lock_;  // guards queue_: other threads post to it
  std::deque<WindowMessage> queue_;
  // A thread's end, told by the thread itself so that a wait can time out.
  struct ThreadEnd {
    std::mutex lock;
    std::condition_variable ended;
    bool done = false;
  };
  struct ThreadRecord {
    std::thread thread;
    std::shared_ptr<ThreadEnd> end;
  };
  std::map<ThreadHandle, ThreadRecord> threads_;
  ThreadHandle last_thread_ = 0x00F00000u;
  CursorHandle cursor_ = 0;
  std::thread::id window_thread_ = std::this_thread::get_id();
  WindowHandle last_handle_ = 0x00001000u;
  uint16_t last_atom_ = 0xC000;
  bool quit_pending_ = false;
  int quit_code_ = 0;
};
