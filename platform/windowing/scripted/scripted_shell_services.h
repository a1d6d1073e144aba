// Shell services without a display, for tests: each call is recorded in the
// scripted window manager's record (one line, e.g.
// "SHInitDialog(mask 1, 0x100c, flags 13)"); the activation record-keeping is
// the shared one; the menu bar is a platform window of the manager. The test
// owns both objects and installs them.
#pragma once

#include "platform/windowing/scripted/scripted_window_manager.h"
#include "platform/windowing/shell_services.h"

class ScriptedShellServices : public ShellServicesBase {
 public:
  explicit ScriptedShellServices(ScriptedWindowManager& windows) : windows_(windows) {}

  // Makes SHCreateMenuBar fail (menu_bar stays 0).
  void FailMenuBar() { fail_menu_bar_ = true; }
  // The last menu bar made (0 before the first).
  WindowHandle MenuBar() const { return menu_bar_; }

  bool SHCreateMenuBar(MenuBarInfo* info) override;
  bool SHHandleWMActivate(WindowHandle window, WordParam wparam, LongParam lparam,
                          ActivateInfo* info, uint32_t flags) override;
  bool SHHandleWMSettingChange(WindowHandle window, WordParam wparam, LongParam lparam,
                               ActivateInfo* info) override;
  bool SHInitDialog(InitDialogInfo* info) override;

 private:
  ScriptedWindowManager& windows_;
  bool fail_menu_bar_ = false;
  WindowHandle menu_bar_ = 0;
};
