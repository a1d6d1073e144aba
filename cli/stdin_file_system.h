// The file name "-" as standard input: a FileSystem that opens "-" as a
// duplicate of an input descriptor (standard input unless told otherwise)
// and passes every other call, and every other name, to an inner file system.
// Only reading means anything for "-": nothing is ever written back to it.
// A pipe is checked as it arrives (CheckHead): its first line must be a
// registry export's header before the rest is read.
#pragma once

#include <string>
#include <vector>

#include "platform/files/lock_file.h"

// The file name that stands for standard input.
constexpr char STDIN_FILE_NAME[] = "-";

// The most bytes the first line of a registry export on a pipe may take; the
// longest header, a byte-order mark and blanks fit well within it.
constexpr size_t STDIN_FIRST_LINE_LIMIT = 4096;

class StdinFileSystem : public FileSystem {
 public:
  // input stays the caller's: each OpenRead("-") reads from a duplicate of it,
  // which Close closes. A second OpenRead("-") continues where the first left
  // off, so a pipe read to its end reads as empty the second time.
  // An input of -1 is a standard input the process was started without;
  // the default, 0, is standard input's descriptor.
  explicit StdinFileSystem(FileSystem& inner, int input = 0) : inner_(inner), input_(input) {}

  // Whether "-" can be read as a registry export so far; false with *error
  // ("-: cannot read: standard input is closed", "-:1: REASON") when not.
  // From a pipe it reads up to the end of the first line, at most
  // STDIN_FIRST_LINE_LIMIT bytes, and refuses the stream there when that
  // line is no header the reader takes (the reason the whole stream would
  // get), or is longer; what it read is handed out first by Read. Other
  // kinds of input are left to the reader. Call it once, before OpenRead.
  bool CheckHead(std::string* error);

  // OpenRead("-") gives the errno of DuplicateRuntimeDescriptor (EBADF when
  // input is closed).
  int OpenRead(const std::string& path, int* fd) override;
  // Reading "-" gives what CheckHead read first, then the rest of the input.
  int Read(int fd, uint8_t* data, size_t size, size_t* got) override;
  // A pipe on standard input is read to its end like a regular file: the
  // user named it. Devices, folders and sockets keep their own kind.
  int Fstat(int fd, FileStatus* status) override;
  int Close(int fd) override;

  int OpenExclusive(const std::string& path, uint32_t mode, int* fd) override {
    return inner_.OpenExclusive(path, mode, fd);
  }
  int Write(int fd, const uint8_t* data, size_t size, size_t* written) override {
    return inner_.Write(fd, data, size, written);
  }
  int Fsync(int fd) override { return inner_.Fsync(fd); }
  int OpenWrite(const std::string& path, int* fd) override { return inner_.OpenWrite(path, fd); }
  int Truncate(int fd, uint64_t size) override { return inner_.Truncate(fd, size); }
  int Rename(const std::string& from, const std::string& to) override {
    return inner_.Rename(from, to);
  }
  int FsyncDir(const std::string& dir) override { return inner_.FsyncDir(dir); }
  int Unlink(const std::string& path) override { return inner_.Unlink(path); }
  int Stat(const std::string& path, FileStatus* status) override {
    return inner_.Stat(path, status);
  }
  int ReadAll(const std::string& path, std::vector<uint8_t>* bytes) override {
    return inner_.ReadAll(path, bytes);
  }
  int ReadLink(const std::string& path, std::string* target) override {
    return inner_.ReadLink(path, target);
  }
  int SetMode(int fd, uint32_t mode) override { return inner_.SetMode(fd, mode); }
  int MayWrite(const std::string& path) override { return inner_.MayWrite(path); }
  int SetOwner(int fd, uint32_t owner, uint32_t group) override {
    return inner_.SetOwner(fd, owner, group);
  }
  int CopyAttributes(const std::string& from, int fd) override {
    return inner_.CopyAttributes(from, fd);
  }
  int ListFolder(const std::string& dir, std::vector<std::string>* names) override {
    return inner_.ListFolder(dir, names);
  }

 private:
  FileSystem& inner_;
  int input_;
  int open_input_ = -1;        // the duplicate OpenRead("-") gave, until closed
  std::vector<uint8_t> head_;  // read by CheckHead, not yet handed out
  size_t head_given_ = 0;      // bytes of head_ handed out
};
