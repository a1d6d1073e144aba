// quorvafix: the handheld program on the desktop (Qt).
#include "platform/qt/qt_platform.h"
#include "shell/desktop_program.h"

int main(int argc, char** argv) {
  QtPlatform platform(argc, argv);
  return RunQuorvafix(argc, argv);
}
