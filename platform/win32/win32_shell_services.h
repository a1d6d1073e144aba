// The shell's services on Win32, in a desktop's terms: the menu bar is the
// frame's own menu bar (an HMENU built from the menu-bar template and its
// menu: one entry per template button, labelled from the string table, a
// drop-down button a popup of the menu's items with their ids and labels,
// "&" mnemonics included, each item's accelerator after a tab as Windows
// shows it, "Open Registry Export...\tCtrl+O"). The bar is also a platform
// window of the manager, owned by the parent and destroyed with it, so that
// the program's handle for it behaves as on the handheld. SHInitDialog's
// flags act on the native dialog (Win32WindowManager::ApplyDialogFlags); the
// input panel calls keep the shared records and nothing more.
#pragma once

#include "platform/win32/win32_window_manager.h"
#include "platform/windowing/shell_services.h"

class Win32ShellServices : public ShellServicesBase {
 public:
  explicit Win32ShellServices(Win32WindowManager& windows) : windows_(windows) {}

  bool SHCreateMenuBar(MenuBarInfo* info) override;
  bool SHInitDialog(InitDialogInfo* info) override;

 private:
  Win32WindowManager& windows_;
};
