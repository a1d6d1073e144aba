// The store's content hash: taken from the bytes at the first Get (a store
// that never looks at its file again never hashes it), and a known hash
// assigned replaces a deferred one.
#include "platform/registry/reg_content_hash.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(RegLazyContentHash, HashesItsBytesOnlyWhenFirstAskedAndThenKeepsTheHash) {
  std::vector<uint8_t> bytes = {'R', 'E', 'G', 'E', 'D', 'I', 'T', '4', '\r', '\n'};
  RegLazyContentHash lazy = RegLazyContentHash::Of(bytes.data(), bytes.size());
  bytes[0] = 'X';  // before the first Get: the hash is of the bytes as they are then
  const uint64_t first = lazy.Get();
  EXPECT_EQ(first, RegContentHash(bytes));
  bytes[1] = 'Y';  // after it: the hash stays the one taken
  EXPECT_EQ(lazy.Get(), first);
  EXPECT_NE(RegContentHash(bytes), first);
}

TEST(RegLazyContentHash, AKnownHashAssignedReplacesTheDeferredOne) {
  const std::vector<uint8_t> bytes = {1, 2, 3};
  RegLazyContentHash lazy = RegLazyContentHash::Of(bytes.data(), bytes.size());
  lazy = 42;
  EXPECT_EQ(lazy.Get(), 42u);
  EXPECT_EQ(RegLazyContentHash(7).Get(), 7u);
}

}  // namespace
