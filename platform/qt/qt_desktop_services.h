// The desktop services on Qt: GetOpenFileName is a modal QFileDialog over
// the screen (the handheld's filter pairs become Qt's name filters); a window
// that accepts files takes drops of local files on the screen and gets
// WM_DROPFILES posted; the profile is Qt's settings file
// $XDG_CONFIG_HOME/quorvafix/quorvafix.conf (~/.config when unset), looked up
// afresh on every call.
#pragma once

#include <QObject>
#include <memory>

#include "platform/qt/qt_window_manager.h"
#include "platform/windowing/desktop_services.h"

class QtDesktopServices : public DesktopServices {
 public:
  explicit QtDesktopServices(QtWindowManager& windows);
  ~QtDesktopServices() override;

  bool GetOpenFileName(OpenFileName* ofn) override;
  // Drops are taken on the screen, so the window must be on it already.
  bool DragAcceptFiles(WindowHandle window, bool accept) override;
  bool ReadProfileString(const std::u16string& section, const std::u16string& key,
                         std::u16string* text) override;
  bool WriteProfileString(const char16_t* section, const char16_t* key,
                          const char16_t* text) override;
  // The application's clipboard, lines ending in "\n" as a desktop's do.
  // Text selected with the mouse in owner's view goes there in place of
  // text: a desktop's Copy copies the selection when there is one.
  bool SetClipboardText(WindowHandle owner, const char16_t* text) override;

 private:
  class DropTarget;

  QtWindowManager& windows_;
  std::unique_ptr<DropTarget> drop_target_;
};
