// What RegFileStore::Load serves (keys indexed, values read on demand) and
// what a whole reading (ParseRegFile) gives, both checked against the file's
// content spelled out: key sections whose paths share a prefix, text whose
// characters lie between U+0100 and U+01FF, and deletions that leave a
// section without values or empty a root.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/files/testing/memory_file_system.h"
#include "platform/registry/reg_file_store.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

const std::string FILE_PATH = "dev.reg";

std::string Utf8(std::u16string_view text) {
  std::vector<uint8_t> bytes;
  EncodeText(RegEncoding::Utf8, text, &bytes);
  return std::string(bytes.begin(), bytes.end());
}

// The keys and values below root as text, depth first in file order: a line
// "[PATH]" per key (the root's path empty), then "NAME=TYPE:DATA" per value,
// DATA a text's UTF-16 units (a NUL as "|") for types 1 and 2, else bytes in
// hex. Names keep their exact spelling; every value is read.
std::string Listing(const RegTree& tree, RegKey root) {
  std::string out;
  std::vector<std::pair<RegKeyNode*, std::u16string>> pending = {{tree.Root(root), u""}};
  while (!pending.empty()) {
    auto [node, path] = pending.back();
    pending.pop_back();
    out += "[" + Utf8(path) + "]\n";
    node->ForEachValue([&out](const RegValueEntry& v) {
      out += Utf8(v.name.ToText()) + "=" + std::to_string(v.type) + ":";
      if (v.type == REG_SZ || v.type == REG_EXPAND_SZ) {
        std::u16string text = v.data.ToText();
        for (char16_t& u : text) {
          if (u == 0) u = u'|';
        }
        out += Utf8(text);
      } else {
        static const char HEX[] = "0123456789abcdef";
        for (uint8_t b : v.data.ToVector()) out += {HEX[b >> 4], HEX[b & 15]};
      }
      out += "\n";
    });
    for (size_t i = node->SubkeyCount(); i-- > 0;) {
      RegKeyNode* child = node->Subkey(i);
      pending.push_back({child, (path.empty() ? path : path + u"\\") + child->Name().ToText()});
    }
  }
  return out;
}

// A file in the forms it is checked in: REGEDIT4 (Windows-1252), and when
// wide is set Version 5.00 in UTF-16LE with its mark and in UTF-8 without.
using Forms = std::vector<std::pair<std::string, std::vector<uint8_t>>>;

Forms FormsOf(const std::u16string& body, bool narrow, bool wide) {
  Forms forms;
  if (narrow) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(EncodeText(RegEncoding::CodePage1252, u"REGEDIT4\r\n" + body, &bytes));
    forms.push_back({"REGEDIT4", bytes});
  }
  if (wide) {
    const std::u16string text = u"Windows Registry Editor Version 5.00\r\n" + body;
    forms.push_back({"UTF-16LE", Utf16Bytes(text, true)});
    std::vector<uint8_t> utf8;
    EncodeText(RegEncoding::Utf8, text, &utf8);
    forms.push_back({"UTF-8", utf8});
  }
  return forms;
}

struct Case {
  const char* what;
  std::u16string body;  // the file after its header line
  bool narrow;          // also checked as REGEDIT4
  RegKey root;
  std::string listing;  // Listing of root
};

// Loads each form of c through the store and reads it whole: both give the
// listing, and the store read no values while loading.
void CheckReadings(const Case& c) {
  for (const auto& [form, bytes] : FormsOf(c.body, c.narrow, true)) {
    SCOPED_TRACE(std::string(c.what) + ", " + form);
    MemoryFileSystem fs;
    fs.Files()[FILE_PATH] = bytes;
    RegFileOptions options;
    options.file_system = &fs;
    std::string error;
    std::unique_ptr<RegFileStore> store = RegFileStore::Load(FILE_PATH, &error, options);
    ASSERT_NE(store, nullptr) << error;
    EXPECT_EQ(store->Tree().KeysRead(), 0u);
    EXPECT_EQ(Listing(store->Tree(), c.root), c.listing) << "RegFileStore::Load";

    std::unique_ptr<ParsedRegFile> whole = ParseBytes(bytes);
    ASSERT_TRUE(whole->ok) << whole->error.line << ": " << whole->error.reason;
    EXPECT_EQ(Listing(whole->tree, c.root), c.listing) << "ParseRegFile";
    EXPECT_EQ(DumpTree(store->Tree()), DumpTree(whole->tree));
  }
}

// Consecutive sections of keys whose names share a prefix: the one named
// first at a component boundary is another key, never the same one.
TEST(RegIndexSiblingPaths, KeysSharingAPrefixStayApart) {
  const Case cases[] = {
      {"COM1 then COM10",
       u"[HKEY_LOCAL_MACHINE\\K\\COM1]\r\n\"Dll\"=\"one.dll\"\r\n"
       u"[HKEY_LOCAL_MACHINE\\K\\COM10]\r\n\"Dll\"=\"ten.dll\"\r\n\"Index\"=dword:0000000a\r\n",
       true, HKEY_LOCAL_MACHINE,
       "[]\n[K]\n[K\\COM1]\nDll=1:one.dll|\n[K\\COM10]\nDll=1:ten.dll|\nIndex=4:0a000000\n"},
      {"COM10 then COM1",
       u"[HKEY_LOCAL_MACHINE\\K\\COM10]\r\n\"Dll\"=\"ten.dll\"\r\n"
       u"[HKEY_LOCAL_MACHINE\\K\\COM1]\r\n\"Dll\"=\"one.dll\"\r\n",
       true, HKEY_LOCAL_MACHINE,
       "[]\n[K]\n[K\\COM10]\nDll=1:ten.dll|\n[K\\COM1]\nDll=1:one.dll|\n"},
      {"the prefix inside the path",
       u"[HKEY_LOCAL_MACHINE\\K\\COM1\\Sub]\r\n\"a\"=\"1\"\r\n"
       u"[HKEY_LOCAL_MACHINE\\K\\COM10\\Sub]\r\n\"a\"=\"10\"\r\n"
       u"[HKEY_LOCAL_MACHINE\\K\\COM1]\r\n\"b\"=\"1b\"\r\n",
       true, HKEY_LOCAL_MACHINE,
       "[]\n[K]\n[K\\COM1]\nb=1:1b|\n[K\\COM1\\Sub]\na=1:1|\n[K\\COM10]\n[K\\COM10\\Sub]\na=1:"
       "10|\n"},
      {"a parent then a sibling of it with a longer name",
       u"[HKEY_LOCAL_MACHINE\\Drivers\\Active]\r\n\"x\"=\"1\"\r\n"
       u"[HKEY_LOCAL_MACHINE\\Drivers\\ActiveSet]\r\n\"y\"=\"2\"\r\n"
       u"[HKEY_LOCAL_MACHINE\\Drivers\\Active\\01]\r\n\"z\"=\"3\"\r\n",
       true, HKEY_LOCAL_MACHINE,
       "[]\n[Drivers]\n[Drivers\\Active]\nx=1:1|\n[Drivers\\Active\\01]\nz=1:3|\n"
       "[Drivers\\ActiveSet]\ny=1:2|\n"},
  };
  for (const Case& c : cases) CheckReadings(c);
}

// Text whose every character lies below U+0200 with some at U+0100 or above
// (Polish, Czech, Turkish letters; Windows-1252's Š Œ Ž ƒ) reads back
// exactly in key names, value names and strings, long ones read on demand
// too: it is not one byte a character.
TEST(RegIndexText, CharactersFromU0100ToU01FFReadBackExactly) {
  const std::u16string long_text = std::u16string(REG_DEFERRED_LINE_UNITS, u'x') + u"Łódź";
  const Case cases[] = {
      {"Polish, Czech and Turkish",
       u"[HKEY_LOCAL_MACHINE\\Łódź\\Čeština]\r\n\"Iğdır\"=\"Żółć ěščřžýáíé\"\r\n"
       u"\"şŞıİ\"=hex(2):41,01,00,00\r\n\"bytes\"=hex:41,01,7a,01\r\n",
       false, HKEY_LOCAL_MACHINE,
       "[]\n[Łódź]\n[Łódź\\Čeština]\nIğdır=1:Żółć ěščřžýáíé|\nşŞıİ=2:Ł|\nbytes=3:41017a01\n"},
      {"Windows-1252's letters above U+00FF",
       u"[HKEY_LOCAL_MACHINE\\Škoda\\Œuvre]\r\n\"Žiar\"=\"ƒŠšŽžŒœŸ\"\r\n", true, HKEY_LOCAL_MACHINE,
       "[]\n[Škoda]\n[Škoda\\Œuvre]\nŽiar=1:ƒŠšŽžŒœŸ|\n"},
      {"a long string read on demand",
       u"[HKEY_CURRENT_USER\\Ść]\r\n\"Długi\"=\"" + long_text + u"\"\r\n", false, HKEY_CURRENT_USER,
       "[]\n[Ść]\nDługi=1:" + Utf8(long_text) + "|\n"},
  };
  for (const Case& c : cases) CheckReadings(c);
}

// A section that holds only a value's deletion takes the value away after
// the load as after a whole reading; a root's own values stay when its
// subkeys are deleted.
TEST(RegIndexDeletions, DeletionOnlySectionsTakeTheirValues) {
  const Case cases[] = {
      {"a section holding only a deletion",
       u"[HKEY_LOCAL_MACHINE\\K]\r\n\"a\"=\"1\"\r\n\"b\"=\"2\"\r\n"
       u"[HKEY_LOCAL_MACHINE\\Other]\r\n\"c\"=\"3\"\r\n"
       u"[HKEY_LOCAL_MACHINE\\K]\r\n\"a\"=-\r\n",
       true, HKEY_LOCAL_MACHINE, "[]\n[K]\nb=1:2|\n[Other]\nc=1:3|\n"},
      {"the only value deleted, the key's sections next to each other",
       u"[HKEY_LOCAL_MACHINE\\K]\r\n\"a\"=\"1\"\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"A\"=-\r\n", true,
       HKEY_LOCAL_MACHINE, "[]\n[K]\n"},
      {"a root's own values, then its subkeys deleted",
       u"[HKEY_LOCAL_MACHINE]\r\n@=\"root\"\r\n\"v\"=\"x\"\r\n"
       u"[HKEY_LOCAL_MACHINE\\K]\r\n\"a\"=\"1\"\r\n[HKEY_LOCAL_MACHINE]\r\n\"v\"=-\r\n"
       u"[-HKEY_LOCAL_MACHINE\\K]\r\n",
       true, HKEY_LOCAL_MACHINE, "[]\n=1:root|\n"},
  };
  for (const Case& c : cases) CheckReadings(c);
}

// A file never deletes a root ("[-HKEY_LOCAL_MACHINE]" is refused, see
// bad_reg_files.h); a root emptied through the tree before its values were
// read keeps none: its pending sections go with its values.
TEST(RegIndexDeletions, RootEmptiedBeforeItsValuesAreReadKeepsNone) {
  RegTree tree;
  RegFileForm form;
  RegParseError error;
  ASSERT_TRUE(IndexRegFile(NarrowBytes("REGEDIT4\r\n[HKEY_LOCAL_MACHINE]\r\n@=\"root\"\r\n"
                                       "[HKEY_LOCAL_MACHINE\\K]\r\n\"a\"=\"1\"\r\n"
                                       "[HKEY_LOCAL_MACHINE]\r\n\"v\"=\"x\"\r\n"),
                           &tree, &form, &error))
      << error.reason;
  RegKeyNode* root = tree.Root(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(root->ValuesPending());
  tree.DeleteKey(root);
  EXPECT_EQ(tree.Root(HKEY_LOCAL_MACHINE), root);
  EXPECT_EQ(Listing(tree, HKEY_LOCAL_MACHINE), "[]\n");
  EXPECT_EQ(tree.KeysRead(), 0u) << "nothing was left to read";
}

}  // namespace
