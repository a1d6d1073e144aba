#include "platform/registry/reg_packed_bytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(PackedBytes, KeepsEveryByte) {
  ByteArena arena;
  const std::vector<std::vector<uint8_t>> cases = {
      {},
      {'A', 0, 'b', 0, 0xE9, 0, 0, 0},  // Latin-1 text: held halved
      {'A', 0, 0xAC, 0x20, 0, 0},       // U+20AC: held whole
      {1, 0, 2},                        // odd size
      {0, 1},
      std::vector<uint8_t>(100000, 0),  // larger than an arena block
  };
  for (const std::vector<uint8_t>& data : cases) {
    PackedBytes packed(arena, data.data(), data.size());
    EXPECT_EQ(packed.size(), data.size());
    EXPECT_EQ(packed.ToVector(), data);
    for (size_t i = 0; i < data.size(); ++i) ASSERT_EQ(packed.ByteAt(i), data[i]) << i;
  }
}

TEST(PackedBytes, ReadsUtf16Units) {
  ByteArena arena;
  const uint8_t whole[] = {'A', 0, 0xAC, 0x20, 'z'};
  PackedBytes packed(arena, whole, sizeof whole);
  EXPECT_EQ(packed.UnitCount(), 2u);
  EXPECT_EQ(packed.ToText(), u"A\u20ac");
  const uint8_t halved[] = {'h', 0, 0xE9, 0};
  EXPECT_EQ(PackedBytes(arena, halved, sizeof halved).ToText(), u"h\u00e9");
}

// Narrow names are read in pieces of eight and four bytes: a byte of
// 0x80-0x9F anywhere in a name of any length makes it whole UTF-16.
TEST(PackedBytes, CodePageNamesOfEveryLengthKeepEveryUnit) {
  ByteArena arena;
  for (size_t n = 0; n <= 20; ++n) {
    for (size_t high = 0; high <= n; ++high) {  // high == n: none
      std::string bytes(n, 'a');
      for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<char>('a' + i);
      if (high < n) bytes[high] = '\x80';
      std::u16string text;
      for (unsigned char b : bytes) text += b == 0x80 ? u'\u20AC' : char16_t(b);
      const CodePageName name{reinterpret_cast<const uint8_t*>(bytes.data()), n};
      const bool halved = PackedBytes::Halves(name);
      EXPECT_EQ(halved, high == n) << n << " " << high;
      PackedBytes packed(arena.Allocate(PackedBytes::RoomFor(name, halved)), name, halved);
      EXPECT_EQ(packed.ToText(), text) << n << " " << high;
      EXPECT_EQ(packed.size(), 2 * n);
    }
  }
}

}  // namespace
