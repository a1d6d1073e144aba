// Modal dialogs over their window: a dialog (the Open dialog, a message
// box, a template dialog) is never larger than the work area of the screen
// it opens on, whatever the scale factor, so its buttons stay in reach; and
// when it closes, its owner's window has the keyboard again.
#pragma once

class QDialog;
class QWidget;

// Before a dialog is shown: bounds its size (and minimum size) by the
// available area of its owner's screen (or the primary screen), less room
// for the frame the window manager adds, and keeps it inside that area.
void FitToScreen(QWidget* dialog);

// Fits dialog to the screen (FitToScreen), runs it modally and returns its
// result. Once shown at its size, an owned dialog is centred over its
// owner's window, inside the screen's available area. Once it is closed its owner's window is
// activated again, as a click on it would: a window manager may hand the keyboard back while the
// dialog still holds the program modal, and Qt then leaves no window active.
int RunModal(QDialog* dialog);
