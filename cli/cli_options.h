// Command-line arguments of quorvafix-cli:
//   quorvafix-cli detect [--verbose] [--format=text|json] [--summary] FILE...
//   quorvafix-cli fix [--patch OUT.reg] [--verbose] [--format=text|json] [--summary] FILE...
//   quorvafix-cli detect|fix --local-registry [--verbose] [--format=text|json]
//   quorvafix-cli detect|fix --device [--wait=SECONDS] [--verbose] [--format=text|json]
//   quorvafix-cli export --device [--wait=SECONDS] OUT.reg
//   quorvafix-cli --help | --version
#pragma once

#include <string>
#include <vector>

enum class CliCommand { Detect, Fix, Export, Help, Version };

// How the results are printed: a report per file, or one JSON document.
enum class CliFormat { Text, Json };

struct CliOptions {
  CliCommand command = CliCommand::Help;
  std::string patch_path;  // fix only; empty: repair the files in place
  bool verbose = false;    // text form: a line per active-driver entry after each report
  bool summary = false;    // the batch summary on stderr whatever stderr is
  CliFormat format = CliFormat::Text;
  std::vector<std::string> files;
  bool local_registry = false;  // the computer's own registry instead of files
  bool device = false;          // the connected handheld's registry instead of files
  int wait_seconds = 15;        // --device: how long to wait for the handheld to answer
};

extern const char CLI_USAGE[];

// The --patch name that stands for standard output, as GNU tools take it.
constexpr char STDOUT_FILE_NAME[] = "-";

// What an option sets.
enum class CliOptionId { Patch, Verbose, Format, Summary, LocalRegistry, Device, Wait };

// One option of detect and fix. The parser reads options from CLI_OPTIONS
// alone, so the manual page and the completion are held to this table.
struct CliOptionSpec {
  CliOptionId id;
  const char* name;    // "--verbose"
  const char* values;  // for an option taking a value: "FILE" (a file name)
                       // or the choices as "text|json"; null for none
  bool fix_only;       // taken by fix alone
};

extern const CliOptionSpec CLI_OPTIONS[];
extern const int CLI_OPTION_COUNT;

// The words that may follow the program's name: the commands "detect" and
// "fix", and "--help" (also "-h") and "--version", each given alone.
struct CliCommandSpec {
  CliCommand command;
  const char* name;
  const char* alias;  // null for none
};

extern const CliCommandSpec CLI_COMMANDS[];
extern const int CLI_COMMAND_COUNT;

// Reads argv[1..argc-1] into options. On a usage error returns false and sets
// error to one line saying what is wrong; an argument it quotes has its control
// characters escaped (an ESC shows as "unknown option '-\x1b'"). "--" ends the
// options; "--patch OUT" and "--patch=OUT" are the same (an OUT of "-" is
// standard output); --patch takes exactly one FILE. A FILE of "-" is standard input: at most once,
// and for fix only with --patch (a repair in place has nothing to write back to). "--format json"
// and "--format=json" are the same; --verbose and --summary may be repeated, --format may not.
// --local-registry takes no FILE and no --patch. --device takes no FILE, no
// --patch and no --local-registry; --wait=SECONDS (0 to 3600) only comes
// with it. export takes --device and its one OUT.reg ("-": standard output)
// in files, and none of --patch, --verbose, --format and --summary. Each FILE
// is taken as AddFileArgument takes it (on Windows, wildcards expanded). An
// option that takes no value refuses one: "--verbose=no" is "--verbose takes
// no value ('--verbose=no')".
bool ParseCliOptions(int argc, const char* const* argv, CliOptions* options, std::string* error);
