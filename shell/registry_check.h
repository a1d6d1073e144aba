// The check the main window makes before each Detect and Fix: that the
// registry describes its backing file as the file is now. The program
// installs it (the desktop program: its file store's re-read); with none
// installed the registry is scanned as it stands. UI thread only.
#pragma once

#include <functional>
#include <string>

// True when the registry may be scanned now; false with *why set to a short
// reason naming the file when the file cannot be read now.
using RegistryCheck = std::function<bool(std::u16string* why)>;

// Makes check the one RegistryIsCurrent runs; an empty one removes it.
void InstallRegistryCheck(RegistryCheck check);
// Runs the installed check; true when none is installed.
bool RegistryIsCurrent(std::u16string* why);
