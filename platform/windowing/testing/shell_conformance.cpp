// The shell's services: SHCreateMenuBar and its items chosen,
// SHHandleWMActivate and SHHandleWMSettingChange.
#include "platform/windowing/testing/platform_conformance.h"

namespace {

MenuBarInfo BarRecord(WindowHandle parent) {
  MenuBarInfo info{};
  info.size = sizeof(MenuBarInfo);
  info.parent = parent;
  info.menu_bar_id = IDR_CONFORMANCE_BAR;
  info.instance = ConformanceInstance();
  info.menu_bar = 0x5EED;
  return info;
}

TEST_P(PlatformConformance, SHCreateMenuBarMakesABarBelowItsParent) {
  WindowHandle window = MakeWindow();
  ASSERT_NE(window, 0u);
  MenuBarInfo info = BarRecord(window);
  ASSERT_TRUE(SHCreateMenuBar(&info));
  EXPECT_NE(info.menu_bar, 0u);
  EXPECT_NE(info.menu_bar, 0x5EEDu);
  EXPECT_NE(info.menu_bar, window);
  Platform().PumpEvents(20);
  // The parent keeps working with its bar in place, and takes it along.
  Rect rect{};
  EXPECT_TRUE(GetWindowRect(window, &rect));
  EXPECT_TRUE(DestroyWindow(window));
  EXPECT_EQ(CountSeen(window, WM_DESTROY), 1);
}

TEST_P(PlatformConformance, AMenuBarItemChosenPostsItsCommandToTheParent) {
  WindowHandle window = MakeWindow();
  ASSERT_NE(window, 0u);
  MenuBarInfo info = BarRecord(window);
  ASSERT_TRUE(SHCreateMenuBar(&info));
  Platform().PumpEvents(20);
  EXPECT_FALSE(Platform().ChooseMenuItem(window, u"Missing")) << "no such item";
  ASSERT_TRUE(Platform().ChooseMenuItem(window, u"Item"));
  // The command is posted: it comes through the queue, to the parent.
  WindowMessage message{};
  int result = 0;
  do {
    message = NextMessage(&result);
    if (message.window != 0) DispatchMessage(&message);
  } while (result != 0 && message.message != WM_COMMAND);
  EXPECT_EQ(message.window, window);
  EXPECT_EQ(message.message, WM_COMMAND);
  EXPECT_EQ(LowWord(message.wparam), IDM_CONFORMANCE_ITEM);
  EXPECT_EQ(message.lparam, 0);
  EXPECT_EQ(CountSeen(window, WM_COMMAND), 1);
}

TEST_P(PlatformConformance, SHCreateMenuBarRefusesBadRecords) {
  WindowHandle window = MakeWindow();
  ASSERT_NE(window, 0u);
  struct Case {
    const char* what;
    void (*change)(MenuBarInfo& info);
  };
  const Case cases[] = {
      {"size 35", [](MenuBarInfo& i) { i.size = 35; }},
      {"size 0", [](MenuBarInfo& i) { i.size = 0; }},
      {"unknown parent", [](MenuBarInfo& i) { i.parent = 0x7FFF0000u; }},
      {"unknown template", [](MenuBarInfo& i) { i.menu_bar_id = 999; }},
      {"unknown module", [](MenuBarInfo& i) { i.instance = 0x7FFF0000u; }},
  };
  for (const Case& c : cases) {
    MenuBarInfo info = BarRecord(window);
    c.change(info);
    EXPECT_FALSE(SHCreateMenuBar(&info)) << c.what;
    EXPECT_EQ(info.menu_bar, 0u) << c.what;
  }
  EXPECT_FALSE(SHCreateMenuBar(nullptr));
}

TEST_P(PlatformConformance, SHHandleWMActivateKeepsTheActivationRecord) {
  WindowHandle window = MakeWindow();
  WindowHandle other = MakeWindow();
  ASSERT_NE(window, 0u);
  ActivateInfo info{sizeof(ActivateInfo), 0, 0};
  ASSERT_TRUE(SHHandleWMActivate(window, WA_ACTIVE, static_cast<LongParam>(other), &info, 0));
  EXPECT_EQ(info.flags & SHA_ACTIVE, SHA_ACTIVE);
  EXPECT_EQ(info.last_focus, other);
  EXPECT_EQ(info.flags & SHA_SIP_UP, 0u) << "a desktop has no input panel";

  ASSERT_TRUE(SHHandleWMActivate(window, WA_INACTIVE, 0, &info, 0));
  EXPECT_EQ(info.flags & (SHA_ACTIVE | SHA_SIP_ON_DEACTIVATION), 0u);
  EXPECT_EQ(info.last_focus, other) << "deactivation keeps the window remembered";

  ActivateInfo bad{11, 0, 0};
  EXPECT_FALSE(SHHandleWMActivate(window, WA_ACTIVE, 0, &bad, 0));
  EXPECT_EQ(bad.flags, 0u);
  EXPECT_FALSE(SHHandleWMActivate(window, WA_ACTIVE, 0, &info, 1)) << "flags must be 0";
  EXPECT_FALSE(SHHandleWMActivate(window, WA_ACTIVE, 0, nullptr, 0));
}

TEST_P(PlatformConformance, SHHandleWMSettingChangeKeepsPlacementAndRecord) {
  WindowHandle window = MakeWindow(0, 26, 240, 268);
  ASSERT_NE(window, 0u);
  ActivateInfo info{sizeof(ActivateInfo), 0, SHA_ACTIVE};
  ASSERT_TRUE(SHHandleWMSettingChange(window, SPI_SETWORKAREA, 0, &info));
  EXPECT_EQ(info.flags, SHA_ACTIVE);
  info.flags |= SHA_SIP_UP;
  ASSERT_TRUE(SHHandleWMSettingChange(window, SPI_SETSIPINFO, 0, &info));
  EXPECT_EQ(info.flags, SHA_ACTIVE) << "the input panel is down on a desktop";
  Rect rect{};
  ASSERT_TRUE(GetWindowRect(window, &rect));
  EXPECT_GT(rect.right - rect.left, 0);

  ActivateInfo bad{13, 0, 0};
  EXPECT_FALSE(SHHandleWMSettingChange(window, SPI_SETWORKAREA, 0, &bad));
  EXPECT_FALSE(SHHandleWMSettingChange(window, SPI_SETWORKAREA, 0, nullptr));
}

}  // namespace
