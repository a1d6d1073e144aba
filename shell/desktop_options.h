// The window program's own options, answered before the toolkit starts, so
// that they work without a display: --help prints DESKTOP_USAGE, --version
// "quorvafix VERSION", both on standard output with status 0; any other
// argument of the form --NAME that is no option of the Qt toolkit is a usage
// error ("quorvafix: unrecognized option '--NAME'" and a hint, on standard
// error, status 2). --device, like --local-registry, is refused where the
// system cannot reach a handheld and takes no REGISTRY_FILE. On a system without a registry of its
// own
// --local-registry is refused with the reason ("quorvafix: --local-registry:
// this system has no registry of its own ...", status 1), as the tool
// refuses it; elsewhere it is a usage error beside a REGISTRY_FILE. Everything else (a
// REGISTRY_FILE, --local-registry, the Qt toolkit's own options such as
// -platform NAME or --platform NAME) is left for the window. On Windows there
// is no toolkit: --platform is as unknown as any other option.
#pragma once

#include <cstdio>

constexpr char DESKTOP_USAGE[] =
    "Usage: quorvafix [OPTION]... [REGISTRY_FILE]\n"
    "Open the window that detects and repairs the QUORVA Bluetooth serial-port fault\n"
    "in REGISTRY_FILE, a handheld's registry export (.reg).\n"
    "\n"
    "      --local-registry  instead of REGISTRY_FILE, the registry of the Windows\n"
    "                 computer the window runs on (HKEY_LOCAL_MACHINE\\Drivers\\Active)\n"
    "      --device   instead of REGISTRY_FILE, the handheld connected to the Windows\n"
    "                 computer through its synchronisation software\n"
    "      --help     display this help and exit\n"
    "      --version  output version information and exit\n"
    "\n"
    "Without REGISTRY_FILE the export opened last is opened when it still exists,\n"
    "else the default file. A copy already running is handed REGISTRY_FILE and\n"
#ifndef _WIN32
    "comes to the front. Options of the Qt toolkit (for example -platform offscreen)\n"
    "are accepted too. Tools > Copy Report (Ctrl+C) copies the report; the window\n"
    "is readable by screen readers through the desktop's accessibility bus.\n"
#else
    "comes to the front. Tools > Copy Report (Ctrl+C) copies the report.\n"
#endif
    "\n"
    "Exit status: 0 normally; 1 when REGISTRY_FILE or the computer's registry cannot\n"
    "be opened; 2 usage error.\n";

// The option that opens the computer's own registry instead of an export.
constexpr char LOCAL_REGISTRY_OPTION[] = "--local-registry";
// The option that opens the handheld connected to the computer.
constexpr char DEVICE_OPTION[] = "--device";

// -1 when the window should start; otherwise the exit status, after the
// answer was written to out (--help, --version) or err (a usage error).
// version is the program's version ("1.0.0").
int AnswerDesktopOptions(int argc, const char* const* argv, const char* version, std::FILE* out,
                         std::FILE* err);

// Whether the arguments ask for the computer's own registry
// (LOCAL_REGISTRY_OPTION before any "--").
bool WantsLocalRegistry(int argc, const char* const* argv);
// Whether they ask for the connected handheld (DEVICE_OPTION before any "--").
bool WantsDevice(int argc, const char* const* argv);
