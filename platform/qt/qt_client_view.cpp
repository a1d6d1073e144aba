#include "platform/qt/qt_client_view.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <cmath>

#include "platform/qt/qt_accessible.h"
#include "platform/qt/qt_window_manager.h"

namespace {

// The canvas: paints through the window's procedure.
class PaintedCanvas : public QWidget {
 public:
  PaintedCanvas(QtWindowManager& windows, WindowHandle window)
      : windows_(windows), window_(window) {
    setFocusPolicy(Qt::NoFocus);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter painter(this);
    windows_.PaintWindow(window_, painter, event->rect());
  }

 private:
  QtWindowManager& windows_;
  WindowHandle window_;
};

}  // namespace

ClientView::ClientView(QtWindowManager& windows, WindowHandle window, QWidget* screen)
    : QScrollArea(screen) {
  setFocusPolicy(Qt::NoFocus);
  setFrameShape(QFrame::Box);
  setFrameShadow(QFrame::Plain);
  setLineWidth(1);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setWidgetResizable(true);
  auto* canvas = new PaintedCanvas(windows, window);
  MarkAsReport(canvas);
  setWidget(canvas);
  ShowFocus(false);
}

void ClientView::ShowFocus(bool focused) {
  QPalette colours = palette();
  colours.setColor(QPalette::WindowText, focused ? colours.color(QPalette::Highlight) : Qt::white);
  setPalette(colours);
}

void ClientView::SetDrawnText(const QString& text) {
  if (text == drawn_text_) return;
  AnnounceReportText(Canvas(), drawn_text_, text);
  drawn_text_ = text;
  QMetaObject::invokeMethod(
      this, [this] { verticalScrollBar()->setValue(0); }, Qt::QueuedConnection);
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

int DrawWrappedText(QPainter& painter, const QRect& box, const QString& text, bool word_break) {
  QTextOption option(Qt::AlignLeft);
  option.setWrapMode(word_break ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
  painter.save();
  painter.setClipRect(box, Qt::IntersectClip);
  qreal y = 0;
  for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
    QTextLayout layout(paragraph, painter.font(), painter.device());
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
      line.setLineWidth(box.width());
      line.setPosition(QPointF(0, y));
      y += line.height();
    }
    layout.endLayout();
    layout.draw(&painter, box.topLeft());
  }
  painter.restore();
  return static_cast<int>(std::ceil(y));
}
