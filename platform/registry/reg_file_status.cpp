#include "platform/registry/reg_file_status.h"

#include <cerrno>

#include "platform/files/lock_file.h"

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
    case LOCK_LOST:
      return ERROR_SHARING_VIOLATION;
    case LOCK_TARGET_CHANGED:
      return ERROR_FILE_INVALID;
    default:
      return ERROR_WRITE_FAULT;
  }
}
