// A content hash of a file's bytes, fed piece by piece as the file is read:
// what tells a rewrite whether the file on disk still holds what was read,
// and a registry store whether its file changed. No state beyond the hasher.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// A 64-bit hash of a file's bytes and size, fed piece by piece, to tell
// whether the file changed on disk. Each step is a bijection of the state, so
// files of the same size that differ in one 8-byte word always hash
// differently.
class ContentHasher {
 public:
  void Add(const uint8_t* p, size_t n) {
    size_ += n;
    while (n != 0 && carried_ != 0) {
      carry_[carried_++] = *p++;
      --n;
      if (carried_ == 8) {
        Mix(carry_);
        carried_ = 0;
      }
    }
    for (; n >= 8; p += 8, n -= 8) Mix(p);
    while (n-- != 0) carry_[carried_++] = *p++;
  }

  uint64_t Finish() const {
    uint64_t h = h_ ^ size_;
    for (size_t i = 0; i < carried_; ++i) {
      h = (h ^ carry_[i]) * 0x94D049BB133111EBull;
      h ^= h >> 29;
    }
    return h;
  }

 private:
  void Mix(const uint8_t* p) {
    uint64_t word;
    std::memcpy(&word, p, 8);
    h_ = (h_ ^ word) * 0xBF58476D1CE4E5B9ull;
    h_ ^= h_ >> 31;
  }

  uint64_t h_ = 0x9E3779B97F4A7C15ull;
  uint64_t size_ = 0;
  uint8_t carry_[8] = {};
  size_t carried_ = 0;
};

// The hash of the size bytes at bytes, as ContentHasher gives it.
inline uint64_t ContentHash(const uint8_t* bytes, size_t size) {
  ContentHasher hasher;
  hasher.Add(bytes, size);
  return hasher.Finish();
}
