// Entries the scan could not examine: no all-clear stands over them in any
// form (text, --verbose, JSON, summary, exit status), and the entries that
// are no COM-port driver or have no driver file stay silent.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/cli_job.h"
#include "cli/file_outcome.h"
#include "cli/json_report.h"
#include "cli/testing/cli_job_runner.h"
#include "cli/testing/test_registry.h"
#include "platform/registry/testing/registry_testing.h"
#include "scan/report_layout.h"

namespace {

// An entry whose name is longer than the scan's buffer: never examined.
const std::vector<std::string> TOO_LONG = {std::string(250, 'n'), "COM1:", "Drivers\\\\A"};
const std::vector<std::string> HEALTHY = {"02", "COM2:", "Drivers\\\\A"};
const std::vector<std::string> FAULTY = {"03", "COM3:", "Drivers\\\\Q"};
const std::vector<std::vector<std::string>> DRIVERS = {{"Drivers\\A", "A.DLL"},
                                                       {"Drivers\\Q", "QVBTDEV.DLL"}};

const std::string NOT_FOUND = std::string(SCAN_NOT_FOUND_MESSAGE) + "\n";

class UnexaminedTest : public ::testing::Test {
 protected:
  std::string File(const std::string& name, const std::vector<std::vector<std::string>>& entries) {
    std::string path = dir_.File(name);
    WriteText(path, Regedit4(entries, DRIVERS));
    return path;
  }

  JobResult Run(CliCommand command, const std::string& file, bool verbose = false,
                FileOutcome* outcome = nullptr) {
    CliOptions options;
    options.command = command;
    options.verbose = verbose;
    return RunJob(options, file, outcome);
  }

  TempDir dir_;
};

TEST_F(UnexaminedTest, NoAllClearStandsOverAnEntryNotExamined) {
  const std::string notice = UnexaminedNotice(1);
  std::string file = File("long.reg", {TOO_LONG, HEALTHY});
  JobResult detect = Run(CliCommand::Detect, file);
  EXPECT_EQ(detect.status, EXIT_INCOMPLETE);
  EXPECT_EQ(detect.out, "COM2:\nDll: A.DLL\n\n" + notice + "\n");
  EXPECT_EQ(detect.err, "quorvafix-cli: " + file + ": " + notice + "\n");

  JobResult fix = Run(CliCommand::Fix, file, true);
  EXPECT_EQ(fix.status, EXIT_INCOMPLETE);
  EXPECT_EQ(fix.out, "COM2:\nDll: A.DLL\n\n" + notice + "\n" + "entry \"" + std::string(250, 'n') +
                         "\": skipped, name too long\n" +
                         "entry \"02\", Name \"COM2:\": examined, Dll \"A.DLL\"\n");
  EXPECT_EQ(fix.out.find("All OK"), std::string::npos);
  EXPECT_EQ(fix.out.find(SCAN_NOT_FOUND_MESSAGE), std::string::npos);

  // Two such entries are counted as two.
  std::vector<std::string> second = TOO_LONG;
  second[0].back() = 'm';
  JobResult two = Run(CliCommand::Detect, File("two.reg", {TOO_LONG, second}));
  EXPECT_EQ(two.status, EXIT_INCOMPLETE);
  EXPECT_NE(two.err.find(UnexaminedNotice(2)), std::string::npos) << two.err;
}

// A Name, Key or Dll of 150 characters is past the scan's 300-byte query:
// the entry is not read, whatever it names, and no all-clear stands over it.
TEST_F(UnexaminedTest, AValueTooLongToReadIsNoAllClear) {
  const std::string pad(145, 'x');
  const std::vector<std::vector<std::string>> drivers = {{"Drivers\\A", "A.DLL"},
                                                         {"Drivers\\L" + pad, "QVBTDEV.DLL"},
                                                         {"Drivers\\D", "QVBTDEV.DLL" + pad}};
  const struct {
    std::vector<std::string> entry;
    const char* line;
  } cases[] = {
      {{"04", "COM4:" + pad, "Drivers\\\\A"}, "entry \"04\": skipped, Name cannot be read"},
      {{"05", "COM5:", "Drivers\\\\L" + pad},
       "entry \"05\", Name \"COM5:\": skipped, Key cannot be read"},
      {{"06", "COM6:", "Drivers\\\\D"},
       "entry \"06\", Name \"COM6:\": skipped, Dll cannot be read"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    std::string file = dir_.File(c.entry[0] + ".reg");
    WriteText(file, Regedit4({c.entry, HEALTHY}, drivers));
    JobResult fix = Run(CliCommand::Fix, file, true);
    EXPECT_EQ(fix.status, EXIT_INCOMPLETE);
    EXPECT_EQ(fix.out, "COM2:\nDll: A.DLL\n\n" + UnexaminedNotice(1) + "\n" + c.line +
                           "\nentry \"02\", Name \"COM2:\": examined, Dll \"A.DLL\"\n");
    EXPECT_EQ(fix.err, "quorvafix-cli: " + file + ": " + UnexaminedNotice(1) + "\n");
  }
}

TEST_F(UnexaminedTest, AFaultLeftOutweighsTheEntriesNotExamined) {
  std::string file = File("both.reg", {TOO_LONG, FAULTY});
  JobResult detect = Run(CliCommand::Detect, file);
  EXPECT_EQ(detect.status, EXIT_FAULT_LEFT);
  EXPECT_EQ(detect.out, "COM3:\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\n");
  EXPECT_EQ(detect.err, "quorvafix-cli: " + file + ": " + UnexaminedNotice(1) + "\n");

  // Repaired, the file is still not all clear.
  JobResult fix = Run(CliCommand::Fix, file);
  EXPECT_EQ(fix.status, EXIT_INCOMPLETE);
  EXPECT_EQ(fix.out,
            "COM3:\nDll: QVBTDEV.DLL  FIXED!\n" + std::string(SCAN_REPAIRED_MESSAGE) + "\n");
}

TEST_F(UnexaminedTest, EntriesThatAreNoComPortDriverStaySilent) {
  std::string file = dir_.File("silent.reg");
  WriteText(file, Regedit4({{"01", "PGR1:", "Drivers\\\\A"},
                            {"02", "COM2:", ""},
                            {"03", "COM3:", "Drivers\\\\Gone"},
                            {"04", "COM4:", "Drivers\\\\NoDll"}},
                           {{"Drivers\\A", "A.DLL"}, {"Drivers\\NoDll", ""}}) +
                      "[HKEY_LOCAL_MACHINE\\Drivers\\Active\\05]\r\n\"Name\"=\"COM5:\"\r\n"
                      "\"PnpId\"=\"BT\"\r\n\"Key\"=\"Drivers\\\\A\"\r\n");
  FileOutcome outcome;
  JobResult r = Run(CliCommand::Fix, file, false, &outcome);
  EXPECT_EQ(r.status, EXIT_NO_FAULT_LEFT);
  EXPECT_EQ(r.out, "\nAll OK !!!\n" + NOT_FOUND);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(outcome.unexamined, 0);
  EXPECT_EQ(outcome.Verdict(), FileVerdict::Healthy);
}

TEST_F(UnexaminedTest, JsonAndSummaryCountTheIncompleteFile) {
  FileOutcome incomplete;
  RunJob(
      [] {
        CliOptions options;
        options.command = CliCommand::Detect;
        options.format = CliFormat::Json;
        return options;
      }(),
      File("long.reg", {TOO_LONG, HEALTHY}), &incomplete);
  EXPECT_EQ(incomplete.Verdict(), FileVerdict::Incomplete);
  Capture out;
  JsonReportWriter writer(out.get());
  writer.Add(incomplete);
  writer.Finish();
  nlohmann::json document = nlohmann::json::parse(out.Text());
  EXPECT_EQ(document[0]["status"], "incomplete");
  EXPECT_EQ(document[0]["exit_status"], EXIT_INCOMPLETE);
  EXPECT_EQ(document[0]["unexamined"], 1);
  EXPECT_EQ(document[0]["message"], "");
  EXPECT_EQ(document[0]["skipped"][0]["reason"], "name too long");
  EXPECT_EQ(SummaryLine({FileVerdict::Healthy, FileVerdict::Incomplete, FileVerdict::Incomplete}),
            "3 files: 1 healthy, 0 faulty, 0 repaired, 0 refused, 2 incomplete");
}

TEST(WeightierStatus, TroubleThenFaultThenIncompleteThenClear) {
  // Statuses from the weightiest down.
  const int ORDER[] = {EXIT_TROUBLE, EXIT_FAULT_LEFT, EXIT_INCOMPLETE, EXIT_NO_FAULT_LEFT};
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      SCOPED_TRACE(std::to_string(ORDER[i]) + " and " + std::to_string(ORDER[j]));
      int expected = ORDER[std::min(i, j)];
      EXPECT_EQ(WeightierStatus(ORDER[i], ORDER[j]), expected);
      EXPECT_EQ(WeightierStatus(ORDER[j], ORDER[i]), expected);
    }
  }
}

}  // namespace
