// The grammar's key lines (reg_grammar.h): "[ROOT\path]" and "[-ROOT\path]",
// the root named by the path's first name, no empty key name. Included by
// reg_grammar.h only.
#pragma once

#include <cstring>
#include <iterator>
#include <string>

namespace reg_grammar {

// Whether the n bytes at p and q are alike: read in pieces of eight, the
// last overlapping the one before, when there are eight or more.
inline bool SameBytes(const uint8_t* p, const uint8_t* q, size_t n) {
  if (n < 8) return std::memcmp(p, q, n) == 0;
  const auto piece = [](const uint8_t* at) {
    uint64_t bytes;
    std::memcpy(&bytes, at, 8);
    return bytes;
  };
  uint64_t differ = piece(p + n - 8) ^ piece(q + n - 8);
  for (size_t i = 0; i + 8 < n; i += 8) differ |= piece(p + i) ^ piece(q + i);
  return differ == 0;
}

template <class Lines, bool BUILDS>
inline bool Grammar<Lines, BUILDS>::KeyLine(size_t i) {
  const size_t end = lines_.FindLineEnd(i);
  size_t last = end;  // the line holds '[' at i, so this stops there
  while (IsBlank(Unit(last - 1))) --last;
  if (last - 1 == i || Unit(last - 1) != u']') return Fail(RegRefusal::KeyLineEnd);
  size_t a = i + 1, b = last - 1;
  const bool deletion = a < b && Unit(a) == u'-';
  if (deletion) ++a;
  if (UNIT == 1 && encoding_ == RegEncoding::Utf8) {
    uint64_t units = 0;
    if (CountUtf8Units(lines_.Data() + a, b - a, &units) != b - a) {
      return Fail(RegRefusal::InvalidUtf8);
    }
  }
  const size_t slash = FindFirstOf<UNIT, u'\\'>(lines_.Data(), a, b);
  const RegKey root = Root(a, slash);
  if (root == 0) return Fail(RegRefusal::UnknownRoot);
  size_t below = b, below_end = b;
  if (slash != b) {
    // Backslashes that end the path name no key: "A\B\" is "A\B".
    below = slash + 1;
    while (below_end > below && Unit(below_end - 1) == u'\\') --below_end;
    if ((below_end > below && Unit(below) == u'\\') || DoubledBackslash(below, below_end)) {
      return Fail(RegRefusal::EmptyKeyName);
    }
  }
  if (deletion && below == below_end) return Fail(RegRefusal::RootDeletion);
  lines_.FinishLine(end);
  OpenSection(root, below, below_end, deletion);
  return true;
}

template <class Lines, bool BUILDS>
inline void Grammar<Lines, BUILDS>::OpenSection(RegKey root, size_t below, size_t below_end,
                                                bool deletion) {
  section_open_ = !deletion;
  after_deletion_ = deletion;
  if constexpr (BUILDS) {
    path_.clear();
    Text(below, below_end).Decode(0, below_end - below, &path_);
    events_.OnKey(root, path_, deletion, lines_.NextLineOffset());
  } else {
    section_start_ = lines_.NextLineOffset();
    section_reported_ = false;
    events_.OnKey(root, Text(below, below_end), deletion);
  }
}

// The root a key path's first name [a, b) names, or 0. Keys of one root
// mostly follow each other: the last name read is tried first.
template <class Lines, bool BUILDS>
inline RegKey Grammar<Lines, BUILDS>::Root(size_t a, size_t b) {
  if constexpr (BUILDS) {
    return ReadRoot(a, b);
  } else {
    const uint8_t* text = lines_.Data() + a * UNIT;
    if (root_text_ != nullptr && b - a == root_units_ &&
        SameBytes(text, root_text_, (b - a) * UNIT)) {
      return root_;
    }
    root_ = ReadRoot(a, b);
    root_text_ = text;
    root_units_ = b - a;
    return root_;
  }
}

template <class Lines, bool BUILDS>
inline RegKey Grammar<Lines, BUILDS>::ReadRoot(size_t a, size_t b) const {
  static const RegKey ROOTS[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE,
                                 HKEY_USERS, HKEY_CURRENT_CONFIG};
  static const std::u16string_view NAMES[] = {
      RegTree::RootName(ROOTS[0]), RegTree::RootName(ROOTS[1]), RegTree::RootName(ROOTS[2]),
      RegTree::RootName(ROOTS[3]), RegTree::RootName(ROOTS[4])};
  for (size_t r = 0; r < std::size(ROOTS); ++r) {
    if (Spells(a, b, NAMES[r])) return ROOTS[r];  // files spell roots in capitals
  }
  std::u16string name;
  Text(a, b).Decode(0, b - a, &name);
  return RegTree::RootByName(name);
}

// Whether two backslashes stand side by side in units [a, b).
template <class Lines, bool BUILDS>
inline bool Grammar<Lines, BUILDS>::DoubledBackslash(size_t a, size_t b) const {
  bool after_backslash = false;
  size_t k = a;
#if REG_UNIT_BLOCKS
  for (; k + PER_BLOCK<UNIT> <= b; k += PER_BLOCK<UNIT>) {
    const unsigned bits = reg_unit_search::StopBits<UNIT, u'\\'>(lines_.Data(), k);
    if ((bits & (bits >> UNIT)) != 0 || (after_backslash && (bits & 1) != 0)) return true;
    after_backslash = (bits >> 15) != 0;
  }
#endif
  for (; k < b; ++k) {
    const bool backslash = Unit(k) == u'\\';
    if (backslash && after_backslash) return true;
    after_backslash = backslash;
  }
  return false;
}

}  // namespace reg_grammar
