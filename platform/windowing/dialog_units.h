// Dialog-unit arithmetic: how dialog templates measured in dialog units become
// pixels for a given dialog font, as the handheld computes it. Pure
// functions, no state.
#pragma once

#include "platform/windowing/window_manager.h"

// The two base units of a dialog font: the average character width and the
// character height, in pixels.
struct DialogBaseUnits {
  int x;
  int y;
};

// Base units of a font from the width in pixels of the 52 letters "A".."Z"
// "a".."z" and the font's height: x = (width / 26 + 1) / 2, rounded down
// at each step; y = height. Example: width 312 and height 13 give {6, 13}.
DialogBaseUnits BaseUnitsOf(int letters_width, int height);

// Converts a rectangle in dialog units to pixels: horizontal values times x / 4,
// vertical values times y / 8, each rounded to the nearest pixel (halves away
// from zero). Example: {40, 10, 110, 18} with {6, 13} gives {60, 16, 165, 29}.
Rect MapDialogRect(const Rect& units, DialogBaseUnits base);
