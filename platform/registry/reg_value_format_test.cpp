#include "platform/registry/reg_value_format.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/registry/reg_tree_reader.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

std::u16string Format(RegDialect dialect, uint32_t type, const std::vector<uint8_t>& data,
                      RegStatus expected = ERROR_SUCCESS, size_t column = 4) {
  std::u16string out;
  std::string reason;
  EXPECT_EQ(
      FormatValueData(dialect, type, data.data(), data.size(), column, u"\r\n", &out, &reason),
      expected);
  EXPECT_EQ(reason.empty(), expected == ERROR_SUCCESS) << reason;
  return out;
}

TEST(FormatValueName, DefaultQuotedAndEscaped) {
  EXPECT_EQ(FormatValueName(u""), u"@");
  EXPECT_EQ(FormatValueName(u"Dll"), u"\"Dll\"");
  EXPECT_EQ(FormatValueName(u"a\"b\\c\nd\re"), u"\"a\\\"b\\\\c\\nd\\re\"");
}

TEST(FormatKeyLine, RootAndPath) {
  EXPECT_EQ(FormatKeyLine(HKEY_LOCAL_MACHINE, u"Drivers\\Active"),
            u"[HKEY_LOCAL_MACHINE\\Drivers\\Active]");
  EXPECT_EQ(FormatKeyLine(HKEY_CURRENT_USER, u""), u"[HKEY_CURRENT_USER]");
  EXPECT_EQ(FormatKeyLine(0x1234, u"A"), u"");
}

TEST(FormatValueData, EachTypeAsRegeditWritesIt) {
  const RegDialect v5 = RegDialect::Version5, r4 = RegDialect::Regedit4;
  EXPECT_EQ(Format(v5, REG_SZ, Utf16z(u"BTCEIF.DLL")), u"\"BTCEIF.DLL\"");
  EXPECT_EQ(Format(v5, REG_SZ, Utf16z(u"")), u"\"\"");
  EXPECT_EQ(Format(v5, REG_SZ, Utf16z(u"C:\\\"x\"\n")), u"\"C:\\\\\\\"x\\\"\\n\"");
  EXPECT_EQ(Format(r4, REG_SZ, Utf16z(u"\u4e2d")), u"\"\u4e2d\"");  // the encoding step refuses it
  EXPECT_EQ(Format(v5, REG_DWORD, {0xCD, 0xAB, 0, 0}), u"dword:0000abcd");
  EXPECT_EQ(Format(v5, REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF}), u"dword:ffffffff");
  EXPECT_EQ(Format(v5, REG_DWORD, {1, 2}), u"hex(4):01,02");
  EXPECT_EQ(Format(v5, REG_BINARY, {1, 0xFF}), u"hex:01,ff");
  EXPECT_EQ(Format(v5, REG_BINARY, {}), u"hex:");
  EXPECT_EQ(Format(v5, REG_NONE, {0}), u"hex(0):00");
  EXPECT_EQ(Format(v5, REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}), u"hex(b):01,00,00,00,00,00,00,00");
  EXPECT_EQ(Format(v5, 0x12345678u, {0xAB}), u"hex(12345678):ab");
  EXPECT_EQ(Format(v5, REG_EXPAND_SZ, Utf16z(u"A")), u"hex(2):41,00,00,00");
  EXPECT_EQ(Format(r4, REG_EXPAND_SZ, Utf16z(u"A\u20ac")), u"hex(2):41,80,00");
  EXPECT_EQ(Format(r4, REG_MULTI_SZ, {'a', 0, 0, 0, 0, 0}), u"hex(7):61,00,00");
  EXPECT_EQ(Format(r4, REG_BINARY, {0xE9}), u"hex:e9");
}

TEST(FormatValueData, RefusesWhatTheDialectCannotHold) {
  const RegDialect v5 = RegDialect::Version5, r4 = RegDialect::Regedit4;
  Format(v5, REG_SZ, {'a', 0}, ERROR_NOT_SUPPORTED);                      // no terminator
  Format(v5, REG_SZ, {'a', 0, 0}, ERROR_NOT_SUPPORTED);                   // odd size
  Format(v5, REG_SZ, {}, ERROR_NOT_SUPPORTED);                            // nothing at all
  Format(v5, REG_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0}, ERROR_NOT_SUPPORTED);  // NUL inside
  Format(r4, REG_EXPAND_SZ, Utf16z(u"\u4e2d"), ERROR_NOT_SUPPORTED);
  Format(r4, REG_MULTI_SZ, {'a', 0, 0}, ERROR_NOT_SUPPORTED);
}

TEST(FormatValueData, WrapsHexLikeRegedit) {
  std::vector<uint8_t> data(60);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i);
  // `"DevConfig"=` is 12 columns; regedit fills each line up to 77 columns.
  std::u16string text = Format(RegDialect::Version5, REG_BINARY, data, ERROR_SUCCESS, 12);
  EXPECT_EQ(text,
            u"hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,\\\r\n"
            u"  15,16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,\\\r\n"
            u"  2e,2f,30,31,32,33,34,35,36,37,38,39,3a,3b");
}

// Every type, with random data, read back by the parser gives the same value.
TEST(FormatValueData, RoundTripsThroughTheReader) {
  std::mt19937 random(11);
  const uint32_t types[] = {REG_NONE,   REG_SZ,       REG_EXPAND_SZ,
                            REG_BINARY, REG_DWORD,    REG_DWORD_BIG_ENDIAN,
                            REG_LINK,   REG_MULTI_SZ, 8,
                            9,          10,           REG_QWORD,
                            0xFFFFFFFFu};
  for (RegDialect dialect : {RegDialect::Regedit4, RegDialect::Version5}) {
    for (uint32_t type : types) {
      for (int round = 0; round < 20; ++round) {
        std::vector<uint8_t> data;
        size_t size = type == REG_DWORD ? 4 : random() % 200;
        bool text = type == REG_SZ || (dialect == RegDialect::Regedit4 &&
                                       (type == REG_EXPAND_SZ || type == REG_MULTI_SZ));
        for (size_t i = 0; i < size; ++i) {
          // Text types get Latin-1 letters and the characters that need escapes.
          const char16_t chars[] = {u'a', u'\\', u'"', u'\n', u'\r', u'\u00e9', u' ', u'\u20ac'};
          if (text) {
            char16_t u = chars[random() % 8];
            data.push_back(static_cast<uint8_t>(u));
            data.push_back(static_cast<uint8_t>(u >> 8));
          } else {
            data.push_back(static_cast<uint8_t>(random()));
          }
        }
        // Strings end in a NUL unit: expandable and multi-strings without one
        // read with one appended.
        if (type == REG_EXPAND_SZ || type == REG_MULTI_SZ) data.resize(data.size() / 2 * 2);
        if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ)
          data.insert(data.end(), {0, 0});
        std::u16string value = Format(dialect, type, data, ERROR_SUCCESS, 10);
        std::u16string file =
            dialect == RegDialect::Regedit4 ? u"REGEDIT4" : u"Windows Registry Editor Version 5.00";
        file += u"\r\n[HKEY_USERS\\K]\r\n\"Value\"=" + value + u"\r\n";
        std::vector<uint8_t> bytes = {0xFF, 0xFE};
        if (dialect == RegDialect::Regedit4) {
          bytes.clear();
          ASSERT_TRUE(EncodeText(RegEncoding::CodePage1252, file, &bytes));
        } else {
          EncodeText(RegEncoding::Utf16Le, file, &bytes);
        }
        RegTree tree;
        RegFileForm form;
        RegParseError error;
        ASSERT_TRUE(ParseRegFile(bytes.data(), bytes.size(), &tree, &form, &error))
            << error.line << ": " << error.reason;
        const RegValueEntry* read = tree.Find(tree.Root(HKEY_USERS), u"K")->FindValue(u"value");
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(read->type, type);
        EXPECT_EQ(read->data.ToVector(), data) << "type " << type;
      }
    }
  }
}

}  // namespace
