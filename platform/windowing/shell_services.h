// The handheld shell's services: the menu bar at the bottom of the screen,
// the activation and setting-change routines that keep the input panel and
// full-screen state in step with a window, and the dialog initialiser. The
// process installs one ShellServices (the Qt backend or the scripted
// stand-in); the free functions forward to it. Records are the caller's and
// are only read or written during the call; their layouts are the handheld's.
#pragma once

#include <cstdint>

#include "platform/windowing/window_manager.h"

// The handheld's screen in pixels: the top bar above the work area, and the
// shell's menu bar, which covers the bottom of the work area.
constexpr int TOP_BAR_HEIGHT = 26;
constexpr int MENU_BAR_HEIGHT = 26;

// The record SHCreateMenuBar reads; size must be 36.
struct MenuBarInfo {
  uint32_t size;
  WindowHandle parent;
  uint32_t flags;           // must be 0: no extra features
  uint32_t menu_bar_id;     // the menu-bar template to build
  InstanceHandle instance;  // where the template, its menu and labels live
  uint32_t bitmap_id;       // images for buttons: 0, none
  uint32_t bitmap_count;
  WindowHandle menu_bar;  // out: the menu bar made
  uint32_t background;    // 0x00BBGGRR; ignored: the bar uses the system colour
};
static_assert(sizeof(MenuBarInfo) == 36, "the menu-bar record is 36 bytes");

// The state the activation routines keep per window; size must be 12.
constexpr uint32_t SHA_SIP_UP = 0x1;               // the input panel is up
constexpr uint32_t SHA_SIP_ON_DEACTIVATION = 0x2;  // it was up when the window lost activation
constexpr uint32_t SHA_ACTIVE = 0x4;               // the window is active
struct ActivateInfo {
  uint32_t size;
  WindowHandle last_focus;  // the window active before the last activation change
  uint32_t flags;           // SHA_*
};
static_assert(sizeof(ActivateInfo) == 12, "the activation record is three 32-bit words");

// The record SHInitDialog reads.
constexpr uint32_t SHIDIM_FLAGS = 0x1;              // mask: the flags field is valid
constexpr uint32_t SHIDIF_DONEBUTTON = 0x1;         // the caption's OK button ends the dialog
constexpr uint32_t SHIDIF_SIZEDLGFULLSCREEN = 0x4;  // the dialog covers its owner's area
constexpr uint32_t SHIDIF_SIPDOWN = 0x8;            // the input panel goes down
struct InitDialogInfo {
  uint32_t mask;
  WindowHandle dialog;
  uint32_t flags;
};
static_assert(sizeof(InitDialogInfo) == 12, "the dialog-initialiser record is 12 bytes");

class ShellServices {
 public:
  virtual ~ShellServices() = default;

  // Builds the menu bar of template info->menu_bar_id below info->parent:
  // one button per template entry, each opening its popup of the template's
  // menu; a chosen item posts WM_COMMAND (item id) to the parent. Stores the
  // bar's handle in info->menu_bar. False (and menu_bar 0) for a null record,
  // a size other than 36, an unknown parent or template.
  virtual bool SHCreateMenuBar(MenuBarInfo* info) = 0;
  // Keeps info in step with a WM_ACTIVATE of window (its wparam and lparam);
  // flags must be 0. False for a null record or a size other than 12.
  virtual bool SHHandleWMActivate(WindowHandle window, WordParam wparam, LongParam lparam,
                                  ActivateInfo* info, uint32_t flags) = 0;
  // Keeps info and the window's full-screen placement in step with a
  // WM_SETTINGCHANGE of window. False for a null record or a size other than 12.
  virtual bool SHHandleWMSettingChange(WindowHandle window, WordParam wparam, LongParam lparam,
                                       ActivateInfo* info) = 0;
  // Applies info->flags (when the mask has SHIDIM_FLAGS) to dialog info->dialog.
  // False for a null record or a window that is no running dialog.
  virtual bool SHInitDialog(InitDialogInfo* info) = 0;
};

// The record-keeping both backends share: activation and input-panel state.
// A desktop has no input panel, so SHA_SIP_UP is always clear here.
class ShellServicesBase : public ShellServices {
 public:
  // On activation sets SHA_ACTIVE and remembers the window that lost it
  // (lparam); on WA_INACTIVE clears SHA_ACTIVE and stores the input-panel state
  // in SHA_SIP_ON_DEACTIVATION.
  bool SHHandleWMActivate(WindowHandle window, WordParam wparam, LongParam lparam,
                          ActivateInfo* info, uint32_t flags) override;
  // For SPI_SETSIPINFO refreshes SHA_SIP_UP; other settings leave the record
  // alone. Placement is the backend's (see its header).
  bool SHHandleWMSettingChange(WindowHandle window, WordParam wparam, LongParam lparam,
                               ActivateInfo* info) override;
};

// Makes services the one behind the functions below (not owned; null uninstalls).
void InstallShellServices(ShellServices* services);
ShellServices* InstalledShellServices();

// The shell API; with no services installed each returns false.
bool SHCreateMenuBar(MenuBarInfo* info);
bool SHHandleWMActivate(WindowHandle window, WordParam wparam, LongParam lparam, ActivateInfo* info,
                        uint32_t flags);
bool SHHandleWMSettingChange(WindowHandle window, WordParam wparam, LongParam lparam,
                             ActivateInfo* info);
bool SHInitDialog(InitDialogInfo* info);
