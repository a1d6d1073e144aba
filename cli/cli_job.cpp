#include "cli/cli_job.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "cli/report_text.h"
#include "cli/write_recorder.h"
#include "platform/reg_file_store.h"
#include "platform/reg_file_writer.h"
#include "platform/reg_patch.h"
#include "platform/registry.h"
#include "scan/serial_scan.h"
#include "text/dyn_string.h"

namespace {

constexpr char PROGRAM[] = "quorvafix-cli";

// Runs the scan with store installed as the registry.
void ScanWith(RegistryStore& store, bool repair, DynString& report, DynString& message) {
  InstallRegistryStore(&store);
  ScanSerialDrivers(report, message, repair);
  InstallRegistryStore(nullptr);
}

void PrintNarrowLine(const DynString& text, std::FILE* out) {
  std::string printed = NarrowToTerminalText(text.CStr());
  if (printed.empty() || printed.back() != '\n') printed.push_back('\n');
  std::fputs(printed.c_str(), out);
}

std::string Narrow(const std::u16string& wide) {
  DynString narrow;
  narrow.AssignWide(wide.c_str());
  return NarrowToTerminalText(narrow.CStr());
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
bool WritePatch(const RegFileStore& store, const WriteRecorder& recorder, const std::string& patch_path,
                FileSystem& fs, std::FILE* err) {
  std::vector<RegStringEdit> edits;
  for (const RecordedWrite& write : recorder.Writes()) {
    edits.push_back({write.root, write.key_path, write.name, TextOf(write)});
  }
  std::vector<uint8_t> bytes;
  std::string failure;
  if (BuildRegPatch(store, edits, &bytes, &failure) != ERROR_SUCCESS ||
      SaveFileSafely(fs, patch_path, bytes, &failure) != ERROR_SUCCESS) {
    std::fprintf(err, "%s: %s: cannot write the patch: %s\n", PROGRAM, patch_path.c_str(), failure.c_str());
    return false;
  }
  return true;
}

void ReportFailedWrites(const WriteRecorder& recorder, const std::string& file, std::FILE* err) {
  for (const RecordedWrite& write : recorder.Writes()) {
    if (write.status == ERROR_SUCCESS) continue;
    std::fprintf(err, "%s: %s: cannot repair %s\\%s: %s\n", PROGRAM, file.c_str(), Narrow(write.key_path).c_str(),
                 Narrow(write.name).c_str(), write.failure.c_str());
  }
}

}  // namespace

int RunCliJob(const CliOptions& options, const std::string& file, std::FILE* out, std::FILE* err,
              FileSystem* fs) {
  FileSystem& file_system = fs != nullptr ? *fs : RealFileSystem();
  RegFileOptions load_options;
  load_options.file_system = &file_system;
  std::string error;
  std::unique_ptr<RegFileStore> store = RegFileStore::Load(file, &error, load_options);
  if (store == nullptr) {
    std::fprintf(err, "%s: %s\n", PROGRAM, error.c_str());
    return EXIT_TROUBLE;
  }

  bool fix = options.command == CliCommand::Fix;
  bool to_patch = fix && !options.patch_path.empty();
  WriteRecorder recorder(*store, to_patch ? WriteRecorder::Mode::KeepToItself : WriteRecorder::Mode::PassThrough,
                         [&store] { return store->LastFailure(); });
  DynString report;
  DynString message;
  ScanWith(recorder, fix, report, message);

  int status = EXIT_NO_FAULT_LEFT;
  if (to_patch && !WritePatch(*store, recorder, options.patch_path, file_system, err)) {
    status = EXIT_TROUBLE;
    // Nothing was repaired after all: show the drivers as still faulty.
    report.Clear();
    message.Clear();
    ScanWith(*store, false, report, message);
  }
  ReportFailedWrites(recorder, file, err);

  PrintNarrowLine(report, out);
  if (fix && message.Length() > 0) PrintNarrowLine(message, out);
  if (CountUnrepairedDrivers(report.CStr()) > 0) status = std::max(status, EXIT_FAULT_LEFT);
  return status;
}
