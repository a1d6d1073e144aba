// Win32WindowManager: what the frames report (painting, closing,
// activation, keys, menu commands, drops, WM_COPYDATA, resizing) turned
// into the program's messages, the paint in progress (BeginPaint, DrawText)
// and the dialogs built from templates.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/win32/win32_window_manager.h"
#include "platform/windowing/desktop_services.h"
#include "platform/windowing/shell_services.h"

namespace {

win32::Box BoxOf(const Rect& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

// A template's or a control's place.
template <typename Resource>
win32::DialogPlace PlaceOf(const Resource& resource) {
  return win32::DialogPlace{resource.x, resource.y, resource.width, resource.height};
}

win32::DialogLayout LayoutOf(const DialogTemplate& dialog_template) {
  win32::DialogLayout layout;
  if (dialog_template.caption != nullptr) layout.caption = dialog_template.caption;
  layout.place = PlaceOf(dialog_template);
  layout.font_points = dialog_template.font_points;
  if (dialog_template.font_face != nullptr) layout.font_face = dialog_template.font_face;
  layout.caption_ok = (dialog_template.ex_style & WS_EX_CAPTIONOKBTN) != 0;
  for (int i = 0; i < dialog_template.control_count; ++i) {
    const DialogControlResource& resource = dialog_template.controls[i];
    win32::DialogControl control;
    control.icon = resource.kind == DialogControlKind::Icon;
    if (resource.text != nullptr) control.text = resource.text;
    control.icon_id = resource.icon;
    control.id = resource.id;
    control.style = resource.style;
    control.place = PlaceOf(resource);
    layout.controls.push_back(std::move(control));
  }
  return layout;
}

}  // namespace

int Win32WindowManager::OnPaint(uint32_t window, void* dc, const win32::Box& area) {
  painting_ = window;
  paint_dc_ = dc;
  paint_area_ = Rect{area.left, area.top, area.right, area.bottom};
  painted_bottom_ = 0;
  painted_text_.clear();
  SendMessage(window, WM_PAINT, 0, 0);
  painting_ = 0;
  paint_dc_ = nullptr;
  if (auto it = natives_.find(window);
      it != natives_.end() && win32::FrameText(it->second.hwnd) != painted_text_) {
    win32::SetFrameText(it->second.hwnd, std::move(painted_text_));
  }
  return painted_bottom_;
}

DeviceContext Win32WindowManager::BeginPaint(WindowHandle window, PaintInfo* paint) {
  if (paint == nullptr) return 0;
  *paint = PaintInfo{};
  if (paint_dc_ == nullptr || painting_ != window) {
    InvalidateRect(window, nullptr, false);
    return 0;
  }
  paint->dc = PAINT_CONTEXT;
  paint->erase = false;  // the frame has painted the class background
  paint->paint = paint_area_;
  return PAINT_CONTEXT;
}

bool Win32WindowManager::EndPaint(WindowHandle window, const PaintInfo*) {
  return IsWindow(window);
}

int Win32WindowManager::DrawText(DeviceContext dc, const char16_t* text, int length, Rect* rect,
                                 uint32_t format) {
  if (dc != PAINT_CONTEXT || paint_dc_ == nullptr || text == nullptr || rect == nullptr) return 0;
  win32::Box box = BoxOf(*rect);
  const int height = win32::DrawTextOn(paint_dc_, text, length, &box, (format & DT_WORDBREAK) != 0);
  painted_text_.append(
      text, length < 0 ? std::char_traits<char16_t>::length(text) : static_cast<size_t>(length));
  // Below the text, as much room as above it.
  painted_bottom_ = std::max(painted_bottom_, rect->top + height + std::max(rect->top, 0));
  return height;
}

bool Win32WindowManager::UpdateWindow(WindowHandle window) {
  auto it = natives_.find(window);
  if (it == natives_.end()) return false;
  win32::Update(it->second.hwnd);
  return true;
}

bool Win32WindowManager::InvalidateRect(WindowHandle window, const Rect* rect, bool erase) {
  auto it = natives_.find(window);
  if (it == natives_.end()) return false;
  win32::Box box{};
  if (rect != nullptr) box = BoxOf(*rect);
  win32::Invalidate(it->second.hwnd, rect == nullptr ? nullptr : &box, erase);
  return true;
}

void Win32WindowManager::OnClose(uint32_t window) { SendMessage(window, WM_CLOSE, 0, 0); }

void Win32WindowManager::OnActivate(uint32_t window, bool active) {
  SendMessage(window, WM_ACTIVATE, active ? WA_ACTIVE : WA_INACTIVE, 0);
}

void Win32WindowManager::OnKey(uint32_t window, uint32_t key, uint32_t held) {
  // HELD_* are the MOD_* values.
  PostMessage(window, WM_KEYDOWN, key, static_cast<LongParam>(held));
}

void Win32WindowManager::OnMenuCommand(uint32_t window, uint16_t id) {
  PostMessage(window, WM_COMMAND, id, 0);
}

void Win32WindowManager::OnDialogCommand(uint32_t dialog, uint16_t id) {
  SendMessage(dialog, WM_COMMAND, id, 0);
}

void Win32WindowManager::OnDrop(uint32_t window, std::vector<std::u16string> paths) {
  DropHandle drop = MakeDrop(std::move(paths));
  if (!PostMessage(window, WM_DROPFILES, drop, 0)) DragFinish(drop);
}

void Win32WindowManager::OnCopyData(uint32_t window, uintptr_t kind, const void* data,
                                    uint32_t size) {
  CopyData record{kind, size, data};
  SendMessage(window, WM_COPYDATA, 0, reinterpret_cast<LongParam>(&record));
}

void Win32WindowManager::OnResized(uint32_t window, int dw, int dh) {
  auto it = natives_.find(window);
  if (it == natives_.end()) return;
  GrowWindow(window, dw, dh);
  std::vector<WindowHandle> windows;
  for (const auto& [handle, native] : natives_) windows.push_back(handle);
  for (WindowHandle handle : windows) SendMessage(handle, WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
}

bool Win32WindowManager::CreateNativeDialog(WindowHandle dialog,
                                            const DialogTemplate& dialog_template, InstanceHandle,
                                            WindowHandle owner) {
  HWND hwnd = win32::CreateTemplateDialog(LayoutOf(dialog_template), instance_, OwnerFrame(owner),
                                          this, dialog);
  if (hwnd == nullptr) return false;
  dialogs_[dialog] = hwnd;
  return true;
}

bool Win32WindowManager::ApplyDialogFlags(WindowHandle dialog, uint32_t flags) {
  auto it = dialogs_.find(dialog);
  if (it == dialogs_.end()) return false;
  const WindowRecord* record = Record(dialog);
  if (flags & SHIDIF_SIZEDLGFULLSCREEN) {
    win32::CoverOwner(it->second, OwnerFrame(record == nullptr ? 0 : record->owner), SCREEN_WIDTH,
                      SCREEN_HEIGHT);
  }
  if (flags & SHIDIF_DONEBUTTON) win32::AddDoneButton(it->second);
  // A desktop has no input panel to lower: SHIDIF_SIPDOWN needs nothing.
  return true;
}

void Win32WindowManager::RunModalDialog(WindowHandle dialog) {
  auto it = dialogs_.find(dialog);
  const WindowRecord* record = Record(dialog);
  if (it == dialogs_.end() || record == nullptr) return;
  HWND owner = OwnerFrame(record->owner);
  win32::EnableOwner(owner, false);
  win32::ShowDialog(it->second);
  for (;;) {
    record = Record(dialog);
    if (record == nullptr || record->dialog_ended) break;
    int code = 0;
    if (!win32::PumpOne(&code)) {
      win32::RepostQuit(code);
      break;
    }
  }
  // The owner comes back before the dialog goes, so that it is activated.
  win32::EnableOwner(owner, true);
}

void Win32WindowManager::EndNativeDialog(WindowHandle dialog) {
  // The modal loop sees the ended record after the message it is handling.
  if (auto it = dialogs_.find(dialog); it != dialogs_.end()) win32::WakeThread(thread_id_);
}
