// The Remote API (rapi.dll) of the Windows synchronisation software
// (ActiveSync, Windows Mobile Device Center): its registry calls, which act
// on the connected handheld's registry as the handheld's own RegOpenKeyEx
// family does, and its two error queries. Each registry call crosses the
// USB link. Plain integer types, so that the Win32 side may include
// windows.h: keys are handle values (the predefined roots as in
// registry.h), statuses the system's error codes (0 success).
#pragma once

#include <cstdint>

class RapiLink {
 public:
  virtual ~RapiLink() = default;

  // CeRegOpenKeyEx: path below key (empty: key itself).
  virtual int32_t OpenKey(uintptr_t key, const char16_t* path, uintptr_t* result) = 0;
  // CeRegEnumKeyEx: *length holds the buffer size in characters with the
  // terminator on entry, the name's length without it on return.
  virtual int32_t EnumKey(uintptr_t key, uint32_t index, char16_t* name, uint32_t* length) = 0;
  // CeRegEnumValue: the index-th value's name (sizes as EnumKey), type and
  // data (*data_length bytes on entry, the data's size on return;
  // ERROR_MORE_DATA with the size needed when it does not fit).
  virtual int32_t EnumValue(uintptr_t key, uint32_t index, char16_t* name, uint32_t* name_length,
                            uint32_t* type, uint8_t* data, uint32_t* data_length) = 0;
  // CeRegQueryValueEx: sizes in bytes, terminators included; data null asks
  // for the size alone.
  virtual int32_t QueryValue(uintptr_t key, const char16_t* name, uint32_t* type, uint8_t* data,
                             uint32_t* length) = 0;
  // CeRegSetValueEx.
  virtual int32_t SetValue(uintptr_t key, const char16_t* name, uint32_t type, const uint8_t* data,
                           uint32_t length) = 0;
  // CeRegCloseKey.
  virtual int32_t CloseKey(uintptr_t key) = 0;
  // CeRapiGetError: the link's own result for the last call, an HRESULT;
  // negative when the link failed, and with it the call, whatever the call
  // returned. Answered on the computer: it does not cross the link.
  virtual int32_t LinkError() = 0;
};
