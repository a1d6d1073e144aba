// quorvafix-cli fix as a process on file systems that keep less than a disk
// or refuse what it does: a FAT memory card image mounted through FUSE (no
// owners, no extended attributes), where the repair goes on, and a folder
// marked append-only (chattr +a), where the rename and the removal of the
// lock are refused and the message names the leftover lock with what to do.
// Runs as root, in its own temporary folders.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cli/cli_job.h"
#include "cli/testing/child_process.h"
#include "cli/testing/shell_script.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

const std::string CLI = QUORVAFIX_CLI_PATH;
const std::string SAMPLE = std::string(QUORVAFIX_EXAMPLES_DIR) + "/quorva-driver.reg";
// A REGEDIT4 export whose repair is one visible edit of its text.
const std::string NARROW_SAMPLE = std::string(QUORVAFIX_EXAMPLES_DIR) + "/disabled-lowercase.reg";

// Fails the test naming the Debian package when program is missing.
bool Have(const std::string& program, const std::string& package) {
  for (const char* folder : {"/usr/bin/", "/usr/sbin/", "/bin/", "/sbin/"}) {
    if (access((folder + program).c_str(), X_OK) == 0) return true;
  }
  ADD_FAILURE() << program << " is missing: install the Debian package " << package;
  return false;
}

// The names in folder, sorted, "." and ".." left out.
std::vector<std::string> NamesIn(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(folder.c_str())) {
    while (struct dirent* entry = ::readdir(d)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  return text.replace(text.find(from), from.size(), to);
}

TEST(FileSystemKinds, ExportOnAFatCardThroughFuseIsRepaired) {
  if (access("/dev/fuse", R_OK | W_OK) != 0) GTEST_SKIP() << "/dev/fuse is absent: no FUSE here";
  if (!Have("fusefat", "fusefat") || !Have("mkfs.fat", "dosfstools")) return;
  TempDir dir;
  ScriptResult mounted =
      RunShellScript(dir.Path(),
                     "truncate -s 4M card.img && mkfs.fat card.img >/dev/null && mkdir card && "
                     "fusefat -o rw+ card.img card >/dev/null 2>&1 && cp " +
                         ShellQuoted(NARROW_SAMPLE) + " card/dev.reg");
  ASSERT_EQ(mounted.status, 0) << mounted.err;
  const std::string card = dir.File("card");
  ScriptResult fix = RunShellScript(dir.Path(), ShellQuoted(CLI) + " fix card/dev.reg");
  const std::string on_card = FileText(card + "/dev.reg");
  const std::vector<std::string> names = NamesIn(card);
  ::umount2(card.c_str(), MNT_DETACH);
  EXPECT_EQ(fix.status, EXIT_NO_FAULT_LEFT) << fix.err;
  EXPECT_EQ(fix.err, "");
  EXPECT_NE(fix.out.find("Dll: ---BTCEIF.DLL  FIXED!"), std::string::npos) << fix.out;
  EXPECT_EQ(on_card, Replaced(FileText(NARROW_SAMPLE), "\"---btceif.dll\"", "\"BTCEIF.DLL\""));
  EXPECT_EQ(names, std::vector<std::string>{"dev.reg"});
}

TEST(FileSystemKinds, AppendOnlyFolderNamesTheLeftoverLock) {
  if (!Have("chattr", "e2fsprogs")) return;
  TempDir dir;
  const std::string folder = dir.File("export");
  const std::string file = folder + "/dev.reg";
  ASSERT_EQ(RunShellScript(dir.Path(), "mkdir export").status, 0);
  WriteText(file, FileText(SAMPLE));
  ScriptResult marked = RunShellScript(dir.Path(), "chattr +a export");
  if (marked.status != 0) GTEST_SKIP() << "chattr +a is refused here: " << marked.err;
  ScriptResult fix = RunShellScript(dir.Path(), ShellQuoted(CLI) + " fix export/dev.reg");
  const std::vector<std::string> names = NamesIn(folder);
  // The test's own clean-up, whatever the tool did.
  RunShellScript(dir.Path(), "chattr -a export && rm -f export/dev.reg.lock");
  EXPECT_EQ(fix.status, EXIT_FAULT_LEFT) << fix.err;
  EXPECT_NE(fix.out.find("Dll: QVBTDEV.DLL <<<< BUG DETECTED HERE!"), std::string::npos) << fix.out;
  EXPECT_NE(fix.err.find("cannot rename export/dev.reg.lock to export/dev.reg: Operation not "
                         "permitted; the lock export/dev.reg.lock could not be removed "
                         "(Operation not permitted) and blocks every later repair of "
                         "export/dev.reg: remove it by hand once its folder allows it (the "
                         "folder may be append-only or immutable: lsattr -d export)"),
            std::string::npos)
      << fix.err;
  EXPECT_EQ(FileText(file), FileText(SAMPLE));
  EXPECT_EQ(names, (std::vector<std::string>{"dev.reg", "dev.reg.lock"}));
}

}  // namespace
