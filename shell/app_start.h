// Start-up: the entry function and instance initialisation, with the
// single-instance rule (a running copy is found by class and title
// "QUORVAFIX" and brought to the front instead). The process must have
// installed its window manager, shell services, registry store and resource
// module before calling WinMain.
#pragma once

#include "platform/window_manager.h"

// Characters offered when loading the class name and the title.
constexpr int MAX_LOADSTRING = 100;

// Registers the main window class, creates and places the main window and
// shows it with `show`. False when another copy runs (after bringing it
// forward) or the window cannot be made.
bool InitInstance(InstanceHandle instance, int show);

// The entry function: initialises the instance (failing: returns 0), then
// runs the message loop with accelerator table 3 until WM_QUIT and returns
// its code. previous and command_line are ignored.
int WinMain(InstanceHandle instance, InstanceHandle previous, const char16_t* command_line,
            int show);
