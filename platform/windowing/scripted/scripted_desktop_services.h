// Desktop services without a display, for tests: each call is recorded in
// the scripted window manager's record (one line, e.g.
// "GetOpenFileName(owner 0x1004, filter "Registry exports (*.reg)|*.reg|",
// index 1, folder "/data", flags 0x1800)"); the open dialog answers with the
// path the test chose (or a cancel); the profile is held in memory. The test
// owns both objects and installs them.
#pragma once

#include <map>
#include <string>
#include <utility>

#include "platform/windowing/desktop_services.h"
#include "platform/windowing/scripted/scripted_window_manager.h"

class ScriptedDesktopServices : public DesktopServices {
 public:
  explicit ScriptedDesktopServices(ScriptedWindowManager& windows) : windows_(windows) {}

  // The next GetOpenFileName chooses path (UTF-16); without a choice it is cancelled.
  void ChooseFile(std::u16string path) { chosen_ = std::move(path); }
  // The window that accepts drops (0: none).
  WindowHandle DropTarget() const { return drop_target_; }
  // The profile as kept: "Section/Key" -> text.
  std::map<std::u16string, std::u16string>& Profile() { return profile_; }

  // Records the call, with the filter's pairs joined by '|'.
  bool GetOpenFileName(OpenFileName* ofn) override;
  bool DragAcceptFiles(WindowHandle window, bool accept) override;
  bool ReadProfileString(const std::u16string& section, const std::u16string& key,
                         std::u16string* text) override;
  bool WriteProfileString(const char16_t* section, const char16_t* key,
                          const char16_t* text) override;
  // Records the call (its text in full) and keeps the text as Clipboard().
  bool SetClipboardText(WindowHandle owner, const char16_t* text) override;
  const std::u16string& Clipboard() const { return clipboard_; }

 private:
  ScriptedWindowManager& windows_;
  std::u16string chosen_;
  WindowHandle drop_target_ = 0;
  std::map<std::u16string, std::u16string> profile_;
  std::u16string clipboard_;
};
