#include "platform/device/device_registry.h"

#include <algorithm>
#include <cstdio>

namespace {

// Longest key or value name a handheld allows, terminator included.
constexpr uint32_t MAX_NAME = 256;
// The data buffer of a first EnumValue; most values are far smaller.
constexpr uint32_t FIRST_DATA_BYTES = 4096;

// What a status from the handheld means for a user.
std::string Meaning(RegStatus status) {
  if (status == ERROR_ACCESS_DENIED) {
    return "the handheld refused: access denied (error 5): its security policy does not let "
           "programs on the computer change this part of its registry";
  }
  return std::string("the handheld answered: ") + RegStatusText(status) + " (error " +
         std::to_string(status) + ")";
}

}  // namespace

RegStatus DeviceRegistry::Done(const char* call, int32_t status) {
  ++calls_;
  if (status == ERROR_SUCCESS) return status;
  int32_t link_error = link_.LinkError();
  if (link_error < 0) {
    lost_ = true;
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(link_error));
    last_failure_ = std::string(call) + ": the connection to the handheld was lost (" + code + ")";
    return ERROR_LINK_LOST;
  }
  last_failure_ = std::string(call) + ": " + Meaning(status);
  return status;
}

RegStatus DeviceRegistry::OpenKey(RegKey key, const char16_t* path, RegKey* result) {
  if (lost_) return ERROR_LINK_LOST;
  return Done("CeRegOpenKeyEx", link_.OpenKey(key, path != nullptr ? path : u"", result));
}

RegStatus DeviceRegistry::EnumSubkey(RegKey key, uint32_t index, char16_t* name, uint32_t* length) {
  if (lost_) return ERROR_LINK_LOST;
  char16_t whole[MAX_NAME];
  uint32_t got = MAX_NAME;
  RegStatus status = Done("CeRegEnumKeyEx", link_.EnumKey(key, index, whole, &got));
  if (status != ERROR_SUCCESS) return status;
  got = std::min(got, MAX_NAME - 1);  // a length past the buffer is none the handheld wrote
  whole[got] = u'\0';
  if (got + 1 > *length) {
    *length = got + 1;
    return ERROR_MORE_DATA;
  }
  std::copy(whole, whole + got + 1, name);
  *length = got;
  return ERROR_SUCCESS;
}

RegStatus DeviceRegistry::QueryValue(RegKey key, const char16_t* name, uint32_t* type,
                                     uint8_t* data, uint32_t* length) {
  if (lost_) return ERROR_LINK_LOST;
  return Done("CeRegQueryValueEx",
              link_.QueryValue(key, name != nullptr ? name : u"", type, data, length));
}

RegStatus DeviceRegistry::SetValue(RegKey key, const char16_t* name, uint32_t type,
                                   const uint8_t* data, uint32_t length) {
  if (lost_) return ERROR_LINK_LOST;
  return Done("CeRegSetValueEx",
              link_.SetValue(key, name != nullptr ? name : u"", type, data, length));
}

RegStatus DeviceRegistry::CloseKey(RegKey key) {
  if (lost_) return ERROR_LINK_LOST;
  return Done("CeRegCloseKey", link_.CloseKey(key));
}

RegStatus DeviceRegistry::EnumValue(RegKey key, uint32_t index, std::u16string* name,
                                    uint32_t* type, std::vector<uint8_t>* data) {
  if (lost_) return ERROR_LINK_LOST;
  char16_t buffer[MAX_NAME];
  data->resize(FIRST_DATA_BYTES);
  for (int attempt = 0;; ++attempt) {
    uint32_t name_length = MAX_NAME;
    uint32_t size = static_cast<uint32_t>(data->size());
    RegStatus status = Done("CeRegEnumValue", link_.EnumValue(key, index, buffer, &name_length,
                                                              type, data->data(), &size));
    if (status == ERROR_MORE_DATA && attempt == 0 && size > data->size()) {
      data->resize(size);
      continue;
    }
    if (status != ERROR_SUCCESS) return status;
    name->assign(buffer, std::min(name_length, MAX_NAME - 1));
    data->resize(size);
    return ERROR_SUCCESS;
  }
}
