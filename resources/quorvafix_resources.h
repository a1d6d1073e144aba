// QUORVAFIX's resource script as data: strings 1, 3 and 104, menu and
// menu-bar template 102, accelerator table 3, dialog template 103 and icon
// group 101. Static, read-only, for the whole process; install it with
// InstallResourceModule and load from it by number.
#pragma once

#include "platform/windowing/resources.h"

const ResourceModule& QuorvafixResources();

// The instance handle of QuorvafixResources, installed (InstallResourceModule)
// on the first call; every call gives the same handle.
InstanceHandle QuorvafixInstance();
