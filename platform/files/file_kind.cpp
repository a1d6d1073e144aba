#include "platform/files/file_system.h"

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
