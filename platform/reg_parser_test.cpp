#include "platform/reg_parser.h"

#include <gtest/gtest.h>

#include "platform/code_page.h"

#include <random>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

std::vector<uint8_t> Utf16(std::u16string_view text, bool bom) {
  std::vector<uint8_t> out;
  if (bom) out = {0xFF, 0xFE};
  for (char16_t u : text) {
    out.push_back(static_cast<uint8_t>(u));
    out.push_back(static_cast<uint8_t>(u >> 8));
  }
  return out;
}

struct Parsed {
  bool ok = false;
  RegTree tree;
  RegFileForm form;
  RegParseError error;
};

std::unique_ptr<Parsed> Parse(const std::vector<uint8_t>& bytes) {
  auto p = std::make_unique<Parsed>();
  p->ok = ParseRegFile(bytes.data(), bytes.size(), &p->tree, &p->form, &p->error);
  return p;
}

std::unique_ptr<Parsed> Parse(const std::string& text) { return Parse(Bytes(text)); }

const RegValueEntry* Value(Parsed& p, const char16_t* key, const char16_t* name) {
  RegKeyNode* node = p.tree.Find(p.tree.Root(HKEY_LOCAL_MACHINE), key);
  return node == nullptr ? nullptr : node->FindValue(name);
}

const std::string HEAD = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n";

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
      {"\"v\"=\"caf\xE9 \x80\"", REG_SZ, {'c', 0, 'a', 0, 'f', 0, 0xE9, 0, ' ', 0, 0xAC, 0x20, 0, 0}},
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
    auto p = Parse(HEAD + c.line + "\r\n");
    ASSERT_TRUE(p->ok) << c.line << ": line " << p->error.line << ": " << p->error.reason;
    const RegValueEntry* v = Value(*p, u"K", u"v");
    ASSERT_NE(v, nullptr) << c.line;
    EXPECT_EQ(v->type, c.type) << c.line;
    EXPECT_EQ(v->data.ToVector(), c.data) << c.line;
  }
}

TEST(ParseRegFileValues, NamesDefaultValueAndEscapes) {
  auto p = Parse(HEAD + "@=\"d\"\r\n\"a\\\"b\\\\c\"=\"e\"\r\n\"\"=\"empty\"\r\n");
  ASSERT_TRUE(p->ok) << p->error.reason;
  EXPECT_EQ(Value(*p, u"K", u"a\"b\\c")->data.ToText(), std::u16string(u"e\0", 2));
  // "" names the default value too, so it replaced @.
  EXPECT_EQ(Value(*p, u"K", u"")->data.ToText(), std::u16string(u"empty\0", 6));
}

struct BadCase {
  const char* text;  // after the header "REGEDIT4\n"
  uint64_t line;
  const char* reason;
};

TEST(ParseRegFileErrors, RefusesWithLineAndReason) {
  const BadCase cases[] = {
      {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=dword:123456789\n", 3, "dword: needs 1 to 8 hex digits"},
      {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=dword:\n", 3, "dword: needs 1 to 8 hex digits"},
      {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=dword:12 x\n", 3, "unexpected text after the dword"},
      {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=DWORD:1\n", 3, "unknown value data form"},
      {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=Hex:01\n", 3, "unknown value data form"},
      {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=\n", 3, "unknown value data form"},
      {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=hex:1,,2\n", 3, "hex byte expected"},
      {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=hex:,1\n", 3, "hex byte expected"},
      {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=hex:123\n", 3, "',' expected between hex bytes"},
      {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=hex:01 02\n", 3, "',' expected between hex bytes"},
      {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=hex(1g):00\n", 3, "malformed hex(N): type"},
      {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=hex(123456789):00\n", 3, "malformed hex(N): type"},
      {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=hex():00\n", 3, "malformed hex(N): type"},
      {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=hex(2)00\n", 3, "malformed hex(N): type"},
      {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=\"x\n", 3, "quoted text without its closing quote"},
      {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=\"x\\\"\n", 3, "quoted text without its closing quote"},
      {"[HKEY_LOCAL_MACHINE\\K]\n\"v=\"x\"\n", 3, "'=' expected after the value name"},
      {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=\"C:\\Windows\"\n", 3, "unknown escape sequence in quoted text"},
      {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=\"x\" y\n", 3, "unexpected text after the closing quote"},
      {"[HKEY_LOCAL_MACHINE\\K]\n\"v\" \"x\"\n", 3, "'=' expected after the value name"},
      {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=- x\n", 3, "unexpected text after '-'"},
      {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=hex:01,\\ x\n", 3, "unexpected text after '\\'"},
      {"[HKEY_LOCAL_MACHINE\\K]\n\"v\"=hex:01,\\\n\n;c\n\"w\"=\"x\"\n", 6, "hex byte expected"},
      {"[HKEY_LOCAL_MACHINE\\K]\nv=1\n", 3, "not a key, value or comment line"},
      {"\n\n# note\n", 4, "not a key, value or comment line"},
      {"\"v\"=\"x\"\n", 2, "a value line before any key line"},
      {"[-HKEY_LOCAL_MACHINE\\K]\n\"v\"=\"x\"\n", 3, "a value line after a key deletion"},
      {"[HKEY_LOCAL_MACHINE\\K\n", 2, "a key line must end with ']'"},
      {"[HKEY_LOCAL_MACHINE\\K] x\n", 2, "a key line must end with ']'"},
      {"[\n", 2, "a key line must end with ']'"},
      {"[]\n", 2, "unknown root key"},
      {"[HKLM\\K]\n", 2, "unknown root key"},
      {"[ HKEY_LOCAL_MACHINE\\K]\n", 2, "unknown root key"},
      {"[HKEY_LOCAL_MACHINE\\\\K]\n", 2, "empty key name in the key path"},
      {"[HKEY_LOCAL_MACHINE\\K\\]\n", 2, "empty key name in the key path"},
      {"[HKEY_LOCAL_MACHINE\\]\n", 2, "empty key name in the key path"},
      {"[-HKEY_LOCAL_MACHINE]\n", 2, "a root key cannot be deleted"},
      {"[HKEY_LOCAL_MACHINE\\K]\r\r\n\r\"v\"=dword:1x\n", 5, "unexpected text after the dword"},
  };
  for (const BadCase& c : cases) {
    auto p = Parse(std::string("REGEDIT4\n") + c.text);
    EXPECT_FALSE(p->ok) << c.text;
    EXPECT_EQ(p->error.line, c.line) << c.text;
    EXPECT_EQ(p->error.reason, c.reason) << c.text;
  }
}

TEST(ParseRegFileErrors, HeaderMustBeExact) {
  const char* refused[] = {"", "regedit4\n", "REGEDIT4 \n", "REGEDIT5\n", "REGEDIT\n",
                           "Windows Registry Editor Version 5.0\n", "\n REGEDIT4\n"};
  for (const char* text : refused) {
    auto p = Parse(std::string(text));
    EXPECT_FALSE(p->ok) << text;
    EXPECT_EQ(p->error.line, 1u) << text;
    EXPECT_EQ(p->error.reason,
              "not a registry file: the first line is neither \"REGEDIT4\" nor \"Windows Registry "
              "Editor Version 5.00\"");
  }
  EXPECT_TRUE(Parse(std::string(" \tREGEDIT4\r\n"))->ok);
  EXPECT_TRUE(Parse(std::string("REGEDIT4"))->ok);
  EXPECT_TRUE(Parse(std::string("Windows Registry Editor Version 5.00\n"))->ok);
}

TEST(ParseRegFileSections, MergeDeleteAndCreateParents) {
  auto p = Parse(HEAD +
                 "\"Dll\"=\"one\"\r\n\"Keep\"=dword:1\r\n"
                 "[HKEY_LOCAL_MACHINE\\Other\\Deep\\Leaf]\r\n"
                 "[hkey_local_machine\\k]\r\n\"DLL\"=\"two\"\r\n\"keep\"=-\r\n\"gone\"=-\r\n"
                 "[HKEY_LOCAL_MACHINE\\Doomed\\Child]\r\n\"x\"=\"y\"\r\n"
                 "[-HKEY_LOCAL_MACHINE\\DOOMED]\r\n[-HKEY_LOCAL_MACHINE\\Never\\There]\r\n"
                 "[HKEY_LOCAL_MACHINE\\Doomed]\r\n");
  ASSERT_TRUE(p->ok) << p->error.line << ": " << p->error.reason;
  RegKeyNode* hklm = p->tree.Root(HKEY_LOCAL_MACHINE);
  RegKeyNode* k = hklm->FindSubkey(u"K");
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(k->ValueCount(), 1u);
  const RegValueEntry* dll = k->FindValue(u"dll");
  EXPECT_EQ(dll->name.ToText(), u"Dll");
  EXPECT_EQ(dll->data.ToText(), std::u16string(u"two\0", 4));
  EXPECT_EQ(k->FindValue(u"Keep"), nullptr);
  RegKeyNode* other = hklm->FindSubkey(u"Other");
  ASSERT_NE(other, nullptr);
  EXPECT_FALSE(other->layout.has_section);
  EXPECT_TRUE(p->tree.Find(other, u"Deep\\Leaf")->layout.has_section);
  RegKeyNode* doomed = hklm->FindSubkey(u"Doomed");
  ASSERT_NE(doomed, nullptr);
  EXPECT_EQ(doomed->SubkeyCount(), 0u);
  EXPECT_EQ(hklm->SubkeyCount(), 3u);
  EXPECT_EQ(hklm->Subkey(2), doomed);  // re-created after its deletion: last
}

TEST(ParseRegFileSections, OtherRootsAreKept) {
  auto p = Parse(std::string("REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"v\"=\"1\"\n[HKEY_USERS]\n@=\"u\"\n"
                             "[HKEY_CLASSES_ROOT\\.reg]\n[HKEY_CURRENT_CONFIG\\C]\n"));
  ASSERT_TRUE(p->ok) << p->error.reason;
  EXPECT_NE(p->tree.Find(p->tree.Root(HKEY_CURRENT_USER), u"A")->FindValue(u"v"), nullptr);
  EXPECT_NE(p->tree.Root(HKEY_USERS)->FindValue(u""), nullptr);
  EXPECT_NE(p->tree.Find(p->tree.Root(HKEY_CLASSES_ROOT), u".reg"), nullptr);
  EXPECT_NE(p->tree.Find(p->tree.Root(HKEY_CURRENT_CONFIG), u"C"), nullptr);
}

TEST(ParseRegFileHex, ContinuationLines) {
  const std::string text = HEAD +
                           "\"a\"=hex:01,02,\\\r\n  03,04\r\n"
                           "\"b\"=hex(7):\\\r\n  61,00,\\ ; wrapped\r\n\r\n; between\r\n  00\r\n"
                           "\"c\"=hex:05,\\";
  auto p = Parse(text);
  ASSERT_TRUE(p->ok) << p->error.line << ": " << p->error.reason;
  EXPECT_EQ(Value(*p, u"K", u"a")->data.ToVector(), (std::vector<uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(Value(*p, u"K", u"b")->data.ToVector(), (std::vector<uint8_t>{'a', 0, 0, 0, 0, 0}));
  EXPECT_EQ(Value(*p, u"K", u"c")->data.ToVector(), (std::vector<uint8_t>{5}));
  const RegValueEntry* a = Value(*p, u"K", u"a");
  EXPECT_EQ(text.substr(a->span.begin, a->span.end - a->span.begin), "hex:01,02,\\\r\n  03,04");
  const RegValueEntry* b = Value(*p, u"K", u"b");
  EXPECT_EQ(text.substr(b->span.begin, b->span.end - b->span.begin),
            "hex(7):\\\r\n  61,00,\\ ; wrapped\r\n\r\n; between\r\n  00");
}

TEST(ParseRegFileLayout, SpansAndAppendPoints) {
  const std::string text = HEAD + "\"Dll\" = \"BTCEIF.DLL\" ; stock\r\n\"I\"=dword:1\r\n\r\n; next\r\n" +
                           "[HKEY_LOCAL_MACHINE\\Other]\n[HKEY_LOCAL_MACHINE\\K]\n\"J\"=hex:01\n\n";
  auto p = Parse(text);
  ASSERT_TRUE(p->ok) << p->error.reason;
  const RegValueEntry* dll = Value(*p, u"K", u"Dll");
  EXPECT_EQ(text.substr(dll->span.begin, dll->span.end - dll->span.begin), "\"BTCEIF.DLL\"");
  const RegValueEntry* i = Value(*p, u"K", u"I");
  EXPECT_EQ(text.substr(i->span.begin, i->span.end - i->span.begin), "dword:1");
  RegKeyNode* k = p->tree.Find(p->tree.Root(HKEY_LOCAL_MACHINE), u"K");
  EXPECT_EQ(k->layout.append_at, text.size() - 1);  // after "J"=hex:01\n
  RegKeyNode* other = p->tree.Find(p->tree.Root(HKEY_LOCAL_MACHINE), u"Other");
  EXPECT_EQ(other->layout.append_at, text.find("[HKEY_LOCAL_MACHINE\\K]\n"));
}

TEST(ParseRegFileEncodings, Utf16WithAndWithoutMark) {
  const std::u16string text =
      u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"v\"=\"\u20ac\u4e2d\"\r\n"
      u"\"h\"=hex(2):41,00,00,00\r\n";
  for (bool bom : {true, false}) {
    std::vector<uint8_t> bytes = Utf16(text, bom);
    auto p = Parse(bytes);
    ASSERT_TRUE(p->ok) << p->error.reason;
    EXPECT_EQ(p->form.dialect, RegDialect::Version5);
    EXPECT_EQ(p->form.encoding, RegEncoding::Utf16Le);
    EXPECT_EQ(p->form.bom, bom);
    const RegValueEntry* v = Value(*p, u"K", u"v");
    EXPECT_EQ(v->data.ToText(), std::u16string(u"\u20ac\u4e2d\0", 3));
    size_t at = text.find(u"\"\u20ac") * 2 + (bom ? 2 : 0);
    EXPECT_EQ(v->span.begin, at);
    EXPECT_EQ(v->span.end, at + 8);
    EXPECT_EQ(Value(*p, u"K", u"h")->data.ToVector(), (std::vector<uint8_t>{'A', 0, 0, 0}));
    bytes.push_back('x');
    auto odd = Parse(bytes);
    EXPECT_FALSE(odd->ok);
    EXPECT_EQ(odd->error.line, 6u);
    EXPECT_EQ(odd->error.reason, "UTF-16 text with an odd number of bytes");
  }
}

TEST(ParseRegFileEncodings, Utf8WithAndWithoutMark) {
  const std::string text =
      "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\K\xC3\xA9]\n\"v\xF0\x9F\x98\x80\"=\"caf\xC3\xA9\"\n";
  for (const std::string& bytes : {text, "\xEF\xBB\xBF" + text}) {
    auto p = Parse(bytes);
    ASSERT_TRUE(p->ok) << p->error.reason;
    EXPECT_EQ(p->form.encoding, RegEncoding::Utf8);
    EXPECT_EQ(p->form.bom, bytes.size() != text.size());
    const RegValueEntry* v = Value(*p, u"K\u00e9", u"v\U0001F600");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->data.ToText(), std::u16string(u"caf\u00e9\0", 5));
  }
  for (const char* bad : {"\"v\"=\"\xC3\"\n", "\"v\"=\"\xC0\xAF\"\n", "\"v\"=\"\xED\xA0\x80\"\n",
                          "\"\xFF\"=\"x\"\n"}) {
    auto p = Parse("Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\K]\n" + std::string(bad));
    EXPECT_FALSE(p->ok) << bad;
    EXPECT_EQ(p->error.line, 3u);
    EXPECT_EQ(p->error.reason, "invalid UTF-8 text");
  }
  auto marked4 = Parse(std::string("\xEF\xBB\xBFREGEDIT4\n"));
  EXPECT_FALSE(marked4->ok);
  EXPECT_EQ(marked4->error.reason, "a REGEDIT4 file must be Windows-1252 text without a byte-order mark");
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
    auto p = Parse(c.text);
    ASSERT_TRUE(p->ok) << p->error.reason;
    EXPECT_EQ(p->form.line_end, c.dominant) << c.text;
  }
}

TEST(ParseRegFileRobustness, HostileInputsAreRefusedOrReadNeverCrash) {
  std::string deep = "REGEDIT4\n[HKEY_LOCAL_MACHINE";
  for (int i = 0; i < 200000; ++i) deep += "\\k";
  deep += "]\n[-HKEY_LOCAL_MACHINE\\k]\n";
  EXPECT_TRUE(Parse(deep)->ok);
  EXPECT_FALSE(Parse("REGEDIT4\n" + std::string(100000, '['))->ok);
  EXPECT_FALSE(Parse(std::string(1000, '\0'))->ok);

  // Random damage to a valid file: every result is either a tree or a refusal
  // that names a line of the input.
  const std::string valid = HEAD + "\"a\"=hex(2):41,00,\\\r\n  42,00\r\n\"b\"=dword:7\r\n@=\"x\\\\\"\r\n";
  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    std::string damaged = valid;
    for (int k = 0; k < 3; ++k) {
      damaged[random() % damaged.size()] = static_cast<char>(random() % 256);
    }
    damaged.resize(random() % (damaged.size() + 1));
    auto p = Parse(damaged);
    if (!p->ok) {
      EXPECT_GE(p->error.line, 1u);
      EXPECT_LE(p->error.line, 8u);
      EXPECT_FALSE(p->error.reason.empty());
    }
  }
}

// A file in Windows-1252 bytes and the same file as UTF-16LE with a mark:
// the narrow reader's shortcuts must read exactly what the UTF-16 reader
// reads, offsets counted in characters.
// A third file, plain, has every key line preceded by a line for another
// root, so that no key line resumes from the one before it.
struct TwinFiles {
  std::string narrow = "REGEDIT4\r\n";
  std::u16string wide = u"Windows Registry Editor Version 5.00\r\n";
  std::string plain = "REGEDIT4\r\n";
  void Add(const std::string& line) {
    narrow += line + "\r\n";
    for (char c : line) wide += CodePageToWide(static_cast<unsigned char>(c));
    wide += u"\r\n";
    if (line[0] == '[') plain += "[HKEY_USERS\\elsewhere]\r\n";
    plain += line + "\r\n";
  }
};

// Keys in tree order with their values, and where each stands in the file:
// characters after the header line (whose lengths differ); without places
// when offsets is false.
std::string Describe(RegKeyNode* node, bool wide, bool offsets = true) {
  auto unit = [wide, offsets](uint64_t offset) -> uint64_t {
    if (!offsets) return 0;
    return wide ? (offset - 2) / 2 - std::u16string_view(u"Windows Registry Editor Version 5.00\r\n").size()
                : offset - std::string_view("REGEDIT4\r\n").size();
  };
  std::string out = "[" + MessageText(node->Name().ToText()) + " @" +
                    std::to_string(node->layout.has_section ? unit(node->layout.append_at) : 0) + "]";
  node->ForEachValue([&](const RegValueEntry& v) {
    out += " " + MessageText(v.name.ToText()) + "=" + std::to_string(v.type) + ":";
    for (uint8_t b : v.data.ToVector()) out += std::to_string(b) + ",";
    out += "@" + std::to_string(unit(v.span.begin)) + "-" + std::to_string(unit(v.span.end));
  });
  for (size_t i = 0; RegKeyNode* child = node->Subkey(i); ++i) {
    out += " {" + Describe(child, wide, offsets) + "}";
  }
  return out;
}

TEST(ParseRegFileDifferential, ShortcutsReadAsTheUtf16ReaderAndAFreshWalk) {
  // Pieces of names, strings and key paths: plain text, escapes, Latin-1
  // letters, the bytes 0x80-0x9F that Windows-1252 maps elsewhere, and text
  // long enough for the word-at-a-time scans.
  const char* const text_pieces[] = {"a", "Drivers", "BuiltIn Serial 1234567", " ", "\\\\", "\\\"",
                                     "\\n", "\\r", "\xE9", "\xA0\xFF", "\x80", "\x9F\x81", "0123456789abcdef"};
  const char* const key_pieces[] = {"Drivers", "Active", "Act", "ACTIVE", "01", "BuiltIn\xE9", "S\x80t"};
  const char* const roots[] = {"HKEY_LOCAL_MACHINE", "hkey_local_machine", "HKEY_CURRENT_USER"};
  std::mt19937 random(11);
  auto pick = [&random](auto& list) { return std::string(list[random() % (sizeof list / sizeof list[0])]); };
  auto text = [&](int most) {
    std::string t;
    for (int n = static_cast<int>(random() % (most + 1)); n > 0; --n) t += pick(text_pieces);
    return t;
  };
  for (int round = 0; round < 40; ++round) {
    TwinFiles files;
    std::string root;
    std::vector<std::string> path;
    for (int line = 0; line < 120; ++line) {
      int kind = static_cast<int>(random() % 10);
      if (kind == 0 || path.empty()) {
        // A key line near the previous one: a parent, sibling or child.
        size_t keep = path.empty() ? 0 : random() % (path.size() + 1);
        path.resize(keep);
        for (int d = static_cast<int>(random() % 3); d >= 0; --d) path.push_back(pick(key_pieces));
        if (root.empty() || random() % 10 == 0) root = pick(roots);
        std::string joined = root;
        for (const std::string& part : path) joined += "\\" + part;
        // Now and then the key is deleted first (a value line may not
        // follow a deletion, so the key line comes right after it).
        if (random() % 20 == 0) files.Add("[-" + joined + "]");
        files.Add("[" + joined + "]");
      } else if (kind < 7) {
        files.Add((random() % 8 == 0 ? std::string("@") : "\"" + text(3) + "\"") + "=\"" + text(6) + "\"");
      } else {
        files.Add("\"" + text(2) + "\"=dword:" + std::to_string(random() % 99999));
      }
    }
    auto narrow = Parse(files.narrow);
    std::vector<uint8_t> wide_bytes = Utf16(files.wide, true);
    auto wide = Parse(wide_bytes);
    // Every line made above is valid.
    ASSERT_TRUE(narrow->ok) << narrow->error.line << ": " << narrow->error.reason;
    ASSERT_TRUE(wide->ok) << wide->error.line << ": " << wide->error.reason;
    auto plain = Parse(files.plain);
    ASSERT_TRUE(plain->ok) << plain->error.line << ": " << plain->error.reason;
    for (RegKey root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
      EXPECT_EQ(Describe(narrow->tree.Root(root), false), Describe(wide->tree.Root(root), true))
          << files.narrow;
      EXPECT_EQ(Describe(narrow->tree.Root(root), false, false), Describe(plain->tree.Root(root), false, false))
          << files.narrow;
    }
  }
}

// The narrow shortcuts refuse exactly what the reader refuses, at the same
// line and for the same reason.
TEST(ParseRegFileDifferential, BrokenQuotedTextIsRefusedAlike) {
  const char* const lines[] = {
      "\"long value name without its closing quote=\"x\"", "\"v\"=\"0123456789 unterminated",
      "\"v\"=\"0123456789\\q unknown escape\"",           "\"v\"=\"0123456789 ends in a backslash\\",
      "\"v\"=\"0123456789\" trailing text",                  "\"0123456789\\\"\"=\"\xE9\x80\\\\ 0123456789\" ; fine",
  };
  for (const char* line : lines) {
    TwinFiles files;
    files.Add("[HKEY_LOCAL_MACHINE\\K]");
    files.Add(line);
    auto narrow = Parse(files.narrow);
    auto wide = Parse(Utf16(files.wide, true));
    ASSERT_EQ(narrow->ok, wide->ok) << line;
    EXPECT_EQ(narrow->error.line, wide->error.line) << line;
    EXPECT_EQ(narrow->error.reason, wide->error.reason) << line;
    if (narrow->ok) {
      EXPECT_EQ(Describe(narrow->tree.Root(HKEY_LOCAL_MACHINE), false),
                Describe(wide->tree.Root(HKEY_LOCAL_MACHINE), true));
    }
  }
}

}  // namespace
