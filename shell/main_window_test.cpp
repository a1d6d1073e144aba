#include "shell/main_window.h"

#include <cstdio>
#include <string>
#include <vector>

#include "platform/registry/registry.h"
#include "platform/registry/testing/memory_registry.h"
#include "platform/windowing/scripted/scripted_desktop_services.h"
#include "resources/resource_ids.h"
#include "scan/scan_entry.h"
#include "shell/app_start.h"
#include "shell/display_text.h"
#include "shell/testing/shell_test_support.h"

namespace {

constexpr char NOT_FOUND[] = "We have not find any Bluetooth Bug from QUORVA in this PDA.";
constexpr char REPAIRED[] =
    " We have solved the Bug. You need to reboot your PocketPC with a soft reset to make the GPS "
    "port able to other applications";

class MainWindowTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    InstallRegistryStore(&registry_);
    ASSERT_TRUE(InitInstance(ProgramInstance(), SW_SHOW));
    windows_.ClearCalls();
  }
  void TearDown() override {
    InstallRegistryStore(nullptr);
    ShellTest::TearDown();
  }

  // Drivers\Active\<entry> naming `name`, whose driver key holds Dll = dll.
  void AddComDriver(const std::u16string& entry, const std::u16string& name,
                    const std::u16string& dll) {
    std::u16string active = u"Drivers\\Active\\" + entry;
    std::u16string key = u"Drivers\\BuiltIn\\Port" + entry;
    registry_.PutString(HKEY_LOCAL_MACHINE, active, u"Name", name);
    registry_.PutString(HKEY_LOCAL_MACHINE, active, u"Key", key);
    registry_.PutString(HKEY_LOCAL_MACHINE, key, u"Dll", dll);
  }
  std::u16string DllOf(const std::u16string& entry) {
    return registry_.GetString(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\Port" + entry, u"Dll")
        .value_or(u"<none>");
  }

  void Command(uint16_t id) {
    SendMessage(MAIN_WINDOW, WM_COMMAND, id, 0);
    FinishWork();
  }
  // The calls the last command made, without the command itself and the
  // work's machinery.
  std::vector<std::string> CallsAfterCommand() const {
    std::vector<std::string> calls = WithoutWork(windows_.Calls());
    if (!calls.empty()) calls.erase(calls.begin());
    return calls;
  }
  std::string W() const { return HandleText(MAIN_WINDOW); }
  // What a scan invalidates: once for the text saying it examines the
  // export, once more for each further text (the repair's, then the report).
  std::vector<std::string> Invalidations(int count) const {
    return std::vector<std::string>(count, "InvalidateRect(" + W() + ", null, false)");
  }

  MemoryRegistry registry_;
};

TEST_F(MainWindowTest, PaintDrawsDisplayTextWithTenPixelMarginsAndWordBreak) {
  DisplayText.Assign("A\r\nB");
  SendMessage(MAIN_WINDOW, WM_PAINT, 0, 0);
  EXPECT_EQ(CallsAfterCommand(),
            (std::vector<std::string>{"BeginPaint(" + W() + ")", "GetClientRect(" + W() + ")",
                                      "DrawText(1, \"A\r\nB\", 4, {10, 10, 230, 294}, 0x10)",
                                      "EndPaint(" + W() + ")"}));
}

TEST_F(MainWindowTest, PaintKeepsTheBottomEdgeWhateverTheSize) {
  MoveWindow(MAIN_WINDOW, 0, 0, 300, 117, false);
  DisplayText.Assign("x");
  windows_.ClearCalls();
  SendMessage(MAIN_WINDOW, WM_PAINT, 0, 0);
  EXPECT_EQ(windows_.CallsOf({"DrawText"}),
            (std::vector<std::string>{"DrawText(1, \"x\", 1, {10, 10, 290, 117}, 0x10)"}));
}

TEST_F(MainWindowTest, PaintWidensWindows1252Text) {
  DisplayText.Assign("caf\xE9 \x80");
  windows_.ClearCalls();
  SendMessage(MAIN_WINDOW, WM_PAINT, 0, 0);
  EXPECT_EQ(windows_.CallsOf({"DrawText"}),
            (std::vector<std::string>{"DrawText(1, \"caf\xC3\xA9 \xE2\x82\xAC\", 6, "
                                      "{10, 10, 230, 294}, 0x10)"}));
}

TEST_F(MainWindowTest, DetectOnAHealthyDeviceShowsTheReportAndNoBox) {
  AddComDriver(u"01", u"COM1:", u"btceif.dll");
  Command(IDM_DETECT);
  EXPECT_STREQ(DisplayText.CStr(), "COM1:\r\nDll: BTCEIF.DLL\r\n\r\nAll OK !!!");
  EXPECT_EQ(CallsAfterCommand(), Invalidations(2));
  EXPECT_TRUE(windows_.IsInvalid(MAIN_WINDOW));
}

TEST_F(MainWindowTest, DetectOnAFaultyDeviceMarksTheBugAndWritesNothing) {
  AddComDriver(u"01", u"COM5:", u"QVBTDEV.DLL");
  Command(IDM_DETECT);
  EXPECT_STREQ(DisplayText.CStr(), "COM5:\r\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\r\n");
  EXPECT_EQ(CallsAfterCommand(), Invalidations(2));
  EXPECT_EQ(DllOf(u"01"), u"QVBTDEV.DLL");
}

TEST_F(MainWindowTest, FixOnAHealthyDeviceTellsNothingWasFound) {
  AddComDriver(u"01", u"COM1:", u"BTCEIF.DLL");
  Command(IDM_FIX);
  EXPECT_STREQ(DisplayText.CStr(), "COM1:\r\nDll: BTCEIF.DLL\r\n\r\nAll OK !!!");
  std::vector<std::string> calls = Invalidations(2);
  calls.push_back("MessageBox(" + W() + ", \"" + NOT_FOUND + "\", \"QUORVAFIX\", 0x40)");
  EXPECT_EQ(CallsAfterCommand(), calls);
}

TEST_F(MainWindowTest, FixOnAnEmptyRegistryReportsAllOk) {
  Command(IDM_FIX);
  EXPECT_STREQ(DisplayText.CStr(), "\r\nAll OK !!!");
  EXPECT_EQ(windows_.CallsOf({"MessageBox"}).size(), 1u);
}

TEST_F(MainWindowTest, FixRepairsAndTellsToReset) {
  AddComDriver(u"01", u"COM5:", u"---btceif.dll");
  AddComDriver(u"02", u"COM6:", u"QVBTDEV.DLL");
  Command(IDM_FIX);
  EXPECT_STREQ(DisplayText.CStr(),
               "COM5:\r\nDll: ---BTCEIF.DLL  FIXED!\r\nCOM6:\r\nDll: QVBTDEV.DLL  FIXED!\r\n");
  std::vector<std::string> calls = Invalidations(3);
  calls.push_back("MessageBox(" + W() + ", \"" + REPAIRED + "\", \"QUORVAFIX\", 0x40)");
  EXPECT_EQ(CallsAfterCommand(), calls);
  EXPECT_EQ(DllOf(u"01"), u"BTCEIF.DLL");
  EXPECT_EQ(DllOf(u"02"), u"BTCEIF.DLL");
}

TEST_F(MainWindowTest, FixWhoseWriteFailsShowsTheBugAndNoBox) {
  AddComDriver(u"01", u"COM5:", u"QVBTDEV.DLL");
  registry_.InjectFailure(RegOperation::Set, ERROR_ACCESS_DENIED, u"Dll");
  Command(IDM_FIX);
  EXPECT_STREQ(DisplayText.CStr(), "COM5:\r\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\r\n");
  EXPECT_EQ(CallsAfterCommand(), Invalidations(2));
  EXPECT_EQ(DllOf(u"01"), u"QVBTDEV.DLL");
}

// An entry whose name the handheld's code page cannot hold is never
// examined, so it may be the faulty driver: no all-clear stands alone over
// it, in the report (Detect and Fix) or in the Fix's box, while a report
// that names a faulty driver left needs no notice.
TEST_F(MainWindowTest, EntriesThatCouldNotBeExaminedLeaveNoAllClearAlone) {
  const std::string notice = UnexaminedNotice(1);
  AddComDriver(u"01", u"COM1:", u"BTCEIF.DLL");
  AddComDriver(u"0\u03A9", u"COM2:", u"QVBTDEV.DLL");
  Command(IDM_DETECT);
  EXPECT_EQ(std::string(DisplayText.CStr()),
            "COM1:\r\nDll: BTCEIF.DLL\r\n\r\nAll OK !!!\r\n\r\n" + notice);

  windows_.ClearCalls();
  Command(IDM_FIX);
  EXPECT_EQ(std::string(DisplayText.CStr()),
            "COM1:\r\nDll: BTCEIF.DLL\r\n\r\nAll OK !!!\r\n\r\n" + notice);
  EXPECT_EQ(windows_.CallsOf({"MessageBox"}),
            std::vector<std::string>{"MessageBox(" + W() + ", \"" + NOT_FOUND + "\r\n\r\n" +
                                     notice + "\", \"QUORVAFIX\", 0x40)"});

  AddComDriver(u"03", u"COM3:", u"QVBTDEV.DLL");
  Command(IDM_DETECT);
  EXPECT_EQ(std::string(DisplayText.CStr()).find(notice), std::string::npos)
      << "a faulty driver is left: the report says so itself";
}

TEST_F(MainWindowTest, CopyReportPutsTheWholeTextOnTheClipboard) {
  ScriptedDesktopServices desktop(windows_);
  InstallDesktopServices(&desktop);
  AddComDriver(u"01", u"COM5:", u"QVBTDEV.DLL");
  Command(IDM_DETECT);
  windows_.ClearCalls();
  Command(IDM_COPY);
  InstallDesktopServices(nullptr);
  EXPECT_EQ(desktop.Clipboard(), u"COM5:\r\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\r\n");
  EXPECT_EQ(windows_.CallsOf({"SetClipboardText"}).size(), 1u);
}

TEST_F(MainWindowTest, TheNextPaintDrawsTheReport) {
  AddComDriver(u"01", u"COM1:", u"BTCEIF.DLL");
  Command(IDM_DETECT);
  windows_.ClearCalls();
  UpdateWindow(MAIN_WINDOW);
  EXPECT_EQ(windows_.CallsOf({"DrawText"}),
            (std::vector<std::string>{"DrawText(1, \"COM1:\r\nDll: BTCEIF.DLL\r\n\r\nAll OK !!!\", "
                                      "36, {10, 10, 230, 294}, 0x10)"}));
  EXPECT_FALSE(windows_.IsInvalid(MAIN_WINDOW));
}

TEST_F(MainWindowTest, OtherCommandsGoToTheDefaultUnchanged) {
  for (uint16_t id : {IDM_TOOLS, uint16_t(40002), uint16_t(2)}) {
    windows_.ClearCalls();
    SendMessage(MAIN_WINDOW, WM_COMMAND, MakeWordParam(id, 1), 77);
    char wparam[16];
    std::snprintf(wparam, sizeof wparam, "0x%x", 0x10000u | id);
    EXPECT_EQ(
        CallsAfterCommand(),
        (std::vector<std::string>{"DefWindowProc(" + W() + ", WM_COMMAND, " + wparam + ", 0x4d)"}));
  }
  EXPECT_TRUE(windows_.IsWindow(MAIN_WINDOW));
}

TEST_F(MainWindowTest, ActivationAndSettingChangesReachTheShellWithTheRecord) {
  SendMessage(MAIN_WINDOW, WM_ACTIVATE, WA_ACTIVE, 0x2000);
  SendMessage(MAIN_WINDOW, WM_SETTINGCHANGE, SPI_SETSIPINFO, 0);
  EXPECT_EQ(windows_.CallsOf({"SHHandleWMActivate", "SHHandleWMSettingChange"}),
            (std::vector<std::string>{
                "SHHandleWMActivate(" + W() + ", 1, 0x2000, {size 12, focus 0, flags 0}, 0)",
                "SHHandleWMSettingChange(" + W() + ", 224, 0, {size 12, focus 0x2000, flags 4})"}));
  EXPECT_EQ(Shell().activation.flags, SHA_ACTIVE);
}

TEST_F(MainWindowTest, HandledMessagesReturnZero) {
  EXPECT_EQ(SendMessage(MAIN_WINDOW, WM_PAINT, 0, 0), 0);
  EXPECT_EQ(SendMessage(MAIN_WINDOW, WM_ACTIVATE, WA_ACTIVE, 0), 0);
  EXPECT_EQ(SendMessage(MAIN_WINDOW, WM_SETTINGCHANGE, 0, 0), 0);
  EXPECT_EQ(SendMessage(MAIN_WINDOW, WM_COMMAND, IDM_DETECT, 0), 0);
}

}  // namespace
