// quorvafix-cli as a process among the surroundings an unlucky user or an
// attacker makes: a patch that is the registry itself, special files, links
// planted in a shared folder, files of other users, hard links, extended
// attributes and ACLs, and a standard output that cannot take the report.
// Runs as root; the other user is `nobody`, through setpriv.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_job.h"
#include "cli/testing/child_process.h"
#include "platform/files/testing/installed_program.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

const std::string CLI = QUORVAFIX_CLI_PATH;
const std::string SAMPLE = std::string(QUORVAFIX_EXAMPLES_DIR) + "/quorva-driver.reg";
const std::vector<std::string> AS_NOBODY = {"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup",
                                            "--clear-groups"};
constexpr uid_t NOBODY = 65534;
constexpr gid_t NOGROUP = 65534;
constexpr char MARKED[] = "Dll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\n";
constexpr char FIXED[] = "Dll: QVBTDEV.DLL  FIXED!\n";

struct ToolRun {
  int status = -1;  // -1: killed after the time allowed
  std::string out;
  std::string err;
};

// Runs argv with its output in a second scratch folder; a run that takes
// more than ten seconds is killed and counts as a failure.
ToolRun RunTool(const std::vector<std::string>& argv) {
  TempDir logs;
  ChildProcess child;
  ToolRun run;
  if (!child.Start(argv, logs.File("out"), logs.File("err"))) return run;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!child.Ended() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (child.Ended()) child.Wait(&run.status);
  run.out = FileText(logs.File("out"));
  run.err = FileText(logs.File("err"));
  return run;
}

std::vector<std::string> Cli(const std::vector<std::string>& args, bool as_nobody = false) {
  std::vector<std::string> argv = as_nobody ? AS_NOBODY : std::vector<std::string>{};
  argv.push_back(CLI);
  argv.insert(argv.end(), args.begin(), args.end());
  return argv;
}

struct stat StatOf(const std::string& path) {
  struct stat st = {};
  ::lstat(path.c_str(), &st);
  return st;
}

std::string Attribute(const std::string& path, const char* name) {
  char value[256];
  ssize_t n = ::lgetxattr(path.c_str(), name, value, sizeof value);
  return n < 0 ? "<none>" : std::string(value, static_cast<size_t>(n));
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(PatchOntoInput, RefusedBeforeAnythingIsWritten) {
  struct Case {
    const char* what;
    std::string (*make)(const TempDir& dir);  // the patch path
  };
  const Case cases[] = {
      {"the same path", [](const TempDir& dir) { return dir.File("r.reg"); }},
      {"another path", [](const TempDir& dir) { return dir.Path() + "/./r.reg"; }},
      {"a link",
       [](const TempDir& dir) {
         ::symlink("r.reg", dir.File("link.reg").c_str());
         return dir.File("link.reg");
       }},
      {"a hard link",
       [](const TempDir& dir) {
         ::link(dir.File("r.reg").c_str(), dir.File("hard.reg").c_str());
         return dir.File("hard.reg");
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string file = dir.File("r.reg");
    WriteBytes(file, ReadBytes(SAMPLE));
    const std::string patch = c.make(dir);
    ToolRun run = RunTool(Cli({"fix", "--patch", patch, file}));
    EXPECT_EQ(run.status, EXIT_TROUBLE);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err,
              "quorvafix-cli: the patch " + patch + " is the registry " + file +
                  " itself; writing it would replace the registry, so nothing is written\n");
    EXPECT_EQ(ReadBytes(file), ReadBytes(SAMPLE));
  }
}

// Makes a special file of the given kind at path; false when it cannot.
bool MakeSpecial(const std::string& kind, const std::string& path) {
  if (kind == "FIFO") return ::mkfifo(path.c_str(), 0644) == 0;
  if (kind == "zero") return ::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 5)) == 0;
  if (kind == "null") return ::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
  if (kind == "folder") return ::mkdir(path.c_str(), 0755) == 0;
  int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  struct sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  path.copy(address.sun_path, sizeof address.sun_path - 1);
  bool made = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return made;
}

// A FIFO without a writer, an endless device, a folder, a socket: each is
// refused at once with exit 2, never read from, never waited on, and no
// lock is left beside it.
TEST(SpecialFiles, AreNeverReadNorReplaced) {
  struct Case {
    const char* kind;
    const char* reason;
  };
  const Case inputs[] = {{"FIFO", "not a regular file but a FIFO"},
                         {"zero", "not a regular file but a character device"},
                         {"socket", "not a regular file but a socket"},
                         {"folder", "Is a directory"}};
  for (const Case& c : inputs) {
    for (const char* command : {"detect", "fix"}) {
      SCOPED_TRACE(std::string(c.kind) + " " + command);
      TempDir dir;
      const std::string file = dir.File("special");
      ASSERT_TRUE(MakeSpecial(c.kind, file));
      ToolRun run = RunTool(Cli({command, file}));
      EXPECT_EQ(run.status, EXIT_TROUBLE);
      EXPECT_EQ(run.err, "quorvafix-cli: " + file + ": cannot read: " + c.reason + "\n");
      EXPECT_EQ(dir.Names(), std::vector<std::string>{"special"});
      if (std::string(c.kind) == "folder") ::rmdir(file.c_str());
    }
  }
  const Case outputs[] = {{"FIFO", "a FIFO"}, {"null", "a character device"}};
  for (const Case& c : outputs) {
    SCOPED_TRACE(std::string("patch onto ") + c.kind);
    TempDir dir;
    const std::string patch = dir.File("special");
    ASSERT_TRUE(MakeSpecial(c.kind, patch));
    WriteBytes(dir.File("r.reg"), ReadBytes(SAMPLE));
    ToolRun run = RunTool(Cli({"fix", "--patch", patch, dir.File("r.reg")}));
    EXPECT_EQ(run.status, EXIT_TROUBLE);
    EXPECT_EQ(run.err, "quorvafix-cli: " + patch + ": cannot write the patch: " + patch +
                           " is not a regular file but " + c.reason + ", so it is left as it is\n");
    EXPECT_TRUE(Contains(run.out, MARKED));
    EXPECT_FALSE(S_ISREG(StatOf(patch).st_mode));
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"r.reg", "special"}));
  }
}

// A link another user planted in a shared sticky folder (like /tmp) is never
// written through, as the patch or in place; the caller's own link there is.
TEST(PlantedLinks, InASharedStickyFolderAreNotWrittenThrough) {
  TempDir shared;
  TempDir victims;
  ASSERT_EQ(::chmod(shared.Path().c_str(), 01777), 0);
  ASSERT_EQ(::chmod(victims.Path().c_str(), 0755), 0);
  const std::string victim = victims.File("victim.reg");
  const std::string input = victims.File("in.reg");
  WriteBytes(victim, ReadBytes(SAMPLE));
  WriteBytes(input, ReadBytes(SAMPLE));
  for (const char* name : {"out.reg", "dev.reg"}) {
    ASSERT_EQ(RunTool({AS_NOBODY[0], AS_NOBODY[1], AS_NOBODY[2], AS_NOBODY[3], "/bin/ln", "-s",
                       victim, shared.File(name)})
                  .status,
              0);
  }
  const std::string refusal =
      ": refusing to follow the link " + shared.File("out.reg") +
      ": it belongs to user 65534, neither you nor the owner of the shared folder " +
      shared.Path() + " (sticky and writable by all), so it may have been planted there\n";
  ToolRun patch = RunTool(Cli({"fix", "--patch", shared.File("out.reg"), input}));
  EXPECT_EQ(patch.status, EXIT_TROUBLE);
  EXPECT_EQ(patch.err,
            "quorvafix-cli: " + shared.File("out.reg") + ": cannot write the patch" + refusal);

  ToolRun in_place = RunTool(Cli({"fix", shared.File("dev.reg")}));
  EXPECT_EQ(in_place.status, EXIT_FAULT_LEFT);
  EXPECT_TRUE(Contains(in_place.out, MARKED));
  EXPECT_TRUE(Contains(in_place.err, "refusing to follow the link " + shared.File("dev.reg")))
      << in_place.err;
  EXPECT_EQ(ReadBytes(victim), ReadBytes(SAMPLE));
  EXPECT_EQ(StatOf(victim).st_uid, 0u);

  // The caller's own link in the same folder is followed.
  ASSERT_EQ(::symlink(victim.c_str(), shared.File("mine.reg").c_str()), 0);
  ToolRun own = RunTool(Cli({"fix", shared.File("mine.reg")}));
  EXPECT_EQ(own.status, EXIT_NO_FAULT_LEFT) << own.err;
  EXPECT_EQ(RunTool(Cli({"detect", victim})).status, EXIT_NO_FAULT_LEFT);
  EXPECT_TRUE(S_ISLNK(StatOf(shared.File("mine.reg")).st_mode));
}

// Fixed by root, another user's file keeps its owner, group, mode, extended
// attributes and ACL; fixed by a user who cannot keep the owner, it loses
// its setuid and setgid bits.
TEST(Metadata, OwnerModeAttributesAndAclAreKept) {
  TempDir dir;
  const std::string file = dir.File("dev.reg");
  WriteBytes(file, ReadBytes(SAMPLE));
  ASSERT_EQ(::chown(file.c_str(), NOBODY, NOGROUP), 0);
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  ASSERT_EQ(::lsetxattr(file.c_str(), "user.origin", "handheld", 8, 0), 0);
  ASSERT_TRUE(IsInstalled("setfacl", "acl"));
  ASSERT_EQ(std::system(("setfacl -m u:daemon:r " + file).c_str()), 0);
  const std::string acl_before = Attribute(file, "system.posix_acl_access");

  ToolRun run = RunTool(Cli({"fix", file}));
  EXPECT_EQ(run.status, EXIT_NO_FAULT_LEFT) << run.err;
  EXPECT_TRUE(Contains(run.out, FIXED));
  struct stat st = StatOf(file);
  EXPECT_EQ(st.st_uid, NOBODY);
  EXPECT_EQ(st.st_gid, NOGROUP);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(Attribute(file, "user.origin"), "handheld");
  EXPECT_NE(acl_before, "<none>");
  EXPECT_EQ(Attribute(file, "system.posix_acl_access"), acl_before);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"dev.reg"});

  // A root-owned setuid and setgid file, writable by all, fixed by nobody.
  WriteBytes(file, ReadBytes(SAMPLE));
  ASSERT_EQ(::chown(file.c_str(), 0, 0), 0);
  ASSERT_EQ(::chmod(file.c_str(), 06666), 0);
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0777), 0);
  ToolRun other = RunTool(Cli({"fix", file}, true));
  EXPECT_EQ(other.status, EXIT_NO_FAULT_LEFT) << other.err;
  st = StatOf(file);
  EXPECT_EQ(st.st_uid, NOBODY);
  EXPECT_EQ(st.st_mode & 07777, 0666u);
}

// A file with a second name is not split: the repair is refused, the
// failure names the other link, and both names keep the old content.
TEST(HardLinks, RepairIsRefusedNamingTheOtherLinks) {
  TempDir dir;
  TempDir elsewhere;
  const std::string file = dir.File("dev.reg");
  WriteBytes(file, ReadBytes(SAMPLE));
  ASSERT_EQ(::link(file.c_str(), dir.File("copy.reg").c_str()), 0);
  ToolRun run = RunTool(Cli({"fix", file}));
  EXPECT_EQ(run.status, EXIT_FAULT_LEFT);
  EXPECT_TRUE(Contains(run.out, MARKED));
  EXPECT_TRUE(Contains(
      run.err,
      file + " has 2 hard links (also " + dir.File("copy.reg") +
          "); replacing it would leave them with the old content, so it is left as it is\n"))
      << run.err;

  ASSERT_EQ(::link(file.c_str(), elsewhere.File("third.reg").c_str()), 0);
  run = RunTool(Cli({"fix", file}));
  EXPECT_EQ(run.status, EXIT_FAULT_LEFT);
  EXPECT_TRUE(Contains(run.err, " has 3 hard links (also " + dir.File("copy.reg") +
                                    ", and 1 outside " + dir.Path() + ")"))
      << run.err;
  for (const std::string& name : {file, dir.File("copy.reg"), elsewhere.File("third.reg")}) {
    EXPECT_EQ(ReadBytes(name), ReadBytes(SAMPLE)) << name;
  }
  EXPECT_EQ(StatOf(file).st_nlink, 3u);
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"copy.reg", "dev.reg"}));
}

// The caller's own write permission decides, not the mode bits: a user in a
// folder it may write cannot replace a root-owned 0644 file, but may replace
// one whose ACL grants it write.
TEST(WritePermission, IsTheCallersOwn) {
  TempDir dir;
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0777), 0);
  const std::string file = dir.File("dev.reg");
  WriteBytes(file, ReadBytes(SAMPLE));
  ASSERT_EQ(::chmod(file.c_str(), 0644), 0);
  ToolRun refused = RunTool(Cli({"fix", file}, true));
  EXPECT_EQ(refused.status, EXIT_FAULT_LEFT);
  EXPECT_TRUE(Contains(refused.out, MARKED));
  EXPECT_TRUE(Contains(refused.err, "cannot write " + file + ": Permission denied\n"))
      << refused.err;
  EXPECT_EQ(ReadBytes(file), ReadBytes(SAMPLE));
  EXPECT_EQ(StatOf(file).st_uid, 0u);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"dev.reg"});

  ASSERT_TRUE(IsInstalled("setfacl", "acl"));
  ASSERT_EQ(std::system(("setfacl -m u:nobody:rw " + file).c_str()), 0);
  ToolRun granted = RunTool(Cli({"fix", file}, true));
  EXPECT_EQ(granted.status, EXIT_NO_FAULT_LEFT) << granted.err;
  EXPECT_TRUE(Contains(granted.out, FIXED));
}

// A report that cannot be written is a failure of the run, said on stderr.
TEST(StandardOutput, FailedWriteIsReported) {
  TempDir dir;
  const std::string file = dir.File("dev.reg");
  WriteBytes(file, ReadBytes(SAMPLE));
  ASSERT_EQ(::mknod(dir.File("full").c_str(), S_IFCHR | 0666, makedev(1, 7)), 0);
  ChildProcess child;
  ASSERT_TRUE(child.Start({CLI, "detect", file}, dir.File("full"), dir.File("err")));
  int status = -1;
  child.Wait(&status);
  EXPECT_EQ(status, EXIT_TROUBLE);
  EXPECT_EQ(FileText(dir.File("err")), "quorvafix-cli: write error: No space left on device\n");

  for (const std::string& args : {"detect " + file, "fix " + file, std::string("--version")}) {
    SCOPED_TRACE(args);
    ToolRun closed = RunTool({"/bin/sh", "-c", "exec " + CLI + " " + args + " >&-"});
    EXPECT_EQ(closed.status, EXIT_TROUBLE);
    EXPECT_EQ(closed.err, "quorvafix-cli: write error: Bad file descriptor\n");
  }
  // The fix above still repaired the file: only the report was lost.
  EXPECT_EQ(RunTool(Cli({"detect", file})).status, EXIT_NO_FAULT_LEFT);
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"dev.reg", "err", "full"}));
}

}  // namespace
