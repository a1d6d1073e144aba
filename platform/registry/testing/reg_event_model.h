// RegEventModel: a reference model of what a registry export file holds,
// built from the reader's events (reg_parser.h) by the rules of
// reg_tree_reader.h with plain containers, so that the key tree's own
// machinery (packed names and data, the path cache of consecutive sections,
// values read on demand) can be checked against it. Test-only; quadratic in
// the keys of one parent, meant for small files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/reg_parser.h"
#include "platform/registry/reg_tree.h"

class RegEventModel : public RegFileEvents {
 public:
  RegEventModel();

  void OnKey(RegKey root, std::u16string_view path, bool deletion, uint64_t next_line) override;
  void OnValue(std::u16string_view name, const RegReadData& data, RegSourceSpan span,
               uint64_t next_line) override;
  void OnValueDeletion(std::u16string_view name, uint64_t next_line) override;

  // The keys and values read so far in ExactDump's form (registry_testing.h).
  std::u16string Dump() const;

 private:
  struct Value {
    std::u16string name;  // as first spelled
    uint32_t type;
    std::vector<uint8_t> data;
  };
  struct Key {
    std::u16string name;          // as first spelled
    std::vector<size_t> subkeys;  // indices into keys_, in insertion order
    std::vector<Value> values;    // in insertion order
  };
  // The subkey of parent named name (without regard to case), or none.
  bool FindSubkey(size_t parent, std::u16string_view name, size_t* at) const;

  std::vector<Key> keys_;  // the five roots first, in ExactDump's order
  bool open_ = false;      // whether a key section is open
  size_t current_ = 0;     // its key
};
