#include "platform/files/rewrite_target.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/files/lock_file.h"
#include "platform/files/lock_signals.h"
#include "platform/files/testing/failing_file_system.h"
#include "platform/files/testing/installed_program.h"
#include "platform/files/testing/scratch_files.h"

namespace {

using Step = FileSystem::Step;

const std::vector<uint8_t> OLD = {'o', 'l', 'd', '\n'};
const std::vector<uint8_t> NEW = {'n', 'e', 'w', '\n'};

FileStatus Status(uint32_t mode, uint32_t owner) {
  FileStatus status;
  status.mode = mode;
  status.owner = owner;
  return status;
}

TEST(LinkMayBeFollowed, FollowsTheKernelsProtectedSymlinksRule) {
  struct Case {
    uint32_t folder_mode;
    uint32_t folder_owner;
    uint32_t link_owner;
    uint32_t caller;
    bool followed;
  };
  const Case cases[] = {
      {01777, 0, 1000, 0, false},     // another user's link in /tmp, root following
      {01777, 0, 1000, 2000, false},  // ... another user following
      {01777, 0, 1000, 1000, true},   // the caller's own link
      {01777, 0, 0, 1000, true},      // the folder owner's link
      {01777, 500, 500, 0, true},     // a shared folder of user 500, its link
      {00777, 0, 1000, 0, true},      // world-writable but not sticky
      {01775, 0, 1000, 0, true},      // sticky but not world-writable
      {00755, 0, 1000, 0, true},      // an ordinary folder
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LinkMayBeFollowed(Status(0777, c.link_owner), Status(c.folder_mode, c.folder_owner),
                                c.caller),
              c.followed)
        << std::oct << c.folder_mode << std::dec << " folder of " << c.folder_owner << ", link of "
        << c.link_owner << ", caller " << c.caller;
  }
}

TEST(FolderOf, NamesTheFolderHoldingAPath) {
  EXPECT_EQ(FolderOf("/tmp/dev.reg"), "/tmp");
  EXPECT_EQ(FolderOf("/dev.reg"), "/");
  EXPECT_EQ(FolderOf("dev.reg"), ".");
  EXPECT_EQ(FolderOf("a/b/dev.reg"), "a/b");
}

// Sees the lock's permission bits when its first bytes are written.
class LockModeWatcher : public FailingFileSystem {
 public:
  LockModeWatcher(FileSystem& inner, std::string lock)
      : FailingFileSystem(inner), lock_(std::move(lock)) {}
  int Write(int fd, const uint8_t* data, size_t size, size_t* written) override {
    if (mode_at_write < 0) mode_at_write = ModeOf(lock_);
    return FailingFileSystem::Write(fd, data, size, written);
  }
  int mode_at_write = -1;

 private:
  std::string lock_;
};

// The lock holds the new content before it gets the file's own bits, so it
// is never readable by more users than the file it replaces, even for a
// moment; a new file gets 0666 less the umask.
TEST(FileLock, LockIsCreatedPrivateAndTakesTheModeAfterTheContent) {
  TempDir dir;
  const std::string file = dir.File("dev.reg");
  for (int mode : {0600, 0644, 0666}) {
    WriteBytes(file, OLD);
    ASSERT_EQ(::chmod(file.c_str(), static_cast<mode_t>(mode)), 0);
    LockModeWatcher fs(RealFileSystem(), file + ".lock");
    std::string failure;
    ASSERT_EQ(SaveFileSafely(fs, file, NEW, &failure), 0) << failure;
    EXPECT_EQ(fs.mode_at_write, 0600) << std::oct << mode;
    EXPECT_EQ(ModeOf(file), mode);
  }
  mode_t umask = ::umask(027);
  std::string failure;
  ASSERT_EQ(SaveFileSafely(RealFileSystem(), dir.File("new.reg"), NEW, &failure), 0) << failure;
  ::umask(umask);
  EXPECT_EQ(ModeOf(dir.File("new.reg")), 0640);
}

// The new file carries exactly the old one's extended attributes: those it
// had are copied, and an ACL the folder's default would give it is removed.
TEST(FileLock, ExtendedAttributesAreExactlyTheOldOnes) {
  TempDir dir;
  const std::string file = dir.File("dev.reg");
  WriteBytes(file, OLD);
  ASSERT_EQ(::lsetxattr(file.c_str(), "user.a", "1", 1, 0), 0);
  ASSERT_TRUE(IsInstalled("setfacl", "acl"));
  ASSERT_EQ(std::system(("setfacl -d -m u:daemon:rw " + dir.Path()).c_str()), 0);
  std::string failure;
  ASSERT_EQ(SaveFileSafely(RealFileSystem(), file, NEW, &failure), 0) << failure;
  EXPECT_EQ(ReadBytes(file), NEW);
  char value[16];
  EXPECT_EQ(::lgetxattr(file.c_str(), "user.a", value, sizeof value), 1);
  EXPECT_LT(::lgetxattr(file.c_str(), "system.posix_acl_access", value, sizeof value), 0);
  EXPECT_EQ(errno, ENODATA);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"dev.reg"});
}

TEST(CheckReplaceable, RefusesWhatIsNoRegularFileWithOneName) {
  TempDir dir;
  const std::string fifo = dir.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
  std::string failure;
  FileStatus status;
  ASSERT_EQ(RealFileSystem().Stat(fifo, &status), 0);
  EXPECT_EQ(CheckReplaceable(RealFileSystem(), fifo, status, &failure), EACCES);
  EXPECT_EQ(failure, fifo + " is not a regular file but a FIFO, so it is left as it is");

  const std::string file = dir.File("dev.reg");
  WriteBytes(file, OLD);
  ASSERT_EQ(::link(file.c_str(), dir.File("b.reg").c_str()), 0);
  ASSERT_EQ(::link(file.c_str(), dir.File("c.reg").c_str()), 0);
  ASSERT_EQ(RealFileSystem().Stat(file, &status), 0);
  EXPECT_EQ(CheckReplaceable(RealFileSystem(), file, status, &failure), EACCES);
  EXPECT_EQ(failure,
            file + " has 3 hard links (also " + dir.File("b.reg") + ", " + dir.File("c.reg") +
                "); replacing it would leave them with the old content, so it is left as it is");

  // A folder that cannot be listed still gives the count.
  FailingFileSystem unlistable(RealFileSystem());
  unlistable.FailAt(Step::ListFolder, 1, EACCES);
  EXPECT_EQ(CheckReplaceable(unlistable, file, status, &failure), EACCES);
  EXPECT_NE(failure.find(" has 3 hard links (also 2 outside " + dir.Path() + ")"),
            std::string::npos)
      << failure;
}

// The steps that keep the old file's metadata fail like every other step:
// the file stays as it was and no lock is left.
TEST(FileLock, FailingMetadataStepsKeepTheFile) {
  struct Case {
    Step step;
    int error;
    int result;
    const char* failure;
  };
  const Case cases[] = {
      {Step::MayWrite, EROFS, EROFS, "cannot write @: Read-only file system"},
      {Step::SetOwner, EIO, EIO, "cannot set the owner of @.lock: Input/output error"},
      {Step::CopyAttributes, ENOSPC, ENOSPC,
       "cannot copy the extended attributes of @ to @.lock: No space left on device"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const std::string file = dir.File("dev.reg");
    WriteBytes(file, OLD);
    FailingFileSystem fs(RealFileSystem());
    fs.FailAt(c.step, 1, c.error);
    std::string failure;
    EXPECT_EQ(SaveFileSafely(fs, file, NEW, &failure), c.result) << c.failure;
    EXPECT_EQ(failure, WithPaths(c.failure, file, dir.Path()));
    EXPECT_EQ(ReadBytes(file), OLD);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"dev.reg"});
  }
}

// A lock counts as held from its creation until it is renamed or removed,
// so that a termination signal removes exactly the locks of the moment.
TEST(HeldLocks, AreThoseCreatedAndNotYetRenamedOrRemoved) {
  TempDir dir;
  FileSystem& fs = RealFileSystem();
  ASSERT_EQ(HeldLockCount(), 0);
  int fd = -1;
  ASSERT_EQ(fs.OpenExclusive(dir.File("a.lock"), 0600, &fd), 0);
  fs.Close(fd);
  ASSERT_EQ(fs.OpenExclusive(dir.File("b.lock"), 0600, &fd), 0);
  fs.Close(fd);
  EXPECT_EQ(HeldLockCount(), 2);
  EXPECT_EQ(fs.OpenExclusive(dir.File("b.lock"), 0600, &fd), EEXIST);
  EXPECT_EQ(HeldLockCount(), 2);
  EXPECT_EQ(fs.Rename(dir.File("a.lock"), dir.File("a")), 0);
  EXPECT_EQ(HeldLockCount(), 1);
  EXPECT_EQ(fs.Rename(dir.File("missing.lock"), dir.File("b")), ENOENT);
  EXPECT_EQ(HeldLockCount(), 1);
  EXPECT_EQ(fs.Unlink(dir.File("b.lock")), 0);
  EXPECT_EQ(HeldLockCount(), 0);
}

}  // namespace
