#include "cli/standard_streams.h"

#include <cerrno>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

int first_output_error = 0;

void Remember(int error) {
  if (first_output_error == 0) first_output_error = error != 0 ? error : EIO;
}

}  // namespace

#ifndef _WIN32
bool OccupyClosedStandardDescriptors() {
  bool input_closed = false;
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
    input_closed = input_closed || fd == 0;
    // The lowest free descriptor is fd itself.
    ::open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
  }
  return input_closed;
}
#endif

void KeepWriteError(std::FILE* out) {
  if (out == stdout && std::ferror(out) != 0) Remember(errno);
}

int FlushOutput(std::FILE* out) {
  if (std::fflush(out) != 0) Remember(errno);
  if (std::ferror(out) == 0) return 0;
  Remember(0);
  return first_output_error;
}

int CloseOutput(std::FILE* out) {
  FlushOutput(out);
  if (std::fclose(out) != 0) Remember(errno);
  return first_output_error;
}
