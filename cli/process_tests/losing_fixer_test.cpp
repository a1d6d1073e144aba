// quorvafix-cli fix as a process that finds FILE.lock held by another
// program (another fixer, an editor that locks): one line on stderr for the
// file, however many repairs the lock refused, and a report of what this
// process did: every driver still marked, no "solved" message, exit 1, the
// file and the other program's lock untouched.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cli/cli_job.h"
#include "cli/testing/child_process.h"
#include "cli/testing/shell_script.h"
#include "cli/testing/test_registry.h"
#include "platform/registry/testing/registry_testing.h"
#include "scan/report_layout.h"

namespace {

const std::string CLI = QUORVAFIX_CLI_PATH;

TEST(LosingFixer, SaysOneLinePerFileAndReportsOnlyWhatItDid) {
  const int DRIVERS = 6;
  TempDir dir;
  const std::string file = dir.File("dev.reg");
  const std::string original = FaultyRegistry(std::vector<bool>(DRIVERS, false), 2);
  WriteText(file, original);
  WriteText(file + ".lock", "the other program's half-written file");
  ScriptResult fix = RunShellScript(dir.Path(), ShellQuoted(CLI) + " fix dev.reg");
  EXPECT_EQ(fix.status, EXIT_FAULT_LEFT) << fix.err;
  EXPECT_EQ(std::count(fix.err.begin(), fix.err.end(), '\n'), 1) << fix.err;
  EXPECT_NE(fix.err.find("dev.reg.lock exists: another program may be writing dev.reg; if none "
                         "is, remove dev.reg.lock (and 5 more repairs of this file, refused for "
                         "the same lock)"),
            std::string::npos)
      << fix.err;
  EXPECT_EQ(std::count(fix.out.begin(), fix.out.end(), '!'), DRIVERS) << fix.out;
  EXPECT_EQ(fix.out.find("FIXED"), std::string::npos) << fix.out;
  EXPECT_EQ(fix.out.find(SCAN_REPAIRED_MESSAGE), std::string::npos) << fix.out;
  EXPECT_EQ(FileText(file), original);
  EXPECT_EQ(FileText(file + ".lock"), "the other program's half-written file");
}

}  // namespace
