// The real tool when memory runs out and when standard input never ends: an
// allocation that fails refuses the file in hand with "not enough memory"
// (exit 2), its lock removed and the other files of the run repaired; a
// stream on standard input that is no registry export is refused at its
// first line, with memory bounded by that line. The child runs under
// setrlimit(RLIMIT_AS) where a test says so.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_job.h"
#include "cli/stdin_file_system.h"
#include "cli/testing/child_process.h"
#include "cli/testing/sanitized.h"
#include "cli/testing/test_registry.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

const std::string CLI = QUORVAFIX_CLI_PATH;
constexpr long long MB = 1024 * 1024;

// A FIFO in dir whose writer thread sends first_line, then zero bytes until
// total bytes are sent (0: until the reader goes away).
class FifoInput {
 public:
  FifoInput(const TempDir& dir, const std::string& first_line, long long total)
      : path_(dir.File("endless")) {
    ::signal(SIGPIPE, SIG_IGN);
    if (::mkfifo(path_.c_str(), 0600) != 0) return;
    writer_ = std::thread([this, first_line, total] {
      // Waits for a reader without blocking in open, so that Finish can
      // end a writer whose reader never came.
      int fd = -1;
      while ((fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC)) < 0) {
        if (errno != ENXIO || stop_) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
      ::fcntl(fd, F_SETFL, 0);
      std::vector<char> zeros(64 * 1024, '\0');
      long long sent = ::write(fd, first_line.data(), first_line.size());
      while (total == 0 || sent < total) {
        ssize_t n = ::write(fd, zeros.data(), zeros.size());
        if (n <= 0) break;  // the reader went away
        sent += n;
      }
      sent_ = sent;
      ::close(fd);
    });
  }
  ~FifoInput() { Finish(); }
  const std::string& Path() const { return path_; }
  // Bytes the writer sent, once it has ended.
  long long Sent() {
    Finish();
    return sent_;
  }

 private:
  // Ends the writer; one still waiting for a reader (the tool never opened
  // the FIFO) stops waiting, so the test never hangs.
  void Finish() {
    stop_ = true;
    if (writer_.joinable()) writer_.join();
  }

  std::string path_;
  std::thread writer_;
  std::atomic<long long> sent_{0};
  std::atomic<bool> stop_{false};
};

struct Outcome {
  int status = -1;
  int signal = 0;
  long long memory = 0;
  std::string err;
};

Outcome RunTool(const TempDir& dir, const std::vector<std::string>& args, const std::string& input,
                long long address_space = 0) {
  ChildProcess child;
  if (!input.empty()) child.SetInput(input);
  child.SetAddressSpaceLimit(address_space);
  std::vector<std::string> argv = {CLI};
  argv.insert(argv.end(), args.begin(), args.end());
  Outcome outcome;
  EXPECT_TRUE(child.Start(argv, dir.File("out"), dir.File("err")));
  child.Wait(&outcome.status);
  outcome.signal = child.TermSignal();
  outcome.memory = child.PeakMemory();
  outcome.err = FileText(dir.File("err"));
  return outcome;
}

TEST(StdinHead, AStreamThatIsNoRegistryIsRefusedAtItsFirstLine) {
  struct Case {
    const char* first_line;
    const char* reason;
  };
  const Case cases[] = {
      // 300 MB of zero bytes: one line that never ends.
      {"", "-:1: not a registry file: the first line is longer than 4096 bytes"},
      {"hello\n",
       "-:1: not a registry file: the first line is neither \"REGEDIT4\" nor \"Windows Registry "
       "Editor Version 5.00\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.first_line);
    TempDir dir;
    FifoInput input(dir, c.first_line, 300 * MB);
    Outcome outcome = RunTool(dir, {"detect", "-"}, input.Path());
    EXPECT_EQ(outcome.status, EXIT_TROUBLE);
    EXPECT_EQ(outcome.err, std::string("quorvafix-cli: ") + c.reason + "\n");
    // Refused at the first line: the rest was never read, nor held.
    EXPECT_LT(input.Sent(), 300 * MB);
    if (!ADDRESS_SANITIZED) {
      EXPECT_LT(outcome.memory, 16 * MB);
    }
  }
}

TEST(StdinHead, AnEndlessStreamUnderAMemoryLimitIsRefusedNotAborted) {
  if (ADDRESS_SANITIZED) GTEST_SKIP() << "an address-space limit cannot hold a sanitized program";
  TempDir dir;
  FifoInput input(dir, "", 0);
  Outcome outcome = RunTool(dir, {"detect", "-"}, input.Path(), 256 * MB);
  EXPECT_EQ(outcome.signal, 0);
  EXPECT_EQ(outcome.status, EXIT_TROUBLE);
  EXPECT_EQ(outcome.err,
            "quorvafix-cli: -:1: not a registry file: the first line is longer than 4096 bytes\n");
}

// A real export costs on a pipe what it costs as a file: the pipe is read
// as it comes, never held twice.
TEST(StdinHead, ARealExportOnAPipeCostsWhatItsFileCosts) {
  if (ADDRESS_SANITIZED) GTEST_SKIP() << "the sanitizer's own memory hides the tool's";
  TempDir dir;
  const std::string text = FaultyRegistry(std::vector<bool>(400, false), 600);
  ASSERT_GT(text.size(), 8u * MB);
  const std::string file = dir.File("export.reg");
  WriteText(file, text);
  Outcome from_file = RunTool(dir, {"detect", file}, "");
  FifoInput input(dir, text, static_cast<long long>(text.size()));
  Outcome from_pipe = RunTool(dir, {"detect", "-"}, input.Path());
  EXPECT_EQ(from_pipe.status, EXIT_FAULT_LEFT) << from_pipe.err;
  EXPECT_EQ(from_file.status, EXIT_FAULT_LEFT) << from_file.err;
  // Held twice, the export would add its whole size.
  EXPECT_LT(from_pipe.memory, from_file.memory + static_cast<long long>(text.size()) / 2)
      << "file " << from_file.memory / MB << " MB, pipe " << from_pipe.memory / MB << " MB, export "
      << text.size() / MB << " MB";
}

// Whether a file named name + ".lock" is in dir.
bool LockLeft(const TempDir& dir, const std::string& name) {
  struct stat status;
  return ::lstat(dir.File(name + ".lock").c_str(), &status) == 0;
}

// A big export with faulty drivers and a small one, fixed or detected in one
// run under an address-space limit.
class MemoryExhaustion : public ::testing::Test {
 protected:
  MemoryExhaustion()
      : big_text_(FaultyRegistry(std::vector<bool>(DRIVERS, false), PADDING)),
        big_repaired_(FaultyRegistry(std::vector<bool>(DRIVERS, true), PADDING)),
        small_text_(FaultyRegistry({false, false}, 0)),
        small_repaired_(FaultyRegistry({true, true}, 0)),
        big_(dir_.File("big.reg")),
        small_(dir_.File("small.reg")) {}

  // Runs command on both files, from their first state, under limit bytes.
  Outcome Run(const std::string& command, long long limit) {
    WriteText(big_, big_text_);
    WriteText(small_, small_text_);
    return RunTool(dir_, {command, big_, small_}, "", limit);
  }

  // Whether the run left the big file refused for want of memory, checking
  // that nothing of the run was lost either way: the process not aborted, no
  // lock left, the big file whole (as it was, or repaired by fix), the small
  // one dealt with.
  bool Refused(const std::string& command, long long limit) {
    SCOPED_TRACE(command + " under " + std::to_string(limit / MB) + " MB");
    const bool fix = command == "fix";
    Outcome outcome = Run(command, limit);
    EXPECT_EQ(outcome.signal, 0) << outcome.err;
    EXPECT_FALSE(LockLeft(dir_, "big.reg"));
    EXPECT_FALSE(LockLeft(dir_, "small.reg"));
    EXPECT_EQ(FileText(small_), fix ? small_repaired_ : small_text_);
    if (outcome.err == "quorvafix-cli: " + big_ + ": not enough memory\n") {
      EXPECT_EQ(outcome.status, EXIT_TROUBLE);
      EXPECT_EQ(FileText(big_), big_text_);
      return true;
    }
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.status, fix ? EXIT_NO_FAULT_LEFT : EXIT_FAULT_LEFT);
    EXPECT_EQ(FileText(big_), fix ? big_repaired_ : big_text_);
    return false;
  }

  static constexpr int DRIVERS = 2000;
  static constexpr int PADDING = 600;
  TempDir dir_;
  const std::string big_text_;
  const std::string big_repaired_;
  const std::string small_text_;
  const std::string small_repaired_;
  const std::string big_;
  const std::string small_;
};

// Under the least limit detect needs for the big file, fix can read it but
// not repair it: memory runs out after its lock is taken. The big file is
// refused there, its lock removed, and the small one still repaired.
TEST_F(MemoryExhaustion, TheFileInHandIsRefusedItsLockRemovedAndTheRunGoesOn) {
  if (ADDRESS_SANITIZED) GTEST_SKIP() << "an address-space limit cannot hold a sanitized program";
  ASSERT_GT(big_text_.size(), 40u * MB);
  constexpr long long STEP = 8 * MB;
  long long low = 32 * MB;     // refused there
  long long high = 1024 * MB;  // dealt with there
  ASSERT_TRUE(Refused("detect", low));
  ASSERT_FALSE(Refused("detect", high));
  while (high - low > STEP) {
    const long long middle = (low + high) / 2;
    (Refused("detect", middle) ? low : high) = middle;
  }
  EXPECT_TRUE(Refused("fix", high));
  EXPECT_FALSE(Refused("fix", 4 * high));
}

}  // namespace
