// Where the differential drivers of the string library take their decisions
// from: a seeded generator for the unit tests, or the bytes of a fuzz input
// (fuzz/fuzz_choices.h). Test code; no part of the library.
#pragma once

#include <cstdint>
#include <random>

// A stream of decisions. Every call returns a value in the stated range.
class ChoiceSource {
 public:
  virtual ~ChoiceSource() = default;
  // A value in lo..hi inclusive; lo <= hi.
  virtual long Int(long lo, long hi) = 0;
  // Any 64-bit pattern.
  virtual uint64_t Bits() = 0;
  // A value in [-1, 1).
  virtual double Unit() = 0;
  // True once the source has nothing more to give; a seeded source never ends.
  virtual bool Exhausted() const { return false; }
};

// The seeded source of the unit tests: the same seed gives the same run.
class SeededChoices : public ChoiceSource {
 public:
  explicit SeededChoices(uint64_t seed) : engine_(seed) {}
  long Int(long lo, long hi) override {
    return std::uniform_int_distribution<long>(lo, hi)(engine_);
  }
  uint64_t Bits() override { return engine_(); }
  double Unit() override { return std::uniform_real_distribution<double>(-1.0, 1.0)(engine_); }

 private:
  std::mt19937_64 engine_;
};
