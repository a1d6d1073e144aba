#include "resources/testing/win32_resource_calls.h"

#include <windows.h>

namespace {

std::u16string Text(const wchar_t* text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text));
}

}  // namespace

std::u16string LoadedString(uint16_t id) {
  wchar_t buffer[256];
  int length = ::LoadStringW(::GetModuleHandleW(nullptr), id, buffer, 256);
  return length > 0 ? Text(buffer) : std::u16string();
}

std::vector<LoadedMenuItem> LoadedMenuItems(uint16_t id) {
  std::vector<LoadedMenuItem> items;
  HMENU menu = ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id));
  if (menu == nullptr) return items;
  wchar_t text[256];
  for (int p = 0; p < ::GetMenuItemCount(menu); ++p) {
    ::GetMenuStringW(menu, static_cast<UINT>(p), text, 256, MF_BYPOSITION);
    const std::u16string popup_text = Text(text);
    HMENU popup = ::GetSubMenu(menu, p);
    for (int i = 0; popup != nullptr && i < ::GetMenuItemCount(popup); ++i) {
      ::GetMenuStringW(popup, static_cast<UINT>(i), text, 256, MF_BYPOSITION);
      items.push_back({popup_text, Text(text), ::GetMenuItemID(popup, i)});
    }
  }
  ::DestroyMenu(menu);
  return items;
}

std::vector<LoadedAccelerator> LoadedAccelerators(uint16_t id) {
  std::vector<LoadedAccelerator> entries;
  HACCEL table = ::LoadAcceleratorsW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id));
  if (table == nullptr) return entries;
  ACCEL accel[64];
  int count = ::CopyAcceleratorTableW(table, accel, 64);
  for (int i = 0; i < count; ++i) {
    entries.push_back({static_cast<uint8_t>(accel[i].fVirt & ~0x80), accel[i].key, accel[i].cmd});
  }
  ::DestroyAcceleratorTable(table);
  return entries;
}

std::u16string LoadedDialogCaption(uint16_t id) {
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));  // RT_DIALOG
  if (found == nullptr) return std::u16string();
  const WORD* data = static_cast<const WORD*>(::LockResource(::LoadResource(module, found)));
  // DLGTEMPLATEEX: dlgVer, signature, helpID, exStyle, style, cDlgItems, x, y, cx, cy,
  // then the menu, class and title as sz_Or_Ord.
  const WORD* p = data + 13;
  for (int field = 0; field < 2; ++field) {
    if (*p == 0xFFFF) {
      p += 2;
    } else {
      while (*p != 0) ++p;
      ++p;
    }
  }
  return Text(reinterpret_cast<const wchar_t*>(p));
}

int LoadedIconWidth(uint16_t id, int size) {
  HICON icon = static_cast<HICON>(
      ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
  if (icon == nullptr) return 0;
  ICONINFO info;
  int width = 0;
  if (::GetIconInfo(icon, &info)) {
    BITMAP bitmap;
    if (::GetObjectW(info.hbmMask, sizeof bitmap, &bitmap)) width = bitmap.bmWidth;
    if (info.hbmColor) ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
  }
  ::DestroyIcon(icon);
  return width;
}
