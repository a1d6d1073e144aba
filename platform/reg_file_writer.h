// Durable, safe rewriting of a file by git's lock-file protocol: create
// FILE.lock exclusively, write everything, fsync, close, rename over FILE,
// fsync the folder. Until the rename FILE is untouched, and any failure
// removes the lock. Every file-system call goes through FileSystem, which
// tests replace to fail each step in turn (failing_file_system.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry.h"

struct FileStatus {
  uint32_t mode = 0;  // permission bits (07777)
  uint64_t size = 0;
};

// The file-system calls a rewrite makes. Each returns 0 or an errno value.
class FileSystem {
 public:
  enum class Step {
    OpenExclusive, Write, Fsync, Close, Rename, FsyncDir, Unlink, Stat, ReadAll, ReadLink, SetMode,
    OpenRead, Read
  };

  virtual ~FileSystem() = default;
  // Creates path for writing; EEXIST when it exists. Mode 0666 less umask.
  virtual int OpenExclusive(const std::string& path, int* fd) = 0;
  // Writes up to size bytes; *written may come back smaller than size.
  virtual int Write(int fd, const uint8_t* data, size_t size, size_t* written) = 0;
  virtual int Fsync(int fd) = 0;
  virtual int Close(int fd) = 0;
  virtual int Rename(const std::string& from, const std::string& to) = 0;
  // Makes the folder's entries (a rename in it) durable.
  virtual int FsyncDir(const std::string& dir) = 0;
  virtual int Unlink(const std::string& path) = 0;
  // Follows symbolic links; ENOENT when nothing is there.
  virtual int Stat(const std::string& path, FileStatus* status) = 0;
  virtual int ReadAll(const std::string& path, std::vector<uint8_t>* bytes) = 0;
  // The target of a symbolic link; EINVAL when path is no link.
  virtual int ReadLink(const std::string& path, std::string* target) = 0;
  virtual int SetMode(int fd, uint32_t mode) = 0;
  // Opens path for reading (closed with Close).
  virtual int OpenRead(const std::string& path, int* fd) = 0;
  // Reads up to size bytes; *got 0 means the end.
  virtual int Read(int fd, uint8_t* data, size_t size, size_t* got) = 0;
};

// The process's own file system (POSIX calls; EINTR is retried).
FileSystem& RealFileSystem();

// The registry status for an errno value: EACCES, EPERM, EROFS give
// ERROR_ACCESS_DENIED; ENOSPC, EDQUOT, EFBIG ERROR_DISK_FULL; ENOMEM
// ERROR_OUTOFMEMORY; ENOENT, ENOTDIR ERROR_FILE_NOT_FOUND; EEXIST
// ERROR_SHARING_VIOLATION; anything else ERROR_WRITE_FAULT.
RegStatus StatusOfErrno(int error);

// The lock held while a file is rewritten. The file is path with symbolic
// links resolved (up to 40 levels, relative targets against the link's
// folder), so a link is written through to its target and stays a link.
class RegFileLock {
 public:
  // Creates FILE.lock next to the file. ERROR_SHARING_VIOLATION when it
  // exists already (another writer, or one that died: it is never removed
  // or overwritten here; *failure says what to remove); ERROR_ACCESS_DENIED
  // when the file's permission bits grant no write access; other statuses as
  // StatusOfErrno. The lock takes the file's permission bits.
  static RegStatus Acquire(FileSystem& fs, const std::string& path,
                           std::unique_ptr<RegFileLock>* lock, std::string* failure);
  // Removes the lock unless Commit renamed it.
  ~RegFileLock();
  RegFileLock(const RegFileLock&) = delete;
  RegFileLock& operator=(const RegFileLock&) = delete;

  // The file guarded: path with links resolved.
  const std::string& Target() const { return target_; }

  // Writes bytes to the lock, syncs and closes it, renames it over the file
  // and syncs the folder. 0 means the new bytes are durably in place. Before
  // the rename any failure leaves the file as it was. When only the folder
  // sync fails, the file gets previous back (by the same protocol; previous
  // null: the file did not exist and is removed) and the status is non-zero;
  // *replaced tells whether the file holds bytes after all (it does when the
  // restore fails too). The lock is gone afterwards, whatever the outcome.
  RegStatus Commit(const std::vector<uint8_t>& bytes, const std::vector<uint8_t>* previous,
                   bool* replaced, std::string* failure);
  // The same, with the previous content made by previous() only when the
  // folder sync fails, for a caller that let go of the old bytes to save
  // memory; an empty previous stands for a file that did not exist.
  RegStatus Commit(const std::vector<uint8_t>& bytes,
                   const std::function<std::vector<uint8_t>()>& previous, bool* replaced,
                   std::string* failure);

 private:
  RegFileLock(FileSystem& fs, std::string target, std::string lock_path, int fd)
      : fs_(fs), target_(std::move(target)), lock_path_(std::move(lock_path)), fd_(fd) {}
  // Writes, syncs, closes and renames; the folder is not synced.
  RegStatus WriteAndRename(const std::vector<uint8_t>& bytes, std::string* failure);
  void Release();

  FileSystem& fs_;
  std::string target_;
  std::string lock_path_;
  int fd_;
  bool held_ = true;
};

// Writes bytes to path by the lock-file protocol (RegFileLock); the
// permission bits of an existing file are kept.
RegStatus SaveFileSafely(FileSystem& fs, const std::string& path, const std::vector<uint8_t>& bytes,
                         std::string* failure);
