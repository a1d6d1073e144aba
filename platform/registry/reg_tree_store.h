// The part both registry stores share: a RegTree behind key handles, with the
// open, enumerate, query and close operations. Subclasses decide how SetValue
// stores a value and may replace the tree wholesale; open handles then follow
// their keys by path. Handles are plain numbers owned by the store; callers
// close what they open.
#pragma once

#include <memory>
#include <unordered_map>
#include <utility>

#include "platform/registry/reg_tree.h"
#include "platform/registry/registry.h"

class RegTreeStore : public RegistryStore {
 public:
  // Opening returns a fresh handle each time, also for an empty path (a second
  // handle to key). ERROR_FILE_NOT_FOUND when a component is missing or the
  // path is malformed (see RegTree::Find).
  RegStatus OpenKey(RegKey key, const char16_t* path, RegKey* result) override;
  // On ERROR_MORE_DATA, *length is the buffer size the name needs (terminator
  // included) and name is untouched.
  RegStatus EnumSubkey(RegKey key, uint32_t index, char16_t* name, uint32_t* length) override;
  // ERROR_FILE_NOT_FOUND when the value is missing; otherwise *type is set
  // (when asked) even if the data does not fit.
  RegStatus QueryValue(RegKey key, const char16_t* name, uint32_t* type, uint8_t* data,
                       uint32_t* length) override;
  // Closing a predefined root succeeds and changes nothing; closing an unknown
  // or already closed handle gives ERROR_INVALID_HANDLE.
  RegStatus CloseKey(RegKey key) override;

  // Handles opened and not yet closed (handles to deleted keys included).
  int OpenHandleCount() const { return static_cast<int>(handles_.size()); }

 protected:
  RegTreeStore();
  RegTree& tree() { return *tree_; }
  const RegTree& tree() const { return *tree_; }

  // The node behind key (a predefined root or an open handle).
  // ERROR_INVALID_HANDLE for an unknown or closed handle, ERROR_KEY_DELETED
  // when the handle's key has been deleted since it was opened.
  RegStatus Resolve(RegKey key, RegKeyNode** node) const;
  // Installs tree; each open handle moves to the key at its old path, or
  // becomes a handle to a deleted key when the new tree lacks that path.
  void ReplaceTree(std::unique_ptr<RegTree> tree);
  // Hands the tree over to a store that takes it with ReplaceTree; this store
  // is left without one and may then only be destroyed.
  std::unique_ptr<RegTree> TakeTree() { return std::move(tree_); }
  // Deletes node and its subtree; open handles inside it become handles to
  // deleted keys.
  void DeleteKey(RegKeyNode* node);

 private:
  std::unique_ptr<RegTree> tree_;
  std::unordered_map<RegKey, RegKeyNode*> handles_;  // null: the key was deleted
  RegKey next_handle_;
};

// A value name as the registry calls receive it: null stands for the default
// value, like the empty name.
std::u16string_view ValueNameOf(const char16_t* name);
