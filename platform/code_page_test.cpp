#include "platform/code_page.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct ByteCase {
  unsigned char byte;
  char16_t unit;
};

// The 0x80-0x9F range is where 1252 differs from Latin-1.
constexpr ByteCase BYTE_CASES[] = {
    {0x00, 0x0000}, {0x41, 0x0041}, {0x7F, 0x007F}, {0x80, 0x20AC}, {0x81, 0x0081}, {0x82, 0x201A},
    {0x8A, 0x0160}, {0x8D, 0x008D}, {0x8F, 0x008F}, {0x90, 0x0090}, {0x93, 0x201C}, {0x99, 0x2122},
    {0x9D, 0x009D}, {0x9F, 0x0178}, {0xA0, 0x00A0}, {0xE9, 0x00E9}, {0xFF, 0x00FF},
};

TEST(CodePage, EveryListedByteMapsBothWays) {
  for (const ByteCase& c : BYTE_CASES) {
    EXPECT_EQ(CodePageToWide(c.byte), c.unit) << int(c.byte);
    EXPECT_EQ(static_cast<unsigned char>(WideToCodePage(c.unit)), c.byte) << int(c.byte);
  }
}

TEST(CodePage, AllBytesRoundTrip) {
  for (int b = 0; b < 256; ++b) {
    char16_t u = CodePageToWide(static_cast<unsigned char>(b));
    EXPECT_EQ(static_cast<unsigned char>(WideToCodePage(u)), b);
  }
}

TEST(CodePage, UnmappableCharactersBecomeQuestionMark) {
  for (char16_t u : {char16_t(0x0100), char16_t(0x0394), char16_t(0x4E2D), char16_t(0xD800),
                     char16_t(0xDC00), char16_t(0xFFFD)}) {
    EXPECT_EQ(WideToCodePage(u), '?') << int(u);
  }
}

TEST(MultiByteToWide, CountMinusOneIncludesTerminator) {
  char16_t dst[8] = {1, 1, 1, 1, 1, 1, 1, 1};
  EXPECT_EQ(MultiByteToWide("caf\xE9", -1, dst, 8), 5);
  EXPECT_EQ(std::u16string(dst), u"caf\u00E9");
  EXPECT_EQ(dst[5], 1);  // nothing written past the terminator
}

TEST(MultiByteToWide, StopsAtDestinationLimit) {
  char16_t dst[4] = {9, 9, 9, 9};
  EXPECT_EQ(MultiByteToWide("abcdef", -1, dst, 3), 3);
  EXPECT_EQ(dst[0], u'a');
  EXPECT_EQ(dst[2], u'c');
  EXPECT_EQ(dst[3], 9);
}

TEST(MultiByteToWide, ZeroLimitMeasures) {
  EXPECT_EQ(MultiByteToWide("abc", -1, nullptr, 0), 4);
  EXPECT_EQ(MultiByteToWide("abc", 2, nullptr, 0), 2);
}

TEST(MultiByteToWide, ExplicitCountConvertsEmbeddedBytes) {
  char16_t dst[3] = {};
  EXPECT_EQ(MultiByteToWide("\x80\x00z", 3, dst, 3), 3);
  EXPECT_EQ(dst[0], 0x20AC);
  EXPECT_EQ(dst[1], 0);
  EXPECT_EQ(dst[2], u'z');
}

TEST(WideToMultiByte, ConvertsThroughTerminator) {
  char dst[8];
  EXPECT_EQ(WideToMultiByte(u"\u20ACx\u00FF", -1, dst, 8), 4);
  EXPECT_EQ(std::string(dst), "\x80x\xFF");
}

TEST(WideToMultiByte, SurrogatePairBecomesOneQuestionMark) {
  char dst[8];
  EXPECT_EQ(WideToMultiByte(u"a\U0001F600b", -1, dst, 8), 4);
  EXPECT_EQ(std::string(dst), "a?b");
}

TEST(WideToMultiByte, StopsAtDestinationLimit) {
  char dst[4] = {'#', '#', '#', '#'};
  EXPECT_EQ(WideToMultiByte(u"abcdef", -1, dst, 2), 2);
  EXPECT_EQ(dst[1], 'b');
  EXPECT_EQ(dst[2], '#');
}

TEST(WideToMultiByte, ZeroLimitMeasures) {
  EXPECT_EQ(WideToMultiByte(u"abc", -1, nullptr, 0), 4);
  EXPECT_EQ(WideToMultiByte(u"a\U0001F600", -1, nullptr, 0), 3);
}

}  // namespace
