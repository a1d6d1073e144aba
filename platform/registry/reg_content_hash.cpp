#include "platform/registry/reg_content_hash.h"

uint64_t RegContentHash(const std::vector<uint8_t>& bytes) {
  return RegContentHash(bytes.data(), bytes.size());
}

uint64_t RegContentHash(const uint8_t* bytes, size_t size) { return ContentHash(bytes, size); }
