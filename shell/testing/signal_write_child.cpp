// Test program: runs the window on FILE (Qt, offscreen), chooses Fix, and
// sends itself SIGTERM the moment the repair's write holds FILE.lock and is
// about to rename it into place. The program's own handlers should remove
// the lock and end the process by that signal.
// Usage: signal_write_child FILE.
#include <signal.h>
#include <unistd.h>

#include <QTimer>

#include "platform/qt/qt_platform.h"
#include "platform/windowing/window_manager.h"
#include "resources/resource_ids.h"
#include "shell/desktop_program.h"
#include "shell/main_window.h"
#include "shell/testing/gated_file_system.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  QtPlatform platform(argc, argv);
  GatedFileSystem gate(FileSystem::Step::Rename);
  gate.OnReached([] { ::kill(::getpid(), SIGTERM); });
  Shell().registry.file_system = &gate;
  // The window is found by its class: its title names the export once read.
  QTimer fix;
  fix.setInterval(20);
  QObject::connect(&fix, &QTimer::timeout, [&fix] {
    WindowHandle window = FindWindow(u"QUORVAFIX", nullptr);
    if (window == 0) return;
    fix.stop();
    PostMessage(window, WM_COMMAND, IDM_FIX, 0);
  });
  fix.start();
  const char* program[] = {"quorvafix", argv[1], nullptr};
  RunQuorvafix(2, program);
  // Reached only when the signal did not end the process.
  return 3;
}
