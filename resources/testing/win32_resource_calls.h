// Test-only: what Windows itself loads from this program's compiled
// resources (user32), in plain types, for a test that also includes the
// resource tables (whose names windows.h would redefine). Windows only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// LoadStringW; empty when there is no such string.
std::u16string LoadedString(uint16_t id);

struct LoadedMenuItem {
  std::u16string popup;
  std::u16string text;
  uint32_t command;
};
// The items of each popup of menu id (LoadMenuW), in menu order.
std::vector<LoadedMenuItem> LoadedMenuItems(uint16_t id);

struct LoadedAccelerator {
  uint8_t flags;  // FVIRTKEY, FCONTROL... as the tables number them
  uint16_t key;
  uint16_t command;
};
// The entries of accelerator table id (LoadAcceleratorsW).
std::vector<LoadedAccelerator> LoadedAccelerators(uint16_t id);

// Whether dialog id exists, with its caption (FindResourceW, RT_DIALOG).
std::u16string LoadedDialogCaption(uint16_t id);
// The size of icon id's image nearest size (LoadImageW); 0 when there is none.
int LoadedIconWidth(uint16_t id, int size);
