// The native message loop of the windows' thread, its wake-up from other
// threads, the owner disabled around modal dialogs, and the wait cursor.
#include "platform/win32/win32_native_state.h"

namespace win32 {

namespace {

bool waiting = false;

bool IsDialog(HWND native) {
  wchar_t name[8] = {};
  return ::GetClassNameW(native, name, 8) != 0 && ::lstrcmpW(name, L"#32770") == 0;
}

}  // namespace

HINSTANCE ProgramModule() { return ::GetModuleHandleW(nullptr); }

uint32_t PrepareThread() {
  // A single-threaded apartment: screen readers' calls on the frames'
  // accessible objects arrive through the thread's message loop.
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  MSG message{};
  ::PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  return ::GetCurrentThreadId();
}

bool PumpOne(int* quit_code) {
  MSG message{};
  const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
  if (got == 0) {
    *quit_code = static_cast<int>(message.wParam);
    return false;
  }
  if (got == -1) return true;
  HWND root = message.hwnd == nullptr ? nullptr : ::GetAncestor(message.hwnd, GA_ROOT);
  if (root != nullptr && IsDialog(root) && ::IsDialogMessageW(root, &message)) return true;
  ::TranslateMessage(&message);
  ::DispatchMessageW(&message);
  return true;
}

void RepostQuit(int code) { ::PostQuitMessage(code); }

void WakeThread(uint32_t thread) { ::PostThreadMessageW(thread, WM_NULL, 0, 0); }

void EnableOwner(HWND owner, bool enable) {
  if (owner != nullptr) ::EnableWindow(owner, enable);
}

bool ShowingWait() { return waiting; }

void SetShownCursor() { ::SetCursor(::LoadCursorW(nullptr, waiting ? IDC_WAIT : IDC_ARROW)); }

void ShowWaitCursor(bool wait) {
  waiting = wait;
  // Over a window of this thread the shape changes at once, and stays while
  // the thread is too busy to answer WM_SETCURSOR.
  POINT pointer{};
  if (!::GetCursorPos(&pointer)) return;
  HWND under = ::WindowFromPoint(pointer);
  if (under != nullptr && ::GetWindowThreadProcessId(under, nullptr) == ::GetCurrentThreadId()) {
    SetShownCursor();
  }
}

}  // namespace win32
