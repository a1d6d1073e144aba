// Extraction, token taking and concatenation of the number facet, and its
// independence from the process locale.
#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cmath>
#include <string>

#include "text/dyn_string.h"

namespace {

TEST(DynStringFormatExtract, IntsConsumeTokensFromTheLeft) {
  DynString s("12 34 abc");
  int a = -1, b = -1, c = -1, d = -1;
  s >> a;
  EXPECT_STREQ(s.CStr(), "34 abc");
  s >> b >> c;
  EXPECT_EQ(a, 12);
  EXPECT_EQ(b, 34);
  EXPECT_EQ(c, 0);
  EXPECT_STREQ(s.CStr(), "");
  s >> d;
  EXPECT_EQ(d, 0);
  EXPECT_STREQ(s.CStr(), "");
}

TEST(DynStringFormatExtract, EachTargetTypeReadsItsToken) {
  struct Row {
    const char* text;
    double value;  // what the target holds, widened
    const char* left;
    char type;  // d double, f float, i int, s short, l long
  };
  const Row rows[] = {
    {"2.5", 2.5, "", 'd'},
    {"7", 7.0, "", 'f'},
    {"0.1 x", 0.1f, "x", 'f'},
    {"70000 1", 4464, "1", 's'},
    {"-70000", -4464, "", 's'},
    {"32768", -32768, "", 's'},
    {"-5 6", -5, "6", 'l'},
#if LONG_MAX > 2147483647L
    {"2147483648", 2147483648.0, "", 'l'},
#else
    {"2147483648", 2147483647.0, "", 'l'},  // a 32-bit long saturates
#endif
    {"12abc 5", 12, "5", 'i'},
    {"1\t2 3", 1, "3", 'i'},
    {"5 ", 5, "", 'i'},
    {" 1.5e2xyz 1", 0.0, "1.5e2xyz 1", 'd'},
    {"1.5e2xyz 1", 150.0, "1", 'd'},
    {"1e39", HUGE_VAL, "", 'f'},
  };
  for (const Row& row : rows) {
    DynString s(row.text);
    double got = -99;
    if (row.type == 'd') {
      s >> got;
    } else if (row.type == 'f') {
      float f = -99;
      s >> f;
      got = f;
    } else if (row.type == 'i') {
      int i = -99;
      s >> i;
      got = i;
    } else if (row.type == 's') {
      short h = -99;
      s >> h;
      got = h;
    } else {
      long l = -99;
      s >> l;
      got = static_cast<double>(l);
    }
    EXPECT_EQ(got, row.value) << row.text;
    EXPECT_STREQ(s.CStr(), row.left) << row.text;
  }
}

// long is read over the same range it is written with, so every value comes
// back unchanged; beyond that range the reading saturates.
TEST(DynStringFormatExtract, LongReadsBackWhatWasWritten) {
#if LONG_MAX > 2147483647L
  const long values[] = {0,           -1,           2147483647, 2147483648L, -2147483649L,
                         5000000000L, -5000000000L, LONG_MAX,   LONG_MIN};
#else
  // long has 32 bits (64-bit Windows): its whole range.
  const long values[] = {0, -1, 2147483647L, -2147483647L - 1, 65536L, LONG_MAX, LONG_MIN};
#endif
  DynString s;
  for (long v : values) s << v << ' ';
  for (long v : values) {
    long back = 77;
    s >> back;
    EXPECT_EQ(back, v);
  }
  EXPECT_STREQ(s.CStr(), "");

  struct Row {
    const char* text;
    long value;
  };
  const Row rows[] = {
      {"99999999999999999999", LONG_MAX},
      {"-99999999999999999999", LONG_MIN},
      {"+12x", 12},
      {"-", 0},
      {"", 0},
  };
  for (const Row& row : rows) {
    DynString t(row.text);
    long got = 77;
    t >> got;
    EXPECT_EQ(got, row.value) << row.text;
  }
}

TEST(DynStringFormatExtract, BoolHasItsOwnSplit) {
  DynString s("0 1");
  bool b = true;
  s >> b;
  EXPECT_FALSE(b);
  EXPECT_STREQ(s.CStr(), "1");
  s >> b;
  EXPECT_TRUE(b);
  EXPECT_STREQ(s.CStr(), "");
  s >> b;
  EXPECT_FALSE(b);

  struct Row {
    const char* text;
    bool value;
    const char* left;
  };
  const Row rows[] = {
      {"7abc x", true, "x"},  {"abc 1", false, "1"}, {"-3", true, ""},
      {" 5 6", false, "5 6"}, {"1  0", true, " 0"},  {"", false, ""},
  };
  for (const Row& row : rows) {
    DynString t(row.text);
    bool value = !row.value;
    t >> value;
    EXPECT_EQ(value, row.value) << row.text;
    EXPECT_STREQ(t.CStr(), row.left) << row.text;
  }
}

TEST(DynStringFormatExtract, NullStringYieldsZeroAndIsAllocated) {
  DynString a, b, c, d;
  int i = 5;
  bool flag = true;
  char ch = 'q';
  DynString target("old");
  a >> i;
  b >> flag;
  c >> ch;
  d >> target;
  EXPECT_EQ(i, 0);
  EXPECT_FALSE(flag);
  EXPECT_EQ(ch, '\0');
  EXPECT_STREQ(target.CStr(), "");
  for (const DynString* s : {&a, &b, &c, &d}) {
    EXPECT_FALSE(s->IsNull());
    EXPECT_STREQ(s->CStr(), "");
  }
}

TEST(DynStringFormatExtract, DynStringAndCharTakeEverything) {
  DynString s("hello world");
  DynString target;
  s >> target;
  EXPECT_STREQ(target.CStr(), "hello world");
  EXPECT_STREQ(s.CStr(), "");
  DynString t("xyz");
  char c = 0;
  t >> c;
  EXPECT_EQ(c, 'x');
  EXPECT_STREQ(t.CStr(), "");
}

TEST(DynStringFormatExtract, KeepsHeaderFields) {
  DynString s("1 2");
  s.SetPrecision(3);
  s.Tag() = 9;
  int v = 0;
  bool b = false;
  s >> v >> b;
  EXPECT_EQ(s.Precision(), 3);
  EXPECT_EQ(s.Tag(), 9);
  EXPECT_EQ(s.Capacity(), 3 + 13);
}

TEST(DynStringFormatTakeToken, MovesFirstToken) {
  struct Row {
    const char* text;
    const char* token;
    const char* left;
  };
  const Row rows[] = {
      {"abc", "abc", ""},  {"ab cd ef", "ab", "cd ef"}, {"ab  cd", "ab", " cd"}, {" cd", "", "cd"},
      {"  cd", "", " cd"}, {"ab ", "ab", ""},           {"a\tb c", "a\tb", "c"}, {" ", "", ""},
  };
  for (const Row& row : rows) {
    DynString s(row.text);
    DynString target("old");
    s.TakeToken(target);
    EXPECT_STREQ(target.CStr(), row.token) << row.text;
    EXPECT_FALSE(target.IsNull()) << row.text;
    EXPECT_STREQ(s.CStr(), row.left) << row.text;
  }
}

TEST(DynStringFormatTakeToken, DoubleSpaceIsAnEmptyTokenNotTheEnd) {
  DynString s("12  34");
  int a = -1, b = -1, c = -1;
  s >> a >> b >> c;
  EXPECT_EQ(a, 12);
  EXPECT_EQ(b, 0);
  EXPECT_EQ(c, 34);
  EXPECT_STREQ(s.CStr(), "");
}

TEST(DynStringFormatTakeToken, EmptyStringLeavesTargetUntouched) {
  DynString empty("");
  DynString null_string;
  DynString target("old");
  empty.TakeToken(target);
  null_string.TakeToken(target);
  EXPECT_STREQ(target.CStr(), "old");
  EXPECT_FALSE(null_string.IsNull());
}

TEST(DynStringFormatTakeToken, NullTargetStaysNullForEmptyToken) {
  DynString s(" x");
  DynString target;
  s.TakeToken(target);
  EXPECT_TRUE(target.IsNull());
  EXPECT_STREQ(s.CStr(), "x");
}

TEST(DynStringFormatTakeToken, TargetKeepsItsHeader) {
  DynString s("tok rest");
  DynString target("x");
  target.SetPrecision(5);
  target.Tag() = 4;
  s.TakeToken(target);
  EXPECT_STREQ(target.CStr(), "tok");
  EXPECT_EQ(target.Precision(), 5);
  EXPECT_EQ(target.Tag(), 4);
}

TEST(DynStringFormatConcat, ReturnsFreshStringWithDefaultHeader) {
  DynString left("b");
  left.SetPrecision(3);
  left.Tag() = 8;
  DynString right("cd");
  struct Row {
    DynString result;
    const char* expected;
  };
  const Row rows[] = {
      {left + right, "bcd"}, {left + "xy", "bxy"}, {left + 'z', "bz"},
      {left + '\0', "b"},    {left + left, "bb"},  {left + static_cast<const char*>(nullptr), "b"},
  };
  for (const Row& row : rows) {
    EXPECT_STREQ(row.result.CStr(), row.expected);
    EXPECT_EQ(row.result.Precision(), 1) << row.expected;
    EXPECT_EQ(row.result.Tag(), -1) << row.expected;
  }
  EXPECT_STREQ(left.CStr(), "b");
  EXPECT_EQ(left.Precision(), 3);
  EXPECT_EQ(left.Tag(), 8);
}

// The result is a copy of the working string, so its block is sized as a
// fresh copy's is (length + 13), whatever the working string grew to.
TEST(DynStringFormatConcat, ResultHasTheCapacityOfACopy) {
  DynString ab("ab");
  DynString cd("cd");
  DynString null_string;
  const std::string text25(25, 'x');
  struct Row {
    DynString result;
    const char* expected;
    int capacity;
  };
  const Row rows[] = {
      {ab + "cd", "abcd", 17},
      {ab + cd, "abcd", 17},
      {ab + 'c', "abc", 16},
      {ab + '\0', "ab", 15},
      {DynString("a") + text25.c_str(), "axxxxxxxxxxxxxxxxxxxxxxxxx", 39},
      {null_string + "x", "x", 14},
      {null_string + '\0', "", 13},
  };
  for (const Row& row : rows) {
    EXPECT_STREQ(row.result.CStr(), row.expected);
    EXPECT_EQ(row.result.Capacity(), row.capacity) << row.expected;
  }
}

TEST(DynStringFormatConcat, NullOnlyWhenBothSidesAreNull) {
  DynString null_string;
  DynString empty("");
  EXPECT_TRUE((null_string + null_string).IsNull());
  EXPECT_TRUE((null_string + static_cast<const char*>(nullptr)).IsNull());
  EXPECT_FALSE((null_string + empty).IsNull());
  EXPECT_FALSE((null_string + "").IsNull());
  EXPECT_FALSE((null_string + '\0').IsNull());
  EXPECT_FALSE((empty + null_string).IsNull());
  EXPECT_STREQ((null_string + "a").CStr(), "a");
}

// Numbers are written and read with '.' whatever LC_NUMERIC says. Needs a
// locale with a decimal comma (scripts/install-deps.sh generates de_DE.UTF-8).
TEST(DynStringFormatLocale, DecimalPointIgnoresProcessLocale) {
  std::string saved = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
    GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
  }
  DynString inserted;
  inserted.SetPrecision(2);
  inserted << 2.5 << ' ' << 0.5f;
  DynString fixed;
  fixed.AssignFixed(-1.25, 4);
  DynString formatted;
  formatted.Format("%.1f", 0.5);
  double parsed = ParseDouble("1.5");
  double comma = ParseDouble("1,5");
  DynString tokens("2.25 3");
  double extracted = 0;
  tokens >> extracted;
  std::setlocale(LC_ALL, saved.c_str());

  EXPECT_STREQ(inserted.CStr(), "2.50 0.50");
  EXPECT_STREQ(fixed.CStr(), "-1.25");
  EXPECT_STREQ(formatted.CStr(), "0.5");
  EXPECT_EQ(parsed, 1.5);
  EXPECT_EQ(comma, 1.0);
  EXPECT_EQ(extracted, 2.25);
}

}  // namespace
