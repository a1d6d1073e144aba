// The data of a registry file's value lines as the index pass reads them:
// dwords and hex bytes (hex runs a block at a time), checked and measured
// where they stand, hex data followed over its continuation lines. Internal
// to the index pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/registry/reg_index_lines.h"
#include "platform/registry/reg_line_parser.h"

namespace reg_index_pass {

using namespace std::string_view_literals;

// The value of each hex digit by its unit, -1 for any other unit below 256
// (so that narrow units, all below 256, need no range check).
struct HexDigits {
  int8_t value[256];
  constexpr HexDigits() : value() {
    for (int u = 0; u < 256; ++u) value[u] = static_cast<int8_t>(reg_line_parser::HexValue(u));
  }
};
inline constexpr HexDigits HEX_DIGITS;

inline int HexValue(char16_t u) { return u < 256 ? HEX_DIGITS.value[u] : -1; }

template <size_t UNIT>
class IndexData : public IndexLines<UNIT> {
 public:
  using IndexLines<UNIT>::IndexLines;

 protected:
  using Lines = IndexLines<UNIT>;
  using Lines::At;
  using Lines::count_;
  using Lines::data_;
  using Lines::dialect_;
  using Lines::Fail;
  using Lines::FindLineEnd;
  using Lines::FinishLine;
  using Lines::line_;
  using Lines::line_start_;
  using Lines::LineRest;
  using Lines::Offset;
  using Lines::open_continuation_;
  using Lines::SkipBlanks;
  using Lines::StartsWith;
  using Lines::Unit;

  bool Dword(size_t k, size_t* end) {
    k = SkipBlanks(k);
    const size_t first = k;
    if (k + 8 <= count_ && AllHex<8>(k)) {
      k += 8;  // the common form: eight digits
    }
    while (k - first < 9 && HexValue(At(k)) >= 0) ++k;
    if (k == first || k - first > 8) return Fail("dword: needs 1 to 8 hex digits");
    if (!LineRest(k, end)) return Fail("unexpected text after the dword");
    return true;
  }

  // "N):" and the bytes of hex(N) data from d on; *size as the reader gives
  // the data (a REGEDIT4 file's narrow text held as UTF-16, a NUL appended to
  // unterminated hex(2) and hex(7) data).
  bool TypedHex(size_t d, uint64_t* size, size_t* end) {
    const size_t first = d;
    uint32_t type = 0;
    while (d - first < 9 && HexValue(At(d)) >= 0) type = type * 16 + HexValue(At(d++));
    if (d == first || d - first > 8 || !StartsWith(d, u"):"sv)) {
      return Fail("malformed hex(N): type");
    }
    uint16_t last_two = 0;
    if (!Hex(d + 2, size, end, &last_two)) return false;
    const bool narrow = dialect_ == RegDialect::Regedit4 && reg_line_parser::IsStringType(type);
    if ((type == REG_EXPAND_SZ || type == REG_MULTI_SZ) && *size != 0) {
      // Windows' import gives the data of these types the terminator it lacks.
      if (narrow) {
        if ((last_two & 0xFF) != 0) ++*size;
      } else if (*size % 2 != 0) {
        ++*size;  // padded with a NUL byte: the last unit is its last byte and 00
        if ((last_two & 0xFF) != 0) *size += 2;
      } else if (last_two != 0) {
        *size += 2;
      }
    }
    if (narrow) *size *= 2;  // narrow text, held as UTF-16 unit for unit
    return true;
  }

  // Checks comma-separated hex bytes from k on, following continuation lines
  // as the reader does; *size counts them and *last_two holds the last two
  // (the last in its low byte).
  bool Hex(size_t k, uint64_t* size, size_t* end, uint16_t* last_two = nullptr) {
    uint64_t count = 0;
    uint16_t last = 0;
    bool may_wrap = true;
    while (true) {
      k = SkipBlanks(k);
      // Most data is bytes of two digits, each right before a comma.
      const size_t run = k;
      k = PairRun(k);
      if (k != run) {
        count += (k - run) / 3;
        last = static_cast<uint16_t>(last << 8 | ByteAt(k - 3));
        if (k - run >= 6) last = static_cast<uint16_t>(ByteAt(k - 6) << 8 | ByteAt(k - 3));
        may_wrap = true;
        k = SkipBlanks(k);
      }
      char16_t u = At(k);
      if (u == u'\\') {
        if (!may_wrap) return Fail("a line of wrapped hex data holding only '\\'");
        const size_t backslash = k;
        if (!Continue(k, &k)) return false;
        if (k == count_) {
          // Continued past the end of the file.
          open_continuation_ = Offset(backslash);
          break;
        }
        may_wrap = false;
        continue;
      }
      if (IsLineEnd(u) || u == u';') break;
      int value = HexValue(u);
      if (value < 0) return Fail("hex byte expected");
      const int second = HexValue(At(++k));
      if (second >= 0) {
        value = value * 16 + second;
        ++k;
      }
      last = static_cast<uint16_t>(last << 8 | value);
      ++count;
      k = SkipBlanks(k);
      u = At(k);
      may_wrap = u == u',';
      if (may_wrap) {
        ++k;
      } else if (u == u'\\') {
        return Fail("',' expected before '\\': hex data continues only after a comma");
      } else if (!IsLineEnd(u) && u != u';') {
        return Fail("',' expected between hex bytes");
      }
    }
    *size = count;
    if (last_two != nullptr) *last_two = last;
    *end = IsLineEnd(At(k)) ? k : FindLineEnd(k);
    return true;
  }

  // The end of the run of bytes "hh," (two hex digits and a comma) from k,
  // read a block at a time (five bytes of narrow text, two of UTF-16).
  size_t PairRun(size_t k) const {
#if REG_UNIT_BLOCKS
    using L = reg_unit_search::Lane<UNIT>;
    while (k + PER_BLOCK<UNIT> <= count_) {
      const reg_unit_search::Lanes<UNIT> block = reg_unit_search::LoadBlock<UNIT>(data_, k);
      const auto digit = block - static_cast<L>(u'0');
      const auto letter = (block | static_cast<L>(0x20)) - static_cast<L>(u'a');
      const unsigned hex = BitsOf((digit <= static_cast<L>(9)) | (letter <= static_cast<L>(5)));
      const unsigned comma = BitsOf(block == static_cast<L>(u','));
      const unsigned missing =
          ~((hex & PAIR_DIGITS) | (comma & PAIR_COMMAS)) & (PAIR_DIGITS | PAIR_COMMAS);
      if (missing != 0) {
        // The whole bytes before the first unit out of place.
        return k + static_cast<size_t>(__builtin_ctz(missing)) / UNIT / 3 * 3;
      }
      k += 3 * PAIRS_PER_BLOCK;
    }
#endif
    while (k + 3 <= count_ && Unit(k + 2) == u',' && AllHex<2>(k)) k += 3;
    return k;
  }
  static constexpr size_t PAIRS_PER_BLOCK = PER_BLOCK<UNIT> / 3;
  // The bits of a block's bytes (BitsOf) where its "hh," bytes have their
  // digits and their commas.
  static constexpr unsigned PairBits(size_t first, size_t last) {
    unsigned bits = 0;
    for (size_t p = 0; p < PAIRS_PER_BLOCK; ++p) {
      for (size_t u = 3 * p + first; u <= 3 * p + last; ++u)
        bits |= ((1u << UNIT) - 1) << (u * UNIT);
    }
    return bits;
  }
  static constexpr unsigned PAIR_DIGITS = PairBits(0, 1);
  static constexpr unsigned PAIR_COMMAS = PairBits(2, 2);

  // Whether the N units from k (all within the input) are hex digits: the
  // table gives -1 for any other unit, which sets the sign of the or.
  template <size_t N>
  bool AllHex(size_t k) const {
    int any = 0;
    for (size_t d = 0; d < N; ++d) any |= HexValue(Unit(k + d));
    return any >= 0;
  }

  // The byte the two hex digits at k spell.
  int ByteAt(size_t k) const { return HexValue(Unit(k)) << 4 | HexValue(Unit(k + 1)); }

  // Handles the backslash at k: only a comment may follow it; the data goes
  // on at *resume on the next line that is neither blank nor a ';' comment
  // line, or *resume is count_ when the input ends first. A '#' line there is
  // refused: Windows takes it as data and drops the value.
  bool Continue(size_t k, size_t* resume) {
    size_t end = 0;
    if (!LineRest(k + 1, &end)) return Fail("unexpected text after '\\'");
    FinishLine(end);
    while (line_start_ < count_) {
      ++line_;
      const size_t i = SkipBlanks(line_start_);
      const char16_t u = At(i);
      if (IsLineEnd(u)) {
        FinishLine(i);
      } else if (u == u';') {
        FinishLine(FindLineEnd(i));
      } else if (u == u'#') {
        return Fail("a '#' line inside wrapped hex data");
      } else {
        *resume = i;
        return true;
      }
    }
    *resume = count_;
    return true;
  }
};

}  // namespace reg_index_pass
