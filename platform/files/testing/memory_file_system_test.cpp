#include "platform/files/testing/memory_file_system.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/files/lock_file.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

TEST(MemoryFileSystem, FilesBehaveAsOnDisk) {
  MemoryFileSystem fs;
  int fd = -1;
  ASSERT_EQ(fs.OpenExclusive("/a.lock", 0666, &fd), 0);
  int again = -1;
  EXPECT_EQ(fs.OpenExclusive("/a.lock", 0600, &again), EEXIST);
  size_t written = 0;
  const std::vector<uint8_t> data = Bytes("REGEDIT4\n");
  ASSERT_EQ(fs.Write(fd, data.data(), data.size(), &written), 0);
  EXPECT_EQ(written, data.size());
  EXPECT_EQ(fs.SetMode(fd, 0600), 0);
  EXPECT_EQ(fs.Fsync(fd), 0);
  EXPECT_EQ(fs.Close(fd), 0);
  EXPECT_EQ(fs.Close(fd), EBADF);
  EXPECT_EQ(fs.Rename("/a.lock", "/a.reg"), 0);
  EXPECT_EQ(fs.Bytes("/a.reg"), data);
  FileStatus status;
  ASSERT_EQ(fs.Stat("/a.reg", &status), 0);
  EXPECT_EQ(status.mode, 0600u);
  EXPECT_EQ(status.size, data.size());
  EXPECT_EQ(fs.Stat("/a.lock", &status), ENOENT);
  std::string target;
  EXPECT_EQ(fs.ReadLink("/a.reg", &target), EINVAL);
  EXPECT_EQ(fs.ReadLink("/none", &target), ENOENT);
  std::vector<uint8_t> read;
  EXPECT_EQ(fs.ReadAll("/none", &read), ENOENT);
  EXPECT_EQ(fs.Unlink("/a.reg"), 0);
  EXPECT_EQ(fs.Unlink("/a.reg"), ENOENT);
  EXPECT_EQ(fs.OpenCount(), 0u);
}

TEST(MemoryFileSystem, ReadsGiveAtMostTheStep) {
  MemoryFileSystem fs;
  fs.Files()["/f"] = Bytes("abcdefg");
  fs.SetReadStep(3);
  int fd = -1;
  ASSERT_EQ(fs.OpenRead("/f", &fd), 0);
  uint8_t buffer[16];
  std::string got;
  size_t n = 0;
  do {
    ASSERT_EQ(fs.Read(fd, buffer, sizeof buffer, &n), 0);
    EXPECT_LE(n, 3u);
    got.append(buffer, buffer + n);
  } while (n != 0);
  EXPECT_EQ(got, "abcdefg");
  size_t written = 0;
  EXPECT_EQ(fs.Write(fd, buffer, 1, &written), EBADF) << "a descriptor for reading";
  EXPECT_EQ(fs.Close(fd), 0);
  EXPECT_EQ(fs.OpenRead("/none", &fd), ENOENT);
}

TEST(MemoryFileSystem, WritesStoreAtMostTheStep) {
  MemoryFileSystem fs;
  fs.SetWriteStep(2);
  int fd = -1;
  ASSERT_EQ(fs.OpenExclusive("/f", 0600, &fd), 0);
  const std::vector<uint8_t> data = Bytes("abcde");
  size_t written = 99;
  ASSERT_EQ(fs.Write(fd, data.data(), data.size(), &written), 0);
  EXPECT_EQ(written, 2u);
  ASSERT_EQ(fs.Write(fd, data.data() + 2, 1, &written), 0);
  EXPECT_EQ(written, 1u);
  EXPECT_EQ(fs.Bytes("/f"), Bytes("abc"));
  EXPECT_EQ(fs.Close(fd), 0);
}

// A full disk takes what fits, then refuses with ENOSPC, as write(2) does.
TEST(MemoryFileSystem, CapacityMakesWritesShortThenFail) {
  MemoryFileSystem fs;
  fs.Files()["/old"] = Bytes("0123456789");
  fs.SetCapacity(14);
  int fd = -1;
  ASSERT_EQ(fs.OpenExclusive("/new", 0666, &fd), 0);
  const std::vector<uint8_t> data = Bytes("abcdef");
  size_t written = 0;
  ASSERT_EQ(fs.Write(fd, data.data(), data.size(), &written), 0);
  EXPECT_EQ(written, 4u);
  EXPECT_EQ(fs.Write(fd, data.data() + 4, 2, &written), ENOSPC);
  EXPECT_EQ(fs.Bytes("/new"), Bytes("abcd"));
}

// Rewriting a file on a full disk: the lock-file protocol leaves the file as
// it was and no lock behind, whichever write runs out of room.
TEST(MemoryFileSystem, FullDiskLeavesTheRewrittenFileAsItWas) {
  const std::vector<uint8_t> old_bytes = Bytes("REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n");
  const std::vector<uint8_t> new_bytes(4000, 'x');
  for (size_t room : {size_t(0), size_t(1), size_t(100), size_t(3999)}) {
    MemoryFileSystem fs;
    fs.Files()["/dev.reg"] = old_bytes;
    fs.SetCapacity(old_bytes.size() + room);
    std::string failure;
    EXPECT_EQ(SaveFileSafely(fs, "/dev.reg", new_bytes, &failure), ENOSPC) << room;
    EXPECT_EQ(failure, "cannot write /dev.reg.lock: No space left on device") << room;
    EXPECT_EQ(fs.Bytes("/dev.reg"), old_bytes) << room;
    EXPECT_EQ(fs.Files().size(), 1u) << room;
    EXPECT_EQ(fs.OpenCount(), 0u) << room;
  }
}

}  // namespace
