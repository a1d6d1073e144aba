// A registry export of part of the handheld's registry, read over the link:
// what regedit writes for it ("Windows Registry Editor Version 5.00",
// UTF-16LE with its mark, CRLF), so that every character is kept and the
// reader (reg_parser.h) reads back the same keys, values, types and data.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/device/device_registry.h"

// The export of root\path and every key below it: each key's line, its
// values in the handheld's order, a blank line, then its subkeys, depth
// first in the handheld's order. A string value that is no terminated
// UTF-16 text is written as hex(1), which keeps its bytes. On failure
// returns the status with *failure naming the key ("HKEY_LOCAL_MACHINE\Drivers\X: "
// and the store's reason) and *bytes is not to be used.
RegStatus ExportDeviceKey(DeviceRegistry& device, RegKey root, const std::u16string& path,
                          std::vector<uint8_t>* bytes, std::string* failure);
