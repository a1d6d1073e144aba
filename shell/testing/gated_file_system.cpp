#include "shell/testing/gated_file_system.h"

#include <chrono>

#include "platform/files/file_system.h"

GatedFileSystem::GatedFileSystem(Step step) : FailingFileSystem(RealFileSystem()), step_(step) {}

void GatedFileSystem::Open() {
  std::lock_guard<std::mutex> hold(lock_);
  open_ = true;
  opened_.notify_all();
}

void GatedFileSystem::Wait(Step step) {
  if (step != step_ || reached_.exchange(true)) return;
  if (on_reached_) on_reached_();
  std::unique_lock<std::mutex> hold(lock_);
  if (!opened_.wait_for(hold, std::chrono::milliseconds(GATE_LIMIT_MS), [this] { return open_; })) {
    timed_out_ = true;
  }
}

int GatedFileSystem::Rename(const std::string& from, const std::string& to) {
  Wait(Step::Rename);
  return FailingFileSystem::Rename(from, to);
}

int GatedFileSystem::OpenRead(const std::string& path, int* fd) {
  Wait(Step::OpenRead);
  return FailingFileSystem::OpenRead(path, fd);
}
