// The lines of a whole registry file in memory as the index pass reads them
// (the Lines of reg_grammar.h): each line's end is found only where the rules
// reach it, so that a line is read once, and the end of the input reads as a
// line end. Internal to the registry library's reader.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/registry/reg_format_rules.h"
#include "platform/registry/reg_unit_search.h"

// A file of UNIT-byte units. Positions are unit indexes into the file's
// units after its mark; the current line starts at Begin().
template <size_t UNIT>
class RegMemoryLines {
 public:
  static constexpr size_t UNIT_BYTES = UNIT;

  // The size bytes at data (not copied) stand at byte offset base of the file.
  RegMemoryLines(const uint8_t* data, size_t size, uint64_t base)
      : data_(data), count_(size / UNIT), stray_(size % UNIT != 0), base_(base) {}

  // Moves to the next line, which starts where the last one was finished;
  // false at the end of the input.
  bool NextLine() {
    if (line_start_ >= count_) return false;
    ++line_;
    return true;
  }
  // NextLine where a line is known to start.
  void StartLine() { ++line_; }
  size_t Begin() const { return line_start_; }

  char16_t Unit(size_t i) const { return reg_unit_search::UnitAt<UNIT>(data_, i); }
  // Unit i, or a line end past the input.
  char16_t At(size_t i) const { return i < count_ ? Unit(i) : u'\n'; }
  const uint8_t* Data() const { return data_; }
  size_t Limit() const { return count_; }
  uint64_t Offset(size_t i) const { return base_ + uint64_t(i) * UNIT; }
  uint64_t NextLineOffset() const { return Offset(line_start_); }

  // The line end at or after i (the input's end when there is none).
  size_t FindLineEnd(size_t i) const {
    return reg_unit_search::FindFirstOf<UNIT, u'\r', u'\n'>(data_, i, count_);
  }
  // Ends the current line at its line end e; the next line starts past it.
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
      ++ends_.crlf;
      line_start_ = e + 2;
    } else {
      ++(Unit(e) == u'\n' ? ends_.lf : ends_.cr);
      line_start_ = e + 1;
    }
  }

  // 1-based; 0 before the first line.
  uint64_t LineNumber() const { return line_; }
  // Whether the last line finished ended with a line end.
  bool LineEnded() const { return ended_; }
  int ReadError() const { return 0; }
  // A byte left over that makes no whole unit.
  bool StrayByte() const { return stray_; }
  RegLineEnd DominantLineEnd() const { return ends_.Dominant(); }

 private:
  const uint8_t* data_;
  const size_t count_;  // whole units
  const bool stray_;
  const uint64_t base_;
  size_t line_start_ = 0;
  uint64_t line_ = 0;
  bool ended_ = false;
  RegLineEndCounts ends_;
};
