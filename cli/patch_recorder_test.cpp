#include "cli/patch_recorder.h"

#include <gtest/gtest.h>

#include "platform/memory_registry.h"

namespace {

TEST(PatchRecorder, ReadsThroughAndKeepsWritesToItself) {
  MemoryRegistry inner;
  inner.PutString(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\Bt", u"Dll", u"QVBTDEV.DLL");
  PatchRecorder recorder(inner);

  RegKey drivers;
  ASSERT_EQ(recorder.OpenKey(HKEY_LOCAL_MACHINE, u"Drivers", &drivers), ERROR_SUCCESS);
  RegKey bt;
  ASSERT_EQ(recorder.OpenKey(drivers, u"BuiltIn\\Bt", &bt), ERROR_SUCCESS);
  char16_t data[16];
  uint32_t length = sizeof(data);
  ASSERT_EQ(recorder.QueryValue(bt, u"Dll", nullptr, reinterpret_cast<uint8_t*>(data), &length), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(data), u"QVBTDEV.DLL");

  const char16_t repaired[] = u"BTCEIF.DLL";
  ASSERT_EQ(recorder.SetValue(bt, u"Dll", REG_SZ, reinterpret_cast<const uint8_t*>(repaired), sizeof(repaired)),
            ERROR_SUCCESS);
  EXPECT_EQ(inner.GetString(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\Bt", u"Dll"), u"QVBTDEV.DLL");

  ASSERT_EQ(recorder.Values().size(), 1u);
  const RecordedValue& value = recorder.Values()[0];
  EXPECT_EQ(value.root, HKEY_LOCAL_MACHINE);
  EXPECT_EQ(value.key_path, u"Drivers\\BuiltIn\\Bt");
  EXPECT_EQ(value.name, u"Dll");
  EXPECT_EQ(value.type, REG_SZ);
  EXPECT_EQ(value.data.size(), 22u);

  EXPECT_EQ(recorder.CloseKey(bt), ERROR_SUCCESS);
  EXPECT_EQ(recorder.CloseKey(drivers), ERROR_SUCCESS);
  EXPECT_EQ(inner.OpenHandleCount(), 0);
  EXPECT_EQ(recorder.SetValue(bt, u"Dll", REG_SZ, nullptr, 0), ERROR_INVALID_HANDLE);
}

TEST(PatchRecorder, FailedOpenIsPassedOn) {
  MemoryRegistry inner;
  PatchRecorder recorder(inner);
  RegKey key;
  EXPECT_EQ(recorder.OpenKey(HKEY_LOCAL_MACHINE, u"Missing", &key), ERROR_FILE_NOT_FOUND);
}

}  // namespace
