// Bytes of the key tree's names and data as its arena holds them, halved
// where every odd-numbered byte is zero. Internal to the registry library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/reg_arena.h"
#include "platform/registry/reg_name.h"

// The largest data a value may hold (the tree keeps sizes in 31 bits).
constexpr size_t REG_MAX_DATA_SIZE = 0x7FFFFFFF;

// Bytes held in a ByteArena (at most REG_MAX_DATA_SIZE). Data whose every
// odd-numbered byte is zero (the UTF-16LE text of Latin-1 characters: most
// names and strings) keeps only its even-numbered bytes, halving what the
// tree holds.
class PackedBytes {
 public:
  PackedBytes() : size_(0), halved_(0) {}
  // Copies size bytes of data into arena.
  PackedBytes(ByteArena& arena, const uint8_t* data, size_t size);
  // Copies the UTF-16LE bytes of text into arena.
  PackedBytes(ByteArena& arena, std::u16string_view text)
      : PackedBytes(arena.Allocate(RoomFor(text, Halves(text))), text, Halves(text)) {}
  // Whether the UTF-16LE bytes of text (or of name's units) are held halved.
  static bool Halves(std::u16string_view text);
  static bool Halves(const CodePageName& name);
  // The bytes they take held so.
  template <typename Text>
  static size_t RoomFor(const Text& text, bool halved) {
    return text.size() * (halved ? 1 : 2);
  }
  // Copies them into room, RoomFor(text, halved) bytes that live as long as
  // the copy is used; halved as Halves(text) says.
  PackedBytes(uint8_t* room, std::u16string_view text, bool halved);
  PackedBytes(uint8_t* room, const CodePageName& name, bool halved);

  // The size of the data as stored, in bytes.
  size_t size() const { return size_; }
  uint8_t ByteAt(size_t i) const;
  // Copies the first n bytes (n <= size()) to out.
  void CopyTo(uint8_t* out, size_t n) const;
  std::vector<uint8_t> ToVector() const;

  // The bytes read as UTF-16LE units; a trailing odd byte is not a unit.
  size_t UnitCount() const { return size_ / 2; }
  char16_t UnitAt(size_t i) const;
  std::u16string ToText() const;

 private:
  const uint8_t* bytes_ = nullptr;
  uint32_t size_ : 31;
  uint32_t halved_ : 1;
};

// A PackedBytes read as UTF-16 units, for NamesEqual and NameHash.
struct PackedText {
  PackedBytes bytes;
  size_t size() const { return bytes.UnitCount(); }
  char16_t operator[](size_t i) const { return bytes.UnitAt(i); }
};
