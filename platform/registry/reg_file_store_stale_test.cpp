// RegFileStore against other writers of its file: a write never replaces a
// value its caller did not see, and Refresh follows the file as it is now.
// Every file lives in a MemoryFileSystem, changed between the store's calls
// as another program would change it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/files/testing/memory_file_system.h"
#include "platform/registry/reg_file_store.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

const std::string FILE_PATH = "dev.reg";

// Two driver keys, A (faulty Dll) and B, and an unrelated key.
std::string Registry(const std::string& dll_a, const std::string& dll_b = "BTCEIF.DLL",
                     const std::string& owner = "Ana") {
  return "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Drivers\\A]\r\n\"Dll\"=\"" + dll_a +
         "\"\r\n\r\n[HKEY_LOCAL_MACHINE\\Drivers\\B]\r\n\"Dll\"=\"" + dll_b +
         "\"\r\n\r\n[HKEY_LOCAL_MACHINE\\Owner]\r\n\"Name\"=\"" + owner + "\"\r\n";
}

class StaleWriteTest : public ::testing::Test {
 protected:
  void SetUp() override { Put(Registry("---btceif.dll")); }

  void Put(const std::string& text) { fs.Files()[FILE_PATH] = NarrowBytes(text); }
  std::string OnDisk() {
    std::vector<uint8_t> bytes = fs.Bytes(FILE_PATH);
    return std::string(bytes.begin(), bytes.end());
  }

  std::unique_ptr<RegFileStore> LoadStore() {
    RegFileOptions options;
    options.file_system = &fs;
    options.missing_file_is_empty = true;
    std::string error;
    std::unique_ptr<RegFileStore> loaded = RegFileStore::Load(FILE_PATH, &error, options);
    EXPECT_NE(loaded, nullptr) << error;
    return loaded;
  }

  RegKey Open(const char16_t* path) {
    RegKey key = 0;
    EXPECT_EQ(store->OpenKey(HKEY_LOCAL_MACHINE, path, &key), ERROR_SUCCESS);
    return key;
  }

  // The text of value name of key, as the store serves it; "<none>" when missing.
  std::string Read(RegKey key, const char16_t* name = u"Dll") {
    uint8_t data[200];
    uint32_t length = sizeof data;
    if (store->QueryValue(key, name, nullptr, data, &length) != ERROR_SUCCESS) return "<none>";
    std::string text;
    for (uint32_t i = 0; i + 1 < length && data[i] != 0; i += 2) text += static_cast<char>(data[i]);
    return text;
  }

  RegStatus Write(RegKey key, const std::u16string& text, const char16_t* name = u"Dll") {
    std::vector<uint8_t> data = Utf16z(text);
    return store->SetValue(key, name, REG_SZ, data.data(), static_cast<uint32_t>(data.size()));
  }

  MemoryFileSystem fs;
  std::unique_ptr<RegFileStore> store;
};

// The window's and the tool's road: read the Dll, decide, write it; someone
// else changed it on disk in between.
TEST_F(StaleWriteTest, ChangedValueIsNeverReplaced) {
  struct Case {
    const char* what;
    std::string outside;  // the file as the other program leaves it
  };
  const Case cases[] = {
      {"changed to a healthy name", Registry("mybtdrv.dll")},
      {"changed only in letter case", Registry("---BTCEIF.DLL")},
      {"removed", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Drivers\\A]\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Put(Registry("---btceif.dll"));
    store = LoadStore();
    RegKey a = Open(u"Drivers\\A");
    ASSERT_EQ(Read(a), "---btceif.dll");
    Put(c.outside);
    EXPECT_EQ(Write(a, u"BTCEIF.DLL"), ERROR_FILE_INVALID);
    EXPECT_NE(store->LastFailure().find("dev.reg: cannot store value \"Dll\" in "
                                        "HKEY_LOCAL_MACHINE\\Drivers\\A: it changed on disk "
                                        "since it was read"),
              std::string::npos)
        << store->LastFailure();
    EXPECT_EQ(OnDisk(), c.outside);
    EXPECT_FALSE(fs.Files().count(FILE_PATH + ".lock"));
    store->CloseKey(a);
  }
}

TEST_F(StaleWriteTest, ValueAddedOutsideAfterItWasSeenMissingIsKept) {
  store = LoadStore();
  RegKey a = Open(u"Drivers\\A");
  ASSERT_EQ(Read(a, u"Prefix"), "<none>");
  const std::string outside =
      Registry("---btceif.dll") + "\r\n[HKEY_LOCAL_MACHINE\\Drivers\\A]\r\n\"Prefix\"=\"GPS\"\r\n";
  Put(outside);
  EXPECT_EQ(Write(a, u"COM", u"Prefix"), ERROR_FILE_INVALID);
  EXPECT_EQ(OnDisk(), outside);
}

// An edit elsewhere in the file lets the repair through, and both stand.
TEST_F(StaleWriteTest, UnrelatedChangeLetsTheWriteThrough) {
  store = LoadStore();
  RegKey a = Open(u"Drivers\\A");
  ASSERT_EQ(Read(a), "---btceif.dll");
  Put(Registry("---btceif.dll", "BTCEIF.DLL", "Berta"));
  EXPECT_EQ(Write(a, u"BTCEIF.DLL"), ERROR_SUCCESS) << store->LastFailure();
  EXPECT_EQ(OnDisk(), Registry("BTCEIF.DLL", "BTCEIF.DLL", "Berta"));
}

// Reading the value again shows the new one and makes a write of it legal.
TEST_F(StaleWriteTest, WriteAfterReadingAgainSucceeds) {
  store = LoadStore();
  RegKey a = Open(u"Drivers\\A");
  ASSERT_EQ(Read(a), "---btceif.dll");
  Put(Registry("QVBTDEV.DLL"));
  ASSERT_EQ(Write(a, u"BTCEIF.DLL"), ERROR_FILE_INVALID);
  EXPECT_EQ(Read(a), "QVBTDEV.DLL");
  EXPECT_EQ(Write(a, u"BTCEIF.DLL"), ERROR_SUCCESS) << store->LastFailure();
  EXPECT_EQ(OnDisk(), Registry("BTCEIF.DLL"));
  // What the store wrote counts as seen: a second write needs no read.
  EXPECT_EQ(Write(a, u"SERIAL.DLL"), ERROR_SUCCESS) << store->LastFailure();
}

// The file changed while the store was writing another value: the re-read
// brought B's new value into memory, but the caller last saw the old one.
TEST_F(StaleWriteTest, ValueTakenInByAnEarlierWriteWasNotSeen) {
  store = LoadStore();
  RegKey a = Open(u"Drivers\\A");
  RegKey b = Open(u"Drivers\\B");
  ASSERT_EQ(Read(a), "---btceif.dll");
  ASSERT_EQ(Read(b), "BTCEIF.DLL");
  Put(Registry("---btceif.dll", "mybtdrv.dll"));
  ASSERT_EQ(Write(a, u"BTCEIF.DLL"), ERROR_SUCCESS) << store->LastFailure();
  EXPECT_EQ(Write(b, u"QVBTDEV.DLL"), ERROR_FILE_INVALID);
  EXPECT_EQ(OnDisk(), Registry("BTCEIF.DLL", "mybtdrv.dll"));
}

TEST_F(StaleWriteTest, RefreshFollowsTheFile) {
  store = LoadStore();
  RegKey a = Open(u"Drivers\\A");
  EXPECT_EQ(store->Refresh(), ERROR_SUCCESS);
  EXPECT_EQ(Read(a), "---btceif.dll");
  Put(Registry("QVBTDEV.DLL"));
  EXPECT_EQ(store->Refresh(), ERROR_SUCCESS) << store->LastFailure();
  EXPECT_EQ(Read(a), "QVBTDEV.DLL");
  EXPECT_EQ(Write(a, u"BTCEIF.DLL"), ERROR_SUCCESS) << store->LastFailure();
  EXPECT_EQ(store->Refresh(), ERROR_SUCCESS);
  EXPECT_EQ(Read(a), "BTCEIF.DLL");
  EXPECT_EQ(fs.OpenCount(), 0u);
}

// A file that was read and is gone or unreadable now is never an empty
// registry: Refresh fails and the tree stays as it was.
TEST_F(StaleWriteTest, RefreshRefusesAVanishedOrBrokenFile) {
  store = LoadStore();
  RegKey a = Open(u"Drivers\\A");
  fs.Files().erase(FILE_PATH);
  EXPECT_EQ(store->Refresh(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(store->LastFailure(), "dev.reg: cannot read: No such file or directory");
  EXPECT_EQ(Read(a), "---btceif.dll");
  Put("REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Drivers\\A\r\n");
  EXPECT_EQ(store->Refresh(), ERROR_BADDB);
  EXPECT_EQ(store->LastFailure().rfind("dev.reg:2: ", 0), 0u) << store->LastFailure();
  EXPECT_EQ(Read(a), "---btceif.dll");
}

TEST_F(StaleWriteTest, RefreshOfAFileMissingFromTheStart) {
  fs.Files().erase(FILE_PATH);
  store = LoadStore();
  EXPECT_EQ(store->Refresh(), ERROR_SUCCESS);
  EXPECT_FALSE(store->FileExists());
  Put(Registry("QVBTDEV.DLL"));
  EXPECT_EQ(store->Refresh(), ERROR_SUCCESS) << store->LastFailure();
  EXPECT_TRUE(store->FileExists());
  EXPECT_EQ(Read(Open(u"Drivers\\A")), "QVBTDEV.DLL");
}

TEST(ServedValues, MatchesNamesWithoutCase) {
  ServedValues served;
  SeenValue value{true, REG_SZ, {'x', 0}};
  served.Record(HKEY_LOCAL_MACHINE, u"Drivers\\Bt", u"Dll", value);
  ASSERT_NE(served.Find(HKEY_LOCAL_MACHINE, u"DRIVERS\\bt", u"dLL"), nullptr);
  EXPECT_EQ(*served.Find(HKEY_LOCAL_MACHINE, u"DRIVERS\\bt", u"dLL"), value);
  EXPECT_EQ(served.Find(HKEY_CURRENT_USER, u"Drivers\\Bt", u"Dll"), nullptr);
  EXPECT_EQ(served.Find(HKEY_LOCAL_MACHINE, u"Drivers", u"Bt\\Dll"), nullptr);
  served.Record(HKEY_LOCAL_MACHINE, u"drivers\\BT", u"DLL", SeenValue{});
  EXPECT_EQ(served.Count(), 1u);
  EXPECT_FALSE(served.Find(HKEY_LOCAL_MACHINE, u"Drivers\\Bt", u"Dll")->present);
}

}  // namespace

namespace {

// Another fixer got there first with the very same value: nothing is
// replaced, so the write succeeds without touching the file.
TEST_F(StaleWriteTest, ValueAlreadySetElsewhereToTheSameIsASuccess) {
  store = LoadStore();
  RegKey a = Open(u"Drivers\\A");
  ASSERT_EQ(Read(a), "---btceif.dll");
  const std::string outside = Registry("BTCEIF.DLL", "BTCEIF.DLL", "Berta");
  Put(outside);
  EXPECT_EQ(Write(a, u"BTCEIF.DLL"), ERROR_SUCCESS) << store->LastFailure();
  EXPECT_EQ(OnDisk(), outside);
  EXPECT_EQ(Read(a), "BTCEIF.DLL");
}

}  // namespace
