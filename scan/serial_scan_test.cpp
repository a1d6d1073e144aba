#include "scan/serial_scan.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/registry/registry.h"
#include "platform/registry/testing/memory_registry.h"
#include "scan/testing/scan_fixture.h"

namespace {

constexpr char ALL_OK[] = "\r\nAll OK !!!";
constexpr char NOT_FOUND[] = "We have not find any Bluetooth Bug from QUORVA in this PDA.";
constexpr char REPAIRED[] =
    " We have solved the Bug. You need to reboot your PocketPC with a soft reset to make the GPS "
    "port able to other applications";

TEST_F(SerialScanTest, NoActiveDriverKeyReportsAllOk) {
  Scan(false);
  EXPECT_STREQ(report_.CStr(), ALL_OK);
  EXPECT_STREQ(message_.CStr(), NOT_FOUND);
}

TEST_F(SerialScanTest, EmptyActiveListReportsAllOk) {
  registry_.PutKey(HKEY_LOCAL_MACHINE, u"Drivers\\Active");
  Scan(true);
  EXPECT_STREQ(report_.CStr(), ALL_OK);
  EXPECT_STREQ(message_.CStr(), NOT_FOUND);
}

TEST_F(SerialScanTest, ActiveListThatCannotBeOpenedReportsAllOk) {
  AddComDriver(u"01", u"COM1:", u"QVBTDEV.DLL");
  registry_.InjectFailure(MemoryRegistry::RegOperation::Open, ERROR_ACCESS_DENIED,
                          u"Drivers\\Active");
  Scan(true);
  EXPECT_STREQ(report_.CStr(), ALL_OK);
  EXPECT_STREQ(message_.CStr(), NOT_FOUND);
  EXPECT_EQ(DllOf(u"01"), u"QVBTDEV.DLL");
}

TEST_F(SerialScanTest, HealthyDriverIsListedWithoutMark) {
  AddComDriver(u"01", u"COM1:", u"Serial_Pxa.dll");
  AddComDriver(u"02", u"COM5:", u"BTCEIF.DLL");
  Scan(false);
  EXPECT_STREQ(report_.CStr(),
               "COM1:\r\nDll: SERIAL_PXA.DLL\r\n"
               "COM5:\r\nDll: BTCEIF.DLL\r\n"
               "\r\nAll OK !!!");
  EXPECT_STREQ(message_.CStr(), NOT_FOUND);
}

TEST_F(SerialScanTest, NonComDevicesAreNotExamined) {
  AddComDriver(u"01", u"PGR1:", u"QVBTDEV.DLL");
  AddComDriver(u"02", u"com4:", u"QVBTDEV.DLL");
  AddComDriver(u"03", u"CO", u"QVBTDEV.DLL");
  AddComDriver(u"04", u"", u"QVBTDEV.DLL");
  Scan(true);
  EXPECT_STREQ(report_.CStr(), ALL_OK);
  EXPECT_EQ(DllOf(u"02"), u"QVBTDEV.DLL");
}

struct FaultyCase {
  std::u16string stored;
  const char* shown;
};

TEST_F(SerialScanTest, DetectMarksEveryFaultySpellingAndWritesNothing) {
  const FaultyCase cases[] = {
      {u"QVBTDEV.DLL", "QVBTDEV.DLL"},     {u"qvbtdev.dll", "QVBTDEV.DLL"},
      {u"---BTCEIF.DLL", "---BTCEIF.DLL"}, {u"---btceif.dll", "---BTCEIF.DLL"},
      {u"---BtCeIf.Dll", "---BTCEIF.DLL"},
  };
  for (const FaultyCase& c : cases) {
    MemoryRegistry fresh;
    InstallRegistryStore(&fresh);
    fresh.PutString(HKEY_LOCAL_MACHINE, u"Drivers\\Active\\01", u"Name", u"COM6:");
    fresh.PutString(HKEY_LOCAL_MACHINE, u"Drivers\\Active\\01", u"Key", u"Drivers\\BuiltIn\\Bt");
    fresh.PutString(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\Bt", u"Dll", c.stored);
    Scan(false);
    std::string expected = std::string("COM6:\r\nDll: ") + c.shown + " <<<< BUG DETECTED HERE!\r\n";
    EXPECT_EQ(report_.CStr(), expected);
    EXPECT_STREQ(message_.CStr(), "");
    EXPECT_EQ(fresh.GetString(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\Bt", u"Dll"), c.stored);
    EXPECT_EQ(fresh.OpenHandleCount(), 0);
  }
  InstallRegistryStore(&registry_);
}

TEST_F(SerialScanTest, NearMissesAreHealthy) {
  AddComDriver(u"01", u"COM1:", u"QVBTDEV.DLL ");
  AddComDriver(u"02", u"COM2:", u"--BTCEIF.DLL");
  AddComDriver(u"03", u"COM3:", u"QVBTDEV");
  Scan(true);
  EXPECT_STREQ(report_.CStr(),
               "COM1:\r\nDll: QVBTDEV.DLL \r\n"
               "COM2:\r\nDll: --BTCEIF.DLL\r\n"
               "COM3:\r\nDll: QVBTDEV\r\n"
               "\r\nAll OK !!!");
  EXPECT_EQ(DllOf(u"01"), u"QVBTDEV.DLL ");
}

TEST_F(SerialScanTest, FixRepairsEveryFaultyDriver) {
  AddComDriver(u"01", u"COM1:", u"Serial.dll");
  AddComDriver(u"02", u"COM5:", u"QVBTDEV.DLL");
  AddComDriver(u"03", u"COM6:", u"---btceif.dll");
  Scan(true);
  EXPECT_STREQ(report_.CStr(),
               "COM1:\r\nDll: SERIAL.DLL\r\n"
               "COM5:\r\nDll: QVBTDEV.DLL  FIXED!\r\n"
               "COM6:\r\nDll: ---BTCEIF.DLL  FIXED!\r\n");
  EXPECT_STREQ(message_.CStr(), REPAIRED);
  EXPECT_EQ(DllOf(u"01"), u"Serial.dll");
  EXPECT_EQ(DllOf(u"02"), u"BTCEIF.DLL");
  EXPECT_EQ(DllOf(u"03"), u"BTCEIF.DLL");
}

TEST_F(SerialScanTest, RepairWritesTwentyTwoBytesOfTypeString) {
  AddComDriver(u"01", u"COM5:", u"QVBTDEV.DLL");
  Scan(true);
  RegKey key;
  ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\Port01", 0, 1, &key),
            ERROR_SUCCESS);
  uint8_t data[64];
  uint32_t type = 0;
  uint32_t length = sizeof(data);
  ASSERT_EQ(RegQueryValueEx(key, u"dll", &type, data, &length), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(type, REG_SZ);
  ASSERT_EQ(length, 22u);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(data), 11),
            std::u16string(u"BTCEIF.DLL\0", 11));
}

TEST_F(SerialScanTest, FixTwiceReportsAllOkTheSecondTime) {
  AddComDriver(u"01", u"COM5:", u"QVBTDEV.DLL");
  Scan(true);
  EXPECT_STREQ(message_.CStr(), REPAIRED);
  Scan(true);
  EXPECT_STREQ(report_.CStr(), "COM5:\r\nDll: BTCEIF.DLL\r\n\r\nAll OK !!!");
  EXPECT_STREQ(message_.CStr(), NOT_FOUND);
}

TEST_F(SerialScanTest, FailedWriteKeepsTheBugMarkAndAnEmptyMessage) {
  AddComDriver(u"01", u"COM5:", u"QVBTDEV.DLL");
  registry_.InjectFailure(MemoryRegistry::RegOperation::Set, ERROR_WRITE_FAULT);
  Scan(true);
  EXPECT_STREQ(report_.CStr(), "COM5:\r\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\r\n");
  EXPECT_STREQ(message_.CStr(), "");
  EXPECT_EQ(DllOf(u"01"), u"QVBTDEV.DLL");
}

TEST_F(SerialScanTest, OneSuccessfulWriteGivesTheRepairedMessage) {
  AddComDriver(u"01", u"COM5:", u"QVBTDEV.DLL");
  AddComDriver(u"02", u"COM6:", u"QVBTDEV.DLL");
  registry_.InjectFailure(MemoryRegistry::RegOperation::Open, ERROR_ACCESS_DENIED,
                          u"Drivers\\BuiltIn\\Port01");
  Scan(true);
  EXPECT_STREQ(report_.CStr(), "COM6:\r\nDll: QVBTDEV.DLL  FIXED!\r\n");
  EXPECT_STREQ(message_.CStr(), REPAIRED);
}

TEST_F(SerialScanTest, NonEmptyPnpIdExcludesEvenAFaultyDriver) {
  std::u16string pnp = u"PCMCIA\\MODEM-1";
  std::u16string empty;
  AddEntry(u"01", u"COM9:", u"Drivers\\PCMCIA\\Modem", &pnp);
  AddDriver(u"Drivers\\PCMCIA\\Modem", u"QVBTDEV.DLL");
  AddEntry(u"02", u"COM2:", u"Drivers\\BuiltIn\\Two", &empty);
  AddDriver(u"Drivers\\BuiltIn\\Two", u"two.dll");
  Scan(true);
  EXPECT_STREQ(report_.CStr(), "COM2:\r\nDll: TWO.DLL\r\n\r\nAll OK !!!");
  EXPECT_EQ(registry_.GetString(HKEY_LOCAL_MACHINE, u"Drivers\\PCMCIA\\Modem", u"Dll"),
            u"QVBTDEV.DLL");
}

TEST_F(SerialScanTest, EntriesWithoutUsableKeyOrDllAddNothing) {
  registry_.PutString(HKEY_LOCAL_MACHINE, u"Drivers\\Active\\01", u"Name", u"COM1:");  // no Key
  AddEntry(u"02", u"COM2:", u"");                                                      // empty Key
  AddEntry(u"03", u"COM3:", u"Drivers\\Missing");  // no driver key
  registry_.PutKey(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\NoDll");
  AddEntry(u"04", u"COM4:", u"Drivers\\BuiltIn\\NoDll");  // no Dll
  AddComDriver(u"05", u"COM5:", u"");                     // empty Dll
  Scan(false);
  EXPECT_STREQ(report_.CStr(), ALL_OK);
  EXPECT_STREQ(message_.CStr(), NOT_FOUND);
}

TEST_F(SerialScanTest, FailedQueriesSkipOnlyTheirEntry) {
  AddComDriver(u"01", u"COM1:", u"QVBTDEV.DLL");
  AddComDriver(u"02", u"COM2:", u"two.dll");
  registry_.InjectFailure(MemoryRegistry::RegOperation::Query, ERROR_FILE_NOT_FOUND, u"Name");
  Scan(true);
  EXPECT_STREQ(report_.CStr(), ALL_OK);
  registry_.ClearFailures();
  registry_.InjectFailure(MemoryRegistry::RegOperation::Query, ERROR_FILE_NOT_FOUND, u"Key");
  Scan(true);
  EXPECT_STREQ(report_.CStr(), ALL_OK);
  registry_.ClearFailures();
  registry_.InjectFailure(MemoryRegistry::RegOperation::Query, ERROR_FILE_NOT_FOUND, u"Dll");
  Scan(true);
  EXPECT_STREQ(report_.CStr(), ALL_OK);
  EXPECT_EQ(DllOf(u"01"), u"QVBTDEV.DLL");
}

TEST_F(SerialScanTest, FailedPnpIdQueryDoesNotExclude) {
  std::u16string pnp = u"PCMCIA\\X";
  AddEntry(u"01", u"COM9:", u"Drivers\\PCMCIA\\Modem", &pnp);
  AddDriver(u"Drivers\\PCMCIA\\Modem", u"modem.dll");
  registry_.InjectFailure(MemoryRegistry::RegOperation::Query, ERROR_MORE_DATA, u"PnpId");
  Scan(false);
  EXPECT_STREQ(report_.CStr(), "COM9:\r\nDll: MODEM.DLL\r\n\r\nAll OK !!!");
}

TEST_F(SerialScanTest, UnopenableEntryIsSkippedAndTheWalkGoesOn) {
  AddComDriver(u"01", u"COM1:", u"one.dll");
  AddComDriver(u"02", u"COM2:", u"two.dll");
  registry_.InjectFailure(MemoryRegistry::RegOperation::Open, ERROR_ACCESS_DENIED,
                          u"Drivers\\Active\\01");
  Scan(false);
  EXPECT_STREQ(report_.CStr(), "COM2:\r\nDll: TWO.DLL\r\n\r\nAll OK !!!");
}

TEST_F(SerialScanTest, FailedEnumerationEndsTheWalk) {
  AddComDriver(u"01", u"COM1:", u"QVBTDEV.DLL");
  registry_.InjectFailure(MemoryRegistry::RegOperation::Enumerate, ERROR_INVALID_HANDLE);
  Scan(true);
  EXPECT_STREQ(report_.CStr(), ALL_OK);
  EXPECT_EQ(DllOf(u"01"), u"QVBTDEV.DLL");
}

TEST_F(SerialScanTest, BlocksFollowEnumerationOrder) {
  // The in-memory store enumerates subkeys in the order they were created.
  AddComDriver(u"07", u"COM7:", u"seven.dll");
  AddComDriver(u"02", u"COM2:", u"two.dll");
  AddComDriver(u"10", u"COM10:", u"ten.dll");
  Scan(false);
  EXPECT_STREQ(report_.CStr(),
               "COM7:\r\nDll: SEVEN.DLL\r\n"
               "COM2:\r\nDll: TWO.DLL\r\n"
               "COM10:\r\nDll: TEN.DLL\r\n"
               "\r\nAll OK !!!");
}

TEST_F(SerialScanTest, NamesCrossIntoTheNarrowCodePage) {
  AddComDriver(u"01", u"COM5: Se\u00F1al \u0394", u"bt\u00E9.dll");
  Scan(false);
  EXPECT_STREQ(report_.CStr(),
               "COM5: Se\xF1"
               "al ?\r\nDll: BT\xE9.DLL\r\n\r\nAll OK !!!");
}

TEST_F(SerialScanTest, ValuesLongerThanTheQueryBufferAreSkipped) {
  AddComDriver(u"01", u"COM1:", std::u16string(150, u'x'));  // 302 bytes with its terminator
  AddComDriver(u"02", u"COM2:", std::u16string(149, u'y'));  // exactly 300 bytes
  Scan(false);
  std::string expected = "COM2:\r\nDll: " + std::string(149, 'Y') + "\r\n" + ALL_OK;
  EXPECT_EQ(report_.CStr(), expected);
}

TEST_F(SerialScanTest, StringWithoutTerminatorIsCutAtItsLength) {
  registry_.PutString(HKEY_LOCAL_MACHINE, u"Drivers\\Active\\01", u"Name", u"COM1:");
  registry_.PutString(HKEY_LOCAL_MACHINE, u"Drivers\\Active\\01", u"Key", u"Drivers\\BuiltIn\\Raw");
  const char16_t raw[] = u"QVBTDEV.DLLgarbage";
  registry_.PutValue(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\Raw", u"Dll", REG_SZ,
                     std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(raw),
                                          reinterpret_cast<const uint8_t*>(raw) + 22));
  Scan(false);
  EXPECT_STREQ(report_.CStr(), "COM1:\r\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\r\n");
}

}  // namespace
