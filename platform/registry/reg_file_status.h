// The registry status of what a call of platform/files returned: the one
// place where the files layer's errno values and its LOCK_ results
// (platform/files/lock_file.h) become RegStatus codes.
#pragma once

#include "platform/registry/registry.h"

// The registry status for a file call's result: 0 gives ERROR_SUCCESS;
// EACCES, EPERM, EROFS ERROR_ACCESS_DENIED; ENOSPC, EDQUOT, EFBIG
// ERROR_DISK_FULL; ENOMEM ERROR_OUTOFMEMORY; ENOENT, ENOTDIR
// ERROR_FILE_NOT_FOUND; EEXIST (a lock held) and LOCK_LOST
// ERROR_SHARING_VIOLATION; LOCK_TARGET_CHANGED ERROR_FILE_INVALID; anything
// else ERROR_WRITE_FAULT.
RegStatus StatusOfErrno(int error);
