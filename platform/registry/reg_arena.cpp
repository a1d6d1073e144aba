#include "platform/registry/reg_arena.h"

#include <cstring>

namespace {

constexpr size_t ARENA_BLOCK = 64 * 1024;
// Larger allocations get a block of their own so that blocks are not wasted.
constexpr size_t ARENA_OWN_BLOCK = ARENA_BLOCK / 4;

}  // namespace

uint8_t** ByteArena::Recycled(size_t n, size_t align) {
  if (n == 0 || n % 8 != 0 || n / 8 >= RECYCLED_SIZES || align > 8) return nullptr;
  if (!recycled_) recycled_.reset(new uint8_t*[RECYCLED_SIZES]());
  return &recycled_[n / 8];
}

void ByteArena::Recycle(uint8_t* p, size_t n) {
  uint8_t** head = Recycled(n, 8);
  if (head == nullptr || reinterpret_cast<uintptr_t>(p) % 8 != 0) return;
  std::memcpy(p, head, sizeof *head);
  *head = p;
}

uint8_t* ByteArena::AllocateAligned(size_t n, size_t align) {
  if (uint8_t** head = Recycled(n, align); head != nullptr && *head != nullptr) {
    uint8_t* p = *head;
    std::memcpy(head, p, sizeof *head);
    return p;
  }
  // Blocks are aligned for any fundamental type; the cursor is rounded up.
  const size_t pad = (0 - reinterpret_cast<uintptr_t>(cursor_)) & (align - 1);
  if (n <= ARENA_OWN_BLOCK) {
    if (pad + n <= left_) {
      cursor_ += pad;
      left_ -= pad;
    } else {
      left_ = 0;  // a new block, which starts aligned
    }
  }
  return Allocate(n);
}

uint8_t* ByteArena::Allocate(size_t n) {
  if (n > ARENA_OWN_BLOCK) {
    blocks_.emplace_back(new uint8_t[n]);
    return blocks_.back().get();
  }
  if (n > left_) {
    blocks_.emplace_back(new uint8_t[ARENA_BLOCK]);
    cursor_ = blocks_.back().get();
    left_ = ARENA_BLOCK;
  }
  uint8_t* p = cursor_;
  cursor_ += n;
  left_ -= n;
  return p;
}
