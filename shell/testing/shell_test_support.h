// Test support for the shell on the scripted platform: installs a fresh
// stand-in window manager and shell services and the program's resources,
// and puts DisplayText back to HelpText. The stand-in numbers windows from
// 0x1004 in steps of 4: the main window, then the menu bar, then dialogs.
// FinishWork lets the window's worker run to its end through the loop
// (FinishWorkShowing: and tells the texts the window showed meanwhile).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/windowing/scripted/scripted_shell_services.h"
#include "platform/windowing/scripted/scripted_window_manager.h"
#include "resources/quorvafix_resources.h"
#include "shell/display_text.h"
#include "shell/main_window.h"
#include "shell/window_work.h"

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
    EndWork(Shell().work);
    InstallWindowManager(nullptr);
    InstallShellServices(nullptr);
  }

  static InstanceHandle ProgramInstance() { return QuorvafixInstance(); }

  // "SendMessage(0x1004, WM_COMMAND, 0x9c44, 0x0)" and the like.
  static std::string Sent(WindowHandle window, const std::string& message, const std::string& w,
                          const std::string& l) {
    return "SendMessage(" + HandleText(window) + ", " + message + ", " + w + ", " + l + ")";
  }

  // Runs the program's loop while the window's work is in progress: the
  // stand-in runs the worker's thread and the window handles its WM_WORK_DONE.
  void FinishWork() {
    WindowMessage message{};
    while (WorkInProgress(Shell().work) && GetMessage(&message, 0, 0, 0) != 0)
      DispatchMessage(&message);
  }
  // As FinishWork; returns each text the window showed meanwhile, in order,
  // the one it shows at first included.
  std::vector<std::string> FinishWorkShowing() {
    std::vector<std::string> texts{DisplayText.CStr()};
    WindowMessage message{};
    while (WorkInProgress(Shell().work) && GetMessage(&message, 0, 0, 0) != 0) {
      DispatchMessage(&message);
      if (texts.back() != DisplayText.CStr()) texts.push_back(DisplayText.CStr());
    }
    return texts;
  }
  // calls without the lines the work's own machinery made: the cursor, the
  // thread, its WM_WORK_PROGRESS and its WM_WORK_DONE.
  static std::vector<std::string> WithoutWork(const std::vector<std::string>& calls) {
    std::vector<std::string> kept;
    for (const std::string& call : calls) {
      bool work =
          call.rfind("SetCursor(", 0) == 0 || call.rfind("CreateThread(", 0) == 0 ||
          call.rfind("thread ", 0) == 0 || call.rfind("WaitForSingleObject(", 0) == 0 ||
          call.rfind("CloseHandle(", 0) == 0 ||
          (call.rfind("PostMessage(", 0) == 0 && (call.find(", 0x401, ") != std::string::npos ||
                                                  call.find(", 0x403, ") != std::string::npos));
      if (!work) kept.push_back(call);
    }
    return kept;
  }

  ScriptedWindowManager windows_;
  ScriptedShellServices shell_{windows_};
};
