// The Win32 window manager on real windows (under Wine in the Windows
// build): frames found by the system, paints with a real HDC, the loop woken
// by a thread, WM_COPYDATA with another program's window, dialogs, message
// boxes, menus, keys, drops, resizing and the wait cursor.
// One file: every case needs the same live manager, class and frame.
#include "platform/win32/win32_window_manager.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/testing/win32_service_readback.h"
#include "platform/win32/testing/win32_test_calls.h"
#include "platform/windowing/desktop_services.h"
#include "platform/windowing/shell_services.h"
#include "resources/quorvafix_resources.h"
#include "resources/resource_ids.h"

namespace {

using win32_testing::DialogAction;
using win32_testing::DialogWatcher;

constexpr char16_t CLASS_NAME[] = u"QuorvafixWin32Test";
// The icon group of testing/win32_test_icon.rc.
constexpr IconGroupResource PROGRAM_ICON{101, nullptr, 0};
constexpr uint32_t WM_DONE = WM_USER + 1;

// What the window's procedure saw, and what its paint draws.
struct Seen {
  std::vector<WindowMessage> messages;
  std::u16string paint_text;
  Rect paint_box{4, 4, 200, 400};
  uint32_t paint_format = 0;
  DeviceContext paint_dc = 0;
  int paint_height = 0;
  int paints = 0;
  std::vector<std::u16string> dropped;
  std::string copied;
  uintptr_t copied_kind = 0;

  int Count(uint32_t message) const {
    int count = 0;
    for (const WindowMessage& seen : messages) count += seen.message == message;
    return count;
  }
};
Seen* seen = nullptr;

MessageResult Procedure(WindowHandle window, uint32_t message, WordParam wparam, LongParam lparam) {
  seen->messages.push_back(WindowMessage{window, message, wparam, lparam});
  switch (message) {
    case WM_PAINT: {
      PaintInfo paint{};
      seen->paint_dc = BeginPaint(window, &paint);
      Rect box = seen->paint_box;
      seen->paint_height =
          DrawText(paint.dc, seen->paint_text.c_str(), -1, &box, seen->paint_format);
      EndPaint(window, &paint);
      ++seen->paints;
      return 0;
    }
    case WM_DROPFILES: {
      auto drop = static_cast<DropHandle>(wparam);
      for (uint32_t i = 0; i < DragQueryFile(drop, DRAG_QUERY_COUNT, nullptr, 0); ++i) {
        char16_t path[260] = {};
        DragQueryFile(drop, i, path, 260);
        seen->dropped.push_back(path);
      }
      DragFinish(drop);
      return 0;
    }
    case WM_COPYDATA: {
      const auto* record = reinterpret_cast<const CopyData*>(lparam);
      seen->copied_kind = record->kind;
      seen->copied.assign(static_cast<const char*>(record->data), record->size);
      return 0;
    }
    default:
      return DefWindowProc(window, message, wparam, lparam);
  }
}

class Win32WindowManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    seen = &record_;
    InstallWindowManager(&windows_);
    WindowClass window_class{};
    window_class.procedure = &Procedure;
    window_class.background = GetStockObject(WHITE_BRUSH);
    window_class.icon = &PROGRAM_ICON;
    window_class.class_name = CLASS_NAME;
    ASSERT_NE(RegisterClass(window_class), 0);
    window_ = CreateWindowEx(0, CLASS_NAME, u"Quorvafix test", WS_VISIBLE, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, 0, nullptr);
    ASSERT_NE(window_, 0u);
    frame_ = windows_.NativeWindow(window_);
    ASSERT_NE(frame_, nullptr);
  }
  void TearDown() override {
    InstallWindowManager(nullptr);
    seen = nullptr;
  }
  // Reads the program's queue until message arrives (the loop pumps the
  // native one meanwhile); false when WM_QUIT comes first, or after a few
  // seconds without it.
  bool ReadUntil(uint32_t message, WindowMessage* got = nullptr) {
    win32_testing::LoopWatchdog watchdog(5000);
    WindowMessage next{};
    while (GetMessage(&next, 0, 0, 0) != 0) {
      DispatchMessage(&next);
      if (next.message == message) {
        if (got != nullptr) *got = next;
        return true;
      }
    }
    return false;
  }

  Seen record_;
  Win32WindowManager windows_;
  WindowHandle window_ = 0;
  HWND frame_ = nullptr;
};

TEST_F(Win32WindowManagerTest, FramesAreRealWindowsTheSystemFindsByClassAndTitle) {
  EXPECT_TRUE(win32_testing::IsRealWindow(frame_));
  EXPECT_TRUE(win32_testing::IsVisible(frame_));
  EXPECT_EQ(win32_testing::FindTopLevel(CLASS_NAME, nullptr), frame_);
  EXPECT_EQ(win32_testing::FindTopLevel(CLASS_NAME, u"Quorvafix test"), frame_);
  EXPECT_EQ(windows_.WindowOf(frame_), window_);

  ASSERT_TRUE(SetWindowText(window_, u"Renamed"));
  EXPECT_EQ(win32_testing::TitleOf(frame_), u"Renamed");
  EXPECT_EQ(win32_testing::FindTopLevel(CLASS_NAME, u"Renamed"), frame_);

  // The handheld's work area: the client area's size, the program's origin.
  Rect rect{};
  ASSERT_TRUE(GetWindowRect(window_, &rect));
  EXPECT_EQ(rect, (Rect{0, TOP_BAR_HEIGHT, 240, TOP_BAR_HEIGHT + 294}));
  win32_testing::Size client = win32_testing::ClientSize(frame_);
  EXPECT_EQ(client.width, 240);
  EXPECT_EQ(client.height, 294);

  ASSERT_TRUE(MoveWindow(window_, 0, TOP_BAR_HEIGHT, 300, 200, true));
  client = win32_testing::ClientSize(frame_);
  EXPECT_EQ(client.width, 300);
  EXPECT_EQ(client.height, 200);

  ASSERT_TRUE(DestroyWindow(window_));
  EXPECT_FALSE(win32_testing::IsRealWindow(frame_));
  EXPECT_EQ(windows_.NativeWindow(window_), nullptr);
}

TEST_F(Win32WindowManagerTest, PaintHandsTheProgramARealDeviceContextForDrawText) {
  const int line = win32_testing::TextLineHeight();
  struct Case {
    std::u16string text;
    uint32_t format;
    int lines;  // 0: more than one, as many as the words need
  } cases[] = {
      {u"one line", 0, 1},
      {u"first\r\nsecond\nthird\rfourth", 0, 4},
      {u"a long sentence of many words that cannot fit on one narrow line of the frame",
       DT_WORDBREAK, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
    record_.paint_text = c.text;
    record_.paint_format = c.format;
    record_.paint_box = Rect{4, 4, 120, 400};
    win32_testing::RepaintNow(frame_);
    EXPECT_NE(record_.paint_dc, 0u);
    if (c.lines > 0) {
      EXPECT_EQ(record_.paint_height, c.lines * line);
    } else {
      EXPECT_GT(record_.paint_height, 2 * line);
    }
  }
  // The text is drawn where the program put it, and nowhere else.
  EXPECT_TRUE(win32_testing::HasInk(frame_, 4, 4, 120, 4 + record_.paint_height));
  EXPECT_FALSE(win32_testing::HasInk(frame_, 130, 4, 230, 200));

  // Outside WM_PAINT there is no device context.
  PaintInfo paint{};
  EXPECT_EQ(BeginPaint(window_, &paint), 0u);
}

TEST_F(Win32WindowManagerTest, LongTextGetsAScrollBarAndTheKeysScrollIt) {
  record_.paint_text.clear();
  for (int i = 0; i < 80; ++i) record_.paint_text += u"line\n";
  win32_testing::RepaintNow(frame_);
  Rect client{};
  ASSERT_TRUE(GetClientRect(window_, &client));
  EXPECT_EQ(client.right, 240 - win32_testing::SystemScrollBarWidth());
  EXPECT_GT(client.bottom, 294);

  win32_testing::SendKey(frame_, 0x22);  // VK_NEXT: PageDown
  EXPECT_GT(win32_testing::ScrollPosition(frame_), 0);
  win32_testing::SendKey(frame_, 0x24);  // VK_HOME
  EXPECT_EQ(win32_testing::ScrollPosition(frame_), 0);

  // Another text starts at the top.
  win32_testing::SendKey(frame_, 0x23);  // VK_END
  EXPECT_GT(win32_testing::ScrollPosition(frame_), 0);
  record_.paint_text += u"more\n";
  win32_testing::RepaintNow(frame_);
  EXPECT_EQ(win32_testing::ScrollPosition(frame_), 0);
}

TEST_F(Win32WindowManagerTest, ScreenReadersReadTheLastPaintAsAReadOnlyReport) {
  ValueChangeCounter changes(frame_);
  struct Case {
    std::u16string text;
    int changes;  // value changes told so far
  } cases[] = {
      {u"COM5:\r\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\r\n", 1},
      {u"COM5:\r\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\r\n", 1},  // painted again
      {u"COM5:\r\nDll: QVBTDEV.DLL  FIXED!\r\n", 2},
  };
  for (const Case& c : cases) {
    record_.paint_text = c.text;
    win32_testing::RepaintNow(frame_);
    win32_testing::PumpPending();
    const AccessibleClient client = ReadAccessibleClient(frame_);
    ASSERT_TRUE(client.found);
    EXPECT_EQ(client.value, c.text);
    EXPECT_EQ(client.name, u"Report");
    EXPECT_EQ(client.role, ACCESSIBLE_ROLE_TEXT);
    EXPECT_NE(client.state & ACCESSIBLE_STATE_READONLY, 0u);
    EXPECT_EQ(changes.Count(), c.changes);
  }
}

uint32_t PostFromThread(void* window) {
  // Late enough for the loop to wait in GetMessageW with nothing else to do.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  PostMessage(static_cast<WindowHandle>(reinterpret_cast<uintptr_t>(window)), WM_DONE, 42, 0);
  return 0;
}

TEST_F(Win32WindowManagerTest, AMessagePostedByAThreadWakesTheLoop) {
  win32_testing::RepaintNow(frame_);
  win32_testing::PumpPending();
  ThreadHandle thread =
      CreateThread(&PostFromThread, reinterpret_cast<void*>(static_cast<uintptr_t>(window_)));
  ASSERT_NE(thread, 0u);
  WindowMessage got{};
  ASSERT_TRUE(ReadUntil(WM_DONE, &got));
  EXPECT_EQ(got.wparam, 42u);
  EXPECT_TRUE(CloseHandle(thread));
}

TEST_F(Win32WindowManagerTest, CopyDataCrossesToAndFromAnotherProgramsWindow) {
  win32_testing::OtherProgram other(u"QuorvafixWin32Other");
  WindowHandle found = FindWindow(u"QuorvafixWin32Other", nullptr);
  ASSERT_NE(found, 0u);
  EXPECT_EQ(found & 1u, 0u);
  const char bytes[] = "C:\\exports\\unit.reg";
  CopyData data{3, sizeof(bytes) - 1, bytes};
  EXPECT_EQ(SendMessage(found, WM_COPYDATA, 0, reinterpret_cast<LongParam>(&data)), 1);
  ASSERT_EQ(other.ReceivedData().size(), 1u);
  EXPECT_EQ(other.ReceivedData()[0].kind, 3u);
  EXPECT_EQ(other.ReceivedData()[0].bytes, "C:\\exports\\unit.reg");
  // Any other message to it goes nowhere.
  EXPECT_EQ(SendMessage(found, WM_USER, 0, 0), 0);

  EXPECT_NE(other.SendCopyData(frame_, 5, "second copy"), 0);
  EXPECT_EQ(record_.copied_kind, 5u);
  EXPECT_EQ(record_.copied, "second copy");
  // The program's own frame is found locally, never as another program's.
  EXPECT_EQ(FindWindow(CLASS_NAME, nullptr), window_);
}

TEST_F(Win32WindowManagerTest, NativeEventsBecomeTheProgramsMessages) {
  WindowMessage got{};
  struct Key {
    uint32_t key;
    bool control, shift;
    LongParam held;
  } keys[] = {{'O', false, false, 0},
              {'C', true, false, MOD_CONTROL},
              {'7', true, true, MOD_CONTROL | MOD_SHIFT}};
  for (const Key& key : keys) {
    win32_testing::HoldKeys(key.control, key.shift);
    win32_testing::SendKey(frame_, key.key);
    win32_testing::HoldKeys(false, false);
    ASSERT_TRUE(ReadUntil(WM_KEYDOWN, &got));
    EXPECT_EQ(got.wparam, static_cast<WordParam>(key.key));
    EXPECT_EQ(got.lparam, key.held);
  }

  ASSERT_TRUE(windows_.SetFrameMenu(window_, win32_testing::MakeMenu(u"&File", u"&Open", 104)));
  EXPECT_TRUE(win32_testing::HasMenu(frame_));
  EXPECT_EQ(win32_testing::ClientSize(frame_).height, 294);
  win32_testing::PostMenuCommand(frame_, 104);
  ASSERT_TRUE(ReadUntil(WM_COMMAND, &got));
  EXPECT_EQ(got.wparam, 104u);

  win32_testing::PostDrop(frame_, {u"C:\\a.reg", u"C:\\b c.reg"});
  ASSERT_TRUE(ReadUntil(WM_DROPFILES));
  EXPECT_EQ(record_.dropped, (std::vector<std::u16string>{u"C:\\a.reg", u"C:\\b c.reg"}));

  win32_testing::GrowFrame(frame_, 40, 30);
  Rect rect{};
  ASSERT_TRUE(GetWindowRect(window_, &rect));
  EXPECT_EQ(rect, (Rect{0, TOP_BAR_HEIGHT, 280, TOP_BAR_HEIGHT + 324}));
  EXPECT_EQ(record_.Count(WM_SETTINGCHANGE), 1);

  win32_testing::SendClose(frame_);
  EXPECT_EQ(record_.Count(WM_CLOSE), 1);
  EXPECT_FALSE(win32_testing::IsRealWindow(frame_));
}

TEST_F(Win32WindowManagerTest, TheWaitCursorShowsOverTheFrames) {
  SetCursor(LoadCursor(0, IDC_WAIT));
  win32_testing::SendSetCursor(frame_);
  EXPECT_TRUE(win32_testing::ShowsWaitCursor());
  SetCursor(LoadCursor(0, IDC_ARROW));
  win32_testing::SendSetCursor(frame_);
  EXPECT_FALSE(win32_testing::ShowsWaitCursor());
}

TEST_F(Win32WindowManagerTest, MessageBoxIsTheSystemsAndItsOkButtonEndsIt) {
  struct Case {
    bool owned;
    bool icon;  // the program's icon in the title bar
    uint32_t type;
  } cases[] = {{true, false, MB_OK | MB_ICONWARNING},
               {false, true, MB_OK | MB_ICONWARNING},
               {true, false, MB_OK | MB_ICONINFORMATION},
               {true, false, MB_OK}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.owned ? "owned " : "without owner ") + std::to_string(c.type));
    DialogWatcher watcher(u"Warning caption", DialogAction::PressOk);
    EXPECT_EQ(MessageBox(c.owned ? window_ : 0, u"Something to read", u"Warning caption", c.type),
              IDOK);
    EXPECT_TRUE(watcher.Acted());
    EXPECT_NE(watcher.SeenText().find(u"Something to read"), std::u16string::npos);
    EXPECT_EQ(watcher.HadIcon(), c.icon);
    EXPECT_EQ(watcher.Sign(), c.type);
  }
}

TEST_F(Win32WindowManagerTest, ForegroundWithBitZeroBringsTheOpenBoxForward) {
  HWND box = nullptr;
  HWND with_owned = nullptr;
  // From inside the box's own loop, as when a second copy asks.
  win32_testing::RunFromLoopAfter(300, [&] {
    box = win32_testing::FindTopLevel(u"#32770", u"Busy box");
    EXPECT_TRUE(SetForegroundWindow(window_));
    EXPECT_TRUE(SetForegroundWindow(window_ | 1u));
    with_owned = win32_testing::ForegroundWindow();
    win32_testing::PressOk(box);
  });
  EXPECT_EQ(MessageBox(window_, u"Open", u"Busy box", MB_OK), IDOK);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(with_owned, box);
}

constexpr DialogControlResource ABOUT_CONTROLS[] = {
    {DialogControlKind::Text, u"About the test", 0, IDC_STATIC, SS_LEFT, 10, 10, 100, 10},
};
const DialogTemplate ABOUT_TEMPLATES[] = {
    {7, WS_POPUP | WS_CAPTION | DS_SETFONT, WS_EX_CAPTIONOKBTN, 0, 0, 140, 60, u"About test", 8,
     u"Tahoma", ABOUT_CONTROLS, 1},
    {8, WS_POPUP | WS_CAPTION | DS_SETFONT, 0, 0, 0, 140, 60, u"Plain test", 8, u"Tahoma",
     ABOUT_CONTROLS, 1},
};
const ResourceModule TEST_MODULE{nullptr, 0, nullptr,         0, nullptr, 0,
                                 nullptr, 0, ABOUT_TEMPLATES, 2, nullptr, 0};

// What the dialog procedure found while its dialog ran.
struct DialogSeen {
  Win32WindowManager* windows = nullptr;
  HWND owner_frame = nullptr;
  uint32_t flags = 0;  // SHInitDialog flags applied at WM_INITDIALOG
  bool owner_enabled = true;
  bool found_back = false;  // WindowOf(NativeWindow(dialog)) gave the dialog
  win32_testing::Box dialog_box{};
  uint16_t command = 0;
} dialog_seen;

bool DialogProcedure(WindowHandle dialog, uint32_t message, WordParam wparam, LongParam) {
  if (message == WM_INITDIALOG) {
    dialog_seen.windows->ApplyDialogFlags(dialog, dialog_seen.flags);
    return true;
  }
  if (message != WM_COMMAND) return false;
  HWND native = dialog_seen.windows->NativeWindow(dialog);
  dialog_seen.command = LowWord(wparam);
  dialog_seen.owner_enabled = win32_testing::IsEnabled(dialog_seen.owner_frame);
  dialog_seen.found_back = dialog_seen.windows->WindowOf(native) == dialog;
  dialog_seen.dialog_box = win32_testing::ScreenBox(native);
  return EndDialog(dialog, 40 + LowWord(wparam));
}

TEST_F(Win32WindowManagerTest, ADialogFromATemplateRunsModallyUntilEndDialog) {
  static const InstanceHandle instance = InstallResourceModule(&TEST_MODULE);
  struct Case {
    uint32_t template_id;
    const char16_t* caption;
    uint32_t flags;
    DialogAction action;
    uint16_t command;  // what the procedure gets
  } cases[] = {
      // Closing it stands for the caption's OK (WS_EX_CAPTIONOKBTN).
      {7, u"About test", 0, DialogAction::Close, IDOK},
      {8, u"Plain test", 0, DialogAction::Close, IDCANCEL},
      // SHInitDialog's Done button sends IDOK; full screen covers the frame.
      {8, u"Plain test", SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN, DialogAction::PressOk, IDOK},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.template_id);
    dialog_seen = DialogSeen{&windows_, frame_, c.flags};
    DialogWatcher watcher(c.caption, c.action);
    EXPECT_EQ(DialogBoxParam(instance, c.template_id, window_, &DialogProcedure, 0),
              40 + c.command);
    EXPECT_TRUE(watcher.Acted());
    EXPECT_EQ(watcher.SeenText(), u"About the test");
    EXPECT_EQ(dialog_seen.command, c.command);
    EXPECT_FALSE(dialog_seen.owner_enabled);
    EXPECT_TRUE(dialog_seen.found_back);
    if (c.flags & SHIDIF_SIZEDLGFULLSCREEN) {
      EXPECT_EQ(dialog_seen.dialog_box, win32_testing::ClientScreenBox(frame_));
    }
    EXPECT_TRUE(win32_testing::IsEnabled(frame_));
    EXPECT_EQ(win32_testing::FindTopLevel(u"#32770", c.caption), nullptr);
  }
}

// The program's own About box, its template the handheld's: every text
// fits its box in the font Windows gives the dialog.
TEST_F(Win32WindowManagerTest, TheAboutBoxsTextsFitTheirBoxes) {
  dialog_seen = DialogSeen{&windows_, frame_, 0};
  DialogWatcher watcher(u"About QUORVAFIX", DialogAction::Close);
  EXPECT_EQ(DialogBoxParam(QuorvafixInstance(), IDD_ABOUTBOX, window_, &DialogProcedure, 0),
            40 + IDOK);
  EXPECT_NE(watcher.SeenText().find(u"QUORVAFIX Version 1.0(c) Harbelt TEAM, S.L."),
            std::u16string::npos);
  EXPECT_EQ(watcher.CutTexts(), std::vector<std::u16string>{});
}

}  // namespace
