#include "text/encoding.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "text/dyn_string.h"
#include "text/testing/marked_string.h"

namespace {

// A string whose character area starts with bytes (zeros allowed); the area
// is freshly allocated, so the byte after them is NUL.
DynString WithBytes(const std::string& bytes) {
  DynString s;
  for (size_t i = 0; i < bytes.size(); ++i) *s.At(static_cast<int>(i)) = bytes[i];
  return s;
}

// The first n bytes of the character area.
std::string AreaBytes(const DynString& s, int n) {
  return std::string(s.Data(), static_cast<size_t>(n));
}

TEST(DynStringHexValue, ReadsTheLeadingNumberAsTheScanDoes) {
  struct Case {
    const char* text;
    int expected;
  };
  const Case cases[] = {
      {"1F", 31},
      {"ff", 255},
      {" 10", 16},
      {"FFFFFFFF", -1},
      {"7fffffff", INT_MAX},
      {"80000000", INT_MIN},
      {"0x1f", 31},
      {"0X10", 16},
      {"+a", 10},
      {"-1", -1},
      {"-10", -16},
      {"-0x10", -16},
      {"\t\n\v\f\r 7", 7},
      {"12g4", 0x12},
      {"0xg", 0},
      {"0x", 0},
      {"123456789", 0x23456789},
      {"100000000", 0},
      {"FFFFFFFFFFFFFFFF", -1},
      {"1FFFFFFFFFFFFFFFF", -1},
      {"10000000000000000", -1},
      {"-10000000000000000", -1},
      {"", 0},
      {"xyz", 0},
      {"- 1", 0},
      {"+-1", 0},
      {"\xA0"
       "1",
       0},
      {"\xE9", 0},
  };
  for (const Case& c : cases) {
    DynString s(c.text);
    EXPECT_EQ(s.HexValue(), c.expected) << '"' << c.text << '"';
    EXPECT_STREQ(s.CStr(), c.text);
  }
  EXPECT_EQ(DynString().HexValue(), 0);
}

TEST(DynStringHexValue, AgreesWithStrtoulTruncatedTo32Bits) {
  if (sizeof(unsigned long) != 8) GTEST_SKIP() << "the reference needs a 64-bit strtoul";
  const char alphabet[] = "0123456789abcdefABCDEF0000FFFF  \t\n+-xXgG\xA0\xE9";
  std::mt19937 random(1234);
  std::uniform_int_distribution<size_t> pick(0, sizeof(alphabet) - 2);
  std::uniform_int_distribution<int> length(0, 24);
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    for (int i = length(random); i > 0; --i) text += alphabet[pick(random)];
    char* end = nullptr;
    unsigned long reference = std::strtoul(text.c_str(), &end, 16);
    int expected = end == text.c_str() ? 0 : static_cast<int32_t>(static_cast<uint32_t>(reference));
    ASSERT_EQ(DynString(text.c_str()).HexValue(), expected) << '"' << text << '"';
  }
}

TEST(DynStringFoldAccent, EveryByteAsTheLatin1Table) {
  struct Group {
    std::vector<int> bytes;
    char folded;
  };
  const Group groups[] = {
      {{192, 193, 194, 196}, 'A'},
      {{200, 201, 202, 203}, 'E'},
      {{204, 205, 206, 207}, 'I'},
      {{209}, 'N'},
      {{210, 211, 212, 214}, 'O'},
      {{217, 218, 219, 220}, 'U'},
      {{223}, 's'},
      {{224, 225, 226, 228}, 'a'},
      {{232, 233, 234, 235}, 'e'},
      {{236, 237, 238, 239}, 'i'},
      {{241}, 'n'},
      {{242, 243, 244, 246}, 'o'},
      {{249, 250, 251, 252}, 'u'},
  };
  char expected[256];
  for (int b = 0; b < 256; ++b) expected[b] = b < 128 ? static_cast<char>(b) : '-';
  for (const Group& g : groups) {
    for (int b : g.bytes) expected[b] = g.folded;
  }
  for (int b = 0; b < 256; ++b) {
    EXPECT_EQ(DynString::FoldAccent(static_cast<char>(b)), expected[b]) << "byte " << b;
  }
}

TEST(DynStringFoldAccent, TildeAndRingLettersOtherThanNBecomeHyphens) {
  for (int b : {195, 197, 213, 227, 229, 245, 198, 199, 208, 215, 216, 221,
                222, 230, 231, 240, 247, 248, 253, 254, 255, 128, 160, 191}) {
    EXPECT_EQ(DynString::FoldAccent(static_cast<char>(b)), '-') << "byte " << b;
  }
}

TEST(DynStringFoldAccents, FoldsTheTextInPlace) {
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"A\xF1o \xDC"
       "ber \xE7"
       "a",
       "Ano Uber -a"},
      {"\xD1", "N"},
      {"Stra\xDF"
       "e",
       "Strase"},
      {"\xC3\xC5\xD5\xE3\xE5\xF5", "------"},
      {"", ""},
  };
  for (const Case& c : cases) {
    DynString s(c.text);
    Mark(s);
    s.FoldAccents();
    EXPECT_STREQ(s.CStr(), c.expected) << '"' << c.text << '"';
    ExpectMarked(s);
  }
}

TEST(DynStringFoldAccents, AsciiNeverChanges) {
  std::string ascii;
  for (int b = 1; b < 128; ++b) ascii += static_cast<char>(b);
  DynString s(ascii.c_str());
  s.FoldAccents();
  EXPECT_EQ(std::string(s.CStr()), ascii);
}

TEST(DynStringFoldAccents, StopsAtTheTerminatorAndAllocatesANullString) {
  DynString s = WithBytes(std::string("\xE9\0\xE9", 3));
  s.FoldAccents();
  EXPECT_EQ(AreaBytes(s, 3), std::string("e\0\xE9", 3));

  DynString null_string;
  null_string.FoldAccents();
  EXPECT_FALSE(null_string.IsNull());
  EXPECT_STREQ(null_string.CStr(), "");
}

TEST(DynStringHexDecode, PairsBecomeBytes) {
  struct Case {
    const char* text;
    std::string bytes;
  };
  const Case cases[] = {
      {"414243", "ABC"},
      {"00FF", std::string("\0\xFF", 2)},
      {"0000", std::string("\0\0", 2)},
      {"", ""},
      {"0a", "\n"},
      {"0A", "\n"},
      {"7e7E", "~~"},
      {"f0", "\xF0"},
      // What the scan accepts around the digits is read as it reads it.
      {" 1", "\x01"},
      {"-1", "\xFF"},
      {"1g", "\x01"},
      {"+F", "\x0F"},
      {"0x", std::string("\0", 1)},
  };
  for (const Case& c : cases) {
    DynString s(c.text);
    Mark(s);
    int count = -7;
    EXPECT_EQ(s.HexDecode(count), 1) << '"' << c.text << '"';
    const int n = static_cast<int>(c.bytes.size());
    EXPECT_EQ(count, n) << '"' << c.text << '"';
    EXPECT_EQ(AreaBytes(s, n), c.bytes) << '"' << c.text << '"';
    EXPECT_EQ(s.Data()[n], '\0');
    ExpectMarked(s);
  }
}

TEST(DynStringHexDecode, RefusesOddLengthsAndPairsWithoutANumber) {
  for (const char* text :
       {"ABC", "4", "41424", "zz", "g1", "x0", "41zz", "zz41", "  ", "- ", "\xE9\xE9"}) {
    DynString s(text);
    int count = -7;
    EXPECT_EQ(s.HexDecode(count), 0) << '"' << text << '"';
    EXPECT_EQ(count, -7);
    EXPECT_STREQ(s.CStr(), text);
  }
}

TEST(DynStringHexDecode, NullStringGivesAnAllocatedEmptyString) {
  DynString s;
  int count = -7;
  EXPECT_EQ(s.HexDecode(count), 1);
  EXPECT_EQ(count, 0);
  EXPECT_FALSE(s.IsNull());
  EXPECT_STREQ(s.CStr(), "");
}

TEST(DynStringHexEncode, BytesBecomeUpperCasePairsHighNibbleFirst) {
  struct Case {
    std::string bytes;
    int n;
    const char* expected;
  };
  const Case cases[] = {
      {"ABC", 3, "414243"},
      {"\xAB", 1, "AB"},
      {"\x01\x10", 2, "0110"},
      {"abc", 0, ""},
      {"abc", 1, "61"},
      {std::string("\0\x7F\x80\xFF", 4), 4, "007F80FF"},
      {std::string("A\0C", 3), 3, "410043"},
      {"AB", 3, "414200"},
  };
  for (const Case& c : cases) {
    DynString s = WithBytes(c.bytes);
    Mark(s);
    s.HexEncode(c.n);
    EXPECT_STREQ(s.CStr(), c.expected) << "n " << c.n;
    ExpectMarked(s);
  }
}

TEST(DynStringHexEncode, CountBeyondTheAreaGrowsTheString) {
  DynString s("A");
  const int n = s.Capacity() + 10;
  s.HexEncode(n);
  EXPECT_EQ(s.Length(), 2 * n);
  EXPECT_EQ(std::string(s.CStr()), "41" + std::string(static_cast<size_t>(2 * n - 2), '0'));
}

TEST(DynStringHexEncode, NegativeOrOversizedCountChangesNothing) {
  for (int n : {-1, -2, INT_MIN, (INT_MAX - 2) / 2 + 1, INT_MAX}) {
    DynString s("abc");
    const int capacity = s.Capacity();
    s.HexEncode(n);
    EXPECT_STREQ(s.CStr(), "abc") << "n " << n;
    EXPECT_EQ(s.Capacity(), capacity);

    DynString null_string;
    null_string.HexEncode(n);
    EXPECT_TRUE(null_string.IsNull());
  }
}

TEST(DynStringHexEncode, NullStringIsAllocatedAndReadsAsZeros) {
  DynString empty;
  empty.HexEncode(0);
  EXPECT_FALSE(empty.IsNull());
  EXPECT_STREQ(empty.CStr(), "");

  DynString zeros;
  zeros.HexEncode(2);
  EXPECT_STREQ(zeros.CStr(), "0000");
}

TEST(DynStringHexEncode, RoundTripsRandomBytesThroughHexDecode) {
  std::mt19937 random(20240601);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int n : {0, 1, 2, 3, 7, 16, 31, 64, 255, 1000}) {
    std::string bytes;
    for (int i = 0; i < n; ++i) bytes += static_cast<char>(byte(random));
    DynString s = WithBytes(bytes);
    s.HexEncode(n);
    ASSERT_EQ(s.Length(), 2 * n);
    EXPECT_EQ(std::strspn(s.CStr(), "0123456789ABCDEF"), static_cast<size_t>(2 * n));
    int count = -1;
    ASSERT_EQ(s.HexDecode(count), 1);
    EXPECT_EQ(count, n);
    EXPECT_EQ(AreaBytes(s, n), bytes) << "n " << n;
    EXPECT_EQ(s.Data()[n], '\0');
  }
}

TEST(DynStringPercentEscape, OnlyLettersDigitsAndSpacesStay) {
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"a b-c", "a b%2Dc"},    {"100%", "100%25"},
      {"\xE9", "%E9"},         {"", ""},
      {"AZaz09", "AZaz09"},    {"  ", "  "},
      {"._~", "%2E%5F%7E"},    {"/:@[`{", "%2F%3A%40%5B%60%7B"},
      {"\t\r\n", "%09%0D%0A"}, {"\x80\xFF", "%80%FF"},
      {"\x01", "%01"},         {"a+b=c&d", "a%2Bb%3Dc%26d"},
  };
  for (const Case& c : cases) {
    DynString s(c.text);
    Mark(s);
    s.PercentEscape();
    EXPECT_STREQ(s.CStr(), c.expected) << '"' << c.text << '"';
    ExpectMarked(s);
  }
}

TEST(DynStringPercentEscape, NullStringGivesAnAllocatedEmptyString) {
  DynString s;
  s.PercentEscape();
  EXPECT_FALSE(s.IsNull());
  EXPECT_STREQ(s.CStr(), "");
}

TEST(DynStringExtractHtmlBody, KeepsTheTextBetweenTheTags) {
  struct Case {
    const char* text;
    int result;
    const char* expected;
  };
  const Case cases[] = {
      {"x<BODY>\r\nHello\r\n</BODY>y", 1, "Hello"},
      {"<BODY></BODY>", 1, ""},
      {"<BODY> a </BODY>", 1, " a "},
      {"<BODY>\n\r a\r\nb \r\n</BODY>", 1, " a\r\nb "},
      {"<BODY>a</BODY><BODY>b</BODY>", 1, "a"},
      {"</BODY><BODY>a</BODY>", 1, "a"},
      {"<BODY><BODY>x</BODY>", 1, "<BODY>x"},
      {"</BODY><BODY>a", 0, "</BODY><BODY>a"},
      {"<body>a</body>", 0, "<body>a</body>"},
      {"<BODY class=x>a</BODY>", 0, "<BODY class=x>a</BODY>"},
      {"<BODY>abc", 0, "<BODY>abc"},
      {"<BODY>a</BODY", 0, "<BODY>a</BODY"},
      {"abc", 0, "abc"},
      {"", 0, ""},
  };
  for (const Case& c : cases) {
    DynString s(c.text);
    EXPECT_EQ(s.ExtractHtmlBody(), c.result) << '"' << c.text << '"';
    EXPECT_STREQ(s.CStr(), c.expected) << '"' << c.text << '"';
  }
}

TEST(DynStringExtractHtmlBody, NullStringStaysNull) {
  DynString s;
  EXPECT_EQ(s.ExtractHtmlBody(), 0);
  EXPECT_TRUE(s.IsNull());
}

}  // namespace
