// The desktop program around the shell: the registry file becomes the
// handheld's registry for the run, then the entry function runs. Needs the
// window manager and shell services installed (see platform/qt/qt_platform.h);
// includes no Qt. One run per call, on the UI thread.
#pragma once

// Runs `quorvafix [REGISTRY_FILE]` (arguments as left by the platform; see
// RegistryFilePath). A missing file is an empty registry, created only when
// a repair writes to it. When the file cannot be read or parsed, or no
// location can be found, a message box captioned "QUORVAFIX" tells why
// before any window opens and the result is 1. Otherwise the result is
// WinMain's: 0 when the program ends normally or hands over to a running copy.
int RunQuorvafix(int argc, const char* const* argv);
