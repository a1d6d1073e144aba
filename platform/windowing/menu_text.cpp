#include "platform/windowing/menu_text.h"

namespace {

std::u16string ShortcutOf(const ResourceModule& module, uint16_t command) {
  if (command == 0) return std::u16string();
  for (int t = 0; t < module.accelerator_count; ++t) {
    const AcceleratorTable& table = module.accelerators[t];
    for (int i = 0; i < table.entry_count; ++i) {
      const AcceleratorResource& entry = table.entries[i];
      if (entry.command != command || !(entry.flags & FVIRTKEY)) continue;
      std::u16string text;
      if (entry.flags & FCONTROL) text += u"Ctrl+";
      if (entry.flags & FALT) text += u"Alt+";
      if (entry.flags & FSHIFT) text += u"Shift+";
      return text + static_cast<char16_t>(entry.key);
    }
  }
  return std::u16string();
}

char16_t Upper(char16_t unit) { return unit >= u'a' && unit <= u'z' ? unit - u'a' + u'A' : unit; }

bool IsKey(char16_t unit) {
  const char16_t upper = Upper(unit);
  return (upper >= u'A' && upper <= u'Z') || (upper >= u'0' && upper <= u'9');
}

}  // namespace

std::u16string MenuItemShortcut(InstanceHandle instance, const MenuItemResource& item) {
  const ResourceModule* module = ModuleOf(instance);
  if (module == nullptr) return std::u16string();
  std::u16string shortcut = ShortcutOf(*module, item.command);
  return shortcut.empty() ? ShortcutOf(*module, item.same_as) : shortcut;
}

std::u16string WithAccessKey(const std::u16string& label, std::u16string* taken) {
  for (size_t i = 0; i + 1 < label.size(); ++i) {
    if (label[i] != u'&') continue;
    if (label[i + 1] != u'&') {
      *taken += Upper(label[i + 1]);
      return label;
    }
    ++i;  // "&&": a plain '&'
  }
  for (size_t i = 0; i < label.size(); ++i) {
    if (label[i] == u'&') {
      ++i;
      continue;
    }
    if (!IsKey(label[i]) || taken->find(Upper(label[i])) != std::u16string::npos) continue;
    *taken += Upper(label[i]);
    return label.substr(0, i) + u'&' + label.substr(i);
  }
  return label;
}
