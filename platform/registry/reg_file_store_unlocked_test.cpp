// RegFileStore against a program that saves its file without taking the
// lock (write a temporary, rename it over) while gathered writes are being
// written: during the read under the lock, and between the write of the lock
// and its rename. The save is never lost, and a value it changed is never
// replaced. The file lives in a MemoryFileSystem whose Fsync of the lock and
// whose ReadAll run the other program's save.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/files/testing/memory_file_system.h"
#include "platform/registry/reg_file_store.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

const std::string FILE_PATH = "dev.reg";

std::string Registry(const std::string& dll_a, const std::string& owner = "Ana") {
  return "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Drivers\\A]\r\n\"Dll\"=\"" + dll_a +
         "\"\r\n\r\n[HKEY_LOCAL_MACHINE\\Owner]\r\n\"Name\"=\"" + owner + "\"\r\n";
}

// A MemoryFileSystem where another program saves FILE_PATH, as editors do, at
// the moments a test chooses: after the nth Fsync of a lock, after the nth
// ReadAll of the file.
class SavingFileSystem : public MemoryFileSystem {
 public:
  std::function<void(int)> after_fsync;     // given the count of fsyncs so far
  std::function<void(int)> after_read_all;  // given the count of ReadAll calls

  void Save(const std::string& text) {
    int fd = -1;
    ASSERT_EQ(OpenExclusive(FILE_PATH + ".tmp", 0644, &fd), 0);
    std::vector<uint8_t> bytes = NarrowBytes(text);
    size_t written = 0;
    ASSERT_EQ(Write(fd, bytes.data(), bytes.size(), &written), 0);
    ASSERT_EQ(Close(fd), 0);
    ASSERT_EQ(Rename(FILE_PATH + ".tmp", FILE_PATH), 0);
  }
  int Fsync(int fd) override {
    int error = MemoryFileSystem::Fsync(fd);
    if (after_fsync) after_fsync(++fsyncs_);
    return error;
  }
  int ReadAll(const std::string& path, std::vector<uint8_t>* bytes) override {
    int error = MemoryFileSystem::ReadAll(path, bytes);
    if (after_read_all) after_read_all(++reads_);
    return error;
  }

 private:
  int fsyncs_ = 0;
  int reads_ = 0;
};

class UnlockedWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs.Save(Registry("---btceif.dll"));
    RegFileOptions options;
    options.file_system = &fs;
    std::string error;
    store = RegFileStore::Load(FILE_PATH, &error, options);
    ASSERT_NE(store, nullptr) << error;
    ASSERT_EQ(store->OpenKey(HKEY_LOCAL_MACHINE, u"Drivers\\A", &key), ERROR_SUCCESS);
    uint8_t data[64];
    uint32_t length = sizeof data;
    ASSERT_EQ(store->QueryValue(key, u"Dll", nullptr, data, &length), ERROR_SUCCESS);
  }
  std::string OnDisk() {
    std::vector<uint8_t> bytes = fs.Bytes(FILE_PATH);
    return std::string(bytes.begin(), bytes.end());
  }
  RegStatus Repair() {
    store->GatherWrites();
    std::vector<uint8_t> data = Utf16z(u"BTCEIF.DLL");
    RegStatus staged =
        store->SetValue(key, u"Dll", REG_SZ, data.data(), static_cast<uint32_t>(data.size()));
    RegStatus committed = store->CommitWrites();
    return staged != ERROR_SUCCESS ? staged : committed;
  }

  SavingFileSystem fs;
  std::unique_ptr<RegFileStore> store;
  RegKey key = 0;
};

TEST_F(UnlockedWriterTest, SaveBeforeTheRenameIsPlannedOnOrRefused) {
  struct Case {
    const char* what;
    std::string saved;  // "" for none
    RegStatus status;
    std::string on_disk;
    uint32_t mode = 0;  // given to the file instead of a save: only its change time tells
  };
  const Case cases[] = {
      {"another value", Registry("---btceif.dll", "Berta"), ERROR_SUCCESS,
       Registry("BTCEIF.DLL", "Berta")},
      {"the value repaired", Registry("MYBTDRV.DLL"), ERROR_FILE_INVALID, Registry("MYBTDRV.DLL")},
      {"the mode", "", ERROR_SUCCESS, Registry("BTCEIF.DLL"), 0600},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    bool saved = false;
    fs.after_fsync = [&](int) {
      int fd = -1;
      if (saved) return;
      saved = true;
      if (c.mode == 0) return fs.Save(c.saved);
      ASSERT_EQ(fs.OpenRead(FILE_PATH, &fd), 0);
      fs.SetMode(fd, c.mode);
      fs.Close(fd);
    };
    EXPECT_EQ(Repair(), c.status) << store->LastFailure();
    EXPECT_EQ(OnDisk(), c.on_disk);
    FileStatus status;
    ASSERT_EQ(fs.Stat(FILE_PATH, &status), 0);
    EXPECT_EQ(status.mode, c.mode != 0 ? c.mode : 0644) << "the mode set meanwhile is kept";
    EXPECT_FALSE(fs.Files().count(FILE_PATH + ".lock"));
    if (c.status != ERROR_SUCCESS) {
      EXPECT_NE(store->LastFailure().find("it changed on disk since it was read"),
                std::string::npos)
          << store->LastFailure();
    }
    fs.after_fsync = nullptr;
  }
}

// A program that saves before every rename, or during every read under the
// lock: four rounds or reads, then a refusal that says so; its last save
// stands.
TEST_F(UnlockedWriterTest, FileThatKeepsChangingIsRefusedAfterFourRoundsOrReads) {
  struct Case {
    const char* what;
    bool while_read;
    RegStatus status;
    std::string said;
  };
  const Case cases[] = {
      {"before every rename", false, ERROR_FILE_INVALID,
       "it kept changing (4 times), so nothing was written"},
      {"while it is read", true, ERROR_WRITE_FAULT,
       "dev.reg kept changing while it was read (4 times)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    int saves = 0;
    const auto save = [&](int) {
      fs.Save(Registry("---btceif.dll", "Save" + std::to_string(++saves)));
    };
    (c.while_read ? fs.after_read_all : fs.after_fsync) = save;
    EXPECT_EQ(Repair(), c.status);
    EXPECT_NE(store->LastFailure().find(c.said), std::string::npos) << store->LastFailure();
    EXPECT_EQ(saves, 4);
    EXPECT_EQ(OnDisk(), Registry("---btceif.dll", "Save4"));
    EXPECT_FALSE(fs.Files().count(FILE_PATH + ".lock"));
    fs.after_fsync = fs.after_read_all = nullptr;
  }
}

// A save that lands while the file is read under the lock, after the read:
// what was read is not what stands, so it is read again and both changes
// reach the file.
TEST_F(UnlockedWriterTest, SaveRightAfterTheReadUnderTheLockIsKept) {
  fs.after_read_all = [&](int n) {
    if (n == 1) fs.Save(Registry("---btceif.dll", "Berta"));
  };
  EXPECT_EQ(Repair(), ERROR_SUCCESS) << store->LastFailure();
  EXPECT_EQ(OnDisk(), Registry("BTCEIF.DLL", "Berta"));
}

// Another program's lock refuses the first value of a gathering; it goes
// before the second: that one is refused too, so that the gathering writes
// all of its values or none.
TEST_F(UnlockedWriterTest, LockOfAnotherProgramRefusesTheWholeGathering) {
  fs.Files()[FILE_PATH + ".lock"] = NarrowBytes("another program's");
  store->GatherWrites();
  std::vector<uint8_t> dll = Utf16z(u"BTCEIF.DLL");
  EXPECT_EQ(store->SetValue(key, u"Dll", REG_SZ, dll.data(), static_cast<uint32_t>(dll.size())),
            ERROR_SHARING_VIOLATION);
  fs.Files().erase(FILE_PATH + ".lock");
  RegKey owner = 0;
  ASSERT_EQ(store->OpenKey(HKEY_LOCAL_MACHINE, u"Owner", &owner), ERROR_SUCCESS);
  std::vector<uint8_t> name = Utf16z(u"Berta");
  EXPECT_EQ(
      store->SetValue(owner, u"Name", REG_SZ, name.data(), static_cast<uint32_t>(name.size())),
      ERROR_SHARING_VIOLATION);
  EXPECT_NE(store->LastFailure().find("dev.reg.lock exists"), std::string::npos)
      << store->LastFailure();
  EXPECT_EQ(store->CommitWrites(), ERROR_SUCCESS);
  EXPECT_EQ(OnDisk(), Registry("---btceif.dll"));
  // The next gathering takes the lock anew.
  EXPECT_EQ(Repair(), ERROR_SUCCESS) << store->LastFailure();
  EXPECT_EQ(OnDisk(), Registry("BTCEIF.DLL"));
}

}  // namespace
