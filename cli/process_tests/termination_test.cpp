// quorvafix-cli ended by SIGINT, SIGTERM, SIGHUP or SIGQUIT at random
// moments of a run of many repairs: the signal ends it, its own lock is
// removed first, a lock it did not create stays, and the file holds a whole
// state. A long run at a terminal shows which file it is on.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_job.h"
#include "cli/testing/child_process.h"
#include "cli/testing/test_registry.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

const std::string CLI = QUORVAFIX_CLI_PATH;
const std::string SAMPLE = std::string(QUORVAFIX_EXAMPLES_DIR) + "/quorva-driver.reg";

constexpr int DRIVERS = 40;
constexpr int PADDING = 600;  // a run long enough for a signal to land in it
constexpr int ROUNDS_PER_SIGNAL = 6;

// How long an uninterrupted fix of the file takes, in microseconds.
long long TimedFix(const TempDir& dir, const std::string& file) {
  ChildProcess child;
  auto start = std::chrono::steady_clock::now();
  if (!child.Start({CLI, "fix", file}, dir.File("out"), dir.File("err"))) return 0;
  int status = -1;
  child.Wait(&status);
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                               start)
      .count();
}

TEST(TerminationSignals, RemoveTheToolsOwnLockAndEndTheTool) {
  // SIGQUIT would leave a core file behind.
  struct rlimit no_core = {0, 0};
  ASSERT_EQ(::setrlimit(RLIMIT_CORE, &no_core), 0);
  TempDir dir;
  const std::string file = dir.File("dev.reg");
  const std::string held = dir.File("held.reg");
  const std::string original = FaultyRegistry(std::vector<bool>(DRIVERS, false), PADDING);
  WriteText(file, original);
  // The median of three uninterrupted runs sets the range of the signal moments.
  std::vector<long long> runs;
  for (int i = 0; i < 3; ++i) {
    WriteText(file, original);
    runs.push_back(TimedFix(dir, file));
  }
  std::sort(runs.begin(), runs.end());
  const long long full_us = std::max(1000LL, runs[1]);

  std::mt19937 random(20240612);
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    int ended_by_signal = 0;
    for (int round = 0; round < ROUNDS_PER_SIGNAL; ++round) {
      SCOPED_TRACE("signal " + std::to_string(signal_number) + " round " + std::to_string(round));
      WriteText(file, original);
      // A registry whose lock another program holds: its lock must survive.
      WriteBytes(held, ReadBytes(SAMPLE));
      WriteText(held + ".lock", "another program's lock");
      ChildProcess child;
      ASSERT_TRUE(child.Start({CLI, "fix", held, file}, dir.File("out"), dir.File("err")));
      std::this_thread::sleep_for(std::chrono::microseconds(
          std::uniform_int_distribution<long long>(full_us / 10, full_us * 6 / 10)(random)));
      child.Signal(signal_number);
      int status = -1;
      if (!child.Wait(&status)) {
        EXPECT_EQ(child.TermSignal(), signal_number);
        ++ended_by_signal;
      }
      EXPECT_FALSE(Exists(file + ".lock"));
      EXPECT_EQ(FileText(held + ".lock"), "another program's lock");
      std::vector<bool> repaired = RepairedDrivers(FileText(file), DRIVERS);
      ASSERT_EQ(repaired.size(), size_t(DRIVERS)) << "a torn file";
      EXPECT_EQ(FileText(file), FaultyRegistry(repaired, PADDING));
    }
    EXPECT_GE(ended_by_signal, ROUNDS_PER_SIGNAL / 2) << "the signals should land during the run";
    std::printf("signal %d: %d of %d runs ended by it\n", signal_number, ended_by_signal,
                ROUNDS_PER_SIGNAL);
  }
}

// What a terminal shows while the tool runs argv with stderr on it and
// standard input from input (the test's own when empty).
std::string TerminalShows(const std::vector<std::string>& argv, const std::string& input,
                          int* status) {
  int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return "<no terminal>";
  TempDir logs;
  ChildProcess child;
  child.SetInput(input);
  if (!child.Start(argv, logs.File("out"), ::ptsname(master))) return "<not started>";
  child.Wait(status);
  std::string shown;
  char buffer[4096];
  struct pollfd ready = {master, POLLIN, 0};
  while (::poll(&ready, 1, 100) > 0 && (ready.revents & POLLIN) != 0) {
    ssize_t n = ::read(master, buffer, sizeof buffer);
    if (n <= 0) break;
    shown.append(buffer, static_cast<size_t>(n));
  }
  ::close(master);
  return shown;
}

// A FIFO whose writer holds back the sample export for longer than the
// notice's second, then sends it whole: a slow run however fast the machine.
class SlowInput {
 public:
  SlowInput(const TempDir& dir, const std::string& name) : path_(dir.File(name)) {
    if (::mkfifo(path_.c_str(), 0600) != 0) return;
    writer_ = std::thread([this] {
      int fd = ::open(path_.c_str(), O_WRONLY);
      if (fd < 0) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(1600));
      const std::vector<uint8_t> bytes = ReadBytes(SAMPLE);
      ssize_t ignored = ::write(fd, bytes.data(), bytes.size());
      (void)ignored;
      ::close(fd);
    });
  }
  // A writer still waiting for a reader (the tool never started) is let
  // through by a reader of the test's own, so that the test never hangs.
  ~SlowInput() {
    if (!writer_.joinable()) return;
    int reader = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    writer_.join();
    if (reader >= 0) ::close(reader);
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::thread writer_;
};

TEST(ProgressNotice, ALongRunAtATerminalNamesItsFile) {
  int probe = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (probe < 0 && (errno == ENOENT || errno == ENODEV || errno == ENXIO)) {
    GTEST_SKIP() << "needs a terminal: no pseudo-terminal device can be opened (/dev/ptmx: "
                 << std::strerror(errno) << ")";
  }
  ASSERT_GE(probe, 0) << "posix_openpt: " << std::strerror(errno);
  ::close(probe);
  TempDir dir;
  int status = -1;
  {
    SlowInput input(dir, "slow-to-terminal");
    EXPECT_EQ(TerminalShows({CLI, "detect", "-"}, input.Path(), &status),
              "quorvafix-cli: working on -\r\n");
    EXPECT_EQ(status, EXIT_FAULT_LEFT);
  }

  const std::string small = dir.File("small.reg");
  WriteBytes(small, ReadBytes(SAMPLE));
  EXPECT_EQ(TerminalShows({CLI, "fix", small}, "", &status), "");
  EXPECT_EQ(status, EXIT_NO_FAULT_LEFT);

  // Standard error that is no terminal gets no notice.
  SlowInput input(dir, "slow-to-file");
  ChildProcess child;
  child.SetInput(input.Path());
  ASSERT_TRUE(child.Start({CLI, "detect", "-"}, dir.File("out"), dir.File("err")));
  child.Wait(&status);
  EXPECT_EQ(status, EXIT_FAULT_LEFT);
  EXPECT_EQ(FileText(dir.File("err")), "");
}

}  // namespace
