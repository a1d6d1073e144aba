// A FileSystem for tests that forwards every call to another one and makes
// chosen calls fail, so that each step of a file rewrite can be failed in
// turn. Counts the calls of every step.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/files/file_system.h"

// The call of Close, counted from the lock's creation, that closes the lock
// of a rewrite: after the closes of the lock read back and of the file read
// again before the rename.
constexpr int LOCK_CLOSE_CALL = 3;

class FailingFileSystem : public FileSystem {
 public:
  explicit FailingFileSystem(FileSystem& inner) : inner_(inner) {}

  // The nth call of step from now on (1-based) fails with error, an errno
  // value, without reaching the inner file system. For Write, error 0 makes
  // that call write nothing and report 0 bytes written: a short write; for
  // Read, error 0 makes it report the end of the file early.
  // Example: FailAt(Step::Rename, 1, EXDEV) fails the next rename.
  void FailAt(Step step, int nth, int error);
  // Drops the failures still to come and resets the counts.
  void Clear();
  // Calls of step since construction or the last Clear, failed ones included.
  int Calls(Step step) const;

  int OpenExclusive(const std::string& path, uint32_t mode, int* fd) override;
  int Write(int fd, const uint8_t* data, size_t size, size_t* written) override;
  int Fsync(int fd) override;
  int Close(int fd) override;
  int OpenWrite(const std::string& path, int* fd) override;
  int Truncate(int fd, uint64_t size) override;
  int Rename(const std::string& from, const std::string& to) override;
  int FsyncDir(const std::string& dir) override;
  int Unlink(const std::string& path) override;
  int Stat(const std::string& path, FileStatus* status) override;
  int Fstat(int fd, FileStatus* status) override;
  int ReadAll(const std::string& path, std::vector<uint8_t>* bytes) override;
  int ReadLink(const std::string& path, std::string* target) override;
  int MayWrite(const std::string& path) override;
  int SetMode(int fd, uint32_t mode) override;
  int SetOwner(int fd, uint32_t owner, uint32_t group) override;
  int CopyAttributes(const std::string& from, int fd) override;
  int ListFolder(const std::string& dir, std::vector<std::string>* names) override;
  int OpenRead(const std::string& path, int* fd) override;
  int Read(int fd, uint8_t* data, size_t size, size_t* got) override;

 private:
  struct Planned {
    int at_call;  // the count of calls at which it strikes
    int error;
  };
  // Counts a call of step; true with *error set when it is to fail.
  bool Strikes(Step step, int* error);

  FileSystem& inner_;
  std::map<Step, int> calls_;
  std::multimap<Step, Planned> planned_;
};
