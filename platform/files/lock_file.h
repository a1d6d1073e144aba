// Durable, safe rewriting of a file by git's lock-file protocol: create
// FILE.lock exclusively (0600), write everything, give it FILE's owner,
// permissions and extended attributes, fsync, close, rename over FILE, fsync
// the folder. Until the rename FILE is untouched, and any failure removes the
// lock. Every file-system call goes through FileSystem (file_system.h), which
// tests replace to fail each step in turn (failing_file_system.h).
//
// A lock's states, and who may remove FILE.lock in each:
// - created: Acquire made FILE.lock, empty, and holds it open; the FileStatus
//   it got then (device, inode) is the lock's identity. ReadTarget may now
//   read FILE, remembering which file in which state it read. From here on
//   only this lock removes FILE.lock (Release, the destructor, or a
//   termination signal through lock_signals.h), and only while the path
//   still names the file it created.
// - written: Commit wrote the content to it, gave it FILE's metadata and
//   synced it.
// - checked: Commit read it back through its path (the same file, holding
//   exactly the content) and found FILE still the file ReadTarget read,
//   holding what it read. A FILE that changed stops Commit here with the
//   lock still held, as if just created: ReadTarget reads FILE anew, and the
//   next Commit writes the lock afresh.
// - lost: the path no longer names this lock (found at any check). The lock
//   is let go; whatever is at the path now is another writer's and is never
//   removed here.
// - committed: renamed over FILE, so there is nothing left to remove; the
//   folder is synced (a failing sync puts the old content back).
// - rolled back: any other failure before the rename, Release or the
//   destructor removes FILE.lock and leaves FILE as it was.
//
// Results are what the system said: 0, or the errno value of the failing
// call, with *failure saying why in words; where no errno fits, one of the
// LOCK_ results below (all negative, so no errno value). The layer knows
// nothing of what the file holds: callers map results to their own statuses.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/files/file_system.h"

// Commit wrote nothing: FILE is no longer the file ReadTarget read, or no
// longer holds what it read (TargetChanged() tells so too).
constexpr int LOCK_TARGET_CHANGED = -1;
// Commit wrote nothing: the lock path no longer names this lock (removed, or
// replaced by another writer's lock, or its folder moved or replaced).
constexpr int LOCK_LOST = -2;

class FileLock {
 public:
  // Creates FILE.lock next to the file, with mode 0600 (0666 less the umask
  // for a file that does not exist yet). EEXIST when it exists already
  // (another writer, or one that died: it is never removed or overwritten
  // here; *failure says what to remove); EACCES for a file that is not to be
  // replaced (CheckReplaceable: no regular file, no write permission, more
  // than one hard link) or a refused link; ELOOP for too many links; else the
  // failing call's errno.
  static int Acquire(FileSystem& fs, const std::string& path, std::unique_ptr<FileLock>* lock,
                     std::string* failure);
  // Removes the lock unless Commit renamed it.
  ~FileLock();
  // Removes the lock file now unless Commit renamed it. A lock that cannot be
  // removed would block every later rewrite: *failure (when given) then gets
  // "; " and a sentence naming it and saying what to do.
  void Release(std::string* failure = nullptr);
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // The file guarded: path with links resolved.
  const std::string& Target() const { return target_; }

  // Reads the file guarded into *bytes (*exists false and *bytes empty when
  // there is none) and remembers which file in which state it read (device,
  // inode, size, modification and change times) and a hash of what it read:
  // Commit replaces only that file holding those bytes. A file replaced or
  // changed while it is read is read again, up to four times. The file found
  // must be replaceable (CheckReplaceable; a FIFO, device or socket put in its
  // place is named as such). 0, or the failing call's errno with *failure
  // saying why; EAGAIN when it kept changing through all four reads.
  int ReadTarget(std::vector<uint8_t>* bytes, bool* exists, std::string* failure);
  // After a Commit that failed: true when it wrote nothing because the file
  // at the path was no longer the one ReadTarget read (another program, one
  // that takes no lock, saved it meanwhile). The lock is then still held:
  // ReadTarget reads the file anew, and Commit may be called again with
  // content planned on it.
  bool TargetChanged() const { return changed_; }

  // Writes bytes to the lock, gives it the file's owner, group, permission
  // bits and extended attributes (TakeOverMetadata), syncs it, reads it back
  // through its path (it must still be the file Acquire created, holding
  // exactly bytes), checks that the file at the path is still the one
  // ReadTarget read, holding what it read (read again and hashed; without a
  // ReadTarget, the file Acquire found), checks once more that the lock path
  // is this lock, closes the lock, renames it over the file and syncs the
  // folder. 0 means the new bytes are durably in place. A save by a program
  // that takes no lock can still pass unseen only between that last check
  // and the rename: a close apart.
  // The file changed meanwhile: LOCK_TARGET_CHANGED, nothing replaced, and
  // TargetChanged() tells so. A later Commit writes the lock afresh through a
  // new descriptor, cutting it to its new length after the write.
  // The lock path is no longer this lock (removed, replaced by another
  // writer's, its folder moved or replaced): LOCK_LOST, nothing
  // replaced, and whatever is at the lock path is left alone; the failure
  // says where this lock went when the system can tell.
  // The lock does not read back what was written (a file system that drops
  // writes), or a write that makes no progress: EIO, nothing replaced.
  // Before the rename any failure leaves the file as it was. When only the folder sync fails, the
  // file gets previous back (by the same protocol; previous null: the file did not exist and is
  // removed) and the result is the sync's errno (EIO for ENOENT or ENOTDIR); *replaced tells
  // whether the file holds bytes after all (it does when the restore fails too). The lock is gone
  // afterwards, whatever the outcome.
  int Commit(const std::vector<uint8_t>& bytes, const std::vector<uint8_t>* previous,
             bool* replaced, std::string* failure);
  // The same, with the previous content made by previous() only when the
  // folder sync fails, for a caller that let go of the old bytes to save
  // memory; an empty previous stands for a file that did not exist.
  int Commit(const std::vector<uint8_t>& bytes,
             const std::function<std::vector<uint8_t>()>& previous, bool* replaced,
             std::string* failure);

 private:
  FileLock(FileSystem& fs, std::string target, std::string lock_path, int fd)
      : fs_(fs), target_(std::move(target)), lock_path_(std::move(lock_path)), fd_(fd) {}
  // Writes, syncs, closes and renames; the folder is not synced.
  int WriteAndRename(const std::vector<uint8_t>& bytes, std::string* failure);
  // Writes bytes to the lock: through fd_ the first time, afterwards through
  // a new descriptor of the lock path (which must still be this lock), cut
  // to the length of bytes.
  int WriteLock(const std::vector<uint8_t>& bytes, std::string* failure);
  // LOCK_TARGET_CHANGED (changed_ set) when the file at the target is not the
  // one last read or found, or no longer holds what was read; a failing
  // examination gives its own errno.
  int CheckUnchanged(std::string* failure);
  // EIO when the lock, read back through its path, does not
  // hold bytes; a lock path that is no longer this lock as CheckStillOurs.
  int CheckLockHolds(const std::vector<uint8_t>& bytes, std::string* failure);
  // LOCK_LOST, the lock let go without touching the lock path,
  // when status (of what the lock path names; error its errno) is not the
  // file Acquire created.
  int CheckStillOurs(int error, const FileStatus& status, std::string* failure);

  FileSystem& fs_;
  std::string target_;
  std::string lock_path_;
  int fd_;
  bool held_ = true;
  bool written_ = false;  // the lock holds content of an earlier Commit
  bool changed_ = false;
  // The identity (device, inode) of the file Acquire created.
  FileStatus own_;
  // The status of the file the lock replaces; null for a new file.
  std::unique_ptr<FileStatus> replaced_;
  // The hash of what ReadTarget read, when it read a file.
  bool read_ = false;
  uint64_t read_hash_ = 0;
};

// Writes bytes to path by the lock-file protocol (FileLock); the owner,
// permission bits and extended attributes of an existing file are kept. 0, or
// the result of the step that failed (Acquire, ReadTarget, Commit).
int SaveFileSafely(FileSystem& fs, const std::string& path, const std::vector<uint8_t>& bytes,
                   std::string* failure);
