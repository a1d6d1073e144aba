#include "shell/main_window.h"

#include <string>

#include "resources/resource_ids.h"
#include "shell/about_box.h"
#include "shell/display_text.h"
#include "shell/export_commands.h"
#include "shell/window_work.h"
#include "text/wide_text.h"

ShellState& Shell() {
  static ShellState shell;
  return shell;
}

namespace {

void OnCreate(WindowHandle window, ShellState& state) {
  MenuBarInfo info{};
  info.size = sizeof(MenuBarInfo);
  info.parent = window;
  info.flags = 0;
  info.menu_bar_id = IDM_MENU;
  info.instance = state.instance;
  info.bitmap_id = 0;
  info.bitmap_count = 0;
  state.menu_bar = SHCreateMenuBar(&info) ? info.menu_bar : 0;

  state.activation = ActivateInfo{};
  state.activation.size = sizeof(ActivateInfo);
}

void OnPaint(WindowWork& work, WindowHandle window) {
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
  OnWindowPainted(work, window);
}

MessageResult OnCommand(ShellState& state, WindowHandle window, uint32_t message, WordParam wparam,
                        LongParam lparam) {
  switch (LowWord(wparam)) {
    case IDM_ABOUT:
      DialogBoxParam(state.instance, IDD_ABOUTBOX, window, AboutBoxProc, 0);
      return 0;
    case IDOK:
    case IDM_EXIT:
      SendMessage(window, WM_ACTIVATE, WA_INACTIVE, static_cast<LongParam>(window));
      SendMessage(window, WM_CLOSE, 0, 0);
      return 0;
    // Detect and Fix run on the window's worker (window_work.h).
    case IDM_DETECT:
      ScanWhenIdle(state, window, false);
      return 0;
    case IDM_FIX:
      ScanWhenIdle(state, window, true);
      return 0;
    case IDM_OPEN:
      OnOpenCommand(state, window);
      return 0;
    // Windows' "Use Connected Handheld": the handheld in place of the open
    // registry, as quorvafix --device opens it; ignored while work runs.
    case IDM_DEVICE:
      StartConnect(state, window);
      return 0;
    case IDM_COPY:
      SetClipboardText(window, WideText(DisplayText.CStr()).Get());
      return 0;
    default:
      return DefWindowProc(window, message, wparam, lparam);
  }
}

}  // namespace

MessageResult MainWindowProc(WindowHandle window, uint32_t message, WordParam wparam,
                             LongParam lparam) {
  ShellState& state = Shell();
  switch (message) {
    case WM_CREATE:
      OnCreate(window, state);
      return 0;
    case WM_ACTIVATE:
      SHHandleWMActivate(window, wparam, lparam, &state.activation, 0);
      return 0;
    case WM_SETTINGCHANGE:
      SHHandleWMSettingChange(window, wparam, lparam, &state.activation);
      return 0;
    case WM_PAINT:
      OnPaint(state.work, window);
      return 0;
    case WM_COMMAND:
      return OnCommand(state, window, message, wparam, lparam);
    case WM_DROPFILES:
      OnDropFiles(state, window, static_cast<DropHandle>(wparam));
      return 0;
    case WM_WORK_START:
      OnWorkStart(state.work, lparam);
      return 0;
    case WM_WORK_DONE:
      OnWorkDone(state, window, lparam);
      return 0;
    case WM_WORK_PROGRESS:
      OnWorkProgress(state, window, lparam);
      return 0;
    case WM_SOURCE_WHEN_IDLE:
      OnSourceWhenIdle(state, window);
      return 0;
    case WM_CLOSE:
      // A write in progress finishes (and removes its lock) before the window goes.
      if (DeferCloseUntilWorkDone(state.work, window)) return 0;
      return DefWindowProc(window, message, wparam, lparam);
    case WM_COPYDATA:
      return OnCopyData(state, window, reinterpret_cast<const CopyData*>(lparam));
    case WM_DESTROY:
      DestroyWindow(state.menu_bar);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProc(window, message, wparam, lparam);
  }
}
