// The bytes of a fuzz input read as a stream of decisions for the differential
// drivers (text/testing/choice_source.h), and the check that stops a fuzz run on the
// first broken property. The input is borrowed: it must outlive the reader.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "text/testing/choice_source.h"

// Reads decisions from the front of the input, as few bytes as each range
// needs; once the bytes run out every decision is the smallest allowed.
class FuzzChoices : public ChoiceSource {
 public:
  FuzzChoices(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  long Int(long lo, long hi) override {
    uint64_t range = static_cast<uint64_t>(hi) - static_cast<uint64_t>(lo);
    uint64_t value = 0;
    for (uint64_t covered = 0; covered < range && pos_ < size_; covered = covered << 8 | 0xFF) {
      value = value << 8 | data_[pos_++];
    }
    if (range != UINT64_MAX) value %= range + 1;
    return static_cast<long>(static_cast<uint64_t>(lo) + value);
  }
  uint64_t Bits() override { return static_cast<uint64_t>(Int(LONG_MIN, LONG_MAX)); }
  double Unit() override { return static_cast<double>(Bits() >> 11) * 0x1p-52 - 1.0; }
  bool Exhausted() const override { return pos_ >= size_; }

  // Up to max_length of the unread bytes, taken as text.
  std::string Text(size_t max_length) {
    size_t n = size_ - pos_ < max_length ? size_ - pos_ : max_length;
    std::string text(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n;
    return text;
  }
  // Every unread byte.
  std::string Rest() { return Text(size_ - pos_); }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// Stops the run with a report when a property does not hold; libFuzzer keeps
// the input that did it. Active in every build, unlike assert.
#define FUZZ_CHECK(condition, what)                                                  \
  do {                                                                               \
    if (!(condition)) {                                                              \
      std::fprintf(stderr, "%s:%d: %s failed: %s\n", __FILE__, __LINE__, #condition, \
                   std::string(what).c_str());                                       \
      std::abort();                                                                  \
    }                                                                                \
  } while (false)
