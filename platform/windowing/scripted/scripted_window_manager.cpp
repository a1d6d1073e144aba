#include "platform/windowing/scripted/scripted_window_manager.h"

#include <cstdio>
#include <cstring>

#include "platform/windowing/desktop_services.h"

namespace {

int UnitsBeforeTerminator(const char16_t* text) {
  int n = 0;
  while (text[n] != 0) ++n;
  return n;
}

}  // namespace

std::string Utf8Of(const char16_t* text, int length) {
  std::string out;
  if (text == nullptr) return out;
  if (length < 0) length = UnitsBeforeTerminator(text);
  for (int i = 0; i < length; ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < length && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string HandleText(WindowHandle window) {
  if (window == 0) return "0";
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(window));
  return text;
}

std::string MessageName(uint32_t message) {
  switch (message) {
    case WM_CREATE:
      return "WM_CREATE";
    case WM_DESTROY:
      return "WM_DESTROY";
    case WM_ACTIVATE:
      return "WM_ACTIVATE";
    case WM_PAINT:
      return "WM_PAINT";
    case WM_CLOSE:
      return "WM_CLOSE";
    case WM_QUIT:
      return "WM_QUIT";
    case WM_SETTINGCHANGE:
      return "WM_SETTINGCHANGE";
    case WM_KEYDOWN:
      return "WM_KEYDOWN";
    case WM_INITDIALOG:
      return "WM_INITDIALOG";
    case WM_COMMAND:
      return "WM_COMMAND";
    case WM_COPYDATA:
      return "WM_COPYDATA";
    case WM_DROPFILES:
      return "WM_DROPFILES";
    default:
      return HandleText(message);
  }
}

std::string RectText(const Rect& rect) {
  return "{" + std::to_string(rect.left) + ", " + std::to_string(rect.top) + ", " +
         std::to_string(rect.right) + ", " + std::to_string(rect.bottom) + "}";
}

namespace {

std::string Hex(uintmax_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%jx", value);
  return text;
}

std::string Quoted(const char16_t* text) {
  return text == nullptr ? "null" : "\"" + Utf8Of(text) + "\"";
}

std::string Call(const std::string& name, const std::string& arguments) {
  return name + "(" + arguments + ")";
}

// A WM_COPYDATA record as {kind 0x.., N bytes, "its bytes read as UTF-16"}.
std::string CopyDataText(const CopyData* data) {
  std::u16string text(data->size / 2, u'\0');
  if (data->data != nullptr && !text.empty()) {
    std::memcpy(text.data(), data->data, text.size() * 2);
  }
  return "{kind " + Hex(data->kind) + ", " + std::to_string(data->size) + " bytes, \"" +
         Utf8Of(text.c_str(), static_cast<int>(text.size())) + "\"}";
}

std::string MessageArguments(WindowHandle window, uint32_t message, WordParam wparam,
                             LongParam lparam) {
  std::string last = message == WM_COPYDATA && lparam != 0
                         ? CopyDataText(reinterpret_cast<const CopyData*>(lparam))
                         : Hex(static_cast<uintptr_t>(lparam));
  return HandleText(window) + ", " + MessageName(message) + ", " + Hex(wparam) + ", " + last;
}

}  // namespace

void ScriptedWindowManager::Then(std::function<void()> step) { steps_.push_back(std::move(step)); }

WindowHandle ScriptedWindowManager::AddForeignWindow(const std::u16string& class_name,
                                                     const std::u16string& title) {
  last_foreign_ += 4;
  foreign_[last_foreign_] = {class_name, title};
  return last_foreign_;
}

std::vector<std::string> ScriptedWindowManager::CallsOf(
    const std::vector<std::string>& names) const {
  std::vector<std::string> out;
  for (const std::string& call : calls_) {
    std::string name = call.substr(0, call.find('('));
    for (const std::string& wanted : names) {
      if (name == wanted) out.push_back(call);
    }
  }
  return out;
}

bool ScriptedWindowManager::IsVisible(WindowHandle window) const {
  auto it = surfaces_.find(window);
  return it != surfaces_.end() && it->second.visible;
}

bool ScriptedWindowManager::IsInvalid(WindowHandle window) const {
  auto it = surfaces_.find(window);
  return it != surfaces_.end() && it->second.invalid;
}

bool ScriptedWindowManager::RunStep() {
  if (steps_.empty()) {
    Note("loop starved");
    return false;
  }
  std::function<void()> step = std::move(steps_.front());
  steps_.pop_front();
  step();
  return true;
}

uint16_t ScriptedWindowManager::RegisterClass(const WindowClass& window_class) {
  char style[16];
  std::snprintf(style, sizeof style, "%u", window_class.style);
  Note(Call(
      "RegisterClass",
      Quoted(window_class.class_name) + ", style " + style +
          (window_class.icon ? ", icon " + std::to_string(window_class.icon->id) : ", no icon") +
          (window_class.background ? ", brush " + Hex(window_class.background->colour)
                                   : ", no brush")));
  return WindowManagerBase::RegisterClass(window_class);
}

WindowHandle ScriptedWindowManager::CreateWindowEx(uint32_t ex_style, const char16_t* class_name,
                                                   const char16_t* title, uint32_t style, int32_t x,
                                                   int32_t y, int32_t width, int32_t height,
                                                   WindowHandle parent, uint32_t menu,
                                                   InstanceHandle instance,
                                                   const void* creation_data) {
  Note(Call("CreateWindowEx",
            Hex(ex_style) + ", " + Quoted(class_name) + ", " + Quoted(title) + ", " + Hex(style) +
                ", " + Hex(static_cast<uint32_t>(x)) + ", " + Hex(static_cast<uint32_t>(y)) + ", " +
                Hex(static_cast<uint32_t>(width)) + ", " + Hex(static_cast<uint32_t>(height)) +
                ", " + HandleText(parent) + ", " + std::to_string(menu) + ", " + Hex(instance) +
                ", " + (creation_data ? "data" : "null")));
  return WindowManagerBase::CreateWindowEx(ex_style, class_name, title, style, x, y, width, height,
                                           parent, menu, instance, creation_data);
}

WindowHandle ScriptedWindowManager::FindWindow(const char16_t* class_name, const char16_t* title) {
  Note(Call("FindWindow", Quoted(class_name) + ", " + Quoted(title)));
  return WindowManagerBase::FindWindow(class_name, title);
}

bool ScriptedWindowManager::SetWindowText(WindowHandle window, const char16_t* text) {
  Note(Call("SetWindowText", HandleText(window) + ", " + Quoted(text)));
  return WindowManagerBase::SetWindowText(window, text);
}

WindowHandle ScriptedWindowManager::FindForeignWindow(const char16_t* class_name,
                                                      const char16_t* title) {
  std::u16string cls = class_name ? class_name : u"";
  std::u16string text = title ? title : u"";
  for (const auto& [handle, names] : foreign_) {
    if (names.first == cls && (title == nullptr || names.second == text)) return handle;
  }
  return 0;
}

bool ScriptedWindowManager::SetForegroundWindow(WindowHandle window) {
  Note(Call("SetForegroundWindow", HandleText(window)));
  WindowHandle target = window & ~1u;
  return IsWindow(target) || foreign_.count(target) != 0;
}

bool ScriptedWindowManager::DestroyWindow(WindowHandle window) {
  Note(Call("DestroyWindow", HandleText(window)));
  return WindowManagerBase::DestroyWindow(window);
}

bool ScriptedWindowManager::CreateNativeWindow(WindowHandle window, const Rect&, uint32_t style) {
  if (fail_window_creation_) return false;
  Surface surface;
  surface.visible = (style & WS_VISIBLE) != 0;
  surface.invalid = true;
  surface.erase = true;
  surfaces_[window] = surface;
  newest_ = window;
  return true;
}

void ScriptedWindowManager::DestroyNativeWindow(WindowHandle window) { surfaces_.erase(window); }

bool ScriptedWindowManager::GetWindowRect(WindowHandle window, Rect* rect) {
  Note(Call("GetWindowRect", HandleText(window)));
  return WindowManagerBase::GetWindowRect(window, rect);
}

bool ScriptedWindowManager::GetClientRect(WindowHandle window, Rect* rect) {
  Note(Call("GetClientRect", HandleText(window)));
  return WindowManagerBase::GetClientRect(window, rect);
}

bool ScriptedWindowManager::MoveWindow(WindowHandle window, int32_t x, int32_t y, int32_t width,
                                       int32_t height, bool repaint) {
  Note(Call("MoveWindow", HandleText(window) + ", " + std::to_string(x) + ", " + std::to_string(y) +
                              ", " + std::to_string(width) + ", " + std::to_string(height) + ", " +
                              (repaint ? "true" : "false")));
  return WindowManagerBase::MoveWindow(window, x, y, width, height, repaint);
}

void ScriptedWindowManager::MoveNativeWindow(WindowHandle window, bool repaint) {
  auto it = surfaces_.find(window);
  if (repaint && it != surfaces_.end()) it->second.invalid = it->second.erase = true;
}

bool ScriptedWindowManager::ShowWindow(WindowHandle window, int show) {
  Note(Call("ShowWindow", HandleText(window) + ", " + std::to_string(show)));
  auto it = surfaces_.find(window);
  if (it == surfaces_.end()) return false;
  bool was_visible = it->second.visible;
  it->second.visible = show != SW_HIDE;
  return was_visible;
}

bool ScriptedWindowManager::UpdateWindow(WindowHandle window) {
  Note(Call("UpdateWindow", HandleText(window)));
  if (!IsWindow(window)) return false;
  if (IsInvalid(window) && IsVisible(window)) SendMessage(window, WM_PAINT, 0, 0);
  return true;
}

bool ScriptedWindowManager::InvalidateRect(WindowHandle window, const Rect* rect, bool erase) {
  Note(Call("InvalidateRect", HandleText(window) + ", " + (rect ? RectText(*rect) : "null") + ", " +
                                  (erase ? "true" : "false")));
  auto it = surfaces_.find(window);
  if (it == surfaces_.end()) return false;
  it->second.invalid = true;
  it->second.erase = it->second.erase || erase;
  return true;
}

MessageResult ScriptedWindowManager::SendMessage(WindowHandle window, uint32_t message,
                                                 WordParam wparam, LongParam lparam) {
  Note(Call("SendMessage", MessageArguments(window, message, wparam, lparam)));
  return WindowManagerBase::SendMessage(window, message, wparam, lparam);
}

bool ScriptedWindowManager::PostMessage(WindowHandle window, uint32_t message, WordParam wparam,
                                        LongParam lparam) {
  Note(Call("PostMessage", MessageArguments(window, message, wparam, lparam)));
  return WindowManagerBase::PostMessage(window, message, wparam, lparam);
}

void ScriptedWindowManager::PostQuitMessage(int code) {
  Note(Call("PostQuitMessage", std::to_string(code)));
  WindowManagerBase::PostQuitMessage(code);
}

MessageResult ScriptedWindowManager::DefWindowProc(WindowHandle window, uint32_t message,
                                                   WordParam wparam, LongParam lparam) {
  Note(Call("DefWindowProc", MessageArguments(window, message, wparam, lparam)));
  auto it = surfaces_.find(window);
  if (message == WM_PAINT && it != surfaces_.end()) it->second.invalid = it->second.erase = false;
  return WindowManagerBase::DefWindowProc(window, message, wparam, lparam);
}

DeviceContext ScriptedWindowManager::BeginPaint(WindowHandle window, PaintInfo* paint) {
  Note(Call("BeginPaint", HandleText(window)));
  auto it = surfaces_.find(window);
  const Rect* placed = Placement(window);
  if (it == surfaces_.end() || placed == nullptr || paint == nullptr) return 0;
  const Rect& r = *placed;
  paint->dc = PAINT_CONTEXT;
  paint->erase = false;  // the stand-in has no background to leave unpainted
  paint->paint = Rect{0, 0, r.right - r.left, r.bottom - r.top};
  it->second.invalid = it->second.erase = false;
  return PAINT_CONTEXT;
}

bool ScriptedWindowManager::EndPaint(WindowHandle window, const PaintInfo*) {
  Note(Call("EndPaint", HandleText(window)));
  return IsWindow(window);
}

int ScriptedWindowManager::DrawText(DeviceContext dc, const char16_t* text, int length, Rect* rect,
                                    uint32_t format) {
  Note(Call("DrawText", std::to_string(dc) + ", " + Quoted(text) + ", " + std::to_string(length) +
                            ", " + (rect ? RectText(*rect) : "null") + ", " + Hex(format)));
  if (dc != PAINT_CONTEXT || text == nullptr || rect == nullptr) return 0;
  if (length < 0) length = UnitsBeforeTerminator(text);
  // "\r\n", "\r" and "\n" each end a line.
  int lines = 1;
  for (int i = 0; i < length; ++i) {
    if (text[i] == u'\r' && i + 1 < length && text[i + 1] == u'\n') ++i;
    lines += text[i] == u'\r' || text[i] == u'\n';
  }
  return 16 * lines;
}

int ScriptedWindowManager::MessageBox(WindowHandle owner, const char16_t* text,
                                      const char16_t* caption, uint32_t type) {
  Note(Call("MessageBox",
            HandleText(owner) + ", " + Quoted(text) + ", " + Quoted(caption) + ", " + Hex(type)));
  return IDOK;
}

intptr_t ScriptedWindowManager::DialogBoxParam(InstanceHandle instance, uint32_t template_id,
                                               WindowHandle owner, DialogProcedure procedure,
                                               LongParam parameter) {
  Note(Call("DialogBoxParam", Hex(instance) + ", " + std::to_string(template_id) + ", " +
                                  HandleText(owner) + ", " +
                                  Hex(static_cast<uintptr_t>(parameter))));
  intptr_t result =
      WindowManagerBase::DialogBoxParam(instance, template_id, owner, procedure, parameter);
  Note("DialogBoxParam returned " + std::to_string(result));
  return result;
}

bool ScriptedWindowManager::EndDialog(WindowHandle dialog, intptr_t result) {
  Note(Call("EndDialog", HandleText(dialog) + ", " + std::to_string(result)));
  return WindowManagerBase::EndDialog(dialog, result);
}

bool ScriptedWindowManager::CreateNativeDialog(WindowHandle dialog, const DialogTemplate&,
                                               InstanceHandle, WindowHandle) {
  Place(dialog, WORK_AREA);
  surfaces_[dialog] = Surface{};
  newest_ = dialog;
  return true;
}

void ScriptedWindowManager::RunModalDialog(WindowHandle dialog) {
  auto running = [&] {
    const WindowRecord* record = WindowManagerBase::Record(dialog);
    return record != nullptr && !record->dialog_ended;
  };
  while (running()) {
    if (!RunStep()) WindowManagerBase::EndDialog(dialog, -1);
  }
}

void ScriptedWindowManager::WaitForMessages() {
  if (RunPendingThread()) return;
  for (const auto& [handle, surface] : surfaces_) {
    if (surface.invalid && surface.visible) {
      WindowManagerBase::PostMessage(handle, WM_PAINT, 0, 0);
      return;
    }
  }
  if (!RunStep()) ForceQuit(-1);
}
