#include "platform/registry/reg_text_codec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(DetectEncoding, MarksAndNulBytes) {
  struct Case {
    std::vector<uint8_t> bytes;
    RegEncoding encoding;
    bool bom;
  };
  const Case cases[] = {
      {{0xFF, 0xFE, 'W', 0}, RegEncoding::Utf16Le, true},
      {{0xFF, 0xFE}, RegEncoding::Utf16Le, true},
      {{0xEF, 0xBB, 0xBF, 'W'}, RegEncoding::Utf8, true},
      {{'W', 0, 'i', 0}, RegEncoding::Utf16Le, false},
      {{'R', 'E', 'G'}, RegEncoding::CodePage1252, false},
      {{0, 0, 'x'}, RegEncoding::CodePage1252, false},
      {{0xEF, 0xBB}, RegEncoding::CodePage1252, false},
      {{0xFF}, RegEncoding::CodePage1252, false},
      {{}, RegEncoding::CodePage1252, false},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    RegEncodingGuess guess = DetectEncoding(cases[i].bytes.data(), cases[i].bytes.size());
    EXPECT_EQ(guess.encoding, cases[i].encoding) << "case " << i;
    EXPECT_EQ(guess.bom, cases[i].bom) << "case " << i;
  }
}

TEST(RegFileForm, MarkAndUnitSizes) {
  RegFileForm form;
  EXPECT_EQ(form.BomSize(), 2u);
  EXPECT_EQ(form.UnitSize(), 2u);
  form.encoding = RegEncoding::Utf8;
  EXPECT_EQ(form.BomSize(), 3u);
  EXPECT_EQ(form.UnitSize(), 1u);
  form.bom = false;
  EXPECT_EQ(form.BomSize(), 0u);
}

TEST(DecodeUtf8, WellFormedAndRefused) {
  std::u16string out;
  const std::string good = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
  ASSERT_TRUE(DecodeUtf8(reinterpret_cast<const uint8_t*>(good.data()), good.size(), &out));
  EXPECT_EQ(out, u"a\u00e9\u20ac\U0001F600");
  const char* bad[] = {"\x80",
                       "\xC3",
                       "\xC0\x80",
                       "\xE0\x80\x80",
                       "\xED\xA0\x80",
                       "\xF4\x90\x80\x80",
                       "\xF8\x88\x80\x80\x80",
                       "\xE2\x82"};
  for (const char* b : bad) {
    std::u16string sink;
    EXPECT_FALSE(
        DecodeUtf8(reinterpret_cast<const uint8_t*>(b), std::char_traits<char>::length(b), &sink))
        << b;
  }
}

TEST(DecodeUtf8Prefix, StopsBeforeTheFirstByteThatIsNotWholeAndWellFormed) {
  struct Case {
    const char* utf8;
    size_t decoded;
    std::u16string wide;
  };
  const Case cases[] = {
      {"", 0, u""},
      {"abc", 3, u"abc"},
      {"a\xC3\xA9\xC3", 3, u"a\u00E9"},
      {"\xE2\x82\xAC\x80z", 3, u"\u20AC"},
      {"x\xC0\x80", 1, u"x"},
      {"\xF0\x9F\x98\x80\xED\xA0\x80", 4, u"\U0001F600"},
      {"ab\xF4\x90\x80\x80", 2, u"ab"},
      {"\xE2\x82(", 0, u""},
  };
  for (const Case& c : cases) {
    std::u16string out = u"<";
    const size_t n = std::char_traits<char>::length(c.utf8);
    EXPECT_EQ(DecodeUtf8Prefix(reinterpret_cast<const uint8_t*>(c.utf8), n, &out), c.decoded)
        << c.utf8;
    EXPECT_EQ(out, u"<" + c.wide) << c.utf8;
  }
}

TEST(DecodeCodePage, EveryByteIsOneUnit) {
  const uint8_t bytes[] = {'A', 0x80, 0xE9, 0x81, 0};
  std::u16string out = u">";
  DecodeCodePage(bytes, sizeof bytes, &out);
  EXPECT_EQ(out, std::u16string(u">A\u20ac\u00e9\u0081\0", 6));
}

TEST(AppendTerminator, EndsInAWholeNulCharacter) {
  struct Case {
    size_t unit;
    std::vector<uint8_t> before, after;
  };
  const Case cases[] = {
      {1, {}, {}},
      {1, {'a'}, {'a', 0}},
      {1, {'a', 0}, {'a', 0}},
      {1, {0, 'a'}, {0, 'a', 0}},
      {2, {}, {}},
      {2, {'a', 0}, {'a', 0, 0, 0}},
      {2, {'a', 0, 0, 0}, {'a', 0, 0, 0}},
      {2, {'a', 0, 'b'}, {'a', 0, 'b', 0, 0, 0}},
      {2, {'a', 0, 0}, {'a', 0, 0, 0}},
      {2, {0, 'a'}, {0, 'a', 0, 0}},
      {2, {0}, {0, 0}},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = c.before;
    AppendTerminator(c.unit, &bytes);
    EXPECT_EQ(bytes, c.after) << c.unit << " " << c.before.size();
  }
}

TEST(EncodeText, ExactOrRefused) {
  std::vector<uint8_t> out;
  EXPECT_TRUE(EncodeText(RegEncoding::CodePage1252, u"caf\u00e9\u20ac\u0081", &out));
  EXPECT_EQ(out, (std::vector<uint8_t>{'c', 'a', 'f', 0xE9, 0x80, 0x81}));
  out.clear();
  EXPECT_FALSE(EncodeText(RegEncoding::CodePage1252, u"\u4e2d", &out));
  out.clear();
  EXPECT_TRUE(EncodeText(RegEncoding::CodePage1252, u"?", &out));  // a real '?' is fine
  out.clear();
  EXPECT_TRUE(EncodeText(RegEncoding::Utf8, u"\u00e9\U0001F600", &out));
  EXPECT_EQ(out, (std::vector<uint8_t>{0xC3, 0xA9, 0xF0, 0x9F, 0x98, 0x80}));
  out.clear();
  EXPECT_FALSE(EncodeText(RegEncoding::Utf8, u"a\xD800", &out));
  out.clear();
  EXPECT_TRUE(EncodeText(RegEncoding::Utf16Le, u"A\xD800", &out));
  EXPECT_EQ(out, (std::vector<uint8_t>{'A', 0, 0x00, 0xD8}));
}

TEST(MessageText, Utf8WithReplacementForLoneSurrogates) {
  EXPECT_EQ(MessageText(u"Dll \u00e9"), "Dll \xC3\xA9");
  EXPECT_EQ(MessageText(u"x\xDC00y"), "x\xEF\xBF\xBDy");
  EXPECT_EQ(LineEndText(RegLineEnd::CrLf), u"\r\n");
  EXPECT_EQ(LineEndText(RegLineEnd::Lf), u"\n");
  EXPECT_EQ(LineEndText(RegLineEnd::Cr), u"\r");
}

}  // namespace
