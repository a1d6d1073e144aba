// quorvafix: the handheld program on the desktop (Qt).
#include <cstdio>

#include "platform/qt/qt_platform.h"
#include "shell/desktop_options.h"
#include "shell/desktop_program.h"

int main(int argc, char** argv) {
  // --help and --version need no display: they are answered before Qt starts.
  int answered = AnswerDesktopOptions(argc, argv, QUORVAFIX_VERSION, stdout, stderr);
  if (answered >= 0) return answered;
  QtPlatform platform(argc, argv);
  return RunQuorvafix(argc, argv);
}
