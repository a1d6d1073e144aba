// The text the main window shows: HelpText on start, then the latest scan
// report. DisplayText is the shell's for the program's life; only the UI
// thread touches it.
#pragma once

#include "text/dyn_string.h"

// The explanation shown until the first Detect or Fix; lines end in "\r\n".
extern const char HelpText[];

// Constructed from HelpText before the program runs; its destructor
// (run among the exit actions) clears it.
extern DynString DisplayText;
