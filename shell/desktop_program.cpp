#include "shell/desktop_program.h"

#include <cstdio>
#include <memory>
#include <string>

#include "platform/files/file_system.h"
#include "platform/files/lock_signals.h"
#include "platform/registry/reg_text_codec.h"
#include "platform/windowing/window_manager.h"
#include "resources/quorvafix_resources.h"
#include "shell/app_start.h"
#include "shell/desktop_options.h"
#include "shell/export_commands.h"
#include "shell/export_outcome.h"
#include "shell/main_window.h"
#include "shell/path_text.h"
#include "shell/registry_export.h"
#include "shell/registry_location.h"
#include "shell/window_work.h"

namespace {

bool Exists(const std::string& path) {
  FileStatus status;
  return !path.empty() && StatFollowingLinks(path, &status) == 0;
}

// The first of the remembered and the default export that exists; empty
// when neither does.
std::string ImplicitExport(int argc, const char* const* argv) {
  for (const std::string& path : {RememberedExport(), RegistryFilePath(argc, argv)}) {
    if (Exists(path)) return path;
  }
  return std::string();
}

// Why path cannot be opened as an export, in the store's words ("PATH:
// cannot read: REASON", "PATH:N: REASON"); empty when it can. The store
// refuses anything but a regular file without opening it (a FIFO included).
std::string ExportProblem(const OpenRegistry& registry, const std::string& path) {
  std::string reason;
  return LoadRegistryExport(path, registry.file_system, &reason) ? std::string() : reason;
}

// Runs the main window until it closes, then drops its work and the
// registry it worked on.
int RunWindow(ShellState& shell, const char16_t* command_line) {
  int code = RunMainWindow(QuorvafixInstance(), command_line, SW_SHOW);
  EndWork(shell.work);
  CloseRegistry(shell.registry);
  return code;
}

// Hands option, a source other than an export, to a copy that runs
// already, which switches to it; false when none runs.
bool HandSourceToRunningCopy(const char* option) {
  const std::u16string wide = WideOfUtf8(option);
  return HandOverToRunningCopy(QuorvafixInstance(), wide.c_str(), COPYDATA_OPEN_SOURCE);
}

// `quorvafix --local-registry`: the window works on the computer's own
// registry, which stays the installed store until an export is opened in
// its place; no export is opened or remembered. A copy that runs already is
// handed the option and switches to it instead.
int RunOnLocalRegistry(ShellState& shell) {
  if (HandSourceToRunningCopy(LOCAL_REGISTRY_OPTION)) return 0;
  std::string why;
  if (!OpenLocalRegistry(shell.registry, &why)) {
    std::fprintf(stderr, "quorvafix: %s\n", why.c_str());
    return 1;
  }
  RemoveLocksOnTerminationSignals();
  ShowLocalRegistryText();
  return RunWindow(shell, u"");
}

// `quorvafix --device`: the window connects to the handheld once it has
// painted, and works on it until an export is opened in its place. A copy
// that runs already is handed the option and connects instead.
int RunOnHandheld(ShellState& shell) {
  if (HandSourceToRunningCopy(DEVICE_OPTION)) return 0;
  RemoveLocksOnTerminationSignals();
  ConnectAfterFirstPaint(shell);
  return RunWindow(shell, u"");
}

}  // namespace

int RunQuorvafix(int argc, const char* const* argv) {
  ShellState& shell = Shell();
  if (WantsLocalRegistry(argc, argv)) return RunOnLocalRegistry(shell);
  if (WantsDevice(argc, argv)) return RunOnHandheld(shell);
  const bool given = argc >= 2 && argv[1] != nullptr && argv[1][0] != '\0';
  const std::string path = given ? AbsolutePath(argv[1]) : std::string();
  const std::u16string command_line = WideOfUtf8(path);
  // A copy that runs is handed the path whatever it names: its window tells
  // in its box why it cannot open it, and so does this copy, where the user
  // started it (a file manager included), with the same reason.
  const std::string problem = given && RunningCopy(QuorvafixInstance()) != 0
                                  ? ExportProblem(shell.registry, path)
                                  : std::string();
  if (HandOverToRunningCopy(QuorvafixInstance(), command_line.c_str())) {
    if (problem.empty()) return 0;
    std::fprintf(stderr, "quorvafix: %s\n", MessageText(WideOfUtf8(problem)).c_str());
    return 1;
  }
  // A window ended by SIGTERM or SIGINT in the middle of a write leaves no lock.
  RemoveLocksOnTerminationSignals();

  // A given export that cannot be used ends the program; a remembered one
  // only leaves it without an export.
  const std::string start_export = given ? path : ImplicitExport(argc, argv);
  const std::string remembered = RememberedExport();
  if (start_export.empty() && !remembered.empty()) {
    ShowRememberedGoneText(remembered);
  } else if (start_export.empty()) {
    ShowExportStartText(shell.registry);
  } else {
    ShowReadingText(start_export);
    OpenAfterFirstPaint(shell, start_export, given);
  }
  int code = RunWindow(shell, command_line.c_str());
  return code != 0 ? code : StartExitStatus(shell.work);
}
