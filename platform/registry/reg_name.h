// Registry name matching: key and value names compare without regard to
// letter case. Pure functions over any sequence of UTF-16 units that offers
// size() and operator[] (std::u16string_view, PackedBytes's text view).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/code_page.h"

// A name as a narrow file spells it, read unit by unit through Windows-1252
// without being decoded first: the bytes of a Windows-1252 file, or of a
// UTF-8 file when they are all ASCII (which both read alike).
struct CodePageName {
  const uint8_t* bytes;
  size_t count;
  size_t size() const { return count; }
  char16_t operator[](size_t i) const { return CodePageToWide(bytes[i]); }
};

// The upper-case form of u used for matching names. Folds ASCII, Latin-1,
// Latin Extended-A, basic Greek and Cyrillic letters; every other unit
// (surrogates included) matches only itself.
// Example: FoldNameUnit(u'\u00e9') == u'\u00c9', FoldNameUnit(u'1') == u'1'.
inline char16_t FoldNameUnit(char16_t u);
// FoldNameUnit for units from U+0080 on, kept out of line.
char16_t FoldNonAsciiNameUnit(char16_t u);

inline char16_t FoldNameUnit(char16_t u) {
  if (u < 0x80) return (u >= u'a' && u <= u'z') ? static_cast<char16_t>(u - 0x20) : u;
  return FoldNonAsciiNameUnit(u);
}

// True when a and b hold the same units after folding.
// Example: NamesEqual(u"Dll"sv, u"DLL"sv) is true; u"Dll" and u"Dl" differ.
template <typename A, typename B>
bool NamesEqual(const A& a, const B& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && FoldNameUnit(a[i]) != FoldNameUnit(b[i])) return false;
  }
  return true;
}

// Appends the folded units of name to *out: names that are NamesEqual append
// the same units, so folded texts serve as keys of ordinary maps.
inline void AppendFoldedName(std::u16string* out, std::u16string_view name) {
  for (char16_t u : name) out->push_back(FoldNameUnit(u));
}

// A hash of the folded units: names that are NamesEqual hash alike.
template <typename A>
uint32_t NameHash(const A& a) {
  uint32_t h = 2166136261u;  // FNV-1a over the folded units
  for (size_t i = 0; i < a.size(); ++i) {
    h = (h ^ FoldNameUnit(a[i])) * 16777619u;
  }
  return h;
}
