// The main window: its procedure (creation with the menu bar, activation and
// setting changes, painting DisplayText, the Tools commands, destruction) and
// the state it shares with start-up. Written against platform/ only; every
// call runs on the UI thread.
#pragma once

#include "platform/windowing/shell_services.h"
#include "platform/windowing/window_manager.h"

// Margin between the client area's left, top and right edges and the text.
constexpr int TEXT_MARGIN = 10;

// The state the main window and start-up share, one for the program.
struct MainWindowState {
  // The program's module instance, stored before the main window is created.
  InstanceHandle instance = 0;
  // The menu bar made on WM_CREATE; 0 when the shell could not make it.
  WindowHandle menu_bar = 0;
  // The shell's activation record for the main window; size 12 after WM_CREATE.
  ActivateInfo activation{};
};
// The one MainWindowState. The platform calls MainWindowProc with nothing
// of the window's own, and start-up fills in the instance before the window
// exists, so both reach it here; the procedure hands it down to its parts.
MainWindowState& MainWindow();

// The main window's procedure. Handles WM_CREATE, WM_ACTIVATE,
// WM_SETTINGCHANGE, WM_PAINT, WM_COMMAND (1 and IDM_EXIT close, IDM_ABOUT,
// IDM_OPEN, IDM_COPY, IDM_DETECT, IDM_FIX), WM_DROPFILES, the work's WM_WORK_START,
// WM_WORK_PROGRESS and WM_WORK_DONE (window_work.h) and WM_DESTROY, returning 0,
// and WM_COPYDATA (see OnCopyData); everything else (other commands
// included) goes to DefWindowProc.
MessageResult MainWindowProc(WindowHandle window, uint32_t message, WordParam wparam,
                             LongParam lparam);
