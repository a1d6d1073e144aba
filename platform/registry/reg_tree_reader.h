// Reading a registry export file into a RegTree, whole or as a key index whose
// values are read on demand: the reader's events (reg_parser.h) applied in
// file order. Repeated sections merge, a later value of the same name (without
// regard to case) replaces the earlier one in place, "[-...]" deletes a
// subtree (a missing one: nothing), and a section for a deep path creates the
// missing keys above it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "platform/registry/reg_parser.h"
#include "platform/registry/reg_tree.h"

// Allocates as std::allocator does, but leaves a byte a vector grows by unset
// rather than zero: the bytes of a file are read into at once.
template <typename T>
struct UnsetAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = UnsetAllocator<U>;
  };
  UnsetAllocator() = default;
  template <typename U>
  UnsetAllocator(const UnsetAllocator<U>&) noexcept {}
  template <typename U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

// A whole file's bytes as the reader holds them.
using RegFileBytes = std::vector<uint8_t, UnsetAllocator<uint8_t>>;

// Reads the key index of the file whose bytes are bytes into tree, which
// must be fresh, in one pass that checks every line as the reader does
// (IndexRegBytes) and records where each key's sections stand; tree then owns bytes
// and reads each key's values from them the first time they are asked for
// (RegTree::AddSection), with exactly the result ParseRegFile gives. Returns
// false with error set when the file is refused; tree then holds part of the
// file's keys and should be dropped. Holds about bytes and the keys, never a
// value's data, while it reads.
bool IndexRegFile(RegFileBytes bytes, RegTree* tree, RegFileForm* form, RegParseError* error);
// The same for a copy of bytes.
bool IndexRegFile(const std::vector<uint8_t>& bytes, RegTree* tree, RegFileForm* form,
                  RegParseError* error);

// Reads the file source supplies into tree, which must be fresh. Returns
// false with error set when the file is refused (see ReadRegFile); tree then
// holds part of the file and should be dropped.
// Example: "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"v\"=dword:1\r\n" gives
// HKEY_CURRENT_USER\A with v = 01 00 00 00 (type 4) and form Regedit4/CrLf.
bool ParseRegFile(RegByteSource& source, RegTree* tree, RegFileForm* form, RegParseError* error);
// The same for the size bytes at data, read where they are.
bool ParseRegFile(const uint8_t* data, size_t size, RegTree* tree, RegFileForm* form,
                  RegParseError* error);
