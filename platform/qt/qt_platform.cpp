#include "platform/qt/qt_platform.h"

#include <QApplication>

#include "platform/qt/qt_accessible.h"
#include "platform/qt/qt_desktop_services.h"
#include "platform/qt/qt_shell_services.h"
#include "platform/qt/qt_window_manager.h"

struct QtPlatform::Parts {
  Parts(int& argc, char** argv) : application(argc, argv), shell(windows), desktop(windows) {}

  QApplication application;
  QtWindowManager windows;
  QtShellServices shell;
  QtDesktopServices desktop;
};

QtPlatform::QtPlatform(int& argc, char** argv) : parts_(std::make_unique<Parts>(argc, argv)) {
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setApplicationName(QStringLiteral("quorvafix"));
  InstallAccessibleObjects();
  InstallWindowManager(&parts_->windows);
  InstallShellServices(&parts_->shell);
  InstallDesktopServices(&parts_->desktop);
}

QtPlatform::~QtPlatform() {
  InstallDesktopServices(nullptr);
  InstallShellServices(nullptr);
  InstallWindowManager(nullptr);
}

QtWindowManager& QtPlatform::Windows() { return parts_->windows; }
