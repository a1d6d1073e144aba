#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/registry/reg_tree_reader.h"
#include "platform/registry/testing/bad_reg_files.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

struct ValueCase {
  const char* line;
  uint32_t type;
  std::vector<uint8_t> data;
};

TEST(ParseRegFileValues, EveryDataFormReadsExactly) {
  const ValueCase cases[] = {
      {"\"v\"=\"x\"", REG_SZ, {'x', 0, 0, 0}},
      {"\"v\"=\"\"", REG_SZ, {0, 0}},
      {"\"v\"=\"q\\\"u\\\\t\"", REG_SZ, {'q', 0, '"', 0, 'u', 0, '\\', 0, 't', 0, 0, 0}},
      {"\"v\"=\"a\\nb\\r\"", REG_SZ, {'a', 0, '\n', 0, 'b', 0, '\r', 0, 0, 0}},
      {"\"v\"=\"caf\xE9 \x80\"",
       REG_SZ,
       {'c', 0, 'a', 0, 'f', 0, 0xE9, 0, ' ', 0, 0xAC, 0x20, 0, 0}},
      {"  \"v\"  =  \"x\"  ", REG_SZ, {'x', 0, 0, 0}},
      {"\"v\"=\"x\" ; note", REG_SZ, {'x', 0, 0, 0}},
      {"\"v\"=dword:1", REG_DWORD, {1, 0, 0, 0}},
      {"\"v\"=dword:DEADbeef", REG_DWORD, {0xEF, 0xBE, 0xAD, 0xDE}},
      {"\"v\"=dword: 0000000a ;c", REG_DWORD, {10, 0, 0, 0}},
      {"\"v\"=hex:", REG_BINARY, {}},
      {"\"v\"=hex:1,02,fF", REG_BINARY, {1, 2, 0xFF}},
      {"\"v\"=hex: 01 , 02 ,", REG_BINARY, {1, 2}},
      {"\"v\"=hex(0):", REG_NONE, {}},
      {"\"v\"=hex(b):01,00,00,00,00,00,00,00", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}},
      {"\"v\"=hex(12345678):ab", 0x12345678u, {0xAB}},
      {"\"v\"=hex(4):01,02", REG_DWORD, {1, 2}},
      // Narrow text in hex(1), hex(2) and hex(7) of a REGEDIT4 file becomes UTF-16.
      {"\"v\"=hex(2):41,80,00", REG_EXPAND_SZ, {'A', 0, 0xAC, 0x20, 0, 0}},
      {"\"v\"=hex(7):61,00,62,00,00", REG_MULTI_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}},
      {"\"v\"=hex(1):e9", REG_SZ, {0xE9, 0}},
      {"\"v\"=hex(3):e9", REG_BINARY, {0xE9}},
  };
  for (const ValueCase& c : cases) {
    auto p = ParseText(REGEDIT4_HEAD + c.line + "\r\n");
    ASSERT_TRUE(p->ok) << c.line << ": line " << p->error.line << ": " << p->error.reason;
    const RegValueEntry* v = p->Value(u"K", u"v");
    ASSERT_NE(v, nullptr) << c.line;
    EXPECT_EQ(v->type, c.type) << c.line;
    EXPECT_EQ(v->data.ToVector(), c.data) << c.line;
  }
}

TEST(ParseRegFileValues, NamesDefaultValueAndEscapes) {
  auto p = ParseText(REGEDIT4_HEAD + "@=\"d\"\r\n\"a\\\"b\\\\c\"=\"e\"\r\n\"\"=\"empty\"\r\n");
  ASSERT_TRUE(p->ok) << p->error.reason;
  EXPECT_EQ(p->Value(u"K", u"a\"b\\c")->data.ToText(), std::u16string(u"e\0", 2));
  // "" names the default value too, so it replaced @.
  EXPECT_EQ(p->Value(u"K", u"")->data.ToText(), std::u16string(u"empty\0", 6));
}

TEST(ParseRegFileErrors, RefusesWithLineAndReason) {
  for (const BadRegText& c : BAD_REGEDIT4_BODIES) {
    auto p = ParseText(std::string("REGEDIT4\n") + c.text);
    EXPECT_FALSE(p->ok) << c.text;
    EXPECT_EQ(p->error.line, c.line) << c.text;
    EXPECT_EQ(p->error.reason, c.reason) << c.text;
  }
}

TEST(ParseRegFileErrors, HeaderMustBeExact) {
  const char* refused[] = {"",
                           "regedit4\n",
                           "REGEDIT4 \n",
                           "REGEDIT5\n",
                           "REGEDIT 4\n",
                           "Windows Registry Editor Version 5.0\n",
                           "\n REGEDIT4\n"};
  for (const char* text : refused) {
    auto p = ParseText(std::string(text));
    EXPECT_FALSE(p->ok) << text;
    EXPECT_EQ(p->error.line, 1u) << text;
    EXPECT_EQ(p->error.reason,
              "not a registry file: the first line is neither \"REGEDIT4\" nor \"Windows Registry "
              "Editor Version 5.00\"");
  }
  EXPECT_TRUE(ParseText(std::string(" \tREGEDIT4\r\n"))->ok);
  EXPECT_TRUE(ParseText(std::string("REGEDIT4"))->ok);
  EXPECT_TRUE(ParseText(std::string("Windows Registry Editor Version 5.00\n"))->ok);
}

TEST(ParseRegFileHex, ContinuationLines) {
  const std::string text = REGEDIT4_HEAD +
                           "\"a\"=hex:01,02,\\\r\n  03,04\r\n"
                           "\"b\"=hex(7):\\\r\n  61,00,\\ ; wrapped\r\n\r\n; between\r\n  00\r\n"
                           "\"c\"=hex:05,\\";
  auto p = ParseText(text);
  ASSERT_TRUE(p->ok) << p->error.line << ": " << p->error.reason;
  EXPECT_EQ(p->Value(u"K", u"a")->data.ToVector(), (std::vector<uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(p->Value(u"K", u"b")->data.ToVector(), (std::vector<uint8_t>{'a', 0, 0, 0, 0, 0}));
  EXPECT_EQ(p->Value(u"K", u"c")->data.ToVector(), (std::vector<uint8_t>{5}));
}

// The file's end closing a continued value is remembered: the first backslash
// after the value's last byte, so that text added at the end can undo it.
TEST(ParseRegFileHex, ContinuationCutShortByTheEndIsMarked) {
  struct Case {
    std::string text;
    std::string from_mark;  // the file from the mark on; empty: no mark
  };
  const Case cases[] = {
      {REGEDIT4_HEAD + "\"c\"=hex:05,\\", "\\"},
      {REGEDIT4_HEAD + "\"c\"=hex:05,\\ ; wrapped\r\n\r\n; note\r\n",
       "\\ ; wrapped\r\n\r\n; note\r\n"},
      {REGEDIT4_HEAD + "\"c\"=hex:05,\\\r\n  06,\\\r\n", "\\\r\n"},
      {REGEDIT4_HEAD + "\"c\"=hex:\\\r\n", "\\\r\n"},
      {REGEDIT4_HEAD + "\"c\"=hex:05,\\\r\n  06\r\n", ""},
      {REGEDIT4_HEAD + "\"c\"=hex:05,\r\n", ""},
  };
  for (const Case& c : cases) {
    auto p = ParseText(c.text);
    ASSERT_TRUE(p->ok) << c.text << ": " << p->error.reason;
    EXPECT_EQ(p->form.open_continuation == 0 ? "" : c.text.substr(p->form.open_continuation),
              c.from_mark)
        << c.text;
  }
}

TEST(ParseRegFileEncodings, Utf16WithAndWithoutMark) {
  const std::u16string text =
      u"Windows Registry Editor Version "
      u"5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"v\"=\"\u20ac\u4e2d\"\r\n"
      u"\"h\"=hex(2):41,00,00,00\r\n";
  for (bool bom : {true, false}) {
    std::vector<uint8_t> bytes = Utf16Bytes(text, bom);
    auto p = ParseBytes(bytes);
    ASSERT_TRUE(p->ok) << p->error.reason;
    EXPECT_EQ(p->form.dialect, RegDialect::Version5);
    EXPECT_EQ(p->form.encoding, RegEncoding::Utf16Le);
    EXPECT_EQ(p->form.bom, bom);
    const RegValueEntry* v = p->Value(u"K", u"v");
    EXPECT_EQ(v->data.ToText(), std::u16string(u"\u20ac\u4e2d\0", 3));
    EXPECT_EQ(p->Value(u"K", u"h")->data.ToVector(), (std::vector<uint8_t>{'A', 0, 0, 0}));
    bytes.push_back('x');
    auto odd = ParseBytes(bytes);
    EXPECT_FALSE(odd->ok);
    EXPECT_EQ(odd->error.line, 6u);
    EXPECT_EQ(odd->error.reason, "UTF-16 text with an odd number of bytes");
  }
}

TEST(ParseRegFileEncodings, Utf8WithAndWithoutMark) {
  const std::string text =
      "Windows Registry Editor Version "
      "5.00\n[HKEY_LOCAL_MACHINE\\K\xC3\xA9]\n\"v\xF0\x9F\x98\x80\"=\"caf\xC3\xA9\"\n";
  for (const std::string& bytes : {text, "\xEF\xBB\xBF" + text}) {
    auto p = ParseText(bytes);
    ASSERT_TRUE(p->ok) << p->error.reason;
    EXPECT_EQ(p->form.encoding, RegEncoding::Utf8);
    EXPECT_EQ(p->form.bom, bytes.size() != text.size());
    const RegValueEntry* v = p->Value(u"K\u00e9", u"v\U0001F600");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->data.ToText(), std::u16string(u"caf\u00e9\0", 5));
  }
  for (const char* bad : {"\"v\"=\"\xC3\"\n", "\"v\"=\"\xC0\xAF\"\n", "\"v\"=\"\xED\xA0\x80\"\n",
                          "\"\xFF\"=\"x\"\n"}) {
    auto p = ParseText("Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\K]\n" +
                       std::string(bad));
    EXPECT_FALSE(p->ok) << bad;
    EXPECT_EQ(p->error.line, 3u);
    EXPECT_EQ(p->error.reason, "invalid UTF-8 text");
  }
  auto marked4 = ParseText(std::string("\xEF\xBB\xBFREGEDIT4\n"));
  EXPECT_FALSE(marked4->ok);
  EXPECT_EQ(
      marked4->error.reason,
      "a REGEDIT4 file must be Windows-1252 or UTF-16LE text, not UTF-8 with a byte-order mark");
}

TEST(ParseRegFileLineEnds, EachStyleAndTheDominantOne) {
  struct Case {
    std::string text;
    RegLineEnd dominant;
  };
  const Case cases[] = {
      {"REGEDIT4\r\n[HKEY_USERS\\A]\r\n\"v\"=\"1\"\r\n", RegLineEnd::CrLf},
      {"REGEDIT4\n[HKEY_USERS\\A]\n\"v\"=\"1\"\n", RegLineEnd::Lf},
      {"REGEDIT4\r[HKEY_USERS\\A]\r\"v\"=\"1\"\r", RegLineEnd::Cr},
      {"REGEDIT4\n[HKEY_USERS\\A]\r\n\"v\"=\"1\"\n", RegLineEnd::Lf},
      {"REGEDIT4\r\n[HKEY_USERS\\A]\n\"v\"=\"1\"\r", RegLineEnd::CrLf},
      {"REGEDIT4", RegLineEnd::CrLf},
  };
  for (const Case& c : cases) {
    auto p = ParseText(c.text);
    ASSERT_TRUE(p->ok) << p->error.reason;
    EXPECT_EQ(p->form.line_end, c.dominant) << c.text;
  }
}

}  // namespace
