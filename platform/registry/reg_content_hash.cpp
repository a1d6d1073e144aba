#include "platform/registry/reg_content_hash.h"

uint64_t RegContentHash(const std::vector<uint8_t>& bytes) {
  RegContentHasher hasher;
  hasher.Add(bytes.data(), bytes.size());
  return hasher.Finish();
}
