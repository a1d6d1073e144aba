// What the scan says of each active-driver entry, and that saying it changes
// nothing the scan composes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scan/report_layout.h"
#include "scan/serial_scan.h"
#include "scan/testing/scan_fixture.h"

namespace {

// Collects the report layout as the scan composes it.
struct TextSink {
  std::string text;
  void Field(const char* field) { text += field; }
  void Text(const char* layout) { text += layout; }
};

struct Expected {
  std::u16string subkey;
  ScanSkip skip;
  std::u16string name;
  std::u16string key;
  std::u16string dll;
  bool faulty;
  bool repaired;
};

void ExpectEntries(const std::vector<ScanEntry>& entries, const std::vector<Expected>& expected) {
  ASSERT_EQ(entries.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    const ScanEntry& e = entries[i];
    EXPECT_EQ(e.subkey, expected[i].subkey);
    EXPECT_EQ(e.skip, expected[i].skip) << ScanSkipText(e.skip);
    EXPECT_EQ(e.name, expected[i].name);
    EXPECT_EQ(e.key, expected[i].key);
    EXPECT_EQ(e.dll, expected[i].dll);
    EXPECT_EQ(e.faulty, expected[i].faulty);
    EXPECT_EQ(e.repaired, expected[i].repaired);
  }
}

class SerialScanEntriesTest : public SerialScanTest {
 protected:
  // One entry for every way of being examined or skipped, in this order.
  void AddEveryKind() {
    AddComDriver(u"01", u"COM1:", u"Serial.dll");
    AddComDriver(u"02", u"PGR1:", u"QVBTDEV.DLL");
    AddComDriver(u"03", u"com5:", u"QVBTDEV.DLL");
    registry_.PutString(HKEY_LOCAL_MACHINE, u"Drivers\\Active\\04", u"Key",
                        u"Drivers\\BuiltIn\\Port04");
    std::u16string pnp = u"PCMCIA\\X";
    AddEntry(u"05", u"COM2:", u"Drivers\\BuiltIn\\Port05", &pnp);
    registry_.PutString(HKEY_LOCAL_MACHINE, u"Drivers\\Active\\06", u"Name", u"COM3:");
    AddEntry(u"07", u"COM4:", u"Drivers\\Missing");
    registry_.PutKey(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\NoDll");
    AddEntry(u"08", u"COM6:", u"Drivers\\BuiltIn\\NoDll");
    AddEntry(u"09", u"COM7:", u"Drivers\\BuiltIn\\Bt\u0394");
    AddDriver(u"Drivers\\BuiltIn\\Bt\u0394", u"QVBTDEV.DLL");
    AddComDriver(LONG_NAME, u"COM8:", u"QVBTDEV.DLL");
    AddComDriver(u"\u0394", u"COM10:", u"QVBTDEV.DLL");
    AddComDriver(u"12", u"COM9:", u"---btceif.dll");
    // Values of 150 characters: with their terminators past the 300-byte query.
    AddComDriver(u"13", u"COM11:" + LONG_VALUE, u"QVBTDEV.DLL");
    AddEntry(u"14", u"COM12:", u"Drivers\\BuiltIn\\Port14" + LONG_VALUE);
    AddDriver(u"Drivers\\BuiltIn\\Port14" + LONG_VALUE, u"QVBTDEV.DLL");
    AddComDriver(u"15", u"COM13:", u"QVBTDEV.DLL" + std::u16string(139, u'\0'));
    // What the narrowed paths would name instead.
    AddDriver(u"Drivers\\BuiltIn\\Bt?", u"QVBTDEV.DLL");
  }

  std::vector<Expected> EveryKind(bool repaired) {
    return {
        {u"01", ScanSkip::None, u"COM1:", u"Drivers\\BuiltIn\\Port01", u"SERIAL.DLL", false, false},
        {u"02", ScanSkip::NotComPort, u"PGR1:", u"", u"", false, false},
        {u"03", ScanSkip::NotComPort, u"com5:", u"", u"", false, false},
        {u"04", ScanSkip::NoName, u"", u"", u"", false, false},
        {u"05", ScanSkip::HasPnpId, u"COM2:", u"Drivers\\BuiltIn\\Port05", u"", false, false},
        {u"06", ScanSkip::NoKey, u"COM3:", u"", u"", false, false},
        {u"07", ScanSkip::DriverKeyMissing, u"COM4:", u"Drivers\\Missing", u"", false, false},
        {u"08", ScanSkip::NoDll, u"COM6:", u"Drivers\\BuiltIn\\NoDll", u"", false, false},
        {u"09", ScanSkip::KeyPathNotRepresentable, u"COM7:", u"Drivers\\BuiltIn\\Bt\u0394", u"",
         false, false},
        {LONG_NAME, ScanSkip::NameTooLong, u"", u"", u"", false, false},
        {u"\u0394", ScanSkip::EntryNameNotRepresentable, u"", u"", u"", false, false},
        {u"12", ScanSkip::None, u"COM9:", u"Drivers\\BuiltIn\\Port12", u"---BTCEIF.DLL", true,
         repaired},
        {u"13", ScanSkip::NameUnreadable, u"", u"", u"", false, false},
        {u"14", ScanSkip::KeyUnreadable, u"COM12:", u"", u"", false, false},
        {u"15", ScanSkip::DllUnreadable, u"COM13:", u"Drivers\\BuiltIn\\Port15", u"", false, false},
    };
  }

  // 200 characters: with its terminator one more than the scan's buffer holds.
  const std::u16string LONG_NAME = std::u16string(200, u'n');
  const std::u16string LONG_VALUE = std::u16string(144, u'v');
};

TEST_F(SerialScanEntriesTest, EveryEntrySaysWhatTheScanDidWithIt) {
  AddEveryKind();
  std::vector<ScanEntry> entries;
  Scan(false, &entries);
  ExpectEntries(entries, EveryKind(false));
  EXPECT_EQ(CountFaultyLeft(entries), 1);
  EXPECT_STREQ(report_.CStr(),
               "COM1:\r\nDll: SERIAL.DLL\r\n"
               "COM9:\r\nDll: ---BTCEIF.DLL <<<< BUG DETECTED HERE!\r\n");
}

TEST_F(SerialScanEntriesTest, FixRepairsOnlyKeysNamedExactly) {
  AddEveryKind();
  std::vector<ScanEntry> entries;
  Scan(true, &entries);
  ExpectEntries(entries, EveryKind(true));
  EXPECT_EQ(CountFaultyLeft(entries), 0);
  EXPECT_EQ(DllOf(u"12"), u"BTCEIF.DLL");
  for (const char16_t* untouched : {u"Drivers\\BuiltIn\\Bt?", u"Drivers\\BuiltIn\\Bt\u0394",
                                    u"Drivers\\BuiltIn\\Port\u0394", u"Drivers\\BuiltIn\\Port02"}) {
    EXPECT_EQ(registry_.GetString(HKEY_LOCAL_MACHINE, untouched, u"Dll"), u"QVBTDEV.DLL");
  }
}

TEST_F(SerialScanEntriesTest, NameTooLongIsSkippedAndTheWalkGoesOn) {
  // A name of 199 characters fits the buffer with its terminator; 200 do not.
  AddEntry(std::u16string(199, u'a'), u"COM1:", u"Drivers\\BuiltIn\\A");
  AddEntry(std::u16string(200, u'b'), u"COM2:", u"Drivers\\BuiltIn\\A");
  AddComDriver(u"03", u"COM3:", u"QVBTDEV.DLL");
  AddDriver(u"Drivers\\BuiltIn\\A", u"QVBTDEV.DLL");
  std::vector<ScanEntry> entries;
  Scan(false, &entries);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].skip, ScanSkip::None);
  EXPECT_EQ(entries[1].skip, ScanSkip::NameTooLong);
  EXPECT_EQ(entries[1].subkey, std::u16string(200, u'b'));
  EXPECT_EQ(entries[2].skip, ScanSkip::None);
  EXPECT_STREQ(report_.CStr(),
               "COM1:\r\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\r\n"
               "COM3:\r\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\r\n");
  Scan(false);
  EXPECT_STREQ(report_.CStr(),
               "COM1:\r\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\r\n"
               "COM3:\r\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\r\n")
      << "the walk goes on without an entry list too";
}

TEST_F(SerialScanEntriesTest, UnopenableEntryAndFailedWriteAreTold) {
  AddComDriver(u"01", u"COM1:", u"QVBTDEV.DLL");
  AddComDriver(u"02", u"COM2:", u"QVBTDEV.DLL");
  registry_.InjectFailure(MemoryRegistry::RegOperation::Open, ERROR_ACCESS_DENIED,
                          u"Drivers\\Active\\01");
  registry_.InjectFailure(MemoryRegistry::RegOperation::Set, ERROR_WRITE_FAULT);
  std::vector<ScanEntry> entries;
  Scan(true, &entries);
  ExpectEntries(entries, {{u"01", ScanSkip::EntryNotOpened, u"", u"", u"", false, false},
                          {u"02", ScanSkip::None, u"COM2:", u"Drivers\\BuiltIn\\Port02",
                           u"QVBTDEV.DLL", true, false}});
  EXPECT_EQ(CountFaultyLeft(entries), 1);
}

TEST_F(SerialScanEntriesTest, ReportIsTheSameWithOrWithoutEntriesAndFollowsThem) {
  AddEveryKind();
  AddComDriver(u"16", u"COM5: Se\u00F1al\r\n\x1b[2J", u"qvbtdev.dll");
  Scan(false);
  std::string without(report_.CStr());
  std::string message_without(message_.CStr());
  std::vector<ScanEntry> entries;
  Scan(false, &entries);
  EXPECT_EQ(report_.CStr(), without);
  EXPECT_EQ(message_.CStr(), message_without);
  TextSink composed;
  WriteReport(composed, entries);
  EXPECT_EQ(composed.text, without);

  registry_.InjectFailure(MemoryRegistry::RegOperation::Set, ERROR_WRITE_FAULT, u"Dll");
  Scan(true, &entries);
  TextSink after_failed_fix;
  WriteReport(after_failed_fix, entries);
  EXPECT_EQ(after_failed_fix.text, without) << "failed writes leave the marks of detect";

  registry_.ClearFailures();
  Scan(true, &entries);
  TextSink after_fix;
  WriteReport(after_fix, entries);
  EXPECT_EQ(after_fix.text, report_.CStr());
  EXPECT_NE(after_fix.text.find("COM5: Se\xF1"
                                "al\r\n\x1b[2J\r\nDll: QVBTDEV.DLL  FIXED!\r\n"),
            std::string::npos)
      << after_fix.text;

  Scan(false, &entries);
  TextSink all_clear;
  WriteReport(all_clear, entries);
  EXPECT_EQ(all_clear.text, report_.CStr());
  EXPECT_EQ(all_clear.text.substr(all_clear.text.size() - 12), "\r\nAll OK !!!");
}

TEST_F(SerialScanEntriesTest, ListCanKeepOnlyTheExaminedEntries) {
  AddEveryKind();
  ScanEntryList examined(true);
  ScanSerialDrivers(report_, message_, false, &examined);
  ASSERT_EQ(examined.entries.size(), 2u);
  EXPECT_EQ(examined.entries[0].subkey, u"01");
  EXPECT_EQ(examined.entries[1].subkey, u"12");
  EXPECT_EQ(CountFaultyLeft(examined.entries), 1);
}

TEST_F(SerialScanEntriesTest, EntriesThatMayHideTheFaultAreCountedWhateverIsKept) {
  // Of every kind: the entry name too long, not representable, the Key not
  // representable and the Name, Key or Dll not read may each be the faulty
  // driver; the other skips may not.
  AddEveryKind();
  registry_.InjectFailure(MemoryRegistry::RegOperation::Open, ERROR_ACCESS_DENIED,
                          u"Drivers\\Active\\01");
  for (bool examined_only : {false, true}) {
    ScanEntryList list(examined_only);
    ScanSerialDrivers(report_, message_, false, &list);
    EXPECT_EQ(list.unexamined, 7) << "examined only: " << examined_only;
  }
  int hiding = 0;
  for (ScanSkip skip : {ScanSkip::None, ScanSkip::NameTooLong, ScanSkip::EntryNameNotRepresentable,
                        ScanSkip::EntryNotOpened, ScanSkip::NoName, ScanSkip::NotComPort,
                        ScanSkip::HasPnpId, ScanSkip::NoKey, ScanSkip::KeyPathNotRepresentable,
                        ScanSkip::DriverKeyMissing, ScanSkip::NoDll, ScanSkip::NameUnreadable,
                        ScanSkip::KeyUnreadable, ScanSkip::DllUnreadable}) {
    hiding += SkipMayHideFault(skip);
  }
  EXPECT_EQ(hiding, 7);
}

TEST(UnexaminedNotice, CountsInWords) {
  EXPECT_EQ(
      UnexaminedNotice(1),
      "1 entry of the active-driver list could not be examined; it may be the faulty driver.");
  EXPECT_EQ(UnexaminedNotice(3),
            "3 entries of the active-driver list could not be examined; the faulty driver may be "
            "among them.");
}

}  // namespace
