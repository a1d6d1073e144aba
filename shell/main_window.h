// The main window: its procedure (creation with the menu bar, activation and
// setting changes, painting DisplayText, the Tools commands, destruction) and
// the state it keeps (shell_state.h). Written against platform/ only; every
// call runs on the UI thread.
#pragma once

#include "platform/windowing/shell_services.h"
#include "platform/windowing/window_manager.h"
#include "shell/shell_state.h"

// Margin between the client area's left, top and right edges and the text.
constexpr int TEXT_MARGIN = 10;

// The window's one ShellState. The platform calls MainWindowProc with
// nothing of the window's own, and start-up fills the state in before the
// window exists, so both reach it here; the procedure hands its parts down.
ShellState& Shell();

// The main window's procedure. Handles WM_CREATE, WM_ACTIVATE,
// WM_SETTINGCHANGE, WM_PAINT, WM_COMMAND (1 and IDM_EXIT close, IDM_ABOUT,
// IDM_OPEN, IDM_COPY, IDM_DETECT, IDM_FIX), WM_DROPFILES, the work's WM_WORK_START,
// WM_WORK_PROGRESS, WM_WORK_DONE and WM_SOURCE_WHEN_IDLE (window_work.h) and
// WM_DESTROY, returning 0,
// and WM_COPYDATA (see OnCopyData); everything else (other commands
// included) goes to DefWindowProc.
MessageResult MainWindowProc(WindowHandle window, uint32_t message, WordParam wparam,
                             LongParam lparam);
