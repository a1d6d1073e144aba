#include "shell/app_start.h"

#include "platform/windowing/desktop_services.h"
#include "resources/resource_ids.h"
#include "shell/export_commands.h"
#include "shell/main_window.h"
#include "text/wide_text.h"

namespace {

void RegisterMainWindowClass(InstanceHandle instance, const char16_t* class_name) {
  WindowClass window_class{};
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.procedure = MainWindowProc;
  window_class.class_extra = 0;
  window_class.window_extra = 0;
  window_class.instance = instance;
  window_class.icon = LoadIcon(instance, IDI_QUORVAFIX);
  window_class.cursor = nullptr;
  window_class.background = GetStockObject(WHITE_BRUSH);
  window_class.menu_name = nullptr;
  window_class.class_name = class_name;
  RegisterClass(window_class);
}

}  // namespace

WindowHandle RunningCopy(InstanceHandle instance) {
  char16_t window_class[MAX_LOADSTRING];
  LoadString(instance, IDS_WINDOW_CLASS, window_class, MAX_LOADSTRING);
  // The title names the open export: the class alone finds the window.
  return FindWindow(window_class, nullptr);
}

bool HandOverToRunningCopy(InstanceHandle instance, const char16_t* path, uintptr_t kind) {
  WindowHandle running = RunningCopy(instance);
  if (running == 0) return false;
  int units = WideLength(path);
  if (units > 0) {
    CopyData data{kind, static_cast<uint32_t>(units * sizeof(char16_t)), path};
    SendMessage(running, WM_COPYDATA, 0, reinterpret_cast<LongParam>(&data));
  }
  // Bit 0 brings the running copy's open dialogs forward too.
  SetForegroundWindow(running | 1u);
  return true;
}

bool InitInstance(InstanceHandle instance, int show, const char16_t* command_line) {
  ShellState& shell = Shell();
  shell.instance = instance;

  // One copy only.
  if (HandOverToRunningCopy(instance, command_line)) return false;

  char16_t window_class[MAX_LOADSTRING];
  char16_t title[MAX_LOADSTRING];
  LoadString(instance, IDS_WINDOW_CLASS, window_class, MAX_LOADSTRING);
  LoadString(instance, IDS_APP_TITLE, title, MAX_LOADSTRING);

  RegisterMainWindowClass(instance, window_class);
  WindowHandle window =
      CreateWindowEx(0, window_class, title, WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                     CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, instance, nullptr);
  if (window == 0) return false;

  // The bottom edge is passed as the height, as the handheld's program does:
  // with the default placement the window keeps the work area's height and
  // the menu bar covers its last MENU_BAR_HEIGHT pixels.
  Rect rect{};
  GetWindowRect(window, &rect);
  rect.bottom -= MENU_BAR_HEIGHT;
  if (shell.menu_bar != 0) MoveWindow(window, rect.left, rect.top, rect.right, rect.bottom, false);

  ShowWindow(window, show);
  UpdateWindow(window);
  DragAcceptFiles(window, true);
  return true;
}

int RunMainWindow(InstanceHandle instance, const char16_t* command_line, int show) {
  if (!InitInstance(instance, show, command_line)) return 0;

  AcceleratorHandle accelerators = LoadAccelerators(instance, IDC_QUORVAFIX);
  WindowMessage message{};
  while (GetMessage(&message, 0, 0, 0) != 0) {
    if (TranslateAccelerator(message.window, accelerators, &message) == 0) {
      TranslateMessage(&message);
      DispatchMessage(&message);
    }
  }
  return static_cast<int>(message.wparam);
}
