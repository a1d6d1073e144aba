// Searches of a file's character units (1 byte each for narrow text, 2 for
// UTF-16LE) held in memory, sixteen bytes at a time: the index pass finds line
// ends, the stops of quoted text and runs of hex bytes with them. Internal to
// the registry library; reads only the units given.
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

// Units of a sixteen-byte block.
template <size_t UNIT>
constexpr size_t PER_BLOCK = 16 / UNIT;

#if defined(__GNUC__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
#define REG_UNIT_BLOCKS 1
// The units of a block as vector lanes: each test of a lane gives all ones
// or all zeros.
template <size_t UNIT>
using Lane = std::conditional_t<UNIT == 1, uint8_t, uint16_t>;
template <size_t UNIT>
struct LanesOf;
template <>
struct LanesOf<1> {
  typedef uint8_t Type __attribute__((vector_size(16)));
};
template <>
struct LanesOf<2> {
  typedef uint16_t Type __attribute__((vector_size(16)));
};
template <size_t UNIT>
using Lanes = typename LanesOf<UNIT>::Type;

// The sixteen bytes from unit i.
template <size_t UNIT>
inline Lanes<UNIT> LoadBlock(const uint8_t* data, size_t i) {
  Lanes<UNIT> block;
  std::memcpy(&block, data + i * UNIT, 16);
  return block;
}

// One bit per byte of a block of lane tests (bit b for byte b): each unit
// that passed sets its UNIT bits.
template <typename V>
inline unsigned BitsOf(V tests) {
#if defined(__SSE2__)
  __m128i bytes;
  std::memcpy(&bytes, &tests, 16);
  return static_cast<unsigned>(_mm_movemask_epi8(bytes));
#else
  uint8_t bytes[16];
  std::memcpy(bytes, &tests, 16);
  unsigned bits = 0;
  for (unsigned b = 0; b < 16; ++b) bits |= unsigned(bytes[b] >> 7) << b;
  return bits;
#endif
}

// BitsOf the units of the block at unit i that are one of STOPS.
template <size_t UNIT, char16_t... STOPS>
inline unsigned StopBits(const uint8_t* data, size_t i) {
  const Lanes<UNIT> block = LoadBlock<UNIT>(data, i);
  return BitsOf(((block == static_cast<Lane<UNIT>>(STOPS)) | ...));
}

// StopBits of the thirty-two narrow units from i, as one word.
template <char16_t... STOPS>
inline uint32_t StopBits32(const uint8_t* data, size_t i) {
  return StopBits<1, STOPS...>(data, i) | StopBits<1, STOPS...>(data, i + 16) << 16;
}
#endif

// The first unit in [i, count) that is one of STOPS, or count.
// Example: FindFirstOf<1, '"', '\\'> over "ab\\c\"" from 0 gives 2.
template <size_t UNIT, char16_t... STOPS>
size_t FindFirstOf(const uint8_t* data, size_t i, size_t count) {
#if REG_UNIT_BLOCKS
  for (; i + PER_BLOCK<UNIT> <= count; i += PER_BLOCK<UNIT>) {
    const unsigned bits = StopBits<UNIT, STOPS...>(data, i);
    if (bits != 0) return i + static_cast<size_t>(__builtin_ctz(bits)) / UNIT;
  }
#endif
  for (; i < count; ++i) {
    const char16_t u = UnitAt<UNIT>(data, i);
    if (((u == STOPS) || ...)) return i;
  }
  return count;
}

}  // namespace reg_unit_search
