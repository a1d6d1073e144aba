// Test support for the shell on the scripted platform: installs a fresh
// stand-in window manager and shell services and the program's resources,
// and puts DisplayText back to HelpText. The stand-in numbers windows from
// 0x1004 in steps of 4: the main window, then the menu bar, then dialogs.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/windowing/scripted/scripted_shell_services.h"
#include "platform/windowing/scripted/scripted_window_manager.h"
#include "resources/quorvafix_resources.h"
#include "shell/display_text.h"

class ShellTest : public ::testing::Test {
 public:
  static constexpr WindowHandle MAIN_WINDOW = 0x1004;
  static constexpr WindowHandle MENU_BAR = 0x1008;

 protected:
  void SetUp() override {
    InstallWindowManager(&windows_);
    InstallShellServices(&shell_);
    DisplayText.Assign(HelpText);
  }
  void TearDown() override {
    InstallWindowManager(nullptr);
    InstallShellServices(nullptr);
  }

  static InstanceHandle ProgramInstance() { return QuorvafixInstance(); }

  // "SendMessage(0x1004, WM_COMMAND, 0x9c44, 0x0)" and the like.
  static std::string Sent(WindowHandle window, const std::string& message, const std::string& w,
                          const std::string& l) {
    return "SendMessage(" + HandleText(window) + ", " + message + ", " + w + ", " + l + ")";
  }

  ScriptedWindowManager windows_;
  ScriptedShellServices shell_{windows_};
};
