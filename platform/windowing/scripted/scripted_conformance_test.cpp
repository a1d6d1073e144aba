// The platform conformance suite on the scripted stand-in. The stand-in's
// own ways stand for the user and the desktop: a scripted step answers a
// dialog when its modal loop waits, its desktop services choose the file and
// keep the clipboard, and a drop is posted to the window that accepts files.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/windowing/scripted/scripted_desktop_services.h"
#include "platform/windowing/scripted/scripted_shell_services.h"
#include "platform/windowing/scripted/scripted_window_manager.h"
#include "platform/windowing/testing/platform_conformance.h"

namespace {

// The stand-in, keeping what the binding must know of its boxes, dialogs
// and windows.
class ConformanceWindows : public ScriptedWindowManager {
 public:
  int MessageBox(WindowHandle owner, const char16_t* text, const char16_t* caption,
                 uint32_t type) override {
    shown_ = {text == nullptr ? u"" : text, caption == nullptr ? u"" : caption};
    return ScriptedWindowManager::MessageBox(owner, text, caption, type);
  }
  intptr_t DialogBoxParam(InstanceHandle instance, uint32_t template_id, WindowHandle owner,
                          DialogProcedure procedure, LongParam parameter) override {
    running_.push_back(FindDialogTemplate(instance, template_id));
    intptr_t result =
        ScriptedWindowManager::DialogBoxParam(instance, template_id, owner, procedure, parameter);
    running_.pop_back();
    return result;
  }
  WindowHandle CreateWindowEx(uint32_t ex_style, const char16_t* class_name, const char16_t* title,
                              uint32_t style, int32_t x, int32_t y, int32_t width, int32_t height,
                              WindowHandle parent, uint32_t menu, InstanceHandle instance,
                              const void* creation_data) override {
    WindowHandle window =
        ScriptedWindowManager::CreateWindowEx(ex_style, class_name, title, style, x, y, width,
                                              height, parent, menu, instance, creation_data);
    if (window != 0) made_.push_back(window);
    return window;
  }

  // Paints every live window that is shown and invalid, as the stand-in
  // does whenever the program waits.
  void PaintInvalidWindows() {
    for (WindowHandle window : made_) {
      if (IsWindow(window) && IsVisible(window) && IsInvalid(window)) UpdateWindow(window);
    }
  }
  // Whether the innermost running dialog's template has the caption's OK.
  bool RunningDialogHasCaptionOk() const {
    return !running_.empty() && running_.back() != nullptr &&
           (running_.back()->ex_style & WS_EX_CAPTIONOKBTN) != 0;
  }
  const PlatformUnderTest::ShownBox& Shown() const { return shown_; }

 private:
  PlatformUnderTest::ShownBox shown_;
  std::vector<const DialogTemplate*> running_;
  std::vector<WindowHandle> made_;
};

// The shell services, keeping which dialogs SHInitDialog gave a Done button.
class ConformanceShell : public ScriptedShellServices {
 public:
  explicit ConformanceShell(ScriptedWindowManager& windows) : ScriptedShellServices(windows) {}
  bool SHInitDialog(InitDialogInfo* info) override {
    bool applied = ScriptedShellServices::SHInitDialog(info);
    if (applied && (info->mask & SHIDIM_FLAGS) && (info->flags & SHIDIF_DONEBUTTON)) {
      done_button_.push_back(info->dialog);
    }
    return applied;
  }
  bool HasDoneButton(WindowHandle dialog) const {
    for (WindowHandle d : done_button_) {
      if (d == dialog) return true;
    }
    return false;
  }

 private:
  std::vector<WindowHandle> done_button_;
};

class ScriptedPlatformUnderTest : public PlatformUnderTest {
 public:
  ScriptedPlatformUnderTest() {
    InstallWindowManager(&windows_);
    InstallShellServices(&shell_);
    InstallDesktopServices(&desktop_);
  }
  ~ScriptedPlatformUnderTest() override {
    InstallDesktopServices(nullptr);
    InstallShellServices(nullptr);
    InstallWindowManager(nullptr);
  }

  // Every box is answered with OK at once.
  void AnswerNextMessageBox() override {}
  ShownBox LastAnsweredBox() const override { return windows_.Shown(); }

  void CloseNextDialog() override {
    windows_.Then([this] {
      WindowHandle dialog = windows_.NewestWindow();
      bool ok = windows_.RunningDialogHasCaptionOk() || shell_.HasDoneButton(dialog);
      windows_.SendMessage(dialog, WM_COMMAND, ok ? IDOK : IDCANCEL, 0);
    });
  }
  void AnswerNextOpenFile(const std::u16string& path) override { desktop_.ChooseFile(path); }
  void DropFiles(WindowHandle window, const std::vector<std::u16string>& paths) override {
    if (window != 0 && desktop_.DropTarget() == window) {
      windows_.PostMessage(window, WM_DROPFILES, MakeDrop(paths), 0);
    }
  }
  // The stand-in shows no menu a user could choose from.
  bool ChooseMenuItem(WindowHandle, const std::u16string&) override { return false; }
  std::u16string ClipboardText() override { return desktop_.Clipboard(); }
  void PumpEvents(int) override { windows_.PaintInvalidWindows(); }

 private:
  ConformanceWindows windows_;
  ConformanceShell shell_{windows_};
  ScriptedDesktopServices desktop_{windows_};
};

INSTANTIATE_TEST_SUITE_P(Scripted, PlatformConformance,
                         ::testing::Values(PlatformBackend{
                             "Scripted",
                             [] { return std::make_unique<ScriptedPlatformUnderTest>(); },
                             {
                                 // The stand-in draws nothing: its heights count line ends only.
                                 "DrawTextWordBreakWrapsAtTheRightEdge",
                                 // A thread runs on the waiting thread when waited for, so that
                                 // the order of calls is fixed: it never runs alongside a wait.
                                 "WaitForSingleObjectTimesOutWhileTheThreadRuns",
                                 // Its menu bar is a record only: nothing to choose from.
                                 "AMenuBarItemChosenPostsItsCommandToTheParent",
                             }}),
                         PlatformBackendName);

}  // namespace
