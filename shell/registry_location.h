// Where the desktop program finds the file it treats as the handheld's
// registry: the one command-line argument, or the user's data folder.
#pragma once

#include <string>

// The registry file for `quorvafix [REGISTRY_FILE]` given the arguments left
// after the platform took its own: argument 1 when present (further
// arguments are ignored; an empty one counts as none), else
// DefaultRegistryFile().
// Example: no argument, XDG_DATA_HOME unset, HOME=/home/ana gives
// "/home/ana/.local/share/quorvafix/registry.reg".
std::string RegistryFilePath(int argc, const char* const* argv);

// registry.reg in the program's folder of the user's data, empty when the
// system names no such folder. On Linux $XDG_DATA_HOME/quorvafix/, where an
// unset, empty or relative XDG_DATA_HOME means $HOME/.local/share (the XDG
// rule; empty without HOME). On Windows %APPDATA%\quorvafix\ in UTF-8,
// empty when APPDATA is unset or no absolute path.
std::string DefaultRegistryFile();
