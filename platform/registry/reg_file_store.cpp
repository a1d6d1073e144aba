#include "platform/registry/reg_file_store.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/registry/reg_content_hash.h"
#include "platform/registry/reg_file_status.h"
#include "platform/registry/reg_tree_reader.h"

namespace {

// Refresh hashes the file in pieces of this size.
constexpr size_t REFRESH_READ_BYTES = 64 * 1024;

// Reads the file open as fd to its end into *bytes; 0 or an errno value.
// The buffer is sized by the file's size as it was found (expected), so that
// a file that keeps its size is held once and never copied into a grown
// buffer; one that grows meanwhile is read to its new end.
int ReadToEnd(FileSystem& fs, int fd, uint64_t expected, RegFileBytes* bytes) {
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

// Whether the file open as fd is a regular one (*size then its size): a
// device, FIFO, socket or folder is never read (it may never end, or wait for
// a writer); false with *error saying what path is.
bool IsRegularFile(FileSystem& fs, const std::string& path, int fd, uint64_t* size,
                   std::string* error) {
  FileStatus status;
  if (int stat_error = fs.Fstat(fd, &status)) {
    *error = path + ": cannot read: " + ErrnoText(stat_error);
    return false;
  }
  *size = status.size;
  if (status.kind == FileKind::Regular) return true;
  *error = path + ": cannot read: " +
           (status.kind == FileKind::Folder
                ? ErrnoText(EISDIR)
                : "not a regular file but " + std::string(FileKindText(status.kind)));
  return false;
}

}  // namespace

std::string RegFileStore::ValueText(std::u16string_view name) {
  return name.empty() ? "the default value" : "value \"" + MessageText(name) + "\"";
}

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
  FileStatus found;
  if (open_error == ENXIO && fs.Stat(path, &found) == 0 && found.kind == FileKind::Socket) {
    // What open(2) says of a socket, "No such device or address", misleads.
    *error = path + ": cannot read: not a regular file but " + FileKindText(found.kind);
    return nullptr;
  }
  if (open_error != 0) {
    *error = path + ": cannot read: " + ErrnoText(open_error);
    return nullptr;
  }
  uint64_t size = 0;
  if (!IsRegularFile(fs, path, fd, &size, error)) {
    fs.Close(fd);
    return nullptr;
  }
  RegFileBytes bytes;
  int read_error = ReadToEnd(fs, fd, size, &bytes);
  fs.Close(fd);
  if (read_error != 0) {
    *error = path + ": cannot read: " + ErrnoText(read_error);
    return nullptr;
  }
  // The tree keeps the bytes, unchanged: they are hashed only if the file is
  // ever looked at again.
  const RegLazyContentHash hash = RegLazyContentHash::Of(bytes.data(), bytes.size());
  RegFileForm form;
  RegParseError parse_error;
  if (!IndexRegFile(std::move(bytes), tree.get(), &form, &parse_error)) {
    *error = RegParseFailureText(path, parse_error);
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

void RegFileStore::Adopt(std::unique_ptr<RegTree> tree, const RegFileForm& form,
                         RegLazyContentHash hash, bool exists) {
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
  const uint64_t hash = exists ? RegContentHash(bytes) : 0;
  if (exists == exists_ && hash == hash_.Get()) return ERROR_SUCCESS;
  auto fresh = std::make_unique<RegTree>();
  RegFileForm form;
  RegParseError error;
  if (!IndexRegFile(bytes, fresh.get(), &form, &error)) {
    return Fail(ERROR_BADDB, what + "it changed on disk and cannot be read now: " +
                                 RegParseFailureText(path_, error));
  }
  Adopt(std::move(fresh), form, hash, exists);
  if (RegStatus status = Resolve(key, node)) {
    return Fail(status, what + "it changed on disk and the key is gone");
  }
  return ERROR_SUCCESS;
}

RegStatus RegFileStore::Refresh() {
  if (batch_.lock != nullptr) return ERROR_SUCCESS;  // read under the lock, staged values shown
  int fd = -1;
  int error = fs_.OpenRead(path_, &fd);
  if (error == ENOENT && !exists_) return ERROR_SUCCESS;
  if (error != 0) {
    return Fail(StatusOfErrno(error), path_ + ": cannot read: " + ErrnoText(error));
  }
  ContentHasher hasher;
  std::vector<uint8_t> buffer(REFRESH_READ_BYTES);
  size_t got = 0;
  while ((error = fs_.Read(fd, buffer.data(), buffer.size(), &got)) == 0 && got != 0) {
    hasher.Add(buffer.data(), got);
  }
  fs_.Close(fd);
  if (error != 0) {
    return Fail(StatusOfErrno(error), path_ + ": cannot read: " + ErrnoText(error));
  }
  if (exists_ && hasher.Finish() == hash_.Get()) return ERROR_SUCCESS;
  RegFileOptions options;
  options.file_system = &fs_;
  std::string failure;
  std::unique_ptr<RegFileStore> fresh = Load(path_, &failure, options);
  if (fresh == nullptr) return Fail(ERROR_BADDB, failure);
  Adopt(fresh->TakeTree(), fresh->form_, fresh->hash_, true);
  return ERROR_SUCCESS;
}
