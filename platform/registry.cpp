#include "platform/registry.h"

namespace {

RegistryStore* installed = nullptr;

}  // namespace

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
