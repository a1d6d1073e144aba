// Where the desktop program finds the file it treats as the handheld's
// registry: the one command-line argument, or the user's data folder.
#pragma once

#include <string>

// The registry file for `quorvafix [REGISTRY_FILE]` given the arguments left
// after the platform took its own: argument 1 when present (further
// arguments are ignored; an empty one counts as none), else $XDG_DATA_HOME/quorvafix/registry.reg,
// where an unset, empty or relative XDG_DATA_HOME means $HOME/.local/share (the XDG rule). Empty
// when neither XDG_DATA_HOME nor HOME gives a folder. Example: no argument, XDG_DATA_HOME unset,
// HOME=/home/ana gives
// "/home/ana/.local/share/quorvafix/registry.reg".
std::string RegistryFilePath(int argc, const char* const* argv);
