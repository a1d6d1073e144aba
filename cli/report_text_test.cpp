#include "cli/report_text.h"

#include <gtest/gtest.h>

namespace {

TEST(NarrowToTerminalText, ConvertsLineBreaksAndCodePage) {
  EXPECT_EQ(NarrowToTerminalText("COM5: Se\xF1" "al\r\nDll: X\r\n"), "COM5: Se\xC3\xB1" "al\nDll: X\n");
  EXPECT_EQ(NarrowToTerminalText("\r\nAll OK !!!"), "\nAll OK !!!");
  EXPECT_EQ(NarrowToTerminalText("a\rb\nc"), "a\nb\nc");
  EXPECT_EQ(NarrowToTerminalText("\x80 \x99"), "\xE2\x82\xAC \xE2\x84\xA2");
  EXPECT_EQ(NarrowToTerminalText(""), "");
}

TEST(CountUnrepairedDrivers, CountsOnlyMarkedDllLines) {
  EXPECT_EQ(CountUnrepairedDrivers("\r\nAll OK !!!"), 0);
  EXPECT_EQ(CountUnrepairedDrivers("COM5:\r\nDll: QVBTDEV.DLL  FIXED!\r\n"), 0);
  EXPECT_EQ(CountUnrepairedDrivers("COM5:\r\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\r\n"
                                   "COM6:\r\nDll: ---BTCEIF.DLL <<<< BUG DETECTED HERE!\r\n"),
            2);
  // A device name carrying the mark is not a driver line.
  EXPECT_EQ(CountUnrepairedDrivers("COM1: <<<< BUG DETECTED HERE!\r\nDll: A.DLL\r\n"), 0);
}

}  // namespace
