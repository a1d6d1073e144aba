// Win32WindowManager: frames made, placed, titled and found, other
// programs' windows, the loop and its wake-up, the wait cursor and the
// message boxes. The frames' events, painting and the dialogs are in
// win32_window_events.cpp; the native calls in win32_frame*.cpp,
// win32_dialog.cpp and win32_loop.cpp.
#include "platform/win32/win32_window_manager.h"

#include <algorithm>

#include "platform/windowing/shell_services.h"

namespace {

// The window's colour as the frame paints it: the class brush, else white.
uint32_t ColourOf(BrushHandle brush) { return brush == nullptr ? 0x00FFFFFFu : brush->colour; }

}  // namespace

Win32WindowManager::Win32WindowManager(HINSTANCE instance)
    : instance_(instance != nullptr ? instance : win32::ProgramModule()),
      thread_id_(win32::PrepareThread()) {}

Win32WindowManager::~Win32WindowManager() {
  // Whatever the program left open goes with the manager.
  for (auto& [window, native] : natives_) win32::DestroyNative(native.hwnd);
  for (auto& [dialog, native] : dialogs_) win32::DestroyNative(native);
}

HWND Win32WindowManager::NativeWindow(WindowHandle window) const {
  if (auto it = natives_.find(window); it != natives_.end()) return it->second.hwnd;
  if (auto it = dialogs_.find(window); it != dialogs_.end()) return it->second;
  return nullptr;
}

WindowHandle Win32WindowManager::WindowOf(HWND native) const {
  return native == nullptr ? 0 : win32::WindowOfFrame(native, this);
}

bool Win32WindowManager::SetFrameMenu(WindowHandle window, HMENU menu) {
  auto it = natives_.find(window);
  return it != natives_.end() && win32::SetFrameMenu(it->second.hwnd, menu);
}

Rect Win32WindowManager::WorkArea() const {
  Rect work{0, TOP_BAR_HEIGHT, SCREEN_WIDTH, TOP_BAR_HEIGHT + SCREEN_HEIGHT};
  if (const Rect* screen = Placement(PrimaryWindow())) {
    work.right = work.left + (screen->right - screen->left);
    work.bottom = work.top + (screen->bottom - screen->top);
  }
  return work;
}

Rect Win32WindowManager::DefaultWindowRect() { return WorkArea(); }

WindowHandle Win32WindowManager::PrimaryWindow() const {
  for (const auto& [handle, native] : natives_) {
    const WindowRecord* record = Record(handle);
    if (record != nullptr && record->kind == WindowKind::TopLevel && !record->destroying) {
      return handle;
    }
  }
  return 0;
}

uint16_t Win32WindowManager::IconId(WindowHandle window) const {
  const WindowRecord* record = Record(TopLevelOf(window));
  return record == nullptr || record->icon == nullptr ? 0 : record->icon->id;
}

uint16_t Win32WindowManager::ProgramIconId() const {
  if (uint16_t id = IconId(PrimaryWindow())) return id;
  // Modules are numbered from 0x00010000 in the order they were installed.
  const ResourceModule* module = ModuleOf(0x00010000u);
  return module == nullptr || module->icon_count == 0 ? 0 : module->icons[0].id;
}

HWND Win32WindowManager::OwnerFrame(WindowHandle owner) const {
  if (auto it = dialogs_.find(owner); it != dialogs_.end()) return it->second;
  return NativeWindow(TopLevelOf(owner));
}

WindowHandle Win32WindowManager::CreateWindowEx(uint32_t ex_style, const char16_t* class_name,
                                                const char16_t* title, uint32_t style, int32_t x,
                                                int32_t y, int32_t width, int32_t height,
                                                WindowHandle parent, uint32_t menu,
                                                InstanceHandle instance,
                                                const void* creation_data) {
  WindowHandle window =
      WindowManagerBase::CreateWindowEx(ex_style, class_name, title, style & ~WS_VISIBLE, x, y,
                                        width, height, parent, menu, instance, creation_data);
  if (window != 0 && (style & WS_VISIBLE) != 0) ShowWindow(window, SW_SHOW);
  return window;
}

bool Win32WindowManager::CreateNativeWindow(WindowHandle window, const Rect& rect, uint32_t style) {
  const WindowRecord* record = Record(window);
  if (record == nullptr || record->kind != WindowKind::TopLevel) return true;
  const char16_t* class_name = record->class_name.c_str();
  if (!win32::RegisterFrameClass(class_name, instance_, IconId(window))) return false;
  HWND hwnd = win32::CreateFrame(
      class_name, instance_, record->title.c_str(), rect.right - rect.left, rect.bottom - rect.top,
      (style & WS_VISIBLE) != 0, ColourOf(record->background), this, window);
  if (hwnd == nullptr) return false;
  natives_[window] = Native{hwnd};
  return true;
}

void Win32WindowManager::DestroyNativeWindow(WindowHandle window) {
  if (auto it = natives_.find(window); it != natives_.end()) {
    HWND hwnd = it->second.hwnd;
    natives_.erase(it);
    win32::DestroyNative(hwnd);
  }
  if (auto it = dialogs_.find(window); it != dialogs_.end()) {
    HWND hwnd = it->second;
    dialogs_.erase(it);
    win32::DestroyNative(hwnd);
  }
}

void Win32WindowManager::ShowTitle(WindowHandle window, const std::u16string& title) {
  if (HWND hwnd = NativeWindow(window)) win32::SetTitle(hwnd, title);
}

WindowHandle Win32WindowManager::FindForeignWindow(const char16_t* class_name,
                                                   const char16_t* title) {
  if (class_name == nullptr) return 0;
  HWND found = win32::FindOtherWindow(class_name, title, this);
  if (found == nullptr) return 0;
  for (const auto& [handle, hwnd] : foreign_) {
    if (hwnd == found) return handle;
  }
  last_foreign_ += 4;
  foreign_[last_foreign_] = found;
  return last_foreign_;
}

bool Win32WindowManager::SetForegroundWindow(WindowHandle window) {
  const bool with_owned = (window & 1u) != 0;
  const WindowHandle target = window & ~1u;
  if (auto it = foreign_.find(target); it != foreign_.end()) {
    return win32::BringForward(it->second, with_owned);
  }
  HWND hwnd = NativeWindow(TopLevelOf(target));
  return hwnd != nullptr && win32::BringForward(hwnd, with_owned);
}

MessageResult Win32WindowManager::SendMessage(WindowHandle window, uint32_t message,
                                              WordParam wparam, LongParam lparam) {
  auto foreign = foreign_.find(window);
  if (foreign == foreign_.end()) {
    return WindowManagerBase::SendMessage(window, message, wparam, lparam);
  }
  const auto* record = reinterpret_cast<const CopyData*>(lparam);
  if (message != WM_COPYDATA || record == nullptr ||
      (record->size != 0 && record->data == nullptr)) {
    return 0;
  }
  HWND sender = NativeWindow(PrimaryWindow());
  return win32::SendCopyData(foreign->second, sender, record->kind, record->data, record->size) ? 1
                                                                                                : 0;
}

void Win32WindowManager::ShapeClientRect(WindowHandle window, Rect* rect) {
  auto it = natives_.find(window);
  if (it == natives_.end()) return;
  // The scroll bar takes its width from the client area; the text may be
  // taller than the window.
  rect->right -= win32::ScrollBarWidth(it->second.hwnd);
  rect->bottom = std::max(rect->bottom, win32::ContentHeight(it->second.hwnd));
}

void Win32WindowManager::MoveNativeWindow(WindowHandle window, bool repaint) {
  auto it = natives_.find(window);
  const Rect* rect = Placement(window);
  if (it == natives_.end() || rect == nullptr) return;
  win32::ResizeClient(it->second.hwnd, rect->right - rect->left, rect->bottom - rect->top);
  if (repaint) win32::Invalidate(it->second.hwnd, nullptr, true);
}

bool Win32WindowManager::ShowWindow(WindowHandle window, int show) {
  auto it = natives_.find(window);
  if (it == natives_.end()) return false;
  return win32::ShowFrame(it->second.hwnd, show != SW_HIDE);
}

void Win32WindowManager::WaitForMessages() {
  int code = 0;
  if (!win32::PumpOne(&code)) ForceQuit(code);
}

void Win32WindowManager::WakeMessageLoop() { win32::WakeThread(thread_id_); }

void Win32WindowManager::ShowCursorShape(CursorHandle cursor) {
  win32::ShowWaitCursor(cursor == IDC_WAIT);
}

int Win32WindowManager::MessageBox(WindowHandle owner, const char16_t* text,
                                   const char16_t* caption, uint32_t type) {
  HWND owner_frame = OwnerFrame(owner);
  const uint32_t sign = type & MB_ICONMASK;
  const win32::BoxSign box_sign = sign == MB_ICONWARNING       ? win32::BoxSign::Warning
                                  : sign == MB_ICONINFORMATION ? win32::BoxSign::Information
                                                               : win32::BoxSign::None;
  const uint16_t icon = owner_frame == nullptr ? ProgramIconId() : 0;
  return win32::ShowMessageBox(owner_frame, text, caption, box_sign, instance_, icon) != 0 ? IDOK
                                                                                           : 0;
}
