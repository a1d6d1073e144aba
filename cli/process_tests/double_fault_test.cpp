// Two faults in a row at the end of a rewrite: the folder cannot be synced
// after the rename, and putting the old content back fails too, so the
// repairs stand on disk after all. The report, the message, the outcome the
// JSON and the summary are made from, and the exit status describe that file:
// the drivers repaired, nothing faulty left; stderr says the repair may not
// survive a crash. A single fault (the old content put back) describes the
// old file: the driver still faulty.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "cli/cli_job.h"
#include "cli/cli_options.h"
#include "cli/file_outcome.h"
#include "cli/testing/child_process.h"
#include "cli/testing/cli_job_runner.h"
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
  for (const Case& c : {Case{"the old content put back", false},
                        Case{"putting back fails too", true}}) {
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

}  // namespace
