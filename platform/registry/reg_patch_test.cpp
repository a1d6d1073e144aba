#include "platform/registry/reg_patch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/registry/reg_tree_reader.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

std::unique_ptr<RegFileStore> LoadText(const TempDir& dir, const std::vector<uint8_t>& bytes) {
  WriteBytes(dir.File("dev.reg"), bytes);
  std::string error;
  std::unique_ptr<RegFileStore> store = RegFileStore::Load(dir.File("dev.reg"), &error);
  EXPECT_NE(store, nullptr) << error;
  return store;
}

const std::string SOURCE =
    "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\BtSerial]\r\n\"DLL\"=\"---btceif."
    "dll\"\r\n";

TEST(BuildRegPatch, HoldsOnlyTheEditsInTheSourceForm) {
  TempDir dir;
  std::unique_ptr<RegFileStore> store = LoadText(dir, NarrowBytes(SOURCE));
  std::vector<uint8_t> bytes;
  std::string failure;
  const std::vector<RegStringEdit> edits = {
      {HKEY_LOCAL_MACHINE, u"drivers\\builtin\\btserial", u"Dll", u"QVBTDEV.DLL"},
      {HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\New", u"Dll", u"a\\b \"c\""},
      {HKEY_LOCAL_MACHINE, u"DRIVERS\\BUILTIN\\BTSERIAL", u"dll", u"BTCEIF.DLL"},
      {HKEY_CURRENT_USER, u"", u"", u"\u00e9"},
  };
  ASSERT_EQ(BuildRegPatch(*store, edits, &bytes, &failure), ERROR_SUCCESS) << failure;
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
            "REGEDIT4\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\BtSerial]\r\n\"DLL\"=\"BTCEIF.DLL\"\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\New]\r\n\"Dll\"=\"a\\\\b \\\"c\\\"\"\r\n\r\n"
            "[HKEY_CURRENT_USER]\r\n@=\"\xE9\"\r\n\r\n");
  // The patch is itself a registry file holding exactly those values.
  RegTree tree;
  RegFileForm form;
  RegParseError error;
  ASSERT_TRUE(ParseRegFile(bytes.data(), bytes.size(), &tree, &form, &error)) << error.reason;
  EXPECT_EQ(tree.Find(tree.Root(HKEY_LOCAL_MACHINE), u"Drivers\\BuiltIn\\New")
                ->FindValue(u"Dll")
                ->data.ToText(),
            std::u16string(u"a\\b \"c\"\0", 8));
}

TEST(BuildRegPatch, Utf16SourceGivesUtf16PatchWithMark) {
  TempDir dir;
  std::vector<uint8_t> source = {0xFF, 0xFE};
  EncodeText(RegEncoding::Utf16Le,
             u"Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\K]\n", &source);
  std::unique_ptr<RegFileStore> store = LoadText(dir, source);
  std::vector<uint8_t> bytes;
  std::string failure;
  ASSERT_EQ(BuildRegPatch(*store, {{HKEY_LOCAL_MACHINE, u"k", u"V", u"\u4e2d"}}, &bytes, &failure),
            ERROR_SUCCESS);
  std::vector<uint8_t> expected = {0xFF, 0xFE};
  EncodeText(
      RegEncoding::Utf16Le,
      u"Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\K]\n\"V\"=\"\u4e2d\"\n\n",
      &expected);
  EXPECT_EQ(bytes, expected);
  ASSERT_EQ(SaveFileSafely(RealFileSystem(), dir.File("patch.reg"), bytes, &failure), 0);
  EXPECT_EQ(ReadBytes(dir.File("patch.reg")), expected);
}

// A path the store opens, one trailing backslash and all, names the same key
// in the patch, spelled as the store spells it.
TEST(BuildRegPatch, TrailingBackslashNamesTheKeyTheStoreOpens) {
  TempDir dir;
  std::unique_ptr<RegFileStore> store = LoadText(dir, NarrowBytes(SOURCE));
  RegKey opened = 0;
  ASSERT_EQ(store->OpenKey(HKEY_LOCAL_MACHINE, u"drivers\\builtin\\btserial\\", &opened),
            ERROR_SUCCESS);
  store->CloseKey(opened);
  std::vector<uint8_t> bytes;
  std::string failure;
  const std::vector<RegStringEdit> edits = {
      {HKEY_LOCAL_MACHINE, u"drivers\\builtin\\btserial\\", u"Dll", u"BTCEIF.DLL"},
      {HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\BtSerial", u"Index", u"1"},
      {HKEY_LOCAL_MACHINE, u"New\\", u"v", u"x"},
  };
  ASSERT_EQ(BuildRegPatch(*store, edits, &bytes, &failure), ERROR_SUCCESS) << failure;
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
            "REGEDIT4\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\BtSerial]\r\n\"DLL\"=\"BTCEIF."
            "DLL\"\r\n\"Index\"=\"1\"\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\New]\r\n\"v\"=\"x\"\r\n\r\n");
}

TEST(BuildRegPatch, RefusesBadKeysAndTextsTheFormCannotHold) {
  TempDir dir;
  std::unique_ptr<RegFileStore> store = LoadText(dir, NarrowBytes(SOURCE));
  struct Case {
    RegStringEdit edit;
    RegStatus status;
    const char* failure;
  };
  const Case cases[] = {
      {{0x1234, u"K", u"v", u"x"},
       ERROR_INVALID_PARAMETER,
       "key \"K\": not a key path under a predefined root"},
      {{HKEY_LOCAL_MACHINE, u"A\\\\B", u"v", u"x"},
       ERROR_INVALID_PARAMETER,
       "key \"A\\\\B\": not a key path under a predefined root"},
      {{HKEY_LOCAL_MACHINE, u"A\\\\", u"v", u"x"},
       ERROR_INVALID_PARAMETER,
       "key \"A\\\\\": not a key path under a predefined root"},
      {{HKEY_LOCAL_MACHINE, u"\\A", u"v", u"x"},
       ERROR_INVALID_PARAMETER,
       "key \"\\A\": not a key path under a predefined root"},
      {{HKEY_LOCAL_MACHINE, u"A\nB", u"v", u"x"},
       ERROR_INVALID_PARAMETER,
       "key \"A\nB\": not a key path under a predefined root"},
      {{HKEY_LOCAL_MACHINE, u"A", u"v", std::u16string(u"x\0y", 3)},
       ERROR_NOT_SUPPORTED,
       "value \"v\" of A: a string value must be UTF-16 text with one terminating NUL and no "
       "other"},
      {{HKEY_LOCAL_MACHINE, u"A", u"v", u"\u4e2d"},
       ERROR_NOT_SUPPORTED,
       "value \"v\" of A: the text holds characters that Windows-1252 lacks"},
      {{HKEY_LOCAL_MACHINE, u"\u4e2d", u"v", u"x"},
       ERROR_NOT_SUPPORTED,
       "key \xE4\xB8\xAD: the text holds characters that Windows-1252 lacks"},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes;
    std::string failure;
    EXPECT_EQ(BuildRegPatch(*store, {c.edit}, &bytes, &failure), c.status) << c.failure;
    EXPECT_EQ(failure, c.failure);
  }
}

}  // namespace
