#include "platform/windowing/window_manager_base.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/windowing/scripted/scripted_shell_services.h"
#include "platform/windowing/scripted/scripted_window_manager.h"

namespace {

// What the test procedures saw, as "MESSAGE wparam lparam".
std::vector<std::string> seen;
MessageResult create_result = 0;

MessageResult RecordingProc(WindowHandle window, uint32_t message, WordParam wparam,
                            LongParam lparam) {
  seen.push_back(MessageName(message) + " " + std::to_string(wparam) + " " +
                 std::to_string(lparam));
  if (message == WM_CREATE) return create_result;
  return DefWindowProc(window, message, wparam, lparam);
}

bool EndingDialogProc(WindowHandle dialog, uint32_t message, WordParam wparam, LongParam lparam) {
  seen.push_back("dialog " + MessageName(message) + " " + std::to_string(wparam) + " " +
                 std::to_string(lparam));
  if (message == WM_COMMAND) return EndDialog(dialog, static_cast<intptr_t>(wparam) + 100);
  return false;
}

constexpr AcceleratorResource KEYS[] = {
    {FVIRTKEY | FCONTROL, 'A', 40003},
    {FVIRTKEY | FCONTROL, 'Q', 1},
    {FVIRTKEY | FCONTROL | FSHIFT, 'Q', 7},
};
constexpr AcceleratorTable TABLE = {3, KEYS, 3};
constexpr DialogControlResource CONTROLS[] = {
    {DialogControlKind::Text, u"hello", 0, IDC_STATIC, SS_LEFT, 1, 2, 30, 8}};
constexpr DialogTemplate DIALOGS[] = {
    {9, WS_POPUP | WS_CAPTION, 0, 0, 0, 100, 50, u"Box", 8, u"System", CONTROLS, 1}};
constexpr ResourceModule MODULE = {nullptr, 0, nullptr, 0, nullptr, 0,
                                   nullptr, 0, DIALOGS, 1, nullptr, 0};

class WindowManagerBaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    seen.clear();
    create_result = 0;
    InstallWindowManager(&windows);
    InstallShellServices(&shell);
    WindowClass cls{};
    cls.procedure = RecordingProc;
    cls.class_name = u"TEST";
    ASSERT_NE(RegisterClass(cls), 0);
  }
  void TearDown() override {
    InstallWindowManager(nullptr);
    InstallShellServices(nullptr);
  }
  WindowHandle Create(const char16_t* title = u"T") {
    return CreateWindowEx(0, u"TEST", title, WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, 0, nullptr);
  }

  ScriptedWindowManager windows;
  ScriptedShellServices shell{windows};
};

TEST_F(WindowManagerBaseTest, RegisterClassRefusesDuplicatesAndExtras) {
  WindowClass cls{};
  cls.procedure = RecordingProc;
  cls.class_name = u"TEST";
  EXPECT_EQ(RegisterClass(cls), 0);
  cls.class_name = u"";
  EXPECT_EQ(RegisterClass(cls), 0);
  cls.class_name = u"OTHER";
  cls.window_extra = 4;
  EXPECT_EQ(RegisterClass(cls), 0);
  cls.window_extra = 0;
  EXPECT_NE(RegisterClass(cls), 0);
}

TEST_F(WindowManagerBaseTest, CreateSendsCreateAndUsesTheWorkArea) {
  WindowHandle window = Create();
  ASSERT_NE(window, 0u);
  EXPECT_EQ(window & 1u, 0u);
  EXPECT_EQ(seen, std::vector<std::string>{"WM_CREATE 0 0"});
  Rect rect{};
  ASSERT_TRUE(GetWindowRect(window, &rect));
  EXPECT_EQ(rect, (Rect{0, 26, 240, 320}));
  ASSERT_TRUE(GetClientRect(window, &rect));
  EXPECT_EQ(rect, (Rect{0, 0, 240, 294}));
}

TEST_F(WindowManagerBaseTest, CreateFailsForUnknownClassRefusalOrMinusOne) {
  EXPECT_EQ(CreateWindowEx(0, u"NONE", u"T", 0, 0, 0, 10, 10, 0, 0, 0, nullptr), 0u);
  create_result = -1;
  EXPECT_EQ(Create(), 0u);
  EXPECT_EQ(seen, (std::vector<std::string>{"WM_CREATE 0 0", "WM_DESTROY 0 0"}));
  create_result = 0;
  windows.FailWindowCreation();
  EXPECT_EQ(Create(), 0u);
  EXPECT_EQ(seen.size(), 2u);
}

TEST_F(WindowManagerBaseTest, ExplicitPlacementOverridesTheWorkArea) {
  WindowHandle window = CreateWindowEx(0, u"TEST", u"T", 0, 5, 6, 70, 80, 0, 0, 0, nullptr);
  Rect rect{};
  ASSERT_TRUE(GetWindowRect(window, &rect));
  EXPECT_EQ(rect, (Rect{5, 6, 75, 86}));
  // A platform window (the menu bar) has no placement of its own.
  WindowHandle bar = windows.AddPlatformWindow(window, u"bar");
  EXPECT_FALSE(GetWindowRect(bar, &rect));
  EXPECT_FALSE(MoveWindow(bar, 0, 26, 10, 10, false));
}

TEST_F(WindowManagerBaseTest, CloseThroughTheDefaultDestroysOwnedWindowsToo) {
  WindowHandle window = Create();
  WindowHandle bar = windows.AddPlatformWindow(window, u"bar");
  ASSERT_NE(bar, 0u);
  EXPECT_EQ(windows.AddPlatformWindow(0x4444, u"bar"), 0u);
  windows.ClearCalls();
  SendMessage(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(windows.IsWindow(window));
  EXPECT_FALSE(windows.IsWindow(bar));
  std::string w = HandleText(window), b = HandleText(bar);
  EXPECT_EQ(windows.Calls(), (std::vector<std::string>{
                                 "SendMessage(" + w + ", WM_CLOSE, 0x0, 0x0)",
                                 "DefWindowProc(" + w + ", WM_CLOSE, 0x0, 0x0)",
                                 "DestroyWindow(" + w + ")",
                                 "SendMessage(" + w + ", WM_DESTROY, 0x0, 0x0)",
                                 "DefWindowProc(" + w + ", WM_DESTROY, 0x0, 0x0)",
                                 "DestroyWindow(" + b + ")",
                                 "SendMessage(" + b + ", WM_DESTROY, 0x0, 0x0)",
                                 "DefWindowProc(" + b + ", WM_DESTROY, 0x0, 0x0)",
                             }));
  EXPECT_FALSE(DestroyWindow(window));
  EXPECT_FALSE(DestroyWindow(0));
}

TEST_F(WindowManagerBaseTest, QuitComesAfterTheQueuedMessages) {
  WindowHandle window = Create();
  ASSERT_TRUE(PostMessage(window, WM_COMMAND, 5, 0));
  PostQuitMessage(3);
  ASSERT_TRUE(PostMessage(window, WM_COMMAND, 6, 0));
  EXPECT_FALSE(PostMessage(0x4444, WM_COMMAND, 6, 0));
  WindowMessage message{};
  std::vector<WordParam> order;
  while (GetMessage(&message, 0, 0, 0) != 0) {
    order.push_back(message.wparam);
    DispatchMessage(&message);
  }
  EXPECT_EQ(message.message, WM_QUIT);
  EXPECT_EQ(message.wparam, 3u);
  EXPECT_EQ(order, (std::vector<WordParam>{5, 6}));
}

TEST_F(WindowManagerBaseTest, GetMessageRunsScriptedStepsAndStopsWhenStarved) {
  WindowHandle window = Create();
  WindowMessage message{};
  // The creation left the window invalid: the first wait paints it.
  ASSERT_EQ(GetMessage(&message, 0, 0, 0), 1);
  EXPECT_EQ(message.message, WM_PAINT);
  DispatchMessage(&message);  // the default validates
  EXPECT_FALSE(windows.IsInvalid(window));
  windows.Then([&] { PostMessage(window, WM_COMMAND, 9, 0); });
  ASSERT_EQ(GetMessage(&message, 0, 0, 0), 1);
  EXPECT_EQ(message.wparam, 9u);
  EXPECT_EQ(GetMessage(&message, 0, 0, 0), 0);
  EXPECT_EQ(static_cast<int>(message.wparam), -1);
  EXPECT_EQ(windows.Calls().back(), "loop starved");
}

struct KeyCase {
  WordParam key;
  LongParam modifiers;
  int translated;
  std::string command;
};

TEST_F(WindowManagerBaseTest, AcceleratorsNeedTheKeyAndExactlyTheirModifiers) {
  WindowHandle window = Create();
  std::string w = HandleText(window);
  const KeyCase cases[] = {
      {'A', MOD_CONTROL, 1, "SendMessage(" + w + ", WM_COMMAND, 0x19c43, 0x0)"},
      {'Q', MOD_CONTROL, 1, "SendMessage(" + w + ", WM_COMMAND, 0x10001, 0x0)"},
      {'Q', MOD_CONTROL | MOD_SHIFT, 1, "SendMessage(" + w + ", WM_COMMAND, 0x10007, 0x0)"},
      {'A', 0, 0, ""},
      {'A', MOD_CONTROL | MOD_ALT, 0, ""},
      {'B', MOD_CONTROL, 0, ""},
  };
  for (const KeyCase& c : cases) {
    windows.ClearCalls();
    WindowMessage key{window, WM_KEYDOWN, c.key, c.modifiers};
    EXPECT_EQ(TranslateAccelerator(window, &TABLE, &key), c.translated) << char(c.key);
    std::vector<std::string> sent = windows.CallsOf({"SendMessage"});
    EXPECT_EQ(sent,
              c.command.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.command});
  }
  WindowMessage command{window, WM_COMMAND, 'A', MOD_CONTROL};
  EXPECT_EQ(TranslateAccelerator(window, &TABLE, &command), 0);
  WindowMessage key{window, WM_KEYDOWN, 'A', MOD_CONTROL};
  EXPECT_EQ(TranslateAccelerator(window, nullptr, &key), 0);
}

TEST_F(WindowManagerBaseTest, FindWindowSeesOwnAndForeignWindows) {
  EXPECT_EQ(FindWindow(u"TEST", u"T"), 0u);
  WindowHandle own = Create(u"T");
  EXPECT_EQ(FindWindow(u"TEST", u"T"), own);
  EXPECT_EQ(FindWindow(u"TEST", u"t"), 0u);
  WindowHandle foreign = windows.AddForeignWindow(u"X", u"Y");
  EXPECT_EQ(FindWindow(u"X", u"Y"), foreign);
  EXPECT_TRUE(SetForegroundWindow(foreign | 1));
  EXPECT_FALSE(SetForegroundWindow(0x4444));
}

TEST_F(WindowManagerBaseTest, DialogRunsUntilEndDialogAndReturnsItsResult) {
  InstanceHandle instance = InstallResourceModule(&MODULE);
  WindowHandle owner = Create();
  seen.clear();
  windows.Then([&] {
    const WindowHandle dialog = FindWindow(nullptr, nullptr);  // dialogs are not top-level
    EXPECT_EQ(dialog, 0u);
  });
  windows.Then([] {});
  // The dialog's handle is the next one the manager hands out.
  WindowHandle dialog = owner + 4;
  windows.Then([&] { SendMessage(dialog, WM_COMMAND, 2, 0); });
  EXPECT_EQ(DialogBoxParam(instance, 9, owner, EndingDialogProc, 42), 102);
  EXPECT_EQ(seen, (std::vector<std::string>{"dialog WM_INITDIALOG 0 42", "dialog WM_COMMAND 2 0",
                                            "dialog WM_DESTROY 0 0"}));
  EXPECT_FALSE(windows.IsWindow(dialog));
  EXPECT_FALSE(EndDialog(dialog, 1));
  EXPECT_EQ(DialogBoxParam(instance, 10, owner, EndingDialogProc, 0), -1);
}

TEST_F(WindowManagerBaseTest, DialogLeftOpenByTheScriptEndsWithMinusOne) {
  InstanceHandle instance = InstallResourceModule(&MODULE);
  EXPECT_EQ(DialogBoxParam(instance, 9, 0, EndingDialogProc, 0), -1);
  EXPECT_EQ(windows.CallsOf({"loop starved"}).size(), 1u);
}

TEST(ShellServicesBase, ActivationRecordFollowsTheWindow) {
  ScriptedWindowManager windows;
  ScriptedShellServices shell(windows);
  ActivateInfo info{sizeof(ActivateInfo), 0, 0};
  EXPECT_TRUE(shell.SHHandleWMActivate(0x1004, WA_ACTIVE, 0x2008, &info, 0));
  EXPECT_EQ(info.flags, SHA_ACTIVE);
  EXPECT_EQ(info.last_focus, 0x2008u);
  EXPECT_TRUE(shell.SHHandleWMActivate(0x1004, WA_INACTIVE, 0x1004, &info, 0));
  EXPECT_EQ(info.flags, 0u);
  EXPECT_EQ(info.last_focus, 0x2008u);
  info.flags = SHA_SIP_UP;
  EXPECT_TRUE(shell.SHHandleWMSettingChange(0x1004, SPI_SETSIPINFO, 0, &info));
  EXPECT_EQ(info.flags, 0u);
  ActivateInfo wrong{8, 0, 0};
  EXPECT_FALSE(shell.SHHandleWMActivate(0x1004, WA_ACTIVE, 0, &wrong, 0));
  EXPECT_FALSE(shell.SHHandleWMActivate(0x1004, WA_ACTIVE, 0, &info, 1));
  EXPECT_FALSE(shell.SHHandleWMSettingChange(0x1004, 0, 0, nullptr));
}

}  // namespace
