#include "platform/registry/reg_value_edits.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/registry/reg_value_locator.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

// A value to write, its texts owned.
struct Write {
  std::u16string key;
  std::u16string name;
  uint32_t type;
  std::vector<uint8_t> data;
};

std::vector<RegValueWrite> Views(const std::vector<Write>& writes) {
  std::vector<RegValueWrite> views;
  for (const Write& w : writes) {
    views.push_back({HKEY_LOCAL_MACHINE, w.key, w.name, w.type, w.data.data(), w.data.size()});
  }
  return views;
}

// The values stored one at a time, each located and planned on the file the
// one before left: what storing them separately gives.
std::vector<uint8_t> OneByOne(std::vector<uint8_t> file, const std::vector<Write>& writes) {
  for (const RegValueWrite& value : Views(writes)) {
    RegValueLocation where;
    RegParseError error;
    EXPECT_TRUE(LocateRegValue(file.data(), file.size(), value.root, value.key_path, value.name,
                               &where, &error));
    RegSplice splice;
    std::string reason;
    EXPECT_EQ(PlanValueEdit(file, where, value, &splice, &reason), ERROR_SUCCESS) << reason;
    file = ApplySplices(file, {splice});
  }
  return file;
}

const std::string FILE_TEXT =
    "REGEDIT4\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Drivers\\A]\r\n\"Dll\"=\"QVBTDEV.DLL\"\r\n\"Order\"=dword:"
    "00000001\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Drivers\\B]\r\n\"Dll\"=\"---BTCEIF.DLL\" ; comment\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Drivers\\C]\r\n\"Bin\"=hex:01,02,\\\r\n  03\r\n";

// Whatever the writes, storing them together gives the bytes storing them
// one by one gives, and the undo gives the file back.
TEST(EditRegValues, SameBytesAsOneByOne) {
  const std::vector<uint8_t> fixed = Utf16z(u"BTCEIF.DLL");
  const std::vector<uint8_t> two = {2, 0, 0, 0};
  struct Case {
    const char* what;
    std::string file;
    std::vector<Write> writes;
  };
  const Case cases[] = {
      {"values of two keys",
       FILE_TEXT,
       {{u"Drivers\\A", u"Dll", REG_SZ, fixed}, {u"Drivers\\B", u"DLL", REG_SZ, fixed}}},
      {"a value changed and a value unchanged",
       FILE_TEXT,
       {{u"Drivers\\A", u"Order", REG_DWORD, {1, 0, 0, 0}},
        {u"Drivers\\B", u"Dll", REG_SZ, fixed}}},
      {"two new values of one key, one place",
       FILE_TEXT,
       {{u"Drivers\\A", u"New1", REG_DWORD, two}, {u"Drivers\\A", u"New2", REG_SZ, fixed}}},
      {"two new values of a new key",
       FILE_TEXT,
       {{u"Drivers\\D", u"X", REG_DWORD, two}, {u"Drivers\\D", u"Y", REG_DWORD, two}}},
      {"the same value twice: the last counts",
       FILE_TEXT,
       {{u"Drivers\\A", u"Dll", REG_SZ, Utf16z(u"first.dll")},
        {u"drivers\\a", u"dll", REG_SZ, fixed}}},
      {"a new key after a continuation left open at the end",
       "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Drivers\\C]\n\"Bin\"=hex:01,\\\n",
       {{u"Drivers\\C", u"Bin", REG_BINARY, {9}}, {u"Drivers\\E", u"X", REG_DWORD, two}}},
      {"wrapped hex replaced beside a string",
       FILE_TEXT,
       {{u"Drivers\\C", u"Bin", REG_BINARY, std::vector<uint8_t>(40, 0xAB)},
        {u"Drivers\\A", u"Dll", REG_SZ, fixed}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<uint8_t> original = NarrowBytes(c.file);
    std::vector<uint8_t> file = original;
    RegFileForm form;
    RegEditUndo undo;
    RegEditFailure failure;
    ASSERT_EQ(EditRegValues(&file, Views(c.writes), &form, &undo, &failure), ERROR_SUCCESS)
        << failure.reason;
    const std::vector<uint8_t> expected = OneByOne(original, c.writes);
    EXPECT_EQ(std::string(file.begin(), file.end()), std::string(expected.begin(), expected.end()));
    EXPECT_EQ(undo.Restore(file), original);
  }
}

// A value the file cannot hold, or a file the reader refuses: nothing
// changes, and the failure names the value concerned.
TEST(EditRegValues, RefusalLeavesTheFileAndNamesTheValue) {
  const std::vector<uint8_t> original = NarrowBytes(FILE_TEXT);
  const std::vector<uint8_t> fixed = Utf16z(u"BTCEIF.DLL");
  std::vector<uint8_t> file = original;
  RegFileForm form;
  RegEditUndo undo;
  RegEditFailure failure;
  const std::vector<Write> writes = {{u"Drivers\\A", u"Dll", REG_SZ, fixed},
                                     {u"Drivers\\B", u"Dll", REG_SZ, Utf16z(u"\u4e2d.dll")}};
  EXPECT_EQ(EditRegValues(&file, Views(writes), &form, &undo, &failure), ERROR_NOT_SUPPORTED);
  EXPECT_EQ(failure.value, 1u);
  EXPECT_FALSE(failure.refused);
  EXPECT_NE(failure.reason.find("Windows-1252"), std::string::npos) << failure.reason;
  EXPECT_EQ(file, original);

  std::vector<uint8_t> broken = NarrowBytes("REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\nnonsense\r\n");
  const std::vector<uint8_t> broken_before = broken;
  EXPECT_EQ(EditRegValues(&broken, Views({{u"A", u"v", REG_DWORD, {1, 0, 0, 0}}}), &form, &undo,
                          &failure),
            ERROR_BADDB);
  EXPECT_TRUE(failure.refused);
  EXPECT_EQ(failure.parse.line, 3u);
  EXPECT_EQ(broken, broken_before);
}

}  // namespace
