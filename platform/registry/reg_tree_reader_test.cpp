#include "platform/registry/reg_tree_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/registry/testing/bad_reg_files.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

TEST(ParseRegFileSections, MergeDeleteAndCreateParents) {
  auto p = ParseText(REGEDIT4_HEAD +
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
  EXPECT_NE(p->tree.Find(other, u"Deep\\Leaf"), nullptr);
  RegKeyNode* doomed = hklm->FindSubkey(u"Doomed");
  ASSERT_NE(doomed, nullptr);
  EXPECT_EQ(doomed->SubkeyCount(), 0u);
  EXPECT_EQ(hklm->SubkeyCount(), 3u);
  EXPECT_EQ(hklm->Subkey(2), doomed);  // re-created after its deletion: last
}

TEST(ParseRegFileSections, OtherRootsAreKept) {
  auto p =
      ParseText(std::string("REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"v\"=\"1\"\n[HKEY_USERS]\n@=\"u\"\n"
                            "[HKEY_CLASSES_ROOT\\.reg]\n[HKEY_CURRENT_CONFIG\\C]\n"));
  ASSERT_TRUE(p->ok) << p->error.reason;
  EXPECT_NE(p->tree.Find(p->tree.Root(HKEY_CURRENT_USER), u"A")->FindValue(u"v"), nullptr);
  EXPECT_NE(p->tree.Root(HKEY_USERS)->FindValue(u""), nullptr);
  EXPECT_NE(p->tree.Find(p->tree.Root(HKEY_CLASSES_ROOT), u".reg"), nullptr);
  EXPECT_NE(p->tree.Find(p->tree.Root(HKEY_CURRENT_CONFIG), u"C"), nullptr);
}

TEST(ParseRegFileRobustness, HostileInputsAreRefusedOrReadNeverCrash) {
  std::string deep = "REGEDIT4\n[HKEY_LOCAL_MACHINE";
  for (int i = 0; i < 200000; ++i) deep += "\\k";
  deep += "]\n[-HKEY_LOCAL_MACHINE\\k]\n";
  EXPECT_TRUE(ParseText(deep)->ok);
  EXPECT_FALSE(ParseText("REGEDIT4\n" + std::string(100000, '['))->ok);
  EXPECT_FALSE(ParseText(std::string(1000, '\0'))->ok);

  // Random damage to a valid file: every result is either a tree or a refusal
  // that names a line of the input.
  const std::string valid =
      REGEDIT4_HEAD + "\"a\"=hex(2):41,00,\\\r\n  42,00\r\n\"b\"=dword:7\r\n@=\"x\\\\\"\r\n";
  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    std::string damaged = valid;
    for (int k = 0; k < 3; ++k) {
      damaged[random() % damaged.size()] = static_cast<char>(random() % 256);
    }
    damaged.resize(random() % (damaged.size() + 1));
    auto p = ParseText(damaged);
    if (!p->ok) {
      EXPECT_GE(p->error.line, 1u);
      EXPECT_LE(p->error.line, 8u);
      EXPECT_FALSE(p->error.reason.empty());
    }
  }
}

TEST(ParseRegFilePieces, AnyReadSizeGivesTheSameTree) {
  const std::string narrow =
      REGEDIT4_HEAD +
      "\"a\"=\"x\\\"y\"\r\n\"b\"=hex:01,\\\r\n\r\n; c\r\n  02\r\n@=dword:7\r\r\n"
      "[HKEY_LOCAL_MACHINE\\K\\L]\n\"c\"=hex(2):41,00\n[-HKEY_LOCAL_MACHINE\\K\\L]\r";
  std::u16string wide =
      u"Windows Registry Editor Version 5.00\r\n[HKEY_USERS\\\u4e2d]\r\n\"v\"=\"\u20ac\\\\\"\r\n"
      u"\"w\"=hex:01,\\\r\n  02\r";
  std::vector<uint8_t> utf16 = {0xFF, 0xFE};
  EncodeText(RegEncoding::Utf16Le, wide, &utf16);
  // UTF-8 with its three-byte mark: steps of 1 and 2 split the mark, which the
  // start-of-file detection must gather before it decides.
  std::vector<uint8_t> utf8 = {0xEF, 0xBB, 0xBF};
  EncodeText(RegEncoding::Utf8, wide, &utf8);
  for (const std::vector<uint8_t>& file : {NarrowBytes(narrow), utf16, utf8}) {
    auto whole = ParseBytes(file);
    ASSERT_TRUE(whole->ok) << whole->error.reason;
    for (size_t step = 1; step <= 9; ++step) {
      TrickleSource source(file, step);
      RegTree tree;
      RegFileForm form;
      RegParseError error;
      ASSERT_TRUE(ParseRegFile(source, &tree, &form, &error)) << step << ": " << error.reason;
      EXPECT_EQ(DumpTree(tree), DumpTree(whole->tree)) << "step " << step;
      EXPECT_EQ(form.line_end, whole->form.line_end);
      EXPECT_EQ(form.encoding, whole->form.encoding);
      EXPECT_EQ(form.bom, whole->form.bom);
    }
  }
  auto marked = ParseBytes(utf8);
  EXPECT_EQ(marked->form.encoding, RegEncoding::Utf8);
  EXPECT_TRUE(marked->form.bom);
}

TEST(ParseRegFilePieces, LinesLongerThanTheBuffer) {
  std::string line = "\"big\"=hex:";
  for (int i = 0; i < 700000; ++i) line += "ab,";
  line += "cd";
  auto p = ParseText(REGEDIT4_HEAD + line + "\r\n\"after\"=\"ok\"\r\n");
  ASSERT_TRUE(p->ok) << p->error.reason;
  const RegValueEntry* big = p->Value(u"K", u"big");
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(big->data.size(), 700001u);
  EXPECT_EQ(big->data.ByteAt(699999), 0xAB);
  EXPECT_EQ(big->data.ByteAt(700000), 0xCD);
  EXPECT_NE(p->Value(u"K", u"after"), nullptr);
}

// A source that fails after a number of bytes.
class BrokenSource : public RegByteSource {
 public:
  BrokenSource(const std::string& text, size_t fail_at) : text_(text), fail_at_(fail_at) {}
  int Read(uint8_t* buffer, size_t size, size_t* got) override {
    if (at_ >= fail_at_) return EIO;
    size_t n = std::min({size, fail_at_ - at_, text_.size() - at_});
    std::copy(text_.begin() + at_, text_.begin() + at_ + n, buffer);
    at_ += n;
    *got = n;
    return 0;
  }

 private:
  std::string text_;
  size_t fail_at_;
  size_t at_ = 0;
};

TEST(ParseRegFilePieces, ReadFailureIsReported) {
  for (size_t fail_at : {size_t(0), size_t(4), size_t(30)}) {
    BrokenSource source(REGEDIT4_HEAD + "\"v\"=\"x\"\r\n", fail_at);
    RegTree tree;
    RegFileForm form;
    RegParseError error;
    EXPECT_FALSE(ParseRegFile(source, &tree, &form, &error));
    EXPECT_EQ(error.read_error, EIO);
    EXPECT_EQ(error.reason, "cannot read: Input/output error");
  }
}

}  // namespace

namespace {

struct Indexed {
  bool ok;
  RegTree tree;
  RegFileForm form;
  RegParseError error;
};

std::unique_ptr<Indexed> Index(const std::vector<uint8_t>& bytes) {
  auto indexed = std::make_unique<Indexed>();
  indexed->ok = IndexRegFile(bytes, &indexed->tree, &indexed->form, &indexed->error);
  return indexed;
}

// Sections that merge, values replaced and deleted, a subtree deleted after
// sections of its own, wrapped hex with comments between its lines, narrow
// hex text, default values and a root's own section.
const std::string MERGING_BODY =
    "[HKEY_LOCAL_MACHINE\\Drivers\\X]\r\n\"Dll\"=\"old.dll\"\r\n\"Gone\"=dword:1\r\n"
    "\"Bin\"=hex:01,02,\\\r\n; between\r\n\r\n  03,04\r\n"
    "[HKEY_LOCAL_MACHINE\\Drivers\\Doomed]\r\n\"v\"=\"x\"\r\n"
    "[HKEY_LOCAL_MACHINE\\Drivers\\Doomed\\Child]\r\n\"w\"=\"y\"\r\n"
    "[HKEY_LOCAL_MACHINE]\r\n@=\"root\"\r\n"
    "[hkey_local_machine\\drivers\\x]\r\n\"DLL\"=\"new.dll\"\r\n\"gone\"=-\r\n"
    "\"Path\"=hex(2):25,53,25,00\r\n\"Multi\"=hex(7):61,00,62,00,00,00\r\n@=dword:ffffffff\r\n"
    "[-HKEY_LOCAL_MACHINE\\Drivers\\Doomed]\r\n[HKEY_LOCAL_MACHINE\\Drivers\\Doomed]\r\n"
    "[HKEY_CURRENT_USER\\Lf]\n\"a\"=\"1\"\r\"b\"=\"2\"\n";

std::vector<std::vector<uint8_t>> FilesOfEachForm() {
  // Sibling keys whose names differ only in a unit's high byte (A and L
  // with stroke), and in a narrow file names of Windows-1252's bytes
  // 0x91-0x9F, which decode to units above 0xFF (the last key is the one
  // before it in capitals).
  std::u16string wide = u"Windows Registry Editor Version 5.00\r\n" + WideAscii(MERGING_BODY) +
                        u"[HKEY_USERS\\\u4e2d]\r\n\"\u20ac\"=\"\u00e9\\\\\"\r\n" +
                        u"[HKEY_USERS\\K\\A]\r\n[HKEY_USERS\\K\\\u0141]\r\n";
  std::vector<uint8_t> utf8 = {0xEF, 0xBB, 0xBF};
  EncodeText(RegEncoding::Utf8, wide, &utf8);
  return {
      NarrowBytes("REGEDIT4\r\n" + MERGING_BODY + "[HKEY_USERS\\\xe9]\r\n\"\x80\"=\"\xe9\"\r\n" +
                  "[HKEY_USERS\\\x92\x93\x94\x96\x97\x99]\r\n[HKEY_USERS\\\x9A\x9C\x9E\x9F]\r\n" +
                  "[HKEY_USERS\\\x8A\x8C\x8E\x9F]\r\n"),
      Utf16Bytes(WideAscii("REGEDIT4\r\n" + MERGING_BODY), true), Utf16Bytes(wide, true),
      Utf16Bytes(wide, false), utf8};
}

TEST(IndexRegFile, ValuesReadOnDemandAreTheWholeReadingsInEachForm) {
  // Keys with values still standing: Drivers\X, the root, Lf and the last
  // key, which the second file lacks (Doomed and Child went with their
  // sections, so reading the tree never reads those).
  const size_t keys_with_values[] = {4, 3, 4, 4, 4};
  const std::vector<std::vector<uint8_t>> files = FilesOfEachForm();
  for (size_t f = 0; f < files.size(); ++f) {
    const std::vector<uint8_t>& file = files[f];
    auto whole = ParseBytes(file);
    auto indexed = Index(file);
    ASSERT_TRUE(whole->ok) << whole->error.line << ": " << whole->error.reason;
    ASSERT_TRUE(indexed->ok) << indexed->error.line << ": " << indexed->error.reason;
    EXPECT_EQ(indexed->tree.KeysRead(), 0u);
    EXPECT_EQ(DumpTree(indexed->tree), DumpTree(whole->tree));
    EXPECT_EQ(indexed->form.dialect, whole->form.dialect);
    EXPECT_EQ(indexed->form.encoding, whole->form.encoding);
    EXPECT_EQ(indexed->form.bom, whole->form.bom);
    EXPECT_EQ(indexed->form.line_end, whole->form.line_end);
    EXPECT_EQ(indexed->tree.KeysRead(), keys_with_values[f]);
  }
  // What the merged key reads, spelled out once.
  auto indexed = Index(FilesOfEachForm()[0]);
  RegKeyNode* x = indexed->tree.Find(indexed->tree.Root(HKEY_LOCAL_MACHINE), u"Drivers\\X");
  ASSERT_NE(x, nullptr);
  std::vector<std::u16string> names;
  x->ForEachValue([&names](const RegValueEntry& v) { names.push_back(v.name.ToText()); });
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Dll", u"Bin", u"Path", u"Multi", u""}));
  EXPECT_EQ(x->FindValue(u"dll")->data.ToText(), std::u16string(u"new.dll\0", 8));
  EXPECT_EQ(x->FindValue(u"Bin")->data.ToVector(), (std::vector<uint8_t>{1, 2, 3, 4}));
  RegKeyNode* doomed =
      indexed->tree.Find(indexed->tree.Root(HKEY_LOCAL_MACHINE), u"Drivers\\Doomed");
  ASSERT_NE(doomed, nullptr);
  EXPECT_EQ(doomed->ValueCount(), 0u);
  EXPECT_EQ(doomed->SubkeyCount(), 0u);
}

TEST(IndexRegFile, ReadsOnlyTheKeysAskedFor) {
  auto indexed = Index(NarrowBytes("REGEDIT4\r\n" + MERGING_BODY));
  ASSERT_TRUE(indexed->ok);
  RegTree& tree = indexed->tree;
  RegKeyNode* hklm = tree.Root(HKEY_LOCAL_MACHINE);
  RegKeyNode* x = tree.Find(hklm, u"Drivers\\X");
  RegKeyNode* lf = tree.Find(tree.Root(HKEY_CURRENT_USER), u"Lf");
  ASSERT_NE(x, nullptr);
  ASSERT_NE(lf, nullptr);
  // Finding, counting and walking keys reads no values.
  EXPECT_EQ(hklm->SubkeyCount(), 1u);
  EXPECT_EQ(hklm->Subkey(0)->Subkey(1)->Name().ToText(), u"Doomed");
  EXPECT_EQ(tree.KeysRead(), 0u);
  EXPECT_TRUE(x->ValuesPending());
  // Each way of asking reads that key once, and only that key.
  struct Ask {
    const char* what;
    std::function<void()> ask;
    RegKeyNode* key;
  };
  const Ask asks[] = {
      {"FindValue", [&] { EXPECT_NE(x->FindValue(u"Bin"), nullptr); }, x},
      {"ValueCount again", [&] { EXPECT_EQ(x->ValueCount(), 5u); }, x},
      {"ForEachValue", [&] { lf->ForEachValue([](const RegValueEntry&) {}); }, lf},
      {"ValueCount of the root", [&] { EXPECT_EQ(hklm->ValueCount(), 1u); }, hklm},
  };
  const size_t read_after[] = {1, 1, 2, 3};
  for (size_t i = 0; i < std::size(asks); ++i) {
    asks[i].ask();
    EXPECT_FALSE(asks[i].key->ValuesPending()) << asks[i].what;
    EXPECT_EQ(tree.KeysRead(), read_after[i]) << asks[i].what;
  }
}

TEST(IndexRegFile, ChangingAKeyReadsItsValuesFirst) {
  struct Change {
    const char* what;
    std::function<void(RegTree&, RegKeyNode*)> change;
    const char* values;  // Dll, Bin, Path: present (1) or not (0) afterwards
  };
  const uint8_t dword[4] = {1, 0, 0, 0};
  const Change changes[] = {
      {"SetValue of a new value",
       [&](RegTree& t, RegKeyNode* k) { t.SetValue(k, u"New", REG_DWORD, dword, 4); }, "111"},
      {"SetTextValue of a value the file holds",
       [](RegTree& t, RegKeyNode* k) { t.SetTextValue(k, u"Dll", REG_SZ, u"set"); }, "111"},
      {"DeleteValue", [](RegTree& t, RegKeyNode* k) { EXPECT_TRUE(t.DeleteValue(k, u"bin")); },
       "101"},
      {"SettleValues", [](RegTree& t, RegKeyNode* k) { t.SettleValues(k); }, "111"},
  };
  for (const Change& c : changes) {
    auto indexed = Index(NarrowBytes("REGEDIT4\r\n" + MERGING_BODY));
    RegTree& tree = indexed->tree;
    RegKeyNode* x = tree.Find(tree.Root(HKEY_LOCAL_MACHINE), u"Drivers\\X");
    c.change(tree, x);
    EXPECT_EQ(tree.KeysRead(), 1u) << c.what;
    std::string present;
    for (const char16_t* name : {u"Dll", u"Bin", u"Path"}) {
      present += x->FindValue(name) != nullptr ? '1' : '0';
    }
    EXPECT_EQ(present, c.values) << c.what;
    EXPECT_EQ(tree.KeysRead(), 1u) << c.what;
  }
  // A change made stays: the sections are never read over it.
  auto indexed = Index(NarrowBytes("REGEDIT4\r\n" + MERGING_BODY));
  RegKeyNode* x = indexed->tree.Find(indexed->tree.Root(HKEY_LOCAL_MACHINE), u"Drivers\\X");
  indexed->tree.SetTextValue(x, u"Dll", REG_SZ, u"set");
  EXPECT_EQ(x->FindValue(u"Dll")->data.ToText(), std::u16string(u"set", 3));
  EXPECT_EQ(x->ValueCount(), 5u);
}

// Names of every length up to a few blocks, each key followed by a deeper
// one, a sibling sharing its name's start and the key itself again: the
// names are found and split wherever they end against the blocks searched.
TEST(IndexRegFile, KeysOfEveryNameLengthAreTheWholeReadings) {
  std::string body;
  for (size_t n = 1; n <= 40; ++n) {
    const std::string name = "K" + std::string(n - 1, static_cast<char>('a' + n % 26));
    for (const std::string& path :
         {name, name + "\\Sub", name + "x\\" + name, name, "Other\\" + name + "\\y"}) {
      // A backslash follows each path within a block's reach.
      body += "[HKEY_LOCAL_MACHINE\\" + path + "]\r\n\"v\"=\"\\\\\"\r\n";
    }
  }
  for (const char* tail : {"", "[HKEY_USERS\\Last\\Name]\r\n"}) {
    const std::vector<uint8_t> file = NarrowBytes("REGEDIT4\r\n" + body + tail);
    auto whole = ParseBytes(file);
    auto indexed = Index(file);
    ASSERT_TRUE(whole->ok) << whole->error.line << ": " << whole->error.reason;
    ASSERT_TRUE(indexed->ok);
    EXPECT_EQ(DumpTree(indexed->tree), DumpTree(whole->tree));
  }
}

TEST(IndexRegFile, RefusesWhatAWholeReadingRefuses) {
  for (const BadRegText& c : BAD_REGEDIT4_BODIES) {
    auto indexed = Index(NarrowBytes(std::string("REGEDIT4\n") + c.text));
    EXPECT_FALSE(indexed->ok) << c.text;
    EXPECT_EQ(indexed->error.line, c.line) << c.text;
    EXPECT_EQ(indexed->error.reason, c.reason) << c.text;
  }
}

}  // namespace
