// quorvafix-cli fix as a process on files with setuid and setgid bits: a
// user repairing a file of a group the user is not in gets the file with the
// user's own group, no setgid bit and for the group only what others have
// (never a setgid file of a group the user chose, nor one the user's group
// may read where others may not);
// root keeps owner, group and every mode bit exactly.
// Runs as root; the other user is `nobody`, through setpriv.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "cli/cli_job.h"
#include "cli/testing/child_process.h"
#include "cli/testing/shell_script.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

const std::string CLI = QUORVAFIX_CLI_PATH;
const std::string SAMPLE = std::string(QUORVAFIX_EXAMPLES_DIR) + "/disabled-lowercase.reg";
constexpr uid_t NOBODY = 65534;
constexpr gid_t NOGROUP = 65534;

struct stat StatOf(const std::string& path) {
  struct stat st = {};
  ::lstat(path.c_str(), &st);
  return st;
}

TEST(MetadataModes, SetuidAndSetgidBitsFollowWhoCouldKeepTheOwner) {
  struct Case {
    const char* what;
    bool as_nobody;
    mode_t mode;      // of the file before
    gid_t group;      // of the file before (owner: nobody)
    mode_t new_mode;  // after the repair
    gid_t new_group;
  };
  const Case cases[] = {
      {"nobody's setgid file of root's group", true, 02660, 0, 0600, NOGROUP},
      {"nobody's file of group bin", true, 0640, 2, 0600, NOGROUP},
      {"nobody's own group kept", true, 0640, NOGROUP, 0640, NOGROUP},
      {"nobody's file of group bin that others may read", true, 0664, 2, 0644, NOGROUP},
      {"root repairing nobody's setgid file", false, 02640, 0, 02640, 0},
      {"root repairing nobody's setuid file", false, 04640, NOGROUP, 04640, NOGROUP},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0777), 0);
    const std::string file = dir.File("dev.reg");
    WriteText(file, FileText(SAMPLE));
    ASSERT_EQ(::chown(file.c_str(), NOBODY, c.group), 0);
    ASSERT_EQ(::chmod(file.c_str(), c.mode), 0);
    ASSERT_EQ(StatOf(file).st_mode & 07777, c.mode);
    const std::string as =
        c.as_nobody ? "setpriv --reuid=nobody --regid=nogroup --clear-groups " : "";
    ScriptResult fix = RunShellScript(dir.Path(), as + ShellQuoted(CLI) + " fix dev.reg");
    EXPECT_EQ(fix.status, EXIT_NO_FAULT_LEFT) << fix.err;
    const struct stat after = StatOf(file);
    EXPECT_EQ(after.st_mode & 07777, c.new_mode) << std::oct << (after.st_mode & 07777);
    EXPECT_EQ(after.st_uid, NOBODY);
    EXPECT_EQ(after.st_gid, c.new_group);
    EXPECT_NE(FileText(file).find("\"BTCEIF.DLL\""), std::string::npos);
  }
}

}  // namespace
