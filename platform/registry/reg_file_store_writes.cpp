// The write path of RegFileStore: staging values under FILE.lock and writing
// them in one rewrite.
#include <cerrno>
#include <cstring>
#include <functional>

#include "platform/registry/reg_content_hash.h"
#include "platform/registry/reg_file_status.h"
#include "platform/registry/reg_file_store.h"
#include "platform/registry/reg_tree_reader.h"
#include "platform/registry/reg_value_edits.h"

namespace {

// Rounds of planning the gathered repairs on a file that another program
// keeps saving without the lock, at most.
constexpr int MAX_COMMIT_ROUNDS = 4;

}  // namespace

RegStatus RegFileStore::CheckNotStale(RegKeyNode* node, const SeenValue& held,
                                      const RegValueWrite& value, bool* stored_already,
                                      const std::string& what) {
  const SeenValue now = ValueIn(node, value.name);
  // The value holds this very type and data already (stored by another
  // writer, or never different): nothing is written, whatever the file's
  // form could write anew.
  *stored_already =
      now == SeenValue{true, value.type, std::vector<uint8_t>(value.data, value.data + value.size)};
  if (*stored_already) {
    MarkServed(node, value.root, value.key_path, value.name);
    return ERROR_SUCCESS;
  }
  const SeenValue* served = served_.Find(value.root, value.key_path, value.name);
  if (now == (served != nullptr ? *served : held)) return ERROR_SUCCESS;
  return Fail(ERROR_FILE_INVALID, what + "it changed on disk since it was read");
}

void RegFileStore::MarkServed(RegKeyNode* node, RegKey root, std::u16string_view key_path,
                              std::u16string_view name) {
  served_.Forget(root, key_path, name);
  node->FindValue(name)->served = true;
}

RegStatus RegFileStore::ReadUnderLock(FileLock& lock, std::vector<uint8_t>* bytes, bool* exists,
                                      std::string* failure) const {
  RegStatus status = StatusOfErrno(lock.ReadTarget(bytes, exists, failure));
  if (status == ERROR_SUCCESS && !*exists && exists_) {
    *failure = "cannot read " + lock.Target() + ": " + std::strerror(ENOENT);
    status = ERROR_FILE_NOT_FOUND;
  }
  return status;
}

RegStatus RegFileStore::StartBatch(RegKey key, RegKeyNode** node, const std::string& what) {
  std::unique_ptr<FileLock> lock;
  std::string failure;
  if (!batch_.lock_refusal.empty()) {
    return Fail(ERROR_SHARING_VIOLATION, what + batch_.lock_refusal);
  }
  if (RegStatus status = StatusOfErrno(FileLock::Acquire(fs_, path_, &lock, &failure))) {
    if (status == ERROR_SHARING_VIOLATION && batch_.gathering) batch_.lock_refusal = failure;
    return Fail(status, what + failure);
  }
  std::vector<uint8_t> bytes;
  bool exists = false;
  RegStatus status = ReadUnderLock(*lock, &bytes, &exists, &failure);
  if (status != ERROR_SUCCESS) {
    lock->Release(&failure);
    return Fail(status, what + failure);
  }
  if ((status = ReloadIfChanged(bytes, exists, key, node, what)) != ERROR_SUCCESS) {
    lock->Release(&last_failure_);
    return status;
  }
  if (!exists) bytes = FileStartBytes(form_);
  batch_.lock = std::move(lock);
  batch_.bytes = std::move(bytes);
  batch_.exists = exists;
  return ERROR_SUCCESS;
}

RegStatus RegFileStore::Replan(std::string* failure) {
  std::vector<uint8_t> bytes;
  bool exists = false;
  std::string reason;
  if (RegStatus status = ReadUnderLock(*batch_.lock, &bytes, &exists, &reason)) {
    *failure = BatchWhat() + reason;
    return status;
  }
  auto fresh = std::make_unique<RegTree>();
  RegFileForm form;
  RegParseError error;
  if (exists && !IndexRegFile(bytes, fresh.get(), &form, &error)) {
    *failure = BatchWhat() +
               "it changed on disk and cannot be read now: " + RegParseFailureText(path_, error);
    return ERROR_BADDB;
  }
  if (!exists) form = form_;
  // Each value keeps the rules of SetValue on the new content: one that
  // changed there since it was read is refused; other changes are kept.
  RegStatus refused = ERROR_SUCCESS;
  for (size_t i = 0; i < batch_.staged.size() && refused == ERROR_SUCCESS; ++i) {
    const StagedValue& v = batch_.staged[i];
    bool first = true;
    for (size_t j = 0; j < i && first; ++j) {
      const StagedValue& earlier = batch_.staged[j];
      first = !(earlier.root == v.root && earlier.key_path == v.key_path && earlier.name == v.name);
    }
    if (!first) continue;  // its first staging holds what the file had
    RegKeyNode* node =
        fresh->Root(v.root) == nullptr ? nullptr : fresh->Find(fresh->Root(v.root), v.key_path);
    if (node == nullptr) {
      *failure = v.what + "it changed on disk and the key is gone";
      refused = ERROR_KEY_DELETED;
    } else if (ValueIn(node, v.name) != v.before &&
               ValueIn(node, v.name) != SeenValue{true, v.type, v.data}) {
      *failure = v.what + "it changed on disk since it was read";
      refused = ERROR_FILE_INVALID;
    }
  }
  if (refused != ERROR_SUCCESS) return refused;
  std::vector<StagedValue> staged = std::move(batch_.staged);
  batch_.staged.clear();
  Adopt(std::move(fresh), form, exists ? RegContentHash(bytes) : 0, exists);
  for (StagedValue& v : staged) {
    tree().SetValue(tree().Find(tree().Root(v.root), v.key_path), v.name, v.type, v.data.data(),
                    v.data.size());
  }
  batch_.staged = std::move(staged);
  batch_.bytes = exists ? std::move(bytes) : FileStartBytes(form_);
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
      tree().SetValue(node, v->name, v->before.type, v->before.data.data(), v->before.data.size());
    } else {
      tree().DeleteValue(node, v->name);
    }
  }
}

std::string RegFileStore::BatchWhat() const {
  if (batch_.staged.size() == 1) return batch_.staged[0].what;
  return path_ + ": cannot store " + std::to_string(batch_.staged.size()) + " values: ";
}

void RegFileStore::GatherWrites() { batch_.gathering = true; }

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
  commit_left_new_content_ = false;
  if (batch_.staged.empty()) {
    batch_ = Batch();  // releases the lock
    return ERROR_SUCCESS;
  }
  RegStatus status = ERROR_SUCCESS;
  std::string failure;
  for (int round = 1;; ++round) {
    bool changed = false;
    status = WriteStaged(&failure, &changed);
    if (!changed) break;
    if (round == MAX_COMMIT_ROUNDS) {
      failure += "; it kept changing (" + std::to_string(round) +
                 " times), so nothing was written: try again once nothing else writes it";
      break;
    }
    // Another program saved the file between the read and the rename:
    // plan the same repairs on what it saved.
    if ((status = Replan(&failure)) != ERROR_SUCCESS) break;
  }
  if (batch_.lock != nullptr) batch_.lock->Release(&failure);
  UnstageAll();
  batch_ = Batch();
  return status == ERROR_SUCCESS ? status : Fail(status, failure);
}

RegStatus RegFileStore::WriteStaged(std::string* failure, bool* changed) {
  std::vector<RegValueWrite> values;
  for (const StagedValue& v : batch_.staged) {
    values.push_back({v.root, v.key_path, v.name, v.type, v.data.data(), v.data.size()});
  }
  RegFileForm edited_form;
  RegEditUndo undo;
  RegEditFailure edit_failure;
  RegStatus status = EditRegValues(&batch_.bytes, values, &edited_form, &undo, &edit_failure);
  if (status != ERROR_SUCCESS) {
    *failure = batch_.staged[edit_failure.value].what;
    if (edit_failure.refused && status != ERROR_BADDB) {
      *failure += "the edited file would not read back: ";
    }
    *failure +=
        edit_failure.refused ? RegParseFailureText(path_, edit_failure.parse) : edit_failure.reason;
    return status;
  }
  const std::vector<uint8_t>& edited = batch_.bytes;
  std::function<std::vector<uint8_t>()> previous;
  if (batch_.exists) previous = [&edited, &undo] { return undo.Restore(edited); };
  bool replaced = false;
  std::string reason;
  status = StatusOfErrno(batch_.lock->Commit(edited, previous, &replaced, &reason));
  *changed = status != ERROR_SUCCESS && batch_.lock->TargetChanged();
  if (status != ERROR_SUCCESS) *failure = BatchWhat() + reason;
  commit_left_new_content_ = replaced && status != ERROR_SUCCESS;
  if (replaced) {
    form_ = edited_form;
    exists_ = true;
    hash_ = RegContentHash(edited);
    for (const StagedValue& v : batch_.staged) {
      MarkServed(tree().Find(tree().Root(v.root), v.key_path), v.root, v.key_path, v.name);
    }
    batch_.staged.clear();
  }
  return status;
}
