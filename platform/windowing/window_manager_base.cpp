#include "platform/windowing/window_manager_base.h"

#include <vector>

namespace {

std::u16string TextOrEmpty(const char16_t* text) {
  return text == nullptr ? std::u16string() : std::u16string(text);
}

}  // namespace

WindowHandle WindowManagerBase::NewHandle() {
  // Steps of 4 keep bit 0 free for SetForegroundWindow.
  last_handle_ += 4;
  return last_handle_;
}

const WindowManagerBase::WindowRecord* WindowManagerBase::Record(WindowHandle window) const {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : &it->second;
}

WindowHandle WindowManagerBase::TopLevelOf(WindowHandle window) const {
  const WindowRecord* record = Record(window);
  while (record != nullptr && record->owner != 0 && Record(record->owner) != nullptr) {
    window = record->owner;
    record = Record(window);
  }
  return record == nullptr ? 0 : window;
}

uint16_t WindowManagerBase::RegisterClass(const WindowClass& window_class) {
  std::u16string name = TextOrEmpty(window_class.class_name);
  if (name.empty() || classes_.count(name) != 0 || window_class.procedure == nullptr ||
      window_class.class_extra != 0 || window_class.window_extra != 0 ||
      window_class.cursor != nullptr || window_class.menu_name != nullptr) {
    return 0;
  }
  WindowClass stored = window_class;
  stored.class_name = nullptr;  // the caller's buffer may not outlive the call
  classes_.emplace(name, stored);
  return ++last_atom_;
}

WindowHandle WindowManagerBase::CreateWindowEx(uint32_t, const char16_t* class_name,
                                               const char16_t* title, uint32_t style, int32_t x,
                                               int32_t y, int32_t width, int32_t height,
                                               WindowHandle, uint32_t, InstanceHandle,
                                               const void*) {
  auto cls = classes_.find(TextOrEmpty(class_name));
  if (cls == classes_.end()) return 0;

  Rect rect = DefaultWindowRect();
  if (x != CW_USEDEFAULT) {
    rect.right = x + (rect.right - rect.left);
    rect.left = x;
  }
  if (y != CW_USEDEFAULT) {
    rect.bottom = y + (rect.bottom - rect.top);
    rect.top = y;
  }
  if (width != CW_USEDEFAULT) rect.right = rect.left + width;
  if (height != CW_USEDEFAULT) rect.bottom = rect.top + height;

  WindowHandle window = NewHandle();
  WindowRecord record;
  record.kind = WindowKind::TopLevel;
  record.class_name = cls->first;
  record.title = TextOrEmpty(title);
  record.procedure = cls->second.procedure;
  record.class_style = cls->second.style;
  record.background = cls->second.background;
  record.icon = cls->second.icon;
  record.placed = true;
  record.rect = rect;
  windows_.emplace(window, record);
  if (!CreateNativeWindow(window, rect, style)) {
    windows_.erase(window);
    return 0;
  }
  if (SendMessage(window, WM_CREATE, 0, 0) == -1) {
    DestroyWindow(window);
    return 0;
  }
  return IsWindow(window) ? window : 0;
}

WindowHandle WindowManagerBase::AddPlatformWindow(WindowHandle owner, const char16_t* class_name) {
  if (!IsWindow(owner)) return 0;
  WindowHandle window = NewHandle();
  WindowRecord record;
  record.kind = WindowKind::Platform;
  record.class_name = TextOrEmpty(class_name);
  record.owner = owner;
  windows_.emplace(window, record);
  return window;
}

WindowHandle WindowManagerBase::FindWindow(const char16_t* class_name, const char16_t* title) {
  std::u16string cls = TextOrEmpty(class_name);
  std::u16string text = TextOrEmpty(title);
  for (const auto& [handle, record] : windows_) {
    if (record.kind == WindowKind::TopLevel && !record.destroying && record.class_name == cls &&
        (title == nullptr || record.title == text)) {
      return handle;
    }
  }
  return FindForeignWindow(class_name, title);
}

bool WindowManagerBase::SetWindowText(WindowHandle window, const char16_t* text) {
  auto it = windows_.find(window);
  if (it == windows_.end() || it->second.kind != WindowKind::TopLevel || it->second.destroying) {
    return false;
  }
  it->second.title = TextOrEmpty(text);
  ShowTitle(window, it->second.title);
  return true;
}

bool WindowManagerBase::DestroyWindow(WindowHandle window) {
  auto it = windows_.find(window);
  if (it == windows_.end() || it->second.destroying) return false;
  it->second.destroying = true;
  SendMessage(window, WM_DESTROY, 0, 0);

  std::vector<WindowHandle> owned;
  for (const auto& [handle, record] : windows_) {
    if (record.owner == window) owned.push_back(handle);
  }
  for (WindowHandle handle : owned) DestroyWindow(handle);

  DestroyNativeWindow(window);
  windows_.erase(window);
  return true;
}

const Rect* WindowManagerBase::Placement(WindowHandle window) const {
  const WindowRecord* record = Record(window);
  return record == nullptr || !record->placed ? nullptr : &record->rect;
}

bool WindowManagerBase::Place(WindowHandle window, const Rect& rect) {
  auto it = windows_.find(window);
  if (it == windows_.end()) return false;
  it->second.placed = true;
  it->second.rect = rect;
  return true;
}

void WindowManagerBase::GrowWindow(WindowHandle window, int dw, int dh) {
  const Rect* rect = Placement(window);
  if (rect == nullptr) return;
  Place(window, Rect{rect->left, rect->top, rect->right + dw, rect->bottom + dh});
}

bool WindowManagerBase::GetWindowRect(WindowHandle window, Rect* rect) {
  const Rect* placed = Placement(window);
  if (placed == nullptr || rect == nullptr) return false;
  *rect = *placed;
  return true;
}

bool WindowManagerBase::GetClientRect(WindowHandle window, Rect* rect) {
  const Rect* placed = Placement(window);
  if (placed == nullptr || rect == nullptr) return false;
  *rect = Rect{0, 0, placed->right - placed->left, placed->bottom - placed->top};
  ShapeClientRect(window, rect);
  return true;
}

bool WindowManagerBase::MoveWindow(WindowHandle window, int32_t x, int32_t y, int32_t width,
                                   int32_t height, bool repaint) {
  if (Placement(window) == nullptr) return false;
  Place(window, Rect{x, y, x + width, y + height});
  MoveNativeWindow(window, repaint);
  return true;
}

MessageResult WindowManagerBase::SendMessage(WindowHandle window, uint32_t message,
                                             WordParam wparam, LongParam lparam) {
  return Deliver(window, message, wparam, lparam);
}

MessageResult WindowManagerBase::Deliver(WindowHandle window, uint32_t message, WordParam wparam,
                                         LongParam lparam) {
  const WindowRecord* record = Record(window);
  if (record == nullptr) return 0;
  switch (record->kind) {
    case WindowKind::TopLevel:
      return record->procedure(window, message, wparam, lparam);
    case WindowKind::Dialog:
      return record->dialog_procedure(window, message, wparam, lparam) ? 1 : 0;
    case WindowKind::Platform:
      break;
  }
  return DefWindowProc(window, message, wparam, lparam);
}

bool WindowManagerBase::PostMessage(WindowHandle window, uint32_t message, WordParam wparam,
                                    LongParam lparam) {
  const bool other_thread = !OnWindowThread();
  if (!other_thread && !IsWindow(window)) return false;
  {
    std::lock_guard<std::mutex> hold(queue_lock_);
    queue_.push_back(WindowMessage{window, message, wparam, lparam});
  }
  if (other_thread) WakeMessageLoop();
  return true;
}

void WindowManagerBase::PostQuitMessage(int code) {
  quit_pending_ = true;
  quit_code_ = code;
}

void WindowManagerBase::ForceQuit(int code) {
  {
    std::lock_guard<std::mutex> hold(queue_lock_);
    queue_.clear();
  }
  quit_pending_ = true;
  quit_code_ = code;
}

int WindowManagerBase::GetMessage(WindowMessage* message, WindowHandle, uint32_t, uint32_t) {
  for (;;) {
    {
      std::lock_guard<std::mutex> hold(queue_lock_);
      // A message posted from another thread to a window gone since is dropped.
      while (!queue_.empty() && queue_.front().window != 0 && !IsWindow(queue_.front().window)) {
        queue_.pop_front();
      }
      if (!queue_.empty()) {
        *message = queue_.front();
        queue_.pop_front();
        return 1;
      }
    }
    if (quit_pending_) {
      quit_pending_ = false;
      *message = WindowMessage{0, WM_QUIT, static_cast<WordParam>(quit_code_), 0};
      return 0;
    }
    WaitForMessages();
  }
}

int WindowManagerBase::TranslateAccelerator(WindowHandle window, AcceleratorHandle table,
                                            const WindowMessage* message) {
  if (table == nullptr || message == nullptr || message->message != WM_KEYDOWN) return 0;
  LongParam held = message->lparam & (MOD_ALT | MOD_CONTROL | MOD_SHIFT);
  for (int i = 0; i < table->entry_count; ++i) {
    const AcceleratorResource& entry = table->entries[i];
    LongParam wanted = ((entry.flags & FCONTROL) ? MOD_CONTROL : 0) |
                       ((entry.flags & FSHIFT) ? MOD_SHIFT : 0) |
                       ((entry.flags & FALT) ? MOD_ALT : 0);
    if ((entry.flags & FVIRTKEY) && entry.key == message->wparam && wanted == held) {
      SendMessage(window, WM_COMMAND, MakeWordParam(entry.command, 1), 0);
      return 1;
    }
  }
  return 0;
}

bool WindowManagerBase::TranslateMessage(const WindowMessage*) { return false; }

MessageResult WindowManagerBase::DispatchMessage(const WindowMessage* message) {
  if (message == nullptr) return 0;
  return Deliver(message->window, message->message, message->wparam, message->lparam);
}

MessageResult WindowManagerBase::DefWindowProc(WindowHandle window, uint32_t message, WordParam,
                                               LongParam) {
  if (message == WM_CLOSE) DestroyWindow(window);
  return 0;
}

intptr_t WindowManagerBase::DialogBoxParam(InstanceHandle instance, uint32_t template_id,
                                           WindowHandle owner, DialogProcedure procedure,
                                           LongParam parameter) {
  const DialogTemplate* dialog_template = FindDialogTemplate(instance, template_id);
  if (dialog_template == nullptr || procedure == nullptr) return -1;

  WindowHandle dialog = NewHandle();
  WindowRecord record;
  record.kind = WindowKind::Dialog;
  record.title = TextOrEmpty(dialog_template->caption);
  record.dialog_procedure = procedure;
  record.owner = IsWindow(owner) ? owner : 0;
  record.dialog_template = dialog_template;
  windows_.emplace(dialog, record);
  if (!CreateNativeDialog(dialog, *dialog_template, instance, record.owner)) {
    windows_.erase(dialog);
    return -1;
  }

  SendMessage(dialog, WM_INITDIALOG, 0, parameter);
  const WindowRecord* live = Record(dialog);
  if (live != nullptr && !live->dialog_ended) RunModalDialog(dialog);
  live = Record(dialog);
  intptr_t result = live == nullptr ? -1 : live->dialog_result;
  DestroyWindow(dialog);
  return result;
}

bool WindowManagerBase::IsRunningDialog(WindowHandle window) const {
  const WindowRecord* record = Record(window);
  return record != nullptr && record->kind == WindowKind::Dialog && !record->dialog_ended;
}

bool WindowManagerBase::EndDialog(WindowHandle dialog, intptr_t result) {
  if (!IsRunningDialog(dialog)) return false;
  auto it = windows_.find(dialog);
  it->second.dialog_ended = true;
  it->second.dialog_result = result;
  EndNativeDialog(dialog);
  return true;
}

CursorHandle WindowManagerBase::LoadCursor(InstanceHandle instance, uint32_t id) {
  return instance == 0 && (id == IDC_ARROW || id == IDC_WAIT) ? id : 0;
}

CursorHandle WindowManagerBase::SetCursor(CursorHandle cursor) {
  CursorHandle previous = cursor_;
  cursor_ = cursor;
  if (cursor != previous) ShowCursorShape(cursor);
  return previous;
}
