#include "cli/cli_options.h"

#include <algorithm>
#include <cstring>

#include "cli/stdin_file_system.h"

const char CLI_USAGE[] =
    "usage: quorvafix-cli detect FILE...\n"
    "       quorvafix-cli fix [--patch OUT.reg] FILE...\n"
    "       quorvafix-cli --help | --version\n"
    "\n"
    "Scans the active-driver list of each registry export FILE (.reg) and reports\n"
    "every COM-port driver, marking those whose Dll the QUORVA navigation product\n"
    "replaced. fix writes \"BTCEIF.DLL\" back into FILE, or with --patch leaves FILE\n"
    "untouched and writes OUT.reg holding only the repaired values. A FILE of \"-\"\n"
    "is standard input (detect, and fix with --patch).\n"
    "\n"
    "Exit status: 0 no faulty driver remains, 1 a faulty driver remains,\n"
    "2 usage error or a file that cannot be read, parsed or written.\n";

namespace {

constexpr char PATCH_OPTION[] = "--patch";

bool Fail(std::string* error, const std::string& what) {
  *error = what;
  return false;
}

// arg in single quotes, control characters written as \n, \r, \t or \xNN,
// so that a reason always stays on one line of a terminal.
std::string Quoted(const std::string& arg) {
  static const char HEX[] = "0123456789abcdef";
  std::string quoted = "'";
  for (char c : arg) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (c == '\n') {
      quoted += "\\n";
    } else if (c == '\r') {
      quoted += "\\r";
    } else if (c == '\t') {
      quoted += "\\t";
    } else if (byte < 0x20 || byte == 0x7f) {
      quoted += {'\\', 'x', HEX[byte >> 4], HEX[byte & 15]};
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

}  // namespace

bool ParseCliOptions(int argc, const char* const* argv, CliOptions* options, std::string* error) {
  *options = CliOptions();
  if (argc < 2) return Fail(error, "missing command");
  std::string command = argv[1];
  if (command == "--help" || command == "-h") {
    if (argc != 2) return Fail(error, "--help takes no arguments");
    options->command = CliCommand::Help;
    return true;
  }
  if (command == "--version") {
    if (argc != 2) return Fail(error, "--version takes no arguments");
    options->command = CliCommand::Version;
    return true;
  }
  if (command == "detect") {
    options->command = CliCommand::Detect;
  } else if (command == "fix") {
    options->command = CliCommand::Fix;
  } else {
    return Fail(error, "unknown command " + Quoted(command));
  }

  bool options_ended = false;
  for (int i = 2; i < argc; ++i) {
    std::string arg = argv[i];
    if (options_ended || arg.empty() || arg[0] != '-' || arg == "-") {
      options->files.push_back(arg);
    } else if (arg == "--") {
      options_ended = true;
    } else if (options->command == CliCommand::Fix && arg == PATCH_OPTION) {
      if (i + 1 >= argc) return Fail(error, "--patch needs a file name");
      if (!options->patch_path.empty()) return Fail(error, "--patch given twice");
      options->patch_path = argv[++i];
      if (options->patch_path.empty()) return Fail(error, "--patch needs a file name");
    } else if (options->command == CliCommand::Fix &&
               arg.compare(0, std::strlen(PATCH_OPTION) + 1, std::string(PATCH_OPTION) + "=") == 0) {
      if (!options->patch_path.empty()) return Fail(error, "--patch given twice");
      options->patch_path = arg.substr(std::strlen(PATCH_OPTION) + 1);
      if (options->patch_path.empty()) return Fail(error, "--patch needs a file name");
    } else {
      return Fail(error, "unknown option " + Quoted(arg));
    }
  }
  if (options->files.empty()) return Fail(error, "no registry FILE given");
  if (!options->patch_path.empty() && options->files.size() != 1) {
    return Fail(error, "--patch takes exactly one FILE");
  }
  long stdin_count = std::count(options->files.begin(), options->files.end(), STDIN_FILE_NAME);
  if (stdin_count > 1) return Fail(error, "standard input ('-') given twice");
  if (stdin_count > 0 && options->command == CliCommand::Fix && options->patch_path.empty()) {
    return Fail(error,
                "fix cannot repair standard input ('-') in place: there is no file to write back to; "
                "use --patch OUT.reg, or save the export to a file first");
  }
  return true;
}
