// Test support for the window's long work: a file system that stops the
// first call of one step (a write's Rename, a load's OpenRead) at a gate until
// the test opens it, so that work is slow deterministically, with no sleep
// and no huge file. Every other call goes straight to the real file system.
// The gate is waited at on the worker thread and opened from the test's; a
// gate nobody opens lets the call through after GATE_LIMIT_MS, and says so,
// so that a program that no longer reaches the test's steps fails, not hangs.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

#include "platform/files/testing/failing_file_system.h"

constexpr int GATE_LIMIT_MS = 10000;

class GatedFileSystem : public FailingFileSystem {
 public:
  // step: Step::Rename or Step::OpenRead.
  explicit GatedFileSystem(Step step);

  // True once a call of the step waits at the gate (or has passed it).
  bool Reached() const { return reached_.load(); }
  // True when the call went through because nobody opened the gate in time.
  bool TimedOut() const { return timed_out_.load(); }
  // Lets the waiting call, and every later one, through.
  void Open();
  // Runs on the waiting thread when the gate is reached, before it waits.
  void OnReached(std::function<void()> action) { on_reached_ = std::move(action); }

  int Rename(const std::string& from, const std::string& to) override;
  int OpenRead(const std::string& path, int* fd) override;

 private:
  void Wait(Step step);

  Step step_;
  std::atomic<bool> reached_{false};
  std::atomic<bool> timed_out_{false};
  std::mutex lock_;
  std::condition_variable opened_;
  bool open_ = false;
  std::function<void()> on_reached_;
};
