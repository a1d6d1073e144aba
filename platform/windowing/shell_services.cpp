#include "platform/windowing/shell_services.h"

namespace {

ShellServices* installed = nullptr;

bool IsActivateRecord(const ActivateInfo* info) {
  return info != nullptr && info->size == sizeof(ActivateInfo);
}

}  // namespace

bool ShellServicesBase::SHHandleWMActivate(WindowHandle, WordParam wparam, LongParam lparam,
                                           ActivateInfo* info, uint32_t flags) {
  if (!IsActivateRecord(info) || flags != 0) return false;
  if (LowWord(wparam) == WA_INACTIVE) {
    // Remember whether the input panel was up, for the next activation.
    info->flags &= ~(SHA_ACTIVE | SHA_SIP_ON_DEACTIVATION);
    if (info->flags & SHA_SIP_UP) info->flags |= SHA_SIP_ON_DEACTIVATION;
  } else {
    info->flags |= SHA_ACTIVE;
    info->last_focus = static_cast<WindowHandle>(lparam);
  }
  return true;
}

bool ShellServicesBase::SHHandleWMSettingChange(WindowHandle, WordParam wparam, LongParam,
                                                ActivateInfo* info) {
  if (!IsActivateRecord(info)) return false;
  if (wparam == SPI_SETSIPINFO) info->flags &= ~SHA_SIP_UP;
  return true;
}

void InstallShellServices(ShellServices* services) { installed = services; }

ShellServices* InstalledShellServices() { return installed; }

bool SHCreateMenuBar(MenuBarInfo* info) {
  return installed != nullptr && installed->SHCreateMenuBar(info);
}

bool SHHandleWMActivate(WindowHandle window, WordParam wparam, LongParam lparam, ActivateInfo* info,
                        uint32_t flags) {
  return installed != nullptr && installed->SHHandleWMActivate(window, wparam, lparam, info, flags);
}

bool SHHandleWMSettingChange(WindowHandle window, WordParam wparam, LongParam lparam,
                             ActivateInfo* info) {
  return installed != nullptr && installed->SHHandleWMSettingChange(window, wparam, lparam, info);
}

bool SHInitDialog(InitDialogInfo* info) {
  return installed != nullptr && installed->SHInitDialog(info);
}
