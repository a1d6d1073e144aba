#include "platform/registry/reg_packed_bytes.h"

#include <cstring>

namespace {

template <typename Word>
Word Load(const uint8_t* p) {
  Word word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

template <typename Word>
void Store(uint8_t* p, Word word) {
  std::memcpy(p, &word, sizeof word);
}

}  // namespace

PackedBytes::PackedBytes(ByteArena& arena, const uint8_t* data, size_t size)
    : size_(static_cast<uint32_t>(size)), halved_(0) {
  bool halved = size % 2 == 0;
  for (size_t i = 1; i < size && halved; i += 2) halved = data[i] == 0;
  uint8_t* p = arena.Allocate(halved ? size / 2 : size);
  if (halved) {
    for (size_t i = 0; i < size / 2; ++i) p[i] = data[2 * i];
  } else if (size != 0) {
    std::memcpy(p, data, size);
  }
  bytes_ = p;
  halved_ = halved;
}

bool PackedBytes::Halves(std::u16string_view text) {
  char16_t all = 0;
  for (char16_t u : text) all |= u;
  return all < 0x100;
}

bool PackedBytes::Halves(const CodePageName& name) {
  // Bytes 0x80-0x9F are the only ones whose unit takes two bytes. Names are
  // short: they are read eight or four bytes at a time, the last piece
  // overlapping the one before; a byte in that range is a zero byte of the
  // masked piece.
  constexpr uint64_t ONES = 0x0101010101010101u, HIGHS = ONES * 0x80;
  const auto has_high = [](uint64_t piece) {
    const uint64_t x = (piece & (ONES * 0xE0)) ^ HIGHS;
    return ((x - ONES) & ~x & HIGHS) != 0;
  };
  const uint8_t* bytes = name.bytes;
  const size_t n = name.size();
  if (n >= 8) {
    for (size_t i = 0; i + 8 < n; i += 8) {
      if (has_high(Load<uint64_t>(bytes + i))) return false;
    }
    return !has_high(Load<uint64_t>(bytes + n - 8));
  }
  if (n >= 4)
    return !has_high(Load<uint32_t>(bytes) | uint64_t(Load<uint32_t>(bytes + n - 4)) << 32);
  uint64_t piece = 0;
  for (size_t i = 0; i < n; ++i) piece |= uint64_t(bytes[i]) << (8 * i);
  return !has_high(piece);
}

PackedBytes::PackedBytes(uint8_t* room, std::u16string_view text, bool halved)
    : bytes_(room), size_(static_cast<uint32_t>(text.size() * 2)), halved_(halved) {
  if (halved) {
    for (size_t i = 0; i < text.size(); ++i) room[i] = static_cast<uint8_t>(text[i]);
  } else {
    for (size_t i = 0; i < text.size(); ++i) {
      room[2 * i] = static_cast<uint8_t>(text[i]);
      room[2 * i + 1] = static_cast<uint8_t>(text[i] >> 8);
    }
  }
}

PackedBytes::PackedBytes(uint8_t* room, const CodePageName& name, bool halved)
    : bytes_(room), size_(static_cast<uint32_t>(name.size() * 2)), halved_(halved) {
  if (halved) {
    // Names are short: pieces as Halves reads them, not a library call.
    const uint8_t* bytes = name.bytes;
    const size_t n = name.size();
    if (n >= 8) {
      for (size_t i = 0; i + 8 < n; i += 8) Store(room + i, Load<uint64_t>(bytes + i));
      Store(room + n - 8, Load<uint64_t>(bytes + n - 8));
    } else if (n >= 4) {
      const uint32_t first = Load<uint32_t>(bytes), last = Load<uint32_t>(bytes + n - 4);
      Store(room, first);
      Store(room + n - 4, last);
    } else {
      for (size_t i = 0; i < n; ++i) room[i] = bytes[i];
    }
  } else {
    for (size_t i = 0; i < name.size(); ++i) {
      room[2 * i] = static_cast<uint8_t>(name[i]);
      room[2 * i + 1] = static_cast<uint8_t>(name[i] >> 8);
    }
  }
}

uint8_t PackedBytes::ByteAt(size_t i) const {
  if (!halved_) return bytes_[i];
  return (i % 2 == 0) ? bytes_[i / 2] : 0;
}

void PackedBytes::CopyTo(uint8_t* out, size_t n) const {
  if (!halved_) {
    if (n != 0) std::memcpy(out, bytes_, n);
    return;
  }
  for (size_t i = 0; i < n; ++i) out[i] = (i % 2 == 0) ? bytes_[i / 2] : 0;
}

std::vector<uint8_t> PackedBytes::ToVector() const {
  std::vector<uint8_t> out(size_);
  CopyTo(out.data(), size_);
  return out;
}

char16_t PackedBytes::UnitAt(size_t i) const {
  if (halved_) return bytes_[i];
  return static_cast<char16_t>(bytes_[2 * i] | (bytes_[2 * i + 1] << 8));
}

std::u16string PackedBytes::ToText() const {
  std::u16string out(UnitCount(), u'\0');
  for (size_t i = 0; i < out.size(); ++i) out[i] = UnitAt(i);
  return out;
}
