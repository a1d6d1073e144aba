// quorvafix-cli: the driver scan and repair from the command line.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "cli/cli_job.h"
#include "cli/cli_options.h"
#include "cli/device_job.h"
#include "cli/heap_reserve.h"
#include "cli/json_report.h"
#include "cli/patch_check.h"
#include "cli/process_start.h"
#include "cli/progress_notice.h"
#include "cli/standard_streams.h"
#include "cli/stdin_file_system.h"
#include "cli/terminal_text.h"
#include "platform/registry/local_registry.h"

namespace {

// Ends the run: standard output must have taken everything, or the run
// fails whatever it found.
int Finish(int status) {
  if (int error = CloseOutput(stdout)) {
    PrintErrorLine(stderr, std::string("write error: ") + std::strerror(error));
    return EXIT_TROUBLE;
  }
  return status;
}

// Runs options.command on every file, printing the reports, the JSON
// document and the summary; returns the run's exit status.
int RunFiles(const CliOptions& options, bool stdin_closed) {
  // Loading takes up to about one and a half times the file (its bytes and
  // the key index; values only of the keys the scan reads); a repair also
  // reads the file again under its lock and edits it in place. The reserve
  // stays that close because its huge pages count whole once touched.
  const uint64_t largest = LargestFileSize(options.files);
  ReserveHeap(options.command == CliCommand::Fix ? 3 * largest : largest + largest / 2);
  ProgressNotice progress(STANDARD_ERROR);
  StdinFileSystem files(RealFileSystem(), stdin_closed ? -1 : STANDARD_INPUT);
  int status = EXIT_NO_FAULT_LEFT;
  bool text = options.format == CliFormat::Text;
  // With the patch on standard output, the report (text or JSON) goes to stderr.
  JsonReportWriter json(options.patch_path == STDOUT_FILE_NAME ? stderr : stdout);
  std::vector<FileVerdict> verdicts;
  for (const std::string& file : options.files) {
    if (text && options.files.size() > 1) {
      std::printf("==> %s <==\n", EscapeControls(file).c_str());
      KeepWriteError(stdout);
    }
    FlushOutput(stdout);
    FileOutcome outcome;
    progress.Begin(file);
    status = WeightierStatus(status, RunCliJob(options, file, stdout, stderr, &files, &outcome));
    progress.End();
    if (!text) json.Add(outcome);
    verdicts.push_back(outcome.Verdict());
  }
  if (!text) json.Finish();
  if (options.summary || (text && verdicts.size() > 1 && IsTerminal(STANDARD_ERROR))) {
    FlushOutput(stdout);
    std::fprintf(stderr, "%s\n", SummaryLine(verdicts).c_str());
  }
  return status;
}

// detect or fix --local-registry: the computer's own registry, where the
// system has one.
int RunOnLocalRegistry(const CliOptions& options) {
  std::string why;
  std::unique_ptr<LocalRegistry> registry = LocalRegistry::Open(&why);
  if (registry == nullptr) {
    PrintErrorLine(stderr, why);
    return EXIT_TROUBLE;
  }
  FileOutcome outcome;
  int status = RunRegistryJob(options, *registry, stdout, stderr, &outcome);
  if (options.format == CliFormat::Json) {
    JsonReportWriter json(stdout);
    json.Add(outcome);
    json.Finish();
  }
  return status;
}

}  // namespace

int RunTool(int argc, char** argv, bool stdin_closed) {
  CliOptions options;
  std::string error;
  if (!ParseCliOptions(argc, argv, &options, &error)) {
    PrintErrorLine(stderr, error);
    std::fputs("Try 'quorvafix-cli --help'.\n", stderr);
    return EXIT_TROUBLE;
  }
  switch (options.command) {
    case CliCommand::Help:
      std::fputs(CLI_USAGE, stdout);
      return Finish(EXIT_NO_FAULT_LEFT);
    case CliCommand::Version:
      std::printf("quorvafix-cli %s\n", QUORVAFIX_VERSION);
      return Finish(EXIT_NO_FAULT_LEFT);
    case CliCommand::Detect:
    case CliCommand::Fix:
    case CliCommand::Export:
      break;
  }
  if (!options.patch_path.empty() && PatchIsAnInput(options.patch_path, options.files, &error)) {
    PrintErrorLine(stderr, error);
    return EXIT_TROUBLE;
  }
  try {
    if (options.device) return Finish(RunOnDevice(options, stdout, stderr));
    return Finish(options.local_registry ? RunOnLocalRegistry(options)
                                         : RunFiles(options, stdin_closed));
  } catch (const std::bad_alloc&) {
    // Outside a file's job (its own memory failures refuse that file alone):
    // the JSON document or the summary could not be had.
    PrintErrorLine(stderr, "not enough memory");
    return Finish(EXIT_TROUBLE);
  }
}
