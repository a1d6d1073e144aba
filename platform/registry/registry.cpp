#include "platform/registry/registry.h"

namespace {

RegistryStore* installed = nullptr;

}  // namespace

const char* RegStatusText(RegStatus status) {
  switch (status) {
    case ERROR_SUCCESS:
      return "success";
    case ERROR_FILE_NOT_FOUND:
      return "no such key or value";
    case ERROR_ACCESS_DENIED:
      return "access denied";
    case ERROR_INVALID_HANDLE:
      return "unknown or closed key handle";
    case ERROR_OUTOFMEMORY:
      return "out of memory";
    case ERROR_WRITE_FAULT:
      return "write fault";
    case ERROR_SHARING_VIOLATION:
      return "locked by another writer";
    case ERROR_NOT_SUPPORTED:
      return "not supported";
    case ERROR_INVALID_PARAMETER:
      return "invalid parameter";
    case ERROR_DISK_FULL:
      return "disk full";
    case ERROR_MORE_DATA:
      return "buffer too small";
    case ERROR_NO_MORE_ITEMS:
      return "no more items";
    case ERROR_FILE_INVALID:
      return "changed on disk since it was read";
    case ERROR_BADDB:
      return "not a readable registry file";
    case ERROR_KEY_DELETED:
      return "the key has been deleted";
    default:
      return "unlisted status";
  }
}

void InstallRegistryStore(RegistryStore* store) { installed = store; }

RegistryStore* InstalledRegistryStore() { return installed; }

RegStatus RegOpenKeyEx(RegKey key, const char16_t* sub_key, uint32_t, uint32_t, RegKey* result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  if (installed == nullptr) return ERROR_INVALID_HANDLE;
  return installed->OpenKey(key, sub_key, result);
}

RegStatus RegEnumKeyEx(RegKey key, uint32_t index, char16_t* name, uint32_t* name_length) {
  if (name == nullptr || name_length == nullptr) return ERROR_INVALID_PARAMETER;
  if (installed == nullptr) return ERROR_INVALID_HANDLE;
  return installed->EnumSubkey(key, index, name, name_length);
}

RegStatus RegQueryValueEx(RegKey key, const char16_t* value_name, uint32_t* type, uint8_t* data,
                          uint32_t* data_length) {
  if (data_length == nullptr) return ERROR_INVALID_PARAMETER;
  if (installed == nullptr) return ERROR_INVALID_HANDLE;
  return installed->QueryValue(key, value_name, type, data, data_length);
}

RegStatus RegSetValueEx(RegKey key, const char16_t* value_name, uint32_t type, const uint8_t* data,
                        uint32_t data_length) {
  if (data == nullptr && data_length != 0) return ERROR_INVALID_PARAMETER;
  if (installed == nullptr) return ERROR_INVALID_HANDLE;
  return installed->SetValue(key, value_name, type, data, data_length);
}

RegStatus RegCloseKey(RegKey key) {
  if (installed == nullptr) return ERROR_INVALID_HANDLE;
  return installed->CloseKey(key);
}
