// The registry service: the handheld's registry operations over whichever store
// the process installs (a .reg file store, or an in-memory store in tests).
//
// Calling conventions follow the handheld: wide (UTF-16) key paths and value
// names, status 0 for success and a non-zero code otherwise, name lengths in
// characters and data lengths in bytes. Key and value names match without
// regard to letter case and keep the spelling they were stored with. A key
// handle serves both reads and writes until it is closed. Single-threaded.
#pragma once

#include <cstdint>

using RegStatus = int32_t;
using RegKey = uintptr_t;

// Predefined roots.
constexpr RegKey HKEY_CLASSES_ROOT = 0x80000000u;
constexpr RegKey HKEY_CURRENT_USER = 0x80000001u;
constexpr RegKey HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr RegKey HKEY_USERS = 0x80000003u;
constexpr RegKey HKEY_CURRENT_CONFIG = 0x80000005u;

// Status codes.
constexpr RegStatus ERROR_SUCCESS = 0;
constexpr RegStatus ERROR_FILE_NOT_FOUND = 2;  // no such key or value
constexpr RegStatus ERROR_ACCESS_DENIED = 5;   // file or folder not writable
constexpr RegStatus ERROR_INVALID_HANDLE = 6;  // unknown or closed key; no store
constexpr RegStatus ERROR_OUTOFMEMORY = 14;
constexpr RegStatus ERROR_WRITE_FAULT = 29;        // an I/O step of a rewrite failed
constexpr RegStatus ERROR_SHARING_VIOLATION = 32;  // another writer holds the lock
constexpr RegStatus ERROR_NOT_SUPPORTED = 50;      // the store cannot represent the value
constexpr RegStatus ERROR_INVALID_PARAMETER = 87;
constexpr RegStatus ERROR_DISK_FULL = 112;
constexpr RegStatus ERROR_MORE_DATA = 234;      // the caller's buffer is too small
constexpr RegStatus ERROR_NO_MORE_ITEMS = 259;  // enumeration index past the end
constexpr RegStatus ERROR_FILE_INVALID = 1006;  // the value changed on disk since it was read
constexpr RegStatus ERROR_BADDB = 1009;         // the backing file is not a registry
constexpr RegStatus ERROR_KEY_DELETED = 1018;   // the handle's key was deleted

// Value types.
constexpr uint32_t REG_NONE = 0;
constexpr uint32_t REG_SZ = 1;
constexpr uint32_t REG_EXPAND_SZ = 2;
constexpr uint32_t REG_BINARY = 3;
constexpr uint32_t REG_DWORD = 4;
constexpr uint32_t REG_DWORD_BIG_ENDIAN = 5;
constexpr uint32_t REG_LINK = 6;
constexpr uint32_t REG_MULTI_SZ = 7;
constexpr uint32_t REG_QWORD = 11;

// What a store implements; the free functions below forward to the installed one.
class RegistryStore {
 public:
  virtual ~RegistryStore() = default;

  // Opens path (backslash-separated, relative to key; null or empty: key itself).
  virtual RegStatus OpenKey(RegKey key, const char16_t* path, RegKey* result) = 0;
  // The name of the index-th subkey of key. *length holds the buffer size in
  // characters on entry (terminator included) and the name's length on return;
  // ERROR_MORE_DATA when the name and its terminator do not fit (*length then
  // holds the size needed, terminator included, and name is untouched),
  // ERROR_NO_MORE_ITEMS when index is past the last subkey.
  virtual RegStatus EnumSubkey(RegKey key, uint32_t index, char16_t* name, uint32_t* length) = 0;
  // The data of value name (null or empty: the default value). type may be
  // null. *length holds the buffer size in bytes on entry and the data's size
  // on return; data may be null to ask for the size only. ERROR_MORE_DATA, with
  // the size needed in *length, when the data does not fit.
  virtual RegStatus QueryValue(RegKey key, const char16_t* name, uint32_t* type, uint8_t* data,
                               uint32_t* length) = 0;
  // Stores value name with the given type and data. Status 0 means the value
  // is stored durably (for a file store: on disk).
  virtual RegStatus SetValue(RegKey key, const char16_t* name, uint32_t type, const uint8_t* data,
                             uint32_t length) = 0;
  virtual RegStatus CloseKey(RegKey key) = 0;
};

// A short text for status, for messages ("no such key or value"; "unlisted
// status" for a code not listed above).
const char* RegStatusText(RegStatus status);

// Makes store the one behind the functions below (not owned; null uninstalls,
// after which every operation fails with ERROR_INVALID_HANDLE).
void InstallRegistryStore(RegistryStore* store);
RegistryStore* InstalledRegistryStore();

// The platform API. options and access are accepted and not examined.
RegStatus RegOpenKeyEx(RegKey key, const char16_t* sub_key, uint32_t options, uint32_t access,
                       RegKey* result);
RegStatus RegEnumKeyEx(RegKey key, uint32_t index, char16_t* name, uint32_t* name_length);
RegStatus RegQueryValueEx(RegKey key, const char16_t* value_name, uint32_t* type, uint8_t* data,
                          uint32_t* data_length);
RegStatus RegSetValueEx(RegKey key, const char16_t* value_name, uint32_t type, const uint8_t* data,
                        uint32_t data_length);
RegStatus RegCloseKey(RegKey key);
