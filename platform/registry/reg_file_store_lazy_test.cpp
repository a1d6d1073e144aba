// RegFileStore reads a key's values only when they are asked for: what it
// serves is the file's content before and after another program edits the
// file, keys nobody asks about are never read, and the whole file is read
// whatever size its status gave.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/files/testing/memory_file_system.h"
#include "platform/registry/reg_file_store.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

const std::string FILE_PATH = "dev.reg";

// Three keys with one string each; B's is wrapped over two sections.
std::string Registry(const std::string& a, const std::string& b) {
  return "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=\"" + a +
         "\"\r\n[HKEY_LOCAL_MACHINE\\B]\r\n\"w\"=\"old\"\r\n[HKEY_LOCAL_MACHINE\\C]\r\n"
         "\"z\"=\"1\"\r\n[HKEY_LOCAL_MACHINE\\B]\r\n\"w\"=\"" +
         b + "\"\r\n";
}

class LazyStoreTest : public ::testing::Test {
 protected:
  void Put(const std::string& text) { fs.Files()[FILE_PATH] = NarrowBytes(text); }

  void Load() {
    RegFileOptions options;
    options.file_system = &fs;
    std::string error;
    store = RegFileStore::Load(FILE_PATH, &error, options);
    ASSERT_NE(store, nullptr) << error;
  }

  RegKey Open(const char16_t* path) {
    RegKey key = 0;
    EXPECT_EQ(store->OpenKey(HKEY_LOCAL_MACHINE, path, &key), ERROR_SUCCESS);
    return key;
  }

  // The text of the value, as the store serves it; "<none>" when missing.
  std::string Read(const char16_t* path, const char16_t* name) {
    RegKey key = Open(path);
    uint8_t data[100];
    uint32_t length = sizeof data;
    RegStatus status = store->QueryValue(key, name, nullptr, data, &length);
    store->CloseKey(key);
    if (status != ERROR_SUCCESS) return "<none>";
    std::string text;
    for (uint32_t i = 0; i + 1 < length && data[i] != 0; i += 2) text += static_cast<char>(data[i]);
    return text;
  }

  RegStatus Write(const char16_t* path, const char16_t* name, const std::u16string& text) {
    RegKey key = Open(path);
    std::vector<uint8_t> data = Utf16z(text);
    RegStatus status = store->SetValue(key, name, REG_SZ, data.data(), data.size());
    store->CloseKey(key);
    return status;
  }

  MemoryFileSystem fs;
  std::unique_ptr<RegFileStore> store;
};

TEST_F(LazyStoreTest, KeysAreReadWhenAskedForBeforeAndAfterAnOutsideEdit) {
  struct Reload {
    const char* how;
    std::function<RegStatus()> reload;
  };
  const Reload reloads[] = {
      {"Refresh", [this] { return store->Refresh(); }},
      // A write reads the edited file again under its lock.
      {"a write to another key", [this] { return Write(u"C", u"z", u"3"); }},
  };
  for (const Reload& r : reloads) {
    Put(Registry("1", "1"));
    Load();
    EXPECT_EQ(Read(u"A", u"v"), "1") << r.how;
    EXPECT_EQ(store->Tree().KeysRead(), 1u) << r.how;
    Put(Registry("2", "2"));
    ASSERT_EQ(r.reload(), ERROR_SUCCESS) << r.how << ": " << store->LastFailure();
    // A's value was served as "1" and is "2" now: it is not replaced until
    // it has been read again.
    EXPECT_EQ(Write(u"A", u"v", u"4"), ERROR_FILE_INVALID) << r.how;
    EXPECT_EQ(Read(u"A", u"v"), "2") << r.how;
    EXPECT_EQ(Write(u"A", u"v", u"4"), ERROR_SUCCESS) << r.how << ": " << store->LastFailure();
    // B was never asked for before: it is read from the edited file, its two
    // sections merged.
    EXPECT_EQ(Read(u"B", u"w"), "2") << r.how;
    EXPECT_EQ(Write(u"B", u"w", u"5"), ERROR_SUCCESS) << r.how << ": " << store->LastFailure();
    EXPECT_EQ(Read(u"B", u"w"), "5") << r.how;
  }
}

TEST_F(LazyStoreTest, KeysNobodyAsksAboutAreNeverRead) {
  Put(Registry("1", "1"));
  Load();
  // Opening, enumerating and querying a missing key's values read nothing.
  RegKey a = Open(u"A");
  char16_t name[8];
  uint32_t length = 8;
  EXPECT_EQ(store->EnumSubkey(HKEY_LOCAL_MACHINE, 2, name, &length), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(name), u"C");
  EXPECT_EQ(store->Tree().KeysRead(), 0u);
  // Asking for a value reads its key, once, and only it.
  uint32_t size = 0;
  EXPECT_EQ(store->QueryValue(a, u"v", nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(store->QueryValue(a, u"missing", nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(store->Tree().KeysRead(), 1u);
  store->CloseKey(a);
  // A write reads the key it writes to; a reload reads in the new file only
  // the keys holding values served (C's value, stored), not those merely
  // measured (A's).
  EXPECT_EQ(Write(u"C", u"z", u"2"), ERROR_SUCCESS) << store->LastFailure();
  EXPECT_EQ(store->Tree().KeysRead(), 2u);
  Put(Registry("1", "3"));
  EXPECT_EQ(store->Refresh(), ERROR_SUCCESS);
  EXPECT_EQ(store->Tree().KeysRead(), 1u);
  EXPECT_TRUE(store->Tree().Root(HKEY_LOCAL_MACHINE)->Subkey(0)->ValuesPending());
}

// A string on a long line is read only when that value is asked for, not with
// its key: in each encoding, the other values of the key come without it, it
// reads as a whole reading gives it, and a repair beside it leaves its bytes.
TEST_F(LazyStoreTest, LongStringIsReadOnlyWhenAskedFor) {
  std::u16string big;
  for (size_t i = 0; big.size() < REG_DEFERRED_LINE_UNITS + 10; ++i) {
    big += i % 1000 == 0 ? u"\u00e9\"\\" : u"x";
  }
  std::u16string line = u"\"Big\"=\"";
  for (char16_t u : big)
    line += u == u'"' || u == u'\\' ? std::u16string{u'\\', u} : std::u16string{u};
  const std::u16string text =
      u"[HKEY_LOCAL_MACHINE\\K]\r\n" + line + u"\"\r\n\"Dll\"=\"QVBTDEV.DLL\"\r\n";
  struct Form {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  std::vector<uint8_t> narrow;
  for (char16_t u : u"REGEDIT4\r\n" + text) narrow.push_back(static_cast<uint8_t>(u));
  std::vector<uint8_t> utf8;
  EncodeText(RegEncoding::Utf8, u"Windows Registry Editor Version 5.00\r\n" + text, &utf8);
  const Form forms[] = {
      {"REGEDIT4", narrow},
      {"UTF-16", Utf16Bytes(u"Windows Registry Editor Version 5.00\r\n" + text, true)},
      {"UTF-8", utf8},
  };
  for (const Form& form : forms) {
    SCOPED_TRACE(form.what);
    fs.Files()[FILE_PATH] = form.bytes;
    Load();
    EXPECT_EQ(Read(u"K", u"Dll"), "QVBTDEV.DLL");
    EXPECT_EQ(store->Tree().TextsRead(), 0u);
    ASSERT_EQ(Write(u"K", u"Dll", u"BTCEIF.DLL"), ERROR_SUCCESS) << store->LastFailure();
    EXPECT_EQ(store->Tree().TextsRead(), 0u) << "a repair beside it does not read it";

    RegKey key = Open(u"K");
    std::vector<uint8_t> data(2 * big.size() + 2);
    uint32_t length = static_cast<uint32_t>(data.size());
    uint32_t type = 0;
    ASSERT_EQ(store->QueryValue(key, u"Big", &type, data.data(), &length), ERROR_SUCCESS);
    store->CloseKey(key);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(store->Tree().TextsRead(), 1u);
    EXPECT_EQ(std::vector<uint8_t>(data.begin(), data.begin() + length), Utf16z(big));
    std::unique_ptr<ParsedRegFile> whole = ParseBytes(fs.Bytes(FILE_PATH));
    ASSERT_TRUE(whole->ok);
    EXPECT_EQ(DumpTree(whole->tree), DumpTree(store->Tree())) << "the file holds both values";
  }
}

// A file system whose status gives a file's size off by delta bytes, as a
// file another program grows or truncates between the status and the read.
class MisreportingFileSystem : public MemoryFileSystem {
 public:
  explicit MisreportingFileSystem(long delta) : delta_(delta) {}
  int Fstat(int fd, FileStatus* status) override {
    int error = MemoryFileSystem::Fstat(fd, status);
    status->size = static_cast<uint64_t>(static_cast<long>(status->size) + delta_);
    return error;
  }

 private:
  long delta_;
};

TEST(LazyStoreLoad, ReadsTheWholeFileWhateverSizeItsStatusGave) {
  std::string text = Registry("1", "1");
  std::string big(9000, 'x');
  text += "[HKEY_LOCAL_MACHINE\\D]\r\n\"long\"=\"" + big + "\"\r\n";
  for (long delta : {-5000L, -1L, 0L, 1L, 3000L}) {
    MisreportingFileSystem fs(delta);
    fs.Files()[FILE_PATH] = NarrowBytes(text);
    RegFileOptions options;
    options.file_system = &fs;
    std::string error;
    std::unique_ptr<RegFileStore> store = RegFileStore::Load(FILE_PATH, &error, options);
    ASSERT_NE(store, nullptr) << delta << ": " << error;
    auto whole = ParseText(text);
    EXPECT_EQ(DumpTree(store->Tree()), DumpTree(whole->tree)) << delta;
    // The hash covers every byte: the file as it is needs no reload.
    EXPECT_EQ(store->Refresh(), ERROR_SUCCESS);
    EXPECT_EQ(store->Tree().KeysRead(), 4u) << delta;
  }
}

}  // namespace
