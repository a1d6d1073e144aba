// The reader over bytes in memory: the index pass refuses exactly what a
// full reading refuses and reports the same keys and sections, the sizes of
// long data are read whole, and one section reads alone from its offset.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/registry/reg_parser.h"
#include "platform/registry/testing/bad_reg_files.h"
#include "platform/registry/testing/reference_index.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

// What the reader reported, as text; names only when with_names.
class EventLog : public RegFileEvents {
 public:
  explicit EventLog(bool with_names) : with_names_(with_names) {}

  void OnKey(RegKey root, std::u16string_view path, bool deletion, uint64_t next_line) override {
    text += "key " + std::to_string(root) + " " + MessageText(path) + (deletion ? " -" : "") +
            " @" + std::to_string(next_line) + "\n";
  }
  void OnValue(std::u16string_view name, const RegReadData& data, RegSourceSpan span,
               uint64_t next_line) override {
    text += "value " + Name(name) + " type " + std::to_string(data.type) + " size " +
            std::to_string(data.size) + " span " + std::to_string(span.begin) + "-" +
            std::to_string(span.end) + " @" + std::to_string(next_line) + "\n";
  }
  void OnValueDeletion(std::u16string_view name, uint64_t next_line) override {
    text += "deletion " + Name(name) + " @" + std::to_string(next_line) + "\n";
  }

  std::string text;

 private:
  std::string Name(std::u16string_view name) const {
    return with_names_ ? "\"" + MessageText(name) + "\"" : "\"\"";
  }
  bool with_names_;
};

struct Reading {
  bool ok;
  RegParseError error;
  RegFileForm form;
  std::string log;
};

Reading Read(const std::vector<uint8_t>& bytes, RegReadMode mode) {
  Reading r;
  EventLog log(false);
  r.ok = ReadRegBytes(bytes.data(), bytes.size(), mode, log, &r.form, &r.error);
  r.log = log.text;
  return r;
}

// A file in each encoding, with hex values of thousands of bytes (the
// terminator rule must see the whole data).
std::vector<std::vector<uint8_t>> GoodFiles() {
  std::string long_hex;
  for (int i = 0; i < 5001; ++i) long_hex += "41,";
  const std::string body =
      "[HKEY_LOCAL_MACHINE\\K]\r\n\"s\"=\"a\\\"b\\\\c\\n\"\r\n@=dword:12\r\n\"gone\"=-\r\n"
      "\"h\"=hex:01,\\\r\n\r\n; note\r\n  02 ; end\r\n"
      "\"e\"=hex(2):" +
      long_hex + "42\r\n\"m\"=hex(7):41,00\r\n\"odd\"=hex(2):" + long_hex +
      "00\r\n[-HKEY_LOCAL_MACHINE\\K\\Sub]\r\n";
  // The last value is continued past the end of the file.
  const std::string end = "[HKEY_USERS]\r\n\"x\"=hex(1):e9,\\\r\n";
  std::u16string wide = u"Windows Registry Editor Version 5.00\r\n" + WideAscii(body) +
                        u"[HKEY_USERS\\\u00e9\u4e2d]\r\n\"\u20ac\"=\"\U0001F600\"\r\n" +
                        WideAscii(end);
  std::vector<uint8_t> utf8;
  EncodeText(RegEncoding::Utf8, wide, &utf8);
  return {NarrowBytes("REGEDIT4\r\n" + body + end),
          Utf16Bytes(WideAscii("REGEDIT4\n" + body + end), true), Utf16Bytes(wide, true), utf8};
}

TEST(IndexRegBytes, ReportsTheKeysAndSectionsAFullReadingReports) {
  for (const std::vector<uint8_t>& file : GoodFiles()) {
    const KeyIndexReading full = ReferenceKeyIndex(file);
    ASSERT_TRUE(full.ok) << full.error.line << ": " << full.error.reason;
    EXPECT_EQ(KeyIndexDifference(full, PassKeyIndex(file)), "");
    EXPECT_NE(full.form.open_continuation, 0u);
  }
}

TEST(ReadRegBytes, LongHexDataGetsItsTerminatorFromItsWholeData) {
  // For the narrow file: hex(2) data gains its terminator (5002 bytes, then
  // 1 more, as UTF-16: 10006); data already ending in NUL stays (5002 bytes,
  // 10004); so does hex(7) 41,00 (4).
  Reading narrow = Read(GoodFiles()[0], RegReadMode::Full);
  EXPECT_NE(narrow.log.find("type 2 size 10006 "), std::string::npos) << narrow.log;
  EXPECT_NE(narrow.log.find("type 2 size 10004 "), std::string::npos) << narrow.log;
  EXPECT_NE(narrow.log.find("type 1 size 14 "), std::string::npos) << narrow.log;
  EXPECT_NE(narrow.log.find("type 7 size 4 "), std::string::npos) << narrow.log;
  // In a version 5.00 file hex(2) bytes stay bytes: 5002 + NUL padding to a
  // whole unit (5004); the U+1F600 string is a surrogate pair and a NUL.
  Reading utf8 = Read(GoodFiles()[3], RegReadMode::Full);
  EXPECT_NE(utf8.log.find("type 2 size 5004 "), std::string::npos) << utf8.log;
  EXPECT_NE(utf8.log.find("type 1 size 6 "), std::string::npos) << utf8.log;
}

TEST(IndexRegBytes, RefusesExactlyWhatAFullReadingRefuses) {
  std::vector<BadRegText> cases(std::begin(BAD_REGEDIT4_BODIES), std::end(BAD_REGEDIT4_BODIES));
  std::vector<std::vector<uint8_t>> files;
  for (const BadRegText& c : cases)
    files.push_back(NarrowBytes(std::string("REGEDIT4\n") + c.text));
  // Text the encodings refuse: invalid UTF-8 in a key path, a name, a string
  // and after an escape; a stray UTF-16 byte; the marks no registry file has.
  const std::string v5 = "Windows Registry Editor Version 5.00\n";
  const BadRegText more[] = {
      {"[HKEY_LOCAL_MACHINE\\\xC3(]\n", 2, "invalid UTF-8 text"},
      {"[HKEY_LOCAL_MACHINE\\K]\n\"\xC3(\"=\"x\"\n", 3, "invalid UTF-8 text"},
      {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=\"\xE2\x82\"\n", 3, "invalid UTF-8 text"},
      {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=\"a\\\\\xED\xA0\x80\"\n", 3, "invalid UTF-8 text"},
  };
  for (const BadRegText& c : more) {
    cases.push_back(c);
    files.push_back(NarrowBytes(v5 + c.text));
  }
  std::vector<uint8_t> odd = Utf16Bytes(u"REGEDIT4\r\n[HKEY_USERS\\A]\r\n", true);
  odd.push_back('x');
  cases.push_back({"(UTF-16 with a stray byte)", 3, "UTF-16 text with an odd number of bytes"});
  files.push_back(odd);
  cases.push_back({"(UTF-8 mark on REGEDIT4)", 1,
                   "a REGEDIT4 file must be Windows-1252 or UTF-16LE text, not UTF-8 with a "
                   "byte-order mark"});
  files.push_back(NarrowBytes("\xEF\xBB\xBFREGEDIT4\n"));
  cases.push_back({"(UTF-16 big-endian)", 1,
                   "UTF-16 big-endian text (byte-order mark FE FF): registry files are "
                   "Windows-1252, UTF-8 or UTF-16 little-endian"});
  files.push_back({0xFE, 0xFF, 0, 'R'});
  for (size_t i = 0; i < cases.size(); ++i) {
    const std::pair<const char*, KeyIndexReading> readings[] = {
        {"full: ", ReferenceKeyIndex(files[i])}, {"index pass: ", PassKeyIndex(files[i])}};
    for (const auto& [what, r] : readings) {
      EXPECT_FALSE(r.ok) << what << cases[i].text;
      EXPECT_EQ(r.error.line, cases[i].line) << what << cases[i].text;
      EXPECT_EQ(r.error.reason, cases[i].reason) << what << cases[i].text;
    }
  }
}

TEST(ReadRegSection, ReadsOneSectionFromItsOffsetToTheNextKeyLine) {
  for (const std::vector<uint8_t>& file : GoodFiles()) {
    Reading whole = Read(file, RegReadMode::Full);
    ASSERT_TRUE(whole.ok);
    // The offset past the first key line, as its event gave it.
    size_t at = whole.log.find('@');
    const uint64_t begin = std::stoull(whole.log.substr(at + 1));
    EventLog section(false);
    RegParseError error;
    ASSERT_TRUE(ReadRegSection(file.data(), file.size(), begin, whole.form, RegReadMode::Full,
                               section, &error))
        << error.reason;
    // The first section's values, as the whole reading reported them, and
    // nothing of the deletion line after them.
    size_t first = whole.log.find('\n') + 1;
    size_t next_key = whole.log.find("key ", first);
    EXPECT_EQ(section.text, whole.log.substr(first, next_key - first));
    EXPECT_NE(section.text.find("deletion"), std::string::npos);
  }
}

}  // namespace

namespace {

// A deferred string reads from its span alone; a span that is not one whole
// quoted string, or lies outside the file, gives nothing.
TEST(ReadRegQuoted, ReadsAWholeQuotedStringAndNothingElse) {
  const std::string file = "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"v\"=\"a\\\"\xe9\" ; c\r\n";
  const std::vector<uint8_t> bytes = NarrowBytes(file);
  const uint64_t quote = file.find("=\"") + 1;
  const uint64_t after = file.find(" ; c");
  RegFileForm form;
  form.dialect = RegDialect::Regedit4;
  form.encoding = RegEncoding::CodePage1252;
  struct Case {
    RegSourceSpan span;
    bool ok;
  };
  const Case cases[] = {
      {{quote, after}, true},
      {{quote + 1, after}, false},         // not at the opening quote
      {{quote, after - 1}, false},         // without the closing quote
      {{quote, after + 2}, false},         // more than the string
      {{quote, bytes.size() + 1}, false},  // past the end
      {{after, quote}, false},             // reversed
  };
  for (const Case& c : cases) {
    std::u16string text;
    EXPECT_EQ(ReadRegQuoted(bytes.data(), bytes.size(), c.span, form, &text), c.ok)
        << c.span.begin << "-" << c.span.end;
    if (c.ok) {
      EXPECT_EQ(text, std::u16string(u"a\"\u00e9") + u'\0');
    }
  }
}

}  // namespace
