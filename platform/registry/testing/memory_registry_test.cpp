#include "platform/registry/testing/memory_registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/registry/testing/registry_testing.h"

namespace {

class MemoryRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reg.PutString(HKEY_LOCAL_MACHINE, u"Drivers\\Active\\01", u"Name", u"COM1:");
    reg.PutString(HKEY_LOCAL_MACHINE, u"Drivers\\Active\\01", u"Key", u"Drivers\\BuiltIn\\Serial");
    reg.PutKey(HKEY_LOCAL_MACHINE, u"Drivers\\Active\\02");
    reg.PutString(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\Serial", u"Dll", u"QVBTDEV.DLL");
  }

  RegKey Open(RegKey key, const char16_t* path) {
    RegKey handle = 0;
    EXPECT_EQ(reg.OpenKey(key, path, &handle), ERROR_SUCCESS) << "opening";
    return handle;
  }

  MemoryRegistry reg;
};

TEST_F(MemoryRegistryTest, OpenGivesFreshHandlesAndCountsThem) {
  EXPECT_EQ(reg.OpenHandleCount(), 0);
  RegKey a = Open(HKEY_LOCAL_MACHINE, u"Drivers\\Active");
  RegKey b = Open(HKEY_LOCAL_MACHINE, u"drivers\\ACTIVE");
  RegKey c = Open(a, u"");
  RegKey d = Open(a, nullptr);
  EXPECT_NE(a, b);
  EXPECT_NE(c, d);
  EXPECT_EQ(reg.OpenHandleCount(), 4);
  for (RegKey h : {a, b, c, d}) EXPECT_EQ(reg.CloseKey(h), ERROR_SUCCESS);
  EXPECT_EQ(reg.OpenHandleCount(), 0);
  EXPECT_EQ(reg.CloseKey(a), ERROR_INVALID_HANDLE);
  EXPECT_EQ(reg.CloseKey(0x12345), ERROR_INVALID_HANDLE);
  EXPECT_EQ(reg.CloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
  EXPECT_EQ(reg.OpenHandleCount(), 0);
}

TEST_F(MemoryRegistryTest, OpenFailures) {
  RegKey h = 77;
  EXPECT_EQ(reg.OpenKey(HKEY_LOCAL_MACHINE, u"Drivers\\Missing", &h), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(reg.OpenKey(HKEY_CURRENT_USER, u"Drivers", &h), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(reg.OpenKey(0x4242, u"Drivers", &h), ERROR_INVALID_HANDLE);
  EXPECT_EQ(reg.OpenKey(HKEY_LOCAL_MACHINE, u"Drivers", nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(h, 77u);
  EXPECT_EQ(reg.OpenHandleCount(), 0);
}

TEST_F(MemoryRegistryTest, EnumerationBufferConventions) {
  reg.PutKey(HKEY_LOCAL_MACHINE, u"Drivers\\Active\\LongerName");
  RegKey active = Open(HKEY_LOCAL_MACHINE, u"Drivers\\Active");
  char16_t name[16];
  uint32_t length = 16;
  ASSERT_EQ(reg.EnumSubkey(active, 0, name, &length), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(name), u"01");
  EXPECT_EQ(length, 2u);
  length = 3;  // exactly the name and its terminator
  ASSERT_EQ(reg.EnumSubkey(active, 1, name, &length), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(name), u"02");
  std::memset(name, 0x55, sizeof name);
  length = 10;  // "LongerName" needs 11
  EXPECT_EQ(reg.EnumSubkey(active, 2, name, &length), ERROR_MORE_DATA);
  EXPECT_EQ(length, 11u);
  EXPECT_EQ(name[0], char16_t(0x5555));
  length = 16;
  EXPECT_EQ(reg.EnumSubkey(active, 3, name, &length), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(length, 16u);
  EXPECT_EQ(reg.EnumSubkey(active, 0, nullptr, &length), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(reg.CloseKey(active), ERROR_SUCCESS);
}

TEST_F(MemoryRegistryTest, QueryBufferConventions) {
  RegKey serial = Open(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\Serial");
  const std::vector<uint8_t> expected = Utf16z(u"QVBTDEV.DLL");
  uint8_t data[300];
  uint32_t type = 0;
  uint32_t length = 300;
  ASSERT_EQ(reg.QueryValue(serial, u"DLL", &type, data, &length), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(length, 24u);
  EXPECT_EQ(std::vector<uint8_t>(data, data + length), expected);

  length = 0;
  EXPECT_EQ(reg.QueryValue(serial, u"Dll", nullptr, nullptr, &length), ERROR_SUCCESS);
  EXPECT_EQ(length, 24u);

  std::memset(data, 0xAA, sizeof data);
  type = 0;
  length = 23;
  EXPECT_EQ(reg.QueryValue(serial, u"Dll", &type, data, &length), ERROR_MORE_DATA);
  EXPECT_EQ(length, 24u);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(data[0], 0xAA);

  length = 300;
  EXPECT_EQ(reg.QueryValue(serial, u"Missing", &type, data, &length), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(reg.QueryValue(serial, u"Dll", &type, data, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(reg.CloseKey(serial), ERROR_SUCCESS);
  length = 300;
  EXPECT_EQ(reg.QueryValue(serial, u"Dll", &type, data, &length), ERROR_INVALID_HANDLE);
}

TEST_F(MemoryRegistryTest, DefaultValueAnswersToNullAndEmptyName) {
  reg.PutString(HKEY_CURRENT_USER, u"K", u"", u"dflt");
  RegKey k = Open(HKEY_CURRENT_USER, u"K");
  uint32_t length = 0;
  EXPECT_EQ(reg.QueryValue(k, nullptr, nullptr, nullptr, &length), ERROR_SUCCESS);
  EXPECT_EQ(length, 10u);
  const uint8_t d[] = {'x', 0, 0, 0};
  EXPECT_EQ(reg.SetValue(k, nullptr, REG_SZ, d, 4), ERROR_SUCCESS);
  EXPECT_EQ(reg.GetString(HKEY_CURRENT_USER, u"K", u""), u"x");
  EXPECT_EQ(reg.CloseKey(k), ERROR_SUCCESS);
}

TEST_F(MemoryRegistryTest, SetValueThroughHandleKeepsNameSpelling) {
  RegKey serial = Open(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\Serial");
  const std::vector<uint8_t> fixed = Utf16z(u"BTCEIF.DLL");
  ASSERT_EQ(reg.SetValue(serial, u"DLL", REG_SZ, fixed.data(), 22), ERROR_SUCCESS);
  EXPECT_EQ(reg.GetString(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\Serial", u"dll"), u"BTCEIF.DLL");
  EXPECT_EQ(reg.SetValue(serial, u"Dll", REG_SZ, nullptr, 4), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(reg.SetValue(serial, u"Empty", REG_BINARY, nullptr, 0), ERROR_SUCCESS);
  uint32_t type = 0, length = 8;
  uint8_t data[8];
  EXPECT_EQ(reg.QueryValue(serial, u"Empty", &type, data, &length), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_BINARY);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(reg.CloseKey(serial), ERROR_SUCCESS);
}

TEST_F(MemoryRegistryTest, GetStringReadsUpToFirstNul) {
  reg.PutValue(HKEY_LOCAL_MACHINE, u"V", u"Multi", REG_MULTI_SZ,
               {'a', 0, 'b', 0, 0, 0, 'c', 0, 0, 0, 0, 0});
  reg.PutValue(HKEY_LOCAL_MACHINE, u"V", u"Bare", REG_BINARY, {'h', 0, 'i', 0, 'x'});
  EXPECT_EQ(reg.GetString(HKEY_LOCAL_MACHINE, u"V", u"multi"), u"ab");
  EXPECT_EQ(reg.GetString(HKEY_LOCAL_MACHINE, u"V", u"Bare"), u"hi");
  EXPECT_EQ(reg.GetString(HKEY_LOCAL_MACHINE, u"V", u"None"), std::nullopt);
  EXPECT_EQ(reg.GetString(HKEY_LOCAL_MACHINE, u"NoKey", u"Multi"), std::nullopt);
}

TEST_F(MemoryRegistryTest, DeleteKeyDeletesSubtreeAndItsHandles) {
  RegKey active = Open(HKEY_LOCAL_MACHINE, u"Drivers\\Active");
  RegKey entry = Open(HKEY_LOCAL_MACHINE, u"Drivers\\Active\\01");
  RegKey drivers = Open(HKEY_LOCAL_MACHINE, u"Drivers");
  reg.DeleteKey(HKEY_LOCAL_MACHINE, u"drivers\\active");
  uint32_t length = 300;
  uint8_t data[300];
  EXPECT_EQ(reg.QueryValue(entry, u"Name", nullptr, data, &length), ERROR_KEY_DELETED);
  char16_t name[200];
  length = 200;
  EXPECT_EQ(reg.EnumSubkey(active, 0, name, &length), ERROR_KEY_DELETED);
  length = 200;
  ASSERT_EQ(reg.EnumSubkey(drivers, 0, name, &length), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(name), u"BuiltIn");
  length = 200;
  EXPECT_EQ(reg.EnumSubkey(drivers, 1, name, &length), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(reg.GetString(HKEY_LOCAL_MACHINE, u"Drivers\\Active\\01", u"Name"), std::nullopt);
  EXPECT_EQ(reg.OpenHandleCount(), 3);
  for (RegKey h : {active, entry, drivers}) EXPECT_EQ(reg.CloseKey(h), ERROR_SUCCESS);
  reg.PutKey(HKEY_LOCAL_MACHINE, u"Drivers\\Active");  // re-created key: a new key
  EXPECT_EQ(reg.OpenHandleCount(), 0);
}

TEST_F(MemoryRegistryTest, DeletingRootPathEmptiesRoot) {
  RegKey hklm_handle = Open(HKEY_LOCAL_MACHINE, u"");
  reg.DeleteKey(HKEY_LOCAL_MACHINE, u"");
  char16_t name[8];
  uint32_t length = 8;
  EXPECT_EQ(reg.EnumSubkey(hklm_handle, 0, name, &length), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(reg.CloseKey(hklm_handle), ERROR_SUCCESS);
}

TEST_F(MemoryRegistryTest, InjectedFailuresMatchTheirSubject) {
  reg.InjectFailure(RegOperation::Open, ERROR_ACCESS_DENIED, u"drivers\\builtin\\SERIAL");
  reg.InjectFailure(RegOperation::Query, 31, u"PnpId");
  reg.InjectFailure(RegOperation::Set, ERROR_WRITE_FAULT, u"dll");
  RegKey h = 0;
  EXPECT_EQ(reg.OpenKey(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\Serial", &h), ERROR_ACCESS_DENIED);
  EXPECT_EQ(reg.OpenKey(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\Serial\\", &h), ERROR_SUCCESS);
  uint32_t length = 300;
  uint8_t data[300];
  EXPECT_EQ(reg.QueryValue(h, u"pnpid", nullptr, data, &length), 31);
  EXPECT_EQ(reg.QueryValue(h, u"Dll", nullptr, data, &length), ERROR_SUCCESS);
  const std::vector<uint8_t> fixed = Utf16z(u"BTCEIF.DLL");
  EXPECT_EQ(reg.SetValue(h, u"Dll", REG_SZ, fixed.data(), 22), ERROR_WRITE_FAULT);
  EXPECT_EQ(reg.GetString(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\Serial", u"Dll"), u"QVBTDEV.DLL");
  EXPECT_EQ(reg.SetValue(h, u"Other", REG_SZ, fixed.data(), 22), ERROR_SUCCESS);
  reg.ClearFailures();
  EXPECT_EQ(reg.SetValue(h, u"Dll", REG_SZ, fixed.data(), 22), ERROR_SUCCESS);
  EXPECT_EQ(reg.CloseKey(h), ERROR_SUCCESS);
}

TEST_F(MemoryRegistryTest, InjectedEnumerateAndCloseFailEveryCall) {
  RegKey active = Open(HKEY_LOCAL_MACHINE, u"Drivers\\Active");
  reg.InjectFailure(RegOperation::Enumerate, ERROR_NO_MORE_ITEMS, u"whatever");
  reg.InjectFailure(RegOperation::Close, ERROR_INVALID_HANDLE);
  char16_t name[200];
  uint32_t length = 200;
  EXPECT_EQ(reg.EnumSubkey(active, 0, name, &length), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(reg.CloseKey(active), ERROR_INVALID_HANDLE);
  EXPECT_EQ(reg.OpenHandleCount(), 1);
  reg.ClearFailures();
  EXPECT_EQ(reg.EnumSubkey(active, 0, name, &length), ERROR_SUCCESS);
  EXPECT_EQ(reg.CloseKey(active), ERROR_SUCCESS);
}

TEST_F(MemoryRegistryTest, EmptyMatchFailsEveryCallAndFirstInjectionWins) {
  reg.InjectFailure(RegOperation::Open, ERROR_OUTOFMEMORY, u"Drivers\\Active");
  reg.InjectFailure(RegOperation::Open, ERROR_ACCESS_DENIED);
  RegKey h = 0;
  EXPECT_EQ(reg.OpenKey(HKEY_LOCAL_MACHINE, u"Drivers\\Active", &h), ERROR_OUTOFMEMORY);
  EXPECT_EQ(reg.OpenKey(HKEY_LOCAL_MACHINE, u"Drivers", &h), ERROR_ACCESS_DENIED);
  EXPECT_EQ(reg.OpenKey(HKEY_LOCAL_MACHINE, nullptr, &h), ERROR_ACCESS_DENIED);
  EXPECT_EQ(reg.OpenHandleCount(), 0);
}

TEST(MemoryRegistryPlatform, InstalledStoreServesThePlatformCalls) {
  MemoryRegistry reg;
  reg.PutString(HKEY_LOCAL_MACHINE, u"Drivers\\Active\\01", u"Name", u"COM4:");
  InstallRegistryStore(&reg);
  RegKey h = 0;
  ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, u"Drivers\\Active\\01", 0, 1, &h), ERROR_SUCCESS);
  uint8_t data[300];
  uint32_t length = 300;
  EXPECT_EQ(RegQueryValueEx(h, u"Name", nullptr, data, &length), ERROR_SUCCESS);
  EXPECT_EQ(length, 12u);
  EXPECT_EQ(RegCloseKey(h), ERROR_SUCCESS);
  InstallRegistryStore(nullptr);
  EXPECT_EQ(RegCloseKey(h), ERROR_INVALID_HANDLE);
}

}  // namespace
