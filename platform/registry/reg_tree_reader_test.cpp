#include "platform/registry/reg_tree_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <random>
#include <string>
#include <vector>

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

// The tree as text: keys depth first, each with its values.
std::string Dump(const RegTree& tree) {
  std::string out;
  std::vector<std::pair<RegKeyNode*, std::string>> pending;
  for (RegKey root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
                      HKEY_CURRENT_CONFIG}) {
    pending.emplace_back(tree.Root(root), MessageText(RegTree::RootName(root)));
  }
  std::reverse(pending.begin(), pending.end());
  while (!pending.empty()) {
    auto [node, path] = pending.back();
    pending.pop_back();
    out += "[" + path + "]\n";
    node->ForEachValue([&out](const RegValueEntry& v) {
      out += MessageText(v.name.ToText()) + "=" + std::to_string(v.type) + ":";
      for (uint8_t b : v.data.ToVector()) out += std::to_string(b) + ",";
      out += "\n";
    });
    for (size_t i = node->SubkeyCount(); i-- > 0;) {
      pending.emplace_back(node->Subkey(i),
                           path + "\\" + MessageText(node->Subkey(i)->Name().ToText()));
    }
  }
  return out;
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
      EXPECT_EQ(Dump(tree), Dump(whole->tree)) << "step " << step;
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
