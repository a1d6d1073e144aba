#include "platform/files/lock_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/files/testing/failing_file_system.h"
#include "platform/files/testing/memory_file_system.h"
#include "platform/files/testing/scratch_files.h"

namespace {

using Step = FileSystem::Step;

// A mode every file system here holds: Windows has only read-only or not.
#ifdef _WIN32
constexpr int PLAIN_MODE = 0666;
#else
constexpr int PLAIN_MODE = 0604;
#endif

const std::vector<uint8_t> OLD = {'o', 'l', 'd', '\n'};
const std::vector<uint8_t> NEW = {'n', 'e', 'w', ' ', 'c', 'o', 'n', 't', 'e', 'n', 't', '\n'};

// Writes at most 3 bytes per call, as a slow pipe or signal-ridden write may.
class TrickleFileSystem : public FailingFileSystem {
 public:
  using FailingFileSystem::FailingFileSystem;
  int Write(int fd, const uint8_t* data, size_t size, size_t* written) override {
    return FailingFileSystem::Write(fd, data, size < 3 ? size : 3, written);
  }
};

// POSIX permission bits; Windows' attributes: win32_file_system_test.cpp.
#ifndef _WIN32
TEST(SaveFileSafely, ReplacesContentAndKeepsPermissions) {
  TempDir dir;
  std::string file = dir.File("dev.reg");
  WriteBytes(file, OLD);
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  std::string failure;
  EXPECT_EQ(SaveFileSafely(RealFileSystem(), file, NEW, &failure), 0) << failure;
  EXPECT_EQ(ReadBytes(file), NEW);
  EXPECT_EQ(ModeOf(file), 0640);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"dev.reg"});
}
#endif

TEST(SaveFileSafely, CreatesNewFileAndWritesInPieces) {
  TempDir dir;
  TrickleFileSystem fs(RealFileSystem());
  std::string failure;
  EXPECT_EQ(SaveFileSafely(fs, dir.File("out.reg"), NEW, &failure), 0) << failure;
  EXPECT_EQ(ReadBytes(dir.File("out.reg")), NEW);
  EXPECT_EQ(fs.Calls(Step::Write), 4);
  EXPECT_EQ(fs.Calls(Step::FsyncDir), 1);
}

// Short writes that succeed: each call takes only a few bytes. The write loop
// must hand on exactly the bytes not yet written, so that the file gets every
// byte once, in as many calls as the pieces need, and nothing beyond them.
TEST(SaveFileSafely, ShortSuccessfulWritesStoreEveryByteOnce) {
  std::vector<uint8_t> payload(100);
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<uint8_t>('A' + i % 26);
  for (size_t length : {size_t(1), size_t(12), size_t(100)}) {
    for (size_t step : {size_t(1), size_t(3), size_t(5), size_t(7), size_t(64)}) {
      const std::vector<uint8_t> bytes(payload.begin(), payload.begin() + length);
      MemoryFileSystem memory;
      memory.Files()["/dev.reg"] = OLD;
      memory.SetWriteStep(step);
      FailingFileSystem fs(memory);
      std::string failure;
      EXPECT_EQ(SaveFileSafely(fs, "/dev.reg", bytes, &failure), 0) << failure;
      EXPECT_EQ(memory.Bytes("/dev.reg"), bytes) << length << " bytes by " << step;
      EXPECT_EQ(fs.Calls(Step::Write), static_cast<int>((length + step - 1) / step))
          << length << " by " << step;
      EXPECT_EQ(memory.Files().size(), 1u) << "no lock left";
      EXPECT_EQ(memory.OpenCount(), 0u);
    }
  }
}

// Symbolic links as POSIX makes them; the Windows file system refuses a
// link (win32_file_system_test.cpp).
#ifndef _WIN32
TEST(SaveFileSafely, WritesThroughSymbolicLinks) {
  TempDir dir;
  WriteBytes(dir.File("real.reg"), OLD);
  ASSERT_EQ(::symlink("real.reg", dir.File("middle.reg").c_str()), 0);
  ASSERT_EQ(::symlink(dir.File("middle.reg").c_str(), dir.File("dev.reg").c_str()), 0);
  std::string failure;
  EXPECT_EQ(SaveFileSafely(RealFileSystem(), dir.File("dev.reg"), NEW, &failure), 0) << failure;
  EXPECT_EQ(ReadBytes(dir.File("real.reg")), NEW);
  char target[64] = {};
  ASSERT_GT(::readlink(dir.File("dev.reg").c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(std::string(target), dir.File("middle.reg"));
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"dev.reg", "middle.reg", "real.reg"}));
}

TEST(SaveFileSafely, LinkLoopIsRefused) {
  TempDir dir;
  ASSERT_EQ(::symlink("b.reg", dir.File("a.reg").c_str()), 0);
  ASSERT_EQ(::symlink("a.reg", dir.File("b.reg").c_str()), 0);
  std::string failure;
  EXPECT_EQ(SaveFileSafely(RealFileSystem(), dir.File("a.reg"), NEW, &failure), ELOOP);
  EXPECT_EQ(failure,
            "cannot follow the link " + dir.File("a.reg") + ": Too many levels of symbolic links");
}
#endif

TEST(SaveFileSafely, HeldLockIsNeverTouched) {
  TempDir dir;
  std::string file = dir.File("dev.reg");
  WriteBytes(file, OLD);
  WriteBytes(file + ".lock", {'x'});
  std::string failure;
  EXPECT_EQ(SaveFileSafely(RealFileSystem(), file, NEW, &failure), EEXIST);
  EXPECT_EQ(failure, file + ".lock exists: another program may be writing " + file +
                         "; if none is, remove " + file + ".lock");
  EXPECT_EQ(ReadBytes(file), OLD);
  EXPECT_EQ(ReadBytes(file + ".lock"), std::vector<uint8_t>{'x'});
}

TEST(SaveFileSafely, ReadOnlyFileIsRefused) {
  TempDir dir;
  std::string file = dir.File("dev.reg");
  WriteBytes(file, OLD);
  ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
  std::string failure;
  EXPECT_EQ(SaveFileSafely(RealFileSystem(), file, NEW, &failure), EACCES);
  EXPECT_EQ(failure, file + " is read-only");
  EXPECT_EQ(ReadBytes(file), OLD);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"dev.reg"});
}

struct StepFailure {
  Step step;
  int error;
  int result;
  const char* failure;  // after the folder's path
  int call = 1;         // which call of step fails
};

// Each step of the rewrite fails in turn: the file stays byte for byte as it
// was, no lock is left, and the result says what went wrong.
TEST(SaveFileSafely, EveryFailingStepLeavesTheFileAsItWas) {
  const StepFailure cases[] = {
      {Step::ReadLink, EACCES, EACCES, "cannot follow the link @: Permission denied"},
      {Step::Stat, EIO, EIO, "cannot examine @: Input/output error"},
      {Step::OpenExclusive, EACCES, EACCES, "cannot create @.lock: Permission denied"},
      {Step::OpenExclusive, EROFS, EROFS, "cannot create @.lock: Read-only file system"},
      {Step::SetMode, EPERM, EPERM,
       "cannot set the permissions of @.lock: Operation not permitted"},
      {Step::ReadAll, EIO, EIO, "cannot read @: Input/output error"},
      {Step::Write, ENOSPC, ENOSPC, "cannot write @.lock: No space left on device"},
      {Step::Write, 0, EIO, "cannot write @.lock: short write after 0 of 12 bytes"},
      {Step::Fsync, EIO, EIO, "cannot sync @.lock: Input/output error"},
      {Step::Close, EIO, EIO, "cannot close @.lock: Input/output error", LOCK_CLOSE_CALL},
      {Step::Rename, EXDEV, EXDEV, "cannot rename @.lock to @: Invalid cross-device link"},
      {Step::FsyncDir, EIO, EIO,
       "cannot sync the folder #: Input/output error; @ was put back as it was"},
  };
  for (const StepFailure& c : cases) {
    TempDir dir;
    std::string file = dir.File("dev.reg");
    WriteBytes(file, OLD);
    ASSERT_EQ(::chmod(file.c_str(), PLAIN_MODE), 0);
    FailingFileSystem fs(RealFileSystem());
    fs.FailAt(c.step, c.call, c.error);
    std::string failure;
    EXPECT_EQ(SaveFileSafely(fs, file, NEW, &failure), c.result) << c.failure;
    EXPECT_EQ(failure, WithPaths(c.failure, file, dir.Path()));
    EXPECT_EQ(ReadBytes(file), OLD) << c.failure;
    EXPECT_EQ(ModeOf(file), PLAIN_MODE) << c.failure;
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"dev.reg"}) << c.failure;
  }
}

TEST(FileLockCommit, FolderSyncFailureOnNewFileRemovesIt) {
  TempDir dir;
  FailingFileSystem fs(RealFileSystem());
  fs.FailAt(Step::FsyncDir, 1, EIO);
  std::string failure;
  EXPECT_EQ(SaveFileSafely(fs, dir.File("new.reg"), NEW, &failure), EIO);
  EXPECT_TRUE(dir.Names().empty());
}

TEST(FileLockCommit, FailedRestoreSaysTheNewContentStands) {
  TempDir dir;
  std::string file = dir.File("dev.reg");
  WriteBytes(file, OLD);
  FailingFileSystem fs(RealFileSystem());
  fs.FailAt(Step::FsyncDir, 1, EIO);
  fs.FailAt(Step::OpenExclusive, 2, ENOSPC);
  std::unique_ptr<FileLock> lock;
  std::string failure;
  ASSERT_EQ(FileLock::Acquire(fs, file, &lock, &failure), 0);
  bool replaced = false;
  EXPECT_EQ(lock->Commit(NEW, &OLD, &replaced, &failure), EIO);
  EXPECT_TRUE(replaced);
  EXPECT_EQ(failure, "cannot sync the folder " + dir.Path() +
                         ": Input/output error; putting back the previous " + file +
                         " failed too (cannot create " + file +
                         ".lock: No space left on device), so it holds the new content");
  EXPECT_EQ(ReadBytes(file), NEW);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"dev.reg"});
}

// The previous content is made only when the folder sync fails, and then once.
TEST(FileLockCommit, PreviousContentIsMadeOnlyForARestore) {
  TempDir dir;
  std::string file = dir.File("dev.reg");
  for (bool sync_fails : {false, true}) {
    WriteBytes(file, OLD);
    FailingFileSystem fs(RealFileSystem());
    if (sync_fails) fs.FailAt(Step::FsyncDir, 1, EIO);
    std::unique_ptr<FileLock> lock;
    std::string failure;
    ASSERT_EQ(FileLock::Acquire(fs, file, &lock, &failure), 0);
    int made = 0;
    bool replaced = true;
    int result = lock->Commit(
        NEW,
        [&made] {
          ++made;
          return OLD;
        },
        &replaced, &failure);
    EXPECT_EQ(result, sync_fails ? EIO : 0);
    EXPECT_EQ(made, sync_fails ? 1 : 0);
    EXPECT_EQ(replaced, !sync_fails);
    EXPECT_EQ(ReadBytes(file), sync_fails ? OLD : NEW);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"dev.reg"});
  }
}

TEST(FileLock, DroppedLockIsRemovedAndFileUntouched) {
  TempDir dir;
  std::string file = dir.File("dev.reg");
  WriteBytes(file, OLD);
  std::unique_ptr<FileLock> lock;
  std::string failure;
  ASSERT_EQ(FileLock::Acquire(RealFileSystem(), file, &lock, &failure), 0);
  EXPECT_EQ(lock->Target(), file);
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"dev.reg", "dev.reg.lock"}));
  std::unique_ptr<FileLock> second;
  EXPECT_EQ(FileLock::Acquire(RealFileSystem(), file, &second, &failure), EEXIST);
  lock.reset();
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"dev.reg"});
  EXPECT_EQ(ReadBytes(file), OLD);
}

}  // namespace
