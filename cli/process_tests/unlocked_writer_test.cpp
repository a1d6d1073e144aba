// quorvafix-cli fix as a process held between its write and its rename:
// strace holds each fsync of the tool back while something else happens.
// - A program saves the export without taking FILE.lock (an editor or a sync
//   client: write a temporary file, rename it over) after the tool read the
//   file under the lock. The save is never lost: an unrelated change is kept
//   beside the repair, a change of the very Dll being repaired is kept and
//   the driver reported still faulty. So on file systems whose times cannot
//   tell a save in place: ext4 with 128-byte inodes (one-second stamps) and a
//   FAT card image through FUSE (a write changes no time at all).
// - FILE.lock stops being the tool's own lock (a user removed it and another
//   writer took it, or the folder was moved away or replaced): nothing is
//   replaced, what is at FILE.lock is left alone (by a SIGINT too), and the
//   message says so and where the tool's own lock went.
// - The export replaced meanwhile by a FIFO, a link to a device or a socket:
//   named as what it is and left as it is.
// - A hang-up reaches a tool started under nohup: it is ignored and the
//   repair completes.
#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "cli/cli_job.h"
#include "cli/testing/child_process.h"
#include "cli/testing/shell_script.h"
#include "platform/files/file_system.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

const std::string CLI = QUORVAFIX_CLI_PATH;
const std::string EXAMPLES = QUORVAFIX_EXAMPLES_DIR;

// How long strace holds each fsync of the tool back.
constexpr int FSYNC_DELAY_US = 1500000;

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  return text.replace(text.find(from), from.size(), to);
}

// The path of strace; fails the test naming the Debian package without it.
std::string Strace() {
  const std::string path = StracePath();
  if (path.empty()) ADD_FAILURE() << "strace is missing: install the Debian package strace";
  return path;
}

// Saves text to path the way editors do: a temporary file renamed over it.
void SaveAsAnEditorDoes(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".editor-tmp";
  WriteText(temporary, text);
  ASSERT_EQ(std::rename(temporary.c_str(), path.c_str()), 0);
}

// Rewrites path in place with text of the same size: the same file, the
// same size, only its times tell.
void RewriteInPlace(const std::string& path, const std::string& text) {
  std::FILE* file = std::fopen(path.c_str(), "r+b");
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(std::fwrite(text.data(), 1, text.size(), file), text.size());
  ASSERT_EQ(std::fclose(file), 0);
}

// The argument lists strace is given to hold each fsync of `fix FILE` back.
std::vector<std::string> HeldFix(const std::string& strace, const std::string& file) {
  return {strace,        "-f",        "-qq",
          "-o",          "/dev/null", "-e",
          "trace=fsync", "-e",        "inject=fsync:delay_enter=" + std::to_string(FSYNC_DELAY_US),
          CLI,           "fix",       file};
}

// The id of the process whose command line is exactly CLI fix file; 0 when
// there is none.
pid_t ToolProcess(const std::string& file) {
  const std::string wanted = CLI + '\0' + "fix" + '\0' + file + '\0';
  DIR* proc = ::opendir("/proc");
  pid_t found = 0;
  while (struct dirent* entry = proc != nullptr ? ::readdir(proc) : nullptr) {
    const pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
    if (pid > 0 && FileText("/proc/" + std::string(entry->d_name) + "/cmdline") == wanted) {
      found = pid;
    }
  }
  if (proc != nullptr) ::closedir(proc);
  return found;
}

// Waits until the tool working on file is held in a fsync: the first one is
// the lock's, once the tool read the file under the lock, wrote the lock and
// gave it the file's owner, mode and attributes.
bool WaitForHeldFsync(const std::string& file) {
  const std::string in_fsync = std::to_string(SYS_fsync) + " ";
  for (int i = 0; i < 1000; ++i) {
    const pid_t pid = ToolProcess(file);
    if (pid != 0 && FileText("/proc/" + std::to_string(pid) + "/syscall").rfind(in_fsync, 0) == 0) {
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

// Where the export lies: in the test's folder, or on a file system image
// mounted there whose times cannot tell a save in place.
enum class Where { Folder, OneSecondStamps, FatCard };

// The file system of where, made and mounted as card/ in dir (for Folder,
// dir itself); unmounted when done. Folder() empty, the test failed saying
// why, when it cannot be mounted.
class ExportFolder {
 public:
  ExportFolder(const TempDir& dir, Where where) : folder_(dir.Path()) {
    if (where == Where::Folder) return;
    const std::string script =
        where == Where::OneSecondStamps
            ? "truncate -s 8M disk.img && mke2fs -q -t ext4 -I 128 disk.img 2>/dev/null && "
              "mkdir card && mount -o loop disk.img card"
            : "truncate -s 4M card.img && mkfs.fat card.img >/dev/null && mkdir card && "
              "fusefat -o rw+ card.img card >/dev/null 2>&1";
    const ScriptResult mount = RunShellScript(dir.Path(), script);
    mounted_ = mount.status == 0;
    folder_ = mounted_ ? dir.File("card") : "";
    EXPECT_TRUE(mounted_) << "cannot mount the image: " << mount.err;
  }
  ~ExportFolder() {
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
  }
  const std::string& Folder() const { return folder_; }

 private:
  bool mounted_ = false;
  std::string folder_;
};

// Sleeps to 50 ms past the start of the next second: past the few
// milliseconds by which the coarse clock of file times lags.
void SleepToNextSecond() {
  timespec now = {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  std::this_thread::sleep_for(std::chrono::nanoseconds(1000000000L - now.tv_nsec + 50000000L));
}

TEST(UnlockedWriter, SaveBetweenTheReadUnderTheLockAndTheRenameIsNeverLost) {
  struct Case {
    const char* what;
    std::string from, to;  // the editor's change
    int status;
    bool repaired;
    bool in_place;  // written into the same file rather than renamed over it
    Where where = Where::Folder;
  };
  const Case cases[] = {
      {"another value", "\"Owner\"=\"Mar", "\"Owner\"=\"Ana Mar", EXIT_NO_FAULT_LEFT, true, false},
      {"the Dll itself", "\"---btceif.dll\"", "\"MYBTDRV.DLL\"", EXIT_FAULT_LEFT, false, false},
      {"another value, in place", "\"Owner\"=\"Mar", "\"Owner\"=\"Mxr", EXIT_NO_FAULT_LEFT, true,
       true},
      // The save lands in the second of the file's last change: no time,
      // size or inode tells it.
      {"in place, one-second stamps", "\"Owner\"=\"Mar", "\"Owner\"=\"Mxr", EXIT_NO_FAULT_LEFT,
       true, true, Where::OneSecondStamps},
      {"the Dll in place, one-second stamps", "\"---btceif.dll\"", "\"MYBTDRVIF.DLL\"",
       EXIT_FAULT_LEFT, false, true, Where::OneSecondStamps},
      // A write on FAT through FUSE changes no time; the repair is planned
      // again on the save and its lock written afresh.
      {"in place, FAT card", "\"Owner\"=\"Mar", "\"Owner\"=\"Mxr", EXIT_NO_FAULT_LEFT, true, true,
       Where::FatCard},
  };
  const std::string strace = Strace();
  ASSERT_FALSE(strace.empty());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    ExportFolder folder(dir, c.where);
    ASSERT_FALSE(folder.Folder().empty());
    const std::string file = folder.Folder() + "/dev.reg";
    const std::string original = FileText(EXAMPLES + "/disabled-lowercase.reg");
    const std::string saved = Replaced(original, c.from, c.to);
    std::unique_ptr<ChildProcess> tool;
    // One-second stamps show a save a second later: the file is written,
    // read and saved again within one second, tried until it is.
    bool unseen = false;
    for (int attempt = 0; attempt < 5 && !unseen; ++attempt) {
      if (c.where == Where::OneSecondStamps) SleepToNextSecond();
      WriteText(file, original);
      FileStatus written, now;
      ASSERT_EQ(StatFollowingLinks(file, &written), 0);
      tool = std::make_unique<ChildProcess>();
      ASSERT_TRUE(tool->Start(HeldFix(strace, file), dir.File("out"), dir.File("err")));
      ASSERT_TRUE(WaitForHeldFsync(file));
      if (c.in_place) {
        RewriteInPlace(file, saved);
      } else {
        SaveAsAnEditorDoes(file, saved);
      }
      unseen = c.where == Where::Folder ||
               (StatFollowingLinks(file, &now) == 0 && SameFileState(written, now));
      int ended = -1;
      ASSERT_TRUE(unseen || tool->Wait(&ended));
    }
    ASSERT_TRUE(unseen) << "the save never fell within the second of the write";
    int status = -1;
    ASSERT_TRUE(tool->Wait(&status));
    const std::string out = FileText(dir.File("out"));
    const std::string err = FileText(dir.File("err"));
    EXPECT_EQ(status, c.status) << err;
    if (c.repaired) {
      EXPECT_EQ(FileText(file), Replaced(saved, "\"---btceif.dll\"", "\"BTCEIF.DLL\"")) << err;
      EXPECT_NE(out.find("Dll: ---BTCEIF.DLL  FIXED!"), std::string::npos) << out;
      EXPECT_EQ(err, "");
    } else {
      EXPECT_EQ(FileText(file), saved);
      EXPECT_NE(out.find("Dll: ---BTCEIF.DLL <<<< BUG DETECTED HERE!"), std::string::npos) << out;
      EXPECT_EQ(out.find("FIXED"), std::string::npos) << out;
      EXPECT_NE(err.find("cannot store value \"Dll\" in "
                         "HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\BtSerialB: it changed on disk "
                         "since it was read"),
                std::string::npos)
          << err;
    }
    EXPECT_NE(::access((file + ".lock").c_str(), F_OK), 0) << "a lock is left";
    if (c.where == Where::Folder) {
      EXPECT_EQ(dir.Names(), (std::vector<std::string>{"dev.reg", "err", "out"}));
    }
  }
}

// Puts a FIFO, a link to /dev/zero or a bound socket at path (made beside it
// and renamed over it, so that path is never missing); false when it cannot.
bool PutSpecial(const std::string& kind, const std::string& path) {
  const std::string made = path + ".special";
  bool done = false;
  if (kind == "FIFO") {
    done = ::mkfifo(made.c_str(), 0644) == 0;
  } else if (kind == "link") {
    done = ::symlink("/dev/zero", made.c_str()) == 0;
  } else {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    struct sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    made.copy(address.sun_path, sizeof address.sun_path - 1);
    done = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
  }
  return done && std::rename(made.c_str(), path.c_str()) == 0;
}

// Something else in the place of the lock or of the export while the tool is
// held before its rename: nothing is renamed or removed, and it is named.
TEST(UnlockedWriter, SomethingElseInPlaceIsNeitherRenamedNorRemoved) {
  struct Case {
    std::string what;        // "lock", "moved", "replaced" (the folder), or a PutSpecial kind
    std::string named;       // what a special file is called
    bool interrupt = false;  // the tool is then ended by SIGINT
  };
  const Case cases[] = {{"lock", ""},          {"lock", "", true}, {"moved", ""},
                        {"replaced", ""},      {"FIFO", "a FIFO"}, {"link", "a symbolic link"},
                        {"socket", "a socket"}};
  const std::string strace = Strace();
  ASSERT_FALSE(strace.empty());
  const std::string original = FileText(EXAMPLES + "/disabled-lowercase.reg");
  const std::string others_lock = "another writer's half-written lock";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.File("export").c_str(), 0755), 0);
    const std::string file = dir.File("export/dev.reg");
    const std::string lock = file + ".lock";
    WriteText(file, original);
    ChildProcess tool;
    ASSERT_TRUE(tool.Start(HeldFix(strace, file), dir.File("out"), dir.File("err")));
    ASSERT_TRUE(WaitForHeldFsync(file));
    // The tool's lock, where the folder went.
    std::string said =
        "; the lock it created is now " + dir.File("moved/dev.reg.lock") + ": remove it";
    if (c.what == "lock") {
      ASSERT_EQ(::unlink(lock.c_str()), 0);
      WriteText(lock, others_lock);
      said = "";
    } else if (c.what == "moved" || c.what == "replaced") {
      ASSERT_EQ(std::rename(dir.File("export").c_str(), dir.File("moved").c_str()), 0);
    } else {
      ASSERT_TRUE(PutSpecial(c.what, file));
    }
    if (c.what == "replaced") {
      ASSERT_EQ(::mkdir(dir.File("export").c_str(), 0755), 0);
      WriteText(file, original);
    }
    said = c.named.empty()
               ? lock + " is no longer the lock this run created (it was removed or " +
                     "replaced, or " + dir.File("export") + " was moved or " + "replaced), so " +
                     file + " was not replaced and " + lock + " is left as it is" + said
               : file + " is not a regular file but " + c.named + ", so it is left as it is";
    int status = -1;
    if (c.interrupt) {
      ASSERT_EQ(::kill(ToolProcess(file), SIGINT), 0);
      EXPECT_FALSE(tool.Wait(&status));
      EXPECT_EQ(tool.TermSignal(), SIGINT);
    } else {
      ASSERT_TRUE(tool.Wait(&status));
      EXPECT_EQ(status, EXIT_FAULT_LEFT);
      EXPECT_EQ(FileText(dir.File("err")),
                "quorvafix-cli: " + file + ": cannot repair Drivers\\BuiltIn\\BtSerialB\\Dll: " +
                    file + ": cannot store value \"Dll\" in " +
                    "HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\BtSerialB: " + said + "\n");
      EXPECT_EQ(FileText(dir.File("out")).find("FIXED"), std::string::npos);
    }
    // What took the place stays; the file moved away is as it was.
    struct stat st = {};
    EXPECT_EQ(::lstat(file.c_str(), &st), c.what == "moved" ? -1 : 0);
    EXPECT_EQ(S_ISREG(st.st_mode), c.named.empty() && c.what != "moved");
    if (c.what == "lock") {
      EXPECT_EQ(FileText(lock), others_lock);
    }
    if (c.what == "moved" || c.what == "replaced") {
      EXPECT_EQ(FileText(dir.File("moved/dev.reg")), original);
    }
    if (c.what == "lock" || c.what == "replaced") {
      EXPECT_EQ(FileText(file), original);
    }
  }
}

TEST(HangUp, UnderNohupIsIgnoredAndTheRepairCompletes) {
  const std::string strace = Strace();
  ASSERT_FALSE(strace.empty());
  TempDir dir;
  const std::string file = dir.File("dev.reg");
  const std::string original = FileText(EXAMPLES + "/disabled-lowercase.reg");
  WriteText(file, original);
  std::vector<std::string> argv = HeldFix(strace, file);
  argv.insert(argv.begin(), "/usr/bin/nohup");
  ChildProcess tool;
  ASSERT_TRUE(tool.Start(argv, dir.File("out"), dir.File("err")));
  ASSERT_TRUE(WaitForHeldFsync(file));
  const pid_t pid = ToolProcess(file);
  ASSERT_NE(pid, 0);
  ASSERT_EQ(::kill(pid, SIGHUP), 0);
  int status = -1;
  ASSERT_TRUE(tool.Wait(&status));
  EXPECT_EQ(status, EXIT_NO_FAULT_LEFT) << FileText(dir.File("err"));
  EXPECT_EQ(FileText(file), Replaced(original, "\"---btceif.dll\"", "\"BTCEIF.DLL\""));
  EXPECT_NE(FileText(dir.File("out")).find("Dll: ---BTCEIF.DLL  FIXED!"), std::string::npos);
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"dev.reg", "err", "out"}));
}

}  // namespace
