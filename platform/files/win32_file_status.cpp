#include "platform/files/win32_file_status.h"

#include <cerrno>

int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_DRIVE:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_PRIVILEGE_NOT_HELD:
      return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EBUSY;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_INVALID_HANDLE:
      return EBADF;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
      return EPIPE;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_NOT_SAME_DEVICE:
      return EXDEV;
    default:
      return EIO;
  }
}

int LastErrno() { return ErrnoOf(::GetLastError()); }

void FillFromHandle(HANDLE handle, FileStatus* status, int* error) {
  *status = FileStatus{};
  switch (::GetFileType(handle)) {
    case FILE_TYPE_CHAR:
      status->kind = FileKind::CharDevice;
      status->mode = 0666;
      return;
    case FILE_TYPE_PIPE:
      status->kind = FileKind::Fifo;
      status->mode = 0666;
      return;
    case FILE_TYPE_DISK:
      break;
    default:
      status->kind = FileKind::Other;
      return;
  }
  // The volume serial and file index are the file's identity; a handle
  // whose volume cannot be told (a file Wine hands over as standard input)
  // still has its attributes, size and links, and no identity.
  BY_HANDLE_FILE_INFORMATION info;
  DWORD attributes;
  if (::GetFileInformationByHandle(handle, &info)) {
    attributes = info.dwFileAttributes;
    status->size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    status->links = info.nNumberOfLinks;
    status->device = info.dwVolumeSerialNumber;
    status->inode = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  } else {
    FILE_BASIC_INFO basic;
    FILE_STANDARD_INFO standard;
    if (!::GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) ||
        !::GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard)) {
      *error = LastErrno();
      return;
    }
    attributes = basic.FileAttributes;
    status->size = static_cast<uint64_t>(standard.EndOfFile.QuadPart);
    status->links = standard.NumberOfLinks;
  }
  // The times, in 100 ns steps since 1601, as ns since 1970.
  FILE_BASIC_INFO times;
  if (::GetFileInformationByHandleEx(handle, FileBasicInfo, &times, sizeof times)) {
    constexpr int64_t EPOCH_STEPS = 116444736000000000;
    status->modified_ns = (times.LastWriteTime.QuadPart - EPOCH_STEPS) * 100;
    status->changed_ns = (times.ChangeTime.QuadPart - EPOCH_STEPS) * 100;
  }
  const bool read_only = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    status->kind = FileKind::Link;
  } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    status->kind = FileKind::Folder;
  }
  status->mode =
      status->kind == FileKind::Folder ? (read_only ? 0555 : 0777) : (read_only ? 0444 : 0666);
}
