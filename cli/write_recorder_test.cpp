#include "cli/write_recorder.h"

#include <gtest/gtest.h>

#include "platform/registry/testing/memory_registry.h"

namespace {

const char16_t REPAIRED[] = u"BTCEIF.DLL";
const uint8_t* RepairedBytes() { return reinterpret_cast<const uint8_t*>(REPAIRED); }

class WriteRecorderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    inner_.PutString(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\Bt", u"Dll", u"QVBTDEV.DLL");
  }

  // Opens Drivers, then BuiltIn\Bt below it, through recorder.
  RegKey OpenNested(WriteRecorder& recorder) {
    RegKey drivers;
    EXPECT_EQ(recorder.OpenKey(HKEY_LOCAL_MACHINE, u"Drivers", &drivers), ERROR_SUCCESS);
    RegKey bt;
    EXPECT_EQ(recorder.OpenKey(drivers, u"BuiltIn\\Bt", &bt), ERROR_SUCCESS);
    EXPECT_EQ(recorder.CloseKey(drivers), ERROR_SUCCESS);
    return bt;
  }

  MemoryRegistry inner_;
};

TEST_F(WriteRecorderTest, KeepToItselfReadsThroughAndWritesNothing) {
  WriteRecorder recorder(inner_, WriteRecorder::Mode::KeepToItself);
  RegKey bt = OpenNested(recorder);
  char16_t data[16];
  uint32_t length = sizeof(data);
  ASSERT_EQ(recorder.QueryValue(bt, u"Dll", nullptr, reinterpret_cast<uint8_t*>(data), &length),
            ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(data), u"QVBTDEV.DLL");
  EXPECT_EQ(recorder.SetValue(bt, u"Dll", REG_SZ, RepairedBytes(), sizeof(REPAIRED)),
            ERROR_SUCCESS);
  EXPECT_EQ(recorder.CloseKey(bt), ERROR_SUCCESS);

  EXPECT_EQ(inner_.GetString(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\Bt", u"Dll"), u"QVBTDEV.DLL");
  ASSERT_EQ(recorder.Writes().size(), 1u);
  const RecordedWrite& write = recorder.Writes()[0];
  EXPECT_EQ(write.root, HKEY_LOCAL_MACHINE);
  EXPECT_EQ(write.key_path, u"Drivers\\BuiltIn\\Bt");
  EXPECT_EQ(write.name, u"Dll");
  EXPECT_EQ(write.type, REG_SZ);
  EXPECT_EQ(write.data.size(), 22u);
  EXPECT_EQ(write.status, ERROR_SUCCESS);
  EXPECT_EQ(inner_.OpenHandleCount(), 0);
}

TEST_F(WriteRecorderTest, PassThroughWritesAndRecordsFailuresWithTheirReason) {
  WriteRecorder recorder(inner_, WriteRecorder::Mode::PassThrough,
                         [] { return std::string("disk full"); });
  RegKey bt = OpenNested(recorder);
  EXPECT_EQ(recorder.SetValue(bt, u"Dll", REG_SZ, RepairedBytes(), sizeof(REPAIRED)),
            ERROR_SUCCESS);
  EXPECT_EQ(inner_.GetString(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\Bt", u"Dll"), u"BTCEIF.DLL");

  inner_.InjectFailure(RegOperation::Set, ERROR_DISK_FULL);
  EXPECT_EQ(recorder.SetValue(bt, u"Dll", REG_SZ, RepairedBytes(), sizeof(REPAIRED)),
            ERROR_DISK_FULL);
  recorder.CloseKey(bt);

  ASSERT_EQ(recorder.Writes().size(), 2u);
  EXPECT_EQ(recorder.Writes()[0].failure, "");
  EXPECT_EQ(recorder.Writes()[1].status, ERROR_DISK_FULL);
  EXPECT_EQ(recorder.Writes()[1].failure, "disk full");
}

TEST_F(WriteRecorderTest, FailedOpenAndUnknownHandleArePassedOn) {
  WriteRecorder recorder(inner_, WriteRecorder::Mode::KeepToItself);
  RegKey key = 0;
  EXPECT_EQ(recorder.OpenKey(HKEY_LOCAL_MACHINE, u"Missing", &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(recorder.SetValue(12345, u"Dll", REG_SZ, RepairedBytes(), sizeof(REPAIRED)),
            ERROR_INVALID_HANDLE);
  EXPECT_TRUE(recorder.Writes().empty());
}

}  // namespace
