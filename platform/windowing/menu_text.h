// The key a menu shows beside an item, in the desktop's words: "Ctrl+O"
// for Control and O. Shared by the backends that build native menus from the
// menu resources.
#pragma once

#include <string>

#include "platform/windowing/resources.h"

// The key of the first accelerator of instance's tables that sends the
// item's command, or else the one that sends its same_as; modifiers in the
// order Ctrl, Alt, Shift. Empty when none does (or the instance is unknown).
// Example: {FVIRTKEY | FCONTROL, 'Q', 1} and item {IDM_EXIT, u"Exit", 1}
// give u"Ctrl+Q".
std::u16string MenuItemShortcut(InstanceHandle instance, const MenuItemResource& item);
