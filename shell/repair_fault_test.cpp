// A Fix whose rewrite meets faults at its end, on the scripted platform with
// a real export read through the file-system seam: the report and the boxes
// describe the file as it ends up on disk. A folder that cannot be synced
// after the rename, with the old content put back, leaves the driver faulty
// and the repair refused; the same with putting back failing too leaves the
// repair standing, so the driver is FIXED, the solved box comes, and a
// warning says the repair may not last after a power loss.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/files/testing/failing_file_system.h"
#include "platform/registry/testing/registry_testing.h"
#include "resources/resource_ids.h"
#include "scan/report_layout.h"
#include "shell/app_start.h"
#include "shell/export_outcome.h"
#include "shell/main_window.h"
#include "shell/registry_export.h"
#include "shell/testing/shell_test_support.h"

namespace {

using Step = FileSystem::Step;

constexpr char FIXED_REPORT[] = "COM5:\r\nDll: QVBTDEV.DLL  FIXED!\r\n";
constexpr char FAULTY_REPORT[] = "COM5:\r\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\r\n";

std::string FileText(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  return text.replace(text.find(from), from.size(), to);
}

class RepairFaultTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    path_ = folder_.File("pda.reg");
    WriteText(path_, FAULTY_EXPORT);
    Shell().registry.file_system = &failing_;
    std::string reason;
    ASSERT_TRUE(OpenRegistryExport(Shell().registry, path_, &reason)) << reason;
    ASSERT_TRUE(InitInstance(ProgramInstance(), SW_SHOW));
    windows_.ClearCalls();
  }
  void TearDown() override {
    CloseRegistry(Shell().registry);
    Shell().registry.file_system = nullptr;
    ShellTest::TearDown();
  }

  TempDir folder_;
  std::string path_;
  FailingFileSystem failing_{RealFileSystem()};
};

TEST_F(RepairFaultTest, ReportAndBoxesDescribeTheFileAsItEndsUp) {
  struct Case {
    const char* what;
    bool restore_fails;
  };
  for (const Case& c :
       {Case{"the old content put back", false}, Case{"putting back fails too", true}}) {
    SCOPED_TRACE(c.what);
    WriteText(path_, FAULTY_EXPORT);
    failing_.Clear();
    failing_.FailAt(Step::FsyncDir, 1, EIO);
    if (c.restore_fails) failing_.FailAt(Step::OpenExclusive, 2, ENOSPC);
    windows_.ClearCalls();
    SendMessage(MAIN_WINDOW, WM_COMMAND, IDM_FIX, 0);
    FinishWork();
    EXPECT_GE(failing_.Calls(Step::FsyncDir), 1) << "the fault was met";
    const std::vector<std::string> boxes = windows_.CallsOf({"MessageBox"});
    const std::string report = DisplayText.CStr();
    EXPECT_EQ(folder_.Names(), std::vector<std::string>{"pda.reg"}) << "no lock left";
    EXPECT_EQ(report.find("All OK"), std::string::npos) << report;
    const std::string unsynced = "cannot sync the folder " + folder_.Path();
    if (c.restore_fails) {
      EXPECT_EQ(FileText(path_), Replaced(FAULTY_EXPORT, "QVBTDEV.DLL", "BTCEIF.DLL"));
      EXPECT_EQ(report, FIXED_REPORT);
      ASSERT_EQ(boxes.size(), 2u) << "the solved box, then the warning";
      EXPECT_NE(boxes[0].find(SCAN_REPAIRED_MESSAGE), std::string::npos) << boxes[0];
      EXPECT_NE(boxes[1].find(REPAIR_UNSYNCED_TEXT), std::string::npos) << boxes[1];
      EXPECT_NE(boxes[1].find(unsynced), std::string::npos) << boxes[1];
      EXPECT_EQ(boxes[1].substr(boxes[1].rfind(", ")), ", 0x30)") << "a warning: " << boxes[1];
      EXPECT_EQ(boxes[1].find("could not be written"), std::string::npos) << boxes[1];
    } else {
      EXPECT_EQ(FileText(path_), FAULTY_EXPORT);
      EXPECT_EQ(report, FAULTY_REPORT);
      ASSERT_EQ(boxes.size(), 1u) << "the refusal alone";
      EXPECT_NE(boxes[0].find(REPAIR_REFUSED_TEXT), std::string::npos) << boxes[0];
      EXPECT_NE(boxes[0].find(unsynced), std::string::npos) << boxes[0];
      EXPECT_EQ(boxes[0].find(SCAN_REPAIRED_MESSAGE), std::string::npos) << boxes[0];
    }
  }
}

}  // namespace
