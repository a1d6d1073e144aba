#include "shell/display_text.h"

const char HelpText[] =
    "   Quorva Navigator software modifies your PDA bluetooth system. When you have installed "
    "Quorva any other software won't be able to connect to a bluetooth GPS."
    "\r\n\r\n"
    "    This program can fix this bug and allows to any software, included Quorva, to "
    "communicate to the bluetooth GPS."
    "\r\n\r\n"
    "   Click to the menu option Tools > Fix QUORVA bluetooth Bug, to repair your PDA."
    "\r\n\r\n"
    "   Harbelt TEAM, S.L."
    "\r\n"
    "   www.harbelt.example";

// HelpText is constant-initialised, so it is complete before any dynamic
// initialisation, whichever translation unit runs first.
DynString DisplayText(HelpText);
