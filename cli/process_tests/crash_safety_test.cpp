// Crash safety of quorvafix-cli as a process: killed with SIGKILL at random
// moments while it repairs a registry of many faulty drivers (all repairs in
// one rewrite), the file always holds a whole state, the one before the run or
// the one after every repair, never a torn mix or some repairs only; a lock left by the
// killed run is reported as such and never overwritten. A file-size limit
// fails the write, not the tool.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
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
constexpr int PADDING = 150;  // filler values per driver key: about 310 KB in all
constexpr int KILLS = 200;

// Runs `quorvafix-cli fix file` to its end; the exit status, or -1 when killed.
int RunFix(const TempDir& dir, const std::string& file, long long file_size_limit = 0) {
  ChildProcess child;
  if (!child.Start({CLI, "fix", file}, dir.File("out"), dir.File("err"), file_size_limit))
    return -2;
  int status = -1;
  child.Wait(&status);
  return status;
}

TEST(CrashSafety, KilledAtRandomMomentsTheFileHoldsAWholeState) {
  TempDir dir;
  const std::string file = dir.File("dev.reg");
  const std::string lock = file + ".lock";
  const std::string original = FaultyRegistry(std::vector<bool>(DRIVERS, false), PADDING);
  const std::string repaired = FaultyRegistry(std::vector<bool>(DRIVERS, true), PADDING);

  // How long an uninterrupted run takes sets the range of the kill moments.
  WriteText(file, original);
  auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(RunFix(dir, file), EXIT_NO_FAULT_LEFT) << FileText(dir.File("err"));
  auto full = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(FileText(file), repaired);
  const long long full_us = std::max<long long>(
      1000, std::chrono::duration_cast<std::chrono::microseconds>(full).count());

  std::mt19937 random(20240611);
  int finished = 0, locks_left = 0, stale_checked = 0;
  std::vector<int> states(DRIVERS + 1, 0);
  for (int kill = 0; kill < KILLS; ++kill) {
    SCOPED_TRACE("kill " + std::to_string(kill));
    WriteText(file, original);
    ChildProcess child;
    ASSERT_TRUE(child.Start({CLI, "fix", file}, dir.File("out"), dir.File("err")));
    std::this_thread::sleep_for(std::chrono::microseconds(
        std::uniform_int_distribution<long long>(0, full_us * 11 / 10)(random)));
    child.Kill();
    int status = 0;
    if (child.Wait(&status)) {
      EXPECT_EQ(status, EXIT_NO_FAULT_LEFT);
      ++finished;
    }

    const std::string text = FileText(file);
    std::vector<bool> flags = RepairedDrivers(text, DRIVERS);
    ASSERT_EQ(flags.size(), size_t(DRIVERS)) << "a torn file";
    const int k = static_cast<int>(std::count(flags.begin(), flags.end(), true));
    ASSERT_TRUE(k == 0 || k == DRIVERS) << "a file with " << k << " repairs of " << DRIVERS;
    ASSERT_EQ(text, FaultyRegistry(flags, PADDING)) << "a torn file after " << k << " repairs";
    ++states[k];

    if (Exists(lock)) {
      ++locks_left;
      if (locks_left % 10 == 1) {
        // The next run meets the dead run's lock: it says so, changes nothing
        // and leaves the lock where it is.
        ++stale_checked;
        const std::string before = FileText(file);
        const std::string stale = FileText(lock);
        EXPECT_EQ(RunFix(dir, file), DRIVERS - k > 0 ? EXIT_FAULT_LEFT : EXIT_NO_FAULT_LEFT);
        std::string err = FileText(dir.File("err"));
        EXPECT_NE(err.find(lock + " exists: another program may be writing " + file +
                           "; if none is, remove " + lock),
                  std::string::npos)
            << err;
        EXPECT_EQ(FileText(file), before);
        EXPECT_EQ(FileText(lock), stale);
      }
      ASSERT_EQ(::unlink(lock.c_str()), 0);
    }
    if (kill % 25 == 0) {
      // A run after a killed one completes the repair.
      EXPECT_EQ(RunFix(dir, file), EXIT_NO_FAULT_LEFT);
      EXPECT_EQ(FileText(file), repaired);
      EXPECT_FALSE(Exists(lock));
    }
  }
  std::printf(
      "kills survived: %d (runs that finished first: %d; locks left by a killed run: %d, "
      "%d of them reported to the next run); files as before: %d, repaired: %d; full run %lld "
      "us\n",
      KILLS, finished, locks_left, stale_checked, states[0], states[DRIVERS], full_us);
  EXPECT_GT(states[0], 0) << "the kills should land before the rewrite too";
  EXPECT_GT(states[DRIVERS] - finished, 0) << "the kills should land after the rewrite too";
}

// Under a file-size limit (ulimit -f) a write fails with EFBIG: the tool
// reports the failed repair and exits with 1, the file stays as it was and no
// lock is left, instead of SIGXFSZ killing the tool mid-write.
TEST(CrashSafety, FileSizeLimitFailsTheWriteNotTheTool) {
  TempDir dir;
  const std::string file = dir.File("dev.reg");
  WriteBytes(file, ReadBytes(SAMPLE));
  EXPECT_EQ(RunFix(dir, file, 4000), EXIT_FAULT_LEFT);
  std::string err = FileText(dir.File("err"));
  EXPECT_EQ(err,
            "quorvafix-cli: " + file + ": cannot repair Drivers\\BuiltIn\\BtSerialA\\Dll: " + file +
                ": cannot store value \"Dll\" in HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\BtSerialA: "
                "cannot write " +
                file + ".lock: File too large\n");
  EXPECT_NE(FileText(dir.File("out")).find("Dll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\n"),
            std::string::npos);
  EXPECT_EQ(ReadBytes(file), ReadBytes(SAMPLE));
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"dev.reg", "err", "out"}));
}

}  // namespace
