#include "cli/cli_job.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "cli/report_text.h"
#include "cli/terminal_text.h"
#include "cli/write_recorder.h"
#include "platform/files/lock_file.h"
#include "platform/registry/local_registry.h"
#include "platform/registry/reg_file_store.h"
#include "platform/registry/reg_patch.h"
#include "platform/registry/reg_text_codec.h"
#include "platform/registry/registry.h"
#include "scan/serial_scan.h"
#include "text/dyn_string.h"

namespace {

// Runs the scan with store installed as the registry, keeping in entries
// every entry or only the examined ones.
void ScanWith(RegistryStore& store, bool repair, DynString& report, DynString& message,
              bool every_entry, std::vector<ScanEntry>& entries) {
  ScanEntryList list(!every_entry);
  InstallRegistryStore(&store);
  ScanSerialDrivers(report, message, repair, &list);
  InstallRegistryStore(nullptr);
  entries = std::move(list.entries);
}

// The report and the exit status need only the examined entries; a long
// active-driver list costs memory only when every entry is shown.
bool EveryEntry(const CliOptions& options) {
  return options.verbose || options.format == CliFormat::Json;
}

// Prints text, ending it with a line end when it has none.
void PrintLine(std::string text, std::FILE* out) {
  if (text.empty() || text.back() != '\n') text.push_back('\n');
  std::fputs(text.c_str(), out);
}

// Says on err why something failed, and keeps it for the file's outcome.
void Complain(const std::string& what, FileOutcome& outcome, std::FILE* err) {
  PrintErrorLine(err, what);
  outcome.errors.push_back(what);
}

// The text of a recorded type-1 value: its UTF-16 units up to the first NUL.
std::u16string TextOf(const RecordedWrite& write) {
  std::u16string text(write.data.size() / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(write.data[2 * i] | (write.data[2 * i + 1] << 8));
  }
  return text.substr(0, text.find(u'\0'));
}

// Writes the repairs the recorder kept as a patch file; false after saying why.
bool WritePatch(const RegFileStore& store, const WriteRecorder& recorder,
                const std::string& patch_path, FileSystem& fs, FileOutcome& outcome,
                std::FILE* err) {
  std::vector<RegStringEdit> edits;
  for (const RecordedWrite& write : recorder.Writes()) {
    edits.push_back({write.root, write.key_path, write.name, TextOf(write)});
  }
  std::vector<uint8_t> bytes;
  std::string failure;
  if (BuildRegPatch(store, edits, &bytes, &failure) != ERROR_SUCCESS ||
      SaveFileSafely(fs, patch_path, bytes, &failure) != ERROR_SUCCESS) {
    Complain(patch_path + ": cannot write the patch: " + failure, outcome, err);
    return false;
  }
  return true;
}

void ReportFailedWrites(const WriteRecorder& recorder, const std::string& file,
                        FileOutcome& outcome, std::FILE* err) {
  for (const RecordedWrite& write : recorder.Writes()) {
    if (write.status == ERROR_SUCCESS) continue;
    Complain(file + ": cannot repair " + MessageText(write.key_path) + "\\" +
                 MessageText(write.name) + ": " + write.failure,
             outcome, err);
  }
}

// The text form of one file's results: the report, for fix the outcome
// message, and with --verbose a line per active-driver entry.
void PrintText(const CliOptions& options, const FileOutcome& outcome, std::FILE* out) {
  PrintLine(ReportTerminalText(outcome.entries), out);
  if (options.command == CliCommand::Fix && !outcome.message.empty())
    PrintLine(outcome.message, out);
  if (!options.verbose) return;
  for (const ScanEntry& entry : outcome.entries) PrintLine(EntryLine(entry), out);
}

// The end of every job: where a repair was not written, the scan again
// without repairing, so that the drivers show as still faulty; the failed
// writes on err, the text form on out; the exit status, worst of status and
// what the scan left.
int Conclude(const CliOptions& options, RegistryStore& store, const WriteRecorder& recorder,
             bool written, const std::string& name, DynString& report, DynString& message,
             int status, FileOutcome& result, std::FILE* out, std::FILE* err) {
  if (!written) {
    report.Clear();
    message.Clear();
    ScanWith(store, false, report, message, EveryEntry(options), result.entries);
  }
  ReportFailedWrites(recorder, name, result, err);
  result.scanned = true;
  result.message = NarrowToTerminalText(message.CStr());
  if (options.format == CliFormat::Text) PrintText(options, result, out);
  if (CountFaultyLeft(result.entries) > 0) status = std::max(status, EXIT_FAULT_LEFT);
  return result.status = status;
}

}  // namespace

int RunRegistryJob(const CliOptions& options, LocalRegistry& store, std::FILE* out,
                   std::FILE* err, FileOutcome* outcome) {
  FileOutcome own_outcome;
  FileOutcome& result = outcome != nullptr ? *outcome : own_outcome;
  result = FileOutcome();
  result.path = LOCAL_REGISTRY_NAME;
  result.has_form = false;
  const bool fix = options.command == CliCommand::Fix;
  WriteRecorder recorder(store, WriteRecorder::Mode::PassThrough,
                         [&store] { return store.LastFailure(); });
  DynString report;
  DynString message;
  ScanWith(recorder, fix, report, message, EveryEntry(options), result.entries);
  bool written = true;
  for (const RecordedWrite& write : recorder.Writes()) written &= write.status == ERROR_SUCCESS;
  return Conclude(options, store, recorder, written, LOCAL_REGISTRY_NAME, report, message,
                  EXIT_NO_FAULT_LEFT, result, out, err);
}

int RunCliJob(const CliOptions& options, const std::string& file, std::FILE* out, std::FILE* err,
              FileSystem* fs, FileOutcome* outcome) {
  FileOutcome own_outcome;
  FileOutcome& result = outcome != nullptr ? *outcome : own_outcome;
  result = FileOutcome();
  result.path = file;
  FileSystem& file_system = fs != nullptr ? *fs : RealFileSystem();
  RegFileOptions load_options;
  load_options.file_system = &file_system;
  std::string error;
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
  ScanWith(recorder, fix, report, message, every_entry, result.entries);

  int status = EXIT_NO_FAULT_LEFT;
  bool written = true;
  if (to_patch && !WritePatch(*store, recorder, options.patch_path, file_system, result, err)) {
    status = EXIT_TROUBLE;
    written = false;
  }
  if (in_place) {
    if (RegStatus committed = store->CommitWrites()) {
      recorder.FailWritten(committed, store->LastFailure());
      written = false;
    }
  }
  return Conclude(options, *store, recorder, written, file, report, message, status, result, out,
                  err);
}
