// The lock-file protocol where its own clean-up fails or the file system
// keeps less than a disk does: a lock that cannot be removed is named with
// what to do, a descriptor is closed once whatever close says, a failed folder
// sync is undone and the folder synced again, and a file system without
// owners or extended attributes takes the rewrite, and one that drops what
// it was given to write never has its lock renamed.
#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/files/lock_file.h"
#include "platform/files/testing/failing_file_system.h"
#include "platform/files/testing/memory_file_system.h"
#include "platform/files/testing/scratch_files.h"

namespace {

using Step = FileSystem::Step;

const std::vector<uint8_t> OLD = {'o', 'l', 'd', '\n'};
const std::vector<uint8_t> NEW = {'n', 'e', 'w', '\n'};

// Counts the closes of descriptors that were not open (closed already).
class CloseRecorder : public FailingFileSystem {
 public:
  using FailingFileSystem::FailingFileSystem;
  int OpenExclusive(const std::string& path, uint32_t mode, int* fd) override {
    const int error = FailingFileSystem::OpenExclusive(path, mode, fd);
    return Opened(error, *fd);
  }
  int OpenWrite(const std::string& path, int* fd) override {
    const int error = FailingFileSystem::OpenWrite(path, fd);
    return Opened(error, *fd);
  }
  int OpenRead(const std::string& path, int* fd) override {
    const int error = FailingFileSystem::OpenRead(path, fd);
    return Opened(error, *fd);
  }
  int Close(int fd) override {
    if (open.erase(fd) == 0) ++closed_twice;
    return FailingFileSystem::Close(fd);
  }
  std::set<int> open;
  int closed_twice = 0;

 private:
  int Opened(int error, int fd) {
    if (error == 0) open.insert(fd);
    return error;
  }
};

// A rename refused and the lock's removal refused too (a folder marked
// append-only): the message names the lock and what to do, since it blocks
// every later rewrite.
TEST(LockCleanUp, LockThatCannotBeRemovedIsNamedWithWhatToDo) {
  TempDir dir;
  const std::string file = dir.File("dev.reg");
  WriteBytes(file, OLD);
  FailingFileSystem fs(RealFileSystem());
  fs.FailAt(Step::Rename, 1, EPERM);
  fs.FailAt(Step::Unlink, 1, EPERM);
  std::string failure;
  EXPECT_EQ(SaveFileSafely(fs, file, NEW, &failure), EPERM);
  EXPECT_EQ(failure, WithPaths("cannot rename @.lock to @: Operation not permitted; the lock "
                               "@.lock could not be removed (Operation not permitted) and blocks "
                               "every later repair of @: remove it by hand once its folder allows "
                               "it (the folder may be append-only or immutable: lsattr -d #)",
                               file, dir.Path()));
  EXPECT_EQ(ReadBytes(file), OLD);
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"dev.reg", "dev.reg.lock"}));
  EXPECT_EQ(RealFileSystem().Unlink(file + ".lock"), 0);  // and this process forgets it
}

// close(2) releases the descriptor even when it fails (EINTR included); a
// second close of the same number could close another thread's file.
TEST(LockCleanUp, FailedCloseIsNeverRetried) {
  for (int error : {EINTR, EIO}) {
    TempDir dir;
    const std::string file = dir.File("dev.reg");
    WriteBytes(file, OLD);
    CloseRecorder fs(RealFileSystem());
    fs.FailAt(Step::Close, LOCK_CLOSE_CALL, error);
    std::string failure;
    EXPECT_NE(SaveFileSafely(fs, file, NEW, &failure), 0);
    EXPECT_EQ(fs.closed_twice, 0);
    EXPECT_EQ(ReadBytes(file), OLD);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"dev.reg"});
  }
}

// The folder sync fails: the old content is put back, and the folder is
// synced again so that the putting back lasts. A folder that vanished
// (ENOENT) gives EIO: the file was there, and written.
TEST(LockCleanUp, FailedFolderSyncIsUndoneAndTheFolderSyncedAgain) {
  for (int error : {EIO, ENOENT}) {
    TempDir dir;
    const std::string file = dir.File("dev.reg");
    WriteBytes(file, OLD);
    FailingFileSystem fs(RealFileSystem());
    fs.FailAt(Step::FsyncDir, 1, error);
    std::string failure;
    EXPECT_EQ(SaveFileSafely(fs, file, NEW, &failure), EIO) << error;
    EXPECT_EQ(fs.Calls(Step::FsyncDir), 2) << "the folder is not synced after the putting back";
    EXPECT_NE(failure.find("was put back as it was"), std::string::npos) << failure;
    EXPECT_EQ(ReadBytes(file), OLD);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"dev.reg"});
  }
}

// A file system that records no owners, permission bits or extended
// attributes (FAT through FUSE gives ENOSYS) has none to lose: the rewrite
// goes on.
TEST(LockCleanUp, FileSystemWithoutOwnersOrAttributesTakesTheRewrite) {
  for (Step step : {Step::SetOwner, Step::SetMode, Step::CopyAttributes}) {
    for (int error : {ENOSYS, ENOTSUP, EOPNOTSUPP}) {
      SCOPED_TRACE(std::to_string(static_cast<int>(step)) + " " + std::to_string(error));
      TempDir dir;
      const std::string file = dir.File("dev.reg");
      WriteBytes(file, OLD);
      FailingFileSystem fs(RealFileSystem());
      fs.FailAt(step, 1, error);
      std::string failure;
      EXPECT_EQ(SaveFileSafely(fs, file, NEW, &failure), 0) << failure;
      EXPECT_EQ(ReadBytes(file), NEW);
      EXPECT_EQ(dir.Names(), std::vector<std::string>{"dev.reg"});
    }
  }
}

// A file system that says it wrote what it dropped (as fusefat does with a
// file written over): the lock is read back before the rename, and nothing
// is replaced.
class DroppingFileSystem : public MemoryFileSystem {
 public:
  int Write(int fd, const uint8_t* data, size_t size, size_t* written) override {
    const int error = MemoryFileSystem::Write(fd, data, size > 1 ? size - 1 : size, written);
    *written = size;
    return error;
  }
};

TEST(LockCleanUp, LockThatDoesNotReadBackIsNeverRenamed) {
  DroppingFileSystem fs;
  fs.Files()["/dev.reg"] = OLD;
  std::string failure;
  EXPECT_EQ(SaveFileSafely(fs, "/dev.reg", NEW, &failure), EIO);
  EXPECT_EQ(failure,
            "/dev.reg.lock does not read back what was written to it (its file system dropped "
            "writes), so /dev.reg was not replaced");
  EXPECT_EQ(fs.Bytes("/dev.reg"), OLD);
  EXPECT_EQ(fs.Files().size(), 1u);
}

// Another writer's lock in the place of this one when a rewrite is given
// up: it is left, and the failure says so.
TEST(LockCleanUp, AnotherWritersLockInItsPlaceIsNeverRemoved) {
  MemoryFileSystem fs;
  fs.Files()["/dev.reg"] = OLD;
  std::unique_ptr<FileLock> lock;
  std::string failure;
  ASSERT_EQ(FileLock::Acquire(fs, "/dev.reg", &lock, &failure), 0) << failure;
  ASSERT_EQ(fs.Unlink("/dev.reg.lock"), 0);
  int fd = -1;
  ASSERT_EQ(fs.OpenExclusive("/dev.reg.lock", 0600, &fd), 0);
  ASSERT_EQ(fs.Close(fd), 0);
  lock->Release(&failure);
  EXPECT_EQ(failure, "; /dev.reg.lock is no longer the lock this run created and is left as it is");
  EXPECT_EQ(fs.Files().count("/dev.reg.lock"), 1u);
}

}  // namespace
