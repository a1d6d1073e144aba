// The shell's services on Qt: the menu bar is a strip along the bottom of
// the screen with one tool button per template entry (its label from the
// string table; a drop-down button opens its popup of the template's menu,
// without the items marked windows_only); each item shows its accelerator
// after a tab (MenuItemResource says which); a chosen item posts WM_COMMAND
// to the bar's parent. SHInitDialog's flags act on the Qt dialog (see
// QtWindowManager::ApplyDialogFlags).
#pragma once

#include "platform/qt/qt_window_manager.h"
#include "platform/windowing/shell_services.h"

class QtShellServices : public ShellServicesBase {
 public:
  explicit QtShellServices(QtWindowManager& windows) : windows_(windows) {}

  bool SHCreateMenuBar(MenuBarInfo* info) override;
  bool SHInitDialog(InitDialogInfo* info) override;

 private:
  QtWindowManager& windows_;
};
