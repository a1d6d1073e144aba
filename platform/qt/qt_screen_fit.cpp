#include "platform/qt/qt_screen_fit.h"

#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace {

// Room left for a window manager's title bar and borders, which are not
// known before the dialog is shown.
constexpr int FRAME_WIDTH = 16;
constexpr int FRAME_HEIGHT = 48;

bool Fits(const QSize& size, const QSize& room) {
  return size.width() <= room.width() && size.height() <= room.height();
}

}  // namespace

void FitToScreen(QWidget* dialog) {
  QWidget* owner = dialog->parentWidget();
  QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect room = screen->availableGeometry();
  const QSize most(std::max(1, room.width() - FRAME_WIDTH),
                   std::max(1, room.height() - FRAME_HEIGHT));
  dialog->ensurePolished();
  const QSize wanted = dialog->testAttribute(Qt::WA_Resized) ? dialog->size() : dialog->sizeHint();
  const QSize least = dialog->minimumSizeHint().expandedTo(dialog->minimumSize());
  if (Fits(wanted, most) && Fits(least, most)) return;
  // A layout would hold the dialog at its own minimum, larger than the room.
  if (QLayout* layout = dialog->layout()) layout->setSizeConstraint(QLayout::SetNoConstraint);
  dialog->setMinimumSize(dialog->minimumSize().boundedTo(most));
  dialog->setMaximumSize(dialog->maximumSize().boundedTo(most));
  dialog->resize(wanted.boundedTo(most));
  QRect place(QPoint(), dialog->size());
  place.moveCenter(room.center());
  place.moveTopLeft(QPoint(std::max(room.left(), place.left() - FRAME_WIDTH / 2),
                           std::max(room.top(), place.top() - FRAME_HEIGHT / 2)));
  dialog->move(place.topLeft());
}
