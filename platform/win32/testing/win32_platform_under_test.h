// The Win32 backend as the platform conformance suite drives it, under Wine
// in the Windows build: the whole Win32Platform with a private
// HKEY_CURRENT_USER (the profile's registry keys are the test's own),
// acting as the user on the system's boxes, template dialogs and open-file
// dialog from a thread timer that ticks inside their modal loops, and as
// Explorer with real WM_DROPFILES on frames that accept files.
#pragma once

#include <memory>

#include "platform/win32/testing/win32_user_calls.h"
#include "platform/win32/win32_platform.h"
#include "platform/windowing/testing/platform_under_test.h"

class Win32PlatformUnderTest : public PlatformUnderTest {
 public:
  Win32PlatformUnderTest();
  ~Win32PlatformUnderTest() override;

  void AnswerNextMessageBox() override;
  ShownBox LastAnsweredBox() const override { return shown_; }
  void CloseNextDialog() override;
  void AnswerNextOpenFile(const std::u16string& path) override;
  void DropFiles(WindowHandle window, const std::vector<std::u16string>& paths) override;
  // Finds the item in the frame's menu and sends what Windows sends when
  // it is chosen.
  bool ChooseMenuItem(WindowHandle window, const std::u16string& label) override;
  std::u16string ClipboardText() override;
  void PumpEvents(int milliseconds) override;

 private:
  win32_testing::PrivateCurrentUser user_;
  std::unique_ptr<Win32Platform> platform_;
  std::unique_ptr<win32_testing::ThreadTicker> ticker_;
  PendingAnswers answers_;
  ShownBox shown_;
};
