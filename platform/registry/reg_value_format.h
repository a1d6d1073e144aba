// Registry values as export-file text: the name part and the data part of a
// value line, and key lines, written the way regedit writes them so that the
// reader (reg_parser.h) reads back exactly the same name, type and data.
// Results are UTF-16 text; encoding it for a file is the caller's step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/registry/reg_text_codec.h"
#include "platform/registry/registry.h"

// "@" for the default (empty) name, else the name in quotes with \\, \",
// \n and \r escapes. Example: a"b gives "a\"b" (with its quotes).
std::u16string FormatValueName(std::u16string_view name);

// The key line "[ROOT\path]" (just "[ROOT]" for an empty path), or an empty
// text when root is not a predefined root.
std::u16string FormatKeyLine(RegKey root, std::u16string_view path);

// The data part of a value line, for type and size bytes of data:
// - REG_SZ: the text in quotes, escaped like a name. The data must be UTF-16
//   text ending in its one NUL terminator, with no NUL before it.
// - REG_DWORD of 4 bytes: "dword:" and 8 lower-case hex digits.
// - REG_BINARY: "hex:" and the bytes; any other type (a dword of another
//   size included) "hex(N):" with N in lower-case hex. In a REGEDIT4 file the
//   bytes of hex(2) and hex(7) are Windows-1252 text, so the data must be
//   UTF-16 units that each have a Windows-1252 byte.
// Hex bytes are two lower-case digits separated by commas; like regedit, a
// line that reaches 77 columns goes on after ",\" + eol + two blanks.
// start_column is the number of columns before the data on its first line.
// Returns ERROR_NOT_SUPPORTED with *reason set when the dialect cannot hold
// the value exactly. Example: REG_DWORD 01 00 00 00 gives "dword:00000001".
RegStatus FormatValueData(RegDialect dialect, uint32_t type, const uint8_t* data, size_t size,
                          size_t start_column, std::u16string_view eol, std::u16string* out,
                          std::string* reason);
