#include "platform/win32/win32_desktop_services.h"

#include "platform/win32/win32_desktop_calls.h"

namespace {

std::u16string SectionKey(const std::u16string& section) {
  return std::u16string(PROFILE_REGISTRY_KEY) + u"\\" + section;
}

}  // namespace

bool Win32DesktopServices::GetOpenFileName(OpenFileName* ofn) {
  if (ofn == nullptr || ofn->size != sizeof(OpenFileName) || ofn->file == nullptr ||
      ofn->max_file < 1) {
    return false;
  }
  win32::OpenFileRequest request{windows_.NativeWindow(ofn->owner),
                                 ofn->filter,
                                 ofn->filter_index,
                                 ofn->initial_dir,
                                 ofn->title,
                                 ofn->flags};
  std::u16string path;
  uint32_t filter_index = 0;
  if (!win32::ChooseFileToOpen(request, &path, &filter_index)) return false;
  if (path.size() + 1 > ofn->max_file) return false;
  path.copy(ofn->file, path.size());
  ofn->file[path.size()] = 0;
  if (filter_index > 0) ofn->filter_index = filter_index;
  return true;
}

bool Win32DesktopServices::DragAcceptFiles(WindowHandle window, bool accept) {
  HWND native = windows_.NativeWindow(window);
  return native != nullptr && win32::AcceptDrops(native, accept);
}

bool Win32DesktopServices::ReadProfileString(const std::u16string& section,
                                             const std::u16string& key, std::u16string* text) {
  return win32::ReadUserText(SectionKey(section), key, text);
}

bool Win32DesktopServices::WriteProfileString(const char16_t* section, const char16_t* key,
                                              const char16_t* text) {
  if (section == nullptr || key == nullptr || *section == 0) return false;
  return win32::WriteUserText(SectionKey(section), key, text);
}

bool Win32DesktopServices::SetClipboardText(WindowHandle owner, const char16_t* text) {
  if (text == nullptr) return false;
  return win32::PutClipboardText(windows_.NativeWindow(owner), text);
}
