// The text forms of registry export files: their two dialects, their
// encodings and line ends, detection of an encoding from a file's first
// bytes, and conversion of text between UTF-16 and a file's bytes.
// Conversions report text they cannot carry exactly instead of replacing it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class RegDialect {
  Regedit4,  // header "REGEDIT4": Windows-1252 text (or UTF-16LE)
  Version5,  // header "Windows Registry Editor Version 5.00": UTF-16LE or UTF-8
};

enum class RegEncoding { CodePage1252, Utf8, Utf16Le };

enum class RegLineEnd { CrLf, Lf, Cr };

// The headers, as the first line spells them.
constexpr std::u16string_view REGEDIT4_HEADER = u"REGEDIT4";
constexpr std::u16string_view VERSION5_HEADER = u"Windows Registry Editor Version 5.00";
// The header of the Windows 3.1 registration form, a different format.
constexpr std::u16string_view WINDOWS31_HEADER = u"REGEDIT";

// How a registry file is written. The default is what Windows' regedit makes:
// version 5.00, UTF-16LE with a byte-order mark, CRLF line ends.
struct RegFileForm {
  RegDialect dialect = RegDialect::Version5;
  RegEncoding encoding = RegEncoding::Utf16Le;
  bool bom = true;
  RegLineEnd line_end = RegLineEnd::CrLf;  // the most frequent in the file
  // In a file whose last hex value is continued past the file's end (the end
  // closes its data): the byte offset of the first backslash after its last
  // data byte. 0 in every other file. Text added at the end must first undo
  // that continuation, or the reader takes the new lines as the value's data.
  uint64_t open_continuation = 0;

  // Bytes of the byte-order mark (0, 2 or 3).
  size_t BomSize() const;
  // Bytes of one character unit: 2 for UTF-16LE, else 1.
  size_t UnitSize() const { return encoding == RegEncoding::Utf16Le ? 2 : 1; }
};

// The encoding a file's first bytes announce: FF FE is UTF-16LE with a mark,
// EF BB BF UTF-8 with a mark, a non-NUL byte followed by NUL UTF-16LE without
// one. Anything else is narrow text, reported as CodePage1252 with no mark;
// the header then tells Windows-1252 from UTF-8.
struct RegEncodingGuess {
  RegEncoding encoding;
  bool bom;
};
RegEncodingGuess DetectEncoding(const uint8_t* data, size_t size);

// The bytes every file of form starts with: its mark (when it has one), its
// header line and the line end. Example: the default form gives FF FE and
// "Windows Registry Editor Version 5.00\r\n" in UTF-16LE.
std::vector<uint8_t> FileStartBytes(const RegFileForm& form);

// "\r\n", "\n" or "\r".
std::u16string_view LineEndText(RegLineEnd end);

// Appends the UTF-16 form of n Windows-1252 bytes.
void DecodeCodePage(const uint8_t* bytes, size_t n, std::u16string* out);
// Appends the UTF-16 form of n UTF-8 bytes; false (out then partly appended)
// when the bytes are not well-formed UTF-8: overlong forms, encoded
// surrogates and code points past U+10FFFF are refused.
bool DecodeUtf8(const uint8_t* bytes, size_t n, std::u16string* out);
// Appends the UTF-16 form of the longest start of n UTF-8 bytes that is whole
// well-formed sequences (refused as DecodeUtf8 refuses), and returns its
// length in bytes: n when every byte is well formed, else the offset of the
// first byte that does not start a well-formed sequence.
// Example: "a\xC3\xA9\xC3" appends u"a\u00E9" and returns 3.
size_t DecodeUtf8Prefix(const uint8_t* bytes, size_t n, std::u16string* out);
// The same without the text: adds to *units the number of UTF-16 units
// DecodeUtf8Prefix would append. Example: "a\xF0\x9F\x98\x80" adds 3, returns 5.
size_t CountUtf8Units(const uint8_t* bytes, size_t n, uint64_t* units);

// Appends NUL bytes to text bytes of unit-byte characters (1 or 2) until
// they end in a whole NUL character; empty text stays empty. Examples with
// unit 2: 41,00 becomes 41,00,00,00 and 41,00,42 becomes 41,00,42,00,00,00;
// 41,00,00,00 stays.
void AppendTerminator(size_t unit, std::vector<uint8_t>* bytes);
// How many NUL bytes AppendTerminator appends to size bytes whose last two
// are last_two (the last in the low byte; a lone byte in the low byte).
constexpr size_t TerminatorSize(size_t unit, uint64_t size, uint16_t last_two) {
  if (size == 0) return 0;
  if (unit == 1) return (last_two & 0xFF) != 0 ? 1 : 0;
  // An odd size is padded with a NUL byte: the last unit is its last byte and 00.
  if (size % 2 != 0) return (last_two & 0xFF) != 0 ? 3 : 1;
  return last_two != 0 ? 2 : 0;
}

// Appends text as encoding's bytes; false when a unit has no exact form there
// (a character outside Windows-1252, or an unpaired surrogate in UTF-8).
// UTF-16LE carries every unit. No mark is written.
bool EncodeText(RegEncoding encoding, std::u16string_view text, std::vector<uint8_t>* out);

// UTF-8 for messages; unpaired surrogates become U+FFFD.
std::string MessageText(std::u16string_view text);
