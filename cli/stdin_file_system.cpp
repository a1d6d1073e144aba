#include "cli/stdin_file_system.h"

#include <fcntl.h>

#include <cerrno>

int StdinFileSystem::OpenRead(const std::string& path, int* fd) {
  if (path != STDIN_FILE_NAME) return inner_.OpenRead(path, fd);
  *fd = ::fcntl(input_, F_DUPFD_CLOEXEC, 0);
  if (*fd < 0) return errno;
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
