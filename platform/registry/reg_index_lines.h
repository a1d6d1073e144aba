// The lines of a registry file in memory as the index pass (reg_index_pass.h)
// reads them: its units, where each line ends, blanks, and quoted text checked
// and measured where it stands. Internal to the index pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/registry/reg_file_text.h"
#include "platform/registry/reg_line_parser.h"
#include "platform/registry/reg_parser.h"
#include "platform/registry/reg_text_codec.h"
#include "platform/registry/reg_unit_search.h"

namespace reg_index_pass {

using reg_unit_search::BitsOf;
using reg_unit_search::FindFirstOf;
using reg_unit_search::PER_BLOCK;
using reg_unit_search::StopBits;

inline bool IsBlank(char16_t u) { return u == u' ' || u == u'\t'; }
inline bool IsLineEnd(char16_t u) { return u == u'\n' || u == u'\r'; }

// A file of UNIT-byte units. Positions are unit indexes into the file's
// units after its mark. The current line starts at line_start_; the end of
// the input reads as a line end (At), so every rule that stops at a line's
// end stops there too.
template <size_t UNIT>
class IndexLines {
 public:
  IndexLines(const uint8_t* data, size_t size, uint64_t base, RegParseError* error)
      : data_(data), count_(size / UNIT), stray_(size % UNIT != 0), base_(base), error_(error) {}

  bool Fail(const char* reason) { return FailAt(line_, reason); }

  RegLineEnd DominantLineEnd() const {
    if (lf_ > crlf_ && lf_ >= cr_) return RegLineEnd::Lf;
    if (cr_ > crlf_ && cr_ > lf_) return RegLineEnd::Cr;
    return RegLineEnd::CrLf;
  }
  uint64_t OpenContinuation() const { return open_continuation_; }

 protected:
  bool FailAt(uint64_t line, const char* reason) {
    error_->line = line;
    error_->reason = reason;
    return false;
  }

  char16_t Unit(size_t i) const { return reg_unit_search::UnitAt<UNIT>(data_, i); }
  // Unit i, or a line end past the input.
  char16_t At(size_t i) const { return i < count_ ? Unit(i) : u'\n'; }
  uint64_t Offset(size_t i) const { return base_ + uint64_t(i) * UNIT; }
  RegFileText Text(size_t begin, size_t end) const {
    return RegFileText(data_ + begin * UNIT, end - begin, encoding_, count_ - begin);
  }

  size_t SkipBlanks(size_t i) const {
    while (IsBlank(At(i))) ++i;
    return i;
  }
  // The line end at or after i (count_ at the end of the input).
  size_t FindLineEnd(size_t i) const { return FindFirstOf<UNIT, u'\r', u'\n'>(data_, i, count_); }

  // Ends the current line at its line end e and moves to the next line.
  void FinishLine(size_t e) {
    if (e >= count_) {
      // A line consumed to the input's end keeps what its own end was.
      if (line_start_ < count_) ended_ = false;
      line_start_ = count_;
      return;
    }
    FinishLineBefore(e);
  }
  // FinishLine for a line end e within the input.
  void FinishLineBefore(size_t e) {
    ended_ = true;
    if (Unit(e) == u'\r' && e + 1 < count_ && Unit(e + 1) == u'\n') {
      ++crlf_;
      line_start_ = e + 2;
    } else if (Unit(e) == u'\n') {
      ++lf_;
      line_start_ = e + 1;
    } else {
      ++cr_;
      line_start_ = e + 1;
    }
  }

  // Whether units [i, end) are exactly text.
  bool Spells(size_t i, size_t end, std::u16string_view text) const {
    return end - i == text.size() && StartsWith(i, text);
  }
  bool StartsWith(size_t i, std::u16string_view text) const {
    if (i + text.size() <= count_) {  // no unit past the input to stand for
      for (size_t k = 0; k < text.size(); ++k) {
        if (Unit(i + k) != text[k]) return false;
      }
      return true;
    }
    for (size_t k = 0; k < text.size(); ++k) {
      if (At(i + k) != text[k]) return false;
    }
    return true;
  }

  // Whether only blanks, or blanks and a ';' comment, follow i on the line;
  // *end is then the line's end.
  bool LineRest(size_t i, size_t* end) const {
    i = SkipBlanks(i);
    const char16_t u = At(i);
    if (IsLineEnd(u)) {
      *end = i;
      return true;
    }
    if (u != u';') return false;
    *end = FindLineEnd(i);
    return true;
  }

  // Checks the text of units [a, b) and adds its UTF-16 units to units_.
  bool Measure(size_t a, size_t b) {
    if (UNIT == 1 && encoding_ == RegEncoding::Utf8) {
      if (CountUtf8Units(data_ + a, b - a, &units_) != b - a) return Fail("invalid UTF-8 text");
    } else {
      units_ += b - a;
    }
    return true;
  }

  // Checks the quoted text whose opening quote is at i and measures it in
  // units_; *after is the unit past the closing quote.
  bool Quoted(size_t i, size_t* after) {
#if REG_UNIT_BLOCKS
    // Most narrow quoted text (names above all) closes within the block
    // after its opening quote, with no escape before; the rest is read out of
    // line. (UTF-16 text, eight units a block, mostly outgrows one.)
    if (UNIT == 2) return QuotedWithStops(i, after);
    const size_t k = i + 1;
    if (encoding_ != RegEncoding::Utf8 && k + PER_BLOCK<UNIT> <= count_) {
      const unsigned bits = StopBits<UNIT, u'"', u'\\', u'\r', u'\n'>(data_, k);
      const size_t stop = k + static_cast<size_t>(__builtin_ctz(bits | 0x10000)) / UNIT;
      if (stop < k + PER_BLOCK<UNIT> && Unit(stop) == u'"') {
        units_ = stop - k;
        *after = stop + 1;
        return true;
      }
    }
#endif
    return QuotedOutOfLine(i, after);
  }
  [[gnu::noinline]] bool QuotedOutOfLine(size_t i, size_t* after) {
    return QuotedWithStops(i, after);
  }

  // Quoted for any text: stops read block by block.
  bool QuotedWithStops(size_t i, size_t* after) {
    if (UNIT == 1 && encoding_ == RegEncoding::Utf8) return QuotedUtf8(i, after);
    // Each unit is one UTF-16 unit, each escape two for one: the stops are
    // read block by block, an escape's second unit dropped from its block.
    size_t escapes = 0;
    size_t k = i + 1;
#if REG_UNIT_BLOCKS
    while (k + PER_BLOCK<UNIT> <= count_) {
      unsigned bits = StopBits<UNIT, u'"', u'\\', u'\r', u'\n'>(data_, k);
      size_t next = k + PER_BLOCK<UNIT>;
      while (bits != 0) {
        const size_t stop = k + static_cast<size_t>(__builtin_ctz(bits)) / UNIT;
        const QuotedStop what = AtQuotedStop(stop, i, escapes, after);
        if (what != QuotedStop::Escape) return what == QuotedStop::Closed;
        ++escapes;
        const size_t through = (stop + 2 - k) * UNIT;  // bytes through the escaped unit
        if (through >= 16) {
          next = stop + 2;
          break;
        }
        bits &= ~0u << through;
      }
      k = next;
    }
#endif
    while (true) {
      const size_t stop = FindFirstOf<UNIT, u'"', u'\\', u'\r', u'\n'>(data_, k, count_);
      const QuotedStop what = AtQuotedStop(stop, i, escapes, after);
      if (what != QuotedStop::Escape) return what == QuotedStop::Closed;
      ++escapes;
      k = stop + 2;
    }
  }

  enum class QuotedStop { Closed, Escape, Refused };
  // What the stop of the text quoted at open does: the closing quote
  // (measured, *after past it), an escape, or a refusal (error set).
  QuotedStop AtQuotedStop(size_t stop, size_t open, size_t escapes, size_t* after) {
    const char16_t u = At(stop);
    if (u == u'"') {
      units_ = stop - open - 1 - escapes;
      *after = stop + 1;
      return QuotedStop::Closed;
    }
    const char16_t e = At(stop + 1);
    if (u != u'\\' || IsLineEnd(e)) {
      Fail("quoted text without its closing quote");
      return QuotedStop::Refused;
    }
    if (e != u'\\' && e != u'"' && e != u'n' && e != u'r') {
      Fail("unknown escape sequence in quoted text");
      return QuotedStop::Refused;
    }
    return QuotedStop::Escape;
  }

  // Quoted for UTF-8 text, whose units are counted and checked span by span.
  bool QuotedUtf8(size_t i, size_t* after) {
    units_ = 0;
    for (size_t k = i + 1;;) {
      const size_t stop = FindFirstOf<UNIT, u'"', u'\\', u'\r', u'\n'>(data_, k, count_);
      const char16_t u = At(stop);
      if (u == u'"') {
        *after = stop + 1;
        return Measure(k, stop);
      }
      if (u != u'\\') break;
      const char16_t e = At(stop + 1);
      if (IsLineEnd(e)) break;
      if (!Measure(k, stop)) return false;
      if (e != u'\\' && e != u'"' && e != u'n' && e != u'r') {
        return Fail("unknown escape sequence in quoted text");
      }
      ++units_;
      k = stop + 2;
    }
    return Fail("quoted text without its closing quote");
  }

  const uint8_t* data_;
  const size_t count_;  // whole units
  const bool stray_;    // a byte left over that makes no whole unit
  const uint64_t base_;
  RegParseError* error_;
  RegEncoding encoding_ = RegEncoding::CodePage1252;
  RegDialect dialect_ = RegDialect::Version5;
  size_t line_start_ = 0;
  uint64_t line_ = 0;   // 1-based number of the current line
  bool ended_ = false;  // whether the last line read ended with a line end
  uint64_t crlf_ = 0, lf_ = 0, cr_ = 0;
  uint64_t units_ = 0;  // UTF-16 units of the text last measured
  uint64_t open_continuation_ = 0;
};

}  // namespace reg_index_pass
