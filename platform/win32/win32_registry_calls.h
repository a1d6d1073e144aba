// The advapi32 registry calls behind LocalRegistry, in the registry
// service's own types (registry.h), so that the store's code never meets
// windows.h, whose macros take the same names. Keys are the system's HKEY
// values; the predefined roots have the same numbers in both. Windows only.
#pragma once

#include <cstdint>
#include <string>

namespace win32 {

// Each returns the system's status (0 success; the same numbers as registry.h).
int32_t OpenKey(uintptr_t key, const char16_t* path, uintptr_t* result);
// Up to capacity characters of the index-th subkey's name into name
// (terminated); *length its length.
int32_t EnumKey(uintptr_t key, uint32_t index, char16_t* name, uint32_t capacity, uint32_t* length);
int32_t QueryValue(uintptr_t key, const char16_t* name, uint32_t* type, uint8_t* data,
                   uint32_t* length);
int32_t SetValue(uintptr_t key, const char16_t* name, uint32_t type, const uint8_t* data,
                 uint32_t length);
int32_t CloseKey(uintptr_t key);
// The system's text for status ("Access is denied."), without its line end.
std::string StatusText(int32_t status);

}  // namespace win32
