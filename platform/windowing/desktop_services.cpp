#include "platform/windowing/desktop_services.h"

#include <map>
#include <utility>

namespace {

DesktopServices* installed = nullptr;

std::map<DropHandle, std::vector<std::u16string>>& Drops() {
  static std::map<DropHandle, std::vector<std::u16string>> drops;
  return drops;
}

// Copies text into buffer cut to size - 1 units and terminated; the units copied.
uint32_t CopyCut(const std::u16string& text, char16_t* buffer, uint32_t size) {
  if (buffer == nullptr || size < 1) return 0;
  uint32_t n = 0;
  for (; n + 1 < size && n < text.size(); ++n) buffer[n] = text[n];
  buffer[n] = 0;
  return n;
}

std::u16string TextOf(const char16_t* text) { return text == nullptr ? u"" : text; }

}  // namespace

void InstallDesktopServices(DesktopServices* services) { installed = services; }

DesktopServices* InstalledDesktopServices() { return installed; }

bool GetOpenFileName(OpenFileName* ofn) {
  return installed != nullptr && installed->GetOpenFileName(ofn);
}

bool DragAcceptFiles(WindowHandle window, bool accept) {
  return installed != nullptr && installed->DragAcceptFiles(window, accept);
}

int GetProfileString(const char16_t* section, const char16_t* key, const char16_t* default_text,
                     char16_t* buffer, int size) {
  if (buffer == nullptr || size < 1) return 0;
  std::u16string text = TextOf(default_text);
  if (installed != nullptr) installed->ReadProfileString(TextOf(section), TextOf(key), &text);
  return static_cast<int>(CopyCut(text, buffer, static_cast<uint32_t>(size)));
}

bool WriteProfileString(const char16_t* section, const char16_t* key, const char16_t* text) {
  return installed != nullptr && installed->WriteProfileString(section, key, text);
}

bool SetClipboardText(WindowHandle owner, const char16_t* text) {
  return installed != nullptr && installed->SetClipboardText(owner, text);
}

DropHandle MakeDrop(std::vector<std::u16string> paths) {
  static DropHandle last = 0xD0000;
  last += 4;
  Drops()[last] = std::move(paths);
  return last;
}

uint32_t DragQueryFile(DropHandle drop, uint32_t index, char16_t* buffer, uint32_t size) {
  auto it = Drops().find(drop);
  if (it == Drops().end()) return 0;
  const std::vector<std::u16string>& paths = it->second;
  if (index == DRAG_QUERY_COUNT) return static_cast<uint32_t>(paths.size());
  if (index >= paths.size()) return 0;
  if (buffer == nullptr) return static_cast<uint32_t>(paths[index].size());
  return CopyCut(paths[index], buffer, size);
}

void DragFinish(DropHandle drop) { Drops().erase(drop); }
