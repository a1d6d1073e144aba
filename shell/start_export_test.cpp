// The start export on the scripted platform: real files, read by the real
// store once the window the test makes has painted; its refusal told over
// the window, and the scans, Open and hand-overs chosen while it is read.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "platform/registry/testing/registry_testing.h"
#include "platform/windowing/scripted/scripted_desktop_services.h"
#include "resources/resource_ids.h"
#include "shell/app_start.h"
#include "shell/export_commands.h"
#include "shell/main_window.h"
#include "shell/registry_export.h"
#include "shell/testing/shell_test_support.h"

namespace {

class StartExportTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    InstallDesktopServices(&desktop_);
    good_ = folder_.File("pda.reg");
    broken_ = folder_.File("broken.reg");
    WriteText(good_, FAULTY_EXPORT);
    WriteText(broken_, "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Drivers]\r\n\"Dll\"=dword:xyz\r\n");
  }
  void TearDown() override {
    StartExitStatus(Shell().work);
    CloseRegistry(Shell().registry);
    InstallDesktopServices(nullptr);
    ShellTest::TearDown();
  }

  // Start-up as the desktop program makes it: the reading text, the read
  // waiting for the first paint, then the window.
  void Start(const std::string& path, bool end_on_refusal) {
    ShowReadingText(path);
    OpenAfterFirstPaint(Shell(), path, end_on_refusal);
    ASSERT_TRUE(InitInstance(ProgramInstance(), SW_SHOW));
  }
  // Runs the loop until the worker has been given the start export (its
  // thread made, not yet run).
  void UntilTheReadBegins() {
    WindowMessage message{};
    while (windows_.CallsOf({"CreateThread"}).empty() && GetMessage(&message, 0, 0, 0) != 0) {
      DispatchMessage(&message);
    }
  }
  void Command(uint16_t id) { SendMessage(MAIN_WINDOW, WM_COMMAND, id, 0); }
  // Position of the first call beginning with head; -1 when none does.
  long Position(const std::string& head) const {
    const std::vector<std::string>& calls = windows_.Calls();
    auto it = std::find_if(calls.begin(), calls.end(),
                           [&](const std::string& call) { return call.rfind(head, 0) == 0; });
    return it == calls.end() ? -1 : static_cast<long>(it - calls.begin());
  }
  std::vector<std::string> Boxes() const { return windows_.CallsOf({"MessageBox"}); }
  // Starts on start, chooses Open while it is read and other.reg in the
  // dialog: the dialog comes once the read is done, and the window stays
  // for the file chosen.
  void ChooseOpenWhileReading(const std::string& start) {
    const std::string other = folder_.File("other.reg");
    WriteText(other, "REGEDIT4\r\n");
    Start(start, true);
    UntilTheReadBegins();
    desktop_.ChooseFile(WideAscii(other));
    Command(IDM_OPEN);
    EXPECT_TRUE(windows_.CallsOf({"GetOpenFileName"}).empty()) << "the dialog waits";
    FinishWork();
    // The Open comes back to the window as a command of its own.
    WindowMessage message{};
    while (windows_.CallsOf({"GetOpenFileName"}).empty() && GetMessage(&message, 0, 0, 0) != 0) {
      DispatchMessage(&message);
    }
    FinishWork();
    ASSERT_GE(Position("thread 0xf00004 returns"), 0);
    EXPECT_GT(Position("GetOpenFileName("), Position("thread 0xf00004 returns"));
    EXPECT_TRUE(windows_.IsWindow(MAIN_WINDOW));
    EXPECT_EQ(OpenExportPath(Shell().registry), other);
    EXPECT_EQ(StartExitStatus(Shell().work), 0);
  }
  std::string Text() const { return DisplayText.CStr(); }

  ScriptedDesktopServices desktop_{windows_};
  TempDir folder_;
  std::string good_;
  std::string broken_;

  // Starts on the broken export (given on the command line or remembered),
  // chooses command while it is read, and checks that the refusal is all that
  // is told and nothing is scanned.
  void ExpectScanDroppedForRefusal(bool given, int command) {
    Start(broken_, given);
    UntilTheReadBegins();
    Command(command);
    FinishWork();
    EXPECT_EQ(windows_.CallsOf({"CreateThread"}).size(), 1u) << "no scan";
    std::vector<std::string> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u) << "the refusal only";
    EXPECT_NE(boxes[0].find(EXPORT_REFUSED_TEXT), std::string::npos);
  }
};

TEST_F(StartExportTest, ExportIsReadOnlyAfterTheWindowsFirstPaint) {
  OpenAfterFirstPaint(Shell(), good_, true);
  EXPECT_EQ(windows_.Calls(), std::vector<std::string>{"SetCursor(IDC_WAIT)"})
      << "nothing is read before the window";
  EXPECT_TRUE(WorkInProgress(Shell().work));
  ShowReadingText(good_);
  ASSERT_TRUE(InitInstance(ProgramInstance(), SW_SHOW));
  EXPECT_EQ(OpenExportPath(Shell().registry), "");
  EXPECT_TRUE(windows_.CallsOf({"CreateThread"}).empty()) << "the first paint comes first";
  const long drawn = Position("DrawText(1, \"" + std::string(READING_TEXT_HEAD) + good_ + "...");
  const long posted = Position("PostMessage(" + HandleText(MAIN_WINDOW) + ", 0x402, 0x0, ");
  ASSERT_GE(drawn, 0);
  EXPECT_GT(posted, drawn) << "the read is asked for by the first paint";

  FinishWork();
  EXPECT_GT(Position("CreateThread("), posted);
  EXPECT_EQ(OpenExportPath(Shell().registry), good_);
  EXPECT_EQ(Text(), "   Registry export: " + good_ + "\r\n\r\n" + HelpText);
  EXPECT_EQ(desktop_.Profile()[u"Registry/LastExport"], WideAscii(good_));
  EXPECT_EQ(windows_.Cursor(), IDC_ARROW);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(StartExitStatus(Shell().work), 0);

  windows_.ClearCalls();
  SendMessage(MAIN_WINDOW, WM_PAINT, 0, 0);
  EXPECT_TRUE(windows_.CallsOf({"PostMessage", "CreateThread"}).empty())
      << "later paints start nothing";
}

struct StartOutcome {
  const char* name;
  bool broken;
  bool end_on_refusal;  // given on the command line, not remembered
  bool opened;
  int exit_status;
  bool window_stays;
  const char* text_head;
};

void PrintTo(const StartOutcome& c, std::ostream* os) { *os << c.name; }

class StartOutcomeTest : public StartExportTest,
                         public ::testing::WithParamInterface<StartOutcome> {};

TEST_P(StartOutcomeTest, ExportOpensOrItsRefusalIsToldOverTheWindow) {
  const StartOutcome& c = GetParam();
  Start(c.broken ? broken_ : good_, c.end_on_refusal);
  FinishWork();
  EXPECT_EQ(OpenExportPath(Shell().registry), c.opened ? good_ : "");
  EXPECT_EQ(StartExitStatus(Shell().work), c.exit_status);
  EXPECT_EQ(windows_.IsWindow(MAIN_WINDOW), c.window_stays);
  EXPECT_EQ(Text().rfind(c.text_head, 0), 0u) << Text();
  const std::vector<std::string> boxes = Boxes();
  if (c.opened) {
    EXPECT_TRUE(boxes.empty());
  } else {
    ASSERT_EQ(boxes.size(), 1u);
    const std::string head =
        "MessageBox(" + HandleText(MAIN_WINDOW) + ", \"" + EXPORT_REFUSED_TEXT + broken_ + ":4: ";
    EXPECT_EQ(boxes[0].rfind(head, 0), 0u) << boxes[0];
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StartOutcomeTest,
    ::testing::Values(StartOutcome{"GivenRead", false, true, true, 0, true, "   Registry export: "},
                      StartOutcome{"RememberedRead", false, false, true, 0, true,
                                   "   Registry export: "},
                      StartOutcome{"GivenRefused", true, true, false, 1, false, READING_TEXT_HEAD},
                      StartOutcome{"RememberedRefused", true, false, false, 0, true,
                                   "   No registry export is open."}),
    [](const ::testing::TestParamInfo<StartOutcome>& info) { return info.param.name; });

constexpr char BUG[] = "COM5:\r\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\r\n";
constexpr char FIXED[] = "COM5:\r\nDll: QVBTDEV.DLL  FIXED!\r\n";

struct WaitingScan {
  const char* name;
  bool before_the_read;  // chosen before the worker has the export
  std::vector<uint16_t> commands;
  const char* report;
  bool rewritten;
};

void PrintTo(const WaitingScan& c, std::ostream* os) { *os << c.name; }

class WaitingScanTest : public StartExportTest,
                        public ::testing::WithParamInterface<WaitingScan> {};

TEST_P(WaitingScanTest, ScanChosenWhileTheStartExportIsReadRunsOnItOnceItIsOpen) {
  const WaitingScan& c = GetParam();
  Start(good_, true);
  if (!c.before_the_read) UntilTheReadBegins();
  for (uint16_t id : c.commands) Command(id);
  EXPECT_EQ(OpenExportPath(Shell().registry), "") << "the scan waits";
  EXPECT_EQ(Text().rfind(READING_TEXT_HEAD, 0), 0u);
  FinishWork();
  EXPECT_EQ(Text(), c.report);
  EXPECT_EQ(windows_.CallsOf({"CreateThread"}).size(), 2u) << "the read, then one scan";
  EXPECT_EQ(ReadBytes(good_) != NarrowBytes(FAULTY_EXPORT), c.rewritten);
  for (const std::string& box : Boxes()) {
    EXPECT_EQ(box.find(NO_EXPORT_MESSAGE), std::string::npos) << "the scan ran on the export";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WaitingScanTest,
    ::testing::Values(
        WaitingScan{"DetectDuringTheRead", false, {IDM_DETECT}, BUG, false},
        WaitingScan{"DetectBeforeTheRead", true, {IDM_DETECT}, BUG, false},
        WaitingScan{"FixDuringTheRead", false, {IDM_FIX}, FIXED, true},
        WaitingScan{"DetectThenFixTheLastWins", false, {IDM_DETECT, IDM_FIX}, FIXED, true},
        WaitingScan{"FixThenDetectTheLastWins", false, {IDM_FIX, IDM_DETECT}, BUG, false}),
    [](const ::testing::TestParamInfo<WaitingScan>& info) { return info.param.name; });

TEST_F(StartExportTest, ScanChosenWhileAGivenExportIsReadIsDroppedWhenItIsRefused) {
  ExpectScanDroppedForRefusal(true, IDM_FIX);
  EXPECT_FALSE(windows_.IsWindow(MAIN_WINDOW));
  EXPECT_EQ(StartExitStatus(Shell().work), 1);
}

TEST_F(StartExportTest, ScanChosenWhileARememberedExportIsReadIsDroppedWhenItIsRefused) {
  ExpectScanDroppedForRefusal(false, IDM_DETECT);
  EXPECT_EQ(Text().find("COM5:"), std::string::npos) << "no report";

  Command(IDM_DETECT);
  std::vector<std::string> boxes = Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[1].find(NO_EXPORT_MESSAGE), std::string::npos)
      << "a scan chosen afterwards finds no export open, as ever";
}

TEST_F(StartExportTest, FileHandedOverWhileARefusedGivenExportIsReadKeepsTheWindowAndOpens) {
  Start(broken_, true);
  UntilTheReadBegins();
  const std::u16string handed = WideAscii(good_);
  CopyData data{COPYDATA_OPEN_EXPORT, static_cast<uint32_t>(handed.size() * 2), handed.data()};
  EXPECT_EQ(SendMessage(MAIN_WINDOW, WM_COPYDATA, 0, reinterpret_cast<LongParam>(&data)), 1);
  FinishWork();
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes()[0].find(EXPORT_REFUSED_TEXT), std::string::npos);
  EXPECT_TRUE(windows_.IsWindow(MAIN_WINDOW));
  EXPECT_EQ(OpenExportPath(Shell().registry), good_);
  EXPECT_EQ(Text().rfind("   Registry export: " + good_, 0), 0u) << Text();
  EXPECT_EQ(StartExitStatus(Shell().work), 0);
}

TEST_F(StartExportTest, OpenChosenWhileTheStartExportIsReadShowsItsDialogOnceItIsRead) {
  ChooseOpenWhileReading(good_);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(StartExportTest, OpenChosenWhileARefusedGivenExportIsReadKeepsTheWindowForIt) {
  ChooseOpenWhileReading(broken_);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_LT(Position("MessageBox("), Position("GetOpenFileName(")) << "the refusal is told first";
}

TEST_F(StartExportTest, CloseBeforeTheReadBeganClosesAtOnceAndReadsNothing) {
  Start(good_, true);
  SendMessage(MAIN_WINDOW, WM_CLOSE, 0, 0);
  EXPECT_FALSE(windows_.IsWindow(MAIN_WINDOW));
  EXPECT_FALSE(WorkInProgress(Shell().work));
  EXPECT_EQ(windows_.Cursor(), IDC_ARROW);
  WindowMessage message{};
  while (GetMessage(&message, 0, 0, 0) != 0) DispatchMessage(&message);
  EXPECT_TRUE(windows_.CallsOf({"CreateThread"}).empty());
  EXPECT_EQ(OpenExportPath(Shell().registry), "");
  EXPECT_EQ(StartExitStatus(Shell().work), 0);
}

}  // namespace
