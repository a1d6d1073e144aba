// The tool's entry point on POSIX systems.
#include <unistd.h>

#include <csignal>

#include "cli/process_start.h"
#include "cli/standard_streams.h"
#include "platform/files/lock_signals.h"

bool IsTerminal(int fd) { return ::isatty(fd) == 1; }

int main(int argc, char** argv) {
  const bool stdin_closed = OccupyClosedStandardDescriptors();
  // Past a file-size limit (ulimit -f) a write then fails with EFBIG, which a
  // rewrite reports and cleans up after, instead of the signal killing the
  // tool with its FILE.lock left behind.
  std::signal(SIGXFSZ, SIG_IGN);
  // A reader that went away (a closed pipe) is a write error like any other:
  // the write fails with EPIPE and the run ends with status 2 and "write
  // error", instead of the signal ending it unsaid.
  std::signal(SIGPIPE, SIG_IGN);
  RemoveLocksOnTerminationSignals();
  return RunTool(argc, argv, stdin_closed);
}
