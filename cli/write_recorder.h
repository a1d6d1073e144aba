// A registry store in front of another that records every write the scan
// makes: `fix` uses it to learn which repairs failed and why, `fix --patch`
// to learn which values a repair would set without touching the registry.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry/registry.h"

struct RecordedWrite {
  RegKey root;
  std::u16string key_path;  // below root, as the keys were opened
  std::u16string name;
  uint32_t type;
  std::vector<uint8_t> data;
  RegStatus status;     // what the write returned
  std::string failure;  // why it failed, when the inner store says
};

class WriteRecorder : public RegistryStore {
 public:
  enum class Mode {
    PassThrough,   // writes go on to the inner store
    KeepToItself,  // writes are recorded and reported as done; inner is not written
  };

  // inner must outlive the recorder. failure_reason, when given, is asked
  // right after a failed write for the inner store's reason.
  WriteRecorder(RegistryStore& inner, Mode mode, std::function<std::string()> failure_reason = {})
      : inner_(inner), mode_(mode), failure_reason_(std::move(failure_reason)) {}

  RegStatus OpenKey(RegKey key, const char16_t* path, RegKey* result) override;
  RegStatus EnumSubkey(RegKey key, uint32_t index, char16_t* name, uint32_t* length) override;
  RegStatus QueryValue(RegKey key, const char16_t* name, uint32_t* type, uint8_t* data,
                       uint32_t* length) override;
  RegStatus SetValue(RegKey key, const char16_t* name, uint32_t type, const uint8_t* data,
                     uint32_t length) override;
  RegStatus CloseKey(RegKey key) override;

  // Marks every write that succeeded as failed with status and failure: the
  // writes the inner store gathered did not reach the file after all.
  void FailWritten(RegStatus status, const std::string& failure);

  // Every write, in the order it was made.
  const std::vector<RecordedWrite>& Writes() const { return writes_; }

 private:
  RegistryStore& inner_;
  Mode mode_;
  std::function<std::string()> failure_reason_;
  // Root and path of every key opened through the recorder and not yet closed.
  std::map<RegKey, std::pair<RegKey, std::u16string>> open_keys_;
  std::vector<RecordedWrite> writes_;
};
