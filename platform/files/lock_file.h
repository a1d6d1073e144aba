// Durable, safe rewriting of a file by git's lock-file protocol: create
// FILE.lock exclusively (0600), write everything, give it FILE's owner,
// permissions and extended attributes, fsync, close, rename over FILE, fsync
// the folder. Until the rename FILE is untouched, and any failure removes the
// lock. Every file-system call goes through FileSystem (file_system.h), which
// tests replace to fail each step in turn (failing_file_system.h).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/files/file_system.h"
#include "platform/registry/registry.h"

// The registry status for an errno value: EACCES, EPERM, EROFS give
// ERROR_ACCESS_DENIED; ENOSPC, EDQUOT, EFBIG ERROR_DISK_FULL; ENOMEM
// ERROR_OUTOFMEMORY; ENOENT, ENOTDIR ERROR_FILE_NOT_FOUND; EEXIST
// ERROR_SHARING_VIOLATION; anything else ERROR_WRITE_FAULT.
RegStatus StatusOfErrno(int error);

// The lock held while a file is rewritten. The file is path with symbolic
// links resolved (up to 40 levels, relative targets against the link's
// folder; a link another user planted in a shared sticky folder is refused,
// rewrite_target.h), so a link is written through to its target and stays a
// link.
class RegFileLock {
 public:
  // Creates FILE.lock next to the file, with mode 0600 (0666 less the umask
  // for a file that does not exist yet). ERROR_SHARING_VIOLATION when it
  // exists already (another writer, or one that died: it is never removed
  // or overwritten here; *failure says what to remove); ERROR_ACCESS_DENIED
  // for a file that is not to be replaced (CheckReplaceable: no regular file,
  // no write permission, more than one hard link) or a refused link; other
  // statuses as StatusOfErrno.
  static RegStatus Acquire(FileSystem& fs, const std::string& path,
                           std::unique_ptr<RegFileLock>* lock, std::string* failure);
  // Removes the lock unless Commit renamed it.
  ~RegFileLock();
  // Removes the lock file now unless Commit renamed it. A lock that cannot be
  // removed would block every later rewrite: *failure (when given) then gets
  // "; " and a sentence naming it and saying what to do.
  void Release(std::string* failure = nullptr);
  RegFileLock(const RegFileLock&) = delete;
  RegFileLock& operator=(const RegFileLock&) = delete;

  // The file guarded: path with links resolved.
  const std::string& Target() const { return target_; }

  // Reads the file guarded into *bytes (*exists false and *bytes empty when
  // there is none) and remembers which file in which state it read (device,
  // inode, size, modification and change times) and a hash of what it read:
  // Commit replaces only that file holding those bytes. A file replaced or
  // changed while it is read is read again, up to four times. The file found
  // must be replaceable (CheckReplaceable; a FIFO, device or socket put in its
  // place is named as such). ERROR_SUCCESS, or the status of the failing call
  // with *failure saying why.
  RegStatus ReadTarget(std::vector<uint8_t>* bytes, bool* exists, std::string* failure);
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
  // The file changed meanwhile: ERROR_FILE_INVALID, nothing replaced, and
  // TargetChanged() tells so. A later Commit writes the lock afresh through a
  // new descriptor, cutting it to its new length after the write.
  // The lock path is no longer this lock (removed, replaced by another
  // writer's, its folder moved or replaced): ERROR_SHARING_VIOLATION, nothing
  // replaced, and whatever is at the lock path is left alone; the failure
  // says where this lock went when the system can tell.
  // The lock does not read back what was written (a file system that drops
  // writes): ERROR_WRITE_FAULT, nothing replaced.
  // Before the rename any failure leaves the file as it was. When only the folder sync fails, the
  // file gets previous back (by the same protocol; previous null: the file did not exist and is
  // removed) and the status is non-zero; *replaced tells whether the file holds bytes after all (it
  // does when the restore fails too). The lock is gone afterwards, whatever the outcome.
  RegStatus Commit(const std::vector<uint8_t>& bytes, const std::vector<uint8_t>* previous,
                   bool* replaced, std::string* failure);
  // The same, with the previous content made by previous() only when the
  // folder sync fails, for a caller that let go of the old bytes to save
  // memory; an empty previous stands for a file that did not exist.
  RegStatus Commit(const std::vector<uint8_t>& bytes,
                   const std::function<std::vector<uint8_t>()>& previous, bool* replaced,
                   std::string* failure);

 private:
  RegFileLock(FileSystem& fs, std::string target, std::string lock_path, int fd)
      : fs_(fs), target_(std::move(target)), lock_path_(std::move(lock_path)), fd_(fd) {}
  // Writes, syncs, closes and renames; the folder is not synced.
  RegStatus WriteAndRename(const std::vector<uint8_t>& bytes, std::string* failure);
  // Writes bytes to the lock: through fd_ the first time, afterwards through
  // a new descriptor of the lock path (which must still be this lock), cut
  // to the length of bytes.
  RegStatus WriteLock(const std::vector<uint8_t>& bytes, std::string* failure);
  // ERROR_FILE_INVALID (changed_ set) when the file at the target is not the
  // one last read or found, or no longer holds what was read; a failing
  // examination gives its own status.
  RegStatus CheckUnchanged(std::string* failure);
  // ERROR_WRITE_FAULT when the lock, read back through its path, does not
  // hold bytes; a lock path that is no longer this lock as CheckStillOurs.
  RegStatus CheckLockHolds(const std::vector<uint8_t>& bytes, std::string* failure);
  // ERROR_SHARING_VIOLATION, the lock let go without touching the lock path,
  // when status (of what the lock path names; error its errno) is not the
  // file Acquire created.
  RegStatus CheckStillOurs(int error, const FileStatus& status, std::string* failure);

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

// Writes bytes to path by the lock-file protocol (RegFileLock); the owner,
// permission bits and extended attributes of an existing file are kept.
RegStatus SaveFileSafely(FileSystem& fs, const std::string& path, const std::vector<uint8_t>& bytes,
                         std::string* failure);
