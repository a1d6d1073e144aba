#include "shell/desktop_program.h"

#include <sys/stat.h>

#include <string>

#include "platform/windowing/window_manager.h"
#include "resources/quorvafix_resources.h"
#include "shell/app_start.h"
#include "shell/export_commands.h"
#include "shell/path_text.h"
#include "shell/registry_export.h"
#include "shell/registry_location.h"

namespace {

bool Exists(const std::string& path) {
  struct stat status;
  return !path.empty() && stat(path.c_str(), &status) == 0;
}

// Opens the first of the remembered and the default export that exists; a
// refusal is told and ends the search.
void OpenImplicitExport(int argc, const char* const* argv) {
  for (const std::string& path : {RememberedExport(), RegistryFilePath(argc, argv)}) {
    if (!Exists(path)) continue;
    std::string reason;
    if (!OpenRegistryExport(path, &reason)) ShowRefusedExport(0, reason);
    return;
  }
}

}  // namespace

int RunQuorvafix(int argc, const char* const* argv) {
  const bool given = argc >= 2 && argv[1] != nullptr && argv[1][0] != '\0';
  const std::string path = given ? AbsolutePath(argv[1]) : std::string();
  const std::u16string command_line = WideOfUtf8(path);
  if (HandOverToRunningCopy(QuorvafixInstance(), command_line.c_str())) return 0;

  if (given) {
    std::string reason;
    if (!OpenRegistryExport(path, &reason)) {
      ShowRefusedExport(0, reason);
      return 1;
    }
  } else {
    OpenImplicitExport(argc, argv);
  }
  if (!OpenExportPath().empty()) {
    WriteProfileString(PROFILE_SECTION, PROFILE_LAST_EXPORT, WideOfUtf8(OpenExportPath()).c_str());
  }
  ShowExportStartText();
  int code = WinMain(QuorvafixInstance(), 0, command_line.c_str(), SW_SHOW);
  CloseRegistryExport();
  return code;
}
