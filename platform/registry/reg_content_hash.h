// The content hash a registry file store keeps of its file, to tell whether
// the file changed on disk since it was read or written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

// A 64-bit hash of a file's bytes and size, fed piece by piece, to tell
// whether the file changed on disk. Each step is a bijection of the state, so
// files of the same size that differ in one 8-byte word always hash
// differently.
class RegContentHasher {
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

// The hash of bytes whole, as RegContentHasher gives it.
uint64_t RegContentHash(const std::vector<uint8_t>& bytes);
uint64_t RegContentHash(const uint8_t* bytes, size_t size);

// A content hash known, or one taken from bytes only when first asked for: a
// store that never looks at its file again never hashes it. Deferred bytes
// must stay unchanged until Get, or until a known hash is assigned.
class RegLazyContentHash {
 public:
  RegLazyContentHash(uint64_t hash = 0) : hash_(hash) {}
  // The hash of the size bytes at bytes, taken at the first Get.
  static RegLazyContentHash Of(const uint8_t* bytes, size_t size) {
    RegLazyContentHash lazy;
    lazy.bytes_ = bytes;
    lazy.size_ = size;
    lazy.pending_ = true;
    return lazy;
  }
  uint64_t Get() {
    if (pending_) {
      hash_ = RegContentHash(bytes_, size_);
      pending_ = false;
    }
    return hash_;
  }

 private:
  uint64_t hash_;
  const uint8_t* bytes_ = nullptr;
  size_t size_ = 0;
  bool pending_ = false;
};
