#include "shell/testing/gated_file_system.h"

#include "platform/file_system.h"

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
  opened_.wait(hold, [this] { return open_; });
}

int GatedFileSystem::Rename(const std::string& from, const std::string& to) {
  Wait(Step::Rename);
  return FailingFileSystem::Rename(from, to);
}

int GatedFileSystem::OpenRead(const std::string& path, int* fd) {
  Wait(Step::OpenRead);
  return FailingFileSystem::OpenRead(path, fd);
}
