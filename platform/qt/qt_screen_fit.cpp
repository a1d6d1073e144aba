#include "platform/qt/qt_screen_fit.h"

#include <QApplication>
#include <QDialog>
#include <QLayout>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>

namespace {

// Room left for a window manager's title bar and borders, which are not
// known before the dialog is shown.
constexpr int FRAME_WIDTH = 16;
constexpr int FRAME_HEIGHT = 48;
// How long after a dialog closed the window manager has to give its owner
// the keyboard.
constexpr int REACTIVATE_MS = 250;

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

namespace {

// Centres dialog over owner, inside the available area of its screen.
void PlaceOver(QWidget* dialog, const QWidget* owner) {
  const QScreen* screen = dialog->screen();
  if (screen == nullptr) return;
  const QRect room = screen->availableGeometry();
  QRect place(QPoint(), dialog->frameGeometry().size());
  place.moveCenter(owner->frameGeometry().center());
  place.moveLeft(std::max(room.left(), std::min(place.left(), room.right() + 1 - place.width())));
  place.moveTop(std::max(room.top(), std::min(place.top(), room.bottom() + 1 - place.height())));
  dialog->move(place.topLeft());
}

}  // namespace

int RunModal(QDialog* dialog) {
  FitToScreen(dialog);
  QWidget* parent = dialog->parentWidget();
  QPointer<QWidget> owner = parent != nullptr ? parent->window() : nullptr;
  // Qt places a dialog over its owner by the size it has before it shows; a
  // message box takes its size only then. It is placed again once shown.
  if (owner) {
    QTimer::singleShot(0, dialog, [dialog, owner] {
      if (owner && dialog->isVisible()) PlaceOver(dialog, owner);
    });
  }
  const int result = dialog->exec();
  if (!owner || !owner->isVisible()) return result;
  owner->activateWindow();
  // Qt sends the keyboard on to the modal dialog when the window manager
  // hands it to the owner before the dialog is gone; the window manager,
  // which already gave it, then tells nothing more. Qt is told itself.
  QTimer::singleShot(REACTIVATE_MS, owner, [owner] {
    if (owner->isVisible() && QApplication::activeWindow() == nullptr) {
      QApplication::setActiveWindow(owner);
    }
  });
  return result;
}
