// What FileStatus and the calls' errors say, the same on every system but
// for the one Windows error a file held open by another program gives.
#include <cerrno>
#include <cstring>

#include "platform/files/file_system.h"

const char* ErrnoText(int error) {
#ifdef _WIN32
  if (error == EBUSY) return "another program is using it";
#endif
  return std::strerror(error);
}

bool SameFileState(const FileStatus& a, const FileStatus& b) {
  return a.device == b.device && a.inode == b.inode && a.size == b.size &&
         a.modified_ns == b.modified_ns && a.changed_ns == b.changed_ns && a.kind == b.kind;
}

const char* FileKindText(FileKind kind) {
  switch (kind) {
    case FileKind::Regular:
      return "a regular file";
    case FileKind::Folder:
      return "a folder";
    case FileKind::Link:
      return "a symbolic link";
    case FileKind::Fifo:
      return "a FIFO";
    case FileKind::CharDevice:
      return "a character device";
    case FileKind::BlockDevice:
      return "a block device";
    case FileKind::Socket:
      return "a socket";
    case FileKind::Other:
      break;
  }
  return "a special file";
}
