#include "platform/qt/testing/qt_platform_under_test.h"

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>

#include "platform/qt/qt_window_manager.h"
#include "platform/windowing/shell_services.h"

QtPlatformUnderTest::QtPlatformUnderTest() {
  // The beacon's socket and the profile live in the test's own folder.
  const QByteArray folder = folder_.path().toLocal8Bit();
  qputenv("XDG_RUNTIME_DIR", folder);
  qputenv("XDG_CONFIG_HOME", folder + "/config");
  qputenv("XDG_DATA_HOME", folder + "/data");
  platform_ = std::make_unique<QtPlatform>(argc_, argv_);
  timer_ = std::make_unique<QTimer>();
  timer_->setInterval(10);
  QObject::connect(timer_.get(), &QTimer::timeout, [this] { answers_.Tick(); });
  timer_->start();
}

QtPlatformUnderTest::~QtPlatformUnderTest() {
  timer_.reset();
  platform_.reset();
}

void QtPlatformUnderTest::AnswerNextMessageBox() {
  answers_.Add([this] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return false;
    shown_ = ShownBox{box->text().toStdU16String(), box->windowTitle().toStdU16String()};
    box->button(QMessageBox::Ok)->click();
    return true;
  });
}

void QtPlatformUnderTest::CloseNextDialog() {
  answers_.Add([] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr || !dialog->isVisible() || qobject_cast<QMessageBox*>(dialog) ||
        qobject_cast<QFileDialog*>(dialog)) {
      return false;
    }
    // The title bar's close button: Qt's stand-in for the caption's button.
    dialog->close();
    return true;
  });
}

void QtPlatformUnderTest::AnswerNextOpenFile(const std::u16string& path) {
  const QString chosen = QString::fromStdU16String(path);
  answers_.Add([chosen] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible()) return false;
    if (chosen.isEmpty()) {
      dialog->reject();
      return true;
    }
    // Typed into the name field, as a user would.
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (name == nullptr) return false;
    name->setText(chosen);
    static_cast<QDialog*>(dialog)->accept();
    return true;
  });
}

void QtPlatformUnderTest::DropFiles(WindowHandle window, const std::vector<std::u16string>& paths) {
  QWidget* screen = platform_->Windows().Screen();
  Rect rect{};
  if (screen == nullptr || !GetWindowRect(window, &rect)) return;
  QMimeData data;
  QList<QUrl> urls;
  for (const std::u16string& path : paths) {
    urls << QUrl::fromLocalFile(QString::fromStdU16String(path));
  }
  data.setUrls(urls);
  // The middle of the window, on the screen below the top bar.
  const QPoint at((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2 - TOP_BAR_HEIGHT);
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(screen, &enter);
  if (!enter.isAccepted()) return;
  QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(screen, &move);
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(screen, &drop);
}

bool QtPlatformUnderTest::ChooseMenuItem(WindowHandle, const std::u16string& label) {
  QWidget* screen = platform_->Windows().Screen();
  if (screen == nullptr) return false;
  for (QToolButton* button : screen->findChildren<QToolButton*>()) {
    if (button->menu() == nullptr) continue;
    for (QAction* action : button->menu()->actions()) {
      if (action->text().remove(QLatin1Char('&')) != QString::fromStdU16String(label)) continue;
      if (!action->isEnabled()) return false;
      action->trigger();
      return true;
    }
  }
  return false;
}

std::u16string QtPlatformUnderTest::ClipboardText() {
  return QApplication::clipboard()->text().toStdU16String();
}

void QtPlatformUnderTest::PumpEvents(int milliseconds) {
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec();
}
