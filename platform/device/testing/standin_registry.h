// The registry a stand-in rapi.dll serves: a registry export file, read and
// written as the file store does (reg_file_store.h), behind the calls of
// rapi_link.h with their documented sizes and statuses. Plain types, so
// that the stand-in's exports may include windows.h. Test support only.
#pragma once

#include <cstdint>
#include <string>

// Serves the export at path (UTF-8); false when it cannot be read.
bool ServeRegistryFile(const std::string& path);

int32_t ServedOpenKey(uintptr_t key, const char16_t* path, uintptr_t* result);
// Name lengths in characters: the buffer's with its terminator on entry,
// the name's without it on return; ERROR_MORE_DATA with the size needed
// (terminator included) when it does not fit.
int32_t ServedEnumKey(uintptr_t key, uint32_t index, char16_t* name, uint32_t* length);
int32_t ServedEnumValue(uintptr_t key, uint32_t index, char16_t* name, uint32_t* name_length,
                        uint32_t* type, uint8_t* data, uint32_t* data_length);
int32_t ServedQueryValue(uintptr_t key, const char16_t* name, uint32_t* type, uint8_t* data,
                         uint32_t* length);
int32_t ServedSetValue(uintptr_t key, const char16_t* name, uint32_t type, const uint8_t* data,
                       uint32_t length);
int32_t ServedCloseKey(uintptr_t key);
