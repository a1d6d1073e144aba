#include "cli/cli_options.h"

#include <algorithm>
#include <cstring>

#include "cli/stdin_file_system.h"
#include "cli/terminal_text.h"

const char CLI_USAGE[] =
    "usage: quorvafix-cli detect [OPTION]... FILE...\n"
    "       quorvafix-cli fix [--patch OUT.reg] [OPTION]... FILE...\n"
    "       quorvafix-cli --help | --version\n"
    "\n"
    "Scans the active-driver list of each registry export FILE (.reg) and reports\n"
    "every COM-port driver, marking those whose Dll the QUORVA navigation product\n"
    "replaced. fix writes \"BTCEIF.DLL\" back into FILE, or with --patch leaves FILE\n"
    "untouched and writes OUT.reg holding only the repaired values. A FILE of \"-\"\n"
    "is standard input (detect, and fix with --patch).\n"
    "\n"
    "Options:\n"
    "  --verbose      after each report, one line per active-driver entry saying\n"
    "                 whether it was examined (and its Dll) or skipped, and why\n"
    "  --format=json  instead of the reports, one JSON document: an array with one\n"
    "                 object per FILE (--format=text is the default)\n"
    "  --local-registry  instead of FILEs, the registry of the Windows computer the\n"
    "                 tool runs on (HKEY_LOCAL_MACHINE\\Drivers\\Active); fix needs the\n"
    "                 right to change HKEY_LOCAL_MACHINE\n"
    "  --summary      end with \"N files: A healthy, B faulty, C repaired, D refused\"\n"
    "                 on stderr; given when stderr is a terminal and there are\n"
    "                 several FILEs with the text form\n"
    "\n"
    "Examples:\n"
    "  quorvafix-cli detect --verbose handheld.reg\n"
    "    COM1:\n"
    "    Dll: SERIAL_PXA.DLL\n"
    "    COM5:\n"
    "    Dll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\n"
    "    entry \"01\", Name \"PGR1:\": skipped, not a COM port\n"
    "    entry \"02\", Name \"COM1:\": examined, Dll \"SERIAL_PXA.DLL\"\n"
    "    entry \"05\", Name \"COM5:\": examined, Dll \"QVBTDEV.DLL\", faulty\n"
    "    entry \"07\", Name \"COM9:\": skipped, has a PnpId\n"
    "  quorvafix-cli detect --format=json exports/*.reg > results.json\n"
    "    [{\"path\": \"exports/a.reg\", \"dialect\": \"REGEDIT4\", \"status\": \"faulty\",\n"
    "      \"drivers\": [{\"entry\": \"05\", \"name\": \"COM5:\", \"dll\": \"QVBTDEV.DLL\", "
    "...}],\n"
    "      \"skipped\": [{\"entry\": \"01\", \"reason\": \"not a COM port\", ...}], ...}, ...]\n"
    "\n"
    "Control characters from a file, a file name or an argument are printed\n"
    "escaped: line feed as \\n, carriage return as \\r, the other C0 controls, DEL\n"
    "and the C1 controls as \\xNN (hex); a tab stays a tab, except in a quoted\n"
    "argument (\\t).\n"
    "\n"
    "Exit status: 0 no faulty driver remains, 1 a faulty driver remains,\n"
    "2 usage error or a file that cannot be read, parsed or written.\n";

namespace {

constexpr char PATCH_OPTION[] = "--patch";
constexpr char FORMAT_OPTION[] = "--format";

bool Fail(std::string* error, const std::string& what) {
  *error = what;
  return false;
}

// arg in single quotes with every control character escaped, tab included,
// so that a reason always stays on one line of a terminal.
std::string Quoted(const std::string& arg) { return "'" + EscapeControls(arg, false) + "'"; }

// How argv[*i] gives option name: not at all, as "NAME VALUE" (*i then moves
// past VALUE) or as "NAME=VALUE".
enum class Given { No, Yes, WithoutValue };

Given OptionValue(const char* name, int argc, const char* const* argv, int* i, std::string* value) {
  std::string arg = argv[*i];
  std::string prefix = std::string(name) + "=";
  if (arg == name) {
    if (*i + 1 >= argc) return Given::WithoutValue;
    *value = argv[++*i];
  } else if (arg.compare(0, prefix.size(), prefix) == 0) {
    *value = arg.substr(prefix.size());
  } else {
    return Given::No;
  }
  return Given::Yes;
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
  bool format_given = false;
  for (int i = 2; i < argc; ++i) {
    std::string arg = argv[i];
    std::string value;
    if (options_ended || arg.empty() || arg[0] != '-' || arg == "-") {
      options->files.push_back(arg);
    } else if (arg == "--") {
      options_ended = true;
    } else if (arg == "--verbose") {
      options->verbose = true;
    } else if (arg == "--summary") {
      options->summary = true;
    } else if (arg == "--local-registry") {
      options->local_registry = true;
    } else if (Given format = OptionValue(FORMAT_OPTION, argc, argv, &i, &value);
               format != Given::No) {
      if (format == Given::WithoutValue) return Fail(error, "--format needs text or json");
      if (format_given) return Fail(error, "--format given twice");
      format_given = true;
      if (value == "text") {
        options->format = CliFormat::Text;
      } else if (value == "json") {
        options->format = CliFormat::Json;
      } else {
        return Fail(error, "unknown format " + Quoted(value) + " (text or json)");
      }
    } else if (options->command != CliCommand::Fix) {
      return Fail(error, "unknown option " + Quoted(arg));
    } else if (Given patch = OptionValue(PATCH_OPTION, argc, argv, &i, &value);
               patch != Given::No) {
      if (patch == Given::WithoutValue || value.empty())
        return Fail(error, "--patch needs a file name");
      if (!options->patch_path.empty()) return Fail(error, "--patch given twice");
      options->patch_path = value;
    } else {
      return Fail(error, "unknown option " + Quoted(arg));
    }
  }
  if (options->local_registry) {
    if (!options->files.empty()) return Fail(error, "--local-registry takes no FILE");
    if (!options->patch_path.empty()) return Fail(error, "--patch needs a registry FILE");
    return true;
  }
  if (options->files.empty()) return Fail(error, "no registry FILE given");
  if (!options->patch_path.empty() && options->files.size() != 1) {
    return Fail(error, "--patch takes exactly one FILE");
  }
  long stdin_count = std::count(options->files.begin(), options->files.end(), STDIN_FILE_NAME);
  if (stdin_count > 1) return Fail(error, "standard input ('-') given twice");
  if (stdin_count > 0 && options->command == CliCommand::Fix && options->patch_path.empty()) {
    return Fail(
        error,
        "fix cannot repair standard input ('-') in place: there is no file to write back to; "
        "use --patch OUT.reg, or save the export to a file first");
  }
  return true;
}
