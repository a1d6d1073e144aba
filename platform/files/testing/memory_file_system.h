// A FileSystem held in memory, for tests and fuzz targets that rewrite files
// many times over: plain files only (no folders, no links), an optional
// capacity that makes writes fail with ENOSPC like a full disk, optional
// short reads and writes, and a count of the bytes stored. Every file is a
// regular one with one name, owned by the process and writable by it;
// extended attributes are not kept. Single-threaded; descriptors are small
// numbers of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/files/file_system.h"

class MemoryFileSystem : public FileSystem {
 public:
  // Every file at most this many bytes in all; a write that would pass it
  // stores what fits and fails with ENOSPC once nothing fits (as write(2)
  // does). Unlimited by default.
  void SetCapacity(size_t bytes) { capacity_ = bytes; }
  // Files by path, with their bytes; a test may read and change them freely.
  std::map<std::string, std::vector<uint8_t>>& Files() { return files_; }
  // The bytes of path; empty when it does not exist.
  std::vector<uint8_t> Bytes(const std::string& path) const;
  // Descriptors opened and not yet closed.
  size_t OpenCount() const { return open_.size(); }
  // Each Read gives at most this many bytes (at least 1), so that a reader's
  // every buffer boundary can be made to fall anywhere. Unlimited by default.
  void SetReadStep(size_t bytes) { read_step_ = bytes < 1 ? 1 : bytes; }
  // Each Write stores at most this many bytes (at least 1) and succeeds: the
  // short successful write of pipes and some network and FUSE file systems.
  // Unlimited by default.
  void SetWriteStep(size_t bytes) { write_step_ = bytes < 1 ? 1 : bytes; }

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
  struct Open {
    std::string path;
    bool reading;
    size_t at;  // the next byte a read gives or a write stores
  };
  // Stand-ins for a file's times: each write counts towards its
  // modification time, each write and each change of its mode or owner
  // towards its change time.
  struct Stamps {
    int64_t writes = 0;
    int64_t status_changes = 0;
  };
  size_t Used() const;

  std::map<std::string, std::vector<uint8_t>> files_;
  std::map<std::string, uint32_t> modes_;
  // Each file's inode number, given when it is created and kept by a rename,
  // and its stamps.
  std::map<std::string, uint64_t> inodes_;
  std::map<std::string, Stamps> stamps_;
  uint64_t next_inode_ = 1;
  std::map<int, Open> open_;
  int next_fd_ = 3;
  size_t capacity_ = SIZE_MAX;
  size_t read_step_ = SIZE_MAX;
  size_t write_step_ = SIZE_MAX;
};
