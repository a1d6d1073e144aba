#include "platform/win32/testing/win32_test_calls.h"

#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/win32/testing/win32_user_calls.h"

namespace win32_testing {

namespace {

const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

std::u16string TextOfWindow(HWND native) {
  wchar_t text[512] = {};
  int length = ::GetWindowTextW(native, text, 512);
  return std::u16string(reinterpret_cast<const char16_t*>(text), static_cast<size_t>(length));
}

}  // namespace

HWND FindTopLevel(const char16_t* class_name, const char16_t* title) {
  return ::FindWindowW(Wide(class_name), Wide(title));
}

std::u16string TitleOf(HWND native) { return TextOfWindow(native); }
bool IsRealWindow(HWND native) { return ::IsWindow(native) != FALSE; }
bool IsVisible(HWND native) { return ::IsWindowVisible(native) != FALSE; }
bool IsEnabled(HWND native) { return ::IsWindowEnabled(native) != FALSE; }

Size ClientSize(HWND native) {
  RECT client{};
  ::GetClientRect(native, &client);
  return Size{client.right, client.bottom};
}

Box ScreenBox(HWND native) {
  RECT outer{};
  ::GetWindowRect(native, &outer);
  return Box{outer.left, outer.top, outer.right, outer.bottom};
}

Box ClientScreenBox(HWND native) {
  RECT client{};
  ::GetClientRect(native, &client);
  ::MapWindowPoints(native, nullptr, reinterpret_cast<POINT*>(&client), 2);
  return Box{client.left, client.top, client.right, client.bottom};
}

void GrowFrame(HWND native, int dw, int dh) {
  RECT outer{};
  ::GetWindowRect(native, &outer);
  ::SetWindowPos(native, nullptr, 0, 0, outer.right - outer.left + dw,
                 outer.bottom - outer.top + dh, SWP_NOMOVE | SWP_NOZORDER);
}

void RepaintNow(HWND native) {
  ::InvalidateRect(native, nullptr, FALSE);
  ::UpdateWindow(native);
}

namespace {

// Whether dc holds a pixel neither white nor invalid in the rectangle,
// moved by (dx, dy).
bool InkIn(HDC dc, int dx, int dy, int left, int top, int right, int bottom) {
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      COLORREF pixel = ::GetPixel(dc, x + dx, y + dy);
      if (pixel != CLR_INVALID && pixel != RGB(255, 255, 255)) return true;
    }
  }
  return false;
}

}  // namespace

bool HasInk(HWND native, int left, int top, int right, int bottom) {
  HDC dc = ::GetDC(native);
  const bool ink = InkIn(dc, 0, 0, left, top, right, bottom);
  ::ReleaseDC(native, dc);
  return ink;
}

bool ScreenHasInk(HWND native, int left, int top, int right, int bottom) {
  POINT origin{0, 0};
  ::ClientToScreen(native, &origin);
  HDC screen = ::GetDC(nullptr);
  const bool ink = InkIn(screen, origin.x, origin.y, left, top, right, bottom);
  ::ReleaseDC(nullptr, screen);
  return ink;
}

int TextLineHeight() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  HDC screen = ::GetDC(nullptr);
  LOGFONTW face = metrics.lfMessageFont;
  face.lfHeight = -::MulDiv(9, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
  face.lfWidth = 0;
  HFONT font = ::CreateFontIndirectW(&face);
  HGDIOBJ previous = ::SelectObject(screen, font);
  TEXTMETRICW text{};
  ::GetTextMetricsW(screen, &text);
  ::SelectObject(screen, previous);
  ::DeleteObject(font);
  ::ReleaseDC(nullptr, screen);
  return text.tmHeight;
}

void SendKey(HWND native, uint32_t virtual_key) {
  ::SendMessageW(native, WM_KEYDOWN, virtual_key, 1);
}
void HoldKeys(bool control, bool shift) {
  BYTE state[256] = {};
  ::GetKeyboardState(state);
  state[VK_CONTROL] = control ? 0x80 : 0;
  state[VK_SHIFT] = shift ? 0x80 : 0;
  ::SetKeyboardState(state);
}

void SendClose(HWND native) { ::SendMessageW(native, WM_CLOSE, 0, 0); }
void PostMenuCommand(HWND native, uint16_t id) {
  ::PostMessageW(native, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}
void SendSetCursor(HWND native) {
  ::SendMessageW(native, WM_SETCURSOR, reinterpret_cast<WPARAM>(native),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
}
bool ShowsWaitCursor() { return ::GetCursor() == ::LoadCursorW(nullptr, IDC_WAIT); }
int ScrollPosition(HWND native) { return ::GetScrollPos(native, SB_VERT); }
int SystemScrollBarWidth() { return ::GetSystemMetrics(SM_CXVSCROLL); }

void PostDrop(HWND native, const std::vector<std::u16string>& paths) {
  size_t units = 1;
  for (const auto& path : paths) units += path.size() + 1;
  HGLOBAL memory = ::GlobalAlloc(GHND, sizeof(DROPFILES) + units * sizeof(wchar_t));
  auto* drop = static_cast<DROPFILES*>(::GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  auto* text = reinterpret_cast<char16_t*>(drop + 1);
  for (const auto& path : paths) {
    std::memcpy(text, path.c_str(), (path.size() + 1) * sizeof(char16_t));
    text += path.size() + 1;
  }
  ::GlobalUnlock(memory);
  ::PostMessageW(native, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

void PumpPending() {
  MSG message{};
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

namespace {

thread_local std::function<void()> timer_action;

void CALLBACK RunTimerAction(HWND, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(nullptr, timer);
  std::function<void()> action = std::move(timer_action);
  timer_action = nullptr;
  if (action) action();
}

}  // namespace

void RunFromLoopAfter(int milliseconds, std::function<void()> action) {
  timer_action = std::move(action);
  ::SetTimer(nullptr, 0, static_cast<UINT>(milliseconds), &RunTimerAction);
}

HWND ForegroundWindow() { return ::GetForegroundWindow(); }

void PressOk(HWND dialog) { ::PostMessageW(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0); }

struct LoopWatchdog::State {
  std::thread thread;
  std::mutex lock;
  std::condition_variable cancelled;
  bool cancel = false;
};

LoopWatchdog::LoopWatchdog(int milliseconds) : state_(std::make_unique<State>()) {
  State* state = state_.get();
  const DWORD thread = ::GetCurrentThreadId();
  state->thread = std::thread([state, thread, milliseconds] {
    std::unique_lock<std::mutex> hold(state->lock);
    if (!state->cancelled.wait_for(hold, std::chrono::milliseconds(milliseconds),
                                   [state] { return state->cancel; })) {
      ::PostThreadMessageW(thread, WM_QUIT, 99, 0);
    }
  });
}

LoopWatchdog::~LoopWatchdog() {
  {
    std::lock_guard<std::mutex> hold(state_->lock);
    state_->cancel = true;
  }
  state_->cancelled.notify_all();
  state_->thread.join();
}

HMENU MakeMenu(const char16_t* popup, const char16_t* item, uint16_t id) {
  HMENU bar = ::CreateMenu();
  HMENU items = ::CreatePopupMenu();
  ::AppendMenuW(items, MF_STRING, id, Wide(item));
  ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(items), Wide(popup));
  return bar;
}

bool HasMenu(HWND native) { return ::GetMenu(native) != nullptr; }

struct OtherProgram::State {
  std::u16string class_name;
  std::thread thread;
  DWORD thread_id = 0;
  HWND window = nullptr;
  mutable std::mutex lock;
  std::condition_variable ready;
  std::vector<Received> received;
};

namespace {

LRESULT CALLBACK OtherProcedure(HWND native, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_COPYDATA) {
    auto* owner = reinterpret_cast<std::vector<OtherProgram::Received>*>(
        ::GetWindowLongPtrW(native, GWLP_USERDATA));
    auto* lock = reinterpret_cast<std::mutex*>(::GetPropW(native, L"lock"));
    const auto* record = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
    std::lock_guard<std::mutex> hold(*lock);
    owner->push_back(
        {record->dwData, std::string(static_cast<const char*>(record->lpData), record->cbData)});
    return 7;  // not 1: the sender's result must not depend on it
  }
  return ::DefWindowProcW(native, message, wparam, lparam);
}

}  // namespace

OtherProgram::OtherProgram(const char16_t* class_name) : state_(std::make_unique<State>()) {
  state_->class_name = class_name;
  State* state = state_.get();
  state->thread = std::thread([state] {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = &OtherProcedure;
    window_class.hInstance = ::GetModuleHandleW(nullptr);
    window_class.lpszClassName = Wide(state->class_name.c_str());
    ::RegisterClassW(&window_class);
    HWND window = ::CreateWindowExW(0, window_class.lpszClassName, L"other", WS_OVERLAPPED, 0, 0,
                                    100, 100, nullptr, nullptr, window_class.hInstance, nullptr);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state->received));
    ::SetPropW(window, L"lock", &state->lock);
    {
      std::lock_guard<std::mutex> hold(state->lock);
      state->thread_id = ::GetCurrentThreadId();
      state->window = window;
    }
    state->ready.notify_all();
    MSG message{};
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
      if (message.message == WM_APP) {
        // A send asked by the test's thread: wparam the target, lparam the record.
        auto* record = reinterpret_cast<COPYDATASTRUCT*>(message.lParam);
        auto* result = static_cast<std::atomic<intptr_t>*>(::GetPropW(window, L"result"));
        result->store(::SendMessageW(reinterpret_cast<HWND>(message.wParam), WM_COPYDATA,
                                     reinterpret_cast<WPARAM>(window),
                                     reinterpret_cast<LPARAM>(record)));
        continue;
      }
      ::DispatchMessageW(&message);
    }
    ::DestroyWindow(window);
  });
  std::unique_lock<std::mutex> hold(state->lock);
  state->ready.wait(hold, [state] { return state->window != nullptr; });
}

OtherProgram::~OtherProgram() {
  ::PostThreadMessageW(state_->thread_id, WM_QUIT, 0, 0);
  state_->thread.join();
}

HWND OtherProgram::Window() const { return state_->window; }

std::vector<OtherProgram::Received> OtherProgram::ReceivedData() const {
  std::lock_guard<std::mutex> hold(state_->lock);
  return state_->received;
}

intptr_t OtherProgram::SendCopyData(HWND target, uintptr_t kind, const std::string& bytes) {
  COPYDATASTRUCT record{kind, static_cast<DWORD>(bytes.size()), const_cast<char*>(bytes.data())};
  std::atomic<intptr_t> result{-1};
  ::SetPropW(state_->window, L"result", &result);
  ::PostThreadMessageW(state_->thread_id, WM_APP, reinterpret_cast<WPARAM>(target),
                       reinterpret_cast<LPARAM>(&record));
  // The other thread's SendMessageW waits for this thread to take the message.
  while (result.load() == -1) {
    PumpPending();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return result.load();
}

struct DialogWatcher::State {
  std::thread thread;
  std::atomic<bool> stop{false};
  std::atomic<bool> acted{false};
  std::atomic<bool> had_icon{false};
  mutable std::mutex lock;
  std::u16string seen;
  std::vector<std::u16string> cut;
  uint32_t sign = 0;
};

DialogWatcher::DialogWatcher(const char16_t* caption, DialogAction action)
    : state_(std::make_unique<State>()) {
  State* state = state_.get();
  std::u16string title = caption;
  state->thread = std::thread([state, title, action] {
    while (!state->stop.load()) {
      HWND dialog = ::FindWindowW(L"#32770", Wide(title.c_str()));
      if (dialog == nullptr || !::IsWindowVisible(dialog)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        continue;
      }
      {
        std::lock_guard<std::mutex> hold(state->lock);
        state->seen = StaticTexts(dialog);
        state->cut = win32_testing::CutTexts(dialog);
        state->sign = BoxSign(dialog);
      }
      state->had_icon.store(::SendMessageW(dialog, WM_GETICON, ICON_BIG, 0) != 0);
      if (action == DialogAction::PressOk) {
        PressOk(dialog);
      } else {
        ::PostMessageW(dialog, WM_CLOSE, 0, 0);
      }
      state->acted.store(true);
      return;
    }
  });
}

DialogWatcher::~DialogWatcher() {
  state_->stop.store(true);
  state_->thread.join();
}

std::u16string DialogWatcher::SeenText() const {
  std::lock_guard<std::mutex> hold(state_->lock);
  return state_->seen;
}

std::vector<std::u16string> DialogWatcher::CutTexts() const {
  std::lock_guard<std::mutex> hold(state_->lock);
  return state_->cut;
}

uint32_t DialogWatcher::Sign() const {
  std::lock_guard<std::mutex> hold(state_->lock);
  return state_->sign;
}

bool DialogWatcher::Acted() const { return state_->acted.load(); }
bool DialogWatcher::HadIcon() const { return state_->had_icon.load(); }

}  // namespace win32_testing
