#include "cli/stdin_file_system.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/registry/reg_parser.h"
#include "platform/registry/reg_text_codec.h"
#include "platform/registry/reg_tree_reader.h"

namespace {

// The bytes of head's first line with its line end (LF or CR, a whole
// UTF-16LE unit where head starts as UTF-16LE); 0 while it has not ended.
size_t FirstLineSize(const std::vector<uint8_t>& head) {
  const RegEncodingGuess guess = DetectEncoding(head.data(), head.size());
  if (guess.encoding != RegEncoding::Utf16Le) {
    for (size_t i = 0; i < head.size(); ++i) {
      if (head[i] == '\n' || head[i] == '\r') return i + 1;
    }
    return 0;
  }
  for (size_t i = 0; i + 1 < head.size(); i += 2) {
    if ((head[i] == '\n' || head[i] == '\r') && head[i + 1] == 0) return i + 2;
  }
  return 0;
}

}  // namespace

bool StdinFileSystem::CheckHead(std::string* error) {
  const std::string name = STDIN_FILE_NAME;
  if (input_ < 0) {
    *error = name + ": cannot read: standard input is closed";
    return false;
  }
  // Through a duplicate of input among the file system's own descriptors: it
  // shares input's position, so what it reads is gone from input too. Input
  // that cannot be looked at is left to the reader, as other kinds are.
  int fd = -1;
  if (DuplicateRuntimeDescriptor(input_, &fd) != 0) return true;
  FileStatus status;
  if (inner_.Fstat(fd, &status) != 0 || status.kind != FileKind::Fifo) {
    inner_.Close(fd);
    return true;
  }
  size_t line = 0;
  int read_error = 0;
  while ((line = FirstLineSize(head_)) == 0 && head_.size() <= STDIN_FIRST_LINE_LIMIT) {
    uint8_t chunk[1024];
    size_t got = 0;
    if ((read_error = inner_.Read(fd, chunk, sizeof chunk, &got)) != 0 || got == 0) break;
    head_.insert(head_.end(), chunk, chunk + got);
  }
  inner_.Close(fd);
  if (read_error != 0) {
    *error = name + ": cannot read: " + std::strerror(read_error);
    return false;
  }
  if (line > STDIN_FIRST_LINE_LIMIT || (line == 0 && head_.size() > STDIN_FIRST_LINE_LIMIT)) {
    *error = name + ":1: not a registry file: the first line is longer than " +
             std::to_string(STDIN_FIRST_LINE_LIMIT) + " bytes";
    return false;
  }
  // The first line alone as a file: refused just as the whole stream would be
  // at its first line. A stream that ends within it is left to the reader.
  if (line == 0) return true;
  RegTree tree;
  RegFileForm form;
  RegParseError parse_error;
  if (!ParseRegFile(head_.data(), line, &tree, &form, &parse_error)) {
    *error = RegParseFailureText(name, parse_error);
    return false;
  }
  return true;
}

int StdinFileSystem::OpenRead(const std::string& path, int* fd) {
  if (path != STDIN_FILE_NAME) return inner_.OpenRead(path, fd);
  if (int error = DuplicateRuntimeDescriptor(input_, fd)) return error;
  open_input_ = *fd;
  return 0;
}

int StdinFileSystem::Read(int fd, uint8_t* data, size_t size, size_t* got) {
  if (fd != open_input_ || head_given_ == head_.size()) return inner_.Read(fd, data, size, got);
  *got = std::min(size, head_.size() - head_given_);
  std::memcpy(data, head_.data() + head_given_, *got);
  head_given_ += *got;
  return 0;
}

int StdinFileSystem::Fstat(int fd, FileStatus* status) {
  int error = inner_.Fstat(fd, status);
  if (error == 0 && fd == open_input_ && status->kind == FileKind::Fifo)
    status->kind = FileKind::Regular;
  return error;
}

int StdinFileSystem::Close(int fd) {
  if (fd == open_input_) open_input_ = -1;
  return inner_.Close(fd);
}
