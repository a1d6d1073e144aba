// The reader of registry export files (.reg). One linear pass over the file's
// bytes builds the key tree and records, for later in-place edits, where each
// value's data and each key's last section stand (byte offsets into the
// file). A file that is not a registry export, or holds any line the reader
// cannot read exactly, is refused as a whole with its 1-based line number.
//
// What is read: the header line (leading blanks allowed, otherwise exact);
// "[ROOT\path]" key lines (the path runs to the line's last ']', after which
// only blanks may follow; the five root names match without regard to case;
// empty key names are refused) and "[-ROOT\path]" deletions (of a missing key:
// nothing; of a root: refused); value lines `"name"=` or `@=` (blanks allowed
// before and around '=') with data `"text"` (escapes \\ \" \n \r; any other
// escape is refused), `-` (deletes the value), `dword:` and 1-8 hex digits,
// `hex:` or `hex(N):` (N of 1-8 hex digits) with comma-separated bytes of 1-2
// hex digits, continued by a trailing backslash onto later lines (blank and
// comment lines in between are skipped; a continuation at the end of the file
// ends the data); ';' comments on their own line or after the data. In a
// REGEDIT4 file the bytes of hex(1), hex(2) and hex(7) are Windows-1252 text,
// held as UTF-16 exactly as written (no terminator is added). A value line
// needs a key section open: one before any key line, or after a deletion, is
// refused. Repeated sections merge; a later value of the same name (without
// regard to case) replaces the earlier one in place.
//
// Encodings: see DetectEncoding. "REGEDIT4" must be Windows-1252 text without
// a byte-order mark; version 5.00 files are UTF-16LE (with or without a mark)
// or UTF-8 (with or without one), and invalid UTF-8 inside a name, string or
// key path is refused. Each line ends with CRLF, LF or a lone CR.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/reg_text_codec.h"
#include "platform/reg_tree.h"

struct RegParseError {
  uint64_t line = 0;  // 1-based
  std::string reason;
};

// Reads the size bytes at data into tree, which must be fresh, and sets form
// (dialect, encoding, mark and the most frequent line end; CRLF when the file
// has none). Returns false with error set when the file is refused; tree then
// holds part of the file and should be dropped. Never reads outside the
// bytes, and needs stack space independent of the input.
// Example: "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"v\"=dword:1\r\n" gives
// HKEY_CURRENT_USER\A with v = 01 00 00 00 (type 4) and form Regedit4/CrLf.
bool ParseRegFile(const uint8_t* data, size_t size, RegTree* tree, RegFileForm* form,
                  RegParseError* error);
