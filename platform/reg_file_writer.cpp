#include "platform/reg_file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// Symbolic links followed at most, as the kernel does.
constexpr int MAX_LINK_DEPTH = 40;

std::string ErrnoText(int error) { return std::strerror(error); }

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

template <typename Call>
int Retrying(Call call) {
  int result;
  do {
    result = call();
  } while (result < 0 && errno == EINTR);
  return result < 0 ? errno : 0;
}

class PosixFileSystem : public FileSystem {
 public:
  int OpenExclusive(const std::string& path, int* fd) override {
    *fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    return *fd < 0 ? errno : 0;
  }

  int Write(int fd, const uint8_t* data, size_t size, size_t* written) override {
    ssize_t n;
    do {
      n = ::write(fd, data, size);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return errno;
    *written = static_cast<size_t>(n);
    return 0;
  }

  int Fsync(int fd) override {
    return Retrying([fd] { return ::fsync(fd); });
  }
  int Close(int fd) override { return ::close(fd) < 0 ? errno : 0; }
  int Rename(const std::string& from, const std::string& to) override {
    return ::rename(from.c_str(), to.c_str()) < 0 ? errno : 0;
  }

  int FsyncDir(const std::string& dir) override {
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    int error = Retrying([fd] { return ::fsync(fd); });
    ::close(fd);
    return error;
  }

  int Unlink(const std::string& path) override { return ::unlink(path.c_str()) < 0 ? errno : 0; }

  int Stat(const std::string& path, FileStatus* status) override {
    struct stat st;
    if (::stat(path.c_str(), &st) < 0) return errno;
    status->mode = st.st_mode & 07777;
    status->size = static_cast<uint64_t>(st.st_size);
    return 0;
  }

  int ReadAll(const std::string& path, std::vector<uint8_t>* bytes) override {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    struct stat st;
    int error = ::fstat(fd, &st) < 0 ? errno : 0;
    if (error == 0 && S_ISDIR(st.st_mode)) error = EISDIR;
    size_t got = 0;
    if (error == 0) {
      // One spare byte shows the end without a second, larger buffer.
      bytes->resize(static_cast<size_t>(st.st_size) + 1);
      while (true) {
        if (got == bytes->size()) bytes->resize(bytes->size() + bytes->size() / 2 + 4096);
        ssize_t n = ::read(fd, bytes->data() + got, bytes->size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) error = errno;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
      }
    }
    ::close(fd);
    bytes->resize(error == 0 ? got : 0);
    return error;
  }

  int ReadLink(const std::string& path, std::string* target) override {
    std::vector<char> buffer(256);
    while (true) {
      ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
      if (n < 0) return errno;
      if (static_cast<size_t>(n) < buffer.size()) {
        target->assign(buffer.data(), static_cast<size_t>(n));
        return 0;
      }
      buffer.resize(buffer.size() * 2);
    }
  }

  int SetMode(int fd, uint32_t mode) override { return ::fchmod(fd, mode) < 0 ? errno : 0; }

  int OpenRead(const std::string& path, int* fd) override {
    *fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    return *fd < 0 ? errno : 0;
  }

  int Read(int fd, uint8_t* data, size_t size, size_t* got) override {
    ssize_t n;
    do {
      n = ::read(fd, data, size);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return errno;
    *got = static_cast<size_t>(n);
    return 0;
  }
};

int ResolveLinks(FileSystem& fs, const std::string& path, std::string* target) {
  std::string current = path;
  for (int depth = 0; depth <= MAX_LINK_DEPTH; ++depth) {
    std::string link;
    int error = fs.ReadLink(current, &link);
    if (error == EINVAL || error == ENOENT) {
      *target = current;
      return 0;
    }
    if (error != 0) return error;
    size_t slash = current.rfind('/');
    if (link.empty() || link[0] == '/' || slash == std::string::npos) {
      current = link;
    } else {
      current = current.substr(0, slash + 1) + link;
    }
  }
  return ELOOP;
}

}  // namespace

FileSystem& RealFileSystem() {
  static PosixFileSystem real;
  return real;
}

RegStatus StatusOfErrno(int error) {
  switch (error) {
    case 0:
      return ERROR_SUCCESS;
    case EACCES:
    case EPERM:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case ENOSPC:
    case EDQUOT:
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
  if (int error = ResolveLinks(fs, path, &target)) {
    *failure = "cannot follow the link " + path + ": " + ErrnoText(error);
    return StatusOfErrno(error);
  }
  FileStatus status;
  int error = fs.Stat(target, &status);
  bool exists = error == 0;
  if (error != 0 && error != ENOENT) {
    *failure = "cannot examine " + target + ": " + ErrnoText(error);
    return StatusOfErrno(error);
  }
  if (exists && (status.mode & 0222) == 0) {
    *failure = target + " is read-only";
    return ERROR_ACCESS_DENIED;
  }
  std::string lock_path = target + ".lock";
  int fd = -1;
  error = fs.OpenExclusive(lock_path, &fd);
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
  if (exists) {
    if ((error = fs.SetMode(fd, status.mode)) != 0) {
      *failure = "cannot set the permissions of " + lock_path + ": " + ErrnoText(error);
      lock->reset();
      return StatusOfErrno(error);
    }
  }
  return ERROR_SUCCESS;
}

RegFileLock::~RegFileLock() { Release(); }

void RegFileLock::Release() {
  if (!held_) return;
  held_ = false;
  if (fd_ >= 0) fs_.Close(fd_);
  fd_ = -1;
  fs_.Unlink(lock_path_);
}

RegStatus RegFileLock::WriteAndRename(const std::vector<uint8_t>& bytes, std::string* failure) {
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
  if (int error = fs_.Fsync(fd_)) {
    *failure = "cannot sync " + lock_path_ + ": " + ErrnoText(error);
    return StatusOfErrno(error);
  }
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
                              const std::function<std::vector<uint8_t>()>& previous,
                              bool* replaced, std::string* failure) {
  *replaced = false;
  if (RegStatus status = WriteAndRename(bytes, failure)) {
    Release();
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
    if (restored == ERROR_SUCCESS) restored = again->WriteAndRename(previous(), &why);
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
  int error = fs.ReadAll(lock->Target(), &previous);
  if (error != 0 && error != ENOENT) {
    *failure = "cannot read " + lock->Target() + ": " + ErrnoText(error);
    return StatusOfErrno(error);
  }
  bool replaced = false;
  return lock->Commit(bytes, error == 0 ? &previous : nullptr, &replaced, failure);
}
