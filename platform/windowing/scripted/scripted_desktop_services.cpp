#include "platform/windowing/scripted/scripted_desktop_services.h"

#include <cstdio>

namespace {

std::string Quoted(const char16_t* text) {
  return text == nullptr ? "null" : "\"" + Utf8Of(text) + "\"";
}

// The filter's texts joined by '|', up to the empty text that ends it.
std::string FilterText(const char16_t* filter) {
  if (filter == nullptr) return "null";
  std::string out;
  for (const char16_t* p = filter; *p != 0; p += std::char_traits<char16_t>::length(p) + 1) {
    out += Utf8Of(p) + "|";
  }
  return "\"" + out + "\"";
}

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", value);
  return text;
}

}  // namespace

bool ScriptedDesktopServices::GetOpenFileName(OpenFileName* ofn) {
  if (ofn == nullptr) {
    windows_.Note("GetOpenFileName(null)");
    return false;
  }
  windows_.Note("GetOpenFileName(owner " + HandleText(ofn->owner) + ", filter " +
                FilterText(ofn->filter) + ", index " + std::to_string(ofn->filter_index) +
                ", folder " + Quoted(ofn->initial_dir) + ", flags " + Hex(ofn->flags) + ")");
  std::u16string chosen = std::move(chosen_);
  chosen_.clear();
  if (ofn->size != sizeof(OpenFileName) || ofn->file == nullptr || chosen.empty() ||
      chosen.size() + 1 > ofn->max_file) {
    return false;
  }
  chosen.copy(ofn->file, chosen.size());
  ofn->file[chosen.size()] = 0;
  return true;
}

bool ScriptedDesktopServices::DragAcceptFiles(WindowHandle window, bool accept) {
  windows_.Note("DragAcceptFiles(" + HandleText(window) + ", " + (accept ? "true" : "false") + ")");
  if (!windows_.IsWindow(window)) return false;
  drop_target_ = accept ? window : 0;
  return true;
}

bool ScriptedDesktopServices::ReadProfileString(const std::u16string& section,
                                                const std::u16string& key, std::u16string* text) {
  auto it = profile_.find(section + u"/" + key);
  if (it == profile_.end()) return false;
  *text = it->second;
  return true;
}

bool ScriptedDesktopServices::WriteProfileString(const char16_t* section, const char16_t* key,
                                                 const char16_t* text) {
  windows_.Note("WriteProfileString(" + Quoted(section) + ", " + Quoted(key) + ", " + Quoted(text) +
                ")");
  if (section == nullptr || key == nullptr) return false;
  std::u16string name = std::u16string(section) + u"/" + key;
  if (text == nullptr) {
    profile_.erase(name);
  } else {
    profile_[name] = text;
  }
  return true;
}

bool ScriptedDesktopServices::SetClipboardText(WindowHandle owner, const char16_t* text) {
  windows_.Note("SetClipboardText(owner " + Hex(owner) + ", " + Quoted(text) + ")");
  if (text == nullptr) return false;
  clipboard_ = text;
  return true;
}
