// Test helper: while a FreedBlockPoison lives, every block handed back to
// free() has its bytes overwritten before the allocator gets it, so that code
// reading a block it has already freed reads the poison byte whatever the
// allocator does with the block (reuses it, keeps its own records in it, or
// leaves it alone). Test-only: it replaces the process's free(), which needs
// glibc (its __libc_free). Under AddressSanitizer it does nothing, as the
// sanitizer reports such a read itself; without glibc (the Windows build's C
// runtime) it does nothing either, and a test using it checks only the
// results, as it would without the poison. Single-threaded.
#pragma once

// The byte freed blocks are filled with.
constexpr unsigned char FREED_BLOCK_POISON = 0xA5;

class FreedBlockPoison {
 public:
  FreedBlockPoison();
  ~FreedBlockPoison();
  FreedBlockPoison(const FreedBlockPoison&) = delete;
  FreedBlockPoison& operator=(const FreedBlockPoison&) = delete;
};
