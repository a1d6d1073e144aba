#include "cli/cli_job.h"

#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "cli/job_steps.h"
#include "cli/report_text.h"
#include "cli/standard_streams.h"
#include "cli/stdin_file_system.h"
#include "cli/terminal_text.h"
#include "cli/write_recorder.h"
#include "platform/files/lock_file.h"
#include "platform/registry/local_registry.h"
#include "platform/registry/reg_file_store.h"
#include "platform/registry/reg_patch.h"
#include "platform/registry/reg_text_codec.h"
#include "platform/registry/registry.h"
#include "scan/report_layout.h"
#include "scan/serial_scan.h"
#include "text/dyn_string.h"

FileOutcome& FreshOutcome(FileOutcome* given, FileOutcome& own, const std::string& path,
                          bool has_form) {
  FileOutcome& result = given != nullptr ? *given : own;
  result = FileOutcome();
  result.path = path;
  result.has_form = has_form;
  return result;
}

void ScanWith(RegistryStore& store, bool repair, DynString& report, DynString& message,
              bool every_entry, FileOutcome& outcome) {
  // The store is uninstalled however the scan ends, memory running out included.
  struct Installed {
    explicit Installed(RegistryStore& store) { InstallRegistryStore(&store); }
    ~Installed() { InstallRegistryStore(nullptr); }
  };
  ScanEntryList list(!every_entry);
  {
    Installed installed(store);
    ScanSerialDrivers(report, message, repair, &list);
  }
  outcome.entries = std::move(list.entries);
  outcome.unexamined = list.unexamined;
}

std::string OutcomeMessage(const char* scan_message, const FileOutcome& outcome,
                           const std::string& patch_path) {
  if (outcome.unexamined > 0 && std::strcmp(scan_message, SCAN_NOT_FOUND_MESSAGE) == 0) return "";
  if (!patch_path.empty() && std::strcmp(scan_message, SCAN_REPAIRED_MESSAGE) == 0)
    return PatchMessage(outcome.path, patch_path);
  return NarrowToTerminalText(scan_message);
}

bool EveryEntry(const CliOptions& options) {
  return options.verbose || options.format == CliFormat::Json;
}

namespace {

// Prints text, ending it with a line end when it has none.
void PrintLine(std::string text, std::FILE* out) {
  if (text.empty() || text.back() != '\n') text.push_back('\n');
  std::fputs(text.c_str(), out);
  KeepWriteError(out);
}

}  // namespace

void Complain(const std::string& what, FileOutcome& outcome, std::FILE* err) {
  PrintErrorLine(err, what);
  outcome.errors.push_back(what);
}

namespace {

// The text of a recorded type-1 value: its UTF-16 units up to the first NUL.
std::u16string TextOf(const RecordedWrite& write) {
  std::u16string text(write.data.size() / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(write.data[2 * i] | (write.data[2 * i + 1] << 8));
  }
  return text.substr(0, text.find(u'\0'));
}

// Writes the repairs the recorder kept as a patch file, or to out for a
// patch_path of "-"; false after saying why.
bool WritePatch(const RegFileStore& store, const WriteRecorder& recorder,
                const std::string& patch_path, FileSystem& fs, FileOutcome& outcome, std::FILE* out,
                std::FILE* err) {
  std::vector<RegStringEdit> edits;
  for (const RecordedWrite& write : recorder.Writes()) {
    edits.push_back({write.root, write.key_path, write.name, TextOf(write)});
  }
  std::vector<uint8_t> bytes;
  std::string failure;
  if (BuildRegPatch(store, edits, &bytes, &failure) == ERROR_SUCCESS &&
      patch_path == STDOUT_FILE_NAME) {
    // The patch is claimed only once standard output has taken all of it; a
    // failed write is told again when the tool closes standard output.
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    KeepWriteError(out);
    if (int error = FlushOutput(out)) {
      Complain(std::string("standard output: cannot write the patch: ") + std::strerror(error),
               outcome, err);
      return false;
    }
    return true;
  }
  if (!failure.empty() || SaveFileSafely(fs, patch_path, bytes, &failure) != 0) {
    Complain(patch_path + ": cannot write the patch: " + failure, outcome, err);
    return false;
  }
  return true;
}

// One line per reason a repair failed: the repairs that failed alike share
// the line of the first of them, those another program's lock refused (each
// naming its own key) and those one failed rewrite of the file lost.
void ReportFailedWrites(const WriteRecorder& recorder, const std::string& file,
                        FileOutcome& outcome, std::FILE* err) {
  const auto reason_of = [](const RecordedWrite& write) {
    return std::make_pair(write.status,
                          write.status == ERROR_SHARING_VIOLATION ? "" : write.failure);
  };
  // How many failed writes each reason has; told once, then forgotten.
  std::map<std::pair<RegStatus, std::string>, size_t> alike;
  for (const RecordedWrite& write : recorder.Writes()) {
    if (write.status != ERROR_SUCCESS) ++alike[reason_of(write)];
  }
  for (const RecordedWrite& write : recorder.Writes()) {
    const auto reason = alike.find(reason_of(write));
    if (reason == alike.end()) continue;
    std::string line = file + ": cannot repair " + MessageText(write.key_path) + "\\" +
                       MessageText(write.name) + ": " + write.failure;
    if (reason->second > 1) {
      line += " (and " + std::to_string(reason->second - 1) + " more repairs of this file, " +
              (write.status == ERROR_SHARING_VIOLATION ? "refused for the same lock)"
                                                       : "failed for the same reason)");
    }
    alike.erase(reason);
    Complain(line, outcome, err);
  }
}

}  // namespace

void PrintText(const CliOptions& options, const FileOutcome& outcome, std::FILE* out) {
  ReportNotes notes;
  notes.unexamined = outcome.unexamined;
  notes.repairs_in_patch = !options.patch_path.empty();
  PrintLine(ReportTerminalText(outcome.entries, notes), out);
  if (options.command == CliCommand::Fix && !outcome.message.empty())
    PrintLine(outcome.message, out);
  if (!options.verbose) return;
  for (const ScanEntry& entry : outcome.entries) PrintLine(EntryLine(entry), out);
}

namespace {

// The end of every job: where a repair was not written, the scan again
// without repairing, so that the drivers show as still faulty; the failed
// writes and the entries not examined on err, the text form on report_out;
// the exit status, the weightier of status and what the scan left.
int Conclude(const CliOptions& options, RegistryStore& store, const WriteRecorder& recorder,
             bool written, const std::string& name, DynString& report, DynString& message,
             int status, FileOutcome& result, std::FILE* report_out, std::FILE* err) {
  if (!written) {
    report.Clear();
    message.Clear();
    ScanWith(store, false, report, message, EveryEntry(options), result);
  }
  ReportFailedWrites(recorder, name, result, err);
  if (result.unexamined > 0)
    Complain(name + ": " + UnexaminedNotice(result.unexamined), result, err);
  result.scanned = true;
  const bool to_patch = options.command == CliCommand::Fix && !options.patch_path.empty();
  result.message = OutcomeMessage(message.CStr(), result, to_patch ? options.patch_path : "");
  if (options.format == CliFormat::Text) PrintText(options, result, report_out);
  if (CountFaultyLeft(result.entries) > 0) {
    status = WeightierStatus(status, EXIT_FAULT_LEFT);
  } else if (result.unexamined > 0) {
    status = WeightierStatus(status, EXIT_INCOMPLETE);
  }
  return result.status = status;
}

}  // namespace

int WeightierStatus(int a, int b) {
  // The rank of each status, by its value.
  static const int RANK[] = {0, 2, 3, 1};
  auto rank = [](int status) { return status >= 0 && status <= 3 ? RANK[status] : 3; };
  return rank(a) >= rank(b) ? a : b;
}

namespace {

// RunCliJob short of running out of memory.
int RunJob(const CliOptions& options, const std::string& file, std::FILE* out, std::FILE* err,
           FileSystem& file_system, FileOutcome& result) {
  // With the patch on standard output, the report goes to err.
  const bool patch_to_out = options.patch_path == STDOUT_FILE_NAME;
  std::FILE* report_out = patch_to_out ? err : out;
  StdinFileSystem* stdin_files = dynamic_cast<StdinFileSystem*>(&file_system);
  std::string error;
  if (file == STDIN_FILE_NAME && stdin_files != nullptr && !stdin_files->CheckHead(&error)) {
    Complain(error, result, err);
    return result.status = EXIT_TROUBLE;
  }
  RegFileOptions load_options;
  load_options.file_system = &file_system;
  std::unique_ptr<RegFileStore> store = RegFileStore::Load(file, &error, load_options);
  if (store == nullptr) {
    Complain(error, result, err);
    return result.status = EXIT_TROUBLE;
  }
  result.form = store->Form();

  bool fix = options.command == CliCommand::Fix;
  bool to_patch = fix && !options.patch_path.empty();
  WriteRecorder recorder(
      *store, to_patch ? WriteRecorder::Mode::KeepToItself : WriteRecorder::Mode::PassThrough,
      [&store] { return store->LastFailure(); });
  bool every_entry = EveryEntry(options);
  DynString report;
  DynString message;
  // The repairs of one file reach it in one rewrite, made once the scan is done.
  const bool in_place = fix && !to_patch;
  if (in_place) store->GatherWrites();
  ScanWith(recorder, fix, report, message, every_entry, result);

  int status = EXIT_NO_FAULT_LEFT;
  bool written = true;
  if (to_patch &&
      !WritePatch(*store, recorder, options.patch_path, file_system, result, out, err)) {
    status = EXIT_TROUBLE;
    written = false;
  }
  if (in_place) {
    if (RegStatus committed = store->CommitWrites()) {
      if (store->CommitLeftNewContent()) {
        // The repairs stand on disk, not yet durable: the report says what
        // the file holds, stderr why it may not last.
        Complain(store->LastFailure(), result, err);
      } else {
        recorder.FailWritten(committed, store->LastFailure());
        written = false;
      }
    }
  }
  return Conclude(options, *store, recorder, written, file, report, message, status, result,
                  report_out, err);
}

}  // namespace

int RunCliJob(const CliOptions& options, const std::string& file, std::FILE* out, std::FILE* err,
              FileSystem* fs, FileOutcome* outcome) {
  FileOutcome own_outcome;
  FileOutcome& result = FreshOutcome(outcome, own_outcome, file);
  try {
    return RunJob(options, file, out, err, fs != nullptr ? *fs : RealFileSystem(), result);
  } catch (const std::bad_alloc&) {
    // Everything the job held is freed by now, its lock removed with it.
    result = FileOutcome();
    result.path = file;
    Complain(file + ": not enough memory", result, err);
    return result.status = EXIT_TROUBLE;
  }
}

int RunRegistryJob(const CliOptions& options, LocalRegistry& store, std::FILE* out, std::FILE* err,
                   FileOutcome* outcome) {
  FileOutcome own_outcome;
  FileOutcome& result = FreshOutcome(outcome, own_outcome, LOCAL_REGISTRY_NAME, false);
  const bool fix = options.command == CliCommand::Fix;
  WriteRecorder recorder(store, WriteRecorder::Mode::PassThrough,
                         [&store] { return store.LastFailure(); });
  DynString report;
  DynString message;
  ScanWith(recorder, fix, report, message, EveryEntry(options), result);
  bool written = true;
  for (const RecordedWrite& write : recorder.Writes()) written &= write.status == ERROR_SUCCESS;
  return Conclude(options, store, recorder, written, LOCAL_REGISTRY_NAME, report, message,
                  EXIT_NO_FAULT_LEFT, result, out, err);
}
