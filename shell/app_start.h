// Start-up: the main window's run and instance initialisation, with the
// single-instance rule (a running copy is found by its class "QUORVAFIX",
// whatever its title, and brought to the front instead). The process must have
// installed its window manager, shell services, registry store and resource
// module before calling RunMainWindow.
#pragma once

#include "platform/windowing/window_manager.h"
#include "shell/export_commands.h"

// Characters offered when loading the class name and the title.
constexpr int MAX_LOADSTRING = 100;

// The main window of a copy of the program that runs already (a window of
// class "QUORVAFIX", whatever its title); 0 when none runs.
WindowHandle RunningCopy(InstanceHandle instance);

// When a copy of the program runs (RunningCopy),
// hands it path (null or empty: none) by WM_COPYDATA of kind: a registry
// export's absolute path (COPYDATA_OPEN_EXPORT) or the option naming
// another source (COPYDATA_OPEN_SOURCE); brings it to the front with its
// open boxes and returns true; false when none runs.
bool HandOverToRunningCopy(InstanceHandle instance, const char16_t* path,
                           uintptr_t kind = COPYDATA_OPEN_EXPORT);

// Registers the main window class, creates and places the main window,
// shows it with `show` and lets files be dropped on it. False when another
// copy runs (after handing it command_line and bringing it forward) or the
// window cannot be made.
bool InitInstance(InstanceHandle instance, int show, const char16_t* command_line = u"");

// The program's run, called once the process has installed its platform:
// initialises the instance with command_line, the registry export's path or
// empty (failing: returns 0), then runs the message loop with accelerator
// table 3 until WM_QUIT and returns its code.
int RunMainWindow(InstanceHandle instance, const char16_t* command_line, int show);
