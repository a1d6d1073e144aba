#include "shell/about_box.h"

#include <string>
#include <vector>

#include "shell/main_window.h"
#include "shell/testing/shell_test_support.h"

namespace {

class AboutBoxTest : public ShellTest {
 protected:
  // Runs the About box as the About command does, while the scripted steps
  // act; returns DialogBoxParam's result.
  intptr_t RunAbout() {
    Shell().instance = ProgramInstance();
    return DialogBoxParam(ProgramInstance(), 103, 0, AboutBoxProc, 0);
  }
};

TEST_F(AboutBoxTest, InitialisesFullScreenWithDoneButtonAndPanelDown) {
  const WindowHandle dialog = 0x1004;  // no main window in this test
  windows_.Then([&] { SendMessage(dialog, WM_COMMAND, IDOK, 0); });
  EXPECT_EQ(RunAbout(), 1);
  EXPECT_EQ(
      windows_.CallsOf({"SHInitDialog", "EndDialog"}),
      (std::vector<std::string>{"SHInitDialog(mask 1, 0x1004, flags 13)", "EndDialog(0x1004, 1)"}));
}

TEST_F(AboutBoxTest, InitDialogIsReportedHandled) {
  EXPECT_TRUE(AboutBoxProc(0x2000, WM_INITDIALOG, 0, 0));
}

struct CommandCase {
  WordParam wparam;
  bool handled;
};

TEST_F(AboutBoxTest, OnlyCommandOneEndsTheDialog) {
  const CommandCase cases[] = {
      {IDOK, true},
      {MakeWordParam(IDOK, 1), true},  // the high word is not examined
      {IDCANCEL, false},
      {40003, false},
  };
  for (const CommandCase& c : cases) {
    windows_.ClearCalls();
    windows_.Then([&] {
      const WindowHandle dialog = windows_.NewestWindow();
      EXPECT_EQ(AboutBoxProc(dialog, WM_COMMAND, c.wparam, 0), c.handled) << c.wparam;
      if (!c.handled) SendMessage(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(RunAbout(), 1);
    EXPECT_EQ(windows_.CallsOf({"EndDialog"}).size(), 1u) << c.wparam;
  }
}

TEST_F(AboutBoxTest, OtherMessagesAreNotHandled) {
  for (uint32_t message : {WM_PAINT, WM_CLOSE, WM_DESTROY, WM_ACTIVATE, WM_KEYDOWN}) {
    EXPECT_FALSE(AboutBoxProc(0x2000, message, IDOK, 0)) << message;
  }
  EXPECT_TRUE(windows_.Calls().empty());
}

}  // namespace
