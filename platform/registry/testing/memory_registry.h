// MemoryRegistry: a registry store held in memory, for tests. Tests fill it
// with PutKey/PutString/PutValue, read it back with GetString, make chosen
// operations fail with InjectFailure, and check with OpenHandleCount that the
// code under test closed every key it opened. Nothing is persisted.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/reg_tree_store.h"

// The operations a test can make fail (see MemoryRegistry::InjectFailure).
enum class RegOperation { Open, Enumerate, Query, Set, Close };

class MemoryRegistry : public RegTreeStore {
 public:
  using RegOperation = ::RegOperation;

  // All five predefined roots exist and are empty.
  MemoryRegistry() = default;

  RegStatus OpenKey(RegKey key, const char16_t* path, RegKey* result) override;
  RegStatus EnumSubkey(RegKey key, uint32_t index, char16_t* name, uint32_t* length) override;
  RegStatus QueryValue(RegKey key, const char16_t* name, uint32_t* type, uint8_t* data,
                       uint32_t* length) override;
  // Stores any type and data as given (data may be null when length is 0);
  // ERROR_NOT_SUPPORTED past REG_MAX_DATA_SIZE bytes.
  RegStatus SetValue(RegKey key, const char16_t* name, uint32_t type, const uint8_t* data,
                     uint32_t length) override;
  // An injected Close failure leaves the handle open.
  RegStatus CloseKey(RegKey key) override;

  // The test-facing operations below take root as a predefined root or an
  // open handle and paths as RegTree::Find reads them; an unknown root or a
  // malformed path makes them do nothing (GetString: nullopt).

  // Creates path and its missing parents. Example: PutKey(HKEY_LOCAL_MACHINE,
  // u"Drivers\\Active\\01") also creates "Drivers" and "Drivers\\Active".
  void PutKey(RegKey root, std::u16string_view path);
  // Stores text as a type-1 value: its UTF-16 units and a NUL terminator.
  // Creates the key when missing. An empty name is the default value.
  void PutString(RegKey root, std::u16string_view key_path, std::u16string_view name,
                 std::u16string_view text);
  // Stores data with the given type; creates the key when missing.
  void PutValue(RegKey root, std::u16string_view key_path, std::u16string_view name, uint32_t type,
                std::vector<uint8_t> data);
  // The value's data read as UTF-16 up to its first NUL (or its end; a
  // trailing odd byte is dropped), whatever its type; nullopt when the key or
  // value is missing.
  std::optional<std::u16string> GetString(RegKey root, std::u16string_view key_path,
                                          std::u16string_view name) const;
  // Deletes the key and its subtree; open handles inside it then fail with
  // ERROR_KEY_DELETED. An empty path empties the root itself.
  void DeleteKey(RegKey root, std::u16string_view path);

  // From now on, calls of op whose subject equals match (without regard to
  // case) fail with status before doing anything. The subject is the path
  // argument as passed for Open and the value name for Query and Set (null
  // and empty alike); Enumerate and Close have none, so any match makes every
  // call fail. An empty match makes every call of op fail. Several
  // injections may stand at once; the earliest that applies gives the status.
  // Example: InjectFailure(RegOperation::Set, ERROR_ACCESS_DENIED, u"Dll").
  void InjectFailure(RegOperation op, RegStatus status, std::u16string match = u"");
  void ClearFailures();

 private:
  struct Injection {
    RegOperation op;
    RegStatus status;
    std::u16string match;
  };
  // The status of the first injection that applies, or 0.
  RegStatus Injected(RegOperation op, std::u16string_view subject) const;
  RegKeyNode* FindKey(RegKey root, std::u16string_view path) const;
  RegKeyNode* CreateKey(RegKey root, std::u16string_view path);

  std::vector<Injection> injections_;
};
