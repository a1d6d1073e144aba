// quorvafix_screenshot [--fix] REGISTRY_FILE OUT.png: runs the program on
// REGISTRY_FILE, chooses Tools > Detect QUORVA Bug (with --fix, Tools > Fix
// QUORVA Bluetooth Bug, then OK in the outcome box), saves the window to
// OUT.png and quits: on a display, as it shows there, with the frame and
// title bar its window manager gives it; on the offscreen platform, as Qt
// grabs the widget. Used by scripts/screenshot.sh under Xvfb and a window
// manager; exits 1 when the picture could not be made.
#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/qt/qt_platform.h"
#include "shell/desktop_program.h"
#include "shell/display_text.h"
#include "shell/testing/desktop_test_support.h"

namespace {

// Clicks OK in the open outcome box; false while none is shown.
bool CloseOutcomeBox() {
  auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
  if (box == nullptr || !box->isVisible()) return false;
  QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const bool fix = argc == 4 && std::strcmp(argv[1], "--fix") == 0;
  if (argc != (fix ? 4 : 3)) {
    std::fprintf(stderr, "usage: quorvafix_screenshot [--fix] REGISTRY_FILE OUT.png\n");
    return 2;
  }
  const char* registry = argv[argc - 2];
  int qt_argc = 1;
  QtPlatform platform(qt_argc, argv);
  const QString out = QString::fromLocal8Bit(argv[argc - 1]);
  // The report line that shows the command has run.
  const std::string shown = fix ? "FIXED!" : "Dll:";
  bool saved = false;
  StepDriver driver;
  driver.Add("screen", [] { return ProgramScreen() != nullptr; });
  driver.Add("open Tools", [] {
    OpenToolsMenu();
    return true;
  });
  if (fix) {
    driver.Add("Fix", [] { return ChooseMenuItem(QStringLiteral("Fix QUORVA Bluetooth Bug")); });
    driver.Add("outcome box", CloseOutcomeBox);
    driver.Add("no modal box", [] { return QApplication::activeModalWidget() == nullptr; });
  } else {
    driver.Add("Detect", [] { return ChooseMenuItem(QStringLiteral("Detect QUORVA Bug")); });
  }
  driver.Add("report",
             [&shown] { return std::string(DisplayText.CStr()).find(shown) != std::string::npos; });
  driver.Add("grab", [&] {
    QWidget* screen = ProgramScreen();
    screen->repaint();
    QApplication::processEvents();
    const QRect frame = screen->frameGeometry();
    QPixmap picture =
        screen->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    if (picture.isNull()) picture = screen->grab();
    saved = picture.save(out);
    return true;
  });
  driver.Add("quit", [] {
    QTest::keyClick(ProgramScreen(), Qt::Key_Q, Qt::ControlModifier);
    return true;
  });
  driver.Start();
  const char* program_argv[] = {"quorvafix", registry, nullptr};
  int code = RunQuorvafix(2, program_argv);
  return code == 0 && saved ? 0 : 1;
}
