// The tool's entry point on Windows: the command line arrives in UTF-16
// (wmain, -municode) and goes on in UTF-8, the form every file name and
// report text has inside the tool. Reports and messages leave in UTF-8,
// byte for byte as on Linux (binary mode: no LF becomes CR LF), except on a
// console, which gets them in UTF-16 (console_output.h).
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <string>
#include <vector>

#include "cli/console_output.h"
#include "cli/process_start.h"
#include "platform/files/lock_signals.h"
#include "platform/files/win32_path.h"

bool IsTerminal(int fd) { return IsConsole(fd); }

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(NarrowPath(argv[i]));
  std::vector<char*> pointers;
  for (std::string& argument : arguments) pointers.push_back(&argument[0]);
  pointers.push_back(nullptr);
  for (int fd = 0; fd <= 2; ++fd) ::_setmode(fd, _O_BINARY);
  SendConsoleOutputAsUtf16();
  RemoveLocksOnTerminationSignals();
  // A missing standard input handle fails its duplicate by itself (EBADF).
  int status = RunTool(argc, pointers.data(), false);
  FinishConsoleOutput();
  return status;
}
