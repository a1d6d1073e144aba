// Turning the scan's narrow report into terminal text, and reading it back.
#pragma once

#include <string>

// The Windows-1252 text as UTF-8, each "\r\n" (and lone "\r") as "\n".
// Example: "COM5: Se\xF1al\r\nDll: X" gives "COM5: Señal\nDll: X".
std::string NarrowToTerminalText(const char* narrow);

// The number of drivers the report marks as faulty and not repaired: its
// "Dll: " lines that end in " <<<< BUG DETECTED HERE!".
int CountUnrepairedDrivers(const char* report);
