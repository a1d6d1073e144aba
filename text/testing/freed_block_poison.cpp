#include "text/testing/freed_block_poison.h"

#include <cstring>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#if defined(__SANITIZE_ADDRESS__)
#define QUORVAFIX_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORVAFIX_ASAN 1
#endif
#endif

namespace {
int poisoning = 0;
}  // namespace

#if defined(__GLIBC__) && !defined(QUORVAFIX_ASAN)
// glibc's own free, which the free() below hands every block to.
extern "C" void __libc_free(void* block);

extern "C" void free(void* block) noexcept {
  if (block != nullptr && poisoning > 0) {
    std::memset(block, FREED_BLOCK_POISON, malloc_usable_size(block));
  }
  __libc_free(block);
}
#endif

FreedBlockPoison::FreedBlockPoison() { ++poisoning; }

FreedBlockPoison::~FreedBlockPoison() { --poisoning; }
