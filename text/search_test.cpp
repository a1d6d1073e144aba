#include "text/search.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "text/dyn_string.h"
#include "text/testing/full_block.h"

namespace {

// A string holding text, or a null string for nullptr.
DynString Make(const char* text) { return text == nullptr ? DynString() : DynString(text); }

TEST(DynStringCharAt, InsideAndOutsideTheText) {
  struct Case {
    const char* text;
    int index;
    int expected;
  };
  const Case cases[] = {
      {"abc", 0, 'a'}, {"abc", 2, 'c'}, {"abc", 3, 0},     {"abc", 5, 0},
      {"abc", -1, 0},  {nullptr, 0, 0}, {"\xE9x", 0, -23},
  };
  for (const Case& c : cases) {
    DynString s = Make(c.text);
    EXPECT_EQ(s.CharAt(c.index), c.expected) << (c.text ? c.text : "(null)") << " @" << c.index;
  }
}

TEST(DynStringCharAt, NeverGrowsTheString) {
  DynString s("abc");
  int capacity = s.Capacity();
  EXPECT_EQ(s.CharAt(1000), 0);
  EXPECT_EQ(s.Capacity(), capacity);
  DynString null_string;
  EXPECT_EQ(null_string.CharAt(0), 0);
  EXPECT_TRUE(null_string.IsNull());
}

TEST(DynStringLastChar, LastOrNul) {
  EXPECT_EQ(DynString("abc").LastChar(), 'c');
  EXPECT_EQ(DynString("").LastChar(), 0);
  EXPECT_EQ(DynString().LastChar(), 0);
  EXPECT_EQ(DynString("a\xFF").LastChar(), -1);
}

TEST(DynStringLastCharPtr, WritesTheLastCharacter) {
  DynString s("abc");
  *s.LastCharPtr() = 'Z';
  EXPECT_STREQ(s.CStr(), "abZ");
}

// A non-empty string has a last character, so nothing is reserved: the block
// stays put even when the text fills it, and pointers into it stay valid.
TEST(DynStringLastCharPtr, NonEmptyStringKeepsItsBlock) {
  const char* const texts[] = {"abcdefghijk", "abcdefghijklmnopqrstu", "a", "abc"};
  for (const char* text : texts) {
    DynString s = std::strlen(text) >= 11 ? FullBlock(text) : DynString(text);
    const char* block = s.Data();
    int capacity = s.Capacity();
    int len = s.Length();
    char* p = s.LastCharPtr();
    EXPECT_EQ(s.Data(), block) << text;
    EXPECT_EQ(s.Capacity(), capacity) << text;
    EXPECT_EQ(p, block + len - 1) << text;
    *p = 'Z';
    EXPECT_EQ(std::string(s.CStr()), std::string(text, len - 1) + "Z") << text;
  }
  DynString full = FullBlock("abcdefghijk");
  EXPECT_EQ(full.Capacity(), 13);
}

TEST(DynStringLastCharPtr, NullStringGetsABlockAndItsTerminator) {
  DynString s;
  char* p = s.LastCharPtr();
  ASSERT_FALSE(s.IsNull());
  EXPECT_EQ(p, s.Data());
  EXPECT_EQ(*p, '\0');
  EXPECT_EQ(s.Capacity(), 15);
}

TEST(DynStringLastCharPtr, WritingThroughItOnAnEmptyStringKeepsTheHeader) {
  DynString s("");
  s.Tag() = 5;
  s.Precision() = 3;
  char* p = s.LastCharPtr();
  EXPECT_EQ(p, s.Data());
  *p = 'q';
  EXPECT_STREQ(s.CStr(), "q");
  EXPECT_EQ(s.Tag(), 5);
  EXPECT_EQ(s.Precision(), 3);
}

TEST(DynStringFindChar, FromAPosition) {
  struct Case {
    const char* text;
    int from;
    char c;
    int expected;
  };
  const Case cases[] = {
      {"abca", 0, 'a', 0},  {"abca", 1, 'a', 3}, {"abca", 2, 'a', 3},     {"abca", 4, 'a', -1},
      {"abc", 0, '\0', 3},  {"abc", 3, '\0', 3}, {nullptr, 0, '\0', -1},  {nullptr, 0, 'a', -1},
      {"", 0, '\0', 0},     {"abc", 0, 'x', -1}, {"a\xE9", 0, '\xE9', 1}, {"abc", -1, 'a', -1},
      {"abc", 4, '\0', -1},
  };
  for (const Case& c : cases) {
    DynString s = Make(c.text);
    EXPECT_EQ(s.FindChar(c.from, c.c), c.expected)
        << (c.text ? c.text : "(null)") << " from " << c.from;
    EXPECT_EQ(s.Find(c.from, c.c), c.expected);
  }
}

TEST(DynStringFindLastChar, RightmostWithoutTheTerminator) {
  struct Case {
    const char* text;
    char c;
    int expected;
  };
  const Case cases[] = {
      {"abca", 'a', 3},   {"abca", 'b', 1},   {"abca", 'x', -1}, {"abc", '\0', -1},
      {nullptr, '\0', 0}, {nullptr, 'a', -1}, {"", '\0', -1},    {"\351a\351", '\xE9', 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Make(c.text).FindLastChar(c.c), c.expected) << (c.text ? c.text : "(null)");
  }
}

TEST(DynStringFind, SubstringPosition) {
  struct Case {
    const char* text;
    const char* find;
    int expected;
  };
  const Case cases[] = {
      {"abca", "ca", 2}, {"abca", "a", 0},  {"abca", "", 0},    {"abca", "cab", -1},
      {"", "", 0},       {nullptr, "", -1}, {nullptr, "a", -1}, {"abc", nullptr, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Make(c.text).Find(c.find), c.expected) << (c.text ? c.text : "(null)");
  }
}

TEST(DynStringFindText, PlainWholeWordAndIgnoreCase) {
  struct Case {
    const char* text;
    const char* find;
    int from;
    bool whole_word;
    bool ignore_case;
    int expected;
  };
  const Case cases[] = {
      // Plain: a substring search from the start position.
      {"abcabc", "bc", 0, false, false, 1},
      {"abcabc", "bc", 2, false, false, 4},
      {"abcabc", "BC", 0, false, false, -1},
      {"abc", "", 2, false, false, 2},
      {"abc", "", 0, false, false, 0},
      // Whole word.
      {"x abc-y", "abc", 0, true, false, 2},
      {"xabc", "abc", 0, true, false, -1},
      {"abc_d", "abc", 0, true, false, -1},
      {"1abc", "abc", 0, true, false, -1},
      {"abc0", "abc", 0, true, false, -1},
      {"abc", "abc", 0, true, false, 0},
      {"abcd abc", "abc", 0, true, false, 5},
      {"a\351abc\351", "abc", 0, true, false, 2},
      {"abc abc", "abc", 1, true, false, 4},
      // Ignore case, ASCII only.
      {"xabc", "ABC", 0, false, true, 1},
      {"abcd abc", "ABC", 0, true, true, 5},
      {"x\xE9", "\xC9", 0, false, true, -1},
      {"x\xE9", "\xE9", 0, false, true, 1},
      {"a[b", "A{", 0, false, true, -1},
      // Empty text with a flag set: only the terminator matches.
      {"abc", "", 0, false, true, 3},
      {"abc", "", 0, true, false, -1},
      {"ab ", "", 0, true, false, 3},
      {" ab", "", 0, true, false, -1},
      {"", "", 0, true, false, 0},
      {"", "", 0, false, true, 0},
      // Start at or past the last possible position.
      {"abc", "bc", 2, true, false, -1},
      {"abc", "abcd", 0, false, true, -1},
      {"abc", "c", 3, false, true, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DynString(c.text).FindText(c.find, c.from, c.whole_word, c.ignore_case), c.expected)
        << '"' << c.text << "\" find \"" << c.find << "\" from " << c.from << " word "
        << c.whole_word << " case " << c.ignore_case;
  }
}

TEST(DynStringFindText, NullStringOrNullTextGiveMinusOne) {
  EXPECT_EQ(DynString().FindText("", 0, false, false), -1);
  EXPECT_EQ(DynString().FindText("a", 0, true, true), -1);
  EXPECT_EQ(DynString("abc").FindText(nullptr, 0, false, false), -1);
}

TEST(DynStringFindByte, BoundedByteSearch) {
  DynString s("abcabc");
  EXPECT_EQ(s.FindByte(0, 'c', 6), 2);
  EXPECT_EQ(s.FindByte(3, 'c', 6), 5);
  EXPECT_EQ(s.FindByte(0, 'c', 2), -1);
  EXPECT_EQ(s.FindByte(0, 'c', 0), -1);
  EXPECT_EQ(s.FindByte(0, 'c', -4), -1);
  EXPECT_EQ(s.FindByte(0, '\0', 10), 6);
  EXPECT_EQ(s.FindByte(-1, 'a', 3), -1);
  EXPECT_EQ(DynString().FindByte(0, '\0', 5), -1);
}

TEST(DynStringFindByte, SeesBytesBehindTheTerminatorButNeverLeavesTheArea) {
  DynString s("ab");
  *s.At(5) = 'z';
  EXPECT_EQ(s.FindByte(0, 'z', 100), 5);
  int area = s.Capacity() + 2;
  // A count far past the area is cut to it: under AddressSanitizer a read
  // beyond the block would stop the test.
  EXPECT_EQ(s.FindByte(0, 'q', 1 << 30), -1);
  EXPECT_EQ(s.FindByte(area - 1, '\0', 1 << 30), area - 1);
  EXPECT_EQ(s.FindByte(area, '\0', 1), -1);
}

TEST(DynStringFindAnyOf, SmallestPositionOfAnyCharacter) {
  struct Case {
    const char* text;
    int from;
    const char* set;
    int expected;
  };
  const Case cases[] = {
      {"a;b,c", 0, ",;", 1},  {"a;b,c", 2, ",;", 3}, {"a;b,c", 0, "", -1},
      {"a;b,c", 0, "xy", -1}, {nullptr, 0, ",", -1}, {"a;b,c", 0, nullptr, -1},
      {"a;b,c", 4, ";,", -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Make(c.text).FindAnyOf(c.from, c.set), c.expected) << (c.text ? c.text : "(null)");
  }
}

TEST(DynStringFindParenPair, InnermostPair) {
  struct Case {
    const char* text;
    int result;
    int open;
    int close;
  };
  const int untouched = -99;
  const Case cases[] = {
      {"f(a(b)c)", 1, 3, 5},
      {"x)", 1, -1, 1},
      {"(a", 0, untouched, untouched},
      {"", 0, untouched, untouched},
      {"a)b(c", 0, untouched, untouched},
      {"(a)(b)", 1, 3, 5},
      {"()", 1, 0, 1},
      {nullptr, 0, untouched, untouched},
  };
  for (const Case& c : cases) {
    int open = untouched;
    int close = untouched;
    EXPECT_EQ(Make(c.text).FindParenPair(open, close), c.result) << (c.text ? c.text : "(null)");
    EXPECT_EQ(open, c.open) << (c.text ? c.text : "(null)");
    EXPECT_EQ(close, c.close) << (c.text ? c.text : "(null)");
  }
}

TEST(DynStringCountChar, Occurrences) {
  EXPECT_EQ(DynString("banana").CountChar('a'), 3);
  EXPECT_EQ(DynString("banana").CountChar('\0'), 0);
  EXPECT_EQ(DynString("banana").CountChar('x'), 0);
  EXPECT_EQ(DynString().CountChar('a'), 0);
  EXPECT_EQ(DynString("\xE9\xE9").CountChar('\xE9'), 2);
}

TEST(IsWordChar, LettersDigitsAndUnderscoreOnly) {
  const char* word = "azAZ09_mQ5";
  for (const char* p = word; *p != '\0'; ++p) EXPECT_EQ(IsWordChar(*p), 1) << *p;
  const char* other = " -.@[`{/:\t\x7F\x80\xC9\xE9\xFF";
  for (const char* p = other; *p != '\0'; ++p) EXPECT_EQ(IsWordChar(*p), 0) << int(*p);
  EXPECT_EQ(IsWordChar('\0'), 0);
}

TEST(DynStringIsBracketed, AtLeastThreeCharactersInBrackets) {
  struct Case {
    const char* text;
    int expected;
  };
  const Case cases[] = {{"[a]", 1}, {"[ab]", 1}, {"[]", 0},    {"[a", 0},
                        {"a]", 0},  {"", 0},     {nullptr, 0}, {"[]]", 1}};
  for (const Case& c : cases) {
    EXPECT_EQ(Make(c.text).IsBracketed(), c.expected) << (c.text ? c.text : "(null)");
  }
}

TEST(DynStringNextTokenStart, AfterTheFirstDelimiterRunOutsideQuotes) {
  struct Case {
    const char* text;
    const char* set;
    int expected;
  };
  const Case cases[] = {
      {"ab cd", " ", 3},      {"  ab", " ", 2},  {"ab", " ", -1},      {"ab  ", " ", -1},
      {"\"a b\" c", " ", 6},  {"a,;b", ",;", 3}, {"\"a b c", " ", -1}, {"a \"b\"", " \"", 3},
      {"a\" \"b", " \"", 4},  {"", " ", -1},     {nullptr, " ", -1},   {"ab cd", "", -1},
      {"ab cd", nullptr, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Make(c.text).NextTokenStart(c.set), c.expected) << (c.text ? c.text : "(null)");
  }
}

TEST(DynStringOrder, AgainstText) {
  struct Case {
    const char* text;
    const char* other;
    int less;
    int greater;
  };
  const Case cases[] = {
      {"abc", "abd", 1, 0},     {"abd", "abc", 0, 1}, {"abc", "abc", 0, 0}, {"", "abc", 0, 1},
      {nullptr, "abc", 0, 1},   {"abc", "", 0, 1},    {"", "", 0, 0},       {"abc", nullptr, 0, 1},
      {nullptr, nullptr, 0, 0}, {"a", "\xE9", 1, 0},
  };
  for (const Case& c : cases) {
    DynString s = Make(c.text);
    EXPECT_EQ(s < c.other, c.less)
        << (c.text ? c.text : "(null)") << " vs " << (c.other ? c.other : "(null)");
    EXPECT_EQ(s > c.other, c.greater)
        << (c.text ? c.text : "(null)") << " vs " << (c.other ? c.other : "(null)");
    DynString other = Make(c.other);
    EXPECT_EQ(s < other, c.less);
    EXPECT_EQ(s > other, c.greater);
  }
}

TEST(DynStringOrder, NullOtherStringCountsAsNullText) {
  DynString abc("abc");
  DynString empty("");
  DynString null_string;
  EXPECT_EQ(abc > null_string, 1);
  EXPECT_EQ(empty > null_string, 0);
  EXPECT_EQ(empty < null_string, 0);
  // A non-null empty other is a real empty text.
  EXPECT_EQ(abc > empty, 1);
  EXPECT_EQ(empty > empty, 0);
}

}  // namespace
