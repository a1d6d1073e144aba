// The key a menu shows beside an item, in the desktop's words: "Ctrl+O"
// for Control and O, and the access key a label marks with '&'. Shared by
// the backends that build native menus from the menu resources.
#pragma once

#include <string>

#include "platform/windowing/resources.h"

// The key of the first accelerator of instance's tables that sends the
// item's command, or else the one that sends its same_as; modifiers in the
// order Ctrl, Alt, Shift. Empty when none does (or the instance is unknown).
// Example: {FVIRTKEY | FCONTROL, 'Q', 1} and item {IDM_EXIT, u"Exit", 1}
// give u"Ctrl+Q".
std::u16string MenuItemShortcut(InstanceHandle instance, const MenuItemResource& item);

// A label with an access key marked with '&', as Windows menus take it
// ("&&" stands for a plain '&'). A label that marks one already keeps it;
// otherwise '&' goes before its first letter or digit not in *taken (the
// keys of the same menu's labels so far, upper case). The key is added to
// *taken; a label with none free stays as it is.
// Example: "About..." then "Add" then "E&xit" give "&About...", "A&dd" and
// "E&xit", with taken "ADX".
std::u16string WithAccessKey(const std::u16string& label, std::u16string* taken);
