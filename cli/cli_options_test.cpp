#include "cli/cli_options.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct ParseCase {
  std::vector<const char*> args;  // after the program name
  bool ok;
  CliCommand command;
  const char* patch;
  std::vector<std::string> files;
  const char* error;
};

constexpr char FIX_STDIN_REFUSED[] =
    "fix cannot repair standard input ('-') in place: there is no file to write back to; "
    "use --patch OUT.reg, or save the export to a file first";

TEST(ParseCliOptions, Table) {
  const ParseCase cases[] = {
      {{"--version"}, true, CliCommand::Version, "", {}, ""},
      {{"--help"}, true, CliCommand::Help, "", {}, ""},
      {{"-h"}, true, CliCommand::Help, "", {}, ""},
      {{"detect", "a.reg"}, true, CliCommand::Detect, "", {"a.reg"}, ""},
      {{"detect", "a.reg", "b.reg"}, true, CliCommand::Detect, "", {"a.reg", "b.reg"}, ""},
      {{"fix", "a.reg"}, true, CliCommand::Fix, "", {"a.reg"}, ""},
      {{"fix", "--patch", "out.reg", "a.reg"}, true, CliCommand::Fix, "out.reg", {"a.reg"}, ""},
      {{"fix", "a.reg", "--patch=out.reg"}, true, CliCommand::Fix, "out.reg", {"a.reg"}, ""},
      {{"fix", "--", "--patch"}, true, CliCommand::Fix, "", {"--patch"}, ""},
      {{"detect", "-"}, true, CliCommand::Detect, "", {"-"}, ""},
      {{"detect", "a.reg", "-"}, true, CliCommand::Detect, "", {"a.reg", "-"}, ""},
      {{"fix", "--patch", "o", "-"}, true, CliCommand::Fix, "o", {"-"}, ""},
      {{"fix", "./-"}, true, CliCommand::Fix, "", {"./-"}, ""},
      {{}, false, CliCommand::Help, "", {}, "missing command"},
      {{"scan", "a.reg"}, false, CliCommand::Help, "", {}, "unknown command 'scan'"},
      {{"detect"}, false, CliCommand::Help, "", {}, "no registry FILE given"},
      {{"detect", "--patch", "o", "a"}, false, CliCommand::Help, "", {}, "unknown option '--patch'"},
      {{"fix", "--patch"}, false, CliCommand::Help, "", {}, "--patch needs a file name"},
      {{"fix", "--patch=", "a"}, false, CliCommand::Help, "", {}, "--patch needs a file name"},
      {{"fix", "--patch", "o", "a", "b"}, false, CliCommand::Help, "", {}, "--patch takes exactly one FILE"},
      {{"fix", "--patch", "o", "--patch", "p", "a"}, false, CliCommand::Help, "", {}, "--patch given twice"},
      {{"detect", "-", "a", "-"}, false, CliCommand::Help, "", {}, "standard input ('-') given twice"},
      {{"fix", "-"}, false, CliCommand::Help, "", {}, FIX_STDIN_REFUSED},
      {{"fix", "a", "--", "-"}, false, CliCommand::Help, "", {}, FIX_STDIN_REFUSED},
      {{"fix", "-x", "a"}, false, CliCommand::Help, "", {}, "unknown option '-x'"},
      {{"--version", "extra"}, false, CliCommand::Help, "", {}, "--version takes no arguments"},
      {{"fixhc\n", "p", "a"}, false, CliCommand::Help, "", {}, "unknown command 'fixhc\\n'"},
      {{"fix", "-\r\t\x1b\x7f\xe9"}, false, CliCommand::Help, "", {}, "unknown option '-\\r\\t\\x1b\\x7f\xe9'"},
  };
  for (const ParseCase& c : cases) {
    std::vector<const char*> argv = {"quorvafix-cli"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    CliOptions options;
    std::string error;
    bool ok = ParseCliOptions(static_cast<int>(argv.size()), argv.data(), &options, &error);
    SCOPED_TRACE(c.args.empty() ? "(none)" : c.args[0]);
    ASSERT_EQ(ok, c.ok) << error;
    if (ok) {
      EXPECT_EQ(options.command, c.command);
      EXPECT_EQ(options.patch_path, c.patch);
      EXPECT_EQ(options.files, c.files);
    } else {
      EXPECT_EQ(error, c.error);
    }
  }
}

}  // namespace
