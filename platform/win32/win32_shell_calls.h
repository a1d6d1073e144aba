// The user32 calls behind Win32ShellServices, in plain types, so that the
// services' code never meets windows.h, whose macros take the names of the
// window manager's own functions and constants. Windows only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/win32_handles.h"

namespace win32 {

// One command of a popup: its text as Windows shows it, the label and, when
// the command has a key, a tab and the key ("Open...\tCtrl+O").
struct MenuCommand {
  uint16_t id;
  std::u16string text;
};

// One entry of a menu bar: a popup of commands, or (no commands) a command
// of its own.
struct MenuBarEntry {
  std::u16string label;
  uint16_t command;
  bool enabled;
  std::vector<MenuCommand> commands;
};

// A menu bar (CreateMenu) holding the entries in order; null when the system
// cannot make it. The caller puts it on a frame or destroys it.
HMENU CreateMenuBar(const std::vector<MenuBarEntry>& entries);
void DestroyMenu(HMENU menu);

}  // namespace win32
