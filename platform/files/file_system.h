// The file-system calls a safe rewrite makes, behind one interface so
// that tests can fail each step in turn (failing_file_system.h) or hold the
// files in memory (memory_file_system.h). RealFileSystem() is the process's
// own, through POSIX calls (posix_file_system.cpp) or the Win32 API
// (win32_file_system.cpp); every call returns 0 or an errno value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What a directory entry is.
enum class FileKind { Regular, Folder, Link, Fifo, CharDevice, BlockDevice, Socket, Other };

// "a FIFO", "a character device", "a folder": for reasons shown to users.
const char* FileKindText(FileKind kind);

// The reason for an errno value a call below returned, for messages shown to
// users: strerror's text, except that on Windows EBUSY, which the Win32 file
// system returns only for a file another program holds open (a sharing or
// lock violation), reads "another program is using it".
const char* ErrnoText(int error);

// Permission bits as POSIX numbers them. On Windows a file reads 0666, or
// 0444 with the read-only attribute, a folder 0777 or 0555.
constexpr uint32_t MODE_SET_USER_ID = 04000;
constexpr uint32_t MODE_SET_GROUP_ID = 02000;
constexpr uint32_t MODE_STICKY = 01000;
constexpr uint32_t MODE_GROUP_BITS = 0070;
constexpr uint32_t MODE_OTHERS_BITS = 0007;
constexpr uint32_t MODE_OTHERS_WRITE = 0002;

struct FileStatus {
  uint32_t mode = 0;  // permission bits (07777)
  uint64_t size = 0;
  FileKind kind = FileKind::Regular;
  uint32_t owner = 0;
  uint32_t group = 0;
  uint64_t links = 1;  // hard links to the file
  uint64_t device = 0;
  uint64_t inode = 0;
  int64_t modified_ns = 0;  // last change of the content, ns since the epoch
  int64_t changed_ns = 0;   // last change of the content or the status
};

// Whether a and b describe the same file in the same state: device, inode,
// size and both times to the nanosecond. A file rewritten in place, or
// replaced by another one under the same name, differs.
bool SameFileState(const FileStatus& a, const FileStatus& b);

// An owner or group left as it is by FileSystem::SetOwner.
constexpr uint32_t UNCHANGED_ID = UINT32_MAX;

class FileSystem {
 public:
  enum class Step {
    OpenExclusive,
    Write,
    Fsync,
    Close,
    Rename,
    FsyncDir,
    Unlink,
    Stat,
    ReadAll,
    ReadLink,
    SetMode,
    OpenRead,
    Read,
    Fstat,
    MayWrite,
    SetOwner,
    CopyAttributes,
    ListFolder,
    Truncate,
    OpenWrite
  };

  virtual ~FileSystem() = default;
  // Creates path for writing with the permission bits mode (less the umask);
  // EEXIST when it exists, a link included.
  virtual int OpenExclusive(const std::string& path, uint32_t mode, int* fd) = 0;
  // Writes up to size bytes; *written may come back smaller than size.
  virtual int Write(int fd, const uint8_t* data, size_t size, size_t* written) = 0;
  virtual int Fsync(int fd) = 0;
  // Closes fd; it is never to be closed again, even after a failure.
  virtual int Close(int fd) = 0;
  // Opens the existing file at path for writing from its first byte, its
  // content kept until written over, a final link not followed (ELOOP). A
  // file written afresh this way and cut to its length (Truncate) holds
  // exactly the new bytes even where a file system drops writes over bytes
  // the same descriptor wrote before (fusefat).
  virtual int OpenWrite(const std::string& path, int* fd) = 0;
  // Cuts the file open as fd for writing to size bytes (or extends it with
  // zeros); the position of the next Write stays where it is.
  virtual int Truncate(int fd, uint64_t size) = 0;
  virtual int Rename(const std::string& from, const std::string& to) = 0;
  // Makes the folder's entries (a rename in it) durable.
  virtual int FsyncDir(const std::string& dir) = 0;
  virtual int Unlink(const std::string& path) = 0;
  // The entry at path itself: a final symbolic link is not followed (its
  // own owner and kind come back). ENOENT when nothing is there.
  virtual int Stat(const std::string& path, FileStatus* status) = 0;
  // The file open as fd.
  virtual int Fstat(int fd, FileStatus* status) = 0;
  // The whole content of the regular file at path, a final link not
  // followed and never waiting on a device or FIFO: EISDIR for a folder,
  // ELOOP for a link, EINVAL for anything else that is no regular file.
  virtual int ReadAll(const std::string& path, std::vector<uint8_t>* bytes) = 0;
  // The target of a symbolic link; EINVAL when path is no link.
  virtual int ReadLink(const std::string& path, std::string* target) = 0;
  // 0 when this process may write the file at path by its effective ids
  // (mode bits, ACLs, read-only mounts); a superuser may write anything.
  virtual int MayWrite(const std::string& path) = 0;
  virtual int SetMode(int fd, uint32_t mode) = 0;
  // Gives fd's file the owner and group (UNCHANGED_ID leaves one as it is).
  virtual int SetOwner(int fd, uint32_t owner, uint32_t group) = 0;
  // Gives fd's file exactly the extended attributes of the file at from (a
  // final link not followed), POSIX ACLs included: each one of from is set,
  // each one from lacks is removed. ENOTSUP only when the file system keeps
  // no extended attributes, so that from has none to lose.
  virtual int CopyAttributes(const std::string& from, int fd) = 0;
  // The names in the folder dir, "." and ".." left out.
  virtual int ListFolder(const std::string& dir, std::vector<std::string>* names) = 0;
  // Opens path for reading (closed with Close), following links, without
  // waiting for a FIFO's writer and without taking a terminal as the
  // controlling one; callers check the kind with Fstat before reading.
  virtual int OpenRead(const std::string& path, int* fd) = 0;
  // Reads up to size bytes; *got 0 means the end.
  virtual int Read(int fd, uint8_t* data, size_t size, size_t* got) = 0;
};

// The process's effective user id (geteuid); 0 on Windows, where every
// FileStatus owner and group reads 0 and a file's owner is in its security
// descriptor instead.
uint32_t EffectiveUserId();

// The status of the file path names, a final link followed (stat(2)):
// the identity (device, inode) two names of one file share.
int StatFollowingLinks(const std::string& path, FileStatus* status);

// A descriptor of RealFileSystem() reading from what the C runtime's
// descriptor crt_fd (0: standard input) reads, closed with Close; an errno
// value when there is none (EBADF for a closed crt_fd).
int DuplicateRuntimeDescriptor(int crt_fd, int* fd);

// The process's own file system (POSIX calls; EINTR is retried). Each file
// OpenExclusive creates counts as a lock of this process (lock_signals.h)
// until it is renamed or unlinked.
FileSystem& RealFileSystem();
