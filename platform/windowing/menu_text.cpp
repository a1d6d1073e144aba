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

}  // namespace

std::u16string MenuItemShortcut(InstanceHandle instance, const MenuItemResource& item) {
  const ResourceModule* module = ModuleOf(instance);
  if (module == nullptr) return std::u16string();
  std::u16string shortcut = ShortcutOf(*module, item.command);
  return shortcut.empty() ? ShortcutOf(*module, item.same_as) : shortcut;
}
