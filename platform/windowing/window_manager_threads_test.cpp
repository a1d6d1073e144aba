// WindowManagerBase's threads, cursors and cross-thread posting, with real
// threads (the scripted stand-in's own deferred threads are bypassed by
// calling the base's operations).
#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <thread>

#include "platform/windowing/scripted/scripted_window_manager.h"
#include "platform/windowing/window_manager_base.h"

namespace {

MessageResult QuietProc(WindowHandle window, uint32_t message, WordParam wparam, LongParam lparam) {
  return DefWindowProc(window, message, wparam, lparam);
}

struct Shared {
  std::atomic<bool> release{false};
  std::atomic<bool> signals_held{false};
  WindowHandle target = 0;
  uint32_t message = WM_USER + 7;
};

// Whether this thread holds every termination signal back. Windows has no
// signal masks: its console handlers run on a thread of their own.
bool TerminationSignalsHeld() {
#ifdef _WIN32
  return true;
#else
  sigset_t mask;
  pthread_sigmask(SIG_BLOCK, nullptr, &mask);
  return sigismember(&mask, SIGTERM) == 1 && sigismember(&mask, SIGINT) == 1 &&
         sigismember(&mask, SIGHUP) == 1 && sigismember(&mask, SIGQUIT) == 1;
#endif
}

uint32_t HeldThenPosting(void* parameter) {
  auto* shared = static_cast<Shared*>(parameter);
  shared->signals_held = TerminationSignalsHeld();
  while (!shared->release) std::this_thread::yield();
  PostMessage(shared->target, shared->message, 5, 6);
  return 0;
}

class WindowManagerThreadsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallWindowManager(&windows);
    WindowClass cls{};
    cls.procedure = QuietProc;
    cls.class_name = u"TEST";
    ASSERT_NE(RegisterClass(cls), 0);
    window = CreateWindowEx(0, u"TEST", u"T", 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, 0, 0, 0, nullptr);
    ASSERT_NE(window, 0u);
  }
  void TearDown() override { InstallWindowManager(nullptr); }
  // The base's own operations, not the stand-in's deferred ones.
  ThreadHandle Create(ThreadProcedure procedure, void* parameter) {
    return windows.WindowManagerBase::CreateThread(procedure, parameter);
  }
  uint32_t Wait(ThreadHandle thread, uint32_t milliseconds) {
    return windows.WindowManagerBase::WaitForSingleObject(thread, milliseconds);
  }
  bool Close(ThreadHandle thread) { return windows.WindowManagerBase::CloseHandle(thread); }

  ScriptedWindowManager windows;
  WindowHandle window = 0;
};

TEST_F(WindowManagerThreadsTest, ThreadRunsAloneTimesOutThenPostsToTheWindowsQueue) {
  Shared shared;
  shared.target = window;
  ThreadHandle thread = Create(HeldThenPosting, &shared);
  ASSERT_NE(thread, 0u);
  EXPECT_EQ(Wait(thread, 20), WAIT_TIMEOUT);
  shared.release = true;
  EXPECT_EQ(Wait(thread, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(Wait(thread, 0), WAIT_OBJECT_0) << "ended stays ended";
  EXPECT_TRUE(shared.signals_held) << "termination signals go to the windows' thread";
  WindowMessage message{};
  ASSERT_EQ(GetMessage(&message, 0, 0, 0), 1);
  EXPECT_EQ(message.window, window);
  EXPECT_EQ(message.message, WM_USER + 7);
  EXPECT_EQ(message.wparam, 5u);
  EXPECT_EQ(message.lparam, 6);
  EXPECT_TRUE(Close(thread));
  EXPECT_FALSE(Close(thread));
  EXPECT_EQ(Wait(thread, INFINITE), WAIT_FAILED);
}

TEST_F(WindowManagerThreadsTest, PostFromAThreadToAWindowGoneSinceIsDropped) {
  Shared shared;
  shared.target = window;
  shared.release = true;
  shared.message = WM_USER + 8;
  ThreadHandle thread = Create(HeldThenPosting, &shared);
  ASSERT_EQ(Wait(thread, INFINITE), WAIT_OBJECT_0);
  Close(thread);
  DestroyWindow(window);
  PostQuitMessage(3);
  WindowMessage message{};
  EXPECT_EQ(GetMessage(&message, 0, 0, 0), 0) << "only the quit is left";
  EXPECT_EQ(message.wparam, 3u);
  EXPECT_FALSE(PostMessage(window, WM_USER, 0, 0)) << "on the windows' thread it is refused";
}

TEST(WindowManagerThreads, UnknownHandlesAndProceduresFail) {
  ScriptedWindowManager windows;
  EXPECT_EQ(windows.WindowManagerBase::CreateThread(nullptr, nullptr), 0u);
  EXPECT_EQ(windows.WindowManagerBase::WaitForSingleObject(0, INFINITE), WAIT_FAILED);
  EXPECT_FALSE(windows.WindowManagerBase::CloseHandle(0x1234));
  EXPECT_EQ(WaitForSingleObject(4, INFINITE), WAIT_FAILED) << "no manager installed";
}

TEST(WindowManagerCursors, StockCursorsOnlyAndSetCursorReturnsThePreviousOne) {
  ScriptedWindowManager windows;
  EXPECT_EQ(windows.LoadCursor(0, IDC_WAIT), IDC_WAIT);
  EXPECT_EQ(windows.LoadCursor(0, IDC_ARROW), IDC_ARROW);
  EXPECT_EQ(windows.LoadCursor(0, 32513), 0u);
  EXPECT_EQ(windows.LoadCursor(0x10000, IDC_WAIT), 0u);
  EXPECT_EQ(windows.SetCursor(IDC_WAIT), 0u);
  EXPECT_EQ(windows.Cursor(), IDC_WAIT);
  EXPECT_EQ(windows.SetCursor(IDC_ARROW), IDC_WAIT);
  EXPECT_EQ(windows.Cursor(), IDC_ARROW);
  EXPECT_EQ(windows.CallsOf({"SetCursor"}),
            (std::vector<std::string>{"SetCursor(IDC_WAIT)", "SetCursor(IDC_ARROW)"}));
}

}  // namespace
