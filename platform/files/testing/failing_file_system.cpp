#include "platform/files/testing/failing_file_system.h"

void FailingFileSystem::FailAt(Step step, int nth, int error) {
  planned_.emplace(step, Planned{calls_[step] + nth, error});
}

void FailingFileSystem::Clear() {
  planned_.clear();
  calls_.clear();
}

int FailingFileSystem::Calls(Step step) const {
  auto it = calls_.find(step);
  return it == calls_.end() ? 0 : it->second;
}

bool FailingFileSystem::Strikes(Step step, int* error) {
  int call = ++calls_[step];
  auto range = planned_.equal_range(step);
  for (auto it = range.first; it != range.second; ++it) {
    if (it->second.at_call == call) {
      *error = it->second.error;
      planned_.erase(it);
      return true;
    }
  }
  return false;
}

int FailingFileSystem::OpenExclusive(const std::string& path, uint32_t mode, int* fd) {
  int error;
  return Strikes(Step::OpenExclusive, &error) ? error : inner_.OpenExclusive(path, mode, fd);
}

int FailingFileSystem::Write(int fd, const uint8_t* data, size_t size, size_t* written) {
  int error;
  if (!Strikes(Step::Write, &error)) return inner_.Write(fd, data, size, written);
  *written = 0;
  return error;
}

int FailingFileSystem::Fsync(int fd) {
  int error;
  return Strikes(Step::Fsync, &error) ? error : inner_.Fsync(fd);
}

int FailingFileSystem::Close(int fd) {
  // A failed close still releases the descriptor, as close(2) does.
  int error;
  if (!Strikes(Step::Close, &error)) return inner_.Close(fd);
  inner_.Close(fd);
  return error;
}

int FailingFileSystem::OpenWrite(const std::string& path, int* fd) {
  int error = 0;
  return Strikes(Step::OpenWrite, &error) ? error : inner_.OpenWrite(path, fd);
}

int FailingFileSystem::Truncate(int fd, uint64_t size) {
  int error = 0;
  return Strikes(Step::Truncate, &error) ? error : inner_.Truncate(fd, size);
}

int FailingFileSystem::Rename(const std::string& from, const std::string& to) {
  int error;
  return Strikes(Step::Rename, &error) ? error : inner_.Rename(from, to);
}

int FailingFileSystem::FsyncDir(const std::string& dir) {
  int error;
  return Strikes(Step::FsyncDir, &error) ? error : inner_.FsyncDir(dir);
}

int FailingFileSystem::Unlink(const std::string& path) {
  int error;
  return Strikes(Step::Unlink, &error) ? error : inner_.Unlink(path);
}

int FailingFileSystem::Stat(const std::string& path, FileStatus* status) {
  int error;
  return Strikes(Step::Stat, &error) ? error : inner_.Stat(path, status);
}

int FailingFileSystem::ReadAll(const std::string& path, std::vector<uint8_t>* bytes) {
  int error;
  return Strikes(Step::ReadAll, &error) ? error : inner_.ReadAll(path, bytes);
}

int FailingFileSystem::ReadLink(const std::string& path, std::string* target) {
  int error;
  return Strikes(Step::ReadLink, &error) ? error : inner_.ReadLink(path, target);
}

int FailingFileSystem::SetMode(int fd, uint32_t mode) {
  int error;
  return Strikes(Step::SetMode, &error) ? error : inner_.SetMode(fd, mode);
}

int FailingFileSystem::OpenRead(const std::string& path, int* fd) {
  int error;
  return Strikes(Step::OpenRead, &error) ? error : inner_.OpenRead(path, fd);
}

int FailingFileSystem::Read(int fd, uint8_t* data, size_t size, size_t* got) {
  int error;
  if (!Strikes(Step::Read, &error)) return inner_.Read(fd, data, size, got);
  *got = 0;
  return error;
}

int FailingFileSystem::Fstat(int fd, FileStatus* status) {
  int error;
  return Strikes(Step::Fstat, &error) ? error : inner_.Fstat(fd, status);
}

int FailingFileSystem::MayWrite(const std::string& path) {
  int error;
  return Strikes(Step::MayWrite, &error) ? error : inner_.MayWrite(path);
}

int FailingFileSystem::SetOwner(int fd, uint32_t owner, uint32_t group) {
  int error;
  return Strikes(Step::SetOwner, &error) ? error : inner_.SetOwner(fd, owner, group);
}

int FailingFileSystem::CopyAttributes(const std::string& from, int fd) {
  int error;
  return Strikes(Step::CopyAttributes, &error) ? error : inner_.CopyAttributes(from, fd);
}

int FailingFileSystem::ListFolder(const std::string& dir, std::vector<std::string>* names) {
  int error;
  return Strikes(Step::ListFolder, &error) ? error : inner_.ListFolder(dir, names);
}
