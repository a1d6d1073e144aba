// Resource loading: a program installs its ResourceModule once and receives the
// instance handle through which it, the window manager and the shell load
// resources by number. Lookups return pointers into the module's static
// tables (never owned by the caller) or null when the number is unknown.
#pragma once

#include <cstdint>

#include "platform/windowing/resource_types.h"

// A module instance; 0 is no module. Handles are 32 bits wide, as on the handheld.
using InstanceHandle = uint32_t;
using IconHandle = const IconGroupResource*;
using AcceleratorHandle = const AcceleratorTable*;

// Makes module's resources loadable and returns its instance handle (the first
// module gets 0x00010000, the next 0x00020000, ...). module must outlive every
// lookup; installing the same module twice gives two handles.
InstanceHandle InstallResourceModule(const ResourceModule* module);
// The module behind instance, or null for an unknown handle.
const ResourceModule* ModuleOf(InstanceHandle instance);

// Copies string id into buffer, cut to buffer_max - 1 units and terminated;
// returns the units copied. An unknown id or instance stores the empty text
// and returns 0; buffer_max < 1 copies nothing and returns 0.
// Example: string 1 "QUORVAFIX" with buffer_max 5 gives "QUOR" and 4.
int LoadString(InstanceHandle instance, uint32_t id, char16_t* buffer, int buffer_max);
// The icon group id, or null.
IconHandle LoadIcon(InstanceHandle instance, uint32_t id);
// The accelerator table id, or null.
AcceleratorHandle LoadAccelerators(InstanceHandle instance, uint32_t id);
const DialogTemplate* FindDialogTemplate(InstanceHandle instance, uint32_t id);
const MenuBarTemplate* FindMenuBarTemplate(InstanceHandle instance, uint32_t id);
const MenuResource* FindMenu(InstanceHandle instance, uint32_t id);
// The text of string id (static, not a copy), or null.
const char16_t* FindString(InstanceHandle instance, uint32_t id);

// Brushes are solid colours, 0x00BBGGRR as on the handheld.
struct Brush {
  uint32_t colour;
};
using BrushHandle = const Brush*;

constexpr int WHITE_BRUSH = 0;
constexpr int BLACK_BRUSH = 4;

// The stock brush `object` (WHITE_BRUSH or BLACK_BRUSH); null for any other.
BrushHandle GetStockObject(int object);
