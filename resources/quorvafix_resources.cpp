#include "resources/quorvafix_resources.h"

#include "resources/resource_ids.h"

namespace {

#include "resources/quorvafix-16.xpm"
#include "resources/quorvafix-32.xpm"

template <typename T, int N>
constexpr int CountOf(const T (&)[N]) {
  return N;
}

constexpr StringResource kStrings[] = {
    {IDS_APP_TITLE, u"QUORVAFIX"},
    {IDS_WINDOW_CLASS, u"QUORVAFIX"},
    {IDS_TOOLS, u"Tools"},
};

constexpr MenuItemResource kToolsItems[] = {
    {IDM_ABOUT, u"About..."},
    {IDM_OPEN, u"Open Registry Export..."},
    {IDM_DETECT, u"Detect QUORVA Bug"},
    {IDM_FIX, u"Fix QUORVA Bluetooth Bug"},
    {IDM_EXIT, u"Exit", 1},  // command 1 closes the window as Exit does
};

constexpr PopupResource kMenuPopups[] = {{u"Tools", kToolsItems, CountOf(kToolsItems)}};

constexpr MenuResource kMenus[] = {{IDM_MENU, kMenuPopups, CountOf(kMenuPopups)}};

constexpr MenuBarButtonResource kMenuBarButtons[] = {
    {I_IMAGENONE, IDM_TOOLS, TBSTATE_ENABLED, TBSTYLE_DROPDOWN | TBSTYLE_AUTOSIZE, IDS_TOOLS, 0},
};

constexpr MenuBarTemplate kMenuBars[] = {
    {IDM_MENU, IDM_MENU, kMenuBarButtons, CountOf(kMenuBarButtons)},
};

// Ctrl+Q sends command 1, the close command the OK/Done button also sends.
constexpr AcceleratorResource kAcceleratorEntries[] = {
    {FVIRTKEY | FCONTROL, 'A', IDM_ABOUT},
    {FVIRTKEY | FCONTROL, 'Q', 1},
    {FVIRTKEY | FCONTROL, 'O', IDM_OPEN},
};

constexpr AcceleratorTable kAccelerators[] = {
    {IDC_QUORVAFIX, kAcceleratorEntries, CountOf(kAcceleratorEntries)},
};

constexpr DialogControlResource kAboutControls[] = {
    {DialogControlKind::Icon, nullptr, IDI_QUORVAFIX, IDC_STATIC, SS_ICON, 11, 17, 20, 20},
    {DialogControlKind::Text, u"QUORVAFIX Version 1.0", 0, IDC_STATIC, SS_LEFT | WS_GROUP, 40, 10,
     70, 8},
    {DialogControlKind::Text, u"(c) Harbelt TEAM, S.L.", 0, IDC_STATIC, SS_LEFT | WS_GROUP, 40,
     25, 70, 8},
};

constexpr DialogTemplate kDialogs[] = {
    {IDD_ABOUTBOX, WS_POPUP | WS_CAPTION | DS_SETFONT, WS_EX_CAPTIONOKBTN, 0, 0, 140, 57,
     u"About QUORVAFIX", 8, u"System", kAboutControls, CountOf(kAboutControls)},
};

constexpr IconImageResource kIconImages[] = {
    {32, 32, 16, quorvafix_32_xpm, CountOf(quorvafix_32_xpm)},
    {16, 16, 16, quorvafix_16_xpm, CountOf(quorvafix_16_xpm)},
};

constexpr IconGroupResource kIcons[] = {{IDI_QUORVAFIX, kIconImages, CountOf(kIconImages)}};

constexpr ResourceModule kModule = {
    kStrings,      CountOf(kStrings),      kMenus,   CountOf(kMenus),   kMenuBars,
    CountOf(kMenuBars), kAccelerators, CountOf(kAccelerators), kDialogs, CountOf(kDialogs),
    kIcons,        CountOf(kIcons),
};

}  // namespace

const ResourceModule& QuorvafixResources() { return kModule; }

InstanceHandle QuorvafixInstance() {
  static const InstanceHandle instance = InstallResourceModule(&kModule);
  return instance;
}
