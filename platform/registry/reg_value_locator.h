// Finding where values stand in a registry export file, for in-place edits:
// one pass of the reader (reg_parser.h) that keeps nothing but what concerns
// the keys and values sought, following the same merge and deletion rules as
// the tree (reg_tree_reader.h).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/registry/reg_parser.h"

struct RegValueLocation {
  RegFileForm form;
  // The key's last section: whether the file has one for it (since its last
  // deletion), and the offset just past its last key or value line.
  bool key_has_section = false;
  uint64_t append_at = 0;
  // The value's last definition, when it stands.
  bool value_found = false;
  RegSourceSpan span;
  uint32_t type = 0;
  std::vector<uint8_t> data;
};

// Reads the size bytes at file and fills where for the value name (empty:
// the default value) of the key at key_path below root (names matched
// without regard to case). Returns false with error set when the file is
// refused.
bool LocateRegValue(const uint8_t* file, size_t size, RegKey root, std::u16string_view key_path,
                    std::u16string_view name, RegValueLocation* where, RegParseError* error);

// A value sought: name (empty: the default value) of the key at key_path
// below root. The views must outlive the search.
struct RegValueTarget {
  RegKey root = 0;
  std::u16string_view key_path;
  std::u16string_view name;
};

// LocateRegValue for every target in one pass: (*where)[i] is what
// LocateRegValue gives for targets[i].
bool LocateRegValues(const uint8_t* file, size_t size, const std::vector<RegValueTarget>& targets,
                     std::vector<RegValueLocation>* where, RegParseError* error);
