#include "platform/qt/qt_client_view.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "platform/qt/qt_accessible.h"
#include "platform/qt/qt_window_manager.h"

namespace {

// The canvas: paints through the window's procedure; the mouse selects.
class PaintedCanvas : public QWidget {
 public:
  PaintedCanvas(QtWindowManager& windows, WindowHandle window, ClientView& view)
      : windows_(windows), window_(window), view_(view) {
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::IBeamCursor);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter painter(this);
    windows_.PaintWindow(window_, painter, event->rect());
  }
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) view_.MousePressed(event->position().toPoint());
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    if (event->buttons() & Qt::LeftButton) view_.MouseDragged(event->position().toPoint());
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) view_.MouseReleased();
  }

 private:
  QtWindowManager& windows_;
  WindowHandle window_;
  ClientView& view_;
};

QTextOption WrapOption(bool word_break) {
  QTextOption option(Qt::AlignLeft);
  option.setWrapMode(word_break ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
  return option;
}

// Lays layout out in lines width wide from y down; returns the y below it.
qreal LayOut(QTextLayout& layout, bool word_break, int width, qreal y) {
  layout.setTextOption(WrapOption(word_break));
  layout.beginLayout();
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(width);
    line.setPosition(QPointF(0, y));
    y += line.height();
  }
  layout.endLayout();
  return y;
}

}  // namespace

ClientView::ClientView(QtWindowManager& windows, WindowHandle window, QWidget* screen)
    : QScrollArea(screen) {
  setFocusPolicy(Qt::NoFocus);
  setFrameShape(QFrame::Box);
  setFrameShadow(QFrame::Plain);
  setLineWidth(FOCUS_FRAME_WIDTH);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setWidgetResizable(true);
  auto_scroll_ = new QTimer(this);
  auto_scroll_->setInterval(AUTO_SCROLL_MS);
  QObject::connect(auto_scroll_, &QTimer::timeout, this, [this] { AutoScroll(); });
  auto* canvas = new PaintedCanvas(windows, window, *this);
  MarkAsReport(canvas);
  setWidget(canvas);
  ShowFocus(false);
}

void ClientView::ShowFocus(bool focused) {
  if (focused && !focused_) AnnounceReportFocus(Canvas());
  focused_ = focused;
  QPalette colours = palette();
  colours.setColor(QPalette::WindowText, focused ? FocusFrameColour(colours) : QColor(Qt::white));
  setPalette(colours);
}

void ClientView::SetDrawnText(const QString& text, std::vector<DrawnBlock> blocks) {
  blocks_ = std::move(blocks);
  if (text == drawn_text_) return;
  AnnounceReportText(Canvas(), drawn_text_, text);
  drawn_text_ = text;
  auto_scroll_->stop();
  anchor_ = 0;
  Select(0, 0);
  QMetaObject::invokeMethod(
      this, [this] { verticalScrollBar()->setValue(0); }, Qt::QueuedConnection);
}

QString ClientView::SelectedText() const {
  return drawn_text_.mid(selection_start_, selection_end_ - selection_start_);
}

void ClientView::Select(int a, int b) {
  const int size = static_cast<int>(drawn_text_.size());
  a = std::clamp(a, 0, size);
  b = std::clamp(b, 0, size);
  if (std::min(a, b) == selection_start_ && std::max(a, b) == selection_end_) return;
  selection_start_ = std::min(a, b);
  selection_end_ = std::max(a, b);
  Canvas()->update();
  AnnounceReportSelection(Canvas(), selection_start_, selection_end_);
}

void ClientView::WalkLines(const LineVisit& visit) const {
  for (const DrawnBlock& block : blocks_) {
    qreal top = 0;
    int start = block.offset;
    for (const QString& paragraph : block.text.split(QLatin1Char('\n'))) {
      QTextLayout layout(paragraph, block.font, Canvas());
      top = LayOut(layout, block.word_break, block.box.width(), top);
      const int length = static_cast<int>(paragraph.size());
      for (int i = 0; i < layout.lineCount(); ++i) {
        if (visit(layout.lineAt(i), start, length, block)) return;
      }
      start += length + 1;
    }
  }
}

int ClientView::OffsetAt(const QPoint& point, bool on_character) const {
  int found = 0;
  WalkLines([&](const QTextLine& line, int start, int, const DrawnBlock& block) {
    if (point.y() < block.box.top()) return true;
    if (point.y() < block.box.top() + line.y() + line.height()) {
      found = start + line.xToCursor(point.x() - block.box.left(),
                                     on_character ? QTextLine::CursorOnCharacter
                                                  : QTextLine::CursorBetweenCharacters);
      return true;
    }
    found = start + line.textStart() + line.textLength();
    return false;
  });
  return found;
}

QRect ClientView::CharacterRect(int offset) const {
  QRect found;
  if (offset < 0 || offset >= drawn_text_.size()) return found;
  WalkLines([&](const QTextLine& line, int start, int length, const DrawnBlock& block) {
    const int at = offset - start;
    const int end = line.textStart() + line.textLength();
    // A break between lines belongs to the line below; a paragraph's end to
    // its last line.
    if (at < line.textStart() || at > end || (at == end && end != length)) return false;
    const qreal left = line.cursorToX(at);
    const qreal right = at < length ? line.cursorToX(at + 1) : left;
    found = QRect(QPoint(block.box.left() + qRound(left), block.box.top() + qRound(line.y())),
                  QSize(qRound(right - left), qRound(line.height())));
    return true;
  });
  return found;
}

void ClientView::MousePressed(const QPoint& point) {
  anchor_ = OffsetAt(point);
  Select(anchor_, anchor_);
}

void ClientView::MouseDragged(const QPoint& point) {
  drag_at_ = Canvas()->mapTo(viewport(), point);
  if (drag_at_.y() >= 0 && drag_at_.y() < viewport()->height()) {
    auto_scroll_->stop();
  } else if (!auto_scroll_->isActive()) {
    auto_scroll_->start();
  }
  ensureVisible(point.x(), point.y(), 0, 0);
  Select(anchor_, OffsetAt(point));
}

void ClientView::AutoScroll() {
  verticalScrollBar()->triggerAction(drag_at_.y() < 0 ? QAbstractSlider::SliderSingleStepSub
                                                      : QAbstractSlider::SliderSingleStepAdd);
  Select(anchor_, OffsetAt(Canvas()->mapFrom(viewport(), drag_at_)));
}

void ClientView::MouseReleased() {
  auto_scroll_->stop();
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (selection_start_ < selection_end_ && clipboard->supportsSelection()) {
    clipboard->setText(SelectedText(), QClipboard::Selection);
  }
}

void ClientView::FitCanvas(int bottom) {
  if (Canvas()->minimumHeight() == bottom) return;
  Canvas()->setMinimumHeight(bottom);
}

bool ClientView::ScrollForKey(int key) {
  QScrollBar* bar = verticalScrollBar();
  switch (key) {
    case Qt::Key_PageUp:
      bar->triggerAction(QAbstractSlider::SliderPageStepSub);
      return true;
    case Qt::Key_PageDown:
      bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
      return true;
    case Qt::Key_Up:
      bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
      return true;
    case Qt::Key_Down:
      bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
      return true;
    case Qt::Key_Home:
      bar->triggerAction(QAbstractSlider::SliderToMinimum);
      return true;
    case Qt::Key_End:
      bar->triggerAction(QAbstractSlider::SliderToMaximum);
      return true;
    default:
      return false;
  }
}

double ContrastRatio(const QColor& a, const QColor& b) {
  auto luminance = [](const QColor& colour) {
    auto linear = [](double v) {
      return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
           0.0722 * linear(colour.blueF());
  };
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor FocusFrameColour(const QPalette& palette) {
  QColor colour = palette.color(QPalette::Highlight);
  const QColor window = palette.color(QPalette::Window);
  while (colour.value() > 0 && (ContrastRatio(colour, Qt::white) < MIN_FOCUS_CONTRAST ||
                                ContrastRatio(colour, window) < MIN_FOCUS_CONTRAST)) {
    colour = colour.value() > 8 ? colour.darker(110) : QColor(Qt::black);
  }
  return colour;
}

int DrawWrappedText(QPainter& painter, const QRect& box, const QString& text, bool word_break,
                    int selection_start, int selection_end) {
  const QPalette colours = QGuiApplication::palette();
  QTextLayout::FormatRange selected;
  selected.format.setBackground(colours.brush(QPalette::Highlight));
  selected.format.setForeground(colours.brush(QPalette::HighlightedText));
  painter.save();
  painter.setClipRect(box, Qt::IntersectClip);
  qreal y = 0;
  int start = 0;
  for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
    QTextLayout layout(paragraph, painter.font(), painter.device());
    y = LayOut(layout, word_break, box.width(), y);
    const int end = start + static_cast<int>(paragraph.size());
    selected.start = std::max(selection_start, start) - start;
    selected.length = std::min(selection_end, end) - start - selected.start;
    QList<QTextLayout::FormatRange> selections;
    if (selected.length > 0) selections.append(selected);
    layout.draw(&painter, box.topLeft(), selections);
    start = end + 1;
  }
  painter.restore();
  return static_cast<int>(std::ceil(y));
}
