// quorvafix-cli as a process over several files: the summary line (asked for,
// or on a terminal), the `==> FILE <==` headers and the JSON document.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/testing/child_process.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

const std::string CLI = QUORVAFIX_CLI_PATH;
const std::string EXAMPLES = QUORVAFIX_EXAMPLES_DIR;

struct ToolRun {
  int status;
  std::string out;
  std::string err;
};

class BatchOutputTest : public ::testing::Test {
 protected:
  ToolRun Start(const std::vector<std::string>& argv) {
    ChildProcess child;
    ToolRun run{-1, "", ""};
    EXPECT_TRUE(child.Start(argv, dir_.File("out"), dir_.File("err")));
    EXPECT_TRUE(child.Wait(&run.status));
    run.out = FileText(dir_.File("out"));
    run.err = FileText(dir_.File("err"));
    return run;
  }

  // The tool with args, its stderr a terminal (through script(1)) and its
  // stdout dropped; what reached the terminal.
  std::string OnTerminal(const std::string& args) {
    return Start({"/usr/bin/script", "-q", "-e", "-c", CLI + " " + args + " 2>&1 >/dev/null",
                  "/dev/null"})
        .out;
  }

  // Three files: healthy, faulty, missing.
  std::string Batch() {
    return EXAMPLES + "/healthy.reg " + EXAMPLES + "/quorva-driver.reg " + dir_.File("missing.reg");
  }

  TempDir dir_;
};

constexpr char SUMMARY[] = "3 files: 1 healthy, 1 faulty, 0 repaired, 1 refused, 0 incomplete";

TEST_F(BatchOutputTest, SummaryWhenAskedForOrOnATerminal) {
  std::vector<std::string> detect = {CLI, "detect", EXAMPLES + "/healthy.reg",
                                     EXAMPLES + "/quorva-driver.reg", dir_.File("missing.reg")};
  ToolRun plain = Start(detect);
  EXPECT_EQ(plain.status, 2);
  EXPECT_EQ(plain.err, "quorvafix-cli: " + dir_.File("missing.reg") +
                           ": cannot read: No such file or directory\n");

  detect.push_back("--summary");
  ToolRun asked = Start(detect);
  EXPECT_EQ(asked.status, 2);
  EXPECT_EQ(asked.out, plain.out);
  EXPECT_EQ(asked.err, plain.err + SUMMARY + "\n");

  EXPECT_NE(OnTerminal("detect " + Batch()).find(std::string(SUMMARY) + "\r\n"), std::string::npos);
  std::string one_file = OnTerminal("detect " + EXAMPLES + "/healthy.reg");
  EXPECT_EQ(one_file, "") << "one file needs no summary";
  std::string json = OnTerminal("detect --format=json " + Batch());
  EXPECT_EQ(json.find("files:"), std::string::npos) << json;
}

TEST_F(BatchOutputTest, HeadersEscapeTheFileName) {
  std::string odd = dir_.File("a\x1b[31m\tb.reg");
  WriteBytes(odd, ReadBytes(EXAMPLES + "/healthy.reg"));
  ToolRun run = Start({CLI, "detect", odd, EXAMPLES + "/healthy.reg"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out.rfind("==> " + dir_.File("a\\x1b[31m\tb.reg") + " <==\nCOM1:\n", 0), 0u)
      << run.out;
  EXPECT_NE(run.out.find("==> " + EXAMPLES + "/healthy.reg <==\n"), std::string::npos);
}

TEST_F(BatchOutputTest, JsonIsOneDocumentWithTheTextFormsExitStatus) {
  std::vector<std::string> args = {CLI, "detect", "--format=json", EXAMPLES + "/healthy.reg",
                                   EXAMPLES + "/quorva-driver.reg"};
  ToolRun json = Start(args);
  args.erase(args.begin() + 2);
  ToolRun text = Start(args);
  EXPECT_EQ(json.status, 1);
  EXPECT_EQ(text.status, 1);
  nlohmann::json document = nlohmann::json::parse(json.out, nullptr, false);
  ASSERT_TRUE(document.is_array()) << json.out;
  ASSERT_EQ(document.size(), 2u);
  EXPECT_EQ(document[0]["status"], "healthy");
  EXPECT_EQ(document[1]["status"], "faulty");
  EXPECT_EQ(json.err, "");
}

// Linux has no registry of its own: --local-registry is refused with the
// reason and nothing else is done.
TEST_F(BatchOutputTest, LocalRegistryIsRefusedWhereThereIsNone) {
  for (const char* command : {"detect", "fix"}) {
    ToolRun run = Start({CLI, command, "--local-registry"});
    EXPECT_EQ(run.status, 2) << command;
    EXPECT_EQ(run.out, "") << command;
    EXPECT_EQ(run.err,
              "quorvafix-cli: --local-registry: this system has no registry of its own (the option "
              "reads the registry of the Windows computer the tool runs on); give a registry "
              "export FILE instead\n")
        << command;
  }
}

// Nor does it have the synchronisation software that reaches a connected
// handheld: --device is refused with where the guide tells the Linux way.
TEST_F(BatchOutputTest, DeviceIsRefusedWhereThereIsNoSynchronisation) {
  for (std::vector<std::string> args : {std::vector<std::string>{CLI, "detect", "--device"},
                                        {CLI, "fix", "--device", "--wait=1"},
                                        {CLI, "export", "--device", "-"}}) {
    ToolRun run = Start(args);
    EXPECT_EQ(run.status, 2) << args[1];
    EXPECT_EQ(run.out, "") << args[1];
    EXPECT_EQ(run.err,
              "quorvafix-cli: --device: this system cannot reach a connected handheld (the option "
              "goes through the Windows synchronisation software's rapi.dll); on Linux, bring a "
              "registry export over as the guide tells (docs/guide.md, \"Getting the registry "
              "off the handheld\")\n")
        << args[1];
  }
}

}  // namespace
