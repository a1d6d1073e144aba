#include "platform/registry/testing/memory_registry.h"

#include <utility>

#include "platform/registry/reg_text_codec.h"

RegStatus MemoryRegistry::Injected(RegOperation op, std::u16string_view subject) const {
  for (const Injection& injection : injections_) {
    if (injection.op != op) continue;
    bool has_subject = op != RegOperation::Enumerate && op != RegOperation::Close;
    if (injection.match.empty() || !has_subject ||
        NamesEqual(std::u16string_view(injection.match), subject)) {
      return injection.status;
    }
  }
  return ERROR_SUCCESS;
}

RegStatus MemoryRegistry::OpenKey(RegKey key, const char16_t* path, RegKey* result) {
  if (RegStatus status = Injected(RegOperation::Open, ValueNameOf(path))) return status;
  return RegTreeStore::OpenKey(key, path, result);
}

RegStatus MemoryRegistry::EnumSubkey(RegKey key, uint32_t index, char16_t* name, uint32_t* length) {
  if (RegStatus status = Injected(RegOperation::Enumerate, u"")) return status;
  return RegTreeStore::EnumSubkey(key, index, name, length);
}

RegStatus MemoryRegistry::QueryValue(RegKey key, const char16_t* name, uint32_t* type,
                                     uint8_t* data, uint32_t* length) {
  if (RegStatus status = Injected(RegOperation::Query, ValueNameOf(name))) return status;
  return RegTreeStore::QueryValue(key, name, type, data, length);
}

RegStatus MemoryRegistry::SetValue(RegKey key, const char16_t* name, uint32_t type,
                                   const uint8_t* data, uint32_t length) {
  if (RegStatus status = Injected(RegOperation::Set, ValueNameOf(name))) return status;
  if (data == nullptr && length != 0) return ERROR_INVALID_PARAMETER;
  if (length > REG_MAX_DATA_SIZE) return ERROR_NOT_SUPPORTED;
  RegKeyNode* node = nullptr;
  if (RegStatus status = Resolve(key, &node)) return status;
  tree().SetValue(node, ValueNameOf(name), type, data, length);
  return ERROR_SUCCESS;
}

RegStatus MemoryRegistry::CloseKey(RegKey key) {
  if (RegStatus status = Injected(RegOperation::Close, u"")) return status;
  return RegTreeStore::CloseKey(key);
}

RegKeyNode* MemoryRegistry::FindKey(RegKey root, std::u16string_view path) const {
  RegKeyNode* base = nullptr;
  if (Resolve(root, &base) != ERROR_SUCCESS) return nullptr;
  return tree().Find(base, path);
}

RegKeyNode* MemoryRegistry::CreateKey(RegKey root, std::u16string_view path) {
  RegKeyNode* base = nullptr;
  if (Resolve(root, &base) != ERROR_SUCCESS) return nullptr;
  return tree().Create(base, path);
}

void MemoryRegistry::PutKey(RegKey root, std::u16string_view path) { CreateKey(root, path); }

void MemoryRegistry::PutString(RegKey root, std::u16string_view key_path, std::u16string_view name,
                               std::u16string_view text) {
  std::vector<uint8_t> data;
  EncodeText(RegEncoding::Utf16Le, text, &data);
  data.insert(data.end(), {0, 0});
  PutValue(root, key_path, name, REG_SZ, std::move(data));
}

void MemoryRegistry::PutValue(RegKey root, std::u16string_view key_path, std::u16string_view name,
                              uint32_t type, std::vector<uint8_t> data) {
  if (RegKeyNode* node = CreateKey(root, key_path)) {
    tree().SetValue(node, name, type, data.data(), data.size());
  }
}

std::optional<std::u16string> MemoryRegistry::GetString(RegKey root, std::u16string_view key_path,
                                                        std::u16string_view name) const {
  RegKeyNode* node = FindKey(root, key_path);
  const RegValueEntry* value = node == nullptr ? nullptr : node->FindValue(name);
  if (value == nullptr) return std::nullopt;
  std::u16string text = value->data.ToText();
  size_t nul = text.find(u'\0');
  if (nul != std::u16string::npos) text.resize(nul);
  return text;
}

void MemoryRegistry::DeleteKey(RegKey root, std::u16string_view path) {
  if (RegKeyNode* node = FindKey(root, path)) RegTreeStore::DeleteKey(node);
}

void MemoryRegistry::InjectFailure(RegOperation op, RegStatus status, std::u16string match) {
  injections_.push_back(Injection{op, status, std::move(match)});
}

void MemoryRegistry::ClearFailures() { injections_.clear(); }
