#include "platform/win32/win32_platform.h"

#include "platform/win32/win32_desktop_services.h"
#include "platform/win32/win32_shell_services.h"
#include "platform/win32/win32_window_manager.h"

struct Win32Platform::Parts {
  Parts() : shell(windows), desktop(windows) {}

  Win32WindowManager windows;
  Win32ShellServices shell;
  Win32DesktopServices desktop;
};

Win32Platform::Win32Platform() : parts_(std::make_unique<Parts>()) {
  InstallWindowManager(&parts_->windows);
  InstallShellServices(&parts_->shell);
  InstallDesktopServices(&parts_->desktop);
}

Win32Platform::~Win32Platform() {
  InstallDesktopServices(nullptr);
  InstallShellServices(nullptr);
  InstallWindowManager(nullptr);
}
