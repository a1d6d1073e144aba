// What a top-level window of the program looks like on Qt: a scroll area over
// the screen whose canvas the window's procedure paints (WM_PAINT). The
// canvas is as wide as the view and as tall as the text drawn in its last
// paint needs (at least the view's height), so a report longer than the
// window gets a vertical scroll bar, the wheel, PageUp/PageDown, Home/End and
// the arrow keys. Assistive technologies read the canvas as a read-only text
// holding the drawn text (qt_accessible.h). Owned by the screen
// widget; the window manager keeps it by a guarded pointer.
#pragma once

#include <QScrollArea>
#include <QString>

#include "platform/windowing/window_manager.h"

class QPainter;
class QtWindowManager;

class ClientView : public QScrollArea {
 public:
  ClientView(QtWindowManager& windows, WindowHandle window, QWidget* screen);

  // The widget the window paints on; its size is the window's client area.
  QWidget* Canvas() const { return widget(); }
  // After a paint: the canvas grows or shrinks to bottom (the lowest pixel
  // the text needs, its bottom margin included) but never below the view.
  void FitCanvas(int bottom);
  // Where the keys go is visible: with focused, a line of the palette's
  // highlight colour frames the view; without, the frame takes the
  // canvas's white. The frame is always there, so the text never moves.
  void ShowFocus(bool focused);
  // Scrolls for a navigation key (Qt::Key_PageUp, PageDown, Home, End, Up,
  // Down); false for any other key.
  bool ScrollForKey(int key);
  // The text the last paint drew, lines ending in "\n": what assistive
  // technologies read.
  const QString& DrawnText() const { return drawn_text_; }
  // After a paint: keeps text; a text other than the one drawn before starts
  // at the top (the view scrolls there once the paint is over).
  void SetDrawnText(const QString& text);

 private:
  QString drawn_text_;
};

// Draws text (lines separated by "\n") from the top left of box, clipped to
// it, in the painter's font and pen; with word_break, lines are broken
// between words at the right edge, and a word longer than the box's width
// anywhere inside it. Returns the height the text takes in pixels.
int DrawWrappedText(QPainter& painter, const QRect& box, const QString& text, bool word_break);
