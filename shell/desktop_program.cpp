#include "shell/desktop_program.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "platform/files/file_system.h"
#include "platform/files/lock_signals.h"
#include "platform/registry/local_registry.h"
#include "platform/registry/reg_text_codec.h"
#include "platform/windowing/window_manager.h"
#include "resources/quorvafix_resources.h"
#include "shell/app_start.h"
#include "shell/desktop_options.h"
#include "shell/export_commands.h"
#include "shell/export_outcome.h"
#include "shell/handheld.h"
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

// Why path cannot be handed over as an export, in the store's words ("PATH:
// cannot read: REASON"); empty when it is a regular file.
std::string HandOverProblem(const std::string& path) {
  FileStatus status;
  int error = StatFollowingLinks(path, &status);
  if (error != 0) return path + ": cannot read: " + std::strerror(error);
  if (status.kind == FileKind::Folder) return path + ": cannot read: " + std::strerror(EISDIR);
  if (status.kind != FileKind::Regular) return path + ": cannot read: not a regular file";
  return std::string();
}

// `quorvafix --local-registry`: the window works on the computer's own
// registry, which stays the installed store until an export is opened in
// its place; no export is opened or remembered.
int RunOnLocalRegistry() {
  std::string why;
  std::unique_ptr<LocalRegistry> registry = LocalRegistry::Open(&why);
  if (registry == nullptr) {
    std::fprintf(stderr, "quorvafix: %s\n", why.c_str());
    return 1;
  }
  RemoveLocksOnTerminationSignals();
  InstallRegistryStore(registry.get());
  ShowLocalRegistryText();
  int code = RunMainWindow(QuorvafixInstance(), u"", SW_SHOW);
  EndWork();
  CloseRegistryExport();
  if (InstalledRegistryStore() == registry.get()) InstallRegistryStore(nullptr);
  return code;
}

// `quorvafix --device`: the window connects to the handheld once it has
// painted, and works on it until an export is opened in its place.
int RunOnHandheld() {
  RemoveLocksOnTerminationSignals();
  ConnectAfterFirstPaint();
  int code = RunMainWindow(QuorvafixInstance(), u"", SW_SHOW);
  EndWork();
  CloseRegistryExport();
  CloseHandheld();
  return code;
}

}  // namespace

int RunQuorvafix(int argc, const char* const* argv) {
  if (WantsLocalRegistry(argc, argv)) return RunOnLocalRegistry();
  if (WantsDevice(argc, argv)) return RunOnHandheld();
  const bool given = argc >= 2 && argv[1] != nullptr && argv[1][0] != '\0';
  const std::string path = given ? AbsolutePath(argv[1]) : std::string();
  const std::u16string command_line = WideOfUtf8(path);
  // A copy that runs is handed only a file it can open; a mistyped path is
  // told here, where the user typed it.
  const std::string problem = given ? HandOverProblem(path) : std::string();
  if (!problem.empty() && RunningCopy(QuorvafixInstance()) != 0) {
    std::fprintf(stderr, "quorvafix: %s\n", MessageText(WideOfUtf8(problem)).c_str());
    return 1;
  }
  if (HandOverToRunningCopy(QuorvafixInstance(), command_line.c_str())) return 0;
  // A window ended by SIGTERM or SIGINT in the middle of a write leaves no lock.
  RemoveLocksOnTerminationSignals();

  // A given export that cannot be used ends the program; a remembered one
  // only leaves it without an export.
  const std::string start_export = given ? path : ImplicitExport(argc, argv);
  const std::string remembered = RememberedExport();
  if (start_export.empty() && !remembered.empty()) {
    ShowRememberedGoneText(remembered);
  } else if (start_export.empty()) {
    ShowExportStartText();
  } else {
    ShowReadingText(start_export);
    OpenAfterFirstPaint(start_export, given);
  }
  int code = RunMainWindow(QuorvafixInstance(), command_line.c_str(), SW_SHOW);
  EndWork();
  CloseRegistryExport();
  return code != 0 ? code : StartExitStatus();
}
