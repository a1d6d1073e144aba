// The real tool's standard streams as files: standard input identified by
// what it is (the patch target it reads is refused by any name), a closed
// standard input refused as such, "--patch -" writing the patch to standard
// output as GNU tools do, a file really named "-", and the exit status of a
// run over several files. Run behind a shell, in the test's own folder.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/cli_job.h"
#include "cli/testing/shell_script.h"
#include "cli/testing/test_registry.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

const std::string CLI = QUORVAFIX_CLI_PATH;
const std::string EXAMPLES = QUORVAFIX_EXAMPLES_DIR;

// The sample with a faulty driver, copied into the test's folder as r.reg.
class StreamsTest : public ::testing::Test {
 protected:
  StreamsTest() : original_(ReadBytes(EXAMPLES + "/disabled-lowercase.reg")) {
    WriteBytes(dir_.File("r.reg"), original_);
  }

  ScriptResult Run(const std::string& script) {
    return RunShellScript(dir_.Path(), "CLI=" + ShellQuoted(CLI) + "; " + script);
  }

  // The patch the tool writes for r.reg into a file of its own.
  std::string ExpectedPatch() {
    ScriptResult made = Run("\"$CLI\" fix --patch made.reg r.reg >/dev/null");
    EXPECT_EQ(made.status, EXIT_NO_FAULT_LEFT) << made.err;
    return FileText(dir_.File("made.reg"));
  }

  std::string FileText(const std::string& path) {
    std::vector<uint8_t> bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
  }

  TempDir dir_;
  std::vector<uint8_t> original_;
};

TEST_F(StreamsTest, APatchOntoTheFileStandardInputReadsIsRefusedByAnyName) {
  ASSERT_EQ(Run("ln -s r.reg link.reg && ln r.reg hard.reg").status, 0);
  for (const char* patch :
       {"r.reg", "./r.reg", "/dev/stdin", "/proc/self/fd/0", "link.reg", "hard.reg"}) {
    SCOPED_TRACE(patch);
    ScriptResult r = Run("\"$CLI\" fix --patch " + ShellQuoted(patch) + " - < r.reg");
    EXPECT_EQ(r.status, EXIT_TROUBLE);
    EXPECT_EQ(r.err, "quorvafix-cli: the patch " + std::string(patch) +
                         " is the registry (standard input) itself; writing it would replace the "
                         "registry, so nothing is written\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadBytes(dir_.File("r.reg")), original_);
  }
}

TEST_F(StreamsTest, AClosedStandardInputIsSaidToBeClosed) {
  for (const char* command : {"detect -", "fix --patch p.reg -"}) {
    SCOPED_TRACE(command);
    ScriptResult r = Run("\"$CLI\" " + std::string(command) + " <&-");
    EXPECT_EQ(r.status, EXIT_TROUBLE);
    EXPECT_EQ(r.err, "quorvafix-cli: -: cannot read: standard input is closed\n");
  }
  EXPECT_EQ(Run("test -e p.reg").status, 1) << "a patch was written";
}

TEST_F(StreamsTest, PatchDashIsStandardOutputCarryingThePatchAlone) {
  const std::string expected = ExpectedPatch();
  ASSERT_NE(expected, "");
  ScriptResult text = Run("\"$CLI\" fix --patch - r.reg");
  EXPECT_EQ(text.status, EXIT_NO_FAULT_LEFT);
  EXPECT_EQ(text.out, expected);
  EXPECT_NE(text.err.find("FIXED IN THE PATCH\nThe repair is in the patch written to standard "
                          "output; "),
            std::string::npos)
      << text.err;
  EXPECT_EQ(Run("test -e ./-").status, 1) << "a file named '-' was written";
  EXPECT_EQ(ReadBytes(dir_.File("r.reg")), original_);

  // From standard input to standard output; the JSON document on stderr.
  ScriptResult json = Run("\"$CLI\" fix --format=json --patch=- - < r.reg");
  EXPECT_EQ(json.status, EXIT_NO_FAULT_LEFT);
  EXPECT_EQ(json.out, expected);
  nlohmann::json document = nlohmann::json::parse(json.err, nullptr, false);
  ASSERT_TRUE(document.is_array()) << json.err;
  EXPECT_EQ(document[0]["status"], "repaired");
}

// A standard output that takes nothing (a full disk, a pipe nobody reads)
// ends the run with status 2 and "write error", and a patch it did not take
// is never claimed: the driver stays marked.
TEST_F(StreamsTest, AnOutputThatTakesNothingIsAWriteErrorAndNoPatchIsClaimed) {
  const ScriptResult detect = Run("\"$CLI\" detect r.reg");
  ASSERT_NE(detect.out.find("<<<< BUG DETECTED HERE!"), std::string::npos);
  WriteText(dir_.File("big.reg"), FaultyRegistry(std::vector<bool>(400, false), 0));
  // A pipe whose reader is gone before the tool writes.
  const std::string closed_pipe = "mkfifo p && exec 3<>p 4>p 3<&- && ";
  struct Case {
    std::string script;
    const char* reason;
    bool patch;
  };
  const Case cases[] = {
      {closed_pipe + "\"$CLI\" detect r.reg >&4", "Broken pipe", false},
      // A report larger than the stream's buffer fails inside a write.
      {closed_pipe + "\"$CLI\" detect big.reg >&4", "Broken pipe", false},
      {"\"$CLI\" fix --patch - r.reg >/dev/full", "No space left on device", true},
      {closed_pipe + "\"$CLI\" fix --patch - r.reg >&4", "Broken pipe", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    ScriptResult r = Run(c.script);
    EXPECT_EQ(r.status, EXIT_TROUBLE);
    const std::string write_error = "quorvafix-cli: write error: " + std::string(c.reason) + "\n";
    // The report on stderr is detect's: the driver still marked.
    EXPECT_EQ(r.err, c.patch ? "quorvafix-cli: standard output: cannot write the patch: " +
                                   std::string(c.reason) + "\n" + detect.out + write_error
                             : write_error);
    EXPECT_EQ(ReadBytes(dir_.File("r.reg")), original_);
    Run("rm -f p");
  }
}

TEST_F(StreamsTest, PatchDashOntoTheRegistryItselfIsRefused) {
  ScriptResult r = Run("\"$CLI\" fix --patch - r.reg >> r.reg");
  EXPECT_EQ(r.status, EXIT_TROUBLE);
  EXPECT_NE(r.err.find("the patch (standard output) is the registry r.reg itself"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(ReadBytes(dir_.File("r.reg")), original_);
}

TEST_F(StreamsTest, AFileNamedDashIsNoStandardInput) {
  const std::string expected = ExpectedPatch();
  // A file called "-" holding an unrelated registry: no reason to refuse.
  WriteBytes(dir_.File("-"), ReadBytes(EXAMPLES + "/healthy.reg"));
  ScriptResult r = Run("\"$CLI\" fix --patch ./- - < r.reg");
  EXPECT_EQ(r.status, EXIT_NO_FAULT_LEFT) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(FileText(dir_.File("-")), expected);
  EXPECT_EQ(ReadBytes(dir_.File("r.reg")), original_);
}

TEST_F(StreamsTest, SeveralFilesEndWithTheWeightiestStatus) {
  WriteText(dir_.File("long.reg"), Regedit4({{std::string(250, 'n'), "COM1:", "Drivers\\\\A"}},
                                            {{"Drivers\\A", "A.DLL"}}));
  WriteBytes(dir_.File("faulty.reg"), ReadBytes(EXAMPLES + "/quorva-driver.reg"));
  WriteBytes(dir_.File("healthy.reg"), ReadBytes(EXAMPLES + "/healthy.reg"));
  struct Case {
    const char* files;
    int status;
  };
  const Case cases[] = {
      {"healthy.reg", EXIT_NO_FAULT_LEFT},
      {"long.reg healthy.reg", EXIT_INCOMPLETE},
      {"healthy.reg long.reg", EXIT_INCOMPLETE},
      {"long.reg faulty.reg", EXIT_FAULT_LEFT},
      {"faulty.reg long.reg healthy.reg", EXIT_FAULT_LEFT},
      {"long.reg missing.reg", EXIT_TROUBLE},
      {"missing.reg faulty.reg long.reg", EXIT_TROUBLE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.files);
    ScriptResult r = Run("\"$CLI\" detect --summary " + std::string(c.files));
    EXPECT_EQ(r.status, c.status) << r.err;
  }
  ScriptResult summary = Run("\"$CLI\" detect --summary long.reg healthy.reg faulty.reg");
  EXPECT_NE(summary.err.find("3 files: 1 healthy, 1 faulty, 0 repaired, 0 refused, 1 incomplete\n"),
            std::string::npos)
      << summary.err;
}

}  // namespace
