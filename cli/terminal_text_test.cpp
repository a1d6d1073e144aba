#include "cli/terminal_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

TEST(EscapeControls, EscapesC0DelAndC1Only) {
  struct Case {
    std::string text;
    bool keep_tab;
    const char* expected;
  };
  const Case cases[] = {
      {"", true, ""},
      {"plain C:\\path\\x41 'quoted' \"too\"", true, "plain C:\\path\\x41 'quoted' \"too\""},
      {"a\tb", true, "a\tb"},
      {"a\tb", false, "a\\tb"},
      {"line\nbreak\r", true, "line\\nbreak\\r"},
      {std::string("nul\0bel\a", 8), true, "nul\\x00bel\\x07"},
      {"\x1b[2J\x1b]0;title\x07", true, "\\x1b[2J\\x1b]0;title\\x07"},
      {"\x1f\x20\x7e\x7f", true, "\\x1f ~\\x7f"},
      // C1 controls as UTF-8; the characters next to them pass.
      {"\xC2\x80\xC2\x85\xC2\x9B\xC2\x9F", true, "\\x80\\x85\\x9b\\x9f"},
      {"\xC2\x7F\xC2\xA0\xC3\xA9\xE2\x82\xAC", true, "\xC2\\x7f\xC2\xA0\xC3\xA9\xE2\x82\xAC"},
      // Bytes that are not UTF-8 are left as they are.
      {"\xE9\x9B\xFF\xC2", true, "\xE9\x9B\xFF\xC2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(EscapeControls(c.text, c.keep_tab), c.expected);
  }
}

TEST(ControlCodeAt, GivesTheCodeAndItsLength) {
  size_t length = 0;
  EXPECT_EQ(ControlCodeAt("a\x1b", 1, &length), 0x1b);
  EXPECT_EQ(length, 1u);
  EXPECT_EQ(ControlCodeAt("\xC2\x85", 0, &length), 0x85);
  EXPECT_EQ(length, 2u);
  EXPECT_EQ(ControlCodeAt("\xC2\xA0", 0, &length), -1);
  EXPECT_EQ(length, 1u);
  EXPECT_EQ(ControlCodeAt("\xC2", 0, &length), -1);
}

TEST(PrintErrorLine, OneLineWhateverTheMessageHolds) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  PrintErrorLine(file, "a\nb\x1b[31m: cannot read");
  std::rewind(file);
  char buffer[128] = {};
  size_t n = std::fread(buffer, 1, sizeof(buffer) - 1, file);
  std::fclose(file);
  EXPECT_EQ(std::string(buffer, n), "quorvafix-cli: a\\nb\\x1b[31m: cannot read\n");
}

}  // namespace
