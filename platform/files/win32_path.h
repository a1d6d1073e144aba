// File names between the program and the Win32 API: the program holds them
// in UTF-8 (as the command line gave them, converted once by wmain), the
// API takes UTF-16. Windows only.
#pragma once

#include <string>

// path as UTF-16 into *wide; false (nothing usable) for bytes that are no
// UTF-8 or an embedded NUL. Example: "r\xC3\xA9.reg" gives L"r\u00E9.reg".
bool WidePath(const std::string& path, std::wstring* wide);

// wide as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string NarrowPath(const std::wstring& wide);
