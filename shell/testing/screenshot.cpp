// quorvafix_screenshot REGISTRY_FILE OUT.png: runs the program on
// REGISTRY_FILE, chooses Tools > Detect QUORVA Bug, saves the screen as Qt
// grabs it to OUT.png and quits. Used by scripts/screenshot.sh under the
// offscreen platform; exits 1 when the picture could not be made.
#include <QImage>
#include <QPixmap>
#include <QTest>
#include <cstdio>
#include <string>

#include "platform/qt/qt_platform.h"
#include "shell/desktop_program.h"
#include "shell/testing/desktop_test_support.h"
#include "shell/display_text.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: quorvafix_screenshot REGISTRY_FILE OUT.png\n");
    return 2;
  }
  int qt_argc = 1;
  QtPlatform platform(qt_argc, argv);
  const QString out = QString::fromLocal8Bit(argv[2]);
  bool saved = false;
  StepDriver driver;
  driver.Add("screen", [] { return ProgramScreen() != nullptr; });
  driver.Add("open Tools", [] {
    OpenToolsMenu();
    return true;
  });
  driver.Add("Detect", [] { return ChooseMenuItem(QStringLiteral("Detect QUORVA Bug")); });
  driver.Add("report", [] { return std::string(DisplayText.CStr()).find("Dll:") != std::string::npos; });
  driver.Add("grab", [&] {
    ProgramScreen()->repaint();
    saved = ProgramScreen()->grab().save(out);
    return true;
  });
  driver.Add("quit", [] {
    QTest::keyClick(ProgramScreen(), Qt::Key_Q, Qt::ControlModifier);
    return true;
  });
  driver.Start();
  const char* program_argv[] = {"quorvafix", argv[1], nullptr};
  int code = RunQuorvafix(2, program_argv);
  return code == 0 && saved ? 0 : 1;
}
