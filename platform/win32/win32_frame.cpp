// The program's frames on user32 and shell32: their class, their procedure
// (paint, close, activation, keys, menu commands, drops, WM_COPYDATA,
// resizing, the cursor, screen readers' WM_GETOBJECT), their placement,
// their menu, and the windows of other programs.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "platform/win32/win32_native_state.h"

namespace win32 {

namespace {

constexpr DWORD FRAME_STYLE = WS_OVERLAPPEDWINDOW;
// How long a WM_COPYDATA may wait for a receiver that does not answer.
constexpr UINT COPY_DATA_TIMEOUT_MS = 5000;

// The client area's width as the program counts it: the scroll bar's included.
SIZE ProgramClientSize(HWND native) {
  RECT client{};
  ::GetClientRect(native, &client);
  return SIZE{client.right + ScrollBarWidth(native), client.bottom};
}

uint32_t HeldModifiers() {
  uint32_t held = 0;
  if (::GetKeyState(VK_CONTROL) < 0) held |= HELD_CONTROL;
  if (::GetKeyState(VK_SHIFT) < 0) held |= HELD_SHIFT;
  if (::GetKeyState(VK_MENU) < 0) held |= HELD_ALT;
  return held;
}

bool KeyDown(HWND native, FrameState& state, WPARAM key) {
  const uint32_t held = HeldModifiers();
  if (held == 0 && ScrollForKey(native, state, key)) return true;
  const bool letter = key >= 'A' && key <= 'Z';
  const bool digit = key >= '0' && key <= '9';
  if (!letter && !digit) return false;
  state.events->OnKey(state.window, static_cast<uint32_t>(key), held);
  return true;
}

void Drop(FrameState& state, HDROP drop) {
  std::vector<std::u16string> paths;
  const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFFu, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = ::DragQueryFileW(drop, i, nullptr, 0);
    std::u16string path(length, u'\0');
    ::DragQueryFileW(drop, i, reinterpret_cast<wchar_t*>(path.data()), length + 1);
    paths.push_back(std::move(path));
  }
  state.events->OnDrop(state.window, std::move(paths));
  ::DragFinish(drop);
}

void CopyDataArrived(FrameState& state, const COPYDATASTRUCT& record) {
  // The sender waits only until the bytes are copied.
  std::string bytes;
  if (record.lpData != nullptr)
    bytes.assign(static_cast<const char*>(record.lpData), record.cbData);
  ::ReplyMessage(TRUE);
  state.events->OnCopyData(state.window, record.dwData, bytes.data(),
                           static_cast<uint32_t>(bytes.size()));
}

void Resized(HWND native, FrameState& state) {
  FitScrollBar(native, state);
  const SIZE size = ProgramClientSize(native);
  const int dw = size.cx - state.width;
  const int dh = size.cy - state.height;
  if (state.program_resizing || (dw == 0 && dh == 0)) return;
  state.width = size.cx;
  state.height = size.cy;
  state.events->OnResized(state.window, dw, dh);
}

// A shown, enabled window native owns (its modal box or dialog), or null;
// in this process or another.
HWND EnabledPopup(HWND native) {
  struct Search {
    HWND owner;
    HWND found;
  } search{native, nullptr};
  auto look = [](HWND candidate, LPARAM parameter) -> BOOL {
    auto* search = reinterpret_cast<Search*>(parameter);
    if (::GetWindow(candidate, GW_OWNER) != search->owner || !::IsWindowVisible(candidate) ||
        !::IsWindowEnabled(candidate)) {
      return TRUE;
    }
    search->found = candidate;
    return FALSE;
  };
  ::EnumThreadWindows(::GetWindowThreadProcessId(native, nullptr), look,
                      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

FrameState* FrameOf(HWND native) {
  if (native == nullptr ||
      ::GetWindowLongPtrW(native, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&FrameProcedure)) {
    return nullptr;
  }
  return static_cast<FrameState*>(StateOf(native));
}

LRESULT CALLBACK FrameProcedure(HWND native, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    TakeState(native, reinterpret_cast<LPARAM>(create->lpCreateParams));
  }
  auto* state = static_cast<FrameState*>(StateOf(native));
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(native, GWLP_USERDATA, 0);
    delete state;
    state = nullptr;
  }
  if (state == nullptr || state->events == nullptr) {
    return ::DefWindowProcW(native, message, wparam, lparam);
  }
  // The state may be gone once an event returns (the program destroyed the
  // window): nothing below touches it after its event.
  switch (message) {
    case WM_PAINT:
      PaintFrame(native, *state);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the paint fills the background itself
    case WM_CLOSE:
      state->events->OnClose(state->window);
      return 0;
    case WM_ACTIVATE:
      state->events->OnActivate(state->window, LOWORD(wparam) != WA_INACTIVE);
      break;
    case WM_KEYDOWN:
      if (KeyDown(native, *state, wparam)) return 0;
      break;
    case WM_COMMAND:
      if (lparam == 0 && HIWORD(wparam) == 0) {
        state->events->OnMenuCommand(state->window, LOWORD(wparam));
        return 0;
      }
      break;
    case WM_DROPFILES:
      Drop(*state, reinterpret_cast<HDROP>(wparam));
      return 0;
    case WM_COPYDATA:
      if (lparam == 0) return FALSE;
      CopyDataArrived(*state, *reinterpret_cast<const COPYDATASTRUCT*>(lparam));
      return TRUE;
    case WM_SIZE:
      if (wparam != SIZE_MINIMIZED) Resized(native, *state);
      break;
    case WM_VSCROLL:
      ScrollForBar(native, *state, LOWORD(wparam));
      return 0;
    case WM_MOUSEWHEEL:
      ScrollForWheel(native, *state, GET_WHEEL_DELTA_WPARAM(wparam));
      return 0;
    case WM_GETOBJECT:
      return AnswerAccessibleObject(native, wparam, lparam);
    case WM_SETCURSOR:
      if (ShowingWait()) {
        SetShownCursor();
        return TRUE;
      }
      break;
    default:
      break;
  }
  return ::DefWindowProcW(native, message, wparam, lparam);
}

bool RegisterFrameClass(const char16_t* class_name, HINSTANCE instance, uint16_t icon_id) {
  WNDCLASSEXW known{};
  known.cbSize = sizeof(known);
  if (::GetClassInfoExW(instance, Wide(class_name), &known)) {
    return known.lpfnWndProc == &FrameProcedure;
  }
  HICON icon = icon_id == 0 ? nullptr : ::LoadIconW(instance, MAKEINTRESOURCEW(icon_id));
  WNDCLASSEXW frame{};
  frame.cbSize = sizeof(frame);
  frame.style = CS_HREDRAW | CS_VREDRAW;
  frame.lpfnWndProc = &FrameProcedure;
  frame.hInstance = instance;
  frame.hIcon = icon != nullptr ? icon : ::LoadIconW(nullptr, IDI_APPLICATION);
  frame.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  frame.lpszClassName = Wide(class_name);
  return ::RegisterClassExW(&frame) != 0;
}

HWND CreateFrame(const char16_t* class_name, HINSTANCE instance, const char16_t* title, int width,
                 int height, bool visible, uint32_t background, FrameEvents* events,
                 uint32_t window) {
  RECT outer{0, 0, width, height};
  ::AdjustWindowRectEx(&outer, FRAME_STYLE, FALSE, 0);
  auto* state = new FrameState;
  state->events = events;
  state->window = window;
  state->background = static_cast<COLORREF>(background);
  state->width = width;
  state->height = height;
  StateHandover handover{state};
  HWND native = ::CreateWindowExW(0, Wide(class_name), Wide(title ? title : u""),
                                  FRAME_STYLE | (visible ? WS_VISIBLE : 0), CW_USEDEFAULT,
                                  CW_USEDEFAULT, outer.right - outer.left, outer.bottom - outer.top,
                                  nullptr, nullptr, instance, &handover);
  if (!handover.taken) delete state;
  return native;
}

void DestroyNative(HWND native) {
  if (NativeState* state = StateOf(native)) state->events = nullptr;
  ::DestroyWindow(native);
}

void SetTitle(HWND native, const std::u16string& title) {
  ::SetWindowTextW(native, Wide(title.c_str()));
}

void ResizeClient(HWND native, int width, int height) {
  FrameState* state = FrameOf(native);
  if (state == nullptr) return;
  state->program_resizing = true;
  state->width = width;
  state->height = height;
  const DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(native, GWL_STYLE));
  RECT outer{0, 0, width, height};
  ::AdjustWindowRectEx(&outer, style, ::GetMenu(native) != nullptr, 0);
  ::SetWindowPos(native, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // A menu wrapped onto more rows than one takes more height than counted.
  const int missing = height - ProgramClientSize(native).cy;
  if (missing != 0) {
    ::SetWindowPos(native, nullptr, 0, 0, outer.right - outer.left,
                   outer.bottom - outer.top + missing, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  state->program_resizing = false;
  FitScrollBar(native, *state);
}

bool SetFrameMenu(HWND native, HMENU menu) {
  FrameState* state = FrameOf(native);
  if (state == nullptr) return false;
  // The menu takes its height from the client area until the frame grows.
  state->program_resizing = true;
  const bool set = ::SetMenu(native, menu) != FALSE;
  state->program_resizing = false;
  if (set) ResizeClient(native, state->width, state->height);
  return set;
}

bool ShowFrame(HWND native, bool show) {
  const bool was_visible = ::IsWindowVisible(native) != FALSE;
  ::ShowWindow(native, show ? SW_SHOW : SW_HIDE);
  return was_visible;
}

uint32_t WindowOfFrame(HWND native, const FrameEvents* events) {
  DWORD process = 0;
  if (native == nullptr || ::GetWindowThreadProcessId(native, &process) == 0 ||
      process != ::GetCurrentProcessId()) {
    return 0;
  }
  const bool ours = FrameOf(native) != nullptr || ::GetWindowLongPtrW(native, DWLP_DLGPROC) ==
                                                      reinterpret_cast<LONG_PTR>(&DialogProcedure);
  NativeState* state = ours ? StateOf(native) : nullptr;
  return state != nullptr && state->events == events ? state->window : 0;
}

HWND FindOtherWindow(const char16_t* class_name, const char16_t* title, const FrameEvents* events) {
  HWND found = nullptr;
  while ((found = ::FindWindowExW(nullptr, found, Wide(class_name), Wide(title))) != nullptr) {
    if (WindowOfFrame(found, events) == 0) return found;
  }
  return nullptr;
}

bool SendCopyData(HWND target, HWND sender, uintptr_t kind, const void* data, uint32_t size) {
  COPYDATASTRUCT record{};
  record.dwData = kind;
  record.cbData = size;
  record.lpData = const_cast<void*>(data);
  DWORD_PTR answer = 0;
  return ::SendMessageTimeoutW(target, WM_COPYDATA, reinterpret_cast<WPARAM>(sender),
                               reinterpret_cast<LPARAM>(&record), SMTO_ABORTIFHUNG,
                               COPY_DATA_TIMEOUT_MS, &answer) != 0;
}

bool BringForward(HWND native, bool with_popups) {
  if (!::IsWindow(native)) return false;
  if (::IsIconic(native)) ::ShowWindow(native, SW_RESTORE);
  ::SetForegroundWindow(native);
  if (!with_popups) return true;
  // The popup active last; when the frame itself was, the one it waits for.
  HWND popup = ::GetLastActivePopup(native);
  if (popup == native) popup = EnabledPopup(native);
  if (popup != nullptr && popup != native) ::SetForegroundWindow(popup);
  return true;
}

}  // namespace win32
