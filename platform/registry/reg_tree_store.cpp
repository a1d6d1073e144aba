#include "platform/registry/reg_tree_store.h"

#include <string>
#include <utility>
#include <vector>

namespace {

// Handles are multiples of 4 counted up from here, kept clear of the
// predefined roots.
constexpr RegKey FIRST_HANDLE = 0x100;
constexpr RegKey HANDLE_STEP = 4;

// Numbers a handle never takes: below the first, and the predefined roots.
bool IsReserved(RegKey key) {
  return key < FIRST_HANDLE || (key >= HKEY_CLASSES_ROOT && key <= HKEY_CURRENT_CONFIG + 3);
}

}  // namespace

std::u16string_view ValueNameOf(const char16_t* name) {
  return name == nullptr ? std::u16string_view() : std::u16string_view(name);
}

RegTreeStore::RegTreeStore() : tree_(std::make_unique<RegTree>()), next_handle_(FIRST_HANDLE) {}

RegStatus RegTreeStore::Resolve(RegKey key, RegKeyNode** node) const {
  if (RegKeyNode* root = tree_->Root(key)) {
    *node = root;
    return ERROR_SUCCESS;
  }
  auto it = handles_.find(key);
  if (it == handles_.end()) return ERROR_INVALID_HANDLE;
  if (it->second == nullptr) return ERROR_KEY_DELETED;
  *node = it->second;
  return ERROR_SUCCESS;
}

RegStatus RegTreeStore::OpenKey(RegKey key, const char16_t* path, RegKey* result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  RegKeyNode* base = nullptr;
  if (RegStatus status = Resolve(key, &base)) return status;
  RegKeyNode* node = tree_->Find(base, ValueNameOf(path));
  if (node == nullptr) return ERROR_FILE_NOT_FOUND;
  RegKey handle = next_handle_;
  do {
    next_handle_ += HANDLE_STEP;
  } while (IsReserved(next_handle_) || handles_.count(next_handle_) != 0);
  handles_[handle] = node;
  *result = handle;
  return ERROR_SUCCESS;
}

RegStatus RegTreeStore::EnumSubkey(RegKey key, uint32_t index, char16_t* name, uint32_t* length) {
  if (name == nullptr || length == nullptr) return ERROR_INVALID_PARAMETER;
  RegKeyNode* node = nullptr;
  if (RegStatus status = Resolve(key, &node)) return status;
  RegKeyNode* child = node->Subkey(index);
  if (child == nullptr) return ERROR_NO_MORE_ITEMS;
  const PackedBytes& child_name = child->Name();
  uint32_t units = static_cast<uint32_t>(child_name.UnitCount());
  if (*length < units + 1) {
    *length = units + 1;
    return ERROR_MORE_DATA;
  }
  for (uint32_t i = 0; i < units; ++i) name[i] = child_name.UnitAt(i);
  name[units] = u'\0';
  *length = units;
  return ERROR_SUCCESS;
}

RegStatus RegTreeStore::QueryValue(RegKey key, const char16_t* name, uint32_t* type, uint8_t* data,
                                   uint32_t* length) {
  if (length == nullptr) return ERROR_INVALID_PARAMETER;
  RegKeyNode* node = nullptr;
  if (RegStatus status = Resolve(key, &node)) return status;
  const RegValueEntry* value = node->FindValue(ValueNameOf(name));
  if (value == nullptr) return ERROR_FILE_NOT_FOUND;
  if (type != nullptr) *type = value->type;
  uint32_t size = static_cast<uint32_t>(value->data.size());
  if (data != nullptr && *length < size) {
    *length = size;
    return ERROR_MORE_DATA;
  }
  if (data != nullptr) value->data.CopyTo(data, size);
  *length = size;
  return ERROR_SUCCESS;
}

RegStatus RegTreeStore::CloseKey(RegKey key) {
  if (tree_->Root(key) != nullptr) return ERROR_SUCCESS;
  return handles_.erase(key) == 1 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

void RegTreeStore::ReplaceTree(std::unique_ptr<RegTree> tree) {
  struct Moved {
    RegKey handle;
    RegKey root;
    std::u16string path;
  };
  std::vector<Moved> moved;
  for (auto& [handle, node] : handles_) {
    if (node == nullptr) continue;
    Moved m{handle, 0, {}};
    m.path = RegTree::PathOf(node, &m.root);
    moved.push_back(std::move(m));
  }
  tree_ = std::move(tree);
  for (const Moved& m : moved) {
    RegKeyNode* root = tree_->Root(m.root);
    handles_[m.handle] = root == nullptr ? nullptr : tree_->Find(root, m.path);
  }
}

void RegTreeStore::DeleteKey(RegKeyNode* node) {
  for (auto& entry : handles_) {
    RegKeyNode* held = entry.second;
    if (held == nullptr || !RegTree::IsWithin(held, node)) continue;
    if (held == node && node->Parent() == nullptr) continue;  // a root outlives deletion
    entry.second = nullptr;
  }
  tree_->DeleteKey(node);
}
