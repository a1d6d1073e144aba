#include "cli/stdin_file_system.h"

int StdinFileSystem::OpenRead(const std::string& path, int* fd) {
  if (path != STDIN_FILE_NAME) return inner_.OpenRead(path, fd);
  if (int error = DuplicateRuntimeDescriptor(input_, fd)) return error;
  open_input_ = *fd;
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
