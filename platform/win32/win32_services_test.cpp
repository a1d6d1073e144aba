// The Win32 shell and desktop services on the real API (under Wine): the
// menu bar read back from the frame's HMENU, the clipboard's text, the
// profile's registry values, and a drop made as Explorer makes one reaching
// the program as its WM_DROPFILES.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/testing/win32_service_readback.h"
#include "platform/win32/testing/win32_test_calls.h"
#include "platform/win32/win32_desktop_services.h"
#include "platform/win32/win32_shell_services.h"
#include "platform/win32/win32_window_manager.h"

namespace {

constexpr uint16_t TOOLS_LABEL = 104;
constexpr uint16_t HELP_LABEL = 105;
constexpr uint16_t BAR = 102;
// Labels with and without their access keys marked.
constexpr StringResource STRINGS[] = {{TOOLS_LABEL, u"Tools"}, {HELP_LABEL, u"&Help"}};
constexpr MenuItemResource TOOLS_ITEMS[] = {
    {40003, u"&About..."},
    {40004, u"Detect"},  // no key
    {40006, u"E&xit", 1},
    {40007, u"Delete"},
};
constexpr PopupResource POPUPS[] = {{u"Tools", TOOLS_ITEMS, 4}};
constexpr MenuResource MENUS[] = {{BAR, POPUPS, 1}};
constexpr MenuBarButtonResource BUTTONS[] = {
    {I_IMAGENONE, 40001, TBSTATE_ENABLED, TBSTYLE_DROPDOWN, TOOLS_LABEL, 0},
    {I_IMAGENONE, 40010, 0, TBSTYLE_AUTOSIZE, HELP_LABEL, 0},  // a disabled command
};
constexpr MenuBarTemplate BARS[] = {{BAR, BAR, BUTTONS, 2}};
constexpr AcceleratorResource KEYS[] = {{FVIRTKEY | FCONTROL, 'A', 40003},
                                        {FVIRTKEY | FCONTROL | FSHIFT, 'Q', 1}};
constexpr AcceleratorTable TABLES[] = {{3, KEYS, 2}};
constexpr DialogControlResource DIALOG_TEXT[] = {
    {DialogControlKind::Text, u"Full screen?", 0, IDC_STATIC, SS_LEFT, 10, 10, 80, 10},
};
constexpr uint16_t DIALOG = 103;
constexpr DialogTemplate DIALOGS[] = {
    {DIALOG, WS_POPUP | WS_CAPTION | DS_SETFONT, 0, 0, 0, 100, 40, u"Services dialog", 8, u"Tahoma",
     DIALOG_TEXT, 1},
};
constexpr ResourceModule MODULE = {STRINGS, 2, MENUS,   1, BARS,    1,
                                   TABLES,  1, DIALOGS, 1, nullptr, 0};

MessageResult Procedure(WindowHandle window, uint32_t message, WordParam wparam, LongParam lparam) {
  return DefWindowProc(window, message, wparam, lparam);
}

class Win32Services : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallWindowManager(&windows_);
    InstallShellServices(&shell_);
    InstallDesktopServices(&desktop_);
    static const InstanceHandle instance = InstallResourceModule(&MODULE);
    instance_ = instance;
    WindowClass window_class{};
    window_class.procedure = Procedure;
    window_class.instance = instance_;
    window_class.class_name = u"QUORVAFIX_SERVICES_TEST";
    RegisterClass(window_class);
    window_ = CreateWindowEx(0, u"QUORVAFIX_SERVICES_TEST", u"services", WS_VISIBLE, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, instance_, nullptr);
    ASSERT_NE(window_, 0u);
  }
  void TearDown() override {
    if (window_ != 0) DestroyWindow(window_);
    InstallDesktopServices(nullptr);
    InstallShellServices(nullptr);
    InstallWindowManager(nullptr);
  }

  MenuBarInfo BarInfo() const {
    MenuBarInfo info{};
    info.size = sizeof(MenuBarInfo);
    info.parent = window_;
    info.menu_bar_id = BAR;
    info.instance = instance_;
    return info;
  }

  Win32WindowManager windows_;
  Win32ShellServices shell_{windows_};
  Win32DesktopServices desktop_{windows_};
  InstanceHandle instance_ = 0;
  WindowHandle window_ = 0;
};

TEST_F(Win32Services, TheMenuBarIsTheFramesMenuWithTheTemplatesItems) {
  MenuBarInfo info = BarInfo();
  ASSERT_TRUE(SHCreateMenuBar(&info));
  EXPECT_NE(info.menu_bar, 0u);
  EXPECT_NE(info.menu_bar, window_);

  std::vector<NativeMenuItem> bar = FrameMenuItems(windows_.NativeWindow(window_));
  ASSERT_EQ(bar.size(), 2u);
  EXPECT_EQ(bar[0].text, u"&Tools");
  EXPECT_EQ(bar[0].id, 0xFFFFFFFFu) << "a popup";
  EXPECT_FALSE(bar[0].grayed);
  struct Item {
    std::u16string text;
    uint32_t id;
  };
  const Item expected[] = {
      {u"&About...\tCtrl+A", 40003},
      {u"&Detect", 40004},
      {u"E&xit\tCtrl+Shift+Q", 40006},  // the key of command 1, which it stands for
      {u"D&elete", 40007},              // D is Detect's
  };
  ASSERT_EQ(bar[0].items.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(bar[0].items[i].text, expected[i].text) << i;
    EXPECT_EQ(bar[0].items[i].id, expected[i].id) << i;
  }
  EXPECT_EQ(bar[1].text, u"&Help");
  EXPECT_EQ(bar[1].id, 40010u);
  EXPECT_TRUE(bar[1].grayed);
  EXPECT_TRUE(bar[1].items.empty());

  // The bar's handle is a window of the program, gone with its parent.
  EXPECT_TRUE(windows_.IsWindow(info.menu_bar));
  ASSERT_TRUE(DestroyWindow(window_));
  window_ = 0;
  EXPECT_FALSE(windows_.IsWindow(info.menu_bar));
}

TEST_F(Win32Services, AMenuBarIsRefusedForABadRecordParentOrTemplate) {
  struct Case {
    const char* what;
    uint32_t size;
    bool known_parent;
    uint32_t bar_id;
  };
  const Case cases[] = {
      {"short record", 32, true, BAR},
      {"unknown parent", sizeof(MenuBarInfo), false, BAR},
      {"unknown template", sizeof(MenuBarInfo), true, 999},
  };
  for (const Case& c : cases) {
    MenuBarInfo info = BarInfo();
    info.size = c.size;
    info.menu_bar_id = c.bar_id;
    if (!c.known_parent) info.parent = window_ + 0x100;
    info.menu_bar = 7;
    EXPECT_FALSE(SHCreateMenuBar(&info)) << c.what;
    EXPECT_EQ(info.menu_bar, 0u) << c.what;
  }
  EXPECT_TRUE(FrameMenuItems(windows_.NativeWindow(window_)).empty());
  EXPECT_FALSE(SHCreateMenuBar(nullptr));
}

// What the dialog's procedure asked of SHInitDialog and found.
struct InitDialogSeen {
  Win32WindowManager* windows = nullptr;
  uint32_t mask = 0;
  bool initialised = false;
  win32_testing::Box box{};
} init_seen;

bool InitDialogProcedure(WindowHandle dialog, uint32_t message, WordParam wparam, LongParam) {
  if (message == WM_INITDIALOG) {
    InitDialogInfo info{init_seen.mask, dialog, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN};
    init_seen.initialised = SHInitDialog(&info);
    return true;
  }
  if (message != WM_COMMAND) return false;
  init_seen.box = win32_testing::ScreenBox(init_seen.windows->NativeWindow(dialog));
  return EndDialog(dialog, LowWord(wparam));
}

// With the flags valid (SHIDIM_FLAGS) the dialog covers its owner's client
// area and has a Done button (IDOK); with the mask clear neither.
TEST_F(Win32Services, SHInitDialogAppliesItsFlagsOnlyWhenTheMaskSaysSo) {
  const win32_testing::Box owner_area =
      win32_testing::ClientScreenBox(windows_.NativeWindow(window_));
  for (uint32_t mask : {SHIDIM_FLAGS, 0u}) {
    SCOPED_TRACE(mask);
    init_seen = InitDialogSeen{&windows_, mask};
    win32_testing::DialogWatcher watcher(
        u"Services dialog",
        mask != 0 ? win32_testing::DialogAction::PressOk : win32_testing::DialogAction::Close);
    EXPECT_EQ(DialogBoxParam(instance_, DIALOG, window_, &InitDialogProcedure, 0),
              mask != 0 ? IDOK : IDCANCEL);
    EXPECT_TRUE(watcher.Acted());
    EXPECT_TRUE(init_seen.initialised);
    EXPECT_EQ(init_seen.box == owner_area, mask != 0);
  }
  InitDialogInfo unknown{SHIDIM_FLAGS, window_ + 0x100, SHIDIF_SIZEDLGFULLSCREEN};
  EXPECT_FALSE(SHInitDialog(&unknown));
  EXPECT_FALSE(SHInitDialog(nullptr));
}

TEST_F(Win32Services, TheOpenDialogGivesTheFileChosenInItsFolder) {
  // A folder of its own each run, so that no folder the dialog remembers is it.
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() /
      ("quorvafix-open-" +
       std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "pda.reg") << "REGEDIT4\n";
  const std::u16string folder_text = folder.u16string();
  constexpr char16_t filter[] = u"Registry exports (*.reg)\0*.reg\0All files (*)\0*\0";

  std::vector<char16_t> file(260, u'x');
  OpenFileName ofn{};
  ofn.size = sizeof(OpenFileName);
  ofn.owner = window_;
  ofn.filter = filter;
  ofn.filter_index = 2;
  ofn.file = file.data();
  ofn.max_file = 260;
  ofn.initial_dir = folder_text.c_str();
  ofn.title = u"Choose Test Export";
  ofn.flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;

  OpenDialogAnswer cancelled;
  std::thread cancel = AnswerOpenDialog(ofn.title, u"", &cancelled);
  EXPECT_FALSE(GetOpenFileName(&ofn));
  cancel.join();
  EXPECT_TRUE(cancelled.found);
  EXPECT_EQ(file[0], u'x') << "a cancel leaves the buffer alone";
  const std::vector<std::u16string> types = {u"Registry exports (*.reg)", u"All files (*)"};
  EXPECT_EQ(cancelled.types, types);

  // A bare name is the initial folder's file.
  OpenDialogAnswer chosen;
  std::thread choose = AnswerOpenDialog(ofn.title, u"pda.reg", &chosen);
  const bool opened = GetOpenFileName(&ofn);
  choose.join();
  ASSERT_TRUE(chosen.found);
  ASSERT_FALSE(chosen.refused) << "pda.reg is not in the folder the dialog opened on";
  ASSERT_TRUE(opened);
  EXPECT_EQ(std::u16string(file.data()), folder_text + u"\\pda.reg");
  EXPECT_EQ(ofn.filter_index, 2u);

  // A path longer than the buffer is refused, the buffer left alone.
  ofn.max_file = 4;
  file[0] = u'x';
  OpenDialogAnswer too_long;
  std::thread refuse = AnswerOpenDialog(ofn.title, u"pda.reg", &too_long);
  EXPECT_FALSE(GetOpenFileName(&ofn));
  refuse.join();
  EXPECT_EQ(file[0], u'x');
  std::filesystem::remove_all(folder);
}

TEST_F(Win32Services, TheClipboardGetsTheTextInPlaceOfWhatWasThere) {
  ASSERT_TRUE(SetClipboardText(window_, u"first"));
  EXPECT_EQ(ClipboardUnicodeText(), u"first");
  const std::u16string report = u"COM5:\r\nDll: QVBTDEV.DLL  FIXED!\r\n\u00C9t\u00E9\r\n";
  ASSERT_TRUE(SetClipboardText(window_, report.c_str()));
  EXPECT_EQ(ClipboardUnicodeText(), report);
  EXPECT_FALSE(SetClipboardText(window_, nullptr));
  EXPECT_EQ(ClipboardUnicodeText(), report);
}

TEST_F(Win32Services, TheProfileIsKeptInTheUsersRegistry) {
  const std::u16string section = u"ServicesTest";
  const std::u16string key = std::u16string(PROFILE_REGISTRY_KEY) + u"\\" + section;
  DeleteUserKey(key);
  char16_t buffer[64];
  EXPECT_EQ(GetProfileString(section.c_str(), u"LastExport", u"none", buffer, 64), 4);
  EXPECT_EQ(std::u16string(buffer), u"none");

  for (const char16_t* text : {u"Z:\\tmp\\pda.reg", u"C:\\Users\\\u00E1na\\b.reg", u""}) {
    ASSERT_TRUE(WriteProfileString(section.c_str(), u"LastExport", text));
    uint32_t type = 0;
    std::u16string stored;
    ASSERT_TRUE(UserValue(key, u"LastExport", &type, &stored));
    EXPECT_EQ(type, REGISTRY_TEXT_TYPE);
    EXPECT_EQ(stored, text);
    GetProfileString(section.c_str(), u"LastExport", u"none", buffer, 64);
    EXPECT_EQ(std::u16string(buffer), text);
  }

  // Forgetting a key removes its value; forgetting it again is no failure.
  ASSERT_TRUE(WriteProfileString(section.c_str(), u"LastExport", nullptr));
  uint32_t type = 0;
  std::u16string stored;
  EXPECT_FALSE(UserValue(key, u"LastExport", &type, &stored));
  EXPECT_EQ(GetProfileString(section.c_str(), u"LastExport", u"none", buffer, 64), 4);
  EXPECT_TRUE(WriteProfileString(section.c_str(), u"LastExport", nullptr));
  EXPECT_FALSE(WriteProfileString(nullptr, u"LastExport", u"x"));
  DeleteUserKey(key);
}

TEST_F(Win32Services, AFileDropReachesTheProgramAsItsDrop) {
  HWND frame = windows_.NativeWindow(window_);
  ASSERT_TRUE(DragAcceptFiles(window_, true));
  EXPECT_TRUE(AcceptsFiles(frame));

  const std::vector<std::u16string> paths = {u"Z:\\tmp\\pda one.reg", u"C:\\\u00E1\\two.reg"};
  SendDrop(frame, paths);
  PostMessage(window_, WM_USER, 0, 0);  // ends the wait below
  WindowMessage message{};
  DropHandle drop = 0;
  while (GetMessage(&message, 0, 0, 0) > 0 && message.message != WM_USER) {
    if (message.message == WM_DROPFILES && message.window == window_) drop = message.wparam;
  }
  ASSERT_NE(drop, 0u) << "no WM_DROPFILES reached the program";
  ASSERT_EQ(DragQueryFile(drop, DRAG_QUERY_COUNT, nullptr, 0), 2u);
  for (uint32_t i = 0; i < 2; ++i) {
    char16_t path[64];
    EXPECT_EQ(DragQueryFile(drop, i, path, 64), paths[i].size());
    EXPECT_EQ(std::u16string(path), paths[i]);
  }
  DragFinish(drop);

  ASSERT_TRUE(DragAcceptFiles(window_, false));
  EXPECT_FALSE(AcceptsFiles(frame));
  EXPECT_FALSE(DragAcceptFiles(window_ + 0x100, true));
}

}  // namespace
