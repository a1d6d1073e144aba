// The Win32 file system on real files (run under Wine in the Windows build):
// what a rewrite keeps and refuses where Windows has its own forms of the
// POSIX cases (attributes for modes, access lists for extended attributes,
// devices by name, hard links), and names in UTF-8 all the way to UTF-16.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/files/lock_file.h"
#include "platform/files/testing/scratch_files.h"
#include "platform/files/testing/win32_file_calls.h"

namespace {

const std::vector<uint8_t> OLD = {'o', 'l', 'd', '\n'};
const std::vector<uint8_t> NEW = {'n', 'e', 'w', '\n'};

TEST(Win32FileSystem, ReplacedFileKeepsItsAttributes) {
  const uint32_t cases[] = {ATTRIBUTE_HIDDEN, ATTRIBUTE_SYSTEM | ATTRIBUTE_ARCHIVE,
                            ATTRIBUTE_HIDDEN | ATTRIBUTE_NOT_CONTENT_INDEXED};
  for (uint32_t attributes : cases) {
    TempDir dir;
    std::string file = dir.File("dev.reg");
    WriteBytes(file, OLD);
    ASSERT_TRUE(SetFileAttributesTo(file, attributes));
    // As the system holds them (Wine keeps no content-indexing bit, and
    // marks every file for archiving).
    const uint32_t before = FileAttributesOf(file);
    ASSERT_NE(before & ATTRIBUTE_HIDDEN, attributes & ATTRIBUTE_HIDDEN ? 0u : 1u);
    std::string failure;
    EXPECT_EQ(SaveFileSafely(RealFileSystem(), file, NEW, &failure), 0) << failure;
    EXPECT_EQ(ReadBytes(file), NEW);
    EXPECT_EQ(FileAttributesOf(file), before) << attributes;
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"dev.reg"});
  }
}

TEST(Win32FileSystem, WhatIsNoPlainFileIsRefused) {
  TempDir dir;
  ASSERT_TRUE(MakeFolder(dir.File("folder.reg")));
  std::vector<uint8_t> bytes;
  EXPECT_EQ(RealFileSystem().ReadAll(dir.File("folder.reg"), &bytes), EISDIR);
  std::string failure;
  EXPECT_EQ(SaveFileSafely(RealFileSystem(), dir.File("folder.reg"), NEW, &failure), EACCES);
  EXPECT_EQ(failure,
            dir.File("folder.reg") + " is not a regular file but a folder, so it is left as it is");
  // A device by its reserved name: never read, never replaced.
  FileStatus status;
  ASSERT_EQ(RealFileSystem().Stat("NUL", &status), 0);
  EXPECT_EQ(status.kind, FileKind::CharDevice);
  EXPECT_EQ(RealFileSystem().ReadAll("NUL", &bytes), EINVAL);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"folder.reg"});
}

TEST(Win32FileSystem, ReadOnlyAttributeRefusesTheRewrite) {
  TempDir dir;
  std::string file = dir.File("dev.reg");
  WriteBytes(file, OLD);
  ASSERT_TRUE(SetFileAttributesTo(file, ATTRIBUTE_READONLY));
  FileStatus status;
  ASSERT_EQ(RealFileSystem().Stat(file, &status), 0);
  EXPECT_EQ(status.mode, 0444u);
  std::string failure;
  EXPECT_EQ(SaveFileSafely(RealFileSystem(), file, NEW, &failure), EACCES);
  EXPECT_EQ(failure, file + " is read-only");
  EXPECT_EQ(ReadBytes(file), OLD);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"dev.reg"});
}

TEST(Win32FileSystem, HardLinkedFileIsRefusedAndSharesItsIdentity) {
  TempDir dir;
  std::string file = dir.File("dev.reg");
  WriteBytes(file, OLD);
  ASSERT_TRUE(MakeHardLink(dir.File("other.reg"), file));
  FileStatus one, two;
  ASSERT_EQ(StatFollowingLinks(file, &one), 0);
  ASSERT_EQ(StatFollowingLinks(dir.File("other.reg"), &two), 0);
  EXPECT_EQ(one.links, 2u);
  EXPECT_EQ(one.device, two.device);
  EXPECT_EQ(one.inode, two.inode);
  // Named with Windows' own separators, the other name is found beside it.
  std::string windows_path = file;
  for (char& c : windows_path) c = c == '/' ? '\\' : c;
  std::string other = windows_path.substr(0, windows_path.size() - 7) + "other.reg";
  std::string failure;
  EXPECT_EQ(SaveFileSafely(RealFileSystem(), windows_path, NEW, &failure), EACCES);
  EXPECT_EQ(failure, windows_path + " has 2 hard links (also " + other +
                         "); replacing it would leave them with the old content, so it is left "
                         "as it is");
  EXPECT_EQ(ReadBytes(file), OLD);
}

TEST(Win32FileSystem, LockIsCreatedOnlyWhereNothingIs) {
  TempDir dir;
  std::string lock = dir.File("dev.reg.lock");
  int fd = -1;
  ASSERT_EQ(RealFileSystem().OpenExclusive(lock, 0600, &fd), 0);
  size_t written = 0;
  ASSERT_EQ(RealFileSystem().Write(fd, OLD.data(), OLD.size(), &written), 0);
  EXPECT_EQ(written, OLD.size());
  EXPECT_EQ(RealFileSystem().Close(fd), 0);
  EXPECT_EQ(RealFileSystem().OpenExclusive(lock, 0600, &fd), EEXIST);
  EXPECT_EQ(ReadBytes(lock), OLD);
  EXPECT_EQ(RealFileSystem().Unlink(lock), 0);
  EXPECT_EQ(RealFileSystem().Close(fd + 100), EBADF);
}

// The console handler removes a lock the tool holds open (the lock shares
// its deletion), and Windows deletes it once the handle is closed.
TEST(Win32FileSystem, AHeldLockCanBeRemoved) {
  TempDir dir;
  const std::string lock = dir.File("dev.reg.lock");
  int fd = -1;
  ASSERT_EQ(RealFileSystem().OpenExclusive(lock, 0600, &fd), 0);
  EXPECT_TRUE(DeleteNamed(lock));
  EXPECT_EQ(RealFileSystem().Close(fd), 0);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{});
}

// A file another program holds open is said to be in use, read or rewritten,
// whatever that program shares.
TEST(Win32FileSystem, AFileAnotherProgramHoldsIsSaidToBeInUse) {
  const struct {
    uint32_t share;
    int read;
    const char* failure;
  } cases[] = {{0, EBUSY, "cannot write F: "},
               {SHARE_READ, 0, "cannot write F: "},
               {SHARE_READ | SHARE_WRITE, 0, "cannot rename F.lock to F: "}};
  for (const auto& c : cases) {
    TempDir dir;
    const std::string file = dir.File("dev.reg");
    WriteBytes(file, OLD);
    std::shared_ptr<void> other = HoldOpen(file, c.share);
    ASSERT_NE(other, nullptr);
    std::vector<uint8_t> bytes;
    EXPECT_EQ(RealFileSystem().ReadAll(file, &bytes), c.read);
    std::string failure, expected = std::string(c.failure) + "another program is using it";
    for (size_t at = 0; (at = expected.find('F', at)) != std::string::npos; at += file.size())
      expected.replace(at, 1, file);
    EXPECT_NE(SaveFileSafely(RealFileSystem(), file, NEW, &failure), 0);
    EXPECT_EQ(failure, expected);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"dev.reg"});
  }
}

TEST(Win32FileSystem, NamesGoToTheSystemInUtf16) {
  TempDir dir;
  const std::string name = "r\xC3\xA9gistre \xE2\x82\xAC.reg";  // "régistre €.reg"
  std::string file = dir.File(name);
  std::string failure;
  EXPECT_EQ(SaveFileSafely(RealFileSystem(), file, NEW, &failure), 0) << failure;
  // The name on disk, asked for in UTF-16 through the C++ library.
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(dir.Path()) /
                                      std::filesystem::path(L"r\u00E9gistre \u20AC.reg")));
  std::vector<std::string> names;
  ASSERT_EQ(RealFileSystem().ListFolder(dir.Path(), &names), 0);
  EXPECT_EQ(names, std::vector<std::string>{name});
  std::vector<uint8_t> bytes;
  EXPECT_EQ(RealFileSystem().ReadAll(file, &bytes), 0);
  EXPECT_EQ(bytes, NEW);
  EXPECT_EQ(RealFileSystem().ReadAll(std::string("bad\xFF.reg"), &bytes), ENOENT);
}

// Another program saves the file, keeping its size, between the read under
// the lock and the commit: the file's times tell it apart, so nothing is
// replaced; the commit made again on the file read anew replaces it with
// exactly the new content, the longer content the lock held before emptied.
TEST(Win32FileSystem, SaveByAnotherProgramBeforeTheCommitIsNoticed) {
  TempDir dir;
  const std::string file = dir.File("dev.reg");
  WriteBytes(file, OLD);
  std::unique_ptr<FileLock> lock;
  std::string failure;
  ASSERT_EQ(FileLock::Acquire(RealFileSystem(), file, &lock, &failure), 0) << failure;
  std::vector<uint8_t> bytes;
  bool exists = false;
  ASSERT_EQ(lock->ReadTarget(&bytes, &exists, &failure), 0) << failure;
  ASSERT_EQ(bytes, OLD);
  const std::vector<uint8_t> other = {'o', 't', 'h', '\n'};
  WriteBytes(file, other);
  const std::vector<uint8_t> longer = {'l', 'o', 'n', 'g', 'e', 'r', '\n'};
  bool replaced = true;
  EXPECT_EQ(lock->Commit(longer, &OLD, &replaced, &failure), LOCK_TARGET_CHANGED) << failure;
  EXPECT_TRUE(lock->TargetChanged());
  EXPECT_FALSE(replaced);
  EXPECT_EQ(ReadBytes(file), other);
  ASSERT_EQ(lock->ReadTarget(&bytes, &exists, &failure), 0) << failure;
  EXPECT_EQ(bytes, other);
  EXPECT_EQ(lock->Commit(NEW, &other, &replaced, &failure), 0) << failure;
  EXPECT_EQ(ReadBytes(file), NEW);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"dev.reg"});
}

}  // namespace
