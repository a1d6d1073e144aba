// The window's registry-export paths on the scripted platform: the call
// order of Detect and Fix with nothing open, the Open command (cancelled,
// refused, accepted), a drop, a path handed over by a second copy (both
// ends) and a repair the store refused. Exports are real files in a scratch
// folder.
#include "shell/export_commands.h"

#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/registry/registry.h"
#include "platform/registry/testing/registry_testing.h"
#include "platform/windowing/scripted/scripted_desktop_services.h"
#include "resources/resource_ids.h"
#include "shell/app_start.h"
#include "shell/main_window.h"
#include "shell/registry_export.h"
#include "shell/testing/shell_test_support.h"
#include "shell/window_work.h"

namespace {

constexpr char BROKEN[] = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Drivers]\r\n\"Dll\"=dword:xyz\r\n";

class ExportCommandsTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    InstallDesktopServices(&desktop_);
    ASSERT_TRUE(InitInstance(ProgramInstance(), SW_SHOW));
    ShowExportStartText(Shell().registry);
    good_ = folder_.File("pda.reg");
    broken_ = folder_.File("broken.reg");
    WriteText(good_, FAULTY_EXPORT);
    WriteText(broken_, BROKEN);
    windows_.ClearCalls();
  }
  void TearDown() override {
    CloseRegistry(Shell().registry);
    InstallDesktopServices(nullptr);
    ShellTest::TearDown();
  }

  void Command(uint16_t id) {
    SendMessage(MAIN_WINDOW, WM_COMMAND, id, 0);
    FinishWork();
  }
  // The calls after the message that started them, without the work's machinery.
  std::vector<std::string> CallsAfterFirst() const {
    std::vector<std::string> calls = WithoutWork(windows_.Calls());
    if (!calls.empty()) calls.erase(calls.begin());
    return calls;
  }
  std::string W() const { return HandleText(MAIN_WINDOW); }
  std::string Box(const std::string& text, const std::string& type = "0x0") const {
    return "MessageBox(" + W() + ", \"" + text + "\", \"QUORVAFIX\", " + type + ")";
  }
  std::string Dialog(const std::string& folder) const {
    return "GetOpenFileName(owner " + W() +
           ", filter \"Registry exports (*.reg)|*.reg|All files (*)|*|\", index 1, folder " +
           folder + ", flags 0x1800)";
  }
  std::string Remembered(const std::string& path) const {
    return "WriteProfileString(\"Registry\", \"LastExport\", \"" + path + "\")";
  }
  MessageResult HandOver(const std::u16string& path, uintptr_t kind = COPYDATA_OPEN_EXPORT) {
    CopyData data{kind, static_cast<uint32_t>(path.size() * 2), path.data()};
    MessageResult result =
        SendMessage(MAIN_WINDOW, WM_COPYDATA, 0, reinterpret_cast<LongParam>(&data));
    FinishWork();
    return result;
  }
  std::string StartText(const std::string& path) const {
    return "   Registry export: " + path + "\r\n\r\n" + HelpText;
  }

  ScriptedDesktopServices desktop_{windows_};
  TempDir folder_;
  std::string good_;
  std::string broken_;
};

TEST_F(ExportCommandsTest, DetectAndFixWithNothingOpenShowTheBoxAndScanNothing) {
  const std::string start = DisplayText.CStr();
  EXPECT_EQ(start.rfind("   No registry export is open. Choose Tools > Open Registry Export...", 0),
            0u)
      << start;
  for (uint16_t id : {IDM_DETECT, IDM_FIX}) {
    windows_.ClearCalls();
    Command(id);
    EXPECT_EQ(CallsAfterFirst(), (std::vector<std::string>{Box(NO_EXPORT_MESSAGE)})) << id;
    EXPECT_EQ(std::string(DisplayText.CStr()), start) << "no report replaces the start text";
  }
}

TEST_F(ExportCommandsTest, OpenCancelledChangesNothing) {
  Command(IDM_OPEN);
  EXPECT_EQ(CallsAfterFirst(), (std::vector<std::string>{Dialog("null")}));
  EXPECT_EQ(OpenExportPath(Shell().registry), "");
  EXPECT_EQ(InstalledRegistryStore(), nullptr);
}

TEST_F(ExportCommandsTest, OpenAcceptedNamesTheFileRemembersItAndScansIt) {
  desktop_.ChooseFile(WideAscii(good_));
  Command(IDM_OPEN);
  EXPECT_EQ(CallsAfterFirst(),
            (std::vector<std::string>{Dialog("null"), Remembered(good_),
                                      "SetWindowText(" + W() + ", \"pda.reg - QUORVAFIX\")",
                                      "InvalidateRect(" + W() + ", null, false)"}));
  EXPECT_EQ(OpenExportPath(Shell().registry), good_);
  EXPECT_EQ(std::string(DisplayText.CStr()), StartText(good_));
  EXPECT_EQ(desktop_.Profile()[u"Registry/LastExport"], WideAscii(good_));

  Command(IDM_DETECT);
  EXPECT_STREQ(DisplayText.CStr(), "COM5:\r\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\r\n");

  windows_.ClearCalls();
  Command(IDM_OPEN);
  EXPECT_EQ(CallsAfterFirst(), (std::vector<std::string>{Dialog("\"" + folder_.Path() + "\"")}))
      << "the dialog starts in the open export's folder";
}

TEST_F(ExportCommandsTest, OpenRefusedTellsTheStoresReasonAndKeepsTheOpenExport) {
  desktop_.ChooseFile(WideAscii(good_));
  Command(IDM_OPEN);
  const std::string text = DisplayText.CStr();
  windows_.ClearCalls();
  desktop_.ChooseFile(WideAscii(broken_));
  Command(IDM_OPEN);
  std::vector<std::string> calls = CallsAfterFirst();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0], Dialog("\"" + folder_.Path() + "\""));
  const std::string head = "MessageBox(" + W() + ", \"" + EXPORT_REFUSED_TEXT + broken_ + ":4: ";
  EXPECT_EQ(calls[1].substr(0, head.size()), head) << calls[1];
  EXPECT_EQ(OpenExportPath(Shell().registry), good_);
  EXPECT_EQ(std::string(DisplayText.CStr()), text);
  EXPECT_EQ(desktop_.Profile()[u"Registry/LastExport"], WideAscii(good_));
  Command(IDM_DETECT);
  EXPECT_NE(std::string(DisplayText.CStr()).find("QVBTDEV.DLL"), std::string::npos)
      << "the export open before is still the one scanned";
}

TEST_F(ExportCommandsTest, DropOpensTheFirstFileAndReleasesTheDrop) {
  EXPECT_EQ(desktop_.DropTarget(), MAIN_WINDOW);
  DropHandle drop = MakeDrop({WideAscii(good_), WideAscii(broken_)});
  SendMessage(MAIN_WINDOW, WM_DROPFILES, drop, 0);
  FinishWork();
  EXPECT_EQ(CallsAfterFirst(),
            (std::vector<std::string>{Remembered(good_),
                                      "SetWindowText(" + W() + ", \"pda.reg - QUORVAFIX\")",
                                      "InvalidateRect(" + W() + ", null, false)"}));
  EXPECT_EQ(OpenExportPath(Shell().registry), good_);
  EXPECT_EQ(DragQueryFile(drop, DRAG_QUERY_COUNT, nullptr, 0), 0u) << "the drop is released";

  windows_.ClearCalls();
  SendMessage(MAIN_WINDOW, WM_DROPFILES, MakeDrop({WideAscii(broken_)}), 0);
  FinishWork();
  ASSERT_EQ(CallsAfterFirst().size(), 1u);
  EXPECT_NE(CallsAfterFirst()[0].find(std::string(EXPORT_REFUSED_TEXT) + broken_ + ":4: "),
            std::string::npos);
  EXPECT_EQ(OpenExportPath(Shell().registry), good_);
}

TEST_F(ExportCommandsTest, WindowAcceptsDropsOnceShown) {
  windows_.ClearCalls();
  DestroyWindow(MAIN_WINDOW);
  ASSERT_TRUE(InitInstance(ProgramInstance(), SW_SHOW));
  std::vector<std::string> calls = windows_.Calls();
  ASSERT_FALSE(calls.empty());
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[calls.size() - 2], "EndPaint(" + HandleText(windows_.NewestWindow()) + ")");
  EXPECT_EQ(calls.back(), "DragAcceptFiles(" + HandleText(windows_.NewestWindow()) + ", true)")
      << "after the first paint";
}

TEST_F(ExportCommandsTest, HandedOverPathIsOpenedWhenAbsoluteAndWhatCannotBeOpenedIsTold) {
  EXPECT_EQ(HandOver(WideAscii(good_)), 1);
  EXPECT_EQ(OpenExportPath(Shell().registry), good_);
  EXPECT_EQ(std::string(DisplayText.CStr()), StartText(good_));

  std::string fifo = folder_.File("pipe.reg");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string other = folder_.File("other.reg");
  WriteText(other, FAULTY_EXPORT);
  for (const std::u16string& path : {std::u16string(u"pda.reg"), std::u16string()}) {
    windows_.ClearCalls();
    EXPECT_EQ(HandOver(path), 0);
    EXPECT_EQ(CallsAfterFirst(), std::vector<std::string>{});
  }
  EXPECT_EQ(HandOver(WideAscii(other), COPYDATA_OPEN_SOURCE + 1), 0) << "another kind of record";
  EXPECT_EQ(HandOver(WideAscii(other), COPYDATA_OPEN_SOURCE), 0) << "a path as a source";
  EXPECT_EQ(OpenExportPath(Shell().registry), good_);

  // What the running copy cannot open is told in its refusal box, never
  // dropped in silence, and the export open before stays; so is a source
  // named by its option, this system having no registry of its own.
  const struct {
    std::string path;
    std::string reason;
    uintptr_t kind = COPYDATA_OPEN_EXPORT;
  } refused[] = {
      {fifo, fifo + ": cannot read: not a regular file but a FIFO"},
      {folder_.Path(), folder_.Path() + ": cannot read: Is a directory"},
      {folder_.File("missing.reg"),
       folder_.File("missing.reg") + ": cannot read: No such file or directory"},
      {broken_, ""},
      {"--local-registry", "--local-registry: ", COPYDATA_OPEN_SOURCE},
  };
  for (const auto& c : refused) {
    windows_.ClearCalls();
    EXPECT_EQ(HandOver(WideAscii(c.path), c.kind), 1) << c.path;
    std::vector<std::string> boxes = windows_.CallsOf({"MessageBox"});
    ASSERT_EQ(boxes.size(), 1u) << c.path;
    EXPECT_NE(boxes[0].find(EXPORT_REFUSED_TEXT + c.reason), std::string::npos) << boxes[0];
    EXPECT_EQ(OpenExportPath(Shell().registry), good_) << "refused like any open";
  }
}

TEST_F(ExportCommandsTest, SecondCopyHandsItsFileToTheRunningOneThenBringsItForward) {
  DestroyWindow(MAIN_WINDOW);
  WindowHandle running = windows_.AddForeignWindow(u"QUORVAFIX", u"QUORVAFIX");
  windows_.ClearCalls();
  EXPECT_EQ(RunMainWindow(ProgramInstance(), u"/data/pd\u00E1.reg", SW_SHOW), 0);
  EXPECT_EQ(windows_.Calls(),
            (std::vector<std::string>{
                "FindWindow(\"QUORVAFIX\", null)",
                "SendMessage(" + HandleText(running) +
                    ", WM_COPYDATA, 0x0, {kind 0x51465831, 26 bytes, \"/data/pd\xC3\xA1.reg\"})",
                "SetForegroundWindow(" + HandleText(running | 1) + ")"}));
}

// A report of the file as it was read before never stays in view under
// "cannot be read now": the window names the file and why it cannot be read.
TEST_F(ExportCommandsTest, AFileThatCannotBeReadNowLeavesNoEarlierReportInView) {
  ASSERT_TRUE(OpenExportInWindow(Shell().registry, MAIN_WINDOW, good_));
  Command(IDM_FIX);
  ASSERT_NE(std::string(DisplayText.CStr()).find("FIXED!"), std::string::npos);
  ASSERT_EQ(std::remove(good_.c_str()), 0);
  windows_.ClearCalls();
  Command(IDM_DETECT);
  const std::string reason = good_ + ": cannot read: No such file or directory";
  EXPECT_EQ(std::string(DisplayText.CStr()),
            "   Registry export: " + good_ +
                "\r\n\r\n   It cannot be read now, so nothing was examined or changed: " + reason);
  EXPECT_EQ(windows_.CallsOf({"MessageBox"}),
            std::vector<std::string>{Box(EXPORT_UNREADABLE_TEXT + reason, "0x30")});
}

TEST_F(ExportCommandsTest, RepairTheStoreRefusedShowsItsReasonAfterTheReport) {
  ASSERT_TRUE(OpenExportInWindow(Shell().registry, MAIN_WINDOW, good_));
  WriteText(good_ + ".lock", "");
  windows_.ClearCalls();
  Command(IDM_FIX);
  // Examining, the report (nothing was staged to repair); then the box.
  std::vector<std::string> calls = CallsAfterFirst();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[1], "InvalidateRect(" + W() + ", null, false)");
  const std::string head =
      "MessageBox(" + W() + ", \"" + REPAIR_REFUSED_TEXT + good_ +
      ": cannot store value \"Dll\" in HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\BtSerial: ";
  EXPECT_EQ(calls[2].substr(0, head.size()), head) << calls[2];
  EXPECT_NE(calls[2].find(".lock"), std::string::npos) << calls[2];
  EXPECT_EQ(calls[2].substr(calls[2].rfind(", ")), ", 0x30)") << "a warning: " << calls[2];
  EXPECT_STREQ(DisplayText.CStr(), "COM5:\r\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\r\n");
  EXPECT_EQ(ReadBytes(good_), NarrowBytes(FAULTY_EXPORT));

  std::remove((good_ + ".lock").c_str());
  windows_.ClearCalls();
  Command(IDM_FIX);
  EXPECT_EQ(windows_.CallsOf({"MessageBox"}).size(), 1u) << "the repair's own box only";
  EXPECT_EQ(LastRepairFailure(Shell().registry.exported.get()), "");
}

TEST_F(ExportCommandsTest, WhatIsHandedOverDuringWorkIsTakenOnceTheWorkIsDone) {
  ASSERT_TRUE(OpenExportInWindow(Shell().registry, MAIN_WINDOW, good_));
  const std::string other = folder_.File("other.reg");
  WriteText(other, FAULTY_EXPORT);
  SendMessage(MAIN_WINDOW, WM_COMMAND, IDM_DETECT, 0);
  desktop_.ChooseFile(WideAscii(broken_));
  SendMessage(MAIN_WINDOW, WM_COMMAND, IDM_OPEN, 0);
  EXPECT_TRUE(windows_.CallsOf({"GetOpenFileName"}).empty()) << "Open waits for no work";
  SendMessage(MAIN_WINDOW, WM_DROPFILES, MakeDrop({WideAscii(other)}), 0);
  EXPECT_EQ(OpenExportPath(Shell().registry), good_) << "the store stays the worker's";
  FinishWork();
  EXPECT_EQ(windows_.CallsOf({"CreateThread"}).size(), 2u) << "the scan, then the open";
  EXPECT_EQ(OpenExportPath(Shell().registry), other);
  EXPECT_EQ(std::string(DisplayText.CStr()), StartText(other));

  // A source handed over after a file was dropped is the last asked for: it
  // is switched to once the scan is done (this system has none of its own,
  // so its refusal is told then), and the file is not opened.
  SendMessage(MAIN_WINDOW, WM_COMMAND, IDM_DETECT, 0);
  SendMessage(MAIN_WINDOW, WM_DROPFILES, MakeDrop({WideAscii(good_)}), 0);
  windows_.ClearCalls();
  EXPECT_EQ(HandOver(u"--local-registry", COPYDATA_OPEN_SOURCE), 1) << "heard while work runs";
  EXPECT_TRUE(windows_.CallsOf({"MessageBox"}).empty()) << "not before the scan is done";
  PostQuitMessage(0);
  for (WindowMessage message{}; GetMessage(&message, 0, 0, 0) != 0;) DispatchMessage(&message);
  const std::vector<std::string> boxes = windows_.CallsOf({"MessageBox"});
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find(EXPORT_REFUSED_TEXT + std::string("--local-registry: ")),
            std::string::npos)
      << boxes[0];
  EXPECT_TRUE(windows_.CallsOf({"CreateThread"}).empty()) << "the dropped file is not read";
  EXPECT_EQ(OpenExportPath(Shell().registry), other);
}

// With an export open, the texts shown while Detect and Fix work name its
// file, in order, then the report.
TEST_F(ExportCommandsTest, TheTextsWhileWorkRunsNameTheOpenExport) {
  ASSERT_TRUE(OpenExportInWindow(Shell().registry, MAIN_WINDOW, good_));
  const std::string examining = "   Examining the registry export " + good_ + "...";
  const struct {
    uint16_t command;
    std::vector<std::string> texts;
  } cases[] = {
      {IDM_DETECT, {examining, "COM5:\r\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\r\n"}},
      {IDM_FIX,
       {examining, "   Repairing 1 driver in " + good_ + "...",
        "COM5:\r\nDll: QVBTDEV.DLL  FIXED!\r\n"}},
  };
  for (const auto& c : cases) {
    SendMessage(MAIN_WINDOW, WM_COMMAND, c.command, 0);
    EXPECT_EQ(FinishWorkShowing(), c.texts) << c.command;
  }
}

}  // namespace
