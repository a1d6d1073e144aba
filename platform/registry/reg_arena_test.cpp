#include "platform/registry/reg_arena.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace {

TEST(ByteArena, AlignedRoomIsAlignedAndApart) {
  // Odd sizes leave the cursor anywhere; a block's end leaves too little room.
  struct Case {
    size_t before, n, align;
  };
  const Case cases[] = {
      {1, 8, 8},     {3, 16, 16},     {7, 1, 4},      {13, 24, 8},
      {65531, 8, 8}, {65535, 16, 16}, {65526, 8, 16}, {5, 20000, 8}};  // larger than a shared block
  for (const Case& c : cases) {
    ByteArena arena;
    // before bytes in pieces small enough to share one block.
    std::vector<std::pair<uint8_t*, size_t>> pieces;
    for (size_t left = c.before; left != 0;) {
      const size_t n = std::min<size_t>(left, 4096);
      pieces.emplace_back(arena.Allocate(n), n);
      std::memset(pieces.back().first, 0xAA, n);
      left -= n;
    }
    uint8_t* aligned = arena.Allocate(c.n, c.align);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(aligned) % c.align, 0u) << c.before << " " << c.n;
    std::memset(aligned, 0x55, c.n);
    for (const auto& [piece, n] : pieces) {
      for (size_t i = 0; i < n; ++i) ASSERT_EQ(piece[i], 0xAA) << c.before << " " << c.n;
    }
  }
}

TEST(ByteArena, RecycledRoomServesTheNextRoomOfItsSizeOnce) {
  ByteArena arena;
  uint8_t* first = arena.Allocate(64, 8);
  uint8_t* second = arena.Allocate(64, 8);
  arena.Recycle(first, 64);
  arena.Recycle(second, 64);
  EXPECT_NE(arena.Allocate(56, 8), first);  // another size: fresh room
  EXPECT_NE(arena.Allocate(56, 8), second);
  uint8_t* again = arena.Allocate(64, 8);  // the last given back first
  EXPECT_EQ(again, second);
  EXPECT_EQ(arena.Allocate(64, 8), first);
  uint8_t* fresh = arena.Allocate(64, 8);  // each only once
  EXPECT_NE(fresh, first);
  EXPECT_NE(fresh, second);
}

// Sizes past the last slot of the recycling table are never kept: the room
// of the largest size it holds comes back, the next size up is fresh.
TEST(ByteArena, RecyclesOnlySizesItsTableHolds) {
  const struct {
    size_t n;
    bool reused;
  } cases[] = {{8, true}, {4088, true}, {4096, false}, {4104, false}, {12, false}};
  for (const auto& c : cases) {
    ByteArena arena;
    uint8_t* room = arena.Allocate(c.n, 8);
    arena.Recycle(room, c.n);
    EXPECT_EQ(arena.Allocate(c.n, 8) == room, c.reused) << c.n;
  }
}

}  // namespace
