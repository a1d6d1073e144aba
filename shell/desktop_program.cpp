#include "shell/desktop_program.h"

#include <sys/stat.h>

#include <string>

#include "platform/files/lock_signals.h"
#include "platform/windowing/window_manager.h"
#include "resources/quorvafix_resources.h"
#include "shell/app_start.h"
#include "shell/export_commands.h"
#include "shell/path_text.h"
#include "shell/registry_export.h"
#include "shell/registry_location.h"
#include "shell/window_work.h"

namespace {

bool Exists(const std::string& path) {
  struct stat status;
  return !path.empty() && stat(path.c_str(), &status) == 0;
}

// The first of the remembered and the default export that exists; empty
// when neither does.
std::string ImplicitExport(int argc, const char* const* argv) {
  for (const std::string& path : {RememberedExport(), RegistryFilePath(argc, argv)}) {
    if (Exists(path)) return path;
  }
  return std::string();
}

}  // namespace

int RunQuorvafix(int argc, const char* const* argv) {
  const bool given = argc >= 2 && argv[1] != nullptr && argv[1][0] != '\0';
  const std::string path = given ? AbsolutePath(argv[1]) : std::string();
  const std::u16string command_line = WideOfUtf8(path);
  if (HandOverToRunningCopy(QuorvafixInstance(), command_line.c_str())) return 0;
  // A window ended by SIGTERM or SIGINT in the middle of a write leaves no lock.
  RemoveLocksOnTerminationSignals();

  // A given export that cannot be used ends the program; a remembered one
  // only leaves it without an export.
  const std::string start_export = given ? path : ImplicitExport(argc, argv);
  if (start_export.empty()) {
    ShowExportStartText();
  } else {
    ShowReadingText(start_export);
    OpenAfterFirstPaint(start_export, given);
  }
  int code = WinMain(QuorvafixInstance(), 0, command_line.c_str(), SW_SHOW);
  EndWork();
  CloseRegistryExport();
  return code != 0 ? code : StartExitStatus();
}
