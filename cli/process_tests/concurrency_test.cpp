// Concurrency of quorvafix-cli fix with other writers of the same file.
// - An outside writer that edits other values between the tool's load and each
//   of its writes, without taking the lock (an editor saving the file): every
//   repair and every outside edit is in the file at the end.
// - Two fix processes on one file at once, 100 times: both exit with 0 or 1
//   (1 only for a repair refused because the other held the lock, and said
//   so), the file is always a whole registry holding every repair either
//   reported, no lock is left, and a third run completes whatever remains.
// - A writer that honours the lock, adding values while fix runs: the file
//   ends with every repair fix reported and every value the writer stored.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_job.h"
#include "cli/testing/child_process.h"
#include "cli/testing/cli_job_runner.h"
#include "cli/testing/test_registry.h"
#include "platform/registry/reg_file_store.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

const std::string CLI = QUORVAFIX_CLI_PATH;
const std::string PADDING_TEXT = "padding that makes the registry large";

// The text of string value name in key path under HKEY_LOCAL_MACHINE, or
// "<none>".
std::string StringValue(RegFileStore& store, const std::u16string& path,
                        const std::u16string& name) {
  RegKey key = 0;
  if (store.OpenKey(HKEY_LOCAL_MACHINE, path.c_str(), &key) != ERROR_SUCCESS) return "<none>";
  uint8_t data[600];
  uint32_t length = sizeof data;
  RegStatus status = store.QueryValue(key, name.c_str(), nullptr, data, &length);
  store.CloseKey(key);
  if (status != ERROR_SUCCESS) return "<none>";
  std::string text;
  for (uint32_t i = 0; i + 1 < length && data[i] != 0; i += 2) text += static_cast<char>(data[i]);
  return text;
}

// The registry text with filler value `filler` of driver key 0 edited.
std::string WithOutsideEdit(const std::string& text, int filler) {
  std::string from = "\"Filler" + std::to_string(filler) + "\"=\"" + PADDING_TEXT + "\"";
  std::string to = "\"Filler" + std::to_string(filler) + "\"=\"edited outside the tool, round " +
                   std::to_string(filler) + "\"";
  size_t at = text.find(from, text.find("[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\Bt0]"));
  return at == std::string::npos ? text : text.substr(0, at) + to + text.substr(at + from.size());
}

// The real file system, where an outside program rewrites the file (without
// the lock, as an editor saving it does) each time the tool begins a rewrite:
// after the tool's load and before its lock.
class OutsideEditor : public FileSystem {
 public:
  explicit OutsideEditor(std::string file) : file_(std::move(file)) {}
  int edits() const { return edits_; }

  int ReadLink(const std::string& path, std::string* target) override {
    if (path == file_) {
      WriteText(file_, WithOutsideEdit(FileText(file_), edits_));
      ++edits_;
    }
    return real_.ReadLink(path, target);
  }
  int OpenExclusive(const std::string& path, uint32_t mode, int* fd) override {
    return real_.OpenExclusive(path, mode, fd);
  }
  int Write(int fd, const uint8_t* data, size_t size, size_t* written) override {
    return real_.Write(fd, data, size, written);
  }
  int Fsync(int fd) override { return real_.Fsync(fd); }
  int Close(int fd) override { return real_.Close(fd); }
  int OpenWrite(const std::string& path, int* fd) override { return real_.OpenWrite(path, fd); }
  int Truncate(int fd, uint64_t size) override { return real_.Truncate(fd, size); }
  int Rename(const std::string& from, const std::string& to) override {
    return real_.Rename(from, to);
  }
  int FsyncDir(const std::string& dir) override { return real_.FsyncDir(dir); }
  int Unlink(const std::string& path) override { return real_.Unlink(path); }
  int Stat(const std::string& path, FileStatus* status) override {
    return real_.Stat(path, status);
  }
  int ReadAll(const std::string& path, std::vector<uint8_t>* bytes) override {
    return real_.ReadAll(path, bytes);
  }
  int Fstat(int fd, FileStatus* status) override { return real_.Fstat(fd, status); }
  int MayWrite(const std::string& path) override { return real_.MayWrite(path); }
  int SetMode(int fd, uint32_t mode) override { return real_.SetMode(fd, mode); }
  int SetOwner(int fd, uint32_t owner, uint32_t group) override {
    return real_.SetOwner(fd, owner, group);
  }
  int CopyAttributes(const std::string& from, int fd) override {
    return real_.CopyAttributes(from, fd);
  }
  int ListFolder(const std::string& dir, std::vector<std::string>* names) override {
    return real_.ListFolder(dir, names);
  }
  int OpenRead(const std::string& path, int* fd) override { return real_.OpenRead(path, fd); }
  int Read(int fd, uint8_t* data, size_t size, size_t* got) override {
    return real_.Read(fd, data, size, got);
  }

 private:
  FileSystem& real_ = RealFileSystem();
  std::string file_;
  int edits_ = 0;
};

// The repairs of one file reach it in one rewrite, so the editor changes the
// file once, after the load; its edit stays and every repair lands.
TEST(Concurrency, OutsideEditBetweenLoadAndTheRewriteIsKept) {
  const int drivers = 8;
  TempDir dir;
  const std::string file = dir.File("dev.reg");
  WriteText(file, FaultyRegistry(std::vector<bool>(drivers, false), drivers + 2));
  OutsideEditor editor(file);
  JobResult job = RunJob(CliCommand::Fix, file, "", &editor);
  EXPECT_EQ(job.status, EXIT_NO_FAULT_LEFT) << job.err;
  EXPECT_EQ(editor.edits(), 1);
  std::string expected = FaultyRegistry(std::vector<bool>(drivers, true), drivers + 2);
  expected = WithOutsideEdit(expected, 0);
  EXPECT_EQ(FileText(file), expected);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"dev.reg"});
}

// The driver numbers whose repair the output of a fix marks "  FIXED!".
std::vector<int> FixedIn(const std::string& out, int drivers) {
  std::vector<int> fixed;
  for (int i = 0; i < drivers; ++i) {
    size_t at = out.find("COM" + std::to_string(i) + ":\n");
    size_t end = out.find('\n', out.find('\n', at) + 1);
    if (at != std::string::npos && out.substr(at, end - at).find("  FIXED!") != std::string::npos) {
      fixed.push_back(i);
    }
  }
  return fixed;
}

TEST(Concurrency, TwoFixersOnOneFile) {
  const int drivers = 6;
  const int padding = 100;
  const int rounds = 100;
  TempDir dir;
  const std::string file = dir.File("dev.reg");
  const std::string lock = file + ".lock";
  const std::string repaired = FaultyRegistry(std::vector<bool>(drivers, true), padding);
  int collisions = 0, completed_by_third = 0;
  for (int round = 0; round < rounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    WriteText(file, FaultyRegistry(std::vector<bool>(drivers, false), padding));
    ChildProcess a, b;
    ASSERT_TRUE(a.Start({CLI, "fix", file}, dir.File("a.out"), dir.File("a.err")));
    ASSERT_TRUE(b.Start({CLI, "fix", file}, dir.File("b.out"), dir.File("b.err")));
    int status_a = -1, status_b = -1;
    ASSERT_TRUE(a.Wait(&status_a));
    ASSERT_TRUE(b.Wait(&status_b));

    const std::string text = FileText(file);
    std::vector<bool> flags = RepairedDrivers(text, drivers);
    ASSERT_EQ(flags.size(), size_t(drivers)) << "a torn file";
    ASSERT_EQ(text, FaultyRegistry(flags, padding));
    EXPECT_FALSE(Exists(lock));
    for (const char* who : {"a", "b"}) {
      for (int i : FixedIn(FileText(dir.File(std::string(who) + ".out")), drivers)) {
        EXPECT_TRUE(flags[i]) << who << " reported a repair of driver " << i
                              << " that is not on disk";
      }
      // The one failure two fixers may meet: the other one's lock.
      std::string err = FileText(dir.File(std::string(who) + ".err"));
      for (size_t at = 0; at < err.size(); at = err.find('\n', at) + 1) {
        std::string line = err.substr(at, err.find('\n', at) - at);
        EXPECT_NE(line.find(lock + " exists: another program may be writing"), std::string::npos)
            << line;
      }
    }
    EXPECT_TRUE(status_a == EXIT_NO_FAULT_LEFT || status_a == EXIT_FAULT_LEFT) << status_a;
    EXPECT_TRUE(status_b == EXIT_NO_FAULT_LEFT || status_b == EXIT_FAULT_LEFT) << status_b;
    bool all = std::count(flags.begin(), flags.end(), true) == drivers;
    if (status_a != EXIT_NO_FAULT_LEFT || status_b != EXIT_NO_FAULT_LEFT) ++collisions;
    // With every repair on disk, at least one of them saw its last repair
    // succeed or found nothing left; a driver still faulty was refused to both.
    if (!all) {
      EXPECT_TRUE(status_a == EXIT_FAULT_LEFT && status_b == EXIT_FAULT_LEFT);
      ++completed_by_third;
    }

    ChildProcess third;
    ASSERT_TRUE(third.Start({CLI, "fix", file}, dir.File("c.out"), dir.File("c.err")));
    int status = -1;
    ASSERT_TRUE(third.Wait(&status));
    EXPECT_EQ(status, EXIT_NO_FAULT_LEFT) << FileText(dir.File("c.err"));
    EXPECT_EQ(FileText(file), repaired);
  }
  std::printf(
      "two fixers: %d rounds, %d with a repair refused for the lock, %d completed by a "
      "third run\n",
      rounds, collisions, completed_by_third);
}

TEST(Concurrency, WriterHonouringTheLockWhileFixRuns) {
  const int drivers = 20;
  const int padding = 100;
  const int rounds = 10;
  TempDir dir;
  const std::string file = dir.File("dev.reg");
  int stored_in_all = 0, refused_fixes = 0;
  for (int round = 0; round < rounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    WriteText(file, FaultyRegistry(std::vector<bool>(drivers, false), padding));
    std::string error;
    std::unique_ptr<RegFileStore> store = RegFileStore::Load(file, &error);
    ASSERT_NE(store, nullptr) << error;
    RegKey key = 0;
    ASSERT_EQ(store->OpenKey(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\Bt0", &key), ERROR_SUCCESS);

    ChildProcess fix;
    ASSERT_TRUE(fix.Start({CLI, "fix", file}, dir.File("out"), dir.File("err")));
    // Each time a repair lands, one edit of another value follows, so that
    // fix's next write comes after a change it did not load.
    std::vector<std::string> stored;
    size_t seen = 0;
    while (!fix.Ended()) {
      std::vector<bool> flags = RepairedDrivers(FileText(file), drivers);
      size_t repaired = static_cast<size_t>(std::count(flags.begin(), flags.end(), true));
      if (repaired <= seen) {
        std::this_thread::sleep_for(std::chrono::microseconds(300));
        continue;
      }
      seen = repaired;
      std::string name = "Outside" + std::to_string(stored.size());
      std::vector<uint8_t> data = Utf16z(WideAscii("edit " + std::to_string(stored.size())));
      RegStatus status;
      while ((status = store->SetValue(key, WideAscii(name).c_str(), REG_SZ, data.data(),
                                       static_cast<uint32_t>(data.size()))) ==
             ERROR_SHARING_VIOLATION) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
      ASSERT_EQ(status, ERROR_SUCCESS) << store->LastFailure();
      stored.push_back(name);
    }
    store->CloseKey(key);
    int status = -1;
    ASSERT_TRUE(fix.Wait(&status));
    EXPECT_TRUE(status == EXIT_NO_FAULT_LEFT || status == EXIT_FAULT_LEFT) << status;
    stored_in_all += static_cast<int>(stored.size());

    std::unique_ptr<RegFileStore> after = RegFileStore::Load(file, &error);
    ASSERT_NE(after, nullptr) << error;
    for (int i : FixedIn(FileText(dir.File("out")), drivers)) {
      EXPECT_EQ(StringValue(*after, WideAscii("Drivers\\BuiltIn\\Bt" + std::to_string(i)), u"Dll"),
                "BTCEIF.DLL")
          << "driver " << i;
    }
    const std::string err = FileText(dir.File("err"));
    refused_fixes += static_cast<int>(std::count(err.begin(), err.end(), '\n'));
    for (size_t n = 0; n < stored.size(); ++n) {
      EXPECT_EQ(StringValue(*after, u"Drivers\\BuiltIn\\Bt0", WideAscii(stored[n])),
                "edit " + std::to_string(n));
    }
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"dev.reg", "err", "out"}));

    // A run on its own repairs whatever the writer's lock made fix leave.
    ChildProcess again;
    ASSERT_TRUE(again.Start({CLI, "fix", file}, dir.File("out"), dir.File("err")));
    ASSERT_TRUE(again.Wait(&status));
    EXPECT_EQ(status, EXIT_NO_FAULT_LEFT);
    after = RegFileStore::Load(file, &error);
    ASSERT_NE(after, nullptr) << error;
    for (int i = 0; i < drivers; ++i) {
      EXPECT_EQ(StringValue(*after, WideAscii("Drivers\\BuiltIn\\Bt" + std::to_string(i)), u"Dll"),
                "BTCEIF.DLL");
    }
    for (size_t n = 0; n < stored.size(); ++n) {
      EXPECT_EQ(StringValue(*after, u"Drivers\\BuiltIn\\Bt0", WideAscii(stored[n])),
                "edit " + std::to_string(n));
    }
  }
  std::printf(
      "writer honouring the lock: %d values stored between the repairs of %d fix runs, %d repairs "
      "refused for its lock and made by a second run\n",
      stored_in_all, rounds, refused_fixes);
}

}  // namespace
