#include "platform/registry/reg_line_editor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/registry/reg_value_format.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

struct EditCase {
  std::string before;
  const char16_t* key;
  const char16_t* name;
  uint32_t type;
  std::vector<uint8_t> data;
  std::string after;
};

// Locates the value in before, plans the edit, and returns the edited file
// ("!" + reason when the edit is refused).
std::string Edit(const std::vector<uint8_t>& before, const char16_t* key_path, const char16_t* name,
                 uint32_t type, const std::vector<uint8_t>& data, RegFileForm* form_out = nullptr) {
  RegValueLocation where;
  RegParseError error;
  if (!LocateRegValue(before.data(), before.size(), HKEY_LOCAL_MACHINE, key_path, name, &where,
                      &error)) {
    return "parse: " + error.reason;
  }
  if (form_out != nullptr) *form_out = where.form;
  RegSplice splice;
  std::string reason;
  const RegValueWrite value{HKEY_LOCAL_MACHINE, key_path, name, type, data.data(), data.size()};
  if (PlanValueEdit(before, where, value, &splice, &reason)) {
    return "!" + reason;
  }
  std::vector<uint8_t> after = ApplySplices(before, {splice});
  return std::string(after.begin(), after.end());
}

std::string Edit(const EditCase& c) {
  return Edit(std::vector<uint8_t>(c.before.begin(), c.before.end()), c.key, c.name, c.type,
              c.data);
}

TEST(PlanValueEdit, ChangesOnlyTheValueOrAddsOneLine) {
  const std::vector<uint8_t> fixed = Utf16z(u"BTCEIF.DLL");
  const std::vector<uint8_t> one = {1, 0, 0, 0};
  const EditCase cases[] = {
      // The data is replaced where it stands; name spelling, blanks, comment and line end stay.
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\S]\r\n  \"DLL\" = \"QVBTDEV.DLL\" ; x\r\n", u"S", u"Dll",
       REG_SZ, fixed, "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\S]\r\n  \"DLL\" = \"BTCEIF.DLL\" ; x\r\n"},
      // The last definition is the one that counts.
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\S]\n\"Dll\"=\"a\"\n[HKEY_LOCAL_MACHINE\\S]\n\"Dll\"=\"b\"\n",
       u"S", u"Dll", REG_SZ, fixed,
       "REGEDIT4\n[HKEY_LOCAL_MACHINE\\S]\n\"Dll\"=\"a\"\n[HKEY_LOCAL_MACHINE\\S]\n\"Dll\"="
       "\"BTCEIF.DLL\"\n"},
      // Wrapped hex with a comment line inside becomes one dword.
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\S]\n\"v\"=hex:01,\\\n; c\n  02 ; end\n\"w\"=\"x\"\n", u"S",
       u"v", REG_DWORD, one,
       "REGEDIT4\n[HKEY_LOCAL_MACHINE\\S]\n\"v\"=dword:00000001 ; end\n\"w\"=\"x\"\n"},
      // A new value goes after the last line of the key's last section.
      {"REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\S]\r\n\"a\"=\"1\"\r\n\r\n; "
       "next\r\n[HKEY_LOCAL_MACHINE\\T]\r\n",
       u"S", u"Dll", REG_SZ, fixed,
       "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\S]\r\n\"a\"=\"1\"\r\n\"Dll\"=\"BTCEIF.DLL\"\r\n\r\n; "
       "next\r\n"
       "[HKEY_LOCAL_MACHINE\\T]\r\n"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\S]\n[HKEY_LOCAL_MACHINE\\T]\n[HKEY_LOCAL_MACHINE\\S]\n",
       u"S", u"", REG_DWORD, one,
       "REGEDIT4\n[HKEY_LOCAL_MACHINE\\S]\n[HKEY_LOCAL_MACHINE\\T]\n[HKEY_LOCAL_MACHINE\\S]\n@="
       "dword:00000001\n"},
      // At the end of a file whose last line has no line end, that stays so.
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\S]\r\n\"a\"=\"1\"", u"S", u"b", REG_DWORD, one,
       "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\S]\r\n\"a\"=\"1\"\r\n\"b\"=dword:00000001"},
      // A key without a section gets one at the end.
      {"REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\S\\T]\r\n\"a\"=\"1\"\r\n", u"S", u"Dll", REG_SZ, fixed,
       "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\S\\T]\r\n\"a\"=\"1\"\r\n\r\n[HKEY_LOCAL_MACHINE\\S]"
       "\r\n"
       "\"Dll\"=\"BTCEIF.DLL\"\r\n"},
      {"REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\s\\T]\n\n", u"S", u"x", REG_DWORD, one,
       "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\s\\T]\n\n[HKEY_LOCAL_MACHINE\\S]\n\"x\"=dword:00000001\n"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\S\\T]", u"S", u"x", REG_DWORD, one,
       "REGEDIT4\n[HKEY_LOCAL_MACHINE\\S\\T]\n\n[HKEY_LOCAL_MACHINE\\S]\n\"x\"=dword:00000001"},
      // New lines take the dominant line end; other lines keep their own.
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\S]\r\n\"a\"=\"1\"\r\n\n\n", u"S", u"b", REG_DWORD, one,
       "REGEDIT4\n[HKEY_LOCAL_MACHINE\\S]\r\n\"a\"=\"1\"\r\n\"b\"=dword:00000001\n\n\n"},
      {"REGEDIT4\r[HKEY_LOCAL_MACHINE\\S]\r\"a\"=\"1\"\r", u"S", u"b", REG_BINARY,
       std::vector<uint8_t>(30, 0xAB),
       "REGEDIT4\r[HKEY_LOCAL_MACHINE\\S]\r\"a\"=\"1\"\r\"b\"=hex:ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,"
       "ab,ab,ab,ab,ab,"
       "ab,ab,ab,ab,ab,ab,ab,\\\r  ab,ab,ab,ab,ab,ab,ab\r"},
  };
  for (const EditCase& c : cases) EXPECT_EQ(Edit(c), c.after) << c.before;
}

// A file whose last hex value goes on past its end would make added lines
// that value's data: its backslashes become blanks first, and the value, the
// comments and the line ends stay as they were.
TEST(PlanValueEdit, EndsAContinuationCutShortByTheFileEnd) {
  const std::vector<uint8_t> one = {1, 0, 0, 0};
  const EditCase cases[] = {
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\S]\r\n\"c\"=hex:05,\\", u"S", u"v", REG_DWORD, one,
       "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\S]\r\n\"c\"=hex:05, \r\n\"v\"=dword:00000001"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\P\\S]\n\"c\"=hex:05,\\ ; w\\\n\n; note \\\n  ; \\\n", u"P",
       u"v", REG_DWORD, one,
       "REGEDIT4\n[HKEY_LOCAL_MACHINE\\P\\S]\n\"c\"=hex:05,  ; w\\\n\n; note \\\n  ; "
       "\\\n\n[HKEY_LOCAL_MACHINE\\P]\n"
       "\"v\"=dword:00000001\n"},
      // Replacing the value itself needs nothing more.
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\S]\n\"c\"=hex:05,\\\n", u"S", u"c", REG_DWORD, one,
       "REGEDIT4\n[HKEY_LOCAL_MACHINE\\S]\n\"c\"=dword:00000001\n"},
  };
  for (const EditCase& c : cases) {
    std::string after = Edit(c);
    EXPECT_EQ(after, c.after) << c.before;
    auto p = ParseText(after);
    ASSERT_TRUE(p->ok) << p->error.reason;
    ASSERT_NE(p->Value(c.key, c.name), nullptr);
    EXPECT_EQ(p->Value(c.key, c.name)->data.ToVector(), c.data);
  }
  std::vector<uint8_t> before = Utf16Bytes(
      u"Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\S]\r\n\"c\"=hex:05,\\", true);
  std::vector<uint8_t> expected = Utf16Bytes(
      u"Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\S]\r\n\"c\"=hex:05, "
      u"\r\n\"v\"=dword:00000001",
      true);
  EXPECT_EQ(Edit(before, u"S", u"v", REG_DWORD, one),
            std::string(expected.begin(), expected.end()));
}

// A long binary value under a long name, replaced where it stands: the new
// hex lines wrap from the column where the data starts, as regedit wraps
// them, so no line runs past 80 columns and the replaced value reads exactly
// as the same value added anew.
TEST(PlanValueEdit, RewrapsReplacedHexFromItsColumn) {
  std::vector<uint8_t> data(70);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(0xA0 + i);
  const std::string head = "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\S]\r\n";
  const std::string tail = "\"z\"=\"1\"\r\n";
  for (const char* indent : {"", "  "}) {
    for (size_t name_length : {40, 41, 42}) {
      const std::string name(name_length, 'N');
      const std::u16string wide_name(name.begin(), name.end());
      const std::string prefix = std::string(indent) + '"' + name + "\"=";
      const std::string old_value =
          prefix + "hex:01,02,03,04,05,06,07,08,09,0a,0b,\\\r\n  0c,0d,0e,0f,10,11,12\r\n";
      std::string after =
          Edit(NarrowBytes(head + old_value + tail), u"S", wide_name.c_str(), REG_BINARY, data);

      std::u16string hex;
      std::string reason;
      ASSERT_EQ(FormatValueData(RegDialect::Regedit4, REG_BINARY, data.data(), data.size(),
                                prefix.size(), u"\r\n", &hex, &reason),
                ERROR_SUCCESS);
      const std::string expected =
          head + prefix + std::string(hex.begin(), hex.end()) + "\r\n" + tail;
      EXPECT_EQ(after, expected) << indent << name_length;
      for (size_t begin = 0, end; begin < after.size(); begin = end + 2) {
        end = after.find("\r\n", begin);
        EXPECT_LE(end - begin, 80u) << after.substr(begin, end - begin);
      }
      if (*indent == '\0') {
        std::string added =
            Edit(NarrowBytes(head + tail), u"S", wide_name.c_str(), REG_BINARY, data);
        EXPECT_EQ(added, head + tail + prefix + std::string(hex.begin(), hex.end()) + "\r\n");
      }
    }
  }
}

// Storing the very type and data a value reads as leaves the file as it is,
// however the data is written: an unterminated hex(7) read with its NUL, hex
// wrapped by hand, a dword with few digits. Other data is written anew.
TEST(PlanValueEdit, DataTheFileHoldsAlreadyChangesNothing) {
  const std::string lines[] = {
      "\"v\"=hex(7):4c,69,6e,65",
      "\"v\"=hex(2):25,50,\\\n; note\n 25 ; end",
      "\"v\"=hex:01,02,\\\n    03",
      "\"v\"=dword:7",
      "\"v\"=\"x\"",
  };
  for (const std::string& line : lines) {
    const std::string before = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\S]\n" + line + "\n\"w\"=\"y\"\n";
    auto p = ParseText(before);
    ASSERT_TRUE(p->ok) << line << ": " << p->error.reason;
    const RegValueEntry* v = p->Value(u"S", u"v");
    EXPECT_EQ(Edit({before, u"S", u"V", v->type, v->data.ToVector(), ""}), before) << line;
    std::vector<uint8_t> other = v->data.ToVector();
    other.insert(other.begin(), {'a', 0});
    EXPECT_NE(Edit({before, u"S", u"v", v->type, other, ""}), before) << line;
  }
  std::vector<uint8_t> wide = Utf16Bytes(
      u"Windows Registry Editor Version "
      u"5.00\r\n[HKEY_LOCAL_MACHINE\\S]\r\n\"v\"=hex(2):25,00,50,00,25,00\r\n",
      true);
  EXPECT_EQ(Edit(wide, u"S", u"v", REG_EXPAND_SZ, Utf16z(u"%P%")),
            std::string(wide.begin(), wide.end()));
}

// A repair in each form the reader takes as Windows does changes only the
// Dll value's data: comments starting with '#', a key line whose path ends in
// backslashes, a UTF-16 file headed "REGEDIT4".
TEST(PlanValueEdit, RepairsInFormsWindowsReads) {
  const std::vector<uint8_t> fixed = Utf16z(u"BTCEIF.DLL");
  const EditCase cases[] = {
      {"REGEDIT4\r\n# by hand\r\n[HKEY_LOCAL_MACHINE\\S]\r\n  # the "
       "driver\r\n\"Dll\"=\"QVBTDEV.DLL\"\r\n#\r\n",
       u"S", u"Dll", REG_SZ, fixed,
       "REGEDIT4\r\n# by hand\r\n[HKEY_LOCAL_MACHINE\\S]\r\n  # the "
       "driver\r\n\"Dll\"=\"BTCEIF.DLL\"\r\n#\r\n"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\B\\S\\]\n\"Dll\"=\"QVBTDEV.DLL\"\n[HKEY_LOCAL_MACHINE\\T]\n",
       u"B\\S", u"Dll", REG_SZ, fixed,
       "REGEDIT4\n[HKEY_LOCAL_MACHINE\\B\\S\\]\n\"Dll\"=\"BTCEIF.DLL\"\n[HKEY_LOCAL_MACHINE\\T]\n"},
      // A new value joins the section of the key its path names.
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\B\\S\\\\]\n\"a\"=\"1\"\n[HKEY_LOCAL_MACHINE\\T]\n", u"B\\S",
       u"Dll", REG_SZ, fixed,
       "REGEDIT4\n[HKEY_LOCAL_MACHINE\\B\\S\\\\]\n\"a\"=\"1\"\n\"Dll\"=\"BTCEIF.DLL\"\n[HKEY_LOCAL_"
       "MACHINE\\T]\n"},
  };
  for (const EditCase& c : cases) EXPECT_EQ(Edit(c), c.after) << c.before;

  for (bool bom : {true, false}) {
    std::vector<uint8_t> before = Utf16Bytes(
        u"REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\S]\r\n\"Dll\"=\"QVBTDEV.DLL\"\r\n\"\u4e2d\"=hex(2):"
        u"41,00\r\n",
        bom);
    std::vector<uint8_t> after = Utf16Bytes(
        u"REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\S]\r\n\"Dll\"=\"BTCEIF.DLL\"\r\n\"\u4e2d\"=hex(2):"
        u"41,00\r\n",
        bom);
    RegFileForm form;
    EXPECT_EQ(Edit(before, u"S", u"Dll", REG_SZ, fixed, &form),
              std::string(after.begin(), after.end()));
    EXPECT_EQ(form.dialect, RegDialect::Regedit4);
    EXPECT_EQ(form.encoding, RegEncoding::Utf16Le);
    // Text outside Windows-1252 fits a quoted string of this file; hex(2) of the dialect is narrow.
    std::vector<uint8_t> wide = Utf16Bytes(
        u"REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\S]\r\n\"Dll\"=\"\u4e2d\"\r\n\"\u4e2d\"=hex(2):41,"
        u"00\r\n",
        bom);
    EXPECT_EQ(Edit(before, u"S", u"Dll", REG_SZ, Utf16z(u"\u4e2d")),
              std::string(wide.begin(), wide.end()));
    EXPECT_EQ(
        Edit(before, u"S", u"x", REG_EXPAND_SZ, Utf16z(u"\u4e2d")),
        "!a REGEDIT4 file holds this string type as Windows-1252 text, which cannot carry it");
  }
}

TEST(PlanValueEdit, RefusesWhatTheFileCannotHold) {
  const std::string regedit4 = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\S]\n\"Dll\"=\"x\"\n";
  const std::vector<uint8_t> file(regedit4.begin(), regedit4.end());
  EXPECT_EQ(Edit(file, u"S", u"Dll", REG_SZ, Utf16z(u"\u4e2d")),
            "!the text holds characters that Windows-1252 lacks");
  EXPECT_EQ(Edit(file, u"S", u"\u4e2d", REG_DWORD, {1, 0, 0, 0}),
            "!the text holds characters that Windows-1252 lacks");
  EXPECT_EQ(Edit(file, u"S", u"Dll", REG_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0}),
            "!a string value must be UTF-16 text with one terminating NUL and no other");
  const std::string utf8 = "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\S]\n";
  EXPECT_EQ(
      Edit(std::vector<uint8_t>(utf8.begin(), utf8.end()), u"S", u"v", REG_SZ, Utf16z(u"\xD800")),
      "!the text holds an unpaired UTF-16 surrogate, which UTF-8 cannot carry");
}

TEST(PlanValueEdit, Utf16FileKeepsMarkAndUnits) {
  std::u16string text =
      u"Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\S]\r\n\"Dll\"=\"QV\"\r\n";
  std::vector<uint8_t> before = {0xFF, 0xFE};
  EncodeText(RegEncoding::Utf16Le, text, &before);
  RegFileForm form;
  std::string after = Edit(before, u"S", u"Dll", REG_SZ, Utf16z(u"\u4e2d\u00e9"), &form);
  std::vector<uint8_t> expected = {0xFF, 0xFE};
  EncodeText(RegEncoding::Utf16Le,
             u"Windows Registry Editor Version "
             u"5.00\r\n[HKEY_LOCAL_MACHINE\\S]\r\n\"Dll\"=\"\u4e2d\u00e9\"\r\n",
             &expected);
  EXPECT_EQ(after, std::string(expected.begin(), expected.end()));
  EXPECT_EQ(form.encoding, RegEncoding::Utf16Le);
}

}  // namespace
