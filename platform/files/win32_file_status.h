// What the Win32 file system reports: the errno value of a Windows error,
// and the FileStatus of an open handle. Windows only; includes windows.h.
#pragma once

#include <windows.h>

#include "platform/files/file_system.h"

// The errno value standing for a Windows error: ENOENT for a missing file or
// folder, EACCES for a refused access, EBUSY for a sharing violation, EEXIST,
// ENOSPC, ENOMEM, ENOTDIR, EBADF, EPIPE, ENAMETOOLONG, EXDEV; EIO otherwise.
int ErrnoOf(DWORD error);
int LastErrno();

// The status of the file open as handle: a device (FILE_TYPE_CHAR) reads as a
// character device, a pipe as a FIFO; on disk a reparse point reads as a
// link, a folder as a folder, with the mode, size, links and identity
// (volume serial, file index) of file_system.h. *error is set on failure.
void FillFromHandle(HANDLE handle, FileStatus* status, int* error);
