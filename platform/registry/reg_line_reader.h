// Lines of a registry file read piece by piece from a RegByteSource, so that
// only about one line (and a fixed buffer) is held at a time, or straight from
// bytes already in memory, which are then never copied. A line ends at CRLF,
// LF or a lone CR; its units are addressed by index into the reader's buffer
// (or the bytes in memory), valid until the next line is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/registry/reg_format_rules.h"
#include "platform/registry/reg_text_codec.h"

// Supplies a file's bytes in order, piece by piece.
class RegByteSource {
 public:
  virtual ~RegByteSource() = default;
  // Reads up to size bytes into buffer; *got 0 means the end. Returns 0 or
  // an errno value.
  virtual int Read(uint8_t* buffer, size_t size, size_t* got) = 0;
};

// A RegByteSource over bytes in memory (not copied; they must outlive it).
class MemoryByteSource : public RegByteSource {
 public:
  MemoryByteSource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  int Read(uint8_t* buffer, size_t size, size_t* got) override {
    *got = size < size_ - at_ ? size : size_ - at_;
    if (*got != 0) std::memcpy(buffer, data_ + at_, *got);
    at_ += *got;
    return 0;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// UNIT is the bytes of one character unit: 1 for narrow text, 2 for UTF-16LE.
template <size_t UNIT>
class RegLineReader {
 public:
  static constexpr size_t UNIT_BYTES = UNIT;
  static constexpr size_t CHUNK = 1 << 20;

  // start: the first bytes, already read, which stand at byte offset base of
  // the file at a unit boundary.
  RegLineReader(RegByteSource& source, std::vector<uint8_t> start, uint64_t base)
      : source_(&source), buffer_(std::move(start)), base_(base) {
    end_ = buffer_.size();
    buffer_.resize(end_ < CHUNK ? CHUNK : end_);
    data_ = buffer_.data();
  }

  // Reads the size bytes at data (not copied; they must outlive the reader),
  // which stand at byte offset base of the file at a unit boundary.
  RegLineReader(const uint8_t* data, size_t size, uint64_t base)
      : source_(nullptr), data_(data), end_(size), base_(base), eof_(true) {}

  // Moves to the next line; false at the end of the input or when the
  // source fails (ReadError() then non-zero).
  bool NextLine() {
    size_t scanned = next_;  // the units before it hold no line end
    while (true) {
      size_t count = end_ / UNIT;
      size_t i = ScanLineEnd(scanned, count);
      // A CR last in the buffer may be the first half of a CRLF.
      bool settled = i < count && !(Unit(i) == u'\r' && i + 1 == count && !eof_);
      if (settled || eof_) {
        if (next_ == count && eof_) return false;
        begin_ = next_;
        line_end_ = i;
        ended_ = i != count;
        if (i == count) {
          next_ = i;
        } else if (Unit(i) == u'\r' && i + 1 < count && Unit(i + 1) == u'\n') {
          next_ = i + 2;
          ++ends_.crlf;
        } else {
          next_ = i + 1;
          ++(Unit(i) == u'\r' ? ends_.cr : ends_.lf);
        }
        ++line_number_;
        return true;
      }
      size_t before = next_;
      if (!Refill()) return false;
      scanned = i - before;
    }
  }

  char16_t Unit(size_t i) const {
    if (UNIT == 1) return data_[i];
    return static_cast<char16_t>(data_[2 * i] | (data_[2 * i + 1] << 8));
  }
  // The current line's units are [Begin(), End()).
  size_t Begin() const { return begin_; }
  size_t End() const { return line_end_; }
  // The file offset of unit i, and of the line after the current one.
  uint64_t Offset(size_t i) const { return base_ + uint64_t(i) * UNIT; }
  uint64_t NextLineOffset() const { return Offset(next_); }
  // 1-based; 0 before the first line.
  uint64_t LineNumber() const { return line_number_; }
  // Whether the current line ended with a line end (not the end of input).
  bool LineEnded() const { return ended_; }
  int ReadError() const { return read_error_; }
  // At the end: a byte left over that makes no whole unit.
  bool StrayByte() const { return end_ % UNIT != 0; }

  // The most frequent line end so far.
  RegLineEnd DominantLineEnd() const { return ends_.Dominant(); }

  // What the grammar (reg_grammar.h) reads a line through: the current
  // line's end stands for every unit from it on, and is all FindLineEnd
  // finds; the line is over once read, so FinishLine has nothing to do.
  char16_t At(size_t i) const { return i < line_end_ ? Unit(i) : u'\n'; }
  const uint8_t* Data() const { return data_; }
  size_t Limit() const { return line_end_; }
  size_t FindLineEnd(size_t) const { return line_end_; }
  void FinishLine(size_t) {}

 private:
  // The first CR or LF in units [i, count), or count.
  size_t ScanLineEnd(size_t i, size_t count) const {
    if (UNIT == 2) {
      while (i < count && Unit(i) != u'\n' && Unit(i) != u'\r') ++i;
      return i;
    }
    // Two vectorised searches beat one loop testing both.
    size_t lf = FindByte(i, count, '\n');
    return FindByte(i, lf, '\r');
  }

  // The first byte b in narrow units [i, end), or end.
  size_t FindByte(size_t i, size_t end, uint8_t b) const {
    if (i == end) return end;  // the bytes of an empty input may be null
    const void* at = std::memchr(data_ + i, b, end - i);
    return at == nullptr ? end : static_cast<const uint8_t*>(at) - data_;
  }

  // Drops the bytes before the next line and reads more after the rest.
  bool Refill() {
    size_t drop = next_ * UNIT;
    std::memmove(buffer_.data(), buffer_.data() + drop, end_ - drop);
    end_ -= drop;
    base_ += drop;
    next_ = 0;
    if (end_ == buffer_.size())
      buffer_.resize(buffer_.size() * 2);  // a line longer than the buffer
    data_ = buffer_.data();
    size_t got = 0;
    read_error_ = source_->Read(buffer_.data() + end_, buffer_.size() - end_, &got);
    if (read_error_ != 0) return false;
    eof_ = got == 0;
    end_ += got;
    return true;
  }

  RegByteSource* source_;  // null for bytes in memory, which hold the whole input
  std::vector<uint8_t> buffer_;
  const uint8_t* data_;
  size_t end_;     // bytes of buffer_ filled
  uint64_t base_;  // file offset of buffer_[0]
  bool eof_ = false;
  int read_error_ = 0;
  size_t begin_ = 0, line_end_ = 0, next_ = 0;
  bool ended_ = false;
  uint64_t line_number_ = 0;
  RegLineEndCounts ends_;
};
