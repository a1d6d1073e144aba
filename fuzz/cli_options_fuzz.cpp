// Fuzz target for the command-line tool's argument handling: the input, cut at
// NUL bytes, is the argument list after the program name. ParseCliOptions must
// either refuse it with one line of reason or give options that make sense, and
// those options written back as a plain argument list must parse to themselves.
#include <cstdint>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "fuzz/fuzz_choices.h"

namespace {

constexpr size_t MAX_ARGS = 64;

bool Parse(const std::vector<std::string>& args, CliOptions* options, std::string* error) {
  std::vector<const char*> argv = {"quorvafix-cli"};
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  return ParseCliOptions(static_cast<int>(argv.size()), argv.data(), options, error);
}

bool Same(const CliOptions& a, const CliOptions& b) {
  return a.command == b.command && a.patch_path == b.patch_path && a.files == b.files &&
         a.local_registry == b.local_registry && a.device == b.device &&
         a.wait_seconds == b.wait_seconds && a.verbose == b.verbose && a.summary == b.summary &&
         a.format == b.format;
}

// The options as the plainest argument list that asks for them.
std::vector<std::string> Canonical(const CliOptions& options) {
  if (options.command == CliCommand::Help) return {"--help"};
  if (options.command == CliCommand::Version) return {"--version"};
  std::vector<std::string> args = {options.command == CliCommand::Fix      ? "fix"
                                   : options.command == CliCommand::Export ? "export"
                                                                           : "detect"};
  if (!options.patch_path.empty()) args.insert(args.end(), {"--patch", options.patch_path});
  if (options.local_registry) args.push_back("--local-registry");
  if (options.device)
    args.insert(args.end(), {"--device", "--wait=" + std::to_string(options.wait_seconds)});
  if (options.verbose) args.push_back("--verbose");
  if (options.summary) args.push_back("--summary");
  if (options.format == CliFormat::Json) args.push_back("--format=json");
  args.push_back("--");
  args.insert(args.end(), options.files.begin(), options.files.end());
  return args;
}

bool Contains(const std::vector<std::string>& args, const std::string& text) {
  for (const std::string& arg : args) {
    if (arg == text || arg == "--patch=" + text) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> args;
  std::string input(reinterpret_cast<const char*>(data), size);
  for (size_t start = 0; start < input.size() && args.size() < MAX_ARGS;) {
    size_t end = input.find('\0', start);
    if (end == std::string::npos) end = input.size();
    args.push_back(input.substr(start, end - start));
    start = end + 1;
  }

  CliOptions options;
  options.patch_path = "left over";
  options.verbose = options.summary = true;
  options.format = CliFormat::Json;
  options.files = {"left", "over"};
  std::string error;
  bool ok = Parse(args, &options, &error);

  CliOptions again;
  std::string again_error;
  FUZZ_CHECK(Parse(args, &again, &again_error) == ok, "a second parse disagrees");
  if (!ok) {
    FUZZ_CHECK(!error.empty() && error == again_error, "the reason: " + error);
    for (char c : error) {
      FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7f,
                 "a control character in the reason: " + error);
    }
    return 0;
  }
  FUZZ_CHECK(Same(options, again), "stale options survive a parse");
  if (options.command == CliCommand::Help || options.command == CliCommand::Version) {
    FUZZ_CHECK(args.size() == 1 && options.files.empty() && options.patch_path.empty(),
               "help or version with more: " + args[0]);
    return 0;
  }
  if (options.command == CliCommand::Export) {
    FUZZ_CHECK(options.device && options.files.size() == 1, "export without --device or OUT");
  } else if (options.local_registry || options.device) {
    FUZZ_CHECK(options.files.empty() && options.patch_path.empty(),
               "--local-registry or --device with a FILE or --patch");
    FUZZ_CHECK(!(options.local_registry && options.device), "--local-registry with --device");
  } else {
    FUZZ_CHECK(!options.files.empty(), "a command without FILE");
  }
  for (const std::string& file : options.files) {
    FUZZ_CHECK(Contains(args, file), "a FILE nobody gave: " + file);
  }
  if (!options.patch_path.empty()) {
    FUZZ_CHECK(options.command == CliCommand::Fix, "--patch outside fix");
    FUZZ_CHECK(options.files.size() == 1, "--patch with several FILEs");
    FUZZ_CHECK(Contains(args, options.patch_path), "a patch nobody gave");
  }
  CliOptions canonical;
  FUZZ_CHECK(Parse(Canonical(options), &canonical, &error), "canonical form refused: " + error);
  FUZZ_CHECK(Same(options, canonical), "canonical form parses differently");
  return 0;
}
