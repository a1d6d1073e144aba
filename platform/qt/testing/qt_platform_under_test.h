// The Qt backend as the platform conformance suite drives it, under the
// offscreen platform: the whole QtPlatform on a private runtime and
// configuration folder (its instance beacon and profile are the test's own),
// acting as the user on the real Qt dialogs and boxes from a timer that runs
// inside their modal loops, and as the desktop with real drag-and-drop
// events on the screen.
#pragma once

#include <QTemporaryDir>
#include <QTimer>
#include <memory>

#include "platform/qt/qt_platform.h"
#include "platform/windowing/testing/platform_under_test.h"

class QtPlatformUnderTest : public PlatformUnderTest {
 public:
  QtPlatformUnderTest();
  ~QtPlatformUnderTest() override;

  void AnswerNextMessageBox() override;
  ShownBox LastAnsweredBox() const override { return shown_; }
  void CloseNextDialog() override;
  void AnswerNextOpenFile(const std::u16string& path) override;
  void DropFiles(WindowHandle window, const std::vector<std::u16string>& paths) override;
  // Triggers the item's action in a drop-down of the screen's menu strip.
  bool ChooseMenuItem(WindowHandle window, const std::u16string& label) override;
  std::u16string ClipboardText() override;
  void PumpEvents(int milliseconds) override;

 private:
  QTemporaryDir folder_;
  int argc_ = 1;
  char program_[10] = "quorvafix";
  char* argv_[2] = {program_, nullptr};
  std::unique_ptr<QtPlatform> platform_;
  std::unique_ptr<QTimer> timer_;
  PendingAnswers answers_;
  ShownBox shown_;
};
