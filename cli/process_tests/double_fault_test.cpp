// Two faults in a row at the end of a rewrite: the folder cannot be synced
// after the rename, and putting the old content back fails too, so the
// repairs stand on disk after all. The report, the message, the outcome the
// JSON and the summary are made from, and the exit status describe that file:
// the drivers repaired, nothing faulty left; stderr says the repair may not
// survive a crash. A single fault (the old content put back) describes the
// old file: the driver still faulty. In-process through the file-system seam,
// and the real tool with strace failing the calls.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "cli/cli_job.h"
#include "cli/cli_options.h"
#include "cli/file_outcome.h"
#include "cli/testing/child_process.h"
#include "cli/testing/cli_job_runner.h"
#include "cli/testing/shell_script.h"
#include "platform/files/testing/failing_file_system.h"
#include "platform/registry/testing/registry_testing.h"
#include "scan/report_layout.h"

namespace {

using Step = FileSystem::Step;

const std::string SAMPLE = std::string(QUORVAFIX_EXAMPLES_DIR) + "/disabled-lowercase.reg";

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  return text.replace(text.find(from), from.size(), to);
}

TEST(DoubleFault, ReportAndStatusDescribeTheFileAsItEndsUp) {
  struct Case {
    const char* what;
    bool restore_fails;
  };
  for (const Case& c :
       {Case{"the old content put back", false}, Case{"putting back fails too", true}}) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string file = dir.File("dev.reg");
    const std::string original = FileText(SAMPLE);
    WriteText(file, original);
    FailingFileSystem fs(RealFileSystem());
    fs.FailAt(Step::FsyncDir, 1, EIO);
    if (c.restore_fails) fs.FailAt(Step::OpenExclusive, 2, ENOSPC);
    CliOptions options;
    options.command = CliCommand::Fix;
    Capture out, err;
    FileOutcome outcome;
    int status = RunCliJob(options, file, out.get(), err.get(), &fs, &outcome);
    const std::string printed = out.Text();
    const std::string complaints = err.Text();
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"dev.reg"});
    EXPECT_NE(complaints.find("cannot sync the folder " + dir.Path() + ": Input/output error"),
              std::string::npos)
        << complaints;
    if (c.restore_fails) {
      EXPECT_EQ(FileText(file), Replaced(original, "\"---btceif.dll\"", "\"BTCEIF.DLL\""));
      EXPECT_EQ(status, EXIT_NO_FAULT_LEFT);
      EXPECT_NE(printed.find("Dll: ---BTCEIF.DLL  FIXED!"), std::string::npos) << printed;
      EXPECT_NE(printed.find(SCAN_REPAIRED_MESSAGE), std::string::npos) << printed;
      EXPECT_EQ(printed.find("All OK"), std::string::npos) << printed;
      EXPECT_EQ(outcome.Verdict(), FileVerdict::Repaired);
      EXPECT_NE(complaints.find("so it holds the new content"), std::string::npos) << complaints;
    } else {
      EXPECT_EQ(FileText(file), original);
      EXPECT_EQ(status, EXIT_FAULT_LEFT);
      EXPECT_NE(printed.find("Dll: ---BTCEIF.DLL <<<< BUG DETECTED HERE!"), std::string::npos)
          << printed;
      EXPECT_EQ(printed.find("All OK"), std::string::npos) << printed;
      EXPECT_EQ(outcome.Verdict(), FileVerdict::Faulty);
    }
  }
}

// The same double fault met by the real tool: strace fails the folder's
// fsync and the creation of the lock that would put the old content back.
TEST(DoubleFault, RealToolReportsTheRepairsThatStand) {
  const std::string strace = StracePath();
  ASSERT_FALSE(strace.empty()) << "strace is missing: install the Debian package strace";
  TempDir dir;
  const std::string file = dir.File("dev.reg");
  const std::string original = FileText(SAMPLE);
  WriteText(file, original);
  // Only calls on the folder and the lock count: the lock's creation, its
  // fsync, the folder's opening and fsync, then the second lock's creation.
  ScriptResult fix =
      RunShellScript(dir.Path(), strace + " -f -qq -o /dev/null -P " + ShellQuoted(dir.Path()) +
                                     " -P " + ShellQuoted(file + ".lock") +
                                     " -e trace=openat,fsync -e inject=fsync:error=EIO:when=2 -e "
                                     "inject=openat:error=ENOSPC:when=3 " +
                                     ShellQuoted(QUORVAFIX_CLI_PATH) + " fix " + ShellQuoted(file));
  EXPECT_EQ(fix.status, EXIT_NO_FAULT_LEFT) << fix.err;
  EXPECT_EQ(FileText(file), Replaced(original, "\"---btceif.dll\"", "\"BTCEIF.DLL\""));
  EXPECT_NE(fix.out.find("Dll: ---BTCEIF.DLL  FIXED!"), std::string::npos) << fix.out;
  EXPECT_NE(fix.out.find(SCAN_REPAIRED_MESSAGE), std::string::npos) << fix.out;
  EXPECT_NE(fix.err.find("so it holds the new content"), std::string::npos) << fix.err;
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"dev.reg"});
}

}  // namespace
