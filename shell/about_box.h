// The About box's dialog procedure (dialog template 103): full screen with a
// Done button and the input panel down; the Done/OK command ends it with 1.
#pragma once

#include "platform/windowing/window_manager.h"

// WM_INITDIALOG: initialises the dialog through the shell (mask SHIDIM_FLAGS,
// flags SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN, i.e. 13)
// and returns true. WM_COMMAND with identifier 1 (IDOK): EndDialog(dialog, 1),
// true. Anything else: false.
bool AboutBoxProc(WindowHandle dialog, uint32_t message, WordParam wparam, LongParam lparam);
