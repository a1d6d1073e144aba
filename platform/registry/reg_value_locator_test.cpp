#include "platform/registry/reg_value_locator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Located {
  bool ok;
  RegValueLocation where;
  std::string span_text;  // the bytes the span covers
};

Located Locate(const std::string& text, const char16_t* key, const char16_t* name,
               RegKey root = HKEY_LOCAL_MACHINE) {
  Located out;
  RegParseError error;
  out.ok = LocateRegValue(reinterpret_cast<const uint8_t*>(text.data()), text.size(), root, key,
                          name, &out.where, &error);
  if (out.where.value_found) {
    out.span_text = text.substr(out.where.span.begin, out.where.span.end - out.where.span.begin);
  }
  return out;
}

TEST(LocateRegValue, SpansCoverTheDataOnly) {
  const std::string text =
      "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"Dll\" = \"BTCEIF.DLL\" ; stock\r\n\"I\"=dword:1\r\n"
      "\"a\"=hex:01,02,\\\r\n  03,04\r\n"
      "\"b\"=hex(7):\\\r\n  61,00,\\ ; wrapped\r\n\r\n; between\r\n  00 ; end\r\n";
  EXPECT_EQ(Locate(text, u"k", u"DLL").span_text, "\"BTCEIF.DLL\"");
  EXPECT_EQ(Locate(text, u"K", u"i").span_text, "dword:1");
  EXPECT_EQ(Locate(text, u"K", u"a").span_text, "hex:01,02,\\\r\n  03,04");
  Located b = Locate(text, u"K", u"b");
  EXPECT_EQ(b.span_text, "hex(7):\\\r\n  61,00,\\ ; wrapped\r\n\r\n; between\r\n  00");
  EXPECT_EQ(b.where.type, REG_MULTI_SZ);
  EXPECT_EQ(b.where.data, (std::vector<uint8_t>{'a', 0, 0, 0, 0, 0}));
  Located dll = Locate(text, u"K", u"Dll");
  EXPECT_EQ(dll.where.type, REG_SZ);
  EXPECT_EQ(dll.where.data.size(), 22u);
  EXPECT_FALSE(Locate(text, u"K", u"Missing").where.value_found);
  EXPECT_TRUE(Locate(text, u"K", u"Missing").where.key_has_section);
}

TEST(LocateRegValue, LastDefinitionAndLastSectionCount) {
  const std::string text =
      "REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"v\"=\"one\"\n\n[HKEY_LOCAL_MACHINE\\Other]\n\"v\"="
      "\"x\"\n"
      "[HKEY_LOCAL_MACHINE\\k]\n\"V\"=\"two\"\n\"w\"=-\n\n; "
      "trailing\n[HKEY_CURRENT_USER\\K]\n\"v\"=\"cu\"\n";
  Located v = Locate(text, u"K", u"v");
  EXPECT_EQ(v.span_text, "\"two\"");
  EXPECT_TRUE(v.where.key_has_section);
  EXPECT_EQ(v.where.append_at, text.find("\n\n; trailing") + 1);  // after "w"=-
  EXPECT_EQ(Locate(text, u"K", u"v", HKEY_CURRENT_USER).span_text, "\"cu\"");
  EXPECT_EQ(v.where.form.line_end, RegLineEnd::Lf);
}

TEST(LocateRegValue, DeletionsForgetKeyAndValue) {
  const std::string text =
      "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A\\B]\n\"v\"=\"1\"\n\"w\"=\"2\"\n\"w\"=-\n"
      "[-HKEY_LOCAL_MACHINE\\AB]\n[-HKEY_LOCAL_MACHINE\\A\\B\\C]\n";
  Located v = Locate(text, u"A\\B", u"v");
  EXPECT_TRUE(v.where.value_found);  // deleting AB or A\B\C leaves A\B alone
  EXPECT_FALSE(Locate(text, u"A\\B", u"w").where.value_found);
  Located gone = Locate(text + "[-HKEY_LOCAL_MACHINE\\a]\n", u"A\\B", u"v");
  EXPECT_FALSE(gone.where.value_found);
  EXPECT_FALSE(gone.where.key_has_section);
  const std::string recreated = text + "[-HKEY_LOCAL_MACHINE\\a]\n[HKEY_LOCAL_MACHINE\\A\\B]\n";
  Located again = Locate(recreated, u"A\\B", u"v");
  EXPECT_FALSE(again.where.value_found);
  EXPECT_TRUE(again.where.key_has_section);
  EXPECT_EQ(again.where.append_at, recreated.size());
}

TEST(LocateRegValue, ParentsOfDeepSectionsHaveNone) {
  const std::string text = "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A\\B\\C]\r\n\"v\"=\"1\"";
  EXPECT_FALSE(Locate(text, u"A\\B", u"v").where.key_has_section);
  Located c = Locate(text, u"A\\B\\C", u"v");
  EXPECT_EQ(c.where.append_at, text.size());  // the last line has no line end
}

TEST(LocateRegValue, Utf16OffsetsAreBytes) {
  std::u16string text =
      u"Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"v\"=\"\u20ac\"\r\n";
  std::vector<uint8_t> bytes = {0xFF, 0xFE};
  EncodeText(RegEncoding::Utf16Le, text, &bytes);
  RegValueLocation where;
  RegParseError error;
  ASSERT_TRUE(
      LocateRegValue(bytes.data(), bytes.size(), HKEY_LOCAL_MACHINE, u"K", u"v", &where, &error));
  size_t at = 2 + text.find(u"\"\u20ac") * 2;
  EXPECT_EQ(where.span.begin, at);
  EXPECT_EQ(where.span.end, at + 6);
  EXPECT_EQ(where.append_at, bytes.size());
  EXPECT_EQ(where.data, (std::vector<uint8_t>{0xAC, 0x20, 0, 0}));
}

TEST(LocateRegValue, RefusedFileIsReported) {
  RegValueLocation where;
  RegParseError error;
  const std::string text = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\nbad\n";
  EXPECT_FALSE(LocateRegValue(reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                              HKEY_LOCAL_MACHINE, u"K", u"v", &where, &error));
  EXPECT_EQ(error.line, 3u);
}

}  // namespace
