// quorvafix-cli fix as a process where links lie anywhere in the path: a
// folder link another user planted in a shared sticky folder is never
// followed (whatever the system's fs.protected_symlinks: the tests set it to
// 0, so that only the tool's own rule stands, and put the old value back), a
// path that reaches a sticky folder through a link to it is checked there
// too, and a chain of 40 links is followed where one of 41 is refused. Runs as
// root; the other user is `nobody`.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "cli/cli_job.h"
#include "cli/testing/child_process.h"
#include "cli/testing/shell_script.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

const std::string CLI = QUORVAFIX_CLI_PATH;
const std::string SAMPLE = std::string(QUORVAFIX_EXAMPLES_DIR) + "/quorva-driver.reg";
constexpr uid_t NOBODY = 65534;
constexpr char SETTING[] = "/proc/sys/fs/protected_symlinks";

// fs.protected_symlinks set to 0 for the object's life, then its old value.
class KernelLinkRuleOff {
 public:
  KernelLinkRuleOff() : old_(FileText(SETTING)) { WriteText(SETTING, "0\n"); }
  ~KernelLinkRuleOff() {
    if (!old_.empty()) WriteText(SETTING, old_);
  }
  bool Off() const { return !old_.empty() && FileText(SETTING) == "0\n"; }

 private:
  std::string old_;
};

// A link at path to target, owned by owner.
void Plant(const std::string& target, const std::string& path, uid_t owner) {
  ASSERT_EQ(::symlink(target.c_str(), path.c_str()), 0) << path;
  ASSERT_EQ(::lchown(path.c_str(), owner, static_cast<gid_t>(-1)), 0) << path;
}

ScriptResult Tool(const std::string& dir, const std::string& args) {
  return RunShellScript(dir, ShellQuoted(CLI) + " " + args);
}

// A folder shared by all (01777, root's) in dir, and in it a link "dl"
// nobody planted to dir/secret, a folder only root may enter.
TEST(LinkWalk, FolderLinkPlantedInAStickyFolderIsNeverFollowed) {
  KernelLinkRuleOff rule;
  ASSERT_TRUE(rule.Off());
  TempDir dir;
  ASSERT_EQ(RunShellScript(dir.Path(), "mkdir -m 1777 shared && mkdir -m 700 secret").status, 0);
  WriteBytes(dir.File("secret/dev.reg"), ReadBytes(SAMPLE));
  WriteBytes(dir.File("in.reg"), ReadBytes(SAMPLE));
  Plant(dir.File("secret"), dir.File("shared/dl"), NOBODY);
  const std::string refusal = "refusing to follow the link " + dir.File("shared/dl") +
                              ": it belongs to user 65534, neither you nor the owner of the "
                              "shared folder " +
                              dir.File("shared") + " (sticky and writable by all)";

  ScriptResult patch = Tool(dir.Path(), "fix --patch " + dir.File("shared/dl/p.reg") + " in.reg");
  EXPECT_EQ(patch.status, EXIT_TROUBLE) << patch.err;
  EXPECT_NE(patch.err.find(refusal), std::string::npos) << patch.err;
  EXPECT_FALSE(Exists(dir.File("secret/p.reg")));

  ScriptResult in_place = Tool(dir.Path(), "fix " + dir.File("shared/dl/dev.reg"));
  EXPECT_EQ(in_place.status, EXIT_FAULT_LEFT) << in_place.err;
  EXPECT_NE(in_place.err.find(refusal), std::string::npos) << in_place.err;
  EXPECT_EQ(ReadBytes(dir.File("secret/dev.reg")), ReadBytes(SAMPLE));
}

// home/shared -> a sticky folder (as ~/shared -> /tmp), where nobody planted
// dev.reg -> victim.reg: the planted link is judged in the folder it lies in.
TEST(LinkWalk, StickyFolderReachedThroughALinkKeepsItsRule) {
  KernelLinkRuleOff rule;
  ASSERT_TRUE(rule.Off());
  TempDir dir;
  ASSERT_EQ(RunShellScript(dir.Path(), "mkdir -m 1777 sticky && mkdir home").status, 0);
  WriteBytes(dir.File("victim.reg"), ReadBytes(SAMPLE));
  Plant(dir.File("sticky"), dir.File("home/shared"), 0);
  Plant(dir.File("victim.reg"), dir.File("sticky/dev.reg"), NOBODY);
  ScriptResult fix = Tool(dir.Path(), "fix home/shared/dev.reg");
  EXPECT_EQ(fix.status, EXIT_FAULT_LEFT) << fix.err;
  EXPECT_NE(fix.err.find("refusing to follow the link " + dir.File("sticky/dev.reg")),
            std::string::npos)
      << fix.err;
  EXPECT_EQ(ReadBytes(dir.File("victim.reg")), ReadBytes(SAMPLE));
}

// l1 -> l2 -> ... -> lN -> out.reg as the patch: 40 links are followed, as
// the kernel follows them; a 41st is refused and nothing is written.
TEST(LinkWalk, FortyLinksAreFollowedAndFortyOneRefused) {
  for (int count : {40, 41}) {
    SCOPED_TRACE(std::to_string(count) + " links");
    TempDir dir;
    WriteBytes(dir.File("in.reg"), ReadBytes(SAMPLE));
    for (int i = 1; i <= count; ++i) {
      const std::string next = i == count ? "out.reg" : "l" + std::to_string(i + 1);
      ASSERT_EQ(::symlink(next.c_str(), dir.File("l" + std::to_string(i)).c_str()), 0);
    }
    ScriptResult patch = Tool(dir.Path(), "fix --patch l1 in.reg");
    if (count == 40) {
      EXPECT_EQ(patch.status, EXIT_NO_FAULT_LEFT) << patch.err;
      EXPECT_TRUE(Exists(dir.File("out.reg")));
    } else {
      EXPECT_EQ(patch.status, EXIT_TROUBLE);
      EXPECT_NE(patch.err.find("cannot follow the link l1: Too many levels of symbolic links"),
                std::string::npos)
          << patch.err;
      EXPECT_FALSE(Exists(dir.File("out.reg")));
    }
  }
}

}  // namespace
