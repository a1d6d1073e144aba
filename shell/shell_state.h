// What the main window keeps between messages, in one object: the shell's
// handles, the registry it works on and the work running on it. The window
// procedure reaches it (MainWindowProc, main_window.h) and hands each part
// to the functions that need it; start-up fills it in before the window
// exists and empties it after the message loop. UI thread only: the worker
// gets what its work needs when the work starts.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/windowing/shell_services.h"
#include "platform/windowing/window_manager.h"
#include "shell/open_registry.h"

struct Work;
struct WorkDeleter {
  void operator()(Work* work) const;
};

// The window's long work (window_work.h): the one piece in progress and
// what waits for it.
struct WindowWork {
  std::unique_ptr<Work, WorkDeleter> running;
  bool close_pending = false;  // the window closes once the work is done
  // What was handed over while the work ran, taken once it is done (the
  // last one asked for wins): an export's path, or the option naming
  // another source; both empty when none.
  std::string open_when_idle;
  std::string source_when_idle;
  // The command chosen while an export is read (WaitForRead); 0 when none.
  uint16_t command_when_read = 0;
  int start_exit_status = 0;  // StartExitStatus
};

struct ShellState {
  // The program's module instance, stored before the main window is created.
  InstanceHandle instance = 0;
  // The menu bar made on WM_CREATE; 0 when the shell could not make it.
  WindowHandle menu_bar = 0;
  // The shell's activation record for the main window; size 12 after WM_CREATE.
  ActivateInfo activation{};
  OpenRegistry registry;
  WindowWork work;
};
