// Messages and the loop: SendMessage, PostMessage, PostQuitMessage,
// GetMessage, TranslateAccelerator, TranslateMessage, DispatchMessage and
// DefWindowProc.
#include "platform/windowing/testing/platform_conformance.h"

namespace {

// Answers WM_USER with wparam + lparam and records everything.
MessageResult AddingProcedure(WindowHandle window, uint32_t message, WordParam wparam,
                              LongParam lparam) {
  PlatformConformance::Seen().push_back(SeenMessage{window, message, wparam, lparam});
  if (message == WM_USER) return static_cast<MessageResult>(wparam) + lparam;
  return DefWindowProc(window, message, wparam, lparam);
}

WindowHandle MakeAddingWindow() {
  static int next = 0;
  std::string name = "ConformanceAdding" + std::to_string(++next);
  std::u16string class_name(name.begin(), name.end());
  WindowClass window_class{};
  window_class.procedure = AddingProcedure;
  window_class.instance = ConformanceInstance();
  window_class.class_name = class_name.c_str();
  if (RegisterClass(window_class) == 0) return 0;
  return CreateWindowEx(0, class_name.c_str(), u"Adding", WS_VISIBLE, 0, 30, 100, 100, 0, 0,
                        ConformanceInstance(), nullptr);
}

TEST_P(PlatformConformance, SendMessageCallsTheProcedureNowAndReturnsItsResult) {
  WindowHandle window = MakeAddingWindow();
  ASSERT_NE(window, 0u);
  ForgetSeen();
  EXPECT_EQ(SendMessage(window, WM_USER, 40, 2), 42);
  ASSERT_EQ(Seen().size(), 1u);
  EXPECT_EQ(Seen()[0].window, window);
  EXPECT_EQ(Seen()[0].message, WM_USER);
  EXPECT_EQ(SendMessage(window, WM_USER, 0, -5), -5);
  EXPECT_EQ(SendMessage(window, WM_USER + 1, 7, 7), 0) << "DefWindowProc's 0";
}

TEST_P(PlatformConformance, PostedMessagesArriveInOrderThenQuit) {
  WindowHandle first = MakeAddingWindow();
  WindowHandle second = MakeAddingWindow();
  ASSERT_NE(first, 0u);
  ASSERT_NE(second, 0u);
  ForgetSeen();
  ASSERT_TRUE(PostMessage(first, WM_USER, 1, 10));
  PostQuitMessage(3);  // read only once the queue is empty
  ASSERT_TRUE(PostMessage(second, WM_USER, 2, 20));
  ASSERT_TRUE(PostMessage(first, WM_USER + 1, 3, 30));
  EXPECT_TRUE(Seen().empty()) << "posting calls no procedure";

  struct Expected {
    WindowMessage message;
    MessageResult dispatched;  // the procedure's result
  };
  const Expected expected[] = {{{first, WM_USER, 1, 10}, 11},
                               {{second, WM_USER, 2, 20}, 22},
                               {{first, WM_USER + 1, 3, 30}, 0}};
  for (const Expected& want : expected) {
    int result = -1;
    WindowMessage got = NextMessage(&result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(got.window, want.message.window);
    EXPECT_EQ(got.message, want.message.message);
    EXPECT_EQ(got.wparam, want.message.wparam);
    EXPECT_EQ(got.lparam, want.message.lparam);
    EXPECT_EQ(DispatchMessage(&got), want.dispatched);
  }
  ASSERT_EQ(Seen().size(), 3u) << "DispatchMessage hands each to its window";
  EXPECT_EQ(Seen()[1].window, second);

  int result = -1;
  WindowMessage quit = NextMessage(&result);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(quit.message, WM_QUIT);
  EXPECT_EQ(quit.wparam, 3u);
  EXPECT_EQ(quit.window, 0u);
}

TEST_P(PlatformConformance, DispatchMessageOfNothingGivesZero) {
  EXPECT_EQ(DispatchMessage(nullptr), 0);
  WindowMessage unknown{0x7FFF0000u, WM_USER, 1, 1};
  EXPECT_EQ(DispatchMessage(&unknown), 0);
}

TEST_P(PlatformConformance, TranslateAcceleratorSendsTheCommandOfExactlyMatchingKeys) {
  WindowHandle window = MakeWindow();
  ASSERT_NE(window, 0u);
  AcceleratorHandle table = LoadAccelerators(ConformanceInstance(), IDR_CONFORMANCE_KEYS);
  ASSERT_NE(table, nullptr);
  struct Case {
    WindowMessage message;
    int result;
    uint16_t command;
  };
  const Case cases[] = {
      {{window, WM_KEYDOWN, 'C', MOD_CONTROL}, 1, IDM_CONFORMANCE_COPY},
      {{window, WM_KEYDOWN, 'C', MOD_CONTROL | MOD_SHIFT}, 1, IDM_CONFORMANCE_COPY_SHIFT},
      {{window, WM_KEYDOWN, 'C', 0}, 0, 0},
      {{window, WM_KEYDOWN, 'C', MOD_CONTROL | MOD_ALT}, 0, 0},
      {{window, WM_KEYDOWN, 'D', MOD_CONTROL}, 0, 0},
      {{window, WM_USER, 'C', MOD_CONTROL}, 0, 0},
  };
  for (const Case& c : cases) {
    ForgetSeen();
    EXPECT_EQ(TranslateAccelerator(window, table, &c.message), c.result)
        << c.message.wparam << " " << c.message.lparam;
    if (c.result == 0) {
      EXPECT_EQ(CountSeen(window, WM_COMMAND), 0);
      continue;
    }
    ASSERT_EQ(CountSeen(window, WM_COMMAND), 1);
    EXPECT_EQ(LowWord(Seen().back().wparam), c.command);
    EXPECT_EQ(HighWord(Seen().back().wparam), 1) << "high word 1: from an accelerator";
  }
  WindowMessage key{window, WM_KEYDOWN, 'C', MOD_CONTROL};
  EXPECT_EQ(TranslateAccelerator(window, nullptr, &key), 0);
}

TEST_P(PlatformConformance, TranslateMessageMakesNoCharacters) {
  WindowHandle window = MakeWindow();
  ASSERT_NE(window, 0u);
  WindowMessage key{window, WM_KEYDOWN, 'A', 0};
  EXPECT_FALSE(TranslateMessage(&key));
  ASSERT_TRUE(PostMessage(window, WM_USER, 5, 0));
  EXPECT_EQ(NextMessage().message, WM_USER) << "nothing was queued before it";
}

TEST_P(PlatformConformance, DefWindowProcDestroysOnCloseAndIgnoresTheRest) {
  WindowHandle window = MakeWindow();
  ASSERT_NE(window, 0u);
  EXPECT_EQ(DefWindowProc(window, WM_USER, 1, 2), 0);
  EXPECT_EQ(DefWindowProc(window, WM_KEYDOWN, 'A', 0), 0);
  EXPECT_EQ(CountSeen(window, WM_DESTROY), 0);
  Rect rect{};
  EXPECT_TRUE(GetWindowRect(window, &rect));

  EXPECT_EQ(SendMessage(window, WM_CLOSE, 0, 0), 0);
  EXPECT_EQ(CountSeen(window, WM_DESTROY), 1);
  EXPECT_FALSE(GetWindowRect(window, &rect)) << "WM_CLOSE's default destroyed it";
}

}  // namespace
