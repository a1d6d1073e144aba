// The window program's own options, answered before the toolkit starts, so
// that they work without a display: --help prints DESKTOP_USAGE, --version
// "quorvafix VERSION", both on standard output with status 0; any other
// argument of the form --NAME that is no option of the Qt toolkit is a usage
// error ("quorvafix: unrecognized option '--NAME'" and a hint, on standard
// error, status 2). Everything else (a REGISTRY_FILE, the toolkit's own
// options such as -platform NAME or --platform NAME) is left for the window.
#pragma once

#include <cstdio>

constexpr char DESKTOP_USAGE[] =
    "Usage: quorvafix [OPTION]... [REGISTRY_FILE]\n"
    "Open the window that detects and repairs the QUORVA Bluetooth serial-port fault\n"
    "in REGISTRY_FILE, a handheld's registry export (.reg).\n"
    "\n"
    "      --help     display this help and exit\n"
    "      --version  output version information and exit\n"
    "\n"
    "Without REGISTRY_FILE the export opened last is opened when it still exists,\n"
    "else the default file. A copy already running is handed REGISTRY_FILE and\n"
    "comes to the front. Options of the Qt toolkit (for example -platform offscreen)\n"
    "are accepted too. Tools > Copy Report (Ctrl+C) copies the report; the window\n"
    "is readable by screen readers through the desktop's accessibility bus.\n"
    "\n"
    "Exit status: 0 normally; 1 when REGISTRY_FILE cannot be opened; 2 usage error.\n";

// -1 when the window should start; otherwise the exit status, after the
// answer was written to out (--help, --version) or err (a usage error).
// version is the program's version ("1.0.0").
int AnswerDesktopOptions(int argc, const char* const* argv, const char* version, std::FILE* out,
                         std::FILE* err);
