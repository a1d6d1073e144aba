#include "shell/testing/desktop_test_support.h"

#include <sys/stat.h>

#include <QDir>
#include <QImage>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <string>

std::string UsePrivateRuntimeFolder() {
  std::string pattern = "/tmp/quorvafix-test-XXXXXX";
  char* folder = mkdtemp(pattern.data());
  if (folder == nullptr) {
    std::perror("mkdtemp");
    std::abort();
  }
  chmod(folder, 0700);
  setenv("XDG_RUNTIME_DIR", folder, 1);
  setenv("TMPDIR", folder, 1);
  setenv("XDG_CONFIG_HOME", (std::string(folder) + "/config").c_str(), 1);
  setenv("XDG_DATA_HOME", (std::string(folder) + "/data").c_str(), 1);
  return folder;
}

void RemoveFolder(const std::string& folder) {
  QDir(QString::fromStdString(folder)).removeRecursively();
}

void StepDriver::Add(const std::string& name, std::function<bool()> step) {
  steps_.emplace_back(name, std::move(step));
}

void StepDriver::Start(int deadline_ms) {
  deadline_ms_ = deadline_ms;
  clock_.start();
  timer_.setInterval(20);
  QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
  timer_.start();
}

void StepDriver::Tick() {
  if (steps_.empty()) {
    timer_.stop();
    return;
  }
  if (steps_.front().second()) {
    steps_.pop_front();
    return;
  }
  if (clock_.elapsed() > deadline_ms_) {
    std::fprintf(stderr, "desktop test stuck at step: %s\n", steps_.front().first.c_str());
    std::fflush(stderr);
    std::_Exit(1);
  }
}

QWidget* ProgramScreen() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    const QString title = widget->windowTitle();
    const bool program =
        title == QLatin1String("QUORVAFIX") || title.endsWith(QLatin1String(" - QUORVAFIX"));
    if (program && widget->isVisible() &&
        widget->findChild<QToolButton*>(QStringLiteral("Tools")) != nullptr) {
      return widget;
    }
  }
  return nullptr;
}

QString TestPicturePath(const QString& name) {
  QDir().mkpath(QStringLiteral(QUORVAFIX_TEST_PICTURES));
  return QDir(QStringLiteral(QUORVAFIX_TEST_PICTURES)).filePath(name);
}

QToolButton* ToolsButton() {
  QWidget* screen = ProgramScreen();
  return screen == nullptr ? nullptr : screen->findChild<QToolButton*>(QStringLiteral("Tools"));
}

void OpenToolsMenu() {
  QToolButton* button = ToolsButton();
  if (button == nullptr) return;
  QMetaObject::invokeMethod(
      button, [button] { button->showMenu(); }, Qt::QueuedConnection);
}

bool ChooseMenuItem(const QString& text) {
  auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  if (menu == nullptr || !menu->isVisible()) return false;
  for (QAction* action : menu->actions()) {
    if (action->text().section(QLatin1Char('\t'), 0, 0) == text) {
      QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
      return true;
    }
  }
  return false;
}

int DarkPixels(const QImage& image, const QRect& area) {
  int dark = 0;
  QRect clipped = area.intersected(image.rect());
  for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
    for (int x = clipped.left(); x <= clipped.right(); ++x) {
      if (qGray(image.pixel(x, y)) < 128) ++dark;
    }
  }
  return dark;
}
