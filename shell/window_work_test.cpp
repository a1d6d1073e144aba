// The window's long work on the scripted platform, whose threads run when
// the program waits: the order of the cursor, thread and completion calls
// around Detect and Fix, commands ignored and painting kept while work runs,
// and a close that waits for a write. The start export has its own file,
// start_export_test.cpp.
#include "shell/window_work.h"

#include <string>
#include <vector>

#include "platform/registry/local_registry.h"
#include "platform/registry/registry.h"
#include "platform/registry/testing/memory_registry.h"
#include "resources/resource_ids.h"
#include "shell/app_start.h"
#include "shell/export_outcome.h"
#include "shell/main_window.h"
#include "shell/testing/shell_test_support.h"

namespace {

constexpr char THREAD[] = "0xf00004";

class WindowWorkTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    InstallRegistryStore(&registry_);
    ASSERT_TRUE(InitInstance(ProgramInstance(), SW_SHOW));
    registry_.PutString(HKEY_LOCAL_MACHINE, u"Drivers\\Active\\01", u"Name", u"COM5:");
    registry_.PutString(HKEY_LOCAL_MACHINE, u"Drivers\\Active\\01", u"Key", u"Drivers\\Bt");
    registry_.PutString(HKEY_LOCAL_MACHINE, u"Drivers\\Bt", u"Dll", u"QVBTDEV.DLL");
    windows_.ClearCalls();
  }
  void TearDown() override {
    InstallRegistryStore(nullptr);
    ShellTest::TearDown();
  }
  void Command(uint16_t id) { SendMessage(MAIN_WINDOW, WM_COMMAND, id, 0); }
  std::u16string Dll() {
    return registry_.GetString(HKEY_LOCAL_MACHINE, u"Drivers\\Bt", u"Dll").value_or(u"<none>");
  }
  // The calls so far, the completion's lparam (a pointer) cut off.
  std::vector<std::string> Calls() const {
    std::vector<std::string> calls = windows_.Calls();
    for (std::string& call : calls) {
      if (call.find(", 0x401, ") != std::string::npos) call = call.substr(0, call.rfind(", "));
    }
    return calls;
  }
  std::string W() const { return HandleText(MAIN_WINDOW); }

  MemoryRegistry registry_;
};

TEST_F(WindowWorkTest, DetectStartsTheWorkerUnderTheWaitCursorAndShowsTheReportWhenItIsDone) {
  Command(IDM_DETECT);
  EXPECT_EQ(Calls(), (std::vector<std::string>{Sent(MAIN_WINDOW, "WM_COMMAND", "0x9c44", "0x0"),
                                               "SetCursor(IDC_WAIT)",
                                               std::string("CreateThread(") + THREAD + ")",
                                               "InvalidateRect(" + W() + ", null, false)"}));
  EXPECT_EQ(windows_.Cursor(), IDC_WAIT);
  EXPECT_STREQ(DisplayText.CStr(), "   Examining the registry export...")
      << "the window says what it does; the report comes with the completion";
  EXPECT_TRUE(WorkInProgress(Shell().work));

  windows_.ClearCalls();
  FinishWork();
  const std::string t = THREAD;
  EXPECT_EQ(Calls(), (std::vector<std::string>{
                         "thread " + t + " runs", "PostMessage(" + W() + ", 0x401, 0x0",
                         "thread " + t + " returns", "WaitForSingleObject(" + t + ", INFINITE)",
                         "CloseHandle(" + t + ")", "SetCursor(IDC_ARROW)",
                         "InvalidateRect(" + W() + ", null, false)"}));
  EXPECT_EQ(windows_.Cursor(), IDC_ARROW);
  EXPECT_STREQ(DisplayText.CStr(), "COM5:\r\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\r\n");
  EXPECT_FALSE(WorkInProgress(Shell().work));
}

TEST_F(WindowWorkTest, FixShowsItsBoxOnlyAfterTheWorkerIsDone) {
  Command(IDM_FIX);
  EXPECT_TRUE(windows_.CallsOf({"MessageBox"}).empty());
  FinishWork();
  std::vector<std::string> calls = WithoutWork(Calls());
  ASSERT_EQ(calls.size(), 5u) << "examining, repairing, the report, the box";
  EXPECT_EQ(calls[3], "InvalidateRect(" + W() + ", null, false)");
  EXPECT_EQ(calls[4].rfind("MessageBox(" + W() + ", \" We have solved the Bug.", 0), 0u)
      << calls[4];
  EXPECT_EQ(Dll(), u"BTCEIF.DLL");
}

// Each text the window shows while a Fix works, in order: what it examines,
// how many drivers it repairs while the repair is written, then the report.
TEST_F(WindowWorkTest, FixSaysWhatItDoesWhileItWorks) {
  Command(IDM_FIX);
  EXPECT_EQ(
      FinishWorkShowing(),
      (std::vector<std::string>{"   Examining the registry export...", "   Repairing 1 driver...",
                                "COM5:\r\nDll: QVBTDEV.DLL  FIXED!\r\n"}));
}

// The computer's own registry, as quorvafix --local-registry installs it,
// here over the memory store.
class LocalMemoryRegistry : public LocalRegistry {
 public:
  explicit LocalMemoryRegistry(MemoryRegistry* registry) : registry_(registry) {}
  RegStatus OpenKey(RegKey key, const char16_t* path, RegKey* result) override {
    return registry_->OpenKey(key, path, result);
  }
  RegStatus EnumSubkey(RegKey key, uint32_t index, char16_t* name, uint32_t* length) override {
    return registry_->EnumSubkey(key, index, name, length);
  }
  RegStatus QueryValue(RegKey key, const char16_t* name, uint32_t* type, uint8_t* data,
                       uint32_t* size) override {
    return registry_->QueryValue(key, name, type, data, size);
  }
  RegStatus SetValue(RegKey key, const char16_t* name, uint32_t type, const uint8_t* data,
                     uint32_t size) override {
    return registry_->SetValue(key, name, type, data, size);
  }
  RegStatus CloseKey(RegKey key) override { return registry_->CloseKey(key); }
  std::string LastFailure() const override { return std::string(); }

 private:
  MemoryRegistry* registry_;
};

TEST_F(WindowWorkTest, OnTheComputersOwnRegistryAFixSaysSo) {
  LocalMemoryRegistry local(&registry_);
  InstallRegistryStore(&local);
  Command(IDM_FIX);
  EXPECT_EQ(FinishWorkShowing(),
            (std::vector<std::string>{"   Examining the registry of this computer...",
                                      "   Repairing 1 driver in the registry of this computer...",
                                      "COM5:\r\nDll: QVBTDEV.DLL  FIXED!\r\n"}));
  EXPECT_EQ(Dll(), u"BTCEIF.DLL");
}

TEST_F(WindowWorkTest, WhileWorkRunsScansAreIgnoredAndTheWindowKeepsPainting) {
  Command(IDM_DETECT);
  windows_.ClearCalls();
  Command(IDM_FIX);
  Command(IDM_DETECT);
  SendMessage(MAIN_WINDOW, WM_PAINT, 0, 0);
  EXPECT_TRUE(windows_.CallsOf({"CreateThread", "MessageBox"}).empty())
      << "the store is the worker's until it is done";
  std::vector<std::string> drawn = windows_.CallsOf({"DrawText"});
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_NE(drawn[0].find("Examining the registry export"), std::string::npos)
      << "the text of the work in progress";

  FinishWork();
  EXPECT_EQ(Dll(), u"QVBTDEV.DLL") << "the ignored Fix wrote nothing";
  EXPECT_EQ(windows_.CallsOf({"CreateThread"}).size(), 0u);
  EXPECT_TRUE(windows_.CallsOf({"MessageBox"}).empty());
}

TEST_F(WindowWorkTest, CloseDuringAWriteWaitsForItThenClosesWithoutABox) {
  Command(IDM_FIX);
  SendMessage(MAIN_WINDOW, WM_CLOSE, 0, 0);
  EXPECT_TRUE(windows_.IsWindow(MAIN_WINDOW)) << "the window waits for the write";
  EXPECT_STREQ(DisplayText.CStr(), CLOSING_REPAIR_TEXT) << "and says so";
  ASSERT_FALSE(windows_.CallsOf({"DrawText"}).empty());
  EXPECT_NE(windows_.CallsOf({"DrawText"}).back().find(CLOSING_REPAIR_TEXT), std::string::npos)
      << "painted at once, not when the loop next runs";
  EXPECT_EQ(Dll(), u"QVBTDEV.DLL");

  windows_.ClearCalls();
  FinishWork();
  EXPECT_FALSE(windows_.IsWindow(MAIN_WINDOW));
  EXPECT_EQ(Dll(), u"BTCEIF.DLL") << "the write was finished";
  std::vector<std::string> calls = WithoutWork(Calls());
  const std::string bar = HandleText(MENU_BAR);
  EXPECT_EQ(calls, (std::vector<std::string>{
                       "DefWindowProc(" + W() + ", WM_CLOSE, 0x0, 0x0)",
                       "DestroyWindow(" + W() + ")", Sent(MAIN_WINDOW, "WM_DESTROY", "0x0", "0x0"),
                       "DestroyWindow(" + bar + ")", Sent(MENU_BAR, "WM_DESTROY", "0x0", "0x0"),
                       "DefWindowProc(" + bar + ", WM_DESTROY, 0x0, 0x0)", "PostQuitMessage(0)"}));
  EXPECT_EQ(windows_.Cursor(), IDC_ARROW);
}

TEST_F(WindowWorkTest, CloseWithNoWorkClosesAtOnce) {
  SendMessage(MAIN_WINDOW, WM_CLOSE, 0, 0);
  EXPECT_FALSE(windows_.IsWindow(MAIN_WINDOW));
  EXPECT_TRUE(windows_.CallsOf({"SetCursor", "CreateThread"}).empty());
}

}  // namespace
