// QtWindowManager while the program is busy: the wait cursor over the whole
// application, and the wake-up of the message loop when another thread
// posts.
#include <QApplication>

#include "platform/qt/qt_window_manager.h"

void QtWindowManager::ShowCursorShape(CursorHandle cursor) {
  bool wait = cursor == IDC_WAIT;
  if (wait == waiting_) return;
  waiting_ = wait;
  if (wait) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void QtWindowManager::WakeMessageLoop() {
  // A queued call is an event: the waiting processEvents returns for it.
  if (QCoreApplication* application = QCoreApplication::instance()) {
    QMetaObject::invokeMethod(
        application, [] {}, Qt::QueuedConnection);
  }
}
