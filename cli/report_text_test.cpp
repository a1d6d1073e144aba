#include "cli/report_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(NarrowToTerminalText, ConvertsLineBreaksAndCodePage) {
  EXPECT_EQ(NarrowToTerminalText("COM5: Se\xF1"
                                 "al\r\nDll: X\r\n"),
            "COM5: Se\xC3\xB1"
            "al\nDll: X\n");
  EXPECT_EQ(NarrowToTerminalText("\r\nAll OK !!!"), "\nAll OK !!!");
  EXPECT_EQ(NarrowToTerminalText("a\rb\nc"), "a\nb\nc");
  EXPECT_EQ(NarrowToTerminalText("\x80 \x99"), "\xE2\x82\xAC \xE2\x84\xA2");
  EXPECT_EQ(NarrowToTerminalText(""), "");
}

ScanEntry Examined(const std::u16string& name, const std::u16string& dll, bool faulty = false,
                   bool repaired = false) {
  ScanEntry entry;
  entry.subkey = u"01";
  entry.name = name;
  entry.key = u"Drivers\\BuiltIn\\Serial";
  entry.dll = dll;
  entry.faulty = faulty;
  entry.repaired = repaired;
  return entry;
}

ScanEntry Skipped(const std::u16string& subkey, const std::u16string& name, ScanSkip why) {
  ScanEntry entry;
  entry.subkey = subkey;
  entry.name = name;
  entry.skip = why;
  return entry;
}

TEST(ReportTerminalText, OnlyTheReportsOwnLineEndsBreakLines) {
  struct Case {
    std::vector<ScanEntry> entries;
    const char* expected;
  };
  const Case cases[] = {
      {{}, "\nAll OK !!!"},
      {{Skipped(u"01", u"PGR1:", ScanSkip::NotComPort)}, "\nAll OK !!!"},
      {{Examined(u"COM1:", u"A.DLL"), Examined(u"COM5:", u"QVBTDEV.DLL", true)},
       "COM1:\nDll: A.DLL\nCOM5:\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\n"},
      {{Examined(u"COM5:", u"---BTCEIF.DLL", true, true)}, "COM5:\nDll: ---BTCEIF.DLL  FIXED!\n"},
      // Stored text cannot add lines, colour the terminal or ring its bell.
      {{Examined(u"COM1:\r\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!", u"A.DLL\a")},
       "COM1:\\r\\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\nDll: A.DLL\\x07\n\nAll OK !!!"},
      {{Examined(u"COM1:\x1b[2J\x7f\u0081\u009b\tx", u"A.DLL")},
       "COM1:\\x1b[2J\\x7f\\x81?\tx\nDll: A.DLL\n\nAll OK !!!"},
      // Text crosses the narrow code page as in the scan's own report.
      {{Examined(u"COM5: Se\u00F1al \u0394", u"BT\u00C9.DLL")},
       "COM5: Se\xC3\xB1"
       "al ?\nDll: BT\xC3\x89.DLL\n\nAll OK !!!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(ReportTerminalText(c.entries), c.expected);
  }
}

TEST(EntryLine, SaysWhatTheScanDidWithTheEntry) {
  struct Case {
    ScanEntry entry;
    const char* expected;
  };
  ScanEntry too_long = Skipped(std::u16string(3, u'n'), u"", ScanSkip::NameTooLong);
  const Case cases[] = {
      {Examined(u"COM1:", u"SERIAL.DLL"),
       "entry \"01\", Name \"COM1:\": examined, Dll \"SERIAL.DLL\""},
      {Examined(u"COM5:", u"QVBTDEV.DLL", true),
       "entry \"01\", Name \"COM5:\": examined, Dll \"QVBTDEV.DLL\", faulty"},
      {Examined(u"COM5:", u"QVBTDEV.DLL", true, true),
       "entry \"01\", Name \"COM5:\": examined, Dll \"QVBTDEV.DLL\", faulty, repaired"},
      {Skipped(u"02", u"PGR1:", ScanSkip::NotComPort),
       "entry \"02\", Name \"PGR1:\": skipped, not a COM port"},
      {Skipped(u"03", u"", ScanSkip::NoName), "entry \"03\": skipped, no Name"},
      {Skipped(u"06", u"", ScanSkip::NameUnreadable), "entry \"06\": skipped, Name cannot be read"},
      // A Name read empty is shown, unlike one never read.
      {Skipped(u"05", u"", ScanSkip::NotComPort),
       "entry \"05\", Name \"\": skipped, not a COM port"},
      {Skipped(u"04", u"COM7:", ScanSkip::KeyPathNotRepresentable),
       "entry \"04\", Name \"COM7:\": skipped, key path not representable"},
      {too_long, "entry \"nnn\": skipped, name too long"},
      // Unlike the report, the line shows the stored text exactly.
      {Skipped(u"\u0394\n", u"COM\u0394\x1b", ScanSkip::NoKey),
       "entry \"\xCE\x94\\n\", Name \"COM\xCE\x94\\x1b\": skipped, no Key"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(EntryLine(c.entry), c.expected);
  }
}

}  // namespace
