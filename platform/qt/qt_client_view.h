// What a top-level window of the program looks like on Qt: a scroll area over
// the screen whose canvas the window's procedure paints (WM_PAINT). The
// canvas is as wide as the view and as tall as the text drawn in its last
// paint needs (at least the view's height), so a report longer than the
// window gets a vertical scroll bar, the wheel, PageUp/PageDown, Home/End and
// the arrow keys. The mouse selects the drawn text: a drag selects from
// where it began to where it is (scrolling to follow it, and on scrolling
// while it is held above or below the view), the selection is painted in the
// palette's highlight colours and, when the button is released, becomes the
// system's selection where it has one (X's PRIMARY, which a middle click
// pastes); a click or new text drops it. Assistive technologies read the
// canvas as a read-only text holding the drawn text and its selection
// (qt_accessible.h). Owned by the screen widget; the window manager keeps it
// by a guarded pointer.
#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QScrollArea>
#include <QString>
#include <functional>
#include <vector>

#include "platform/windowing/window_manager.h"

class QPainter;
class QPalette;
class QTextLine;
class QTimer;
class QtWindowManager;

class ClientView : public QScrollArea {
 public:
  static constexpr int FOCUS_FRAME_WIDTH = 2;
  ClientView(QtWindowManager& windows, WindowHandle window, QWidget* screen);

  // The widget the window paints on; its size is the window's client area.
  QWidget* Canvas() const { return widget(); }
  // After a paint: the canvas grows or shrinks to bottom (the lowest pixel
  // the text needs, its bottom margin included) but never below the view.
  void FitCanvas(int bottom);
  // Where the keys go is visible: with focused, a line FOCUS_FRAME_WIDTH
  // pixels wide of FocusFrameColour frames the view; without, the frame
  // takes the canvas's white. The frame is always there, so the text never
  // moves. Assistive technologies see the keyboard on the report while the
  // view shows it (qt_accessible.h).
  void ShowFocus(bool focused);
  bool ShowsFocus() const { return focused_; }
  // Scrolls for a navigation key (Qt::Key_PageUp, PageDown, Home, End, Up,
  // Down); false for any other key.
  bool ScrollForKey(int key);
  // The text the last paint drew, lines ending in "\n": what assistive
  // technologies read.
  const QString& DrawnText() const { return drawn_text_; }
  // One DrawText of a paint: its box, where its text begins in DrawnText,
  // the text, whether it broke lines, and the font it was drawn in.
  struct DrawnBlock {
    QRect box;
    int offset = 0;
    QString text;
    bool word_break = false;
    QFont font;
  };
  // After a paint: keeps text and the blocks it was drawn in; a text other
  // than the one drawn before starts at the top (the view scrolls there once
  // the paint is over) with nothing selected.
  void SetDrawnText(const QString& text, std::vector<DrawnBlock> blocks);

  // The selection, offsets into DrawnText with start <= end; start == end
  // when nothing is selected.
  int SelectionStart() const { return selection_start_; }
  int SelectionEnd() const { return selection_end_; }
  QString SelectedText() const;
  // Selects the text between offsets a and b (either order, clamped to
  // DrawnText), repaints the canvas and tells assistive technologies.
  void Select(int a, int b);
  // The offset in DrawnText of the character boundary nearest to point (in
  // the canvas's coordinates), or with on_character of the character under
  // it: 0 above the text, its end below it.
  int OffsetAt(const QPoint& point, bool on_character = false) const;
  // Where the character at offset of DrawnText was drawn, in the canvas's
  // coordinates: a line end ("\n") is as tall as its line and 0 wide; an
  // empty rectangle for an offset outside the text.
  QRect CharacterRect(int offset) const;
  // The mouse on the canvas: a press of the left button sets the anchor and
  // drops the selection, a move with it held selects up to the point (held
  // above or below the view, it scrolls a line every AUTO_SCROLL_MS and
  // selects on), and its release ends the drag, handing the selection to
  // the system's (QClipboard::Selection) where there is one.
  static constexpr int AUTO_SCROLL_MS = 50;
  void MousePressed(const QPoint& point);
  void MouseDragged(const QPoint& point);
  void MouseReleased();

 private:
  // Calls visit for each line the text was drawn in, top to bottom, with
  // the offset in DrawnText and the length of its paragraph and its block;
  // stops when visit returns true.
  using LineVisit = std::function<bool(const QTextLine& line, int paragraph_start,
                                       int paragraph_length, const DrawnBlock& block)>;
  void WalkLines(const LineVisit& visit) const;
  // A drag's tick while the pointer is held outside the view.
  void AutoScroll();

  QString drawn_text_;
  std::vector<DrawnBlock> blocks_;
  int anchor_ = 0;
  int selection_start_ = 0;
  int selection_end_ = 0;
  bool focused_ = false;
  // Where the drag's pointer is, in the viewport's coordinates, and the
  // timer that scrolls while it is outside.
  QPoint drag_at_;
  QTimer* auto_scroll_ = nullptr;
};

// Draws text (lines separated by "\n") from the top left of box, clipped to
// it, in the painter's font and pen; with word_break, lines are broken
// between words at the right edge, and a word longer than the box's width
// anywhere inside it. The characters from offset selection_start up to
// selection_end of text are drawn in the palette's highlight colours.
// Returns the height the text takes in pixels.
int DrawWrappedText(QPainter& painter, const QRect& box, const QString& text, bool word_break,
                    int selection_start = 0, int selection_end = 0);

// The contrast ratio of two colours as accessibility guidelines define it,
// from 1 (the same luminance) to 21 (black on white), either order.
double ContrastRatio(const QColor& a, const QColor& b);
// The focus frame's colour: the palette's highlight, darkened as far as it
// takes to stand at least MIN_FOCUS_CONTRAST from both backgrounds it lies
// between, the canvas's white and the palette's window colour (black when no
// darkening does).
constexpr double MIN_FOCUS_CONTRAST = 3.0;
QColor FocusFrameColour(const QPalette& palette);
