// RegFileStore gathering writes into one rewrite: reads show staged values at
// once, the file changes only when they are committed, in one rewrite, and a
// commit that fails at any step leaves the file and the values as they were.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/files/testing/failing_file_system.h"
#include "platform/files/testing/memory_file_system.h"
#include "platform/registry/reg_file_store.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

using Step = FileSystem::Step;

const std::string FILE_PATH = "dev.reg";
const std::string ORIGINAL =
    "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Drivers\\A]\r\n\"Dll\"=\"QVBTDEV.DLL\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Drivers\\B]\r\n\"Dll\"=\"---BTCEIF.DLL\"\r\n";
const std::string REPAIRED =
    "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Drivers\\A]\r\n\"Dll\"=\"BTCEIF.DLL\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Drivers\\B]\r\n\"Dll\"=\"BTCEIF.DLL\"\r\n";

class GatheredWritesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    keys.clear();
    memory.Files()[FILE_PATH] = NarrowBytes(ORIGINAL);
    RegFileOptions options;
    options.file_system = &fs;
    std::string error;
    store = RegFileStore::Load(FILE_PATH, &error, options);
    ASSERT_NE(store, nullptr) << error;
    for (const char16_t* path : {u"Drivers\\A", u"Drivers\\B"}) {
      RegKey key = 0;
      ASSERT_EQ(store->OpenKey(HKEY_LOCAL_MACHINE, path, &key), ERROR_SUCCESS);
      keys.push_back(key);
    }
  }

  std::string Read(RegKey key) {
    uint8_t data[200];
    uint32_t length = sizeof data;
    if (store->QueryValue(key, u"Dll", nullptr, data, &length) != ERROR_SUCCESS) return "<none>";
    std::string text;
    for (uint32_t i = 0; i + 1 < length && data[i] != 0; i += 2) text += static_cast<char>(data[i]);
    return text;
  }
  RegStatus Repair(RegKey key) {
    std::vector<uint8_t> data = Utf16z(u"BTCEIF.DLL");
    return store->SetValue(key, u"Dll", REG_SZ, data.data(), static_cast<uint32_t>(data.size()));
  }
  std::string OnDisk() {
    std::vector<uint8_t> bytes = memory.Bytes(FILE_PATH);
    return std::string(bytes.begin(), bytes.end());
  }

  MemoryFileSystem memory;
  FailingFileSystem fs{memory};
  std::unique_ptr<RegFileStore> store;
  std::vector<RegKey> keys;
};

TEST_F(GatheredWritesTest, StagedValuesShowAtOnceAndReachTheFileInOneRewrite) {
  store->GatherWrites();
  EXPECT_EQ(Repair(keys[0]), ERROR_SUCCESS);
  EXPECT_EQ(memory.Files().count(FILE_PATH + ".lock"), 1u) << "the lock is held while gathering";
  EXPECT_EQ(Repair(keys[1]), ERROR_SUCCESS);
  EXPECT_EQ(Read(keys[0]), "BTCEIF.DLL");
  EXPECT_EQ(Read(keys[1]), "BTCEIF.DLL");
  EXPECT_EQ(OnDisk(), ORIGINAL) << "nothing is written before the commit";

  EXPECT_EQ(store->CommitWrites(), ERROR_SUCCESS) << store->LastFailure();
  EXPECT_EQ(OnDisk(), REPAIRED);
  EXPECT_EQ(fs.Calls(Step::Rename), 1);
  EXPECT_EQ(fs.Calls(Step::ReadAll), 1) << "the file is read once under the lock";
  EXPECT_EQ(memory.Files().size(), 1u);

  // Afterwards a write goes to the file at once again.
  std::vector<uint8_t> data = Utf16z(u"OTHER.DLL");
  EXPECT_EQ(store->SetValue(keys[0], u"Dll", REG_SZ, data.data(), data.size()), ERROR_SUCCESS);
  EXPECT_EQ(fs.Calls(Step::Rename), 2);
  EXPECT_NE(OnDisk().find("\"Dll\"=\"OTHER.DLL\""), std::string::npos);
}

// Gathering twice, or a refresh while the lock is held, keeps what is staged.
TEST_F(GatheredWritesTest, GatheringAgainOrRefreshingKeepsTheStagedValues) {
  store->GatherWrites();
  ASSERT_EQ(Repair(keys[0]), ERROR_SUCCESS);
  store->GatherWrites();
  EXPECT_EQ(store->Refresh(), ERROR_SUCCESS);
  EXPECT_EQ(Read(keys[0]), "BTCEIF.DLL");
  ASSERT_EQ(Repair(keys[1]), ERROR_SUCCESS);
  EXPECT_EQ(store->CommitWrites(), ERROR_SUCCESS) << store->LastFailure();
  EXPECT_EQ(OnDisk(), REPAIRED);
  EXPECT_EQ(fs.Calls(Step::Rename), 1);
}

TEST_F(GatheredWritesTest, NothingStagedTakesNoLockAndWritesNothing) {
  store->GatherWrites();
  EXPECT_EQ(store->CommitWrites(), ERROR_SUCCESS);
  EXPECT_EQ(fs.Calls(Step::OpenExclusive), 0);
  EXPECT_EQ(OnDisk(), ORIGINAL);
}

// Each step of the one rewrite failing in turn: no value is on disk, the
// staged values leave the tree, the lock is gone, and the failure says so.
TEST_F(GatheredWritesTest, CommitFailingAtEachStepKeepsFileAndValues) {
  const Step steps[] = {Step::SetOwner, Step::SetMode, Step::CopyAttributes, Step::Write,
                        Step::Fsync,    Step::Close,   Step::Rename};
  for (Step step : steps) {
    SCOPED_TRACE("step " + std::to_string(static_cast<int>(step)));
    SetUp();
    fs.Clear();
    fs.FailAt(step, step == Step::Close ? LOCK_CLOSE_CALL : 1, EIO);
    store->GatherWrites();
    ASSERT_EQ(Repair(keys[0]), ERROR_SUCCESS);
    ASSERT_EQ(Repair(keys[1]), ERROR_SUCCESS);
    EXPECT_NE(store->CommitWrites(), ERROR_SUCCESS);
    EXPECT_GE(fs.Calls(step), 1) << "the fault was never reached";
    EXPECT_EQ(store->LastFailure().rfind(FILE_PATH + ": cannot store 2 values: ", 0), 0u)
        << store->LastFailure();
    EXPECT_EQ(OnDisk(), ORIGINAL);
    EXPECT_EQ(memory.Files().size(), 1u) << "no lock is left";
    EXPECT_EQ(Read(keys[0]), "QVBTDEV.DLL");
    EXPECT_EQ(Read(keys[1]), "---BTCEIF.DLL");
  }
}

// A value changed on disk between the load and the batch is refused alone;
// the others are staged and written.
TEST_F(GatheredWritesTest, StaleValueIsRefusedAloneAndTheRestIsWritten) {
  EXPECT_EQ(Read(keys[0]), "QVBTDEV.DLL");
  EXPECT_EQ(Read(keys[1]), "---BTCEIF.DLL");
  std::string outside = ORIGINAL;
  outside.replace(outside.find("QVBTDEV.DLL"), 11, "mybtdrv.dll");
  memory.Files()[FILE_PATH] = NarrowBytes(outside);
  store->GatherWrites();
  EXPECT_EQ(Repair(keys[0]), ERROR_FILE_INVALID);
  EXPECT_EQ(Repair(keys[1]), ERROR_SUCCESS);
  EXPECT_EQ(store->CommitWrites(), ERROR_SUCCESS) << store->LastFailure();
  std::string expected = outside;
  expected.replace(expected.find("---BTCEIF.DLL"), 13, "BTCEIF.DLL");
  EXPECT_EQ(OnDisk(), expected);
  EXPECT_EQ(Read(keys[0]), "mybtdrv.dll");
}

}  // namespace
