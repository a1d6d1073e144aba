#include "cli/stdin_file_system.h"

#include <fcntl.h>

#include <cerrno>

int StdinFileSystem::OpenRead(const std::string& path, int* fd) {
  if (path != STDIN_FILE_NAME) return inner_.OpenRead(path, fd);
  *fd = ::fcntl(input_, F_DUPFD_CLOEXEC, 0);
  return *fd < 0 ? errno : 0;
}
