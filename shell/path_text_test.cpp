#include "shell/path_text.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#include <direct.h>
#else
#include <unistd.h>
#endif

#include <string>

namespace {

TEST(WideOfUtf8, EachByteOutsideAWholeSequenceIsOneReplacement) {
  struct Case {
    const char* utf8;
    std::u16string wide;
  };
  const Case cases[] = {
      {"", u""},
      {"/home/ana/pda.reg", u"/home/ana/pda.reg"},
      {"pd\xC3\xA1", u"pd\u00E1"},
      {"\xE2\x82\xAC\xF0\x9F\x98\x80", u"\u20AC\U0001F600"},
      {"a\x80"
       "b",
       u"a\uFFFDb"},
      {"\xC3", u"\uFFFD"},
      {"\xC3(", u"\uFFFD("},
      {"\xE2\x82", u"\uFFFD\uFFFD"},
      {"\xC0\xAF", u"\uFFFD\uFFFD"},
      {"\xED\xA0\x80x", u"\uFFFD\uFFFD\uFFFDx"},
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xFF\xC3\xA9\xFE", u"\uFFFD\u00E9\uFFFD"},
  };
  for (const Case& c : cases) EXPECT_EQ(WideOfUtf8(c.utf8), c.wide) << c.utf8;
}

struct PathCase {
  const char* path;
  bool absolute;
  const char* name;
};

// What this system makes of paths: absolute or not, and the last name.
#ifndef _WIN32
constexpr PathCase PATH_CASES[] = {
    {"/home/ana/a.reg", true, "a.reg"},
    {"/a.reg", true, "a.reg"},
    {"a.reg", false, "a.reg"},
    {"sub/a.reg", false, "a.reg"},
    {"C:\\x\\a.reg", false, "C:\\x\\a.reg"},  // a backslash is a name's
    {"", false, ""},
};
#else
constexpr PathCase PATH_CASES[] = {
    {"C:\\Users\\ana\\a.reg", true, "a.reg"},
    {"C:/Users/ana/a.reg", true, "a.reg"},
    {"C:\\a.reg", true, "a.reg"},
    {"\\\\host\\share\\a.reg", true, "a.reg"},
    {"C:a.reg", false, "C:a.reg"},  // the current folder of drive C:
    {"sub/x\\a.reg", false, "a.reg"},
    {"a.reg", false, "a.reg"},
};
#endif

TEST(PathNames, AbsolutePathsAndTheLastName) {
  for (const PathCase& c : PATH_CASES) {
    EXPECT_EQ(IsAbsolutePath(c.path), c.absolute) << c.path;
    EXPECT_EQ(FileNameOf(c.path), c.name) << c.path;
  }
}

#ifndef _WIN32
TEST(AbsolutePath, RelativePathsJoinTheCurrentFolder) {
  char folder[4096];
  ASSERT_NE(getcwd(folder, sizeof folder), nullptr);
  const std::string base = std::string(folder) == "/" ? "/" : std::string(folder) + "/";
  EXPECT_EQ(AbsolutePath("a.reg"), base + "a.reg");
  EXPECT_EQ(AbsolutePath("sub/../b.reg"), base + "sub/../b.reg");
  EXPECT_EQ(AbsolutePath("/tmp/c.reg"), "/tmp/c.reg");
  EXPECT_EQ(AbsolutePath(""), "");
}
#else
TEST(AbsolutePath, RelativePathsJoinTheCurrentFolder) {
  char folder[4096];
  ASSERT_NE(_getcwd(folder, sizeof folder), nullptr);
  std::string base = folder;
  if (base.back() != '\\') base += '\\';
  EXPECT_EQ(AbsolutePath("a.reg"), base + "a.reg");
  EXPECT_EQ(AbsolutePath("sub\\..\\b.reg"), base + "sub\\..\\b.reg");
  EXPECT_EQ(AbsolutePath("\\c.reg"), base.substr(0, 2) + "\\c.reg");
  EXPECT_EQ(AbsolutePath("Z:\\tmp\\c.reg"), "Z:\\tmp\\c.reg");
  EXPECT_EQ(AbsolutePath(""), "");
}
#endif

}  // namespace
