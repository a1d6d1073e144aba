#include "shell/app_start.h"

#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "shell/main_window.h"
#include "shell/testing/shell_test_support.h"

namespace {

class AppStartTest : public ShellTest {
 protected:
  int Run() { return RunMainWindow(ProgramInstance(), u"", SW_SHOW); }
  std::string Instance() const { return HandleText(ProgramInstance()); }
};

TEST_F(AppStartTest, FirstCopyCreatesPlacesShowsAndPaintsTheWindow) {
  windows_.Then([] { PostMessage(MAIN_WINDOW, WM_CLOSE, 0, 0); });
  EXPECT_EQ(Run(), 0);

  const std::string w = HandleText(MAIN_WINDOW);
  std::vector<std::string> calls = windows_.Calls();
  ASSERT_GE(calls.size(), 14u);
  std::vector<std::string> start(calls.begin(), calls.begin() + 14);
  EXPECT_EQ(start,
            (std::vector<std::string>{
                "FindWindow(\"QUORVAFIX\", null)",
                "RegisterClass(\"QUORVAFIX\", style 3, icon 101, brush 0xffffff)",
                "CreateWindowEx(0x0, \"QUORVAFIX\", \"QUORVAFIX\", 0x10000000, 0x80000000, "
                "0x80000000, 0x80000000, 0x80000000, 0, 0, " +
                    Instance() + ", null)",
                Sent(MAIN_WINDOW, "WM_CREATE", "0x0", "0x0"),
                "SHCreateMenuBar(size 36, parent " + w + ", flags 0, id 102, instance " +
                    Instance() + ", bitmap 0, images 0)",
                "GetWindowRect(" + w + ")",
                "MoveWindow(" + w + ", 0, 26, 240, 294, false)",
                "ShowWindow(" + w + ", 5)",
                "UpdateWindow(" + w + ")",
                Sent(MAIN_WINDOW, "WM_PAINT", "0x0", "0x0"),
                "BeginPaint(" + w + ")",
                "GetClientRect(" + w + ")",
                "DrawText(1, \"" + std::string(HelpText) + "\", " +
                    std::to_string(std::string(HelpText).size()) + ", {10, 10, 230, 294}, 0x10)",
                "EndPaint(" + w + ")",
            }));
}

TEST_F(AppStartTest, SecondCopyBringsTheFirstForwardAndExitsWithZero) {
  WindowHandle running = windows_.AddForeignWindow(u"QUORVAFIX", u"QUORVAFIX");
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(windows_.Calls(),
            (std::vector<std::string>{"FindWindow(\"QUORVAFIX\", null)",
                                      "SetForegroundWindow(" + HandleText(running | 1) + ")"}));
}

TEST_F(AppStartTest, FailedWindowCreationEndsWithZeroAndNoLoop) {
  windows_.FailWindowCreation();
  EXPECT_EQ(Run(), 0);
  std::vector<std::string> calls = windows_.Calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[2].substr(0, 15), "CreateWindowEx(");
  EXPECT_TRUE(windows_.CallsOf({"loop starved", "ShowWindow", "SHCreateMenuBar"}).empty());
}

TEST_F(AppStartTest, FailedMenuBarLeavesTheWindowWhereItIs) {
  shell_.FailMenuBar();
  windows_.Then([] {
    EXPECT_EQ(Shell().menu_bar, 0u);
    PostMessage(MAIN_WINDOW, WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(Run(), 0);
  const std::string w = HandleText(MAIN_WINDOW);
  EXPECT_TRUE(windows_.CallsOf({"MoveWindow"}).empty());
  EXPECT_EQ(windows_.CallsOf({"GetWindowRect", "ShowWindow", "UpdateWindow"}),
            (std::vector<std::string>{"GetWindowRect(" + w + ")", "ShowWindow(" + w + ", 5)",
                                      "UpdateWindow(" + w + ")"}));
  // The null menu bar is still handed to DestroyWindow on the way out.
  EXPECT_EQ(windows_.CallsOf({"DestroyWindow"}),
            (std::vector<std::string>{"DestroyWindow(" + w + ")", "DestroyWindow(0)"}));
}

TEST_F(AppStartTest, ActivationRecordIsZeroedAndSizedOnCreate) {
  Shell().activation = ActivateInfo{99, 0x55, 7};
  windows_.Then([] {
    EXPECT_EQ(Shell().activation.size, 12u);
    EXPECT_EQ(Shell().activation.last_focus, 0u);
    EXPECT_EQ(Shell().activation.flags, 0u);
    PostMessage(MAIN_WINDOW, WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(Run(), 0);
}

// Exit from the menu and Ctrl+Q take the same road, in this exact order.
std::vector<std::string> CloseRoad() {
  const std::string w = HandleText(ShellTest::MAIN_WINDOW);
  const std::string b = HandleText(ShellTest::MENU_BAR);
  return {
      "SendMessage(" + w + ", WM_ACTIVATE, 0x0, " + w + ")",
      "SHHandleWMActivate(" + w + ", 0, " + w + ", {size 12, focus 0, flags 0}, 0)",
      "SendMessage(" + w + ", WM_CLOSE, 0x0, 0x0)",
      "DefWindowProc(" + w + ", WM_CLOSE, 0x0, 0x0)",
      "DestroyWindow(" + w + ")",
      "SendMessage(" + w + ", WM_DESTROY, 0x0, 0x0)",
      "DestroyWindow(" + b + ")",
      "SendMessage(" + b + ", WM_DESTROY, 0x0, 0x0)",
      "DefWindowProc(" + b + ", WM_DESTROY, 0x0, 0x0)",
      "PostQuitMessage(0)",
  };
}

TEST_F(AppStartTest, ExitCommandDeactivatesClosesAndQuitsWithZero) {
  windows_.Then([&] {
    windows_.ClearCalls();
    PostMessage(MAIN_WINDOW, WM_COMMAND, IDM_EXIT, 0);
  });
  EXPECT_EQ(Run(), 0);
  std::vector<std::string> calls = windows_.Calls();
  ASSERT_FALSE(calls.empty());
  calls.erase(calls.begin());  // the PostMessage itself
  EXPECT_EQ(calls, CloseRoad());
  EXPECT_FALSE(windows_.IsWindow(MAIN_WINDOW));
  EXPECT_FALSE(windows_.IsWindow(MENU_BAR));
}

TEST_F(AppStartTest, CtrlQTakesTheExitRoad) {
  windows_.Then([&] {
    windows_.ClearCalls();
    PostMessage(MAIN_WINDOW, WM_KEYDOWN, 'Q', MOD_CONTROL);
  });
  EXPECT_EQ(Run(), 0);
  std::vector<std::string> calls = windows_.Calls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[1], Sent(MAIN_WINDOW, "WM_COMMAND", "0x10001", "0x0"));
  calls.erase(calls.begin(), calls.begin() + 2);
  EXPECT_EQ(calls, CloseRoad());
}

TEST_F(AppStartTest, CtrlAOpensTheAboutBoxOwnedByTheMainWindow) {
  const WindowHandle about = MENU_BAR + 4;
  windows_.Then([] { PostMessage(MAIN_WINDOW, WM_KEYDOWN, 'A', MOD_CONTROL); });
  windows_.Then([&] {
    EXPECT_TRUE(windows_.IsWindow(about));
    SendMessage(about, WM_COMMAND, IDOK, 0);
  });
  windows_.Then([] { PostMessage(MAIN_WINDOW, WM_CLOSE, 0, 0); });
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(windows_.CallsOf({"loop starved"}).empty());
  EXPECT_EQ(windows_.CallsOf({"DialogBoxParam returned 1"}).size(), 1u);
  EXPECT_EQ(windows_.CallsOf({"DialogBoxParam"}),
            (std::vector<std::string>{"DialogBoxParam(" + HandleText(ProgramInstance()) +
                                      ", 103, " + HandleText(MAIN_WINDOW) + ", 0x0)"}));
}

TEST_F(AppStartTest, KeysWithoutAnAcceleratorAreDispatched) {
  windows_.Then([] { PostMessage(MAIN_WINDOW, WM_KEYDOWN, 'Q', 0); });
  windows_.Then([] { PostMessage(MAIN_WINDOW, WM_CLOSE, 0, 0); });
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(windows_.CallsOf({"DefWindowProc"}).front(),
            "DefWindowProc(" + HandleText(MAIN_WINDOW) + ", WM_KEYDOWN, 0x51, 0x0)");
  EXPECT_TRUE(windows_.CallsOf({"DialogBoxParam"}).empty());
}

}  // namespace
