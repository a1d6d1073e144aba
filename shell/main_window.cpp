#include "shell/main_window.h"

#include <string>

#include "resources/resource_ids.h"
#include "scan/serial_scan.h"
#include "shell/about_box.h"
#include "shell/display_text.h"
#include "shell/export_commands.h"
#include "shell/registry_export.h"

InstanceHandle Instance = 0;
WindowHandle MenuBar = 0;
ActivateInfo ActivationInfo{};

namespace {

void OnCreate(WindowHandle window) {
  MenuBarInfo info{};
  info.size = sizeof(MenuBarInfo);
  info.parent = window;
  info.flags = 0;
  info.menu_bar_id = IDM_MENU;
  info.instance = Instance;
  info.bitmap_id = 0;
  info.bitmap_count = 0;
  MenuBar = SHCreateMenuBar(&info) ? info.menu_bar : 0;

  ActivationInfo = ActivateInfo{};
  ActivationInfo.size = sizeof(ActivateInfo);
}

void OnPaint(WindowHandle window) {
  PaintInfo paint{};
  DeviceContext dc = BeginPaint(window, &paint);
  Rect rect{};
  GetClientRect(window, &rect);
  rect.left += TEXT_MARGIN;
  rect.top += TEXT_MARGIN;
  rect.right -= TEXT_MARGIN;
  WideText text(DisplayText.CStr());
  DrawText(dc, text.Get(), text.Length(), &rect, DT_WORDBREAK);
  EndPaint(window, &paint);
}

// Detect (repair false) and Fix (repair true): the report replaces the
// window's text; Fix also tells its outcome when the scan composed one, and
// why a repair could not be written. With no registry open, neither scans;
// an export whose file cannot be read now is not scanned either: the window
// keeps its text and a box says why.
void RunScan(WindowHandle window, bool repair) {
  if (!RequireRegistry(window)) return;
  std::string why;
  if (!RefreshRegistryExport(&why)) {
    ShowUnreadableExport(window, why);
    return;
  }
  DynString report;
  DynString message;
  ClearRepairFailures();
  ScanSerialDrivers(report, message, repair);
  DisplayText = report;
  InvalidateRect(window, nullptr, false);
  if (repair && message.Length() > 0) {
    WideText text(message.CStr());
    MessageBox(window, text.Get(), u"QUORVAFIX", MB_OK);
  }
  if (repair) ShowRefusedRepair(window);
}

MessageResult OnCommand(WindowHandle window, uint32_t message, WordParam wparam,
                        LongParam lparam) {
  switch (LowWord(wparam)) {
    case IDM_ABOUT:
      DialogBoxParam(Instance, IDD_ABOUTBOX, window, AboutBoxProc, 0);
      return 0;
    case IDOK:
    case IDM_EXIT:
      SendMessage(window, WM_ACTIVATE, WA_INACTIVE, static_cast<LongParam>(window));
      SendMessage(window, WM_CLOSE, 0, 0);
      return 0;
    case IDM_DETECT:
      RunScan(window, false);
      return 0;
    case IDM_FIX:
      RunScan(window, true);
      return 0;
    case IDM_OPEN:
      OnOpenCommand(window);
      return 0;
    default:
      return DefWindowProc(window, message, wparam, lparam);
  }
}

}  // namespace

MessageResult MainWindowProc(WindowHandle window, uint32_t message, WordParam wparam,
                             LongParam lparam) {
  switch (message) {
    case WM_CREATE:
      OnCreate(window);
      return 0;
    case WM_ACTIVATE:
      SHHandleWMActivate(window, wparam, lparam, &ActivationInfo, 0);
      return 0;
    case WM_SETTINGCHANGE:
      SHHandleWMSettingChange(window, wparam, lparam, &ActivationInfo);
      return 0;
    case WM_PAINT:
      OnPaint(window);
      return 0;
    case WM_COMMAND:
      return OnCommand(window, message, wparam, lparam);
    case WM_DROPFILES:
      OnDropFiles(window, static_cast<DropHandle>(wparam));
      return 0;
    case WM_COPYDATA:
      return OnCopyData(window, reinterpret_cast<const CopyData*>(lparam));
    case WM_DESTROY:
      DestroyWindow(MenuBar);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProc(window, message, wparam, lparam);
  }
}
