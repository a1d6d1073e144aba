#include "platform/windowing/scripted/scripted_shell_services.h"

#include <string>

namespace {

std::string ActivateInfoText(const ActivateInfo* info) {
  if (info == nullptr) return "null";
  return "{size " + std::to_string(info->size) + ", focus " + HandleText(info->last_focus) +
         ", flags " + std::to_string(info->flags) + "}";
}

std::string Number(uintmax_t value) { return std::to_string(value); }

}  // namespace

bool ScriptedShellServices::SHCreateMenuBar(MenuBarInfo* info) {
  if (info == nullptr) {
    windows_.Note("SHCreateMenuBar(null)");
    return false;
  }
  windows_.Note("SHCreateMenuBar(size " + Number(info->size) + ", parent " +
                HandleText(info->parent) + ", flags " + Number(info->flags) + ", id " +
                Number(info->menu_bar_id) + ", instance " + HandleText(info->instance) +
                ", bitmap " + Number(info->bitmap_id) + ", images " + Number(info->bitmap_count) +
                ")");
  info->menu_bar = 0;
  if (fail_menu_bar_ || info->size != sizeof(MenuBarInfo) ||
      FindMenuBarTemplate(info->instance, info->menu_bar_id) == nullptr) {
    return false;
  }
  info->menu_bar = windows_.AddPlatformWindow(info->parent, u"menu_bar");
  menu_bar_ = info->menu_bar;
  return info->menu_bar != 0;
}

bool ScriptedShellServices::SHHandleWMActivate(WindowHandle window, WordParam wparam,
                                               LongParam lparam, ActivateInfo* info,
                                               uint32_t flags) {
  windows_.Note("SHHandleWMActivate(" + HandleText(window) + ", " + Number(wparam) + ", " +
                HandleText(static_cast<WindowHandle>(lparam)) + ", " + ActivateInfoText(info) +
                ", " + Number(flags) + ")");
  return ShellServicesBase::SHHandleWMActivate(window, wparam, lparam, info, flags);
}

bool ScriptedShellServices::SHHandleWMSettingChange(WindowHandle window, WordParam wparam,
                                                    LongParam lparam, ActivateInfo* info) {
  windows_.Note("SHHandleWMSettingChange(" + HandleText(window) + ", " + Number(wparam) + ", " +
                Number(static_cast<uintptr_t>(lparam)) + ", " + ActivateInfoText(info) + ")");
  return ShellServicesBase::SHHandleWMSettingChange(window, wparam, lparam, info);
}

bool ScriptedShellServices::SHInitDialog(InitDialogInfo* info) {
  if (info == nullptr) {
    windows_.Note("SHInitDialog(null)");
    return false;
  }
  windows_.Note("SHInitDialog(mask " + Number(info->mask) + ", " + HandleText(info->dialog) +
                ", flags " + Number(info->flags) + ")");
  return windows_.IsRunningDialog(info->dialog);
}
