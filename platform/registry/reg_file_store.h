// RegFileStore: the registry kept in a registry export file (.reg). Loading
// RegFileStore: the registry kept in a registry export file (.reg). Loading
// reads the file whole and checks it in one pass that builds only the key
// index; each key's values are read from the bytes held the first time they
// are asked for (reg_tree_reader.h); reads are then served from memory.
// SetValue edits the file in place (only the value's own data, or one added
// line; reg_line_editor.h) and rewrites it by the lock-file protocol
// (platform/files/lock_file.h) before it reports success; many values can
// reach the file in one rewrite (GatherWrites, CommitWrites). A file the reader refuses is
// never written. Single-threaded; the store owns its tree, and callers close
// the handles they open.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/files/lock_file.h"
#include "platform/registry/reg_content_hash.h"
#include "platform/registry/reg_line_editor.h"
#include "platform/registry/reg_served_values.h"
#include "platform/registry/reg_text_codec.h"
#include "platform/registry/reg_tree_store.h"

struct RegFileOptions {
  // A missing file loads as an empty registry (the default form of
  // RegFileForm); nothing is created until the first SetValue writes it.
  bool missing_file_is_empty = false;
  // Where the file is read and written; null for RealFileSystem().
  FileSystem* file_system = nullptr;
};

class RegFileStore : public RegTreeStore {
 public:
  // Loads the registry file at path. On failure returns null with *error set
  // to a short reason naming the file: "PATH:N: REASON" for a refused file
  // (N its line, the form editors jump to), "PATH: cannot read: ERRNO TEXT"
  // when it cannot be read, and "PATH: cannot read: not a regular file but a
  // FIFO" (a device, a socket; "Is a directory" for a folder): only regular
  // files are ever read from.
  // The store holds the file's bytes (once: a buffer of the file's size) and
  // its keys; a value's data only once something asks for its key's values.
  // Example: Load("dev.reg", &error) for a missing dev.reg gives null and
  // "dev.reg: cannot read: No such file or directory".
  static std::unique_ptr<RegFileStore> Load(const std::string& path, std::string* error,
                                            const RegFileOptions& options = {});

  // Reads are served from the tree as last read or written. Each failure of
  // these, like every failure of the store, leaves its reason in LastFailure.
  // QueryValue remembers each value it serves whole (data asked for, status
  // 0) for SetValue's check below.
  RegStatus OpenKey(RegKey key, const char16_t* path, RegKey* result) override;
  RegStatus EnumSubkey(RegKey key, uint32_t index, char16_t* name, uint32_t* length) override;
  RegStatus QueryValue(RegKey key, const char16_t* name, uint32_t* type, uint8_t* data,
                       uint32_t* length) override;
  RegStatus CloseKey(RegKey key) override;

  // Stores the value in the file; 0 means the new value is on disk. Steps:
  // take FILE.lock; read the file; if it changed since it was last read or
  // written (size and 64-bit content hash), read it anew (the tree follows;
  // open handles follow their keys and fail with ERROR_KEY_DELETED where the
  // key is gone); locate the value and plan the minimal edit; check that the
  // whole edited file reads back with exactly this value; write it by the
  // lock-file protocol (a missing file is created then). Holds the file
  // twice (as read and as edited) besides the tree while it works.
  // On any failure the file and the value in memory stay as they were; the
  // one exception is a failed folder sync whose undoing fails too, after
  // which the new content stands, the tree follows it and LastFailure says
  // so. Statuses: ERROR_SHARING_VIOLATION (the lock exists),
  // ERROR_ACCESS_DENIED (read-only file or folder), ERROR_DISK_FULL,
  // ERROR_WRITE_FAULT (other I/O failures), ERROR_NOT_SUPPORTED (the file's
  // dialect or encoding cannot hold the value exactly, e.g. a character
  // outside Windows-1252 in a REGEDIT4 file or a NUL inside a string),
  // ERROR_BADDB (the file changed on disk into something the reader
  // refuses), ERROR_FILE_NOT_FOUND (the file vanished), ERROR_FILE_INVALID
  // (the value changed on disk since it was read), ERROR_KEY_DELETED,
  // ERROR_INVALID_HANDLE. A value stored counts as served; a value the file
  // holds with exactly this type and data already (another writer set it, or
  // it never differed) is left as it is, the file is not written, and the
  // result is 0.
  RegStatus SetValue(RegKey key, const char16_t* name, uint32_t type, const uint8_t* data,
                     uint32_t length) override;

  // Gathers the values stored from now on into one rewrite of the file, made
  // by CommitWrites. Meanwhile SetValue takes FILE.lock at its first write
  // and keeps it, reads the file once, checks each value as above (changed
  // on disk, representable in the file) and stages it: it fails as above,
  // and its 0 means the value is staged, not yet on disk. Reads show staged
  // values at once. Gathering already, it changes nothing. When the lock is
  // held by another program, that value and every later one of the gathering
  // fail with ERROR_SHARING_VIOLATION (no value of it is written, even if
  // the lock goes meanwhile). Once the lock is
  // taken, Refresh changes nothing until the commit: the file was read
  // under the lock.
  void GatherWrites();
  // Writes every value staged since GatherWrites by the lock-file protocol in
  // one rewrite and releases the lock; 0 when they are all on disk (also
  // when none was staged). Just before the rename it checks that the file is
  // still the one read under the lock; when a program that takes no lock saved
  // it meanwhile, the values are checked and planned again on what it saved
  // (as SetValue does: a value changed there is refused with
  // ERROR_FILE_INVALID, other changes are kept), a few times at most. On failure no staged value is
  // on disk, the tree shows the file as it is (staged values leave it) and LastFailure says why;
  // the statuses are SetValue's. SetValue writes at once again after.
  RegStatus CommitWrites();

  // Reads the file again when its content differs from what was last read or
  // written (64-bit content hash over size and bytes; the file is read once
  // to hash it and once more only when it changed), so that later reads
  // describe the file as it is now; open handles follow their keys. 0 when
  // the tree describes the file now. A file that was read and is now missing
  // or unreadable is never taken as an empty registry: the status is that of
  // the errno (ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ...), ERROR_BADDB
  // when the reader refuses the new content; the tree then stays as it was
  // and LastFailure says why ("PATH: cannot read: No such file or
  // directory"). A file that was missing from the start and still is stays
  // an empty registry.
  RegStatus Refresh();

  // After a CommitWrites that failed: true when the file holds the new
  // content all the same (its folder could not be synced and putting the old
  // content back failed too); the tree then shows it, and LastFailure says so.
  bool CommitLeftNewContent() const { return commit_left_new_content_; }

  // The reason for the most recent failure: file, key or line, and errno
  // text where one applies; empty until something fails.
  const std::string& LastFailure() const { return last_failure_; }
  const std::string& Path() const { return path_; }
  // The dialect, encoding, mark and dominant line end new text is written in.
  const RegFileForm& Form() const { return form_; }
  // False while a missing file stands in as an empty registry.
  bool FileExists() const { return exists_; }
  const RegTree& Tree() const { return tree(); }

 private:
  RegFileStore(std::string path, FileSystem& fs) : path_(std::move(path)), fs_(fs) {}
  // Takes a tree read from the file (whose content hash is hash) as the
  // store's state.
  void Adopt(std::unique_ptr<RegTree> tree, const RegFileForm& form, RegLazyContentHash hash,
             bool exists);
  // "the default value" or "value "NAME"", for reasons.
  static std::string ValueText(std::u16string_view name);
  // Records the reason and returns status.
  RegStatus Fail(RegStatus status, std::string reason);
  // "HKEY_LOCAL_MACHINE\Drivers" for an open key, or its handle number.
  std::string KeyText(RegKey key) const;
  // Before fresh replaces the tree: marks in fresh each served value that is
  // unchanged there and records in served_ each one that changed or went.
  void CarryServed(RegTree& fresh);
  // Value name of node as the tree holds it now.
  static SeenValue ValueIn(const RegKeyNode* node, std::u16string_view name);

  // The steps of SetValue; each fails with what and the reason.
  // Reads bytes (the file as read under the lock; exists false when there is
  // none) as the tree when the file changed on disk since the store read it,
  // and finds key's *node again in it.
  RegStatus ReloadIfChanged(const std::vector<uint8_t>& bytes, bool exists, RegKey key,
                            RegKeyNode** node, const std::string& what);
  // *stored_already when the file holds value itself already (nothing to
  // do); otherwise refuses to replace value when the file now holds
  // something else than what the store served of it (held: what the tree
  // held before the reload).
  RegStatus CheckNotStale(RegKeyNode* node, const SeenValue& held, const RegValueWrite& value,
                          bool* stored_already, const std::string& what);
  // Records that the file holds, on disk, the value name of node (root,
  // key_path) as the tree shows it: served, with nothing stale to remember.
  void MarkServed(RegKeyNode* node, RegKey root, std::u16string_view key_path,
                  std::u16string_view name);
  // Reads the file lock guards (FileLock::ReadTarget); a file the store
  // read before and that is gone now is ERROR_FILE_NOT_FOUND.
  RegStatus ReadUnderLock(FileLock& lock, std::vector<uint8_t>* bytes, bool* exists,
                          std::string* failure) const;
  // Takes FILE.lock and reads the file into the batch, reading it anew as
  // the tree when it changed on disk (key's *node follows).
  RegStatus StartBatch(RegKey key, RegKeyNode** node, const std::string& what);
  // SetValue's work once the arguments are checked: starts the batch at its
  // first value, checks value against the file and stages it in *node (key's
  // node, which follows a reload).
  RegStatus StageValue(RegKey key, RegKeyNode* node, std::u16string_view name, uint32_t type,
                       const uint8_t* data, uint32_t length, const std::string& what);
  // Refuses a value the file's form cannot hold (ERROR_NOT_SUPPORTED).
  RegStatus CheckRepresentable(const RegValueWrite& value, const std::string& what);
  // Reads the file anew under the held lock after another program saved it
  // without the lock, makes the tree show it, and stages the same values on
  // it. Refused when one of them changed there since it was read or its key
  // is gone: the tree and the staged values then stay as they were (the
  // next read of the file notices the change). *failure says why.
  RegStatus Replan(std::string* failure);
  // Plans the staged values on the bytes read and commits them; *changed
  // when the file was saved by another program meanwhile and nothing written.
  RegStatus WriteStaged(std::string* failure, bool* changed);
  // Gives the staged values' keys their values from before the batch.
  void UnstageAll();
  // The reason prefix for a failure of the batch as a whole.
  std::string BatchWhat() const;

  // A value SetValue staged, with what the key held before.
  struct StagedValue {
    RegKey root;
    std::u16string key_path;
    std::u16string name;
    uint32_t type;
    std::vector<uint8_t> data;
    SeenValue before;
    std::string what;  // "PATH: cannot store ...: "
  };
  // The writes being gathered: the lock, the file as read under it, and the
  // values staged so far.
  struct Batch {
    bool gathering = false;
    // Why another program's lock refused this gathering; every later value
    // of it is refused the same way, so that none of them reaches the file
    // once one could not.
    std::string lock_refusal;
    std::unique_ptr<FileLock> lock;
    std::vector<uint8_t> bytes;
    bool exists = false;
    std::vector<StagedValue> staged;
  };

  std::string path_;
  FileSystem& fs_;
  RegFileForm form_;
  bool exists_ = false;
  // The file's content as last read or written; after a load, taken from the
  // bytes the tree holds (and keeps until the tree is replaced) when asked.
  RegLazyContentHash hash_;
  ServedValues served_;
  Batch batch_;
  bool commit_left_new_content_ = false;
  std::string last_failure_;
};
