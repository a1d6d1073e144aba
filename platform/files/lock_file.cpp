#include "platform/files/lock_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>

#include "platform/files/content_hash.h"
#include "platform/files/rewrite_target.h"

namespace {

// The mode a lock is created with: no wider than the file it replaces will
// be (its own bits are set once it holds the new content), and for a new
// file the usual 0666 less the umask.
constexpr uint32_t EXISTING_FILE_LOCK_MODE = 0600;
constexpr uint32_t NEW_FILE_MODE = 0666;

// Reads of a file that keeps changing while it is read, at most.
constexpr int MAX_READS = 4;

// Bytes read at a time when a file is read again to be checked.
constexpr uint64_t READ_CHUNK = 1 << 20;

// Whether a and b are one file: the same device and inode.
bool SameFile(const FileStatus& a, const FileStatus& b) {
  return a.device == b.device && a.inode == b.inode;
}

// Opens path for reading into *status and, when it is the regular file
// identity names (*same), gives all its bytes to take, piece by piece, in
// order. 0, or the errno of the failing call.
int ReadIfSame(FileSystem& fs, const std::string& path, const FileStatus& identity,
               FileStatus* status, bool* same,
               const std::function<void(const uint8_t*, size_t)>& take) {
  *same = false;
  int fd = -1;
  if (int error = fs.OpenRead(path, &fd)) return error;
  int error = fs.Fstat(fd, status);
  *same = error == 0 && status->kind == FileKind::Regular && SameFile(*status, identity);
  std::vector<uint8_t> chunk(*same ? std::min(status->size + 1, READ_CHUNK) : 0);
  for (size_t got = 1; *same && error == 0 && got != 0;) {
    error = fs.Read(fd, chunk.data(), chunk.size(), &got);
    if (error == 0) take(chunk.data(), got);
  }
  fs.Close(fd);
  return error;
}

}  // namespace

int FileLock::Acquire(FileSystem& fs, const std::string& path, std::unique_ptr<FileLock>* lock,
                      std::string* failure) {
  std::string target;
  if (int error = ResolveLinks(fs, path, &target, failure)) return error;
  FileStatus status;
  int error = fs.Stat(target, &status);
  bool exists = error == 0;
  if (error != 0 && error != ENOENT) {
    *failure = "cannot examine " + target + ": " + ErrnoText(error);
    return error;
  }
  if (exists) {
    if (int refused = CheckReplaceable(fs, target, status, failure)) return refused;
  }
  std::string lock_path = target + ".lock";
  int fd = -1;
  error = fs.OpenExclusive(lock_path, exists ? EXISTING_FILE_LOCK_MODE : NEW_FILE_MODE, &fd);
  if (error == EEXIST) {
    *failure = lock_path + " exists: another program may be writing " + target +
               "; if none is, remove " + lock_path;
    return error;
  }
  if (error != 0) {
    *failure = "cannot create " + lock_path + ": " + ErrnoText(error);
    return error;
  }
  FileStatus own;
  if ((error = fs.Fstat(fd, &own)) != 0) {
    *failure = "cannot examine " + lock_path + ": " + ErrnoText(error);
    fs.Close(fd);
    fs.Unlink(lock_path);
    return error;
  }
  lock->reset(new FileLock(fs, target, lock_path, fd));
  (*lock)->own_ = own;
  if (exists) (*lock)->replaced_ = std::make_unique<FileStatus>(status);
  return 0;
}

FileLock::~FileLock() { Release(); }

void FileLock::Release(std::string* failure) {
  if (!held_) return;
  held_ = false;
  if (fd_ >= 0) fs_.Close(fd_);
  fd_ = -1;
  FileStatus now;
  if (fs_.Stat(lock_path_, &now) == 0 && !SameFile(now, own_)) {
    if (failure != nullptr) {
      *failure +=
          "; " + lock_path_ + " is no longer the lock this run created and is left as it is";
    }
    return;
  }
  int error = fs_.Unlink(lock_path_);
  if (error == 0 || error == ENOENT || failure == nullptr) return;
  *failure += "; the lock " + lock_path_ + " could not be removed (" + ErrnoText(error) +
              ") and blocks every later repair of " + target_ + ": remove it by hand";
  if (error == EPERM) {
    *failure +=
        " once its folder allows it (the folder may be append-only or immutable: lsattr -d " +
        FolderOf(target_) + ")";
  }
}

int FileLock::ReadTarget(std::vector<uint8_t>* bytes, bool* exists, std::string* failure) {
  for (int read = 1;; ++read) {
    int error = fs_.ReadAll(target_, bytes);
    if (error != 0 && error != ENOENT) {
      // ReadAll's EINVAL, ELOOP or ENXIO stand for a FIFO, device, link or
      // socket put in the file's place: named as what it is.
      FileStatus found;
      if (fs_.Stat(target_, &found) == 0 && found.kind != FileKind::Regular) {
        return CheckReplaceable(fs_, target_, found, failure);
      }
      *failure = "cannot read " + target_ + ": " + ErrnoText(error);
      return error;
    }
    // What was read is the file found before (by Acquire or the last round)
    // only when the same file in the same state is there after.
    FileStatus after;
    int stat_error = fs_.Stat(target_, &after);
    if (stat_error != 0 && stat_error != ENOENT) {
      *failure = "cannot examine " + target_ + ": " + ErrnoText(stat_error);
      return stat_error;
    }
    const bool there = stat_error == 0;
    const bool steady = (error == 0) == there && (replaced_ != nullptr) == there &&
                        (!there || SameFileState(*replaced_, after));
    if (steady) {
      *exists = there;
      if (!there) bytes->clear();
      read_ = there;
      read_hash_ = there ? ContentHash(bytes->data(), bytes->size()) : 0;
      return 0;
    }
    if (read == MAX_READS) {
      *failure = target_ + " kept changing while it was read (" + std::to_string(read) +
                 " times); try again once nothing else writes it";
      return EAGAIN;
    }
    replaced_.reset();
    if (there) {
      if (int refused = CheckReplaceable(fs_, target_, after, failure)) return refused;
      replaced_ = std::make_unique<FileStatus>(after);
    }
  }
}

int FileLock::CheckUnchanged(std::string* failure) {
  bool same = true;
  int read_error = 0;
  // Times need not tell a save (one-second stamps; none at all for a write
  // on FAT through FUSE): what is there is read again and hashed, and only
  // then are its times compared, so that a save begun during that reading
  // shows wherever times do tell.
  if (read_) {
    FileStatus opened;
    ContentHasher hasher;
    int error = ReadIfSame(fs_, target_, *replaced_, &opened, &same,
                           [&hasher](const uint8_t* p, size_t n) { hasher.Add(p, n); });
    if (error != ENOENT) read_error = error;
    same = same && error == 0 && hasher.Finish() == read_hash_;
  }
  if (same || read_error != 0) {
    FileStatus now;
    int error = fs_.Stat(target_, &now);
    if (error != 0 && error != ENOENT) {
      *failure = "cannot examine " + target_ + ": " + ErrnoText(error);
      return error;
    }
    same = replaced_ == nullptr ? error == ENOENT : error == 0 && SameFileState(*replaced_, now);
    // Unreadable, yet the same file as read (not a socket put in its place).
    if (same && read_error != 0) {
      *failure = "cannot read " + target_ + " again: " + ErrnoText(read_error);
      return read_error;
    }
  }
  if (same) return 0;
  changed_ = true;
  *failure = target_ +
             " changed on disk while the repairs were being written (another program "
             "saved it without taking " +
             lock_path_ + ")";
  return LOCK_TARGET_CHANGED;
}

int FileLock::CheckStillOurs(int error, const FileStatus& status, std::string* failure) {
  if (error == 0 && status.kind == FileKind::Regular && SameFile(status, own_)) return 0;
  if (error != 0 && error != ENOENT && error != ENOTDIR) {
    *failure = "cannot examine " + lock_path_ + ": " + ErrnoText(error);
    return error;
  }
  held_ = false;  // what is at the lock path now is not this run's to remove
  *failure = lock_path_ +
             " is no longer the lock this run created (it was removed or replaced, or " +
             FolderOf(target_) + " was moved or replaced), so " + target_ +
             " was not replaced and " + lock_path_ + " is left as it is";
  // Linux names where an open file is now; a removed one is "... (deleted)".
  std::string now_at;
  if (fd_ >= 0 && fs_.ReadLink("/proc/self/fd/" + std::to_string(fd_), &now_at) == 0 &&
      now_at.find(" (deleted)") == std::string::npos) {
    *failure += "; the lock it created is now " + now_at + ": remove it";
  }
  if (fd_ >= 0) fs_.Close(fd_);
  fd_ = -1;
  return LOCK_LOST;
}

int FileLock::CheckLockHolds(const std::vector<uint8_t>& bytes, std::string* failure) {
  FileStatus status;
  bool same = false;
  bool equal = true;
  size_t at = 0;
  int error = ReadIfSame(
      fs_, lock_path_, own_, &status, &same, [&bytes, &equal, &at](const uint8_t* p, size_t n) {
        equal = equal && n <= bytes.size() - at && std::memcmp(p, bytes.data() + at, n) == 0;
        at += equal ? n : 0;
      });
  if (error == ENOENT || (error == 0 && !same)) return CheckStillOurs(error, status, failure);
  if (error != 0) {
    *failure = "cannot read back " + lock_path_ + ": " + ErrnoText(error);
    return error;
  }
  if (equal && at == bytes.size()) return 0;
  *failure = lock_path_ + " does not read back what was written to it (its file system dropped " +
             "writes), so " + target_ + " was not replaced";
  return EIO;
}

int FileLock::WriteLock(const std::vector<uint8_t>& bytes, std::string* failure) {
  const bool again = written_;
  if (again) {
    // A file system may drop writes over bytes the same descriptor wrote
    // before, and keep the length after a cut to 0 (fusefat does both): a
    // new descriptor writes from the start, and the length is cut after.
    fs_.Close(fd_);
    fd_ = -1;
    int fd = -1;
    int error = fs_.OpenWrite(lock_path_, &fd);
    FileStatus status;
    // A link or no folder in its place: not this lock.
    if (error == ELOOP || error == ENOTDIR) error = ENOENT;
    if (error == 0 && (error = fs_.Fstat(fd, &status)) != 0) fs_.Close(fd);
    if (error == 0 || error == ENOENT) {
      if (int lost = CheckStillOurs(error, status, failure)) {
        if (error == 0) fs_.Close(fd);
        return lost;
      }
    }
    if (error != 0) {
      *failure = "cannot open " + lock_path_ + " again: " + ErrnoText(error);
      return error;
    }
    fd_ = fd;
  }
  written_ = true;
  for (size_t done = 0; done < bytes.size();) {
    size_t written = 0;
    if (int error = fs_.Write(fd_, bytes.data() + done, bytes.size() - done, &written)) {
      *failure = "cannot write " + lock_path_ + ": " + ErrnoText(error);
      return error;
    }
    if (written == 0) {
      *failure = "cannot write " + lock_path_ + ": short write after " + std::to_string(done) +
                 " of " + std::to_string(bytes.size()) + " bytes";
      return EIO;
    }
    done += written;
  }
  // Only what lies past the new content is cut: fusefat refuses a cut to
  // the length a file has, or more.
  FileStatus written;
  if (again) {
    int error = fs_.Fstat(fd_, &written);
    if (error == 0 && written.size > bytes.size()) error = fs_.Truncate(fd_, bytes.size());
    if (error != 0) {
      *failure = "cannot cut " + lock_path_ + " to its length: " + ErrnoText(error);
      return error;
    }
  }
  return 0;
}

int FileLock::WriteAndRename(const std::vector<uint8_t>& bytes, std::string* failure) {
  changed_ = false;
  if (int error = WriteLock(bytes, failure)) return error;
  if (replaced_ != nullptr) {
    if (int error = TakeOverMetadata(fs_, fd_, lock_path_, target_, *replaced_, failure))
      return error;
  }
  if (int error = fs_.Fsync(fd_)) {
    *failure = "cannot sync " + lock_path_ + ": " + ErrnoText(error);
    return error;
  }
  if (int error = CheckLockHolds(bytes, failure)) return error;
  if (int error = CheckUnchanged(failure)) return error;
  // From here to the rename, a program that takes no lock may still save the
  // file unnoticed: a close and a rename, microseconds whatever the size.
  FileStatus lock_now;
  const int lock_error = fs_.Stat(lock_path_, &lock_now);
  if (int error = CheckStillOurs(lock_error, lock_now, failure)) return error;
  int fd = fd_;
  fd_ = -1;  // closed even when close reports an error
  if (int error = fs_.Close(fd)) {
    *failure = "cannot close " + lock_path_ + ": " + ErrnoText(error);
    return error;
  }
  if (int error = fs_.Rename(lock_path_, target_)) {
    *failure = "cannot rename " + lock_path_ + " to " + target_ + ": " + ErrnoText(error);
    return error;
  }
  held_ = false;
  return 0;
}

int FileLock::Commit(const std::vector<uint8_t>& bytes, const std::vector<uint8_t>* previous,
                     bool* replaced, std::string* failure) {
  std::function<std::vector<uint8_t>()> make_previous;
  if (previous != nullptr) make_previous = [previous] { return *previous; };
  return Commit(bytes, make_previous, replaced, failure);
}

int FileLock::Commit(const std::vector<uint8_t>& bytes,
                     const std::function<std::vector<uint8_t>()>& previous, bool* replaced,
                     std::string* failure) {
  *replaced = false;
  if (int error = WriteAndRename(bytes, failure)) {
    if (!changed_) Release(failure);
    return error;
  }
  *replaced = true;
  std::string folder = FolderOf(target_);
  int error = fs_.FsyncDir(folder);
  if (error == 0) return 0;
  // The new content is in place but may not survive a crash; put the old
  // one back so that the file is exactly as it was.
  *failure = "cannot sync the folder " + folder + ": " + ErrnoText(error);
  std::string why;
  int restored;
  if (!previous) {
    restored = fs_.Unlink(target_);
    if (restored != 0) why = "cannot remove " + target_ + ": " + ErrnoText(restored);
  } else {
    std::unique_ptr<FileLock> again;
    restored = Acquire(fs_, target_, &again, &why);
    if (restored == 0) {
      restored = again->WriteAndRename(previous(), &why);
      again->Release(&why);
    }
  }
  if (restored == 0) {
    fs_.FsyncDir(folder);
    *replaced = false;
    *failure += "; " + target_ + " was put back as it was";
  } else {
    *failure += "; putting back the previous " + target_ + " failed too (" + why +
                "), so it holds the new content";
  }
  // A missing folder is not a missing file: the file was written.
  return error == ENOENT || error == ENOTDIR ? EIO : error;
}

int SaveFileSafely(FileSystem& fs, const std::string& path, const std::vector<uint8_t>& bytes,
                   std::string* failure) {
  std::unique_ptr<FileLock> lock;
  if (int error = FileLock::Acquire(fs, path, &lock, failure)) return error;
  std::vector<uint8_t> previous;
  bool exists = false;
  int error = lock->ReadTarget(&previous, &exists, failure);
  bool replaced = false;
  if (error == 0) error = lock->Commit(bytes, exists ? &previous : nullptr, &replaced, failure);
  lock->Release(failure);
  return error;
}
