// The connected handheld's registry as a registry service: each operation
// is one call over the link (rapi_link.h), counted. A link that fails part
// way is noticed at the first call that fails for it (RapiLink::LinkError),
// and from then on every operation fails at once with ERROR_LINK_LOST,
// without crossing the link again. Single-threaded; the link must outlive
// the store.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/device/rapi_link.h"
#include "platform/registry/registry.h"

// The link to the handheld failed (the system's ERROR_DEVICE_NOT_CONNECTED).
constexpr RegStatus ERROR_LINK_LOST = 1167;

class DeviceRegistry : public RegistryStore {
 public:
  explicit DeviceRegistry(RapiLink& link) : link_(link) {}

  RegStatus OpenKey(RegKey key, const char16_t* path, RegKey* result) override;
  // The name is read into a buffer of the longest name the handheld allows,
  // so that ERROR_MORE_DATA comes with the size needed (terminator
  // included) as the service promises, in the one call.
  RegStatus EnumSubkey(RegKey key, uint32_t index, char16_t* name, uint32_t* length) override;
  RegStatus QueryValue(RegKey key, const char16_t* name, uint32_t* type, uint8_t* data,
                       uint32_t* length) override;
  RegStatus SetValue(RegKey key, const char16_t* name, uint32_t type, const uint8_t* data,
                     uint32_t length) override;
  RegStatus CloseKey(RegKey key) override;
  // The index-th value of key, whole: one call when its data fits 4 KB,
  // a second with the size the first asked for otherwise.
  RegStatus EnumValue(RegKey key, uint32_t index, std::u16string* name, uint32_t* type,
                      std::vector<uint8_t>* data);

  // Whether the link failed; every operation since has failed with ERROR_LINK_LOST.
  bool LinkLost() const { return lost_; }
  // Why the last operation failed, in words for a user ("the handheld
  // refused: access denied (error 5): ..."); empty before any failure.
  const std::string& LastFailure() const { return last_failure_; }
  // The registry calls made over the link so far.
  uint64_t Calls() const { return calls_; }

 private:
  // Counts a call that returned status and, when it failed, learns why:
  // the link's own failure makes it ERROR_LINK_LOST.
  RegStatus Done(const char* call, int32_t status);

  RapiLink& link_;
  bool lost_ = false;
  std::string last_failure_;
  uint64_t calls_ = 0;
};
