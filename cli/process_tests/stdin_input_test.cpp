// Standard input as the registry export ("-"): in-process through
// StdinFileSystem over a pipe or an open file, compared with the same export
// read from its file; then the real tool with its standard input redirected
// and piped by a shell.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "cli/cli_job.h"
#include "cli/report_text.h"
#include "cli/stdin_file_system.h"
#include "cli/testing/cli_job_runner.h"
#include "cli/testing/shell_script.h"
#include "cli/testing/test_registry.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

const std::string CLI = QUORVAFIX_CLI_PATH;
const std::string EXAMPLES = QUORVAFIX_EXAMPLES_DIR;
const char* const SAMPLES[] = {"healthy.reg", "quorva-driver.reg", "disabled-lowercase.reg"};

// A pipe whose read end holds bytes, all of them written and the write end
// closed (the bytes fit in the pipe's buffer).
class FilledPipe {
 public:
  explicit FilledPipe(const std::vector<uint8_t>& bytes) {
    EXPECT_EQ(::pipe(ends_), 0);
    EXPECT_EQ(::write(ends_[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(ends_[1]);
  }
  ~FilledPipe() { ::close(ends_[0]); }
  int ReadEnd() const { return ends_[0]; }

 private:
  int ends_[2] = {-1, -1};
};

// The text up to its last line (which ends the text), and that line alone:
// fix --patch ends its report with a message naming the export and the patch.
std::string BeforeLastLine(const std::string& text) {
  return text.substr(0, text.rfind('\n', text.size() - 2) + 1);
}
std::string LastLine(const std::string& text) {
  std::string line = text.substr(BeforeLastLine(text).size());
  return line.substr(0, line.size() - 1);
}

TEST(StdinFileSystem, DetectFromAPipeReportsAsFromTheFile) {
  for (const char* name : SAMPLES) {
    SCOPED_TRACE(name);
    std::string path = EXAMPLES + "/" + name;
    FilledPipe pipe(ReadBytes(path));
    StdinFileSystem fs(RealFileSystem(), pipe.ReadEnd());
    JobResult from_stdin = RunJob(CliCommand::Detect, STDIN_FILE_NAME, "", &fs);
    JobResult from_file = RunJob(CliCommand::Detect, path);
    EXPECT_EQ(from_stdin.status, from_file.status);
    EXPECT_EQ(from_stdin.out, from_file.out);
    EXPECT_EQ(from_stdin.err, "");
    EXPECT_NE(from_stdin.out, "\n");
  }
}

TEST(StdinFileSystem, FixIntoPatchFromAnOpenFileWritesThePatchOfTheFile) {
  TempDir dir;
  // Larger than a pipe's buffer: read piece by piece from the descriptor.
  std::string file = dir.File("many.reg");
  WriteText(file, FaultyRegistry(std::vector<bool>(40, false), 150));
  int input = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(input, 0);
  StdinFileSystem fs(RealFileSystem(), input);
  JobResult from_stdin = RunJob(CliCommand::Fix, STDIN_FILE_NAME, dir.File("stdin-patch.reg"), &fs);
  ::close(input);
  JobResult from_file = RunJob(CliCommand::Fix, file, dir.File("file-patch.reg"));
  EXPECT_EQ(from_stdin.status, EXIT_NO_FAULT_LEFT) << from_stdin.err;
  EXPECT_EQ(BeforeLastLine(from_stdin.out), BeforeLastLine(from_file.out));
  EXPECT_EQ(LastLine(from_stdin.out), PatchMessage(STDIN_FILE_NAME, dir.File("stdin-patch.reg")));
  EXPECT_EQ(ReadBytes(dir.File("stdin-patch.reg")), ReadBytes(dir.File("file-patch.reg")));
  EXPECT_EQ(dir.Names(),
            (std::vector<std::string>{"file-patch.reg", "many.reg", "stdin-patch.reg"}));
}

TEST(StdinFileSystem, OtherNamesReachTheInnerFileSystem) {
  TempDir dir;
  std::string file = dir.File("-x");
  WriteBytes(file, ReadBytes(EXAMPLES + "/healthy.reg"));
  FilledPipe pipe({'n', 'o', 't', '\n'});
  StdinFileSystem fs(RealFileSystem(), pipe.ReadEnd());
  JobResult r = RunJob(CliCommand::Fix, file, "", &fs);
  EXPECT_EQ(r.status, EXIT_NO_FAULT_LEFT) << r.err;
  int fd = -1;
  EXPECT_EQ(fs.OpenRead(dir.File("missing"), &fd), ENOENT);
}

TEST(StdinFileSystem, InputReadToItsEndReadsEmptyAgainAndAClosedOneFails) {
  FilledPipe pipe(ReadBytes(EXAMPLES + "/healthy.reg"));
  StdinFileSystem fs(RealFileSystem(), pipe.ReadEnd());
  EXPECT_EQ(RunJob(CliCommand::Detect, STDIN_FILE_NAME, "", &fs).status, EXIT_NO_FAULT_LEFT);
  int fd = -1;
  ASSERT_EQ(fs.OpenRead(STDIN_FILE_NAME, &fd), 0);
  uint8_t byte;
  size_t got = 1;
  EXPECT_EQ(fs.Read(fd, &byte, 1, &got), 0);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(fs.Close(fd), 0);

  StdinFileSystem closed(RealFileSystem(), -1);
  JobResult r = RunJob(CliCommand::Detect, STDIN_FILE_NAME, "", &closed);
  EXPECT_EQ(r.status, EXIT_TROUBLE);
  EXPECT_EQ(r.err, "quorvafix-cli: -: cannot read: standard input is closed\n");
}

// The real tool run by `sh -c script` in dir, with $CLI and $EXAMPLES set.
ScriptResult RunShell(const TempDir& dir, const std::string& script) {
  return RunShellScript(dir.Path(), "CLI=" + ShellQuoted(CLI) +
                                        " EXAMPLES=" + ShellQuoted(EXAMPLES) + " && " + script);
}

TEST(StdinTool, DetectReadsRedirectedAndPipedInput) {
  TempDir dir;
  ScriptResult expected = RunShell(dir, "\"$CLI\" detect \"$EXAMPLES/quorva-driver.reg\"");
  ASSERT_EQ(expected.status, EXIT_FAULT_LEFT);
  ASSERT_NE(expected.out.find("BUG DETECTED HERE!"), std::string::npos);
  for (const char* script : {"\"$CLI\" detect - < \"$EXAMPLES/quorva-driver.reg\"",
                             "cat \"$EXAMPLES/quorva-driver.reg\" | \"$CLI\" detect -",
                             "\"$CLI\" detect -- - < \"$EXAMPLES/quorva-driver.reg\""}) {
    SCOPED_TRACE(script);
    ScriptResult r = RunShell(dir, script);
    EXPECT_EQ(r.status, EXIT_FAULT_LEFT);
    EXPECT_EQ(r.out, expected.out);
    EXPECT_EQ(r.err, "");
  }
}

TEST(StdinTool, StandardInputAmongFilesHasItsOwnHeader) {
  TempDir dir;
  ScriptResult r =
      RunShell(dir, "\"$CLI\" detect \"$EXAMPLES/healthy.reg\" - < \"$EXAMPLES/healthy.reg\"");
  EXPECT_EQ(r.status, EXIT_NO_FAULT_LEFT) << r.err;
  ScriptResult one = RunShell(dir, "\"$CLI\" detect \"$EXAMPLES/healthy.reg\"");
  EXPECT_EQ(r.out, "==> " + EXAMPLES + "/healthy.reg <==\n" + one.out + "==> - <==\n" + one.out);
}

TEST(StdinTool, FixOfStandardInputIsRefusedButPatchedFromIt) {
  TempDir dir;
  ScriptResult refused = RunShell(dir, "\"$CLI\" fix - < \"$EXAMPLES/quorva-driver.reg\"");
  EXPECT_EQ(refused.status, EXIT_TROUBLE);
  EXPECT_EQ(refused.out, "");
  EXPECT_EQ(
      refused.err,
      "quorvafix-cli: fix cannot repair standard input ('-') in place: there is no file to write "
      "back to; "
      "use --patch OUT.reg, or save the export to a file first\nTry 'quorvafix-cli --help'.\n");

  ScriptResult patched =
      RunShell(dir, "cat \"$EXAMPLES/quorva-driver.reg\" | \"$CLI\" fix --patch repair.reg -");
  EXPECT_EQ(patched.status, EXIT_NO_FAULT_LEFT) << patched.err;
  ScriptResult from_file =
      RunShell(dir, "\"$CLI\" fix --patch file-repair.reg \"$EXAMPLES/quorva-driver.reg\"");
  EXPECT_EQ(BeforeLastLine(patched.out), BeforeLastLine(from_file.out));
  EXPECT_EQ(LastLine(patched.out), PatchMessage(STDIN_FILE_NAME, "repair.reg"));
  EXPECT_EQ(ReadBytes(dir.File("repair.reg")), ReadBytes(dir.File("file-repair.reg")));
}

TEST(StdinTool, InputThatIsNoRegistryIsRefusedNamingStandardInput) {
  TempDir dir;
  ScriptResult r = RunShell(dir, "printf 'hello\\n' | \"$CLI\" detect -");
  EXPECT_EQ(r.status, EXIT_TROUBLE);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.rfind("quorvafix-cli: -:1: ", 0), 0u) << r.err;
}

}  // namespace

namespace {

// The bytes of text as UTF-16LE, each character one unit (ASCII text).
std::vector<uint8_t> Utf16(const std::string& text, bool bom) {
  std::vector<uint8_t> bytes;
  if (bom) bytes = {0xFF, 0xFE};
  for (char c : text) {
    bytes.push_back(static_cast<uint8_t>(c));
    bytes.push_back(0);
  }
  return bytes;
}

std::vector<uint8_t> Narrow(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

// The first line of a pipe is checked before the rest is read: whatever the
// form, the stream gets the outcome its bytes get from a file, refusals and
// their reasons included.
TEST(StdinFileSystem, APipeGetsTheOutcomeItsBytesGetFromAFile) {
  const std::string body = "[HKEY_LOCAL_MACHINE\\Drivers]\r\n\"a\"=\"b\"\r\n";
  std::vector<uint8_t> big_endian = {0xFE, 0xFF};
  for (char c : std::string("REGEDIT4\r\n")) big_endian.insert(big_endian.end(), {0, uint8_t(c)});
  const std::vector<std::vector<uint8_t>> streams = {
      Narrow("REGEDIT4\r\n\r\n" + body),
      Narrow("REGEDIT4\n" + body),
      Narrow("REGEDIT4\r[HKEY_LOCAL_MACHINE\\Drivers]\r"),
      Narrow("  REGEDIT4\n" + body),
      Narrow("\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n" + body),
      Utf16("Windows Registry Editor Version 5.00\r\n" + body, true),
      Utf16("REGEDIT4\r\n" + body, false),
      Narrow("REGEDIT4"),
      Narrow(""),
      Narrow("REGEDIT\r\n" + body),
      Narrow("\nREGEDIT4\n"),
      Narrow("REGEDIT4 and more\n"),
      big_endian,
      Narrow(std::string(5000, ' ') + "REGEDIT4\n"),
  };
  TempDir dir;
  const std::string file = dir.File("same.reg");
  for (size_t i = 0; i < streams.size(); ++i) {
    SCOPED_TRACE(i);
    WriteBytes(file, streams[i]);
    JobResult from_file = RunJob(CliCommand::Detect, file);
    FilledPipe pipe(streams[i]);
    StdinFileSystem fs(RealFileSystem(), pipe.ReadEnd());
    JobResult from_pipe = RunJob(CliCommand::Detect, STDIN_FILE_NAME, "", &fs);
    std::string expected_err = from_file.err;
    // Only a first line past the limit is refused on a pipe and not in a file.
    if (streams[i].size() > STDIN_FIRST_LINE_LIMIT) {
      from_file.status = EXIT_TROUBLE;
      from_file.out = "";
      expected_err = "quorvafix-cli: -:1: not a registry file: the first line is longer than " +
                     std::to_string(STDIN_FIRST_LINE_LIMIT) + " bytes\n";
    }
    EXPECT_EQ(from_pipe.status, from_file.status);
    EXPECT_EQ(from_pipe.out, from_file.out);
    for (size_t at; (at = expected_err.find(file)) != std::string::npos;)
      expected_err.replace(at, file.size(), STDIN_FILE_NAME);
    EXPECT_EQ(from_pipe.err, expected_err);
  }
}

}  // namespace
