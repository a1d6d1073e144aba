#include "platform/device/testing/standin_registry.h"

#include <map>
#include <memory>
#include <utility>

#include "platform/registry/reg_file_store.h"

namespace {

std::unique_ptr<RegFileStore> served;
// Root and path of each key opened, for the enumeration of its values.
std::map<RegKey, std::pair<RegKey, std::u16string>> opened;

std::pair<RegKey, std::u16string> Where(RegKey key) {
  auto found = opened.find(key);
  return found != opened.end() ? found->second : std::make_pair(key, std::u16string());
}

}  // namespace

bool ServeRegistryFile(const std::string& path) {
  std::string error;
  served = RegFileStore::Load(path, &error);
  return served != nullptr;
}

int32_t ServedOpenKey(uintptr_t key, const char16_t* path, uintptr_t* result) {
  RegStatus status = served->OpenKey(key, path, result);
  if (status == ERROR_SUCCESS) {
    std::pair<RegKey, std::u16string> where = Where(key);
    std::u16string sub = path != nullptr ? path : u"";
    if (!sub.empty()) where.second += (where.second.empty() ? u"" : u"\\") + sub;
    opened[*result] = where;
  }
  return status;
}

int32_t ServedEnumKey(uintptr_t key, uint32_t index, char16_t* name, uint32_t* length) {
  return served->EnumSubkey(key, index, name, length);
}

int32_t ServedEnumValue(uintptr_t key, uint32_t index, char16_t* name, uint32_t* name_length,
                        uint32_t* type, uint8_t* data, uint32_t* data_length) {
  const std::pair<RegKey, std::u16string> where = Where(key);
  const RegTree& tree = served->Tree();
  const RegKeyNode* node = tree.Find(tree.Root(where.first), where.second);
  if (node == nullptr) return ERROR_INVALID_HANDLE;
  const RegValueEntry* value = nullptr;
  uint32_t at = 0;
  node->ForEachValue([&](const RegValueEntry& entry) {
    if (at++ == index) value = &entry;
  });
  if (value == nullptr) return ERROR_NO_MORE_ITEMS;
  const std::u16string value_name = value->name.ToText();
  if (value_name.size() + 1 > *name_length) {
    *name_length = static_cast<uint32_t>(value_name.size() + 1);
    return ERROR_MORE_DATA;
  }
  const uint32_t size = static_cast<uint32_t>(value->data.size());
  *type = value->type;
  if (size > *data_length) {
    *data_length = size;
    return ERROR_MORE_DATA;
  }
  std::copy(value_name.c_str(), value_name.c_str() + value_name.size() + 1, name);
  *name_length = static_cast<uint32_t>(value_name.size());
  value->data.CopyTo(data, size);
  *data_length = size;
  return ERROR_SUCCESS;
}

int32_t ServedQueryValue(uintptr_t key, const char16_t* name, uint32_t* type, uint8_t* data,
                         uint32_t* length) {
  return served->QueryValue(key, name, type, data, length);
}

int32_t ServedSetValue(uintptr_t key, const char16_t* name, uint32_t type, const uint8_t* data,
                       uint32_t length) {
  return served->SetValue(key, name, type, data, length);
}

int32_t ServedCloseKey(uintptr_t key) {
  opened.erase(key);
  return served->CloseKey(key);
}
