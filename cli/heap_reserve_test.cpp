#include "cli/heap_reserve.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#if defined(__GLIBC__) && defined(__linux__)
#include <malloc.h>
#endif

#include "platform/registry/testing/registry_testing.h"

namespace {

TEST(LargestFileSize, CountsOnlyFilesThatExist) {
  TempDir dir;
  WriteText(dir.File("a"), std::string(100, 'a'));
  WriteText(dir.File("b"), std::string(3000, 'b'));
  EXPECT_EQ(LargestFileSize({dir.File("a"), dir.File("missing"), dir.File("b")}), 3000u);
  EXPECT_EQ(LargestFileSize({dir.File("missing")}), 0u);
  EXPECT_EQ(LargestFileSize({}), 0u);
}

#if defined(__GLIBC__) && defined(__linux__)
// After the reserve, a block far above glibc's usual 128 KiB mmap threshold
// comes from the heap instead of a mapping of its own, and the memory works.
TEST(ReserveHeap, LargeBlocksComeFromTheHeap) {
  ReserveHeap(16u << 20);
  size_t mapped_before = mallinfo2().hblks;
  char* block = static_cast<char*>(std::malloc(4u << 20));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(mallinfo2().hblks, mapped_before);
  std::memset(block, 0x5A, 4u << 20);
  EXPECT_EQ(block[(4u << 20) - 1], 0x5A);
  std::free(block);
}
#endif

}  // namespace
