// The corners where the reader follows Windows' own import of registry
// exports, each in both dialects: a REGEDIT4 file (narrow text) and a version
// 5.00 file (UTF-16LE with its mark), built from the same lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/registry/reg_tree_reader.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

const RegDialect DIALECTS[] = {RegDialect::Regedit4, RegDialect::Version5};

const char* Name(RegDialect dialect) {
  return dialect == RegDialect::Regedit4 ? "REGEDIT4" : "5.00";
}

// A file of dialect: its header, the key line of HKEY_LOCAL_MACHINE\K (line
// 2) and lines from line 3 on.
std::vector<uint8_t> FileOf(RegDialect dialect, const std::u16string& lines) {
  if (dialect == RegDialect::Regedit4) {
    std::u16string text = u"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\K]\r\n" + lines;
    return std::vector<uint8_t>(text.begin(), text.end());  // ASCII only
  }
  return Utf16Bytes(u"Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\K]\r\n" + lines,
                    true);
}

// The UTF-16LE bytes of ASCII text and its NUL terminator.
std::vector<uint8_t> Wide(const std::string& text) { return Utf16z(WideAscii(text)); }

struct Refusal {
  const char16_t* lines;
  uint64_t line;
  const char* reason;
};

TEST(ParseRegFileWindowsCorners, WrappedHexGoesOnOnlyAfterAComma) {
  const Refusal refused[] = {
      // A byte split over the wrap must not read as two bytes.
      {u"\"v\"=hex:11,22,33,4\\\r\n  4,55,66,77,88\r\n", 3,
       "',' expected before '\\': hex data continues only after a comma"},
      {u"\"v\"=hex:11,22,33,44\\\r\n  55\r\n", 3,
       "',' expected before '\\': hex data continues only after a comma"},
      {u"\"v\"=hex(7):61 \\\r\n  00\r\n", 3,
       "',' expected before '\\': hex data continues only after a comma"},
      {u"\"v\"=hex:11,\\\r\n  04,\\\r\n  05\\\r\n", 5,
       "',' expected before '\\': hex data continues only after a comma"},
      {u"\"v\"=hex:11,\\\r\n\\\r\n  22\r\n", 4, "a line of wrapped hex data holding only '\\'"},
      {u"\"v\"=hex:\\\r\n  \\ ; wrapped\r\n  22\r\n", 4,
       "a line of wrapped hex data holding only '\\'"},
      {u"\"v\"=hex:11,\\\r\n; between\r\n\r\n\t\\\r\n", 6,
       "a line of wrapped hex data holding only '\\'"},
  };
  for (RegDialect dialect : DIALECTS) {
    for (const Refusal& c : refused) {
      auto p = ParseBytes(FileOf(dialect, c.lines));
      SCOPED_TRACE(std::string(Name(dialect)) + ": " + MessageText(c.lines));
      EXPECT_FALSE(p->ok);
      EXPECT_EQ(p->error.line, c.line);
      EXPECT_EQ(p->error.reason, c.reason);
    }
    // Wraps after a comma (blanks around it allowed) and at the data's start.
    auto p = ParseBytes(FileOf(dialect,
                               u"\"a\"=hex:11,22,\\\r\n  33\r\n\"b\"=hex:\\\r\n  44,\r\n"
                               u"\"c\"=hex:55 , \\\r\n\r\n  66\r\n"));
    ASSERT_TRUE(p->ok) << p->error.line << ": " << p->error.reason;
    EXPECT_EQ(p->Value(u"K", u"a")->data.ToVector(), (std::vector<uint8_t>{0x11, 0x22, 0x33}));
    EXPECT_EQ(p->Value(u"K", u"b")->data.ToVector(), (std::vector<uint8_t>{0x44}));
    EXPECT_EQ(p->Value(u"K", u"c")->data.ToVector(), (std::vector<uint8_t>{0x55, 0x66}));
  }
}

struct TerminatorCase {
  RegDialect dialect;
  const char16_t* line;
  uint32_t type;
  std::vector<uint8_t> data;  // as read
};

TEST(ParseRegFileWindowsCorners, ExpandAndMultiStringsGetTheirTerminator) {
  const RegDialect R4 = RegDialect::Regedit4, V5 = RegDialect::Version5;
  const TerminatorCase cases[] = {
      // REGEDIT4: narrow text, a NUL character appended when the last byte is not 00.
      {R4, u"\"v\"=hex(7):4c,69,6e,65", REG_MULTI_SZ, Wide("Line")},
      {R4, u"\"v\"=hex(2):25,50,25", REG_EXPAND_SZ, Wide("%P%")},
      {R4, u"\"v\"=hex(2):25,50,\\\r\n  25", REG_EXPAND_SZ, Wide("%P%")},
      {R4, u"\"v\"=hex(2):25,00", REG_EXPAND_SZ, Wide("%")},
      {R4, u"\"v\"=hex(7):61,00,62,00,00", REG_MULTI_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}},
      {R4, u"\"v\"=hex(2):", REG_EXPAND_SZ, {}},
      {R4, u"\"v\"=hex(1):41", REG_SZ, {'A', 0}},
      {R4, u"\"v\"=hex(3):41", REG_BINARY, {'A'}},
      // 5.00: UTF-16LE bytes, made to end in a whole NUL unit.
      {V5, u"\"v\"=hex(2):25,00,50,00,41,00,54,00,48,00,25,00", REG_EXPAND_SZ, Wide("%PATH%")},
      {V5, u"\"v\"=hex(7):4c,00,\\\r\n  69,00", REG_MULTI_SZ, Wide("Li")},
      {V5, u"\"v\"=hex(7):61,00,00,00", REG_MULTI_SZ, {'a', 0, 0, 0}},
      {V5, u"\"v\"=hex(2):41,00,42", REG_EXPAND_SZ, {'A', 0, 'B', 0, 0, 0}},
      {V5, u"\"v\"=hex(2):41,00,00", REG_EXPAND_SZ, {'A', 0, 0, 0}},
      {V5, u"\"v\"=hex(2):00,41", REG_EXPAND_SZ, {0, 'A', 0, 0}},
      {V5, u"\"v\"=hex(7):", REG_MULTI_SZ, {}},
      {V5, u"\"v\"=hex(1):41,00", REG_SZ, {'A', 0}},
      {V5, u"\"v\"=hex(3):41,00", REG_BINARY, {'A', 0}},
  };
  for (const TerminatorCase& c : cases) {
    SCOPED_TRACE(std::string(Name(c.dialect)) + ": " + MessageText(c.line));
    auto p = ParseBytes(FileOf(c.dialect, std::u16string(c.line) + u"\r\n"));
    ASSERT_TRUE(p->ok) << p->error.line << ": " << p->error.reason;
    const RegValueEntry* v = p->Value(u"K", u"v");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->type, c.type);
    EXPECT_EQ(v->data.ToVector(), c.data);
  }
}

TEST(ParseRegFileWindowsCorners, HashLinesAreComments) {
  for (RegDialect dialect : DIALECTS) {
    SCOPED_TRACE(Name(dialect));
    auto p = ParseBytes(
        FileOf(dialect,
               u"# note\r\n  #\tindented\r\n\"a\"=dword:1\r\n#[HKEY_LOCAL_MACHINE\\Not]\r\n"
               u"\"b\"=hex:01,\\\r\n; between\r\n  02\r\n"));
    ASSERT_TRUE(p->ok) << p->error.line << ": " << p->error.reason;
    EXPECT_EQ(p->Value(u"K", u"a")->data.ToVector(), (std::vector<uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(p->Value(u"K", u"b")->data.ToVector(), (std::vector<uint8_t>{1, 2}));
    EXPECT_EQ(p->tree.Find(p->tree.Root(HKEY_LOCAL_MACHINE), u"Not"), nullptr);
    // After data only ';' starts a comment.
    auto after = ParseBytes(FileOf(dialect, u"\"a\"=\"x\" # not a comment\r\n"));
    EXPECT_FALSE(after->ok);
    EXPECT_EQ(after->error.line, 3u);
    EXPECT_EQ(after->error.reason, "unexpected text after the closing quote");
  }
}

// Windows' import takes a '#' line inside wrapped hex data as data and drops
// the value, so the file is refused there; a ';' line there stays a comment.
TEST(ParseRegFileWindowsCorners, HashLinesInsideWrappedHexAreRefused) {
  const Refusal cases[] = {
      {u"\"b\"=hex:01,\\\r\n# between\r\n  02\r\n", 4, "a '#' line inside wrapped hex data"},
      {u"\"b\"=hex:01,\\\r\n; kept\r\n\r\n  #\tindented\r\n  02\r\n", 6,
       "a '#' line inside wrapped hex data"},
      {u"\"b\"=hex:01,\\\r\n#", 4, "a '#' line inside wrapped hex data"},
      {u"\"Dll\"=hex(2):51,56,42,54,44,45,56,2e,\\\r\n#comment\r\n  44,4c,4c,00\r\n", 4,
       "a '#' line inside wrapped hex data"},
  };
  for (RegDialect dialect : DIALECTS) {
    for (const Refusal& c : cases) {
      SCOPED_TRACE(std::string(Name(dialect)) + ": " + MessageText(c.lines));
      const std::vector<uint8_t> bytes = FileOf(dialect, c.lines);
      auto whole = ParseBytes(bytes);
      EXPECT_FALSE(whole->ok);
      EXPECT_EQ(whole->error.line, c.line);
      EXPECT_EQ(whole->error.reason, c.reason);
      RegTree tree;
      RegFileForm form;
      RegParseError indexed;
      EXPECT_FALSE(IndexRegFile(bytes, &tree, &form, &indexed));
      EXPECT_EQ(indexed.line, c.line);
      EXPECT_EQ(indexed.reason, c.reason);
    }
  }
}

TEST(ParseRegFileWindowsCorners, TrailingBackslashesOfAKeyPathNameTheKeyWithoutThem) {
  for (RegDialect dialect : DIALECTS) {
    SCOPED_TRACE(Name(dialect));
    auto p = ParseBytes(
        FileOf(dialect,
               u"[HKEY_CURRENT_USER\\Software\\Vendor\\Key\\]\r\n\"a\"=dword:1\r\n"
               u"[HKEY_CURRENT_USER\\Software\\Vendor\\Key\\\\\\]\r\n\"b\"=dword:2\r\n"
               u"[HKEY_LOCAL_MACHINE\\]\r\n@=dword:3\r\n"
               u"[HKEY_LOCAL_MACHINE\\Gone\\Child]\r\n[-HKEY_LOCAL_MACHINE\\Gone\\]\r\n"));
    ASSERT_TRUE(p->ok) << p->error.line << ": " << p->error.reason;
    RegKeyNode* vendor = p->tree.Find(p->tree.Root(HKEY_CURRENT_USER), u"Software\\Vendor");
    ASSERT_NE(vendor, nullptr);
    ASSERT_EQ(vendor->SubkeyCount(), 1u);  // both sections name the one key "Key"
    EXPECT_EQ(vendor->Subkey(0)->Name().ToText(), u"Key");
    EXPECT_EQ(vendor->Subkey(0)->ValueCount(), 2u);
    EXPECT_NE(p->Value(u"", u"", HKEY_LOCAL_MACHINE), nullptr);
    EXPECT_EQ(p->tree.Find(p->tree.Root(HKEY_LOCAL_MACHINE), u"Gone"), nullptr);

    const Refusal refused[] = {
        {u"[HKEY_LOCAL_MACHINE\\A\\\\B\\]\r\n", 3, "empty key name in the key path"},
        {u"[HKEY_LOCAL_MACHINE\\\\A]\r\n", 3, "empty key name in the key path"},
        {u"[-HKEY_LOCAL_MACHINE\\\\]\r\n", 3, "a root key cannot be deleted"},
    };
    for (const Refusal& c : refused) {
      auto bad = ParseBytes(FileOf(dialect, c.lines));
      EXPECT_FALSE(bad->ok) << MessageText(c.lines);
      EXPECT_EQ(bad->error.line, c.line) << MessageText(c.lines);
      EXPECT_EQ(bad->error.reason, c.reason) << MessageText(c.lines);
    }
  }
}

TEST(ParseRegFileWindowsCorners, Regedit4InUtf16) {
  const std::u16string text =
      u"REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\K\u4e2d]\r\n\"s\"=\"\u4e2d\"\r\n\"h\"=hex(2):41,"
      u"80\r\n";
  for (bool bom : {true, false}) {
    SCOPED_TRACE(bom ? "with mark" : "without mark");
    auto p = ParseBytes(Utf16Bytes(text, bom));
    ASSERT_TRUE(p->ok) << p->error.line << ": " << p->error.reason;
    EXPECT_EQ(p->form.dialect, RegDialect::Regedit4);
    EXPECT_EQ(p->form.encoding, RegEncoding::Utf16Le);
    EXPECT_EQ(p->form.bom, bom);
    EXPECT_EQ(p->Value(u"K\u4e2d", u"s")->data.ToText(), std::u16string(u"\u4e2d\0", 2));
    // The dialect still makes hex(2) bytes Windows-1252 text.
    EXPECT_EQ(p->Value(u"K\u4e2d", u"h")->data.ToText(), std::u16string(u"A\u20ac\0", 3));
  }
  auto utf8 = ParseText("\xEF\xBB\xBFREGEDIT4\r\n");
  EXPECT_FALSE(utf8->ok);
  EXPECT_EQ(utf8->error.line, 1u);
  EXPECT_EQ(
      utf8->error.reason,
      "a REGEDIT4 file must be Windows-1252 or UTF-16LE text, not UTF-8 with a byte-order mark");
}

TEST(ParseRegFileWindowsCorners, OtherFormsAreRefusedByName) {
  const std::string windows31 =
      "not a registry file: \"REGEDIT\" heads the Windows 3.1 registration form";
  const std::string big_endian =
      "UTF-16 big-endian text (byte-order mark FE FF): registry files are Windows-1252, UTF-8 or "
      "UTF-16 "
      "little-endian";
  std::vector<uint8_t> utf16_windows31 =
      Utf16Bytes(u"REGEDIT\r\nHKEY_CLASSES_ROOT\\.txt = txtfile\r\n", true);
  struct Case {
    std::vector<uint8_t> bytes;
    const std::string& reason;
  };
  const Case cases[] = {
      {NarrowBytes("REGEDIT\r\nHKEY_CLASSES_ROOT\\.txt = txtfile\r\n"), windows31},
      {NarrowBytes("  REGEDIT\n"), windows31},
      {utf16_windows31, windows31},
      {{0xFE, 0xFF, 0, 'R', 0, 'E', 0, 'G', 0, 'E', 0, 'D', 0, 'I', 0, 'T', 0, '4', 0, '\n'},
       big_endian},
      {{0xFE, 0xFF}, big_endian},
  };
  for (const Case& c : cases) {
    auto p = ParseBytes(c.bytes);
    EXPECT_FALSE(p->ok) << c.reason;
    EXPECT_EQ(p->error.line, 1u);
    EXPECT_EQ(p->error.reason, c.reason);
  }
}

}  // namespace
