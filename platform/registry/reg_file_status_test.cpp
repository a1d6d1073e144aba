#include "platform/registry/reg_file_status.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/files/lock_file.h"

namespace {

TEST(StatusOfErrno, MapsFileResultsToRegistryStatuses) {
  const struct {
    int result;
    RegStatus status;
  } cases[] = {
      {0, ERROR_SUCCESS},
      {EACCES, ERROR_ACCESS_DENIED},
      {EPERM, ERROR_ACCESS_DENIED},
      {EROFS, ERROR_ACCESS_DENIED},
      {ENOSPC, ERROR_DISK_FULL},
#ifdef EDQUOT
      {EDQUOT, ERROR_DISK_FULL},
#endif
      {EFBIG, ERROR_DISK_FULL},
      {ENOMEM, ERROR_OUTOFMEMORY},
      {ENOENT, ERROR_FILE_NOT_FOUND},
      {ENOTDIR, ERROR_FILE_NOT_FOUND},
      {EEXIST, ERROR_SHARING_VIOLATION},
      {LOCK_LOST, ERROR_SHARING_VIOLATION},
      {LOCK_TARGET_CHANGED, ERROR_FILE_INVALID},
      {EIO, ERROR_WRITE_FAULT},
      {ELOOP, ERROR_WRITE_FAULT},
  };
  for (const auto& c : cases) EXPECT_EQ(StatusOfErrno(c.result), c.status) << c.result;
}

}  // namespace
