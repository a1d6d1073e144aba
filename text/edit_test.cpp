// The tests of text/edit.h, one file as the header is one.
#include "text/edit.h"

#include <gtest/gtest.h>

#include <string>

#include "text/dyn_string.h"
#include "text/testing/full_block.h"
#include "text/testing/marked_string.h"

namespace {

// A string holding text, or a null string for nullptr.
DynString Make(const char* text) { return text == nullptr ? DynString() : DynString(text); }

std::string Show(const char* text) {
  return text == nullptr ? "(null)" : '"' + std::string(text) + '"';
}

using Trim = void (DynString::*)();

TEST(DynStringTrim, BothEndsOfItsSetOnly) {
  struct Case {
    Trim trim;
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {&DynString::TrimSpaces, "  a b  ", "a b"},
      {&DynString::TrimSpaces, "   ", ""},
      {&DynString::TrimSpaces, "", ""},
      {&DynString::TrimSpaces, "\t a \t", "\t a \t"},
      {&DynString::TrimSpaces, "ab", "ab"},
      {&DynString::TrimSpaces, " a", "a"},
      {&DynString::TrimSpaces, "a ", "a"},
      {&DynString::TrimBlanks, "\t ab \t", "ab"},
      {&DynString::TrimBlanks, "\t \t", ""},
      {&DynString::TrimBlanks, " a\tb ", "a\tb"},
      {&DynString::TrimLineBreaks, "\r\nx\n\r", "x"},
      {&DynString::TrimLineBreaks, "a\rb\n", "a\rb"},
      {&DynString::TrimLineBreaks, "\n\n", ""},
      {&DynString::TrimLineBreaks, " x\n", " x"},
  };
  for (const Case& c : cases) {
    DynString s = Marked(c.text);
    (s.*c.trim)();
    EXPECT_STREQ(s.CStr(), c.expected) << Show(c.text);
    ExpectMarked(s);
  }
}

TEST(DynStringTrim, NullStringComesOutAllocatedEmpty) {
  for (Trim trim : {&DynString::TrimSpaces, &DynString::TrimBlanks, &DynString::TrimLineBreaks}) {
    DynString s;
    (s.*trim)();
    EXPECT_FALSE(s.IsNull());
    EXPECT_STREQ(s.CStr(), "");
  }
}

using Strip = int (DynString::*)();

TEST(DynStringStrip, OneEnclosingPair) {
  struct Case {
    Strip strip;
    const char* text;
    int result;
    const char* expected;
  };
  const Case cases[] = {
      {&DynString::StripQuotes, "  \"ab\" ", 1, "ab"},
      {&DynString::StripQuotes, "ab\"", 0, "ab"},
      {&DynString::StripQuotes, "", 0, ""},
      {&DynString::StripQuotes, "\"", 0, ""},
      {&DynString::StripQuotes, "\"\"", 1, ""},
      {&DynString::StripQuotes, "\"ab", 0, "\"ab"},
      {&DynString::StripQuotes, " \"a\"b\" ", 1, "a\"b"},
      {&DynString::StripQuotes, "\"\"a\"\"", 1, "\"a\""},
      {&DynString::StripAngles, "<abc>", 1, "abc"},
      {&DynString::StripAngles, "abc>", 0, "abc"},
      {&DynString::StripAngles, " <a> ", 1, "a"},
      {&DynString::StripParens, "(a)b)", 1, "a)b"},
      {&DynString::StripParens, "(f(x))", 1, "f(x)"},
      {&DynString::StripParens, "x(a)", 0, "x(a"},
      {&DynString::StripParens, "(a", 0, "(a"},
      {&DynString::StripParens, ")a", 0, ")a"},
      {&DynString::StripParens, "()", 1, ""},
      {&DynString::StripParens, "", 0, ""},
      {&DynString::StripParens, " (a) ", 0, " (a"},
      {&DynString::StripBrackets, "[a]b]", 1, "a"},
      {&DynString::StripBrackets, "[a]", 1, "a"},
      {&DynString::StripBrackets, "[]", 1, ""},
      {&DynString::StripBrackets, "]x", 0, "]x"},
      {&DynString::StripBrackets, "x[a]y", 0, "x[a"},
      {&DynString::StripBrackets, "[ab", 0, "[ab"},
  };
  for (const Case& c : cases) {
    DynString s = Marked(c.text);
    EXPECT_EQ((s.*c.strip)(), c.result) << Show(c.text);
    EXPECT_STREQ(s.CStr(), c.expected) << Show(c.text);
    ExpectMarked(s);
  }
}

TEST(DynStringStrip, NullString) {
  DynString quotes;
  EXPECT_EQ(quotes.StripQuotes(), 0);
  EXPECT_FALSE(quotes.IsNull());  // the trim gave it a block
  DynString parens;
  EXPECT_EQ(parens.StripParens(), 0);
  EXPECT_TRUE(parens.IsNull());
  DynString brackets;
  EXPECT_EQ(brackets.StripBrackets(), 0);
  EXPECT_TRUE(brackets.IsNull());
}

TEST(DynStringStripAmpersand, RemovesTheFirstOnly) {
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {{"&File", "File"}, {"A&&B", "A&B"}, {"Exit", "Exit"}, {"&", ""}};
  for (const Case& c : cases) {
    DynString s = Marked(c.text);
    const char* result = s.StripAmpersand();
    EXPECT_STREQ(result, c.expected) << Show(c.text);
    EXPECT_EQ(result, s.Data());
    ExpectMarked(s);
  }
  DynString null_string;
  EXPECT_EQ(null_string.StripAmpersand(), DynString().CStr());
  EXPECT_TRUE(null_string.IsNull());
}

TEST(DynStringCapitalizeFirst, OnlyLowerCaseAsciiLetters) {
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"&file", "&File"}, {"file", "File"}, {"1abc", "1abc"},           {"&", "&"},
      {"File", "File"},   {"&&a", "&&a"},   {"\xE9t\xE9", "\xE9t\xE9"}, {"z", "Z"},
      {"{a", "{a"},       {"", ""},
  };
  for (const Case& c : cases) {
    DynString s(c.text);
    s.CapitalizeFirst();
    EXPECT_STREQ(s.CStr(), c.expected) << Show(c.text);
  }
  DynString null_string;
  null_string.CapitalizeFirst();
  EXPECT_TRUE(null_string.IsNull());
}

TEST(DynStringSplitKeyValue, AtTheFirstEquals) {
  struct Case {
    const char* text;
    int result;
    const char* key;
    const char* value;
  };
  const Case cases[] = {
      {"a=b=c", 1, "a", "b=c"},          {"a=", 1, "a", ""},
      {"=b", 0, "old key", "old value"}, {"ab", 0, "old key", "old value"},
      {" k = v ", 1, " k ", " v "},      {nullptr, 0, "old key", "old value"},
      {"", 0, "old key", "old value"},
  };
  for (const Case& c : cases) {
    DynString s = Make(c.text);
    DynString key("old key");
    DynString value("old value");
    EXPECT_EQ(s.SplitKeyValue(key, value), c.result) << Show(c.text);
    EXPECT_STREQ(key.CStr(), c.key) << Show(c.text);
    EXPECT_STREQ(value.CStr(), c.value) << Show(c.text);
    EXPECT_STREQ(s.CStr(), c.text == nullptr ? "" : c.text);
  }
}

TEST(DynStringSplitKeyValue, EmptyValueIsAllocatedAndOutputsKeepTheirHeaders) {
  DynString s("name=");
  DynString key;
  DynString value;
  EXPECT_EQ(s.SplitKeyValue(key, value), 1);
  EXPECT_FALSE(value.IsNull());
  EXPECT_STREQ(value.CStr(), "");
  DynString marked_key = Marked("x");
  DynString marked_value = Marked("a much longer old value");
  DynString t("a key that is long enough to grow=v");
  EXPECT_EQ(t.SplitKeyValue(marked_key, marked_value), 1);
  EXPECT_STREQ(marked_key.CStr(), "a key that is long enough to grow");
  EXPECT_STREQ(marked_value.CStr(), "v");
  ExpectMarked(marked_key);
  ExpectMarked(marked_value);
}

TEST(DynStringSplitKeyValue, OutputMayBeTheStringItself) {
  DynString s("key=value");
  DynString value;
  EXPECT_EQ(s.SplitKeyValue(s, value), 1);
  EXPECT_STREQ(s.CStr(), "key");
  EXPECT_STREQ(value.CStr(), "value");
  DynString t("key=value");
  DynString key;
  EXPECT_EQ(t.SplitKeyValue(key, t), 1);
  EXPECT_STREQ(key.CStr(), "key");
  EXPECT_STREQ(t.CStr(), "value");
}

TEST(DynStringCutAt, EndsBeforeTheFirstOccurrence) {
  struct Case {
    const char* text;
    char c;
    int result;
    const char* expected;
  };
  const Case cases[] = {
      {"a,b,c", ',', 1, "a"}, {"a,b,c", 'x', -1, "a,b,c"}, {"a,b,c", '\0', 5, "a,b,c"},
      {",a", ',', 0, ""},     {"", ',', -1, ""},           {"", '\0', 0, ""},
  };
  for (const Case& c : cases) {
    DynString s(c.text);
    EXPECT_EQ(s.CutAt(c.c), c.result) << Show(c.text);
    EXPECT_STREQ(s.CStr(), c.expected) << Show(c.text);
  }
  DynString null_string;
  EXPECT_EQ(null_string.CutAt('\0'), 0);
  EXPECT_EQ(null_string.CutAt(','), -1);
  EXPECT_TRUE(null_string.IsNull());
}

// The cut writes its NUL in place: a block the text fills is neither grown nor
// moved, and NUL leaves everything as it was.
TEST(DynStringCutAt, FullBlockStaysPut) {
  struct Case {
    const char* text;
    char c;
    int result;
    const char* expected;
  };
  const Case cases[] = {
      {"abcdefghij,", ',', 10, "abcdefghij"},
      {"abcdefghijk", '\0', 11, "abcdefghijk"},
      {"a,cdefghijk", ',', 1, "a"},
      {"abcdefghijk", 'x', -1, "abcdefghijk"},
  };
  for (const Case& c : cases) {
    DynString s = FullBlock(c.text);
    ASSERT_EQ(s.Capacity(), 13) << Show(c.text);
    const char* block = s.Data();
    EXPECT_EQ(s.CutAt(c.c), c.result) << Show(c.text);
    EXPECT_STREQ(s.CStr(), c.expected) << Show(c.text);
    EXPECT_EQ(s.Data(), block) << Show(c.text);
    EXPECT_EQ(s.Capacity(), 13) << Show(c.text);
  }
}

TEST(DynStringRemove, FirstAllAndSets) {
  struct Case {
    const char* text;
    const char* op;  // "first", "all" or "chars"
    const char* arg;
    int result;
    const char* expected;
  };
  const Case cases[] = {
      {"a,b,,c", "all", ",", 1, "abc"},     {"a,b,,c", "first", ",", 1, "ab,,c"},
      {"abc", "first", ",", 0, "abc"},      {",,,", "all", ",", 1, ""},
      {"abc", "all", ",", 1, "abc"},        {"a;b,c", "chars", ",;", 1, "abc"},
      {"a;b,c", "chars", "", 1, "a;b,c"},   {"banana", "chars", "an", 1, "b"},
      {"\xE9x\xE9", "all", "\xE9", 1, "x"},
  };
  for (const Case& c : cases) {
    DynString s = Marked(c.text);
    std::string op = c.op;
    int result = op == "first" ? s.RemoveFirst(c.arg[0])
                 : op == "all" ? s.RemoveAll(c.arg[0])
                               : s.RemoveChars(c.arg);
    EXPECT_EQ(result, c.result) << Show(c.text) << ' ' << op;
    EXPECT_STREQ(s.CStr(), c.expected) << Show(c.text) << ' ' << op;
    ExpectMarked(s);
  }
}

TEST(DynStringRemove, NulAndNullAreHarmless) {
  DynString s("abc");
  EXPECT_EQ(s.RemoveFirst('\0'), 0);
  EXPECT_EQ(s.RemoveAll('\0'), 1);
  EXPECT_EQ(s.RemoveChars(nullptr), 1);
  EXPECT_STREQ(s.CStr(), "abc");
  DynString null_string;
  EXPECT_EQ(null_string.RemoveFirst('a'), 0);
  EXPECT_EQ(null_string.RemoveAll('a'), 1);
  EXPECT_EQ(null_string.RemoveFirst('\0'), 0);
  EXPECT_TRUE(null_string.IsNull());
}

TEST(DynStringRemove, SetPointingIntoTheStringItself) {
  DynString s("a,b;c");
  EXPECT_EQ(s.RemoveChars(s.CStr() + 1), 1);
  EXPECT_STREQ(s.CStr(), "a");
}

TEST(DynStringReplaceChar, FromTheRight) {
  struct Case {
    const char* text;
    char from;
    char to;
    int result;
    const char* expected;
  };
  const Case cases[] = {
      {"a,b,c", ',', ';', 2, "a;b;c"},
      {"a,b,c", ',', '\0', 2, "a"},
      {"abc", ',', ';', 0, "abc"},
      {"a,b,c", ',', ',', 2, "a,b,c"},
      {"a,b,c", '\0', 'x', 0, "a,b,c"},
      {"aaa", 'a', '\xE9', 3, "\xE9\xE9\xE9"},
      {"", ',', ';', 0, ""},
  };
  for (const Case& c : cases) {
    DynString s = Marked(c.text);
    EXPECT_EQ(s.ReplaceChar(c.from, c.to), c.result) << Show(c.text);
    EXPECT_STREQ(s.CStr(), c.expected) << Show(c.text);
    ExpectMarked(s);
  }
  DynString null_string;
  EXPECT_EQ(null_string.ReplaceChar('\0', 'x'), 0);
  EXPECT_EQ(null_string.ReplaceChar('a', 'b'), 0);
  EXPECT_TRUE(null_string.IsNull());
}

TEST(DynStringReplaceText, SearchesAgainFromTheStart) {
  struct Case {
    const char* text;
    const char* find;
    const char* replacement;
    bool whole_word;
    int result;
    const char* expected;
  };
  const Case cases[] = {
      {"cat catalog cat", "cat", "dog", true, 2, "dog catalog dog"},
      {"cat catalog cat", "cat", "dog", false, 3, "dog dogalog dog"},
      {"aaa", "aa", "a", false, 2, "a"},
      {"abab", "ab", "", false, 2, ""},
      {"xaabby", "ab", "", false, 2, "xy"},
      {"abc", "x", "y", false, 0, "abc"},
      {"a-b a_b", "b", "B", true, 1, "a-B a_b"},
      {"Cat cat", "cat", "dog", false, 1, "Cat dog"},
      {"a.b", "a.b", "long replacement", false, 1, "long replacement"},
      // Outside the repeated search: a replacement holding the text.
      {"aa", "a", "ab", false, 2, "abab"},
      {"cat cats", "cat", "cats", true, 1, "cats cats"},
      {"--", "-", "-x", true, 2, "-x-x"},
      {"aaa", "a", "a", false, 3, "aaa"},
      // An empty text to find replaces nothing.
      {"abc", "", "x", false, 0, "abc"},
  };
  for (const Case& c : cases) {
    DynString s = Marked(c.text);
    EXPECT_EQ(s.ReplaceText(c.find, c.replacement, c.whole_word), c.result)
        << Show(c.text) << " " << Show(c.find) << " -> " << Show(c.replacement);
    EXPECT_STREQ(s.CStr(), c.expected) << Show(c.text) << " " << Show(c.find);
    ExpectMarked(s);
  }
}

TEST(DynStringReplaceText, NullArguments) {
  DynString null_string;
  EXPECT_EQ(null_string.ReplaceText("a", "b", false), 0);
  EXPECT_TRUE(null_string.IsNull());
  DynString s("a-b-c");
  EXPECT_EQ(s.ReplaceText(nullptr, "x", false), 0);
  EXPECT_EQ(s.ReplaceText("-", nullptr, false), 2);
  EXPECT_STREQ(s.CStr(), "abc");
}

TEST(DynStringReplaceText, ArgumentsPointingIntoTheStringItself) {
  DynString s("ab ab");
  EXPECT_EQ(s.ReplaceText(s.CStr() + 3, s.CStr() + 4, false), 2);
  EXPECT_STREQ(s.CStr(), "b b");
}

TEST(DynStringInsertAt, SplicesIn) {
  struct Case {
    const char* text;
    const char* insert;
    int p;
    const char* expected;
  };
  const Case cases[] = {
      {"abc", "XY", 1, "aXYbc"}, {"abc", "XY", 3, "abcXY"},  {"abc", "XY", 4, "abc"},
      {"abc", "XY", 0, "XYabc"}, {"abc", nullptr, 1, "abc"}, {"abc", "", 2, "abc"},
      {"abc", "XY", -1, "abc"},  {"", "XY", 0, "XY"},
  };
  for (const Case& c : cases) {
    DynString s = Marked(c.text);
    s.InsertAt(c.insert, c.p);
    EXPECT_STREQ(s.CStr(), c.expected) << Show(c.text) << " at " << c.p;
    ExpectMarked(s);
  }
}

TEST(DynStringInsertAt, NullStringAndSelfText) {
  DynString s;
  s.InsertAt("XY", 1);
  EXPECT_TRUE(s.IsNull());
  s.InsertAt("XY", 0);
  EXPECT_STREQ(s.CStr(), "XY");
  DynString t;
  t.InsertAt(nullptr, 0);
  EXPECT_FALSE(t.IsNull());
  DynString u("abcdefghij");
  u.InsertAt(u.CStr() + 5, 5);
  EXPECT_STREQ(u.CStr(), "abcdefghijfghij");
}

TEST(DynStringAppendString, NullOtherChangesNothing) {
  DynString s;
  DynString null_other;
  s.AppendString(null_other);
  EXPECT_TRUE(s.IsNull());
  DynString empty_other("");
  s.AppendString(empty_other);
  EXPECT_FALSE(s.IsNull());
  DynString t = Marked("ab");
  DynString tail("cdefghijklmnopqrstuvwxyz");
  t.AppendString(tail);
  EXPECT_STREQ(t.CStr(), "abcdefghijklmnopqrstuvwxyz");
  ExpectMarked(t);
  t.AppendString(t);
  EXPECT_STREQ(t.CStr(), "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz");
}

}  // namespace
