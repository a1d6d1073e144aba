#include "platform/registry/reg_file_store.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>

#include "platform/registry/reg_line_editor.h"
#include "platform/registry/reg_tree_reader.h"
#include "platform/registry/reg_value_edits.h"

namespace {

// Refresh hashes the file in pieces of this size.
constexpr size_t REFRESH_READ_BYTES = 64 * 1024;

// A 64-bit hash of a file's bytes and size, fed piece by piece, to tell
// whether the file changed on disk. Each step is a bijection of the state, so
// files of the same size that differ in one 8-byte word always hash
// differently.
class ContentHasher {
 public:
  void Add(const uint8_t* p, size_t n) {
    size_ += n;
    while (n != 0 && carried_ != 0) {
      carry_[carried_++] = *p++;
      --n;
      if (carried_ == 8) {
        Mix(carry_);
        carried_ = 0;
      }
    }
    for (; n >= 8; p += 8, n -= 8) Mix(p);
    while (n-- != 0) carry_[carried_++] = *p++;
  }

  uint64_t Finish() const {
    uint64_t h = h_ ^ size_;
    for (size_t i = 0; i < carried_; ++i) {
      h = (h ^ carry_[i]) * 0x94D049BB133111EBull;
      h ^= h >> 29;
    }
    return h;
  }

 private:
  void Mix(const uint8_t* p) {
    uint64_t word;
    std::memcpy(&word, p, 8);
    h_ = (h_ ^ word) * 0xBF58476D1CE4E5B9ull;
    h_ ^= h_ >> 31;
  }

  uint64_t h_ = 0x9E3779B97F4A7C15ull;
  uint64_t size_ = 0;
  uint8_t carry_[8] = {};
  size_t carried_ = 0;
};

uint64_t ContentHash(const std::vector<uint8_t>& bytes) {
  ContentHasher hasher;
  hasher.Add(bytes.data(), bytes.size());
  return hasher.Finish();
}

// Reads the file open as fd to its end into *bytes; 0 or an errno value.
// The buffer is sized by the file's size as it was found (expected), so that
// a file that keeps its size is held once and never copied into a grown
// buffer; one that grows meanwhile is read to its new end.
int ReadToEnd(FileSystem& fs, int fd, uint64_t expected, std::vector<uint8_t>* bytes) {
  bytes->resize(expected);
  size_t filled = 0;
  while (true) {
    size_t got = 0;
    if (filled == bytes->size()) {
      uint8_t more[4096];
      if (int error = fs.Read(fd, more, sizeof more, &got)) return error;
      bytes->insert(bytes->end(), more, more + got);
    } else if (int error = fs.Read(fd, bytes->data() + filled, bytes->size() - filled, &got)) {
      return error;
    }
    if (got == 0) break;
    filled += got;
  }
  bytes->resize(filled);
  return 0;
}

std::string ValueText(std::u16string_view name) {
  return name.empty() ? "the default value" : "value \"" + MessageText(name) + "\"";
}

std::string ParseFailure(const std::string& path, const RegParseError& error) {
  if (error.read_error != 0) return path + ": cannot read: " + std::strerror(error.read_error);
  return path + ":" + std::to_string(error.line) + ": " + error.reason;
}

// Whether the file open as fd is a regular one (*size then its size): a
// device, FIFO, socket or folder is never read (it may never end, or wait for
// a writer); false with *error saying what path is.
bool IsRegularFile(FileSystem& fs, const std::string& path, int fd, uint64_t* size,
                   std::string* error) {
  FileStatus status;
  if (int stat_error = fs.Fstat(fd, &status)) {
    *error = path + ": cannot read: " + std::strerror(stat_error);
    return false;
  }
  *size = status.size;
  if (status.kind == FileKind::Regular) return true;
  *error = path + ": cannot read: " +
           (status.kind == FileKind::Folder
                ? std::strerror(EISDIR)
                : "not a regular file but " + std::string(FileKindText(status.kind)));
  return false;
}

}  // namespace

std::unique_ptr<RegFileStore> RegFileStore::Load(const std::string& path, std::string* error,
                                                 const RegFileOptions& options) {
  FileSystem& fs = options.file_system != nullptr ? *options.file_system : RealFileSystem();
  std::unique_ptr<RegFileStore> store(new RegFileStore(path, fs));
  auto tree = std::make_unique<RegTree>();
  int fd = -1;
  int open_error = fs.OpenRead(path, &fd);
  if (open_error == ENOENT && options.missing_file_is_empty) {
    store->Adopt(std::move(tree), RegFileForm(), 0, false);
    return store;
  }
  if (open_error != 0) {
    *error = path + ": cannot read: " + std::strerror(open_error);
    return nullptr;
  }
  uint64_t size = 0;
  if (!IsRegularFile(fs, path, fd, &size, error)) {
    fs.Close(fd);
    return nullptr;
  }
  std::vector<uint8_t> bytes;
  int read_error = ReadToEnd(fs, fd, size, &bytes);
  fs.Close(fd);
  if (read_error != 0) {
    *error = path + ": cannot read: " + std::strerror(read_error);
    return nullptr;
  }
  const uint64_t hash = ContentHash(bytes);
  RegFileForm form;
  RegParseError parse_error;
  if (!IndexRegFile(std::move(bytes), tree.get(), &form, &parse_error)) {
    *error = ParseFailure(path, parse_error);
    return nullptr;
  }
  store->Adopt(std::move(tree), form, hash, true);
  return store;
}

void RegFileStore::CarryServed(RegTree& fresh) {
  for (RegKey root = HKEY_CLASSES_ROOT; root <= HKEY_CURRENT_CONFIG; ++root) {
    std::vector<RegKeyNode*> pending;
    if (RegKeyNode* top = tree().Root(root)) pending.push_back(top);
    while (!pending.empty()) {
      RegKeyNode* node = pending.back();
      pending.pop_back();
      for (size_t i = 0; RegKeyNode* sub = node->Subkey(i); ++i) pending.push_back(sub);
      // Values still unread were never served.
      if (node->ValuesPending()) continue;
      node->ForEachValue([&](const RegValueEntry& old_entry) {
        if (!old_entry.served) return;
        RegKey at = 0;
        const std::u16string path = RegTree::PathOf(node, &at);
        const std::u16string name = old_entry.name.ToText();
        RegKeyNode* now =
            fresh.Root(root) == nullptr ? nullptr : fresh.Find(fresh.Root(root), path);
        const RegValueEntry* entry = now == nullptr ? nullptr : now->FindValue(name);
        SeenValue seen{true, old_entry.type, old_entry.data.ToVector()};
        if (entry != nullptr && ValueIn(now, name) == seen) {
          entry->served = true;
        } else {
          served_.Record(root, path, name, std::move(seen));
        }
      });
    }
  }
}

void RegFileStore::Adopt(std::unique_ptr<RegTree> tree, const RegFileForm& form, uint64_t hash,
                         bool exists) {
  CarryServed(*tree);
  ReplaceTree(std::move(tree));
  form_ = form;
  exists_ = exists;
  hash_ = hash;
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

SeenValue RegFileStore::ValueIn(const RegKeyNode* node, std::u16string_view name) {
  SeenValue value;
  if (const RegValueEntry* entry = node->FindValue(name)) {
    value.present = true;
    value.type = entry->type;
    value.data = entry->data.ToVector();
  }
  return value;
}

RegStatus RegFileStore::QueryValue(RegKey key, const char16_t* name, uint32_t* type, uint8_t* data,
                                   uint32_t* length) {
  RegStatus status = RegTreeStore::QueryValue(key, name, type, data, length);
  RegKeyNode* node = nullptr;
  if (status == ERROR_SUCCESS && data != nullptr && Resolve(key, &node) == ERROR_SUCCESS) {
    const RegValueEntry* entry = node->FindValue(ValueNameOf(name));
    if (!entry->served && served_.Count() != 0) {
      RegKey root = 0;
      served_.Forget(root, RegTree::PathOf(node, &root), ValueNameOf(name));
    }
    entry->served = true;
  }
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

RegStatus RegFileStore::ReloadIfChanged(const std::vector<uint8_t>& bytes, bool exists, RegKey key,
                                        RegKeyNode** node, const std::string& what) {
  const uint64_t hash = exists ? ContentHash(bytes) : 0;
  if (exists == exists_ && hash == hash_) return ERROR_SUCCESS;
  auto fresh = std::make_unique<RegTree>();
  RegFileForm form;
  RegParseError error;
  if (!IndexRegFile(bytes, fresh.get(), &form, &error)) {
    return Fail(ERROR_BADDB,
                what + "it changed on disk and cannot be read now: " + ParseFailure(path_, error));
  }
  Adopt(std::move(fresh), form, hash, exists);
  if (RegStatus status = Resolve(key, node)) {
    return Fail(status, what + "it changed on disk and the key is gone");
  }
  return ERROR_SUCCESS;
}

RegStatus RegFileStore::CheckNotStale(RegKeyNode* node, const SeenValue& held,
                                      const RegValueWrite& value, bool* stored_already,
                                      const std::string& what) {
  *stored_already = false;
  const SeenValue* served = served_.Find(value.root, value.key_path, value.name);
  const SeenValue now = ValueIn(node, value.name);
  if (now == (served != nullptr ? *served : held)) return ERROR_SUCCESS;
  // Another writer stored this very value already: nothing is replaced.
  if (now ==
      SeenValue{true, value.type, std::vector<uint8_t>(value.data, value.data + value.size)}) {
    served_.Forget(value.root, value.key_path, value.name);
    node->FindValue(value.name)->served = true;
    *stored_already = true;
    return ERROR_SUCCESS;
  }
  return Fail(ERROR_FILE_INVALID, what + "it changed on disk since it was read");
}

RegStatus RegFileStore::StartBatch(RegKey key, RegKeyNode** node, const std::string& what) {
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
  if (RegStatus status = ReloadIfChanged(bytes, exists, key, node, what)) return status;
  if (!exists) bytes = FileStartBytes(form_);
  batch_.lock = std::move(lock);
  batch_.bytes = std::move(bytes);
  batch_.exists = exists;
  return ERROR_SUCCESS;
}

RegStatus RegFileStore::CheckRepresentable(const RegValueWrite& value, const std::string& what) {
  // What the file's form can hold does not depend on where the value goes:
  // plan it as a new line of an empty file of that form.
  RegValueLocation anywhere;
  anywhere.form = form_;
  anywhere.form.open_continuation = 0;
  anywhere.key_has_section = true;
  RegSplice splice;
  std::string failure;
  if (RegStatus status = PlanValueEdit({}, anywhere, value, &splice, &failure)) {
    return Fail(status, what + failure);
  }
  return ERROR_SUCCESS;
}

void RegFileStore::UnstageAll() {
  for (auto v = batch_.staged.rbegin(); v != batch_.staged.rend(); ++v) {
    RegKeyNode* node = tree().Find(tree().Root(v->root), v->key_path);
    if (node == nullptr) continue;
    if (v->before.present) {
      tree().SetValue(node, v->name, v->before.type, v->before.data.data(),
                      v->before.data.size());
    } else {
      tree().DeleteValue(node, v->name);
    }
  }
}

std::string RegFileStore::BatchWhat() const {
  if (batch_.staged.size() == 1) return batch_.staged[0].what;
  return path_ + ": cannot store " + std::to_string(batch_.staged.size()) + " values: ";
}

void RegFileStore::GatherWrites() {
  batch_ = Batch();
  batch_.gathering = true;
}

RegStatus RegFileStore::SetValue(RegKey key, const char16_t* value_name, uint32_t type,
                                 const uint8_t* data, uint32_t length) {
  const bool alone = !batch_.gathering;
  if (alone) GatherWrites();
  std::u16string_view name = ValueNameOf(value_name);
  std::string what = path_ + ": cannot store " + ValueText(name) + " in " + KeyText(key) + ": ";
  RegStatus status = ERROR_SUCCESS;
  RegKeyNode* node = nullptr;
  if (data == nullptr && length != 0) {
    status = Fail(ERROR_INVALID_PARAMETER, what + "no data");
  } else if (length > REG_MAX_DATA_SIZE) {
    status = Fail(ERROR_NOT_SUPPORTED, what + "too much data");
  } else if ((status = Resolve(key, &node)) != ERROR_SUCCESS) {
    Fail(status, what + RegStatusText(status));
  }
  if (status == ERROR_SUCCESS) status = StageValue(key, node, name, type, data, length, what);
  if (!alone) return status;
  RegStatus committed = CommitWrites();
  return status != ERROR_SUCCESS ? status : committed;
}

RegStatus RegFileStore::StageValue(RegKey key, RegKeyNode* node, std::u16string_view name,
                                   uint32_t type, const uint8_t* data, uint32_t length,
                                   const std::string& what) {
  RegKey root = 0;
  const std::u16string key_path = RegTree::PathOf(node, &root);
  const RegValueWrite value{root, key_path, name, type, data, length};
  const SeenValue held = ValueIn(node, name);
  if (batch_.lock == nullptr) {
    if (RegStatus status = StartBatch(key, &node, what)) return status;
  }
  bool stored_already = false;
  if (RegStatus status = CheckNotStale(node, held, value, &stored_already, what)) return status;
  if (stored_already) return ERROR_SUCCESS;
  if (RegStatus status = CheckRepresentable(value, what)) return status;
  batch_.staged.push_back({root, key_path, std::u16string(name), type,
                           std::vector<uint8_t>(data, data + length), ValueIn(node, name), what});
  tree().SetValue(node, name, type, data, length);
  return ERROR_SUCCESS;
}

RegStatus RegFileStore::CommitWrites() {
  batch_.gathering = false;
  if (batch_.staged.empty()) {
    batch_ = Batch();  // releases the lock
    return ERROR_SUCCESS;
  }
  std::vector<RegValueWrite> values;
  for (const StagedValue& v : batch_.staged) {
    values.push_back({v.root, v.key_path, v.name, v.type, v.data.data(), v.data.size()});
  }
  RegFileForm edited_form;
  RegEditUndo undo;
  RegEditFailure edit_failure;
  RegStatus status = EditRegValues(&batch_.bytes, values, &edited_form, &undo, &edit_failure);
  std::string failure;
  if (status != ERROR_SUCCESS) {
    failure = batch_.staged[edit_failure.value].what;
    if (edit_failure.refused && status != ERROR_BADDB) {
      failure += "the edited file would not read back: ";
    }
    failure += edit_failure.refused ? ParseFailure(path_, edit_failure.parse) : edit_failure.reason;
  } else {
    const std::vector<uint8_t>& edited = batch_.bytes;
    std::function<std::vector<uint8_t>()> previous;
    if (batch_.exists) previous = [&edited, &undo] { return undo.Restore(edited); };
    bool replaced = false;
    std::string reason;
    status = batch_.lock->Commit(edited, previous, &replaced, &reason);
    if (status != ERROR_SUCCESS) failure = BatchWhat() + reason;
    if (replaced) {
      form_ = edited_form;
      exists_ = true;
      hash_ = ContentHash(edited);
      for (const StagedValue& v : batch_.staged) {
        served_.Forget(v.root, v.key_path, v.name);
        RegKeyNode* node = tree().Find(tree().Root(v.root), v.key_path);
        node->FindValue(v.name)->served = true;
      }
      batch_.staged.clear();
    }
  }
  UnstageAll();
  batch_ = Batch();
  return status == ERROR_SUCCESS ? status : Fail(status, failure);
}

RegStatus RegFileStore::Refresh() {
  int fd = -1;
  int error = fs_.OpenRead(path_, &fd);
  if (error == ENOENT && !exists_) return ERROR_SUCCESS;
  if (error != 0) {
    return Fail(StatusOfErrno(error), path_ + ": cannot read: " + std::strerror(error));
  }
  ContentHasher hasher;
  std::vector<uint8_t> buffer(REFRESH_READ_BYTES);
  size_t got = 0;
  while ((error = fs_.Read(fd, buffer.data(), buffer.size(), &got)) == 0 && got != 0) {
    hasher.Add(buffer.data(), got);
  }
  fs_.Close(fd);
  if (error != 0) {
    return Fail(StatusOfErrno(error), path_ + ": cannot read: " + std::strerror(error));
  }
  if (exists_ && hasher.Finish() == hash_) return ERROR_SUCCESS;
  RegFileOptions options;
  options.file_system = &fs_;
  std::string failure;
  std::unique_ptr<RegFileStore> fresh = Load(path_, &failure, options);
  if (fresh == nullptr) return Fail(ERROR_BADDB, failure);
  Adopt(fresh->TakeTree(), fresh->form_, fresh->hash_, true);
  return ERROR_SUCCESS;
}
