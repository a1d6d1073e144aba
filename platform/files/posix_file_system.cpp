// RealFileSystem(): the FileSystem of file_system.h on POSIX calls.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/files/file_system.h"
#include "platform/files/lock_signals.h"

namespace {

template <typename Call>
int Retrying(Call call) {
  int result;
  do {
    result = call();
  } while (result < 0 && errno == EINTR);
  return result < 0 ? errno : 0;
}

FileKind KindOf(mode_t mode) {
  if (S_ISREG(mode)) return FileKind::Regular;
  if (S_ISDIR(mode)) return FileKind::Folder;
  if (S_ISLNK(mode)) return FileKind::Link;
  if (S_ISFIFO(mode)) return FileKind::Fifo;
  if (S_ISCHR(mode)) return FileKind::CharDevice;
  if (S_ISBLK(mode)) return FileKind::BlockDevice;
  if (S_ISSOCK(mode)) return FileKind::Socket;
  return FileKind::Other;
}

void Fill(const struct stat& st, FileStatus* status) {
  status->mode = st.st_mode & 07777;
  status->size = static_cast<uint64_t>(st.st_size);
  status->kind = KindOf(st.st_mode);
  status->owner = st.st_uid;
  status->group = st.st_gid;
  status->links = st.st_nlink;
  status->device = st.st_dev;
  status->inode = st.st_ino;
  status->modified_ns = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  status->changed_ns = static_cast<int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
}

// The names of the extended attributes the call lists (llistxattr or
// flistxattr), NUL-separated; an empty list where the file system has none.
template <typename List>
int AttributeNames(List list, std::vector<char>* names) {
  while (true) {
    ssize_t size = list(nullptr, 0);
    if (size < 0) {
      if (errno != ENOTSUP && errno != EOPNOTSUPP && errno != ENOSYS) return errno;
      names->clear();
      return 0;
    }
    names->resize(static_cast<size_t>(size));
    if (size == 0) return 0;
    ssize_t got = list(names->data(), names->size());
    if (got >= 0) {
      names->resize(static_cast<size_t>(got));
      return 0;
    }
    if (errno != ERANGE) return errno;  // ERANGE: the list grew meanwhile
  }
}

template <typename Get>
int AttributeValue(Get get, std::vector<char>* value) {
  while (true) {
    ssize_t size = get(nullptr, 0);
    if (size < 0) return errno;
    value->resize(static_cast<size_t>(size));
    ssize_t got = get(value->data(), value->size());
    if (got >= 0) {
      value->resize(static_cast<size_t>(got));
      return 0;
    }
    if (errno != ERANGE) return errno;
  }
}

bool Listed(const std::vector<char>& names, const char* name) {
  for (size_t at = 0; at < names.size(); at += std::strlen(names.data() + at) + 1) {
    if (std::strcmp(names.data() + at, name) == 0) return true;
  }
  return false;
}

class PosixFileSystem : public FileSystem {
 public:
  int OpenExclusive(const std::string& path, uint32_t mode, int* fd) override {
    TerminationSignalsHeld held;
    *fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (*fd < 0) return errno;
    HoldLock(path.c_str());
    return 0;
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
  // Never retried: after EINTR the descriptor is closed on Linux, and its
  // number may already name another file.
  int Close(int fd) override { return ::close(fd) < 0 ? errno : 0; }

  int OpenWrite(const std::string& path, int* fd) override {
    *fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    return *fd < 0 ? errno : 0;
  }

  int Truncate(int fd, uint64_t size) override {
    return Retrying([fd, size] { return ::ftruncate(fd, static_cast<off_t>(size)); });
  }

  int Rename(const std::string& from, const std::string& to) override {
    TerminationSignalsHeld held;
    if (::rename(from.c_str(), to.c_str()) < 0) return errno;
    ForgetLock(from.c_str());
    return 0;
  }

  int FsyncDir(const std::string& dir) override {
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    int error = Retrying([fd] { return ::fsync(fd); });
    ::close(fd);
    return error;
  }

  int Unlink(const std::string& path) override {
    TerminationSignalsHeld held;
    int error = ::unlink(path.c_str()) < 0 ? errno : 0;
    ForgetLock(path.c_str());
    return error;
  }

  int Stat(const std::string& path, FileStatus* status) override {
    struct stat st;
    if (::lstat(path.c_str(), &st) < 0) return errno;
    Fill(st, status);
    return 0;
  }

  int Fstat(int fd, FileStatus* status) override {
    struct stat st;
    if (::fstat(fd, &st) < 0) return errno;
    Fill(st, status);
    return 0;
  }

  int ReadAll(const std::string& path, std::vector<uint8_t>* bytes) override {
    int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return errno;
    struct stat st;
    int error = ::fstat(fd, &st) < 0 ? errno : 0;
    if (error == 0 && !S_ISREG(st.st_mode)) error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
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

  int MayWrite(const std::string& path) override {
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) < 0 ? errno
                                                                                           : 0;
  }

  int SetMode(int fd, uint32_t mode) override { return ::fchmod(fd, mode) < 0 ? errno : 0; }

  int SetOwner(int fd, uint32_t owner, uint32_t group) override {
    // UNCHANGED_ID is (uid_t)-1 and (gid_t)-1, which fchown leaves alone.
    return ::fchown(fd, static_cast<uid_t>(owner), static_cast<gid_t>(group)) < 0 ? errno : 0;
  }

  int CopyAttributes(const std::string& from, int fd) override {
    const char* source = from.c_str();
    std::vector<char> wanted, present, value, current;
    if (int error = AttributeNames(
            [source](char* list, size_t size) { return ::llistxattr(source, list, size); },
            &wanted)) {
      return error;
    }
    if (int error = AttributeNames(
            [fd](char* list, size_t size) { return ::flistxattr(fd, list, size); }, &present)) {
      return error;
    }
    for (size_t at = 0; at < present.size(); at += std::strlen(present.data() + at) + 1) {
      const char* name = present.data() + at;
      if (!Listed(wanted, name) && ::fremovexattr(fd, name) < 0 && errno != ENODATA) return errno;
    }
    for (size_t at = 0; at < wanted.size(); at += std::strlen(wanted.data() + at) + 1) {
      const char* name = wanted.data() + at;
      if (int error = AttributeValue(
              [source, name](void* data, size_t size) {
                return ::lgetxattr(source, name, data, size);
              },
              &value)) {
        if (error == ENODATA) continue;  // removed meanwhile
        return error;
      }
      // An attribute the new file has already (a label the kernel set) is
      // left alone: setting it may need a privilege the caller lacks.
      if (AttributeValue(
              [fd, name](void* data, size_t size) { return ::fgetxattr(fd, name, data, size); },
              &current) == 0 &&
          current == value) {
        continue;
      }
      // The file has an attribute the new one cannot take: something would
      // be lost, which ENOTSUP (nothing to keep) must never say.
      if (::fsetxattr(fd, name, value.data(), value.size(), 0) < 0) {
        return errno == ENOTSUP || errno == EOPNOTSUPP || errno == ENOSYS ? EPERM : errno;
      }
    }
    return 0;
  }

  int ListFolder(const std::string& dir, std::vector<std::string>* names) override {
    DIR* folder = ::opendir(dir.c_str());
    if (folder == nullptr) return errno;
    names->clear();
    errno = 0;
    while (struct dirent* entry = ::readdir(folder)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") names->push_back(name);
    }
    int error = errno;
    ::closedir(folder);
    return error;
  }

  int OpenRead(const std::string& path, int* fd) override {
    *fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
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

}  // namespace

uint32_t EffectiveUserId() { return static_cast<uint32_t>(::geteuid()); }

int StatFollowingLinks(const std::string& path, FileStatus* status) {
  struct stat st;
  if (::stat(path.c_str(), &st) < 0) return errno;
  Fill(st, status);
  return 0;
}

int DuplicateRuntimeDescriptor(int crt_fd, int* fd) {
  *fd = ::fcntl(crt_fd, F_DUPFD_CLOEXEC, 0);
  return *fd < 0 ? errno : 0;
}

FileSystem& RealFileSystem() {
  static PosixFileSystem real;
  return real;
}
