// The key tree's memory: an arena whose bytes stay put until it goes, and the
// allocator that puts a tree's lists in one. Internal to the registry library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

// Storage for the tree's names and data: blocks that are never moved or freed
// before the arena, so the bytes handed out stay put.
class ByteArena {
 public:
  // Room for n bytes (n may be 0), valid for the arena's life.
  uint8_t* Allocate(size_t n);
  // The same, aligned to align (a power of two, at most 16); room given
  // back by Recycle with the same n and alignment is used again first.
  uint8_t* Allocate(size_t n, size_t align) {
    // Room of a size that cannot have been recycled comes from the current
    // block where it fits (most keys' nodes); the rest out of line.
    if (n % 8 != 0 || recycled_ == nullptr) {
      const size_t pad = (0 - reinterpret_cast<uintptr_t>(cursor_)) & (align - 1);
      if (pad + n <= left_) {
        uint8_t* p = cursor_ + pad;
        cursor_ = p + n;
        left_ -= pad + n;
        return p;
      }
    }
    return AllocateAligned(n, align);
  }
  // Gives back the n bytes at p, from Allocate(n, align), for a later
  // Allocate of the same size to reuse (a growing list's old room).
  void Recycle(uint8_t* p, size_t n);

 private:
  // Recycled room of sizes that are multiples of 8, by size / 8: each holds
  // the next of its size in its first 8 bytes.
  static constexpr size_t RECYCLED_SIZES = 512;
  uint8_t** Recycled(size_t n, size_t align);
  uint8_t* AllocateAligned(size_t n, size_t align);

  std::vector<std::unique_ptr<uint8_t[]>> blocks_;
  std::unique_ptr<uint8_t*[]> recycled_;
  uint8_t* cursor_ = nullptr;
  size_t left_ = 0;
};

// Memory for a NamedList: from an arena when one is given (what the list
// outgrows is recycled there), else from the heap.
template <typename T>
struct ListAllocator {
  using value_type = T;
  using propagate_on_container_move_assignment = std::true_type;
  ByteArena* arena = nullptr;

  ListAllocator() = default;
  explicit ListAllocator(ByteArena* from) : arena(from) {}
  template <typename U>
  ListAllocator(const ListAllocator<U>& other) : arena(other.arena) {}
  T* allocate(size_t n) {
    if (arena == nullptr) return std::allocator<T>().allocate(n);
    return reinterpret_cast<T*>(arena->Allocate(n * sizeof(T), alignof(T)));
  }
  void deallocate(T* p, size_t n) {
    if (arena == nullptr) {
      std::allocator<T>().deallocate(p, n);
    } else {
      arena->Recycle(reinterpret_cast<uint8_t*>(p), n * sizeof(T));
    }
  }
  friend bool operator==(const ListAllocator& a, const ListAllocator& b) {
    return a.arena == b.arena;
  }
  friend bool operator!=(const ListAllocator& a, const ListAllocator& b) { return !(a == b); }
};
