#include "cli/cli_options.h"

#include <algorithm>
#include <cstring>

#include "cli/file_arguments.h"
#include "cli/stdin_file_system.h"
#include "cli/terminal_text.h"

const char CLI_USAGE[] =
    "usage: quorvafix-cli detect [OPTION]... FILE...\n"
    "       quorvafix-cli fix [--patch OUT.reg] [OPTION]... FILE...\n"
    "       quorvafix-cli detect|fix --device [--wait=SECONDS] [OPTION]...\n"
    "       quorvafix-cli export --device [--wait=SECONDS] OUT.reg\n"
    "       quorvafix-cli --help | --version\n"
    "\n"
    "Scans the active-driver list of each registry export FILE (.reg) and reports\n"
    "every COM-port driver, marking those whose Dll the QUORVA navigation product\n"
    "replaced. fix writes \"BTCEIF.DLL\" back into FILE, or with --patch leaves FILE\n"
    "untouched and writes OUT.reg holding only the repaired values. A FILE of \"-\"\n"
    "is standard input (detect, and fix with --patch).\n"
    "\n"
    "Options:\n"
    "  --patch OUT.reg  (fix) write the repairs to OUT.reg, not into FILE; an\n"
    "                 OUT.reg of \"-\" is standard output, which then carries the\n"
    "                 patch alone (the report goes to standard error)\n"
    "  --verbose      after each report, one line per active-driver entry saying\n"
    "                 whether it was examined (and its Dll) or skipped, and why\n"
    "  --format=json  instead of the reports, one JSON document: an array with one\n"
    "                 object per FILE (--format=text is the default)\n"
    "  --local-registry  instead of FILEs, the registry of the Windows computer the\n"
    "                 tool runs on (HKEY_LOCAL_MACHINE\\Drivers\\Active); fix needs the\n"
    "                 right to change HKEY_LOCAL_MACHINE\n"
    "  --device       instead of FILEs, the handheld connected to this Windows\n"
    "                 computer, through its synchronisation software (ActiveSync or\n"
    "                 Windows Mobile Device Center); fix first saves an undo file\n"
    "                 under %LOCALAPPDATA%\\quorvafix\\undo and names it; export\n"
    "                 writes its HKEY_LOCAL_MACHINE\\Drivers to OUT.reg (\"-\": standard\n"
    "                 output)\n"
    "  --wait=SECONDS  (--device) wait at most SECONDS for the handheld to answer\n"
    "                 (15 unless given)\n"
    "  --summary      end with \"N files: A healthy, B faulty, C repaired,\n"
    "                 D refused, E incomplete\" on stderr; given when stderr is a\n"
    "                 terminal and there are several FILEs with the text form\n"
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
    "An entry whose name, Name, Key or Dll cannot be read as the handheld reads\n"
    "them is not examined and may be the faulty driver: no all-clear is given for\n"
    "its file; the report's \"All OK !!!\" gives way to a notice saying how many\n"
    "there are.\n"
    "\n"
    "Control characters from a file, a file name or an argument are printed\n"
    "escaped: line feed as \\n, carriage return as \\r, the other C0 controls, DEL\n"
    "and the C1 controls as \\xNN (hex); a tab stays a tab, except in a quoted\n"
    "argument (\\t).\n"
    "\n"
    "Exit status: 0 no faulty driver remains and every entry was examined,\n"
    "1 a faulty driver remains, 2 usage error or a file that cannot be read,\n"
    "parsed or written, or not enough memory, 3 no faulty driver remains but\n"
    "entries could not be examined. Over several files: 2 over 1 over 3 over 0.\n";

const CliOptionSpec CLI_OPTIONS[] = {
    {CliOptionId::Patch, "--patch", "FILE", true},
    {CliOptionId::Verbose, "--verbose", nullptr, false},
    {CliOptionId::Format, "--format", "text|json", false},
    {CliOptionId::Summary, "--summary", nullptr, false},
    {CliOptionId::LocalRegistry, "--local-registry", nullptr, false},
    {CliOptionId::Device, "--device", nullptr, false},
    {CliOptionId::Wait, "--wait", "SECONDS", false},
};
const int CLI_OPTION_COUNT = sizeof CLI_OPTIONS / sizeof CLI_OPTIONS[0];

const CliCommandSpec CLI_COMMANDS[] = {
    {CliCommand::Detect, "detect", nullptr},     {CliCommand::Fix, "fix", nullptr},
    {CliCommand::Export, "export", nullptr},     {CliCommand::Help, "--help", "-h"},
    {CliCommand::Version, "--version", nullptr},
};
const int CLI_COMMAND_COUNT = sizeof CLI_COMMANDS / sizeof CLI_COMMANDS[0];

namespace {

bool Fail(std::string* error, const std::string& what) {
  *error = what;
  return false;
}

// arg in single quotes with every control character escaped, tab included,
// so that a reason always stays on one line of a terminal.
std::string Quoted(const std::string& arg) { return "'" + EscapeControls(arg, false) + "'"; }

// The option of the table arg names, as "NAME" or "NAME=VALUE" (*inline_value
// then VALUE and *has_inline set, whether the option takes a value or not);
// null for none.
const CliOptionSpec* FindOption(const std::string& arg, std::string* inline_value,
                                bool* has_inline) {
  for (const CliOptionSpec& spec : CLI_OPTIONS) {
    const std::string name = spec.name;
    *has_inline = false;
    if (arg == name) return &spec;
    if (arg.compare(0, name.size() + 1, name + "=") == 0) {
      *inline_value = arg.substr(name.size() + 1);
      *has_inline = true;
      return &spec;
    }
  }
  return nullptr;
}

// Sets what spec with value sets in options; false with *error on a value or
// a repeat it does not take. given: the options already met.
bool Apply(const CliOptionSpec& spec, const std::string& value, std::vector<CliOptionId>& given,
           CliOptions* options, std::string* error) {
  bool repeated = std::find(given.begin(), given.end(), spec.id) != given.end();
  given.push_back(spec.id);
  switch (spec.id) {
    case CliOptionId::Verbose:
      options->verbose = true;
      return true;
    case CliOptionId::Summary:
      options->summary = true;
      return true;
    case CliOptionId::LocalRegistry:
      options->local_registry = true;
      return true;
    case CliOptionId::Device:
      options->device = true;
      return true;
    case CliOptionId::Wait: {
      if (repeated) return Fail(error, "--wait given twice");
      const bool digits = !value.empty() && value.size() <= 4 &&
                          value.find_first_not_of("0123456789") == std::string::npos;
      if (!digits || std::stoi(value) > 3600)
        return Fail(error, "--wait needs SECONDS from 0 to 3600, not " + Quoted(value));
      options->wait_seconds = std::stoi(value);
      return true;
    }
    case CliOptionId::Format:
      if (repeated) return Fail(error, "--format given twice");
      if (value == "text") {
        options->format = CliFormat::Text;
      } else if (value == "json") {
        options->format = CliFormat::Json;
      } else {
        return Fail(error, "unknown format " + Quoted(value) + " (text or json)");
      }
      return true;
    case CliOptionId::Patch:
      if (value.empty()) return Fail(error, "--patch needs a file name");
      if (repeated) return Fail(error, "--patch given twice");
      options->patch_path = value;
      return true;
  }
  return false;
}

// The reason given when an option that takes a value has none.
std::string MissingValue(const CliOptionSpec& spec) {
  if (spec.id == CliOptionId::Patch) return "--patch needs a file name";
  std::string choices = spec.values;
  if (choices.find('|') == std::string::npos) return std::string(spec.name) + " needs " + choices;
  std::replace(choices.begin(), choices.end(), '|', ' ');
  return std::string(spec.name) + " needs " + choices.substr(0, choices.find(' ')) + " or " +
         choices.substr(choices.find(' ') + 1);
}

}  // namespace

bool ParseCliOptions(int argc, const char* const* argv, CliOptions* options, std::string* error) {
  *options = CliOptions();
  if (argc < 2) return Fail(error, "missing command");
  const std::string command = argv[1];
  const CliCommandSpec* named = nullptr;
  for (const CliCommandSpec& spec : CLI_COMMANDS) {
    if (command == spec.name || (spec.alias != nullptr && command == spec.alias)) named = &spec;
  }
  if (named == nullptr) return Fail(error, "unknown command " + Quoted(command));
  options->command = named->command;
  if (named->command == CliCommand::Help || named->command == CliCommand::Version) {
    if (argc != 2) return Fail(error, std::string(named->name) + " takes no arguments");
    return true;
  }

  bool options_ended = false;
  std::vector<CliOptionId> given;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (options_ended || arg.empty() || arg[0] != '-' || arg == STDIN_FILE_NAME) {
      AddFileArgument(arg, &options->files);
      continue;
    }
    if (arg == "--") {
      options_ended = true;
      continue;
    }
    std::string value;
    bool has_inline = false;
    const CliOptionSpec* spec = FindOption(arg, &value, &has_inline);
    if (spec == nullptr || (spec->fix_only && options->command != CliCommand::Fix))
      return Fail(error, "unknown option " + Quoted(arg));
    if (spec->values == nullptr && has_inline)
      return Fail(error, std::string(spec->name) + " takes no value (" + Quoted(arg) + ")");
    if (spec->values != nullptr && !has_inline) {
      if (i + 1 >= argc) return Fail(error, MissingValue(*spec));
      value = argv[++i];
    }
    if (!Apply(*spec, value, given, options, error)) return false;
  }
  const bool waits = std::find(given.begin(), given.end(), CliOptionId::Wait) != given.end();
  if (waits && !options->device) return Fail(error, "--wait comes only with --device");
  if (options->command == CliCommand::Export) {
    if (!options->device)
      return Fail(error, "export needs --device (it exports the connected handheld's registry)");
    if (options->verbose || options->summary || options->local_registry ||
        std::find(given.begin(), given.end(), CliOptionId::Format) != given.end())
      return Fail(error, "export takes only --device, --wait and OUT.reg");
    if (options->files.size() != 1)
      return Fail(error, "export needs one OUT.reg (\"-\": standard output)");
    return true;
  }
  if (options->device) {
    if (options->local_registry)
      return Fail(error, "--device and --local-registry exclude each other");
    if (!options->files.empty()) return Fail(error, "--device takes no FILE");
    if (!options->patch_path.empty()) return Fail(error, "--patch needs a registry FILE");
    return true;
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
