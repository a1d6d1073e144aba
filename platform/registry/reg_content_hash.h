// The content hash a registry file store keeps of its file, to tell whether
// the file changed on disk since it was read or written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/files/content_hash.h"

// The hash of bytes whole, as ContentHasher gives it.
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
