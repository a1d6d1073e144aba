// Threads and cursors: CreateThread, WaitForSingleObject, CloseHandle,
// PostMessage from a thread, LoadCursor and SetCursor.
#include <atomic>
#include <chrono>
#include <thread>

#include "platform/windowing/testing/platform_conformance.h"

namespace {

// What a thread is given: where to post, and a gate it may wait at.
struct ThreadWork {
  WindowHandle window = 0;
  int posts = 0;
  std::atomic<bool> open{true};
  std::atomic<int> runs{0};
};

uint32_t PostingThread(void* parameter) {
  auto* work = static_cast<ThreadWork*>(parameter);
  while (!work->open.load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  for (int i = 0; i < work->posts; ++i) {
    PostMessage(work->window, WM_USER + 7, static_cast<WordParam>(i), 0);
  }
  ++work->runs;
  return 0;
}

TEST_P(PlatformConformance, AThreadRunsOnceAndItsPostsArriveInOrder) {
  WindowHandle window = MakeWindow();
  ASSERT_NE(window, 0u);
  ThreadWork work;
  work.window = window;
  work.posts = 3;
  ThreadHandle thread = CreateThread(PostingThread, &work);
  ASSERT_NE(thread, 0u);
  for (int i = 0; i < 3; ++i) {
    // The window's own paints may come between.
    WindowMessage message{};
    do {
      ASSERT_EQ(GetMessage(&message, 0, 0, 0), 1);
      DispatchMessage(&message);
    } while (message.message != WM_USER + 7);
    EXPECT_EQ(message.window, window);
    EXPECT_EQ(message.wparam, static_cast<WordParam>(i)) << "in the order posted";
  }
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0) << "still returned";
  EXPECT_TRUE(CloseHandle(thread));
  EXPECT_EQ(work.runs.load(), 1);
}

TEST_P(PlatformConformance, WaitForSingleObjectTimesOutWhileTheThreadRuns) {
  ThreadWork work;
  work.open = false;
  ThreadHandle thread = CreateThread(PostingThread, &work);
  ASSERT_NE(thread, 0u);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(WaitForSingleObject(thread, 50), WAIT_TIMEOUT);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(40));
  EXPECT_EQ(work.runs.load(), 0);
  work.open = true;
  EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
  EXPECT_EQ(work.runs.load(), 1);
  EXPECT_TRUE(CloseHandle(thread));
}

TEST_P(PlatformConformance, APostToAWindowGoneSinceIsDropped) {
  WindowHandle doomed = MakeWindow();
  WindowHandle other = MakeWindow();
  ASSERT_NE(doomed, 0u);
  ASSERT_NE(other, 0u);
  ThreadWork work;
  work.window = doomed;
  work.posts = 1;
  work.open = false;
  ThreadHandle thread = CreateThread(PostingThread, &work);
  ASSERT_NE(thread, 0u);
  ASSERT_TRUE(DestroyWindow(doomed));
  work.open = true;
  ASSERT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  ASSERT_TRUE(CloseHandle(thread));
  ASSERT_TRUE(PostMessage(other, WM_USER + 8, 0, 0));
  WindowMessage message{};
  do {
    ASSERT_EQ(GetMessage(&message, 0, 0, 0), 1);
    EXPECT_NE(message.message, static_cast<uint32_t>(WM_USER + 7)) << "the dead window's post";
    DispatchMessage(&message);
  } while (message.message != WM_USER + 8);
}

TEST_P(PlatformConformance, ThreadHandlesFailOnceClosedOrUnknown) {
  ThreadWork work;
  ThreadHandle thread = CreateThread(PostingThread, &work);
  ASSERT_NE(thread, 0u);
  EXPECT_TRUE(CloseHandle(thread)) << "closing waits for the thread";
  EXPECT_EQ(work.runs.load(), 1);
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_FAILED);
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_FAILED);
  EXPECT_FALSE(CloseHandle(thread));
  EXPECT_EQ(WaitForSingleObject(0, 0), WAIT_FAILED);
  EXPECT_FALSE(CloseHandle(0));
  EXPECT_EQ(WaitForSingleObject(0x00BAD000u, 0), WAIT_FAILED);
  EXPECT_FALSE(CloseHandle(0x00BAD000u));
}

TEST_P(PlatformConformance, LoadCursorGivesTheStockCursorsOnly) {
  CursorHandle arrow = LoadCursor(0, IDC_ARROW);
  CursorHandle wait = LoadCursor(0, IDC_WAIT);
  EXPECT_NE(arrow, 0u);
  EXPECT_NE(wait, 0u);
  EXPECT_NE(arrow, wait);
  EXPECT_EQ(LoadCursor(0, IDC_ARROW), arrow) << "the same cursor each time";
  EXPECT_EQ(LoadCursor(0, 12345), 0u);
  EXPECT_EQ(LoadCursor(ConformanceInstance(), IDC_ARROW), 0u) << "the module has no cursors";
}

TEST_P(PlatformConformance, SetCursorReturnsTheCursorShownBefore) {
  WindowHandle window = MakeWindow();
  ASSERT_NE(window, 0u);
  CursorHandle arrow = LoadCursor(0, IDC_ARROW);
  CursorHandle wait = LoadCursor(0, IDC_WAIT);
  SetCursor(arrow);
  EXPECT_EQ(SetCursor(wait), arrow);
  Platform().PumpEvents(20);  // busy: the wait cursor stays meanwhile
  EXPECT_EQ(SetCursor(wait), wait);
  EXPECT_EQ(SetCursor(arrow), wait);
  EXPECT_EQ(SetCursor(arrow), arrow);
}

}  // namespace
