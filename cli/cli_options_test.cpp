#include "cli/cli_options.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cli/testing/usage_words.h"

namespace {

struct ParseCase {
  std::vector<const char*> args;  // after the program name
  bool ok;
  CliCommand command;
  const char* patch;
  std::vector<std::string> files;
  const char* error;
  bool verbose = false;
  bool summary = false;
  CliFormat format = CliFormat::Text;
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
      {{"detect", "--patch", "o", "a"},
       false,
       CliCommand::Help,
       "",
       {},
       "unknown option '--patch'"},
      {{"fix", "--patch"}, false, CliCommand::Help, "", {}, "--patch needs a file name"},
      {{"fix", "--patch=", "a"}, false, CliCommand::Help, "", {}, "--patch needs a file name"},
      {{"fix", "--patch", "o", "a", "b"},
       false,
       CliCommand::Help,
       "",
       {},
       "--patch takes exactly one FILE"},
      {{"fix", "--patch", "o", "--patch", "p", "a"},
       false,
       CliCommand::Help,
       "",
       {},
       "--patch given twice"},
      {{"detect", "-", "a", "-"},
       false,
       CliCommand::Help,
       "",
       {},
       "standard input ('-') given twice"},
      {{"fix", "-"}, false, CliCommand::Help, "", {}, FIX_STDIN_REFUSED},
      {{"fix", "a", "--", "-"}, false, CliCommand::Help, "", {}, FIX_STDIN_REFUSED},
      {{"fix", "-x", "a"}, false, CliCommand::Help, "", {}, "unknown option '-x'"},
      {{"--version", "extra"}, false, CliCommand::Help, "", {}, "--version takes no arguments"},
      {{"fixhc\n", "p", "a"}, false, CliCommand::Help, "", {}, "unknown command 'fixhc\\n'"},
      {{"fix", "-\r\t\x1b\x7f\xe9"},
       false,
       CliCommand::Help,
       "",
       {},
       "unknown option '-\\r\\t\\x1b\\x7f\xe9'"},
      {{"fix", "-\xc2\x9b"}, false, CliCommand::Help, "", {}, "unknown option '-\\x9b'"},
      {{"detect", "--verbose", "a", "--verbose"}, true, CliCommand::Detect, "", {"a"}, "", true},
      {{"fix", "--summary", "a"}, true, CliCommand::Fix, "", {"a"}, "", false, true},
      {{"detect", "--format=json", "a"},
       true,
       CliCommand::Detect,
       "",
       {"a"},
       "",
       false,
       false,
       CliFormat::Json},
      {{"fix", "--format", "json", "--patch", "o", "a"},
       true,
       CliCommand::Fix,
       "o",
       {"a"},
       "",
       false,
       false,
       CliFormat::Json},
      {{"detect", "--format=text", "a"}, true, CliCommand::Detect, "", {"a"}, ""},
      {{"detect", "--", "--verbose"}, true, CliCommand::Detect, "", {"--verbose"}, ""},
      {{"detect", "--format=xml", "a"},
       false,
       CliCommand::Help,
       "",
       {},
       "unknown format 'xml' (text or json)"},
      {{"detect", "--format", "x\ty", "a"},
       false,
       CliCommand::Help,
       "",
       {},
       "unknown format 'x\\ty' (text or json)"},
      {{"detect", "a", "--format"}, false, CliCommand::Help, "", {}, "--format needs text or json"},
      {{"detect", "--format=json", "--format=text", "a"},
       false,
       CliCommand::Help,
       "",
       {},
       "--format given twice"},
      {{"fix", "--patch", "--summary=", "a"}, true, CliCommand::Fix, "--summary=", {"a"}, ""},
      {{"detect", "--verbosity", "a"},
       false,
       CliCommand::Help,
       "",
       {},
       "unknown option '--verbosity'"},
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
      EXPECT_EQ(options.verbose, c.verbose);
      EXPECT_EQ(options.summary, c.summary);
      EXPECT_EQ(options.format, c.format);
    } else {
      EXPECT_EQ(error, c.error);
    }
  }
}

}  // namespace

TEST(ParseCliOptions, LocalRegistryTakesNoFileAndNoPatch) {
  struct Case {
    std::vector<const char*> args;
    bool ok;
    const char* error;
  };
  const Case cases[] = {
      {{"detect", "--local-registry"}, true, ""},
      {{"fix", "--verbose", "--local-registry", "--format=json"}, true, ""},
      {{"detect", "--local-registry", "a.reg"}, false, "--local-registry takes no FILE"},
      {{"fix", "--local-registry", "-"}, false, "--local-registry takes no FILE"},
      {{"fix", "--local-registry", "--patch", "o.reg"}, false, "--patch needs a registry FILE"},
      {{"detect", "--", "--local-registry"}, true, ""},
  };
  for (const Case& c : cases) {
    std::vector<const char*> argv = {"quorvafix-cli"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    CliOptions options;
    std::string error;
    EXPECT_EQ(ParseCliOptions(static_cast<int>(argv.size()), argv.data(), &options, &error), c.ok)
        << c.args.back();
    EXPECT_EQ(error, c.ok ? "" : c.error) << c.args.back();
    // After "--" it is a file name like any other.
    if (c.ok) {
      EXPECT_EQ(options.local_registry, std::string(c.args[1]) != "--") << c.args.back();
    }
  }
}

// Every option of the table: one that takes no value refuses NAME=VALUE, and
// --help has its paragraph, marked "(fix)" for an option of fix alone, with
// each of its choices.
TEST(CliOptionTable, HoldsTheParserAndHelp) {
  const std::string usage = CLI_USAGE;
  const size_t options_at = usage.find("\nOptions:\n");
  const std::string help =
      usage.substr(options_at, usage.find("\n\n", options_at + 1) - options_at);
  for (int i = 0; i < CLI_OPTION_COUNT; ++i) {
    const std::string name = CLI_OPTIONS[i].name;
    SCOPED_TRACE(name);
    const std::string given = name + "=x";
    const char* argv[] = {"quorvafix-cli", "fix", given.c_str(), "a"};
    CliOptions options;
    std::string error;
    if (CLI_OPTIONS[i].values == nullptr) {
      EXPECT_FALSE(ParseCliOptions(4, argv, &options, &error));
      EXPECT_EQ(error, name + " takes no value ('" + given + "')");
    }
    const size_t at = std::min(help.find("\n  " + name + " "), help.find("\n  " + name + "="));
    ASSERT_NE(at, std::string::npos) << "no paragraph in --help";
    const std::string paragraph = help.substr(at, help.find("\n  --", at + 1) - at);
    EXPECT_EQ(paragraph.find("(fix)") != std::string::npos, CLI_OPTIONS[i].fix_only) << paragraph;
    for (const std::string& choice : CliOptionChoices(name))
      EXPECT_NE(help.find(name + "=" + choice), std::string::npos) << choice;
  }
}

TEST(ParseCliOptions, DeviceWaitAndExport) {
  struct Case {
    std::vector<const char*> args;
    const char* error;  // "" when accepted
    CliCommand command = CliCommand::Help;
    int wait = 0;
  };
  const Case cases[] = {
      {{"detect", "--device"}, "", CliCommand::Detect, 15},
      {{"fix", "--device", "--wait=0", "--format=json"}, "", CliCommand::Fix, 0},
      {{"export", "--wait", "3600", "--device", "-"}, "", CliCommand::Export, 3600},
      {{"export", "--device", "--", "out.reg"}, "", CliCommand::Export, 15},
      {{"detect", "--device", "a.reg"}, "--device takes no FILE"},
      {{"fix", "--device", "--patch", "o.reg"}, "--patch needs a registry FILE"},
      {{"fix", "--device", "--local-registry"}, "--device and --local-registry exclude each other"},
      {{"detect", "--wait=5", "a.reg"}, "--wait comes only with --device"},
      {{"detect", "--device", "--wait"}, "--wait needs SECONDS"},
      {{"detect", "--device", "--wait=3601"}, "--wait needs SECONDS from 0 to 3600, not '3601'"},
      {{"detect", "--device", "--wait=-1"}, "--wait needs SECONDS from 0 to 3600, not '-1'"},
      {{"detect", "--device", "--wait=1", "--wait=2"}, "--wait given twice"},
      {{"export", "out.reg"},
       "export needs --device (it exports the connected handheld's registry)"},
      {{"export", "--device"}, "export needs one OUT.reg (\"-\": standard output)"},
      {{"export", "--device", "a", "b"}, "export needs one OUT.reg (\"-\": standard output)"},
      {{"export", "--device", "--verbose", "o"}, "export takes only --device, --wait and OUT.reg"},
      {{"export", "--device", "--format=text", "o"},
       "export takes only --device, --wait and OUT.reg"},
      {{"export", "--device", "--patch", "p", "o"}, "unknown option '--patch'"},
  };
  for (const Case& c : cases) {
    std::vector<const char*> argv = {"quorvafix-cli"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    CliOptions options;
    std::string error;
    const bool ok = ParseCliOptions(static_cast<int>(argv.size()), argv.data(), &options, &error);
    EXPECT_EQ(error, c.error) << c.args.back();
    EXPECT_EQ(ok, *c.error == '\0') << c.args.back();
    if (ok) {
      EXPECT_TRUE(options.device);
      EXPECT_EQ(options.command, c.command);
      EXPECT_EQ(options.wait_seconds, c.wait);
    }
  }
}
