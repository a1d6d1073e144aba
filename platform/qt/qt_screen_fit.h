// Dialogs sized to the screen: a dialog (the Open dialog, a message box, a
// template dialog) is never larger than the work area of the screen it opens
// on, whatever the scale factor, so its buttons stay in reach.
#pragma once

class QWidget;

// Before a dialog is shown: bounds its size (and minimum size) by the
// available area of its owner's screen (or the primary screen), less room
// for the frame the window manager adds, and keeps it inside that area.
void FitToScreen(QWidget* dialog);
