// The desktop's services: GetOpenFileName, DragAcceptFiles with drops
// (DragQueryFile, DragFinish), the profile (GetProfileString,
// WriteProfileString) and SetClipboardText.
#include "platform/windowing/testing/platform_conformance.h"

namespace {

// "Registry exports" (*.reg) then "Every file" (*.*).
constexpr char16_t FILTER[] = u"Registry exports\0*.reg\0Every file\0*.*\0";

OpenFileName OpenRecord(WindowHandle owner, char16_t* file, uint32_t max_file) {
  OpenFileName ofn{};
  ofn.size = sizeof(OpenFileName);
  ofn.owner = owner;
  ofn.filter = FILTER;
  ofn.filter_index = 1;
  ofn.file = file;
  ofn.max_file = max_file;
  ofn.flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
  return ofn;
}

TEST_P(PlatformConformance, GetOpenFileNameGivesTheChosenPath) {
  WindowHandle window = MakeWindow();
  ASSERT_NE(window, 0u);
  std::u16string path = MakeFile(u"pda \u00e9.reg");
  std::u16string other = MakeFile(u"other.txt");
  const std::u16string folder = Folder().u16string();

  char16_t file[260] = u"";
  OpenFileName ofn = OpenRecord(window, file, 260);
  ofn.initial_dir = folder.c_str();
  Platform().AnswerNextOpenFile(path);
  ASSERT_TRUE(GetOpenFileName(&ofn));
  EXPECT_EQ(std::u16string(file), path);
  EXPECT_EQ(ofn.filter_index, 1u);

  char16_t second[260] = u"";
  ofn = OpenRecord(0, second, 260);
  ofn.filter_index = 2;
  ofn.title = u"Pick \u2713";
  Platform().AnswerNextOpenFile(other);
  ASSERT_TRUE(GetOpenFileName(&ofn));
  EXPECT_EQ(std::u16string(second), other);
  EXPECT_EQ(ofn.filter_index, 2u) << "the pair in use";
}

TEST_P(PlatformConformance, GetOpenFileNameCancelledLeavesTheBufferAlone) {
  char16_t file[260] = u"untouched";
  OpenFileName ofn = OpenRecord(0, file, 260);
  Platform().AnswerNextOpenFile(u"");
  EXPECT_FALSE(GetOpenFileName(&ofn));
  EXPECT_EQ(std::u16string(file), u"untouched");
}

TEST_P(PlatformConformance, GetOpenFileNameRefusesBadRecordsAndShortBuffers) {
  char16_t file[260] = u"";
  EXPECT_FALSE(GetOpenFileName(nullptr));
  OpenFileName wrong_size = OpenRecord(0, file, 260);
  wrong_size.size = sizeof(OpenFileName) - 1;
  EXPECT_FALSE(GetOpenFileName(&wrong_size));
  OpenFileName no_buffer = OpenRecord(0, nullptr, 260);
  EXPECT_FALSE(GetOpenFileName(&no_buffer));

  std::u16string path = MakeFile(u"a-name-longer-than-the-buffer.reg");
  char16_t small[8] = u"";
  OpenFileName short_buffer = OpenRecord(0, small, 8);
  Platform().AnswerNextOpenFile(path);
  EXPECT_FALSE(GetOpenFileName(&short_buffer)) << "the path does not fit";
}

TEST_P(PlatformConformance, DroppedFilesReachAWindowThatAcceptsThem) {
  WindowHandle window = MakeWindow();
  ASSERT_NE(window, 0u);
  Platform().PumpEvents(20);
  const std::vector<std::u16string> paths = {MakeFile(u"one.reg"), MakeFile(u"zw\u00f6lf.reg")};
  ASSERT_TRUE(DragAcceptFiles(window, true));
  Platform().DropFiles(window, paths);
  ASSERT_TRUE(PostMessage(window, WM_USER + 9, 0, 0));

  WindowMessage dropped = NextMessage();
  ASSERT_EQ(dropped.message, WM_DROPFILES) << "queued as the drop happened";
  EXPECT_EQ(dropped.window, window);
  const DropHandle drop = dropped.wparam;
  ASSERT_NE(drop, 0u);
  ASSERT_EQ(DragQueryFile(drop, DRAG_QUERY_COUNT, nullptr, 0), 2u);
  for (uint32_t i = 0; i < 2; ++i) {
    const uint32_t length = DragQueryFile(drop, i, nullptr, 0);
    ASSERT_EQ(length, paths[i].size());
    std::u16string buffer(length + 1, u'#');
    EXPECT_EQ(DragQueryFile(drop, i, buffer.data(), length + 1), length);
    EXPECT_EQ(buffer, paths[i] + u'\0');
    char16_t cut[5] = u"####";
    EXPECT_EQ(DragQueryFile(drop, i, cut, 5), 4u);
    EXPECT_EQ(std::u16string(cut), paths[i].substr(0, 4));
  }
  EXPECT_EQ(DragQueryFile(drop, 2, nullptr, 0), 0u) << "past the last file";
  DragFinish(drop);
  EXPECT_EQ(DragQueryFile(drop, DRAG_QUERY_COUNT, nullptr, 0), 0u) << "released";
  EXPECT_EQ(NextMessage().message, static_cast<uint32_t>(WM_USER + 9));
}

TEST_P(PlatformConformance, AWindowThatStoppedAcceptingGetsNoDrop) {
  WindowHandle window = MakeWindow();
  ASSERT_NE(window, 0u);
  Platform().PumpEvents(20);
  ASSERT_TRUE(DragAcceptFiles(window, true));
  ASSERT_TRUE(DragAcceptFiles(window, false));
  Platform().DropFiles(window, {MakeFile(u"ignored.reg")});
  ASSERT_TRUE(PostMessage(window, WM_USER + 9, 0, 0));
  EXPECT_EQ(NextMessage().message, static_cast<uint32_t>(WM_USER + 9));
  EXPECT_EQ(DragQueryFile(0, DRAG_QUERY_COUNT, nullptr, 0), 0u);
}

TEST_P(PlatformConformance, TheProfileKeepsTextsUntilForgotten) {
  char16_t buffer[64];
  EXPECT_EQ(GetProfileString(u"Conformance", u"Folder", u"fallback", buffer, 64), 8);
  EXPECT_EQ(std::u16string(buffer), u"fallback") << "nothing kept yet";
  EXPECT_EQ(GetProfileString(u"Conformance", u"Folder", nullptr, buffer, 64), 0);
  EXPECT_EQ(std::u16string(buffer), u"");

  const std::u16string folder = u"C:\\Daten\\M\u00fcller \u2713";
  ASSERT_TRUE(WriteProfileString(u"Conformance", u"Folder", folder.c_str()));
  EXPECT_EQ(GetProfileString(u"Conformance", u"Folder", u"x", buffer, 64),
            static_cast<int>(folder.size()));
  EXPECT_EQ(std::u16string(buffer), folder);
  EXPECT_EQ(GetProfileString(u"Conformance", u"Other", u"x", buffer, 64), 1);
  EXPECT_EQ(GetProfileString(u"Elsewhere", u"Folder", u"x", buffer, 64), 1);

  char16_t cut[5] = u"####";
  EXPECT_EQ(GetProfileString(u"Conformance", u"Folder", u"x", cut, 5), 4);
  EXPECT_EQ(std::u16string(cut), folder.substr(0, 4));
  EXPECT_EQ(GetProfileString(u"Conformance", u"Folder", u"x", nullptr, 5), 0);
  EXPECT_EQ(GetProfileString(u"Conformance", u"Folder", u"x", cut, 0), 0);

  ASSERT_TRUE(WriteProfileString(u"Conformance", u"Folder", u"second"));
  EXPECT_EQ(GetProfileString(u"Conformance", u"Folder", u"x", buffer, 64), 6);
  ASSERT_TRUE(WriteProfileString(u"Conformance", u"Folder", nullptr));
  EXPECT_EQ(GetProfileString(u"Conformance", u"Folder", u"gone", buffer, 64), 4);
  EXPECT_EQ(std::u16string(buffer), u"gone");
}

TEST_P(PlatformConformance, SetClipboardTextReplacesTheClipboardsText) {
  WindowHandle window = MakeWindow();
  ASSERT_NE(window, 0u);
  ASSERT_TRUE(SetClipboardText(window, u"first\r\n"));
  const std::u16string report = u"Key \u00e4\r\n  value \u2713\r\nlast\r\n";
  ASSERT_TRUE(SetClipboardText(window, report.c_str()));
  EXPECT_EQ(WithoutCarriageReturns(Platform().ClipboardText()), WithoutCarriageReturns(report));
  EXPECT_FALSE(SetClipboardText(window, nullptr));
  EXPECT_EQ(WithoutCarriageReturns(Platform().ClipboardText()), WithoutCarriageReturns(report))
      << "left as it was";
}

}  // namespace
