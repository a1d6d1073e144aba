// Window classes and windows: RegisterClass, CreateWindowEx, FindWindow,
// SetWindowText, SetForegroundWindow, DestroyWindow and the placement calls.
#include "platform/windowing/testing/platform_conformance.h"

namespace {

TEST_P(PlatformConformance, RegisterClassRefusesWhatThePlatformLacks) {
  struct Case {
    const char* what;
    void (*change)(WindowClass& window_class);
  };
  const Case cases[] = {
      {"null name", [](WindowClass& c) { c.class_name = nullptr; }},
      {"empty name", [](WindowClass& c) { c.class_name = u""; }},
      {"class bytes", [](WindowClass& c) { c.class_extra = 4; }},
      {"window bytes", [](WindowClass& c) { c.window_extra = 4; }},
      {"cursor", [](WindowClass& c) { c.cursor = &c; }},
      {"class menu", [](WindowClass& c) { c.menu_name = u"MENU"; }},
  };
  for (const Case& c : cases) {
    WindowClass window_class{};
    window_class.procedure = DefWindowProc;
    window_class.instance = ConformanceInstance();
    window_class.class_name = u"ConformanceRefused";
    c.change(window_class);
    EXPECT_EQ(RegisterClass(window_class), 0) << c.what;
  }
  // None of them took the name.
  WindowClass good{};
  good.procedure = DefWindowProc;
  good.class_name = u"ConformanceRefused";
  EXPECT_NE(RegisterClass(good), 0);
  EXPECT_EQ(RegisterClass(good), 0) << "the name is taken";
}

TEST_P(PlatformConformance, CreateWindowExSendsCreateFirstAndPlacesTheWindow) {
  WindowHandle window = MakeWindow(12, 40, 180, 150);
  ASSERT_NE(window, 0u);
  EXPECT_EQ(window & 1u, 0u) << "bit 0 belongs to SetForegroundWindow";
  ASSERT_FALSE(Seen().empty());
  EXPECT_EQ(Seen().front().window, window);
  EXPECT_EQ(Seen().front().message, WM_CREATE);
  EXPECT_EQ(Seen().front().lparam, 0);
  EXPECT_EQ(CountSeen(window, WM_CREATE), 1);

  Rect rect{};
  ASSERT_TRUE(GetWindowRect(window, &rect));
  EXPECT_EQ(rect, (Rect{12, 40, 192, 190}));
  Rect client{};
  ASSERT_TRUE(GetClientRect(window, &client));
  EXPECT_EQ(client, (Rect{0, 0, 180, 150}));
}

TEST_P(PlatformConformance, CreateWindowExWithDefaultsTakesTheWorkArea) {
  std::u16string class_name = RegisterRecordingClass();
  WindowHandle window =
      CreateWindowEx(0, class_name.c_str(), u"Defaults", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                     CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, ConformanceInstance(), nullptr);
  ASSERT_NE(window, 0u);
  Rect rect{};
  ASSERT_TRUE(GetWindowRect(window, &rect));
  // The work area starts below the top bar and is not empty.
  EXPECT_GE(rect.top, 0);
  EXPECT_GT(rect.right - rect.left, 0);
  EXPECT_GT(rect.bottom - rect.top, 0);
}

TEST_P(PlatformConformance, CreateWindowExFailsForUnknownClassesAndRefusedCreation) {
  EXPECT_EQ(CreateWindowEx(0, u"ConformanceNoSuchClass", u"x", WS_VISIBLE, 0, 30, 50, 50, 0, 0,
                           ConformanceInstance(), nullptr),
            0u);
  EXPECT_EQ(CreateWindowEx(0, nullptr, u"x", WS_VISIBLE, 0, 30, 50, 50, 0, 0, ConformanceInstance(),
                           nullptr),
            0u);

  std::u16string class_name = RegisterRecordingClass();
  CreateResult() = -1;
  WindowHandle refused = CreateWindowEx(0, class_name.c_str(), u"Refused", WS_VISIBLE, 0, 30, 50,
                                        50, 0, 0, ConformanceInstance(), nullptr);
  EXPECT_EQ(refused, 0u);
  ASSERT_FALSE(Seen().empty());
  EXPECT_EQ(Seen().front().message, WM_CREATE);
  // The window is gone: nothing finds it.
  EXPECT_EQ(FindWindow(class_name.c_str(), nullptr), 0u);
  Rect rect{};
  EXPECT_FALSE(GetWindowRect(Seen().front().window, &rect));
}

TEST_P(PlatformConformance, FindWindowMatchesClassAndExactTitle) {
  std::u16string class_name = RegisterRecordingClass();
  WindowHandle window = CreateWindowEx(0, class_name.c_str(), u"Title \u00e9", WS_VISIBLE, 0, 30,
                                       100, 100, 0, 0, ConformanceInstance(), nullptr);
  ASSERT_NE(window, 0u);
  EXPECT_EQ(FindWindow(class_name.c_str(), nullptr), window);
  EXPECT_EQ(FindWindow(class_name.c_str(), u"Title \u00e9"), window);
  EXPECT_EQ(FindWindow(class_name.c_str(), u"Title"), 0u);
  EXPECT_EQ(FindWindow(class_name.c_str(), u"Title \u00e9 "), 0u);
  EXPECT_EQ(FindWindow(u"ConformanceNoSuchClass", nullptr), 0u);

  ASSERT_TRUE(SetWindowText(window, u"Renamed"));
  EXPECT_EQ(FindWindow(class_name.c_str(), u"Renamed"), window);
  EXPECT_EQ(FindWindow(class_name.c_str(), u"Title \u00e9"), 0u);
  ASSERT_TRUE(SetWindowText(window, nullptr));
  EXPECT_EQ(FindWindow(class_name.c_str(), u""), window) << "a null text is the empty title";

  ASSERT_TRUE(DestroyWindow(window));
  EXPECT_EQ(FindWindow(class_name.c_str(), nullptr), 0u);
}

TEST_P(PlatformConformance, CallsOnNoWindowOrAnUnknownOneFail) {
  WindowHandle window = MakeWindow();
  ASSERT_NE(window, 0u);
  ASSERT_TRUE(DestroyWindow(window));
  const WindowHandle unknown[] = {0, window, 0x7FFF0000u};
  for (WindowHandle h : unknown) {
    Rect rect{1, 2, 3, 4};
    EXPECT_FALSE(SetWindowText(h, u"x")) << h;
    EXPECT_FALSE(SetForegroundWindow(h)) << h;
    EXPECT_FALSE(DestroyWindow(h)) << h;
    EXPECT_FALSE(GetWindowRect(h, &rect)) << h;
    EXPECT_FALSE(GetClientRect(h, &rect)) << h;
    EXPECT_FALSE(MoveWindow(h, 0, 30, 10, 10, false)) << h;
    EXPECT_FALSE(ShowWindow(h, SW_SHOW)) << h;
    EXPECT_FALSE(UpdateWindow(h)) << h;
    EXPECT_FALSE(InvalidateRect(h, nullptr, true)) << h;
    EXPECT_EQ(SendMessage(h, WM_USER, 1, 2), 0) << h;
    EXPECT_FALSE(PostMessage(h, WM_USER, 1, 2)) << h;
    EXPECT_FALSE(DragAcceptFiles(h, true)) << h;
  }
}

TEST_P(PlatformConformance, SetForegroundWindowTakesTheOwnedWindowsBit) {
  WindowHandle window = MakeWindow();
  ASSERT_NE(window, 0u);
  EXPECT_TRUE(SetForegroundWindow(window));
  EXPECT_TRUE(SetForegroundWindow(window | 1u));
  ASSERT_TRUE(DestroyWindow(window));
  EXPECT_FALSE(SetForegroundWindow(window | 1u));
}

TEST_P(PlatformConformance, DestroyWindowSendsDestroyOnceThenForgetsTheWindow) {
  WindowHandle window = MakeWindow();
  WindowHandle other = MakeWindow();
  ASSERT_NE(window, 0u);
  ASSERT_NE(other, 0u);
  ForgetSeen();
  ASSERT_TRUE(DestroyWindow(window));
  ASSERT_EQ(CountSeen(window, WM_DESTROY), 1);
  EXPECT_EQ(Seen().back().message, WM_DESTROY) << "WM_DESTROY is the last message it gets";
  EXPECT_EQ(CountSeen(other, WM_DESTROY), 0);
  EXPECT_FALSE(DestroyWindow(window));
  EXPECT_EQ(CountSeen(window, WM_DESTROY), 1);
  Rect rect{};
  EXPECT_TRUE(GetWindowRect(other, &rect)) << "the other window stays";
}

TEST_P(PlatformConformance, MoveWindowPlacesTheWindowAndItsClientArea) {
  WindowHandle window = MakePaintedWindow();
  ASSERT_NE(window, 0u);
  // As the program does: the window's bottom edge passed as its height.
  ASSERT_TRUE(MoveWindow(window, 0, 26, 240, 268, false));
  Rect rect{};
  ASSERT_TRUE(GetWindowRect(window, &rect));
  EXPECT_EQ(rect, (Rect{0, 26, 240, 294}));
  Rect client{};
  ASSERT_TRUE(GetClientRect(window, &client));
  EXPECT_EQ(client, (Rect{0, 0, 240, 268}));

  Platform().PumpEvents(20);
  const int paints = CountSeen(window, WM_PAINT);
  ASSERT_TRUE(MoveWindow(window, 5, 35, 150, 120, true));
  EXPECT_TRUE(WaitForPaint(window, paints)) << "repaint asks for WM_PAINT";
  ASSERT_TRUE(GetWindowRect(window, &rect));
  EXPECT_EQ(rect, (Rect{5, 35, 155, 155}));
}

TEST_P(PlatformConformance, ShowWindowTellsWhetherTheWindowWasVisible) {
  WindowHandle window = MakeWindow();
  ASSERT_NE(window, 0u);
  EXPECT_TRUE(ShowWindow(window, SW_SHOW));
  EXPECT_TRUE(ShowWindow(window, SW_HIDE));
  EXPECT_FALSE(ShowWindow(window, SW_HIDE));
  EXPECT_FALSE(ShowWindow(window, SW_SHOW));
  EXPECT_TRUE(ShowWindow(window, SW_SHOW));

  std::u16string class_name = RegisterRecordingClass();
  WindowHandle hidden = CreateWindowEx(0, class_name.c_str(), u"Hidden", 0, 0, 30, 50, 50, 0, 0,
                                       ConformanceInstance(), nullptr);
  ASSERT_NE(hidden, 0u);
  EXPECT_FALSE(ShowWindow(hidden, SW_SHOW)) << "made without WS_VISIBLE";
  EXPECT_TRUE(ShowWindow(hidden, SW_SHOW));
}

}  // namespace
