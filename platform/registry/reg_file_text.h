// Text of a registry file in the file's own encoding, where it stands in the
// file's bytes: how the index pass hands key paths over without decoding them.
// Internal to the registry library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/registry/reg_name.h"
#include "platform/registry/reg_text_codec.h"
#include "platform/registry/reg_unit_search.h"

// Units [0, size()) of text in a file's own encoding, where they stand in the
// file (valid while the file's bytes are): narrow units are bytes, UTF-16LE
// units 16-bit. Backslashes and other ASCII characters read as themselves in
// every encoding, so paths split and compare unit by unit.
class RegFileText {
 public:
  RegFileText() = default;  // no units
  // readable: how many units from bytes may be read (at least units), so
  // that a search may read a whole block past the text's end.
  RegFileText(const uint8_t* bytes, size_t units, RegEncoding encoding, size_t readable)
      : bytes_(bytes), units_(units), readable_(readable), encoding_(encoding) {}
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
  // Whether units [begin, end) read one for one through Windows-1252 (the
  // text of a Windows-1252 file, or ASCII text of a UTF-8 one); *name then
  // holds them.
  bool AsCodePageName(size_t begin, size_t end, CodePageName* name) const {
    if (encoding_ != RegEncoding::CodePage1252) return AsAsciiName(begin, end, name);
    *name = CodePageName{bytes_ + begin, end - begin};
    return true;
  }
  // Appends the UTF-16 text of units [begin, end) to out. The text was checked
  // by the pass that handed it over (UTF-8 well formed).
  void Decode(size_t begin, size_t end, std::u16string* out) const;

 private:
  // AsCodePageName for UTF-8 and UTF-16LE text.
  bool AsAsciiName(size_t begin, size_t end, CodePageName* name) const;

  const uint8_t* bytes_ = nullptr;
  size_t units_ = 0;
  size_t readable_ = 0;
  RegEncoding encoding_ = RegEncoding::CodePage1252;
};
