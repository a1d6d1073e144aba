// The shapes of a program's resources (strings, menus, menu-bar templates,
// accelerators, dialog templates, icons) as constant data the platform loads by
// number. A module's tables are static and live for the whole process; nothing
// here owns or copies them. Texts are UTF-16, as the window manager takes them.
#pragma once

#include <cstdint>

// Where a control or a dialog has no identifier of its own.
constexpr uint16_t IDC_STATIC = 0xFFFF;

struct StringResource {
  uint16_t id;
  const char16_t* text;
};

// One command of a popup menu. A menu shows beside an item the key of the
// accelerator that sends its command, or else the one that sends same_as (a
// command the program handles exactly as this one; 0: none). An item marked
// windows_only belongs to the menu of the Windows backend alone (a command
// that needs what only Windows offers); the other backends leave it out.
struct MenuItemResource {
  uint16_t command;
  const char16_t* text;
  uint16_t same_as = 0;
  bool windows_only = false;
};

// One popup of a menu: its label and its items, in menu order.
struct PopupResource {
  const char16_t* text;
  const MenuItemResource* items;
  int item_count;
};

struct MenuResource {
  uint16_t id;
  const PopupResource* popups;
  int popup_count;
};

// Menu-bar button fields, as the handheld's menu-bar template lists them.
constexpr int16_t I_IMAGENONE = -2;
constexpr uint8_t TBSTATE_ENABLED = 0x04;
constexpr uint8_t TBSTYLE_DROPDOWN = 0x08;
constexpr uint8_t TBSTYLE_AUTOSIZE = 0x10;

struct MenuBarButtonResource {
  int16_t image;          // I_IMAGENONE: a text-only button
  uint16_t command;       // sent when the button itself is pressed
  uint8_t state;          // TBSTATE_*
  uint8_t style;          // TBSTYLE_*
  uint16_t label_string;  // string resource holding the label
  uint16_t submenu;       // index of the popup (of the template's menu) it opens
};

// A menu bar: its buttons and the menu whose popups they open.
struct MenuBarTemplate {
  uint16_t id;
  uint16_t menu;
  const MenuBarButtonResource* buttons;
  int button_count;
};

// Accelerator flags: FVIRTKEY makes key a virtual-key code ('A'..'Z' for letters).
constexpr uint8_t FVIRTKEY = 0x01;
constexpr uint8_t FSHIFT = 0x04;
constexpr uint8_t FCONTROL = 0x08;
constexpr uint8_t FALT = 0x10;

struct AcceleratorResource {
  uint8_t flags;
  uint16_t key;
  uint16_t command;
};

struct AcceleratorTable {
  uint16_t id;
  const AcceleratorResource* entries;
  int entry_count;
};

// Window styles used by templates and by window creation.
constexpr uint32_t WS_POPUP = 0x80000000u;
constexpr uint32_t WS_VISIBLE = 0x10000000u;
constexpr uint32_t WS_CAPTION = 0x00C00000u;
constexpr uint32_t WS_GROUP = 0x00020000u;
constexpr uint32_t DS_SETFONT = 0x00000040u;
// Extended style: the dialog carries an OK button in its caption.
constexpr uint32_t WS_EX_CAPTIONOKBTN = 0x80000000u;
// Static-control styles.
constexpr uint32_t SS_LEFT = 0x00000000u;
constexpr uint32_t SS_ICON = 0x00000003u;

enum class DialogControlKind : uint8_t { Text, Icon };

// One control of a dialog template; geometry in dialog units.
struct DialogControlResource {
  DialogControlKind kind;
  const char16_t* text;  // Text: the label; Icon: null
  uint16_t icon;         // Icon: the icon group shown; Text: 0
  uint16_t id;           // IDC_STATIC when the control has no identifier
  uint32_t style;
  int16_t x, y, width, height;
};

struct DialogTemplate {
  uint16_t id;
  uint32_t style;
  uint32_t ex_style;
  int16_t x, y, width, height;  // dialog units
  const char16_t* caption;
  uint16_t font_points;
  const char16_t* font_face;
  const DialogControlResource* controls;
  int control_count;
};

// One image of an icon group, as XPM text (header line, colour lines, rows).
struct IconImageResource {
  int width;
  int height;
  int colours;
  const char* const* xpm;
  int xpm_lines;
};

struct IconGroupResource {
  uint16_t id;
  const IconImageResource* images;
  int image_count;
};

// Everything one program carries; empty tables have a null pointer and count 0.
struct ResourceModule {
  const StringResource* strings;
  int string_count;
  const MenuResource* menus;
  int menu_count;
  const MenuBarTemplate* menu_bars;
  int menu_bar_count;
  const AcceleratorTable* accelerators;
  int accelerator_count;
  const DialogTemplate* dialogs;
  int dialog_count;
  const IconGroupResource* icons;
  int icon_count;
};
