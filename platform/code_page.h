// Conversion between the narrow code page (Windows-1252) and UTF-16.
//
// The two routines follow the handheld's multi-byte/wide converters: a source
// count of -1 means "through the terminator, terminator included"; conversion
// stops at the destination limit; the result is the number of units written.
// A destination limit of 0 asks only for the number of units the whole source
// would need. Neither routine depends on the process locale.
#pragma once

#include <cstdint>

// Characters of bytes 0x80-0x9F; the rest of 0x00-0xFF is Latin-1.
inline constexpr char16_t CODE_PAGE_HIGH_CONTROLS[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Windows-1252 byte b as a UTF-16 unit. The five bytes 1252 leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to U+0081, U+008D, U+008F, U+0090, U+009D.
// Inline: the registry's key names are compared and hashed through it byte
// by byte.
inline char16_t CodePageToWide(unsigned char b) {
  if (b >= 0x80 && b <= 0x9F) return CODE_PAGE_HIGH_CONTROLS[b - 0x80];
  return b;
}

// The Windows-1252 byte for UTF-16 unit u, or '?' when 1252 has no such
// character (surrogates included: a pair stands for a character beyond 1252).
char WideToCodePage(char16_t u);

// Widens src_count bytes of src (-1: through its terminator) into dst.
// Writes at most dst_limit units and returns the number written; with
// dst_limit 0, writes nothing and returns the units needed.
// Example: "caf\xE9" with count -1 gives u"caf\u00E9" and 5 (terminator included).
int MultiByteToWide(const char* src, int src_count, char16_t* dst, int dst_limit);

// Narrows src_count units of src (-1: through its terminator) into dst, one
// byte per unit; units with no 1252 byte become '?' (a surrogate pair becomes
// one '?'). Same limit and result rules as MultiByteToWide.
int WideToMultiByte(const char16_t* src, int src_count, char* dst, int dst_limit);
