#include "platform/win32/testing/win32_platform_under_test.h"

#include "platform/win32/testing/win32_service_readback.h"
#include "platform/win32/testing/win32_test_calls.h"
#include "platform/win32/win32_window_manager.h"

namespace {

// The installed manager: the platform's own.
Win32WindowManager& Windows() {
  return *static_cast<Win32WindowManager*>(InstalledWindowManager());
}

}  // namespace

Win32PlatformUnderTest::Win32PlatformUnderTest() : platform_(std::make_unique<Win32Platform>()) {
  ticker_ = std::make_unique<win32_testing::ThreadTicker>(10, [this] { answers_.Tick(); });
}

Win32PlatformUnderTest::~Win32PlatformUnderTest() {
  ticker_.reset();
  platform_.reset();
}

void Win32PlatformUnderTest::AnswerNextMessageBox() {
  answers_.Add([this] {
    for (HWND dialog : win32_testing::ShownDialogs()) {
      // Neither a template dialog of the manager's nor the open-file dialog.
      if (Windows().WindowOf(dialog) != 0 || win32_testing::IsOpenFileDialog(dialog)) continue;
      shown_ = ShownBox{win32_testing::StaticTexts(dialog), win32_testing::TitleOf(dialog)};
      win32_testing::PressOk(dialog);
      return true;
    }
    return false;
  });
}

void Win32PlatformUnderTest::CloseNextDialog() {
  answers_.Add([] {
    for (HWND dialog : win32_testing::ShownDialogs()) {
      if (Windows().WindowOf(dialog) == 0) continue;
      win32_testing::PressClose(dialog);
      return true;
    }
    return false;
  });
}

void Win32PlatformUnderTest::AnswerNextOpenFile(const std::u16string& path) {
  answers_.Add([path] {
    for (HWND dialog : win32_testing::ShownDialogs()) {
      if (!win32_testing::IsOpenFileDialog(dialog)) continue;
      win32_testing::ChooseFile(dialog, path);
      return true;
    }
    return false;
  });
}

void Win32PlatformUnderTest::DropFiles(WindowHandle window,
                                       const std::vector<std::u16string>& paths) {
  // Explorer drops only on a window that takes files.
  HWND frame = Windows().NativeWindow(window);
  if (frame != nullptr && AcceptsFiles(frame)) SendDrop(frame, paths);
}

bool Win32PlatformUnderTest::ChooseMenuItem(WindowHandle window, const std::u16string& label) {
  HWND frame = Windows().NativeWindow(window);
  return frame != nullptr && win32_testing::ChooseFrameMenuItem(frame, label);
}

std::u16string Win32PlatformUnderTest::ClipboardText() { return ClipboardUnicodeText(); }

void Win32PlatformUnderTest::PumpEvents(int milliseconds) { win32_testing::PumpFor(milliseconds); }
