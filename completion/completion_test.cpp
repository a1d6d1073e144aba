// The bash completion of quorvafix-cli, run in a real bash: what it offers
// for each position of a command line, in a folder of sample names, and that
// it offers every command and option the tool's usage names.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/testing/shell_script.h"
#include "cli/testing/usage_words.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

const std::string COMPLETION = QUORVAFIX_COMPLETION_FILE;

// A folder holding registry exports in either case, a name with a space,
// other files, a subfolder and a name that looks like an option.
class CompletionTest : public ::testing::Test {
 protected:
  CompletionTest() {
    for (const char* name :
         {"a.reg", "B.REG", "my file.reg", "notes.txt", "--odd.reg", "sub/x.reg"}) {
      if (std::string(name).rfind("sub/", 0) == 0) MakeFolder("sub");
      WriteText(dir_.File(name), "");
    }
  }

  void MakeFolder(const std::string& name) {
    ASSERT_EQ(RunShellScript(dir_.Path(), "mkdir -p " + ShellQuoted(name)).status, 0);
  }

  // The words bash offers when the cursor is at the end of the last of words
  // (split as bash splits them, "=" a word of its own), sorted.
  std::vector<std::string> Offered(const std::vector<std::string>& words) {
    std::string array;
    for (const std::string& word : words) array += " " + ShellQuoted(word);
    ScriptResult r = RunShellScript(
        dir_.Path(),
        "exec bash -c " + ShellQuoted(". " + ShellQuoted(COMPLETION) + " && COMP_WORDS=(" + array +
                                      ") && COMP_CWORD=" + std::to_string(words.size() - 1) +
                                      " && _quorvafix_cli && printf '%s\\n' \"${COMPREPLY[@]}\""));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::vector<std::string> offered;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty()) offered.push_back(line);
    }
    std::sort(offered.begin(), offered.end());
    return offered;
  }

  TempDir dir_;
};

struct CompletionCase {
  std::vector<std::string> words;
  std::vector<std::string> offered;  // sorted
};

TEST_F(CompletionTest, OffersWhatEachPositionTakes) {
  const std::vector<std::string> REG_FILES = {"--odd.reg", "B.REG", "a.reg", "my file.reg", "sub"};
  const std::vector<std::string> ALL_FILES = {"--odd.reg",   "B.REG",     "a.reg",
                                              "my file.reg", "notes.txt", "sub"};
  const CompletionCase cases[] = {
      {{"quorvafix-cli", ""}, {"--help", "--version", "-h", "detect", "export", "fix"}},
      {{"quorvafix-cli", "--"}, {"--help", "--version"}},
      {{"quorvafix-cli", "f"}, {"fix"}},
      {{"quorvafix-cli", "scan", ""}, {}},
      {{"quorvafix-cli", "--version", ""}, {}},
      {{"quorvafix-cli", "detect", ""}, REG_FILES},
      {{"quorvafix-cli", "detect", "a.reg", "m"}, {"my file.reg"}},
      {{"quorvafix-cli", "detect", "sub/"}, {"sub/x.reg"}},
      {{"quorvafix-cli", "detect", "-"},
       {"--", "--device", "--format", "--local-registry", "--summary", "--verbose", "--wait"}},
      {{"quorvafix-cli", "detect", "--p"}, {}},
      {{"quorvafix-cli", "fix", "-"},
       {"--", "--device", "--format", "--local-registry", "--patch", "--summary", "--verbose",
        "--wait"}},
      {{"quorvafix-cli", "fix", "--local-registry", "-"},
       {"--", "--format", "--summary", "--verbose"}},
      {{"quorvafix-cli", "fix", "--device", "-"},
       {"--", "--format", "--summary", "--verbose", "--wait"}},
      {{"quorvafix-cli", "detect", "--device", "--wait", ""}, {}},
      {{"quorvafix-cli", "export", "-"}, {"--", "--device", "--wait"}},
      {{"quorvafix-cli", "export", "--device", "--wait=5", "-"}, {"--"}},
      {{"quorvafix-cli", "detect", "--local-registry", "--l"}, {}},
      {{"quorvafix-cli", "fix", "--patch", "out.reg", "--"},
       {"--", "--format", "--summary", "--verbose"}},
      {{"quorvafix-cli", "fix", "--patch", "=", "out.reg", "-"},
       {"--", "--format", "--summary", "--verbose"}},
      {{"quorvafix-cli", "fix", "--patch=out.reg", "-"},
       {"--", "--format", "--summary", "--verbose"}},
      {{"quorvafix-cli", "detect", "--format", ""}, {"json", "text"}},
      {{"quorvafix-cli", "detect", "--format", "=", "j"}, {"json"}},
      {{"quorvafix-cli", "detect", "--format", "="}, {"json", "text"}},
      {{"quorvafix-cli", "detect", "--format=json", "--v"}, {"--verbose"}},
      {{"quorvafix-cli", "detect", "--format", "json", "-"},
       {"--", "--device", "--local-registry", "--summary", "--verbose", "--wait"}},
      {{"quorvafix-cli", "detect", "--patch", ""}, REG_FILES},
      {{"quorvafix-cli", "fix", "--", "--"}, {"--odd.reg"}},
      {{"quorvafix-cli", "fix", "--", "--patch", ""}, REG_FILES},
      {{"quorvafix-cli", "fix", "--patch", ""}, ALL_FILES},
      {{"quorvafix-cli", "fix", "--patch", "n"}, {"notes.txt"}},
      {{"quorvafix-cli", "fix", "--patch", "="}, ALL_FILES},
      {{"quorvafix-cli", "fix", "--patch", "=", "n"}, {"notes.txt"}},
      {{"quorvafix-cli", "fix", "a.reg", ""}, REG_FILES},
  };
  for (const CompletionCase& c : cases) {
    std::string line;
    for (const std::string& word : c.words) line += "[" + word + "]";
    SCOPED_TRACE(line);
    EXPECT_EQ(Offered(c.words), c.offered);
  }
}

// The words come from the tables the option parser reads: an option added to
// the tool and not to the completion fails here.
TEST_F(CompletionTest, OffersEveryCommandAndOptionOfTheOptionTable) {
  std::set<std::string> words = CliUsageWords();
  std::set<std::string> offered;
  for (const std::vector<std::string>& line :
       std::vector<std::vector<std::string>>{{"quorvafix-cli", ""},
                                             {"quorvafix-cli", "fix", "-"},
                                             {"quorvafix-cli", "detect", "-"}}) {
    for (const std::string& word : Offered(line)) offered.insert(word);
  }
  for (const std::string& word : words) {
    EXPECT_EQ(offered.count(word), 1u) << word;
    const std::vector<std::string> choices = CliOptionChoices(word);
    std::vector<std::string> sorted = choices;
    std::sort(sorted.begin(), sorted.end());
    if (!choices.empty()) {
      EXPECT_EQ(Offered({"quorvafix-cli", "detect", word, ""}), sorted) << word;
    }
  }
}

TEST_F(CompletionTest, RegistersForTheToolAlone) {
  ScriptResult r = RunShellScript(
      dir_.Path(),
      "exec bash -c " + ShellQuoted(". " + ShellQuoted(COMPLETION) + " && complete -p"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "complete -F _quorvafix_cli quorvafix-cli\n");
}

}  // namespace
