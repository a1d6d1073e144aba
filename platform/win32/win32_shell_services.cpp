#include "platform/win32/win32_shell_services.h"

#include <vector>

#include "platform/win32/win32_shell_calls.h"
#include "platform/windowing/menu_text.h"

namespace {

std::u16string StringOf(InstanceHandle instance, uint32_t id) {
  const char16_t* text = FindString(instance, id);
  return text == nullptr ? std::u16string() : std::u16string(text);
}

// Each item with its access key (Alt and the key, or the key alone in the
// open popup) and its accelerator after a tab.
std::vector<win32::MenuCommand> CommandsOf(InstanceHandle instance, const PopupResource& popup) {
  std::vector<win32::MenuCommand> commands;
  std::u16string taken;
  for (int k = 0; k < popup.item_count; ++k) {
    const MenuItemResource& item = popup.items[k];
    std::u16string text = WithAccessKey(item.text, &taken);
    std::u16string shortcut = MenuItemShortcut(instance, item);
    if (!shortcut.empty()) text += u"\t" + shortcut;
    commands.push_back({item.command, text});
  }
  return commands;
}

// The bar's entries, each label with its access key (Alt+T opens "&Tools"):
// a drop-down button opens its popup of the menu; any other button is a
// command of its own.
std::vector<win32::MenuBarEntry> EntriesOf(InstanceHandle instance,
                                           const MenuBarTemplate& bar_template,
                                           const MenuResource* menu) {
  std::vector<win32::MenuBarEntry> entries;
  std::u16string taken;
  for (int i = 0; i < bar_template.button_count; ++i) {
    const MenuBarButtonResource& button = bar_template.buttons[i];
    win32::MenuBarEntry entry{WithAccessKey(StringOf(instance, button.label_string), &taken),
                              button.command,
                              (button.state & TBSTATE_ENABLED) != 0,
                              {}};
    const bool drops_down = (button.style & TBSTYLE_DROPDOWN) != 0 && menu != nullptr &&
                            button.submenu < menu->popup_count;
    if (drops_down) entry.commands = CommandsOf(instance, menu->popups[button.submenu]);
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace

bool Win32ShellServices::SHCreateMenuBar(MenuBarInfo* info) {
  if (info == nullptr) return false;
  info->menu_bar = 0;
  if (info->size != sizeof(MenuBarInfo) || windows_.NativeWindow(info->parent) == nullptr) {
    return false;
  }
  const MenuBarTemplate* bar_template = FindMenuBarTemplate(info->instance, info->menu_bar_id);
  if (bar_template == nullptr) return false;
  HMENU menu = win32::CreateMenuBar(
      EntriesOf(info->instance, *bar_template, FindMenu(info->instance, bar_template->menu)));
  if (menu == nullptr) return false;
  if (!windows_.SetFrameMenu(info->parent, menu)) {
    win32::DestroyMenu(menu);
    return false;
  }
  info->menu_bar = windows_.AddPlatformWindow(info->parent, u"menu_bar");
  return info->menu_bar != 0;
}

bool Win32ShellServices::SHInitDialog(InitDialogInfo* info) {
  if (info == nullptr) return false;
  const uint32_t flags = (info->mask & SHIDIM_FLAGS) ? info->flags : 0;
  return windows_.ApplyDialogFlags(info->dialog, flags);
}
