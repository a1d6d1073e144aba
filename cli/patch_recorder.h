// A registry store that reads through to another store and keeps every write
// to itself: what `fix --patch` uses to learn which values a repair would set
// without touching the registry file.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry.h"

struct RecordedValue {
  RegKey root;
  std::u16string key_path;  // as opened, relative to root
  std::u16string name;
  uint32_t type;
  std::vector<uint8_t> data;
};

class PatchRecorder : public RegistryStore {
 public:
  // Reads go to inner, which must outlive the recorder.
  explicit PatchRecorder(RegistryStore& inner) : inner_(inner) {}

  RegStatus OpenKey(RegKey key, const char16_t* path, RegKey* result) override;
  RegStatus EnumSubkey(RegKey key, uint32_t index, char16_t* name, uint32_t* length) override;
  RegStatus QueryValue(RegKey key, const char16_t* name, uint32_t* type, uint8_t* data,
                       uint32_t* length) override;
  // Records the value and reports success; inner is not written.
  RegStatus SetValue(RegKey key, const char16_t* name, uint32_t type, const uint8_t* data,
                     uint32_t length) override;
  RegStatus CloseKey(RegKey key) override;

  // The writes in the order they were made.
  const std::vector<RecordedValue>& Values() const { return values_; }

 private:
  RegistryStore& inner_;
  // Root and path of every key opened through the recorder and not yet closed.
  std::map<RegKey, std::pair<RegKey, std::u16string>> open_keys_;
  std::vector<RecordedValue> values_;
};
