// A backend as the platform conformance suite drives it. The suite
// (platform_conformance.h) calls the platform API itself; this interface
// holds only what a test cannot do through that API: act as the user inside
// a modal loop, act as the desktop, read what the desktop holds, and let the
// backend run its own events. Each backend does these its own real way (its
// own dialogs, drops and clipboard), never by calling the program's
// procedures directly. Standard library only, so every backend's build can
// implement it.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/windowing/window_manager.h"

class PlatformUnderTest {
 public:
  // Constructed, the backend's window manager, shell and desktop services are
  // installed (with whatever the backend needs to run them, such as its
  // application object) and the profile is private to this object: no key
  // is kept in it yet, and nothing kept in it outlives the object. Destroyed,
  // the three services are uninstalled.
  virtual ~PlatformUnderTest() = default;

  // The next MessageBox is answered from inside its modal loop by pressing
  // its OK button, as a user would; LastAnsweredBox then tells what it showed.
  virtual void AnswerNextMessageBox() = 0;
  struct ShownBox {
    std::u16string text;
    std::u16string caption;
  };
  // The text and caption of the box answered last (both empty before one).
  virtual ShownBox LastAnsweredBox() const = 0;

  // The next modal dialog (DialogBoxParam) is closed from inside its modal
  // loop by its caption's button, as a user would: its procedure gets
  // WM_COMMAND IDOK when the template has WS_EX_CAPTIONOKBTN or SHInitDialog
  // gave it SHIDIF_DONEBUTTON, IDCANCEL otherwise; the procedure decides
  // whether to end the dialog.
  virtual void CloseNextDialog() = 0;

  // The next GetOpenFileName chooses path (the full path of an existing
  // file) from inside its dialog, as a user would; an empty path cancels it.
  virtual void AnswerNextOpenFile(const std::u16string& path) = 0;

  // Drops the files at paths (full paths of existing files) on window as the
  // desktop's file manager would. The window gets WM_DROPFILES posted, before
  // DropFiles returns, only while it accepts files (DragAcceptFiles).
  virtual void DropFiles(WindowHandle window, const std::vector<std::u16string>& paths) = 0;

  // Chooses the enabled item labelled label (its text without "&" and
  // without the key shown after it) from the menu bar SHCreateMenuBar put
  // on window, as a user would, so that the bar posts the item's command;
  // false when the bar holds no such enabled item.
  virtual bool ChooseMenuItem(WindowHandle window, const std::u16string& label) = 0;

  // The Unicode text the clipboard holds (empty when it holds none).
  virtual std::u16string ClipboardText() = 0;

  // Runs the backend's own events (painting, timers, input) for about
  // milliseconds without reading the program's message queue.
  virtual void PumpEvents(int milliseconds) = 0;
};

// One backend the suite runs on: the parameter of its tests.
struct PlatformBackend {
  const char* name;  // letters and digits only: it names the instantiation
  std::function<std::unique_ptr<PlatformUnderTest>()> make;
  // Tests (their names without the instantiation's) this backend skips
  // because it differs on purpose; the backend's instantiation says why.
  std::vector<std::string> left_out = {};
};

// What a backend's binding does as the user from inside modal loops: the
// answers queued, each tried on every tick of the backend's timer until it
// says it is done, one after the other.
class PendingAnswers {
 public:
  void Add(std::function<bool()> answer) { answers_.push_back(std::move(answer)); }
  void Tick() {
    if (!answers_.empty() && answers_.front()()) answers_.pop_front();
  }

 private:
  std::deque<std::function<bool()>> answers_;
};
