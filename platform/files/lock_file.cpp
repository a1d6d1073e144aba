#include "platform/files/lock_file.h"

#include <cerrno>
#include <cstring>

#include "platform/files/rewrite_target.h"

namespace {

// The mode a lock is created with: no wider than the file it replaces will
// be (its own bits are set once it holds the new content), and for a new
// file the usual 0666 less the umask.
constexpr uint32_t EXISTING_FILE_LOCK_MODE = 0600;
constexpr uint32_t NEW_FILE_MODE = 0666;

// Reads of a file that keeps changing while it is read, at most.
constexpr int MAX_READS = 4;

}  // namespace

RegStatus StatusOfErrno(int error) {
  switch (error) {
    case 0:
      return ERROR_SUCCESS;
    case EACCES:
    case EPERM:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
    case EFBIG:
      return ERROR_DISK_FULL;
    case ENOMEM:
      return ERROR_OUTOFMEMORY;
    case ENOENT:
    case ENOTDIR:
      return ERROR_FILE_NOT_FOUND;
    case EEXIST:
      return ERROR_SHARING_VIOLATION;
    default:
      return ERROR_WRITE_FAULT;
  }
}

RegStatus RegFileLock::Acquire(FileSystem& fs, const std::string& path,
                               std::unique_ptr<RegFileLock>* lock, std::string* failure) {
  std::string target;
  if (int error = ResolveLinks(fs, path, &target, failure)) return StatusOfErrno(error);
  FileStatus status;
  int error = fs.Stat(target, &status);
  bool exists = error == 0;
  if (error != 0 && error != ENOENT) {
    *failure = "cannot examine " + target + ": " + ErrnoText(error);
    return StatusOfErrno(error);
  }
  if (exists) {
    if (RegStatus refused = CheckReplaceable(fs, target, status, failure)) return refused;
  }
  std::string lock_path = target + ".lock";
  int fd = -1;
  error = fs.OpenExclusive(lock_path, exists ? EXISTING_FILE_LOCK_MODE : NEW_FILE_MODE, &fd);
  if (error == EEXIST) {
    *failure = lock_path + " exists: another program may be writing " + target +
               "; if none is, remove " + lock_path;
    return ERROR_SHARING_VIOLATION;
  }
  if (error != 0) {
    *failure = "cannot create " + lock_path + ": " + ErrnoText(error);
    return StatusOfErrno(error);
  }
  lock->reset(new RegFileLock(fs, target, lock_path, fd));
  if (exists) (*lock)->replaced_ = std::make_unique<FileStatus>(status);
  return ERROR_SUCCESS;
}

RegFileLock::~RegFileLock() { Release(); }

void RegFileLock::Release(std::string* failure) {
  if (!held_) return;
  held_ = false;
  if (fd_ >= 0) fs_.Close(fd_);
  fd_ = -1;
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

RegStatus RegFileLock::ReadTarget(std::vector<uint8_t>* bytes, bool* exists, std::string* failure) {
  for (int read = 1;; ++read) {
    int error = fs_.ReadAll(target_, bytes);
    if (error != 0 && error != ENOENT) {
      *failure = "cannot read " + target_ + ": " + ErrnoText(error);
      return StatusOfErrno(error);
    }
    // What was read is the file found before (by Acquire or the last round)
    // only when the same file in the same state is there after.
    FileStatus after;
    int stat_error = fs_.Stat(target_, &after);
    if (stat_error != 0 && stat_error != ENOENT) {
      *failure = "cannot examine " + target_ + ": " + ErrnoText(stat_error);
      return StatusOfErrno(stat_error);
    }
    const bool there = stat_error == 0;
    const bool steady = (error == 0) == there && (replaced_ != nullptr) == there &&
                        (!there || SameFileState(*replaced_, after));
    if (steady) {
      *exists = there;
      if (!there) bytes->clear();
      return ERROR_SUCCESS;
    }
    if (read == MAX_READS) {
      *failure = target_ + " kept changing while it was read (" + std::to_string(read) +
                 " times); try again once nothing else writes it";
      return ERROR_WRITE_FAULT;
    }
    replaced_.reset();
    if (there) {
      if (RegStatus refused = CheckReplaceable(fs_, target_, after, failure)) return refused;
      replaced_ = std::make_unique<FileStatus>(after);
    }
  }
}

RegStatus RegFileLock::CheckUnchanged(std::string* failure) {
  FileStatus now;
  int error = fs_.Stat(target_, &now);
  if (error != 0 && error != ENOENT) {
    *failure = "cannot examine " + target_ + ": " + ErrnoText(error);
    return StatusOfErrno(error);
  }
  const bool same =
      replaced_ == nullptr ? error == ENOENT : error == 0 && SameFileState(*replaced_, now);
  if (same) return ERROR_SUCCESS;
  changed_ = true;
  *failure = target_ +
             " changed on disk while the repairs were being written (another program "
             "saved it without taking " +
             lock_path_ + ")";
  return ERROR_FILE_INVALID;
}

RegStatus RegFileLock::WriteAndRename(const std::vector<uint8_t>& bytes, std::string* failure) {
  changed_ = false;
  if (written_) {
    if (int error = fs_.Truncate(fd_)) {
      *failure = "cannot empty " + lock_path_ + ": " + ErrnoText(error);
      return StatusOfErrno(error);
    }
  }
  written_ = true;
  for (size_t done = 0; done < bytes.size();) {
    size_t written = 0;
    if (int error = fs_.Write(fd_, bytes.data() + done, bytes.size() - done, &written)) {
      *failure = "cannot write " + lock_path_ + ": " + ErrnoText(error);
      return StatusOfErrno(error);
    }
    if (written == 0) {
      *failure = "cannot write " + lock_path_ + ": short write after " + std::to_string(done) +
                 " of " + std::to_string(bytes.size()) + " bytes";
      return ERROR_WRITE_FAULT;
    }
    done += written;
  }
  if (replaced_ != nullptr) {
    if (RegStatus status = TakeOverMetadata(fs_, fd_, lock_path_, target_, *replaced_, failure))
      return status;
  }
  if (int error = fs_.Fsync(fd_)) {
    *failure = "cannot sync " + lock_path_ + ": " + ErrnoText(error);
    return StatusOfErrno(error);
  }
  // From here to the rename, a program that takes no lock may still save the
  // file unnoticed: a close and a rename, microseconds whatever the size.
  if (RegStatus status = CheckUnchanged(failure)) return status;
  int fd = fd_;
  fd_ = -1;  // closed even when close reports an error
  if (int error = fs_.Close(fd)) {
    *failure = "cannot close " + lock_path_ + ": " + ErrnoText(error);
    return StatusOfErrno(error);
  }
  if (int error = fs_.Rename(lock_path_, target_)) {
    *failure = "cannot rename " + lock_path_ + " to " + target_ + ": " + ErrnoText(error);
    return StatusOfErrno(error);
  }
  held_ = false;
  return ERROR_SUCCESS;
}

RegStatus RegFileLock::Commit(const std::vector<uint8_t>& bytes,
                              const std::vector<uint8_t>* previous, bool* replaced,
                              std::string* failure) {
  std::function<std::vector<uint8_t>()> make_previous;
  if (previous != nullptr) make_previous = [previous] { return *previous; };
  return Commit(bytes, make_previous, replaced, failure);
}

RegStatus RegFileLock::Commit(const std::vector<uint8_t>& bytes,
                              const std::function<std::vector<uint8_t>()>& previous, bool* replaced,
                              std::string* failure) {
  *replaced = false;
  if (RegStatus status = WriteAndRename(bytes, failure)) {
    if (!changed_) Release(failure);
    return status;
  }
  *replaced = true;
  std::string folder = FolderOf(target_);
  int error = fs_.FsyncDir(folder);
  if (error == 0) return ERROR_SUCCESS;
  // The new content is in place but may not survive a crash; put the old
  // one back so that the file is exactly as it was.
  *failure = "cannot sync the folder " + folder + ": " + ErrnoText(error);
  std::string why;
  RegStatus restored;
  if (!previous) {
    int unlinked = fs_.Unlink(target_);
    restored = StatusOfErrno(unlinked);
    if (unlinked != 0) why = "cannot remove " + target_ + ": " + ErrnoText(unlinked);
  } else {
    std::unique_ptr<RegFileLock> again;
    restored = Acquire(fs_, target_, &again, &why);
    if (restored == ERROR_SUCCESS) {
      restored = again->WriteAndRename(previous(), &why);
      again->Release(&why);
    }
  }
  if (restored == ERROR_SUCCESS) {
    fs_.FsyncDir(folder);
    *replaced = false;
    *failure += "; " + target_ + " was put back as it was";
  } else {
    *failure += "; putting back the previous " + target_ + " failed too (" + why +
                "), so it holds the new content";
  }
  RegStatus status = StatusOfErrno(error);
  return status == ERROR_FILE_NOT_FOUND ? ERROR_WRITE_FAULT : status;
}

RegStatus SaveFileSafely(FileSystem& fs, const std::string& path, const std::vector<uint8_t>& bytes,
                         std::string* failure) {
  std::unique_ptr<RegFileLock> lock;
  if (RegStatus status = RegFileLock::Acquire(fs, path, &lock, failure)) return status;
  std::vector<uint8_t> previous;
  bool exists = false;
  RegStatus status = lock->ReadTarget(&previous, &exists, failure);
  bool replaced = false;
  if (status == ERROR_SUCCESS) {
    status = lock->Commit(bytes, exists ? &previous : nullptr, &replaced, failure);
  }
  lock->Release(failure);
  return status;
}
