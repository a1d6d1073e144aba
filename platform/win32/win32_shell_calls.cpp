#include "platform/win32/win32_shell_calls.h"

#include <windows.h>

namespace win32 {

namespace {

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

}  // namespace

HMENU CreateMenuBar(const std::vector<MenuBarEntry>& entries) {
  HMENU bar = ::CreateMenu();
  if (bar == nullptr) return nullptr;
  for (const MenuBarEntry& entry : entries) {
    const UINT state = entry.enabled ? MF_ENABLED : MF_GRAYED;
    bool added;
    if (entry.commands.empty()) {
      added = ::AppendMenuW(bar, MF_STRING | state, entry.command, Wide(entry.label));
    } else {
      HMENU popup = ::CreatePopupMenu();
      added = popup != nullptr;
      for (const MenuCommand& command : entry.commands) {
        added = added && ::AppendMenuW(popup, MF_STRING, command.id, Wide(command.text));
      }
      added = added && ::AppendMenuW(bar, MF_POPUP | state, reinterpret_cast<UINT_PTR>(popup),
                                     Wide(entry.label));
      if (!added && popup != nullptr) ::DestroyMenu(popup);
    }
    if (!added) {
      ::DestroyMenu(bar);
      return nullptr;
    }
  }
  return bar;
}

void DestroyMenu(HMENU menu) { ::DestroyMenu(menu); }

}  // namespace win32
