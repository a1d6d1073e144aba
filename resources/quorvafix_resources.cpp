#include "resources/quorvafix_resources.h"

#include "resources/resource_ids.h"

namespace {

#include "resources/quorvafix-16.xpm"
#include "resources/quorvafix-32.xpm"

template <typename T, int N>
constexpr int CountOf(const T (&)[N]) {
  return N;
}

constexpr StringResource STRINGS[] = {
    {IDS_APP_TITLE, u"QUORVAFIX"},
    {IDS_WINDOW_CLASS, u"QUORVAFIX"},
    {IDS_TOOLS, u"Tools"},
};

constexpr MenuItemResource TOOLS_ITEMS[] = {
    {IDM_ABOUT, u"About..."},
    {IDM_OPEN, u"Open Registry Export..."},
    {IDM_DEVICE, u"Use Connected Handheld", 0, true},  // windows_only
    {IDM_COPY, u"Copy Report"},
    {IDM_DETECT, u"Detect QUORVA Bug"},
    {IDM_FIX, u"Fix QUORVA Bluetooth Bug"},
    {IDM_EXIT, u"Exit", 1},  // command 1 closes the window as Exit does
};

constexpr PopupResource MENU_POPUPS[] = {{u"Tools", TOOLS_ITEMS, CountOf(TOOLS_ITEMS)}};

constexpr MenuResource MENUS[] = {{IDM_MENU, MENU_POPUPS, CountOf(MENU_POPUPS)}};

constexpr MenuBarButtonResource MENU_BAR_BUTTONS[] = {
    {I_IMAGENONE, IDM_TOOLS, TBSTATE_ENABLED, TBSTYLE_DROPDOWN | TBSTYLE_AUTOSIZE, IDS_TOOLS, 0},
};

constexpr MenuBarTemplate MENU_BARS[] = {
    {IDM_MENU, IDM_MENU, MENU_BAR_BUTTONS, CountOf(MENU_BAR_BUTTONS)},
};

// Ctrl+Q sends command 1, the close command the OK/Done button also sends.
constexpr AcceleratorResource ACCELERATOR_ENTRIES[] = {
    {FVIRTKEY | FCONTROL, 'A', IDM_ABOUT},
    {FVIRTKEY | FCONTROL, 'Q', 1},
    {FVIRTKEY | FCONTROL, 'O', IDM_OPEN},
    {FVIRTKEY | FCONTROL, 'C', IDM_COPY},
};

constexpr AcceleratorTable ACCELERATORS[] = {
    {IDC_QUORVAFIX, ACCELERATOR_ENTRIES, CountOf(ACCELERATOR_ENTRIES)},
};

constexpr DialogControlResource ABOUT_CONTROLS[] = {
    {DialogControlKind::Icon, nullptr, IDI_QUORVAFIX, IDC_STATIC, SS_ICON, 11, 17, 20, 20},
    {DialogControlKind::Text, u"QUORVAFIX Version 1.0", 0, IDC_STATIC, SS_LEFT | WS_GROUP, 40, 10,
     70, 8},
    {DialogControlKind::Text, u"(c) Harbelt TEAM, S.L.", 0, IDC_STATIC, SS_LEFT | WS_GROUP, 40, 25,
     70, 8},
};

constexpr DialogTemplate DIALOGS[] = {
    {IDD_ABOUTBOX, WS_POPUP | WS_CAPTION | DS_SETFONT, WS_EX_CAPTIONOKBTN, 0, 0, 140, 57,
     u"About QUORVAFIX", 8, u"System", ABOUT_CONTROLS, CountOf(ABOUT_CONTROLS)},
};

constexpr IconImageResource ICON_IMAGES[] = {
    {32, 32, 16, quorvafix_32_xpm, CountOf(quorvafix_32_xpm)},
    {16, 16, 16, quorvafix_16_xpm, CountOf(quorvafix_16_xpm)},
};

constexpr IconGroupResource ICONS[] = {{IDI_QUORVAFIX, ICON_IMAGES, CountOf(ICON_IMAGES)}};

constexpr ResourceModule MODULE = {
    STRINGS,      CountOf(STRINGS),      MENUS,   CountOf(MENUS),   MENU_BARS, CountOf(MENU_BARS),
    ACCELERATORS, CountOf(ACCELERATORS), DIALOGS, CountOf(DIALOGS), ICONS,     CountOf(ICONS),
};

}  // namespace

const ResourceModule& QuorvafixResources() { return MODULE; }

InstanceHandle QuorvafixInstance() {
  static const InstanceHandle instance = InstallResourceModule(&MODULE);
  return instance;
}
