#include "text/format.h"

#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "text/dyn_string.h"

namespace {

// A string holding text whose header carries non-default Precision and Tag.
DynString Marked(const char* text, int precision, int tag) {
  DynString s(text);
  s.SetPrecision(precision);
  s.Tag() = tag;
  return s;
}

TEST(DynStringFormatFormat, ReplacesTextAndReturnsLength) {
  DynString s("abc");
  EXPECT_EQ(s.Format("%d", 42), 2);
  EXPECT_STREQ(s.CStr(), "42");
}

TEST(DynStringFormatFormat, KeepsHeaderFields) {
  DynString s = Marked("abc", 3, 9);
  s.Format("%s-%d", "x", 7);
  EXPECT_STREQ(s.CStr(), "x-7");
  EXPECT_EQ(s.Precision(), 3);
  EXPECT_EQ(s.Tag(), 9);
}

TEST(DynStringFormatFormat, OwnTextMayBeAnArgument) {
  DynString s("abc");
  EXPECT_EQ(s.Format("%s-%s", s.CStr(), s.CStr()), 7);
  EXPECT_STREQ(s.CStr(), "abc-abc");
}

TEST(DynStringFormatFormat, ResultsBeyondTheBufferAreCutAt9999) {
  struct Row {
    size_t produced;
    int returned;
  };
  for (Row row : {Row{9998, 9998}, Row{9999, 9999}, Row{10000, 9999}, Row{25000, 9999}}) {
    std::string long_text(row.produced, 'x');
    DynString s;
    EXPECT_EQ(s.Format("%s", long_text.c_str()), row.returned) << row.produced;
    EXPECT_EQ(s.CStr(), long_text.substr(0, row.returned)) << row.produced;
  }
}

TEST(DynStringFormatFormat, EmbeddedNulCountsButEndsTheText) {
  DynString s("abc");
  EXPECT_EQ(s.Format("%c%s", '\0', "zz"), 3);
  EXPECT_STREQ(s.CStr(), "");
  EXPECT_FALSE(s.IsNull());
}

// mingw-w64's formatter drops a wide character it cannot narrow and
// succeeds, so this failure has no Windows form.
#ifndef _WIN32
TEST(DynStringFormatFormat, FormatterErrorLeavesEmptyText) {
  // A wide character the "C" locale cannot narrow makes the formatter fail.
  DynString s("abc");
  EXPECT_LT(s.Format("%ls", L"\u00e9"), 0);
  EXPECT_STREQ(s.CStr(), "");
}
#endif

TEST(DynStringFormatSetPrecision, StoresLowByteAsSigned) {
  struct Row {
    int n;
    int stored;
  };
  const Row rows[] = {{0, 0},   {3, 3},   {127, 127}, {128, -128},   {200, -56},   {255, -1},
                      {256, 0}, {-1, -1}, {-56, -56}, {INT_MAX, -1}, {INT_MIN, 0}, {0x1234, 0x34}};
  for (const Row& row : rows) {
    DynString s("x");
    s.SetPrecision(row.n);
    EXPECT_EQ(s.Precision(), row.stored) << row.n;
    EXPECT_EQ(s.Tag(), -1) << row.n;
  }
}

TEST(DynStringFormatSetPrecision, NullStringGetsItsOwnBlock) {
  DynString s;
  s.SetPrecision(4);
  EXPECT_FALSE(s.IsNull());
  EXPECT_STREQ(s.CStr(), "");
  EXPECT_EQ(s.Precision(), 4);
  EXPECT_EQ(DynString().Precision(), 1);
}

TEST(DynStringFormatInsert, FloatingPointFollowsPrecision) {
  const int UNSET = 1000;  // leaves the string null
  struct Row {
    int precision;
    double value;
    bool as_float;
    const char* expected;
  };
  const Row rows[] = {
      {UNSET, 3.14159, false, "3.1"},
      {-1, 0.5, false, "0.500000"},
      {0, 2.75, false, "3"},
      {200, 1.5, false, "1.500000"},
      {3, 2.0, false, "2.000"},
      {2, -0.004, false, "-0.00"},
      {2, 7.25, true, "7.25"},
      {-1, 0.5, true, "0.500000"},
      {UNSET, 7.0, true, "7.0"},
      {12, 0.1, false, "0.100000000000"},
      {1, 1e20, false, "100000000000000000000.0"},
  };
  for (const Row& row : rows) {
    DynString s;
    if (row.precision != UNSET) s.SetPrecision(row.precision);
    if (row.as_float) {
      s << static_cast<float>(row.value);
    } else {
      s << row.value;
    }
    EXPECT_STREQ(s.CStr(), row.expected) << row.precision << " " << row.value;
  }
}

TEST(DynStringFormatInsert, ValuesAppendTheirTextForm) {
  struct Row {
    const char* what;
    std::function<void(DynString&)> insert;
    std::string expected;
  };
  DynString other("de");
  const std::vector<Row> rows = {
    {"int", [](DynString& s) { s << -7; }, "ab-7"},
    {"int min", [](DynString& s) { s << INT_MIN; }, "ab-2147483648"},
    {"unsigned max", [](DynString& s) { s << 4294967295u; }, "ab4294967295"},
    {"short", [](DynString& s) { s << static_cast<short>(-1); }, "ab-1"},
    {"short max", [](DynString& s) { s << static_cast<short>(32767); }, "ab32767"},
    {"unsigned long", [](DynString& s) { s << 4294967295ul; }, "ab4294967295"},
#if ULONG_MAX > 0xFFFFFFFFul
    {"unsigned long low 32 bits", [](DynString& s) { s << 5000000000ul; }, "ab705032704"},
#endif
    {"bool true", [](DynString& s) { s << true; }, "ab1"},
    {"bool false", [](DynString& s) { s << false; }, "ab0"},
    {"long", [](DynString& s) { s << LONG_MIN; }, "ab" + std::to_string(LONG_MIN)},
    {"char", [](DynString& s) { s << 'z'; }, "abz"},
    {"char NUL", [](DynString& s) { s << '\0'; }, "ab"},
    {"unsigned char", [](DynString& s) { s << static_cast<unsigned char>(65); }, "abA"},
    {"unsigned char high", [](DynString& s) { s << static_cast<unsigned char>(233); }, "ab\xE9"},
    {"text", [](DynString& s) { s << "xy"; }, "abxy"},
    {"null text", [](DynString& s) { s << static_cast<const char*>(nullptr); }, "ab"},
    {"DynString", [&other](DynString& s) { s << other; }, "abde"},
    {"itself", [](DynString& s) { s << s; }, "abab"},
    {"chain", [](DynString& s) { s << 1 << ' ' << 2.5 << "!" << 'c'; }, "ab1 2.5!c"},
  };
  for (const Row& row : rows) {
    DynString s = Marked("ab", 1, 9);
    row.insert(s);
    EXPECT_EQ(s.CStr(), row.expected) << row.what;
    EXPECT_EQ(s.Precision(), 1) << row.what;
    EXPECT_EQ(s.Tag(), 9) << row.what;
  }
}

TEST(DynStringFormatInsert, IntoNullString) {
  DynString a;
  a << static_cast<short>(-1);
  EXPECT_STREQ(a.CStr(), "-1");
  DynString b;
  b << '\0';
  EXPECT_STREQ(b.CStr(), "");
}

TEST(DynStringFormatInsert, KeepsNonDefaultPrecision) {
  DynString s = Marked("", 3, 5);
  s << 1.0 << 2;
  EXPECT_STREQ(s.CStr(), "1.0002");
  EXPECT_EQ(s.Precision(), 3);
  EXPECT_EQ(s.Tag(), 5);
}

TEST(DynStringFormatToInt, ReadsLeadingDecimal) {
  struct Row {
    const char* text;
    int expected;
  };
  const Row rows[] = {
      {"", 0},
      {"42", 42},
      {"  -17x", -17},
      {"+5", 5},
      {"abc", 0},
      {"\t\n\v\f\r 9", 9},
      {"12abc", 12},
      {"- 5", 0},
      {"2147483647", INT_MAX},
      {"-2147483648", INT_MIN},
      {"2147483648", INT_MAX},
      {"-99999999999999999999", INT_MIN},
      {"0x1F", 0},
      {"\xA0"
       "5",
       0},
      {"007", 7},
  };
  for (const Row& row : rows) EXPECT_EQ(DynString(row.text).ToInt(), row.expected) << row.text;
  EXPECT_EQ(DynString().ToInt(), 0);
}

TEST(DynStringFormatToDouble, ReadsLeadingNumber) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Row {
    const char* text;
    double expected;
  };
  const Row rows[] = {
      {" 1.5e2xyz", 150.0},
      {"-2.5", -2.5},
      {"abc", 0.0},
      {"", 0.0},
      {"  +.5", 0.5},
      {"1,5", 1.0},
      {"0x10", 16.0},
      {"1e400", inf},
      {"-inf", -inf},
      {"1e-400", 0.0},
      {"\t\n3", 3.0},
      {"5.", 5.0},
      {"e5", 0.0},
      {"1e", 1.0},
      {"\xE9"
       "1",
       0.0},
      {"1\xA0", 1.0},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(DynString(row.text).ToDouble(), row.expected) << row.text;
    EXPECT_EQ(ParseDouble(row.text), row.expected) << row.text;
  }
  EXPECT_EQ(DynString().ToDouble(), 0.0);
  EXPECT_EQ(ParseDouble(nullptr), 0.0);
  EXPECT_TRUE(std::isnan(ParseDouble("nan")));
}

TEST(DynStringFormatAssignInt, WritesDecimalForm) {
  for (int v : {0, 7, -1, 1000, INT_MAX, INT_MIN}) {
    DynString s = Marked("previous text", 4, 2);
    s.AssignInt(v);
    EXPECT_EQ(s.CStr(), std::to_string(v));
    EXPECT_EQ(s.Precision(), 4);
    EXPECT_EQ(s.Tag(), 2);
  }
  DynString null_string;
  null_string.AssignInt(INT_MIN);
  EXPECT_STREQ(null_string.CStr(), "-2147483648");
  EXPECT_EQ(null_string.Capacity(), 23);
}

TEST(DynStringFormatAssignFixed, DecimalsAreWhatTheWidthLeaves) {
  struct Row {
    double value;
    int width;
    const char* expected;
  };
  const Row rows[] = {
      {3.14159, 5, "3.1416"},
      {-3.14159, 5, "-3.142"},
      {-0.5, 3, "-0.50"},
      {9.99, 2, "10.0"},
      {123456.7, 4, "123456.700000"},
      {2.5, 1, "2"},
      {0.0, 3, "0.00"},
      {1e10, 14, "10000000000.000"},
      {-1e10, 15, "-10000000000.000"},
      {2147483647.5, 11, "2147483647.5"},
      {-2147483648.5, 12, "-2147483648.5"},
      {1.0, INT_MIN, "1.000000"},
      {1.0, INT_MAX, "1.000000"},
      {1.0, 200, "1.000000"},
      {std::numeric_limits<double>::infinity(), 5, "inf"},
  };
  for (const Row& row : rows) {
    DynString s = Marked("old", 7, 3);
    s.AssignFixed(row.value, row.width);
    EXPECT_STREQ(s.CStr(), row.expected) << row.value << " " << row.width;
    EXPECT_EQ(s.Precision(), 7);
    EXPECT_EQ(s.Tag(), 3);
  }
  DynString nan_text;
  nan_text.AssignFixed(std::nan(""), 4);
  EXPECT_STREQ(nan_text.CStr(), "nan");
}

}  // namespace
