// Searches of a file's character units (1 byte each for narrow text, 2 for
// UTF-16LE) held in memory, sixteen bytes at a time: the index pass finds line
// ends and the stops of quoted text with them. Internal to the registry
// library; reads only the units given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace reg_unit_search {

// Unit i of the UNIT-byte units at data (UTF-16 units are little-endian).
template <size_t UNIT>
inline char16_t UnitAt(const uint8_t* data, size_t i) {
  if (UNIT == 1) return data[i];
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  uint16_t unit;  // one load where the host's order is the file's
  std::memcpy(&unit, data + 2 * i, 2);
  return unit;
#else
  return static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
#endif
}

// The first unit in [i, count) that is one of STOPS, or count.
// Example: FindFirstOf<1, '"', '\\'> over "ab\\c\"" from 0 gives 2.
template <size_t UNIT, char16_t... STOPS>
size_t FindFirstOf(const uint8_t* data, size_t i, size_t count) {
  using Lane = std::conditional_t<UNIT == 1, uint8_t, uint16_t>;
#if defined(__GNUC__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  typedef Lane Lanes __attribute__((vector_size(16)));
  constexpr size_t PER_BLOCK = 16 / UNIT;
  for (; i + PER_BLOCK <= count; i += PER_BLOCK) {
    Lanes block;
    std::memcpy(&block, data + i * UNIT, 16);
    Lanes hits = ((block == static_cast<Lane>(STOPS)) | ...);
#if defined(__SSE2__)
    // One bit per byte of the block, set for the bytes of hit lanes.
    __m128i hit_bytes;
    std::memcpy(&hit_bytes, &hits, 16);
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit_bytes));
    if (mask != 0) return i + static_cast<size_t>(__builtin_ctz(mask)) / UNIT;
#else
    uint64_t low, high;
    std::memcpy(&low, &hits, 8);
    std::memcpy(&high, reinterpret_cast<const uint8_t*>(&hits) + 8, 8);
    // Each hit lane is all ones: the lowest set bit's byte is the hit's.
    if (low != 0) return i + static_cast<size_t>(__builtin_ctzll(low)) / 8 / UNIT;
    if (high != 0) return i + (64 + static_cast<size_t>(__builtin_ctzll(high))) / 8 / UNIT;
#endif
  }
#endif
  for (; i < count; ++i) {
    const char16_t u = UnitAt<UNIT>(data, i);
    if (((u == STOPS) || ...)) return i;
  }
  return count;
}

}  // namespace reg_unit_search
