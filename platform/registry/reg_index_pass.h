// The checking and indexing pass over a whole registry file in memory: one
// pass over its bytes that finds the line ends, checks every line's grammar
// exactly as the reader (reg_parser.h) does, and reports only the key lines
// and which key sections hold values. Nothing is decoded to UTF-16 on the way:
// key paths are handed over in the file's own encoding, values are checked
// where they stand and only measured.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/registry/reg_parser.h"
#include "platform/registry/reg_text_codec.h"
#include "platform/registry/reg_unit_search.h"
#include "platform/registry/registry.h"

// Units [0, size()) of text in a file's own encoding, where they stand in the
// file (valid while the file's bytes are): narrow units are bytes, UTF-16LE
// units 16-bit. Backslashes and other ASCII characters read as themselves in
// every encoding, so paths split and compare unit by unit.
class RegFileText {
 public:
  RegFileText() = default;  // no units
  RegFileText(const uint8_t* bytes, size_t units, RegEncoding encoding)
      : bytes_(bytes), units_(units), encoding_(encoding) {}
  size_t size() const { return units_; }
  char16_t operator[](size_t i) const {
    if (encoding_ != RegEncoding::Utf16Le) return bytes_[i];
    return reg_unit_search::UnitAt<2>(bytes_, i);
  }
  // How many of the first count units (at most either's size) both hold
  // alike; both are in the same encoding.
  size_t CommonUnits(const RegFileText& other, size_t count) const;
  // The first backslash at or after unit from, or size().
  size_t FindBackslash(size_t from) const;
  // Appends the UTF-16 text of units [begin, end) to out. The text was checked
  // by the pass that handed it over (UTF-8 well formed).
  void Decode(size_t begin, size_t end, std::u16string* out) const;

 private:
  const uint8_t* bytes_ = nullptr;
  size_t units_ = 0;
  RegEncoding encoding_ = RegEncoding::CodePage1252;
};

// What the pass reports, in file order.
class RegIndexEvents {
 public:
  virtual ~RegIndexEvents() = default;
  // A key line: its root, the path below it (empty for the root itself; no
  // empty names, no trailing backslash) and whether it deletes the key.
  virtual void OnKey(RegKey root, const RegFileText& path, bool deletion) = 0;
  // The section the last OnKey opened holds a value line (or a value
  // deletion); its value lines start at byte offset begin (just past the key
  // line). Reported once per section, at its first value line.
  virtual void OnSectionValues(uint64_t begin) = 0;
};

// Checks the size bytes of a whole file at data and reports its keys to
// events; sets form (dialect, encoding, mark, most frequent line end, open
// continuation) as ReadRegBytes does. Refuses exactly the files
// ReadRegBytes refuses, with the same line and reason (false, error set;
// events may then have seen part of the file). Needs memory independent of
// the input.
bool IndexRegBytes(const uint8_t* data, size_t size, RegIndexEvents& events, RegFileForm* form,
                   RegParseError* error);
