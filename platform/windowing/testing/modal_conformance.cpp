// Modal boxes and dialogs: MessageBox, DialogBoxParam, EndDialog and
// SHInitDialog, answered from inside their modal loops.
#include "platform/windowing/testing/platform_conformance.h"

namespace {

// What the dialog procedure saw, and how it answers.
struct DialogRun {
  std::vector<SeenMessage> seen;
  WindowHandle dialog = 0;
  uint32_t init_flags = 0;  // given to SHInitDialog on WM_INITDIALOG
  uint32_t init_mask = SHIDIM_FLAGS;
  bool init_result = false;
  bool end_at_init = false;  // ends the dialog inside WM_INITDIALOG
  bool end_result = false;
};
DialogRun run;

// Ends the dialog with 100 + the command it gets.
bool ConformanceDialogProcedure(WindowHandle dialog, uint32_t message, WordParam wparam,
                                LongParam lparam) {
  run.seen.push_back(SeenMessage{dialog, message, wparam, lparam});
  if (message == WM_INITDIALOG) {
    run.dialog = dialog;
    if (run.init_flags != 0) {
      InitDialogInfo info{run.init_mask, dialog, run.init_flags};
      run.init_result = SHInitDialog(&info);
    }
    if (run.end_at_init) run.end_result = EndDialog(dialog, 7);
    return true;
  }
  if (message == WM_COMMAND) {
    run.end_result = EndDialog(dialog, 100 + static_cast<intptr_t>(LowWord(wparam)));
    return true;
  }
  return false;
}

TEST_P(PlatformConformance, MessageBoxShowsItsTextUntilOkIsPressed) {
  WindowHandle window = MakeWindow();
  ASSERT_NE(window, 0u);
  struct Case {
    WindowHandle owner;
    std::u16string text;
    std::u16string caption;
    uint32_t type;
  };
  const Case cases[] = {
      {window, u"The export was fixed.", u"QUORVAFIX", MB_OK},
      {window, u"Two lines,\r\nthe second \u00fcber", u"Warnung \u26a0", MB_OK | MB_ICONWARNING},
      {0, u"No owner", u"Alone", MB_OK},
  };
  for (const Case& c : cases) {
    Platform().AnswerNextMessageBox();
    EXPECT_EQ(MessageBox(c.owner, c.text.c_str(), c.caption.c_str(), c.type), IDOK);
    PlatformUnderTest::ShownBox shown = Platform().LastAnsweredBox();
    EXPECT_EQ(WithoutCarriageReturns(shown.text), WithoutCarriageReturns(c.text));
    EXPECT_EQ(shown.caption, c.caption);
  }
}

TEST_P(PlatformConformance, DialogBoxParamRunsUntilEndDialogAndReturnsItsResult) {
  WindowHandle owner = MakeWindow();
  ASSERT_NE(owner, 0u);
  struct Case {
    uint32_t template_id;
    uint32_t init_flags;
    uint32_t init_mask;
    intptr_t result;  // 100 + the caption's command
  };
  const Case cases[] = {
      {IDD_CONFORMANCE_CAPTION, 0, SHIDIM_FLAGS, 100 + IDOK},
      {IDD_CONFORMANCE_PLAIN, 0, SHIDIM_FLAGS, 100 + IDCANCEL},
      {IDD_CONFORMANCE_PLAIN, SHIDIF_DONEBUTTON | SHIDIF_SIPDOWN, SHIDIM_FLAGS, 100 + IDOK},
      {IDD_CONFORMANCE_PLAIN, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN, SHIDIM_FLAGS,
       100 + IDOK},
      // Without SHIDIM_FLAGS the flags are not read: no Done button.
      {IDD_CONFORMANCE_PLAIN, SHIDIF_DONEBUTTON, 0, 100 + IDCANCEL},
  };
  for (const Case& c : cases) {
    run = DialogRun{};
    run.init_flags = c.init_flags;
    run.init_mask = c.init_mask;
    Platform().CloseNextDialog();
    intptr_t result = DialogBoxParam(ConformanceInstance(), c.template_id, owner,
                                     ConformanceDialogProcedure, 0x5EED);
    EXPECT_EQ(result, c.result) << c.template_id << " flags " << c.init_flags;
    ASSERT_FALSE(run.seen.empty());
    EXPECT_EQ(run.seen.front().message, WM_INITDIALOG) << "the first message";
    EXPECT_EQ(run.seen.front().lparam, 0x5EED);
    EXPECT_NE(run.dialog, 0u);
    EXPECT_NE(run.dialog, owner);
    EXPECT_TRUE(run.end_result);
    if (c.init_flags != 0) {
      EXPECT_TRUE(run.init_result);
    }
    // Gone once it returned.
    EXPECT_FALSE(EndDialog(run.dialog, 1));
  }
}

TEST_P(PlatformConformance, EndDialogInsideInitDialogReturnsWithoutALoop) {
  run = DialogRun{};
  run.end_at_init = true;
  EXPECT_EQ(DialogBoxParam(ConformanceInstance(), IDD_CONFORMANCE_PLAIN, 0,
                           ConformanceDialogProcedure, 0),
            7);
  EXPECT_TRUE(run.end_result);
}

TEST_P(PlatformConformance, DialogCallsRefuseWhatIsNoDialog) {
  WindowHandle window = MakeWindow();
  ASSERT_NE(window, 0u);
  EXPECT_EQ(DialogBoxParam(ConformanceInstance(), 999, window, ConformanceDialogProcedure, 0), -1);
  EXPECT_EQ(
      DialogBoxParam(0x7FFF0000u, IDD_CONFORMANCE_PLAIN, window, ConformanceDialogProcedure, 0),
      -1);
  EXPECT_FALSE(EndDialog(window, 1)) << "a top-level window";
  EXPECT_FALSE(EndDialog(0, 1));
  EXPECT_FALSE(EndDialog(0x7FFF0000u, 1));

  InitDialogInfo info{SHIDIM_FLAGS, window, SHIDIF_DONEBUTTON};
  EXPECT_FALSE(SHInitDialog(&info)) << "a top-level window";
  info.dialog = 0x7FFF0000u;
  EXPECT_FALSE(SHInitDialog(&info));
  EXPECT_FALSE(SHInitDialog(nullptr));
}

}  // namespace
