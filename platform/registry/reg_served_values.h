// ServedValues: values a store handed out that have changed on disk since,
// as the caller saw them, by root, key path and value name (matched without
// regard to letter case), so that a write can tell that the value it would
// replace is not the one its caller saw. A value served and unchanged is
// marked in the tree instead (RegValueEntry::served), so the record stays
// small. Owned by its store; single-threaded.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "platform/registry/registry.h"

// A value as a caller saw it: absent, or its type and data.
struct SeenValue {
  bool present = false;
  uint32_t type = REG_NONE;
  std::vector<uint8_t> data;

  friend bool operator==(const SeenValue& a, const SeenValue& b) {
    return a.present == b.present && (!a.present || (a.type == b.type && a.data == b.data));
  }
  friend bool operator!=(const SeenValue& a, const SeenValue& b) { return !(a == b); }
};

class ServedValues {
 public:
  // Remembers value as the last one served for name in root\key_path,
  // replacing what was remembered for it.
  // Example: Record(HKLM, u"Drivers\\X", u"Dll", v) then Find(HKLM,
  // u"DRIVERS\\x", u"DLL") gives v.
  void Record(RegKey root, std::u16string_view key_path, std::u16string_view name, SeenValue value);
  // The value last served for name in root\key_path, or null when none was.
  const SeenValue* Find(RegKey root, std::u16string_view key_path, std::u16string_view name) const;
  // Drops what was remembered for name in root\key_path.
  void Forget(RegKey root, std::u16string_view key_path, std::u16string_view name);
  size_t Count() const { return values_.size(); }

 private:
  using Key = std::tuple<RegKey, std::u16string, std::u16string>;
  static Key KeyOf(RegKey root, std::u16string_view key_path, std::u16string_view name);

  std::map<Key, SeenValue> values_;
};
