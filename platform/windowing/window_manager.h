// The window-manager service: windows, their procedures and messages, the
// message loop, painting, message boxes and modal dialogs, in the handheld's
// terms. The process installs one WindowManager (the Qt backend, or the
// scripted stand-in in tests); the free functions below forward to it.
// Texts cross as UTF-16 and are only read during the call. Window handles are
// 32 bits wide with bit 0 clear (SetForegroundWindow uses that bit). One
// thread runs the windows: every call, procedure and modal loop runs on the
// installing thread, except PostMessage, which a thread made by CreateThread
// may also call (to post its completion to a window).
#pragma once

#include <cstdint>

#include "platform/windowing/resources.h"

using WindowHandle = uint32_t;   // 0: no window
using DeviceContext = uint32_t;  // 0: no drawing surface
using WordParam = uintptr_t;
using LongParam = intptr_t;
using MessageResult = intptr_t;
using CursorHandle = uint32_t;  // 0: no cursor
using ThreadHandle = uint32_t;  // 0: no thread

// A window's procedure: the result depends on the message (0 when handled).
using WindowProcedure = MessageResult (*)(WindowHandle window, uint32_t message, WordParam wparam,
                                          LongParam lparam);
// A thread's body: its result is the thread's exit code.
using ThreadProcedure = uint32_t (*)(void* parameter);
// A dialog's procedure: true when it handled the message.
using DialogProcedure = bool (*)(WindowHandle dialog, uint32_t message, WordParam wparam,
                                 LongParam lparam);

// Messages.
constexpr uint32_t WM_CREATE = 0x0001;         // sent by CreateWindowEx; lparam 0
constexpr uint32_t WM_DESTROY = 0x0002;        // sent by DestroyWindow before the window goes
constexpr uint32_t WM_ACTIVATE = 0x0006;       // wparam WA_*, lparam the other window (or 0)
constexpr uint32_t WM_PAINT = 0x000F;          // the window should draw itself (BeginPaint)
constexpr uint32_t WM_CLOSE = 0x0010;          // close request; the default destroys the window
constexpr uint32_t WM_QUIT = 0x0012;           // ends GetMessage; wparam the exit code
constexpr uint32_t WM_SETTINGCHANGE = 0x001A;  // wparam SPI_* of the changed setting
constexpr uint32_t WM_COPYDATA = 0x004A;       // wparam the sender (or 0), lparam a CopyData*
constexpr uint32_t WM_KEYDOWN = 0x0100;        // wparam virtual key, lparam MOD_* held
constexpr uint32_t WM_INITDIALOG = 0x0110;     // first dialog message; lparam the parameter
constexpr uint32_t WM_COMMAND = 0x0111;        // wparam: low word id, high word 1 = accelerator
constexpr uint32_t WM_USER = 0x0400;           // the first message a program defines for itself

// WM_ACTIVATE states.
constexpr WordParam WA_INACTIVE = 0;
constexpr WordParam WA_ACTIVE = 1;

// WM_SETTINGCHANGE settings: the work area (the screen less the shell's bars)
// and the input panel.
constexpr WordParam SPI_SETWORKAREA = 0x002F;
constexpr WordParam SPI_SETSIPINFO = 0x00E0;

// Modifier keys held with a WM_KEYDOWN (its lparam).
constexpr LongParam MOD_ALT = 0x0001;
constexpr LongParam MOD_CONTROL = 0x0002;
constexpr LongParam MOD_SHIFT = 0x0004;

// Class styles: redraw the whole window when its width or height changes.
constexpr uint32_t CS_VREDRAW = 0x0001;
constexpr uint32_t CS_HREDRAW = 0x0002;

// Position or size chosen by the platform: the work area.
constexpr int32_t CW_USEDEFAULT = INT32_MIN;  // 0x80000000

// ShowWindow states.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOW = 5;

// Stock cursors (LoadCursor with instance 0): the arrow, and the hourglass
// shown while the program is busy.
constexpr uint32_t IDC_ARROW = 32512;
constexpr uint32_t IDC_WAIT = 32514;

// WaitForSingleObject: wait without a time limit; results.
constexpr uint32_t INFINITE = 0xFFFFFFFFu;
constexpr uint32_t WAIT_OBJECT_0 = 0;
constexpr uint32_t WAIT_TIMEOUT = 0x00000102u;
constexpr uint32_t WAIT_FAILED = 0xFFFFFFFFu;

// DrawText formats.
constexpr uint32_t DT_WORDBREAK = 0x0010;

// Message boxes: type MB_OK (one OK button, no icon), with MB_ICONWARNING a
// warning sign beside the text, with MB_ICONINFORMATION an information
// sign; results.
constexpr uint32_t MB_OK = 0x0000;
constexpr uint32_t MB_ICONWARNING = 0x0030;
constexpr uint32_t MB_ICONINFORMATION = 0x0040;
constexpr uint32_t MB_ICONMASK = 0x00F0;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

inline uint16_t LowWord(WordParam w) { return static_cast<uint16_t>(w & 0xFFFF); }
inline uint16_t HighWord(WordParam w) { return static_cast<uint16_t>((w >> 16) & 0xFFFF); }
inline WordParam MakeWordParam(uint16_t low, uint16_t high) {
  return static_cast<WordParam>(low) | (static_cast<WordParam>(high) << 16);
}

struct Rect {
  int32_t left, top, right, bottom;
};
inline bool operator==(const Rect& a, const Rect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

struct WindowMessage {
  WindowHandle window;  // 0 for a thread message (WM_QUIT)
  uint32_t message;
  WordParam wparam;
  LongParam lparam;
};

// The record of WM_COPYDATA: data the receiving procedure may read during
// the call only. Sent to a window of another process, the bytes are copied
// across and the receiver sees its own copy.
struct CopyData {
  uintptr_t kind;    // what the bytes mean, agreed between sender and receiver
  uint32_t size;     // bytes at data
  const void* data;  // may be null when size is 0
};

struct WindowClass {
  uint32_t style;  // CS_*
  WindowProcedure procedure;
  int class_extra;   // must be 0: no per-class storage
  int window_extra;  // must be 0: no per-window storage
  InstanceHandle instance;
  IconHandle icon;
  const void* cursor;  // no cursors: must be null
  BrushHandle background;
  const char16_t* menu_name;  // no class menus: must be null
  const char16_t* class_name;
};

struct PaintInfo {
  DeviceContext dc;
  bool erase;  // true when the window should paint its own background
  Rect paint;  // the area to repaint, in client coordinates
};

class WindowManager {
 public:
  virtual ~WindowManager() = default;

  // Window classes and windows.
  // Registers a class under its name; returns a non-zero atom, or 0 when the
  // name is taken, empty, or the class asks for extra bytes, a cursor or a menu.
  virtual uint16_t RegisterClass(const WindowClass& window_class) = 0;
  // Creates a top-level window of a registered class at (x, y) with size
  // width x height (CW_USEDEFAULT for all four: the work area), sends it
  // WM_CREATE and returns it; 0 when the class is unknown, the platform
  // cannot make the window, or WM_CREATE returns -1 (the window is then gone).
  virtual WindowHandle CreateWindowEx(uint32_t ex_style, const char16_t* class_name,
                                      const char16_t* title, uint32_t style, int32_t x, int32_t y,
                                      int32_t width, int32_t height, WindowHandle parent,
                                      uint32_t menu, InstanceHandle instance,
                                      const void* creation_data) = 0;
  // The top-level window with exactly this class name and title (title null:
  // any title), in this process or another of the same user's; 0 when none
  // runs.
  virtual WindowHandle FindWindow(const char16_t* class_name, const char16_t* title) = 0;
  // Makes text (null: empty) the title of a top-level window, the one its
  // frame and the desktop's task list show; false for 0, an unknown handle
  // or a window that is not top-level.
  virtual bool SetWindowText(WindowHandle window, const char16_t* text) = 0;
  // Brings window to the front and activates it; with bit 0 of the handle set,
  // its owned windows (open dialogs and message boxes) come forward too.
  // False for 0 or an unknown handle.
  virtual bool SetForegroundWindow(WindowHandle window) = 0;
  // Sends WM_DESTROY, then removes the window and the windows it owns.
  // False for 0 or an unknown handle.
  virtual bool DestroyWindow(WindowHandle window) = 0;

  // Placement, in screen coordinates. Each of these is false for 0 or an
  // unknown window.
  // The rectangle made or last given to MoveWindow, exactly.
  virtual bool GetWindowRect(WindowHandle window, Rect* rect) = 0;
  // The client area: left and top are 0. Before the window has drawn
  // anything it is the window's own width and height; afterwards a backend
  // may take a scroll bar's width off it and give the drawn text's height
  // where that is taller.
  virtual bool GetClientRect(WindowHandle window, Rect* rect) = 0;
  // Places the window; with repaint, WM_PAINT follows.
  virtual bool MoveWindow(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height,
                          bool repaint) = 0;
  // Shows (any state but SW_HIDE) or hides the window; the result tells
  // whether it was visible before the call.
  virtual bool ShowWindow(WindowHandle window, int show) = 0;
  // Sends WM_PAINT before it returns when the window is shown and part of it
  // is invalid; a window with nothing invalid gets no WM_PAINT.
  virtual bool UpdateWindow(WindowHandle window) = 0;
  // Marks rect (null: the whole client area) for repainting; erase asks for
  // the class background to be painted first. The message loop then sends
  // WM_PAINT, whose paint area covers rect.
  virtual bool InvalidateRect(WindowHandle window, const Rect* rect, bool erase) = 0;

  // Messages and the loop.
  // Calls the window's procedure now and returns its result (0 for an unknown
  // window). To a window of another process only WM_COPYDATA is delivered:
  // its bytes are copied across, and the result is 1 when they were handed
  // over (the receiver's own result does not come back), 0 otherwise.
  virtual MessageResult SendMessage(WindowHandle window, uint32_t message, WordParam wparam,
                                    LongParam lparam) = 0;
  // Queues a message for GetMessage; false for 0 or an unknown window. From a
  // thread made by CreateThread the window is not looked up (the result is
  // true): a message whose window is gone when it is read is dropped.
  virtual bool PostMessage(WindowHandle window, uint32_t message, WordParam wparam,
                           LongParam lparam) = 0;
  // Makes GetMessage return 0 with WM_QUIT (wparam code) once the queue is empty.
  virtual void PostQuitMessage(int code) = 0;
  // Waits for the next message of the thread (window and filter range 0: all)
  // and stores it; returns 0 for WM_QUIT, 1 otherwise.
  virtual int GetMessage(WindowMessage* message, WindowHandle window, uint32_t first,
                         uint32_t last) = 0;
  // When message is a WM_KEYDOWN matching an entry of table (key and exactly
  // the modifiers it names), sends window WM_COMMAND (entry command, high word
  // 1) and returns 1; otherwise 0.
  virtual int TranslateAccelerator(WindowHandle window, AcceleratorHandle table,
                                   const WindowMessage* message) = 0;
  // Turns key messages into character messages; the program reads no
  // characters, so this platform makes none and returns false.
  virtual bool TranslateMessage(const WindowMessage* message) = 0;
  // Hands message to its window's procedure and returns the result.
  virtual MessageResult DispatchMessage(const WindowMessage* message) = 0;
  // The default handling: WM_CLOSE destroys the window; everything else is
  // ignored and gives 0.
  virtual MessageResult DefWindowProc(WindowHandle window, uint32_t message, WordParam wparam,
                                      LongParam lparam) = 0;

  // Painting, only between BeginPaint and EndPaint of one WM_PAINT.
  // Validates the window and returns the device context (0 when the platform
  // cannot draw now).
  virtual DeviceContext BeginPaint(WindowHandle window, PaintInfo* paint) = 0;
  virtual bool EndPaint(WindowHandle window, const PaintInfo* paint) = 0;
  // Draws length units of text (-1: through its terminator) inside rect in
  // the context's font, black on white; "\r\n", "\r" and "\n" break lines;
  // DT_WORDBREAK also breaks lines between words that would cross the right
  // edge. Returns the height of the drawn text in pixels (0 on failure).
  virtual int DrawText(DeviceContext dc, const char16_t* text, int length, Rect* rect,
                       uint32_t format) = 0;

  // Cursors.
  // The stock cursor id (IDC_ARROW, IDC_WAIT) of instance 0; 0 for any other.
  virtual CursorHandle LoadCursor(InstanceHandle instance, uint32_t id) = 0;
  // Shows cursor over every window of the program (0: the arrow) until the
  // next SetCursor, also while the thread is busy and not reading messages;
  // returns the cursor shown before (0 before the first call).
  virtual CursorHandle SetCursor(CursorHandle cursor) = 0;

  // Threads. The program's windows stay on the installing thread; another
  // thread may only compute and PostMessage. Termination signals are never
  // delivered on a thread made here, so their handlers run on the window's.
  // Starts procedure(parameter) on a new thread; 0 when it cannot.
  virtual ThreadHandle CreateThread(ThreadProcedure procedure, void* parameter) = 0;
  // Waits until thread has returned and gives WAIT_OBJECT_0, or at most
  // milliseconds (INFINITE: no limit) and gives WAIT_TIMEOUT; WAIT_FAILED for
  // 0, an unknown or a closed handle.
  virtual uint32_t WaitForSingleObject(ThreadHandle thread, uint32_t milliseconds) = 0;
  // Forgets a thread that has returned (waiting for it first if need be);
  // false for 0 or an unknown handle.
  virtual bool CloseHandle(ThreadHandle thread) = 0;

  // Modal boxes: both run their own loop and return when dismissed.
  // Shows text with caption and one OK button (type MB_OK, optionally with
  // MB_ICONWARNING or MB_ICONINFORMATION; other types are shown as MB_OK); returns IDOK, or 0 when
  // it cannot be shown. A box with no owner window carries the program's
  // icon, as its windows do.
  virtual int MessageBox(WindowHandle owner, const char16_t* text, const char16_t* caption,
                         uint32_t type) = 0;
  // Builds dialog template_id of instance, sends its procedure WM_INITDIALOG
  // with `parameter`, runs it modally (owner disabled meanwhile) until
  // EndDialog, and returns EndDialog's result; -1 when the template is unknown
  // or the dialog cannot be made.
  virtual intptr_t DialogBoxParam(InstanceHandle instance, uint32_t template_id, WindowHandle owner,
                                  DialogProcedure procedure, LongParam parameter) = 0;
  // Ends the modal loop of dialog with result; false for a window that is
  // not a running dialog.
  virtual bool EndDialog(WindowHandle dialog, intptr_t result) = 0;
};

// Makes manager the one behind the functions below (not owned; null uninstalls).
void InstallWindowManager(WindowManager* manager);
WindowManager* InstalledWindowManager();

// The platform API: each forwards to the installed manager; with none
// installed, handles and results are 0 (DialogBoxParam: -1, WaitForSingleObject:
// WAIT_FAILED).
uint16_t RegisterClass(const WindowClass& window_class);
WindowHandle CreateWindowEx(uint32_t ex_style, const char16_t* class_name, const char16_t* title,
                            uint32_t style, int32_t x, int32_t y, int32_t width, int32_t height,
                            WindowHandle parent, uint32_t menu, InstanceHandle instance,
                            const void* creation_data);
WindowHandle FindWindow(const char16_t* class_name, const char16_t* title);
bool SetWindowText(WindowHandle window, const char16_t* text);
bool SetForegroundWindow(WindowHandle window);
bool DestroyWindow(WindowHandle window);
bool GetWindowRect(WindowHandle window, Rect* rect);
bool GetClientRect(WindowHandle window, Rect* rect);
bool MoveWindow(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height,
                bool repaint);
bool ShowWindow(WindowHandle window, int show);
bool UpdateWindow(WindowHandle window);
bool InvalidateRect(WindowHandle window, const Rect* rect, bool erase);
MessageResult SendMessage(WindowHandle window, uint32_t message, WordParam wparam,
                          LongParam lparam);
bool PostMessage(WindowHandle window, uint32_t message, WordParam wparam, LongParam lparam);
void PostQuitMessage(int code);
int GetMessage(WindowMessage* message, WindowHandle window, uint32_t first, uint32_t last);
int TranslateAccelerator(WindowHandle window, AcceleratorHandle table,
                         const WindowMessage* message);
bool TranslateMessage(const WindowMessage* message);
MessageResult DispatchMessage(const WindowMessage* message);
MessageResult DefWindowProc(WindowHandle window, uint32_t message, WordParam wparam,
                            LongParam lparam);
DeviceContext BeginPaint(WindowHandle window, PaintInfo* paint);
bool EndPaint(WindowHandle window, const PaintInfo* paint);
int DrawText(DeviceContext dc, const char16_t* text, int length, Rect* rect, uint32_t format);
int MessageBox(WindowHandle owner, const char16_t* text, const char16_t* caption, uint32_t type);
intptr_t DialogBoxParam(InstanceHandle instance, uint32_t template_id, WindowHandle owner,
                        DialogProcedure procedure, LongParam parameter);
bool EndDialog(WindowHandle dialog, intptr_t result);
CursorHandle LoadCursor(InstanceHandle instance, uint32_t id);
CursorHandle SetCursor(CursorHandle cursor);
ThreadHandle CreateThread(ThreadProcedure procedure, void* parameter);
uint32_t WaitForSingleObject(ThreadHandle thread, uint32_t milliseconds);
bool CloseHandle(ThreadHandle thread);
