// QtWindowManager's painting: the window's procedure draws in Qt's paint
// events (WM_PAINT between BeginPaint and EndPaint), the text it draws is
// kept for the view (its scrolling, selection, copying and accessible text)
// with the view's selection drawn in it, and updates are asked of Qt.
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <utility>

#include "platform/qt/qt_client_view.h"
#include "platform/qt/qt_window_manager.h"

namespace {

QColor ColourOf(BrushHandle brush) {
  if (brush == nullptr) return QColor(Qt::white);
  uint32_t c = brush->colour;  // 0x00BBGGRR
  return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

}  // namespace

bool QtWindowManager::UpdateWindow(WindowHandle window) {
  auto it = natives_.find(window);
  if (it == natives_.end() || !it->second.widget) return false;
  if (it->second.invalid && it->second.widget->isVisible()) it->second.widget->Canvas()->repaint();
  return true;
}

bool QtWindowManager::InvalidateRect(WindowHandle window, const Rect* rect, bool) {
  auto it = natives_.find(window);
  if (it == natives_.end() || !it->second.widget) return false;
  it->second.invalid = true;
  QWidget* canvas = it->second.widget->Canvas();
  if (rect == nullptr) {
    canvas->update();
  } else {
    canvas->update(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
  }
  return true;
}

void QtWindowManager::PaintWindow(WindowHandle window, QPainter& painter, const QRect& area) {
  const WindowRecord* record = Record(window);
  if (record == nullptr) return;
  painter.fillRect(area, ColourOf(record->background));
  painter.setPen(Qt::black);
  painter_ = &painter;
  painting_ = window;
  paint_area_ = area;
  painted_text_.clear();
  painted_blocks_.clear();
  painted_bottom_ = 0;
  SendMessage(window, WM_PAINT, 0, 0);
  painter_ = nullptr;
  painting_ = 0;
  auto it = natives_.find(window);
  if (it != natives_.end()) it->second.invalid = false;
  if (it != natives_.end() && it->second.widget) {
    ClientView* view = it->second.widget;
    view->SetDrawnText(painted_text_, std::move(painted_blocks_));
    view->FitCanvas(painted_bottom_);
  }
}

DeviceContext QtWindowManager::BeginPaint(WindowHandle window, PaintInfo* paint) {
  if (paint == nullptr) return 0;
  *paint = PaintInfo{};
  if (painter_ == nullptr || painting_ != window) {
    InvalidateRect(window, nullptr, false);
    return 0;
  }
  paint->dc = PAINT_CONTEXT;
  paint->erase = false;  // PaintWindow has painted the class background
  paint->paint = Rect{paint_area_.left(), paint_area_.top(), paint_area_.right() + 1,
                      paint_area_.bottom() + 1};
  return PAINT_CONTEXT;
}

bool QtWindowManager::EndPaint(WindowHandle window, const PaintInfo*) { return IsWindow(window); }

int QtWindowManager::DrawText(DeviceContext dc, const char16_t* text, int length, Rect* rect,
                              uint32_t format) {
  if (dc != PAINT_CONTEXT || painter_ == nullptr || text == nullptr || rect == nullptr) return 0;
  QString lines = QString::fromUtf16(text, length);
  lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  QRect box(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
  const bool word_break = (format & DT_WORDBREAK) != 0;
  const int offset = static_cast<int>(painted_text_.size());
  // The view's selection, in this text's offsets.
  int start = 0, end = 0;
  if (const ClientView* view = natives_[painting_].widget) {
    start = view->SelectionStart() - offset;
    end = view->SelectionEnd() - offset;
  }
  int height = DrawWrappedText(*painter_, box, lines, word_break, start, end);
  painted_blocks_.push_back(
      ClientView::DrawnBlock{box, offset, lines, word_break, painter_->font()});
  painted_text_ += lines;
  // Below the text, as much room as above it.
  painted_bottom_ = std::max(painted_bottom_, rect->top + height + std::max(rect->top, 0));
  return height;
}

QString QtWindowManager::SelectedText(WindowHandle window) const {
  auto it = natives_.find(window);
  return it != natives_.end() && it->second.widget ? it->second.widget->SelectedText() : QString();
}
