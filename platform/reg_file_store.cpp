#include "platform/reg_file_store.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/reg_line_editor.h"
#include "platform/reg_parser.h"

namespace {

// A 64-bit hash of the file's bytes, to tell whether it changed on disk.
// Each step is a bijection of the state, so files of the same size that
// differ in one 8-byte word always hash differently.
uint64_t ContentHash(const std::vector<uint8_t>& bytes) {
  const uint8_t* p = bytes.data();
  size_t n = bytes.size();
  uint64_t h = 0x9E3779B97F4A7C15ull ^ n;
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t word;
    std::memcpy(&word, p + i, 8);
    h = (h ^ word) * 0xBF58476D1CE4E5B9ull;
    h ^= h >> 31;
  }
  for (; i < n; ++i) {
    h = (h ^ p[i]) * 0x94D049BB133111EBull;
    h ^= h >> 29;
  }
  return h;
}

std::string ValueText(std::u16string_view name) {
  return name.empty() ? "the default value" : "value \"" + MessageText(name) + "\"";
}

// True when tree holds exactly this value at root\key_path.
bool ReadsBack(const RegTree& tree, RegKey root, std::u16string_view key_path,
               std::u16string_view name, uint32_t type, const uint8_t* data, size_t size) {
  RegKeyNode* key = tree.Find(tree.Root(root), key_path);
  const RegValueEntry* value = key == nullptr ? nullptr : key->FindValue(name);
  if (value == nullptr || value->type != type || value->data.size() != size) return false;
  for (size_t i = 0; i < size; ++i) {
    if (value->data.ByteAt(i) != data[i]) return false;
  }
  return true;
}

}  // namespace

std::unique_ptr<RegFileStore> RegFileStore::Load(const std::string& path, std::string* error,
                                                 const RegFileOptions& options) {
  FileSystem& fs = options.file_system != nullptr ? *options.file_system : RealFileSystem();
  std::vector<uint8_t> bytes;
  int read_error = fs.ReadAll(path, &bytes);
  bool exists = read_error == 0;
  if (!exists && !(read_error == ENOENT && options.missing_file_is_empty)) {
    *error = path + ": cannot read: " + std::strerror(read_error);
    return nullptr;
  }
  std::unique_ptr<RegFileStore> store(new RegFileStore(path, fs));
  std::unique_ptr<RegTree> tree;
  RegFileForm form;
  if (!store->Read(bytes, exists, &tree, &form, error)) return nullptr;
  store->Adopt(std::move(tree), form, bytes, exists);
  return store;
}

bool RegFileStore::Read(const std::vector<uint8_t>& bytes, bool exists,
                        std::unique_ptr<RegTree>* tree, RegFileForm* form,
                        std::string* reason) const {
  *tree = std::make_unique<RegTree>();
  *form = RegFileForm();
  if (!exists) return true;
  RegParseError error;
  if (ParseRegFile(bytes.data(), bytes.size(), tree->get(), form, &error)) return true;
  *reason = path_ + ": line " + std::to_string(error.line) + ": " + error.reason;
  tree->reset();
  return false;
}

void RegFileStore::Adopt(std::unique_ptr<RegTree> tree, const RegFileForm& form,
                         const std::vector<uint8_t>& bytes, bool exists) {
  ReplaceTree(std::move(tree));
  form_ = form;
  exists_ = exists;
  size_ = bytes.size();
  hash_ = exists ? ContentHash(bytes) : 0;
}

RegStatus RegFileStore::Fail(RegStatus status, std::string reason) {
  last_failure_ = std::move(reason);
  return status;
}

std::string RegFileStore::KeyText(RegKey key) const {
  RegKeyNode* node = nullptr;
  if (Resolve(key, &node) != ERROR_SUCCESS) {
    char handle[32];
    std::snprintf(handle, sizeof handle, "key handle 0x%llx", static_cast<unsigned long long>(key));
    return handle;
  }
  RegKey root = 0;
  std::u16string path = RegTree::PathOf(node, &root);
  std::u16string text = RegTree::RootName(root);
  if (!path.empty()) text += u"\\" + path;
  return MessageText(text);
}

RegStatus RegFileStore::OpenKey(RegKey key, const char16_t* path, RegKey* result) {
  RegStatus status = RegTreeStore::OpenKey(key, path, result);
  if (status == ERROR_SUCCESS) return status;
  return Fail(status, path_ + ": cannot open \"" + MessageText(ValueNameOf(path)) + "\" under " +
                          KeyText(key) + ": " + RegStatusText(status));
}

RegStatus RegFileStore::EnumSubkey(RegKey key, uint32_t index, char16_t* name, uint32_t* length) {
  RegStatus status = RegTreeStore::EnumSubkey(key, index, name, length);
  if (status == ERROR_SUCCESS) return status;
  return Fail(status, path_ + ": cannot enumerate subkey " + std::to_string(index) + " of " +
                          KeyText(key) + ": " + RegStatusText(status));
}

RegStatus RegFileStore::QueryValue(RegKey key, const char16_t* name, uint32_t* type,
                                   uint8_t* data, uint32_t* length) {
  RegStatus status = RegTreeStore::QueryValue(key, name, type, data, length);
  if (status == ERROR_SUCCESS) return status;
  return Fail(status, path_ + ": cannot read " + ValueText(ValueNameOf(name)) + " of " +
                          KeyText(key) + ": " + RegStatusText(status));
}

RegStatus RegFileStore::CloseKey(RegKey key) {
  std::string key_text = KeyText(key);
  RegStatus status = RegTreeStore::CloseKey(key);
  if (status == ERROR_SUCCESS) return status;
  return Fail(status, path_ + ": cannot close " + key_text + ": " + RegStatusText(status));
}

RegStatus RegFileStore::SetValue(RegKey key, const char16_t* value_name, uint32_t type,
                                 const uint8_t* data, uint32_t length) {
  std::u16string_view name = ValueNameOf(value_name);
  std::string what = path_ + ": cannot store " + ValueText(name) + " in " + KeyText(key) + ": ";
  if (data == nullptr && length != 0) return Fail(ERROR_INVALID_PARAMETER, what + "no data");
  RegKeyNode* node = nullptr;
  if (RegStatus status = Resolve(key, &node)) return Fail(status, what + RegStatusText(status));
  RegKey root = 0;
  const std::u16string key_path = RegTree::PathOf(node, &root);

  std::unique_ptr<RegFileLock> lock;
  std::string failure;
  if (RegStatus status = RegFileLock::Acquire(fs_, path_, &lock, &failure)) {
    return Fail(status, what + failure);
  }
  std::vector<uint8_t> bytes;
  int read_error = fs_.ReadAll(lock->Target(), &bytes);
  bool exists = read_error == 0;
  if (!exists && !(read_error == ENOENT && !exists_)) {
    return Fail(StatusOfErrno(read_error),
                what + "cannot read " + lock->Target() + ": " + std::strerror(read_error));
  }
  if (exists != exists_ || bytes.size() != size_ || ContentHash(bytes) != hash_) {
    std::unique_ptr<RegTree> fresh;
    RegFileForm form;
    if (!Read(bytes, exists, &fresh, &form, &failure)) {
      return Fail(ERROR_BADDB, what + "it changed on disk and cannot be read now: " + failure);
    }
    Adopt(std::move(fresh), form, bytes, exists);
    if (RegStatus status = Resolve(key, &node)) {
      return Fail(status, what + "it changed on disk and the key is gone");
    }
  }

  const std::vector<uint8_t> start = exists ? std::vector<uint8_t>() : FileStartBytes(form_);
  const std::vector<uint8_t>& base = exists ? bytes : start;
  RegSplice splice;
  if (RegStatus status =
          PlanValueEdit(base, form_, node, name, type, data, length, &splice, &failure)) {
    return Fail(status, what + failure);
  }
  const std::vector<uint8_t> edited = ApplySplice(base, splice);
  std::unique_ptr<RegTree> after;
  RegFileForm after_form;
  if (!Read(edited, true, &after, &after_form, &failure)) {
    return Fail(ERROR_NOT_SUPPORTED, what + "the edited file would not read back: " + failure);
  }
  if (!ReadsBack(*after, root, key_path, name, type, data, length)) {
    return Fail(ERROR_NOT_SUPPORTED, what + "the edited file would read back a different value");
  }
  bool replaced = false;
  RegStatus status = lock->Commit(edited, exists ? &bytes : nullptr, &replaced, &failure);
  if (replaced) Adopt(std::move(after), after_form, edited, true);
  return status == ERROR_SUCCESS ? status : Fail(status, what + failure);
}
