// The small rules of the registry file format that every reading of a file
// shares (reg_grammar.h): the reasons a file is refused for, the escapes of
// quoted text, blanks, line ends and hex digits, the hex(N) types that are
// text, and which line end a file mostly uses. Each is written here once;
// internal to the registry library's reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>

#include "platform/registry/reg_text_codec.h"
#include "platform/registry/reg_unit_search.h"
#include "platform/registry/registry.h"

// Why a file is refused; RefusalText gives the reason as the reader reports it.
enum class RegRefusal {
  BigEndian,
  Windows31Header,
  NoHeader,
  Regedit4Utf8,
  OddUtf16,
  NotALine,
  InvalidUtf8,
  UnclosedQuote,
  UnknownEscape,
  KeyLineEnd,
  UnknownRoot,
  EmptyKeyName,
  RootDeletion,
  ValueAfterDeletion,
  ValueBeforeKey,
  EqualsExpected,
  TextAfterDash,
  TextAfterQuote,
  UnknownDataForm,
  DataTooLarge,
  DwordDigits,
  TextAfterDword,
  MalformedHexType,
  HexByteExpected,
  CommaBeforeBackslash,
  CommaBetweenBytes,
  BackslashOnlyLine,
  TextAfterBackslash,
  HashLineInHex,
};

// The reasons, in the order of RegRefusal.
inline constexpr const char* REG_REFUSAL_TEXTS[] = {
    "UTF-16 big-endian text (byte-order mark FE FF): registry files are Windows-1252, UTF-8 or "
    "UTF-16 little-endian",
    "not a registry file: \"REGEDIT\" heads the Windows 3.1 registration form",
    "not a registry file: the first line is neither \"REGEDIT4\" nor \"Windows Registry Editor "
    "Version 5.00\"",
    "a REGEDIT4 file must be Windows-1252 or UTF-16LE text, not UTF-8 with a byte-order mark",
    "UTF-16 text with an odd number of bytes",
    "not a key, value or comment line",
    "invalid UTF-8 text",
    "quoted text without its closing quote",
    "unknown escape sequence in quoted text",
    "a key line must end with ']'",
    "unknown root key",
    "empty key name in the key path",
    "a root key cannot be deleted",
    "a value line after a key deletion",
    "a value line before any key line",
    "'=' expected after the value name",
    "unexpected text after '-'",
    "unexpected text after the closing quote",
    "unknown value data form",
    "value data too large",
    "dword: needs 1 to 8 hex digits",
    "unexpected text after the dword",
    "malformed hex(N): type",
    "hex byte expected",
    "',' expected before '\\': hex data continues only after a comma",
    "',' expected between hex bytes",
    "a line of wrapped hex data holding only '\\'",
    "unexpected text after '\\'",
    "a '#' line inside wrapped hex data",
};
static_assert(std::size(REG_REFUSAL_TEXTS) == size_t(RegRefusal::HashLineInHex) + 1,
              "one reason for each refusal");

inline const char* RefusalText(RegRefusal refusal) {
  return REG_REFUSAL_TEXTS[static_cast<size_t>(refusal)];
}

// The escapes of quoted text, read and written: "\e" stands for unit.
struct RegEscape {
  char16_t e;
  char16_t unit;
};
inline constexpr RegEscape REG_ESCAPE_LIST[] = {
    {u'\\', u'\\'}, {u'"', u'"'}, {u'n', u'\n'}, {u'r', u'\r'}};

// REG_ESCAPE_LIST both ways: the unit each e stands for, and the e each
// unit is written with; 0 where there is none (the reader refuses any other
// escape, the writer writes any other unit as it is). Every unit of the
// list is below 128.
struct RegEscapes {
  char16_t unit[128];
  char16_t e[128];
  constexpr RegEscapes() : unit(), e() {
    for (const RegEscape& escape : REG_ESCAPE_LIST) {
      unit[escape.e] = escape.unit;
      e[escape.unit] = escape.e;
    }
  }
};
inline constexpr RegEscapes REG_ESCAPES;

inline char16_t EscapedUnit(char16_t e) { return e < 128 ? REG_ESCAPES.unit[e] : 0; }
// The e of the escape "\e" that writes unit in quoted text; 0 when unit is written as it is.
inline char16_t EscapeOf(char16_t unit) { return unit < 128 ? REG_ESCAPES.e[unit] : 0; }

constexpr bool IsBlank(char16_t u) { return u == u' ' || u == u'\t'; }
constexpr bool IsLineEnd(char16_t u) { return u == u'\n' || u == u'\r'; }

// The value of each hex digit by its unit, -1 for any other unit below 256
// (so that narrow units, all below 256, need no range check).
struct RegHexDigits {
  int8_t value[256];
  constexpr RegHexDigits() : value() {
    for (int u = 0; u < 256; ++u) {
      value[u] = static_cast<int8_t>(u >= '0' && u <= '9'   ? u - '0'
                                     : u >= 'a' && u <= 'f' ? u - 'a' + 10
                                     : u >= 'A' && u <= 'F' ? u - 'A' + 10
                                                            : -1);
    }
  }
};
inline constexpr RegHexDigits REG_HEX_DIGITS;

// The value of the hex digit u (either case), or -1.
inline int HexValue(char16_t u) { return u < 256 ? REG_HEX_DIGITS.value[u] : -1; }

#if REG_UNIT_BLOCKS
// The bits (reg_unit_search::BitsOf) of the units of the block at unit k of
// data that are hex digits, as HexValue has them.
template <size_t UNIT>
inline unsigned HexDigitBits(const uint8_t* data, size_t k) {
  using L = reg_unit_search::Lane<UNIT>;
  const reg_unit_search::Lanes<UNIT> block = reg_unit_search::LoadBlock<UNIT>(data, k);
  const auto digit = block - static_cast<L>(u'0');
  const auto letter = (block | static_cast<L>(0x20)) - static_cast<L>(u'a');
  return reg_unit_search::BitsOf((digit <= static_cast<L>(9)) | (letter <= static_cast<L>(5)));
}
#endif

// Whether the N units of UNIT bytes from unit k of data, all below limit,
// are hex digits.
template <size_t N, size_t UNIT>
inline bool AllHex(const uint8_t* data, size_t k, size_t limit) {
#if REG_UNIT_BLOCKS
  // A whole block at once (eight UTF-16 units) is fewer steps than a unit at
  // a time; a part of one is not.
  if (N * UNIT == 16 && k + N <= limit) return HexDigitBits<UNIT>(data, k) == 0xFFFF;
#endif
  (void)limit;
  // The table gives -1 for any other unit, which sets the sign of the or.
  int any = 0;
  for (size_t d = 0; d < N; ++d) any |= HexValue(reg_unit_search::UnitAt<UNIT>(data, k + d));
  return any >= 0;
}

// Types whose hex(N) data in a REGEDIT4 file is Windows-1252 text.
constexpr bool IsStringType(uint32_t type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}
// Types whose hex(N) data gets the NUL terminator it lacks, as Windows'
// import gives it (TerminatorSize).
constexpr bool GetsTerminator(uint32_t type) {
  return type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// The line ends of a file counted by kind; its most frequent (ties go to
// CRLF, then LF) is the one lines added to it get.
struct RegLineEndCounts {
  uint64_t crlf = 0, lf = 0, cr = 0;
  RegLineEnd Dominant() const {
    if (lf > crlf && lf >= cr) return RegLineEnd::Lf;
    if (cr > crlf && cr > lf) return RegLineEnd::Cr;
    return RegLineEnd::CrLf;
  }
};
