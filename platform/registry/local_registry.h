// The computer's own registry as a registry service, where the system has
// one (Windows: advapi32, platform/win32/local_registry_store.cpp); the scan
// then reads and repairs HKEY_LOCAL_MACHINE\Drivers\Active of the machine it
// runs on, as it does on the handheld.
#pragma once

#include <memory>
#include <string>

#include "platform/registry/registry.h"

// A store over the system's registry API, or null with *why saying why
// there is none (on Linux: the system has no registry of its own). A key
// handle it gives is the system's; a failed operation's reason, in the
// system's words, comes from LastFailure.
class LocalRegistry : public RegistryStore {
 public:
  static std::unique_ptr<LocalRegistry> Open(std::string* why);
  // What the last failed operation says ("RegSetValueExW Drivers\Bt\Dll:
  // Access is denied."); empty before any failure.
  virtual std::string LastFailure() const = 0;
};
