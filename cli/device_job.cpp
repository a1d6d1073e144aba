#include "cli/device_job.h"

#include <memory>
#include <vector>

#include "cli/cli_job.h"
#include "cli/job_steps.h"
#include "cli/json_report.h"
#include "cli/report_text.h"
#include "cli/terminal_text.h"
#include "platform/device/device_export.h"
#include "platform/device/device_registry.h"
#include "platform/device/device_repair.h"
#include "platform/device/device_system.h"
#include "platform/files/lock_file.h"
#include "platform/registry/reg_patch.h"
#include "scan/report_layout.h"
#include "scan/serial_scan.h"
#include "text/dyn_string.h"

namespace {

constexpr char LOST_WHILE_READING[] =
    "the connection to the handheld was lost while reading its registry; nothing was "
    "changed: connect it again and run this again";

// "COM5: (Drivers\BuiltIn\Bt)" for each repair with one of the outcomes,
// "none" for none.
std::string Drivers(const std::vector<ScanEntry*>& entries,
                    const std::vector<DriverRepair>& repairs, RepairOutcome outcome,
                    RepairOutcome or_outcome) {
  std::string list;
  for (size_t i = 0; i < repairs.size(); ++i) {
    if (repairs[i].outcome != outcome && repairs[i].outcome != or_outcome) continue;
    if (!list.empty()) list += ", ";
    list += EscapeControls(MessageText(entries[i]->name)) + " (" +
            EscapeControls(MessageText(repairs[i].key)) + ")";
  }
  return list.empty() ? "none" : list;
}

// The undo patch of the faulty entries: their Dll values as stored now.
bool SaveUndo(const std::vector<ScanEntry*>& faulty, std::string* path, std::string* why) {
  std::vector<RegStringEdit> edits;
  for (const ScanEntry* entry : faulty)
    edits.push_back({HKEY_LOCAL_MACHINE, entry->key, u"Dll", entry->stored_dll});
  std::vector<uint8_t> bytes;
  if (BuildRegPatch(RegFileForm(), edits, &bytes, why) != ERROR_SUCCESS) return false;
  return SaveUndoFile(bytes, path, why);
}

// Repairs the faulty entries of result after saving the undo file; the
// exit status so far (EXIT_TROUBLE when the undo file or the link failed).
int Repair(DeviceRegistry& device, FileOutcome& result, DynString& message, std::FILE* err) {
  std::vector<ScanEntry*> faulty;
  for (ScanEntry& entry : result.entries)
    if (entry.Examined() && entry.faulty) faulty.push_back(&entry);
  if (faulty.empty()) return EXIT_NO_FAULT_LEFT;
  std::string why;
  if (!SaveUndo(faulty, &result.undo_file, &why)) {
    Complain(std::string(DEVICE_REGISTRY_NAME) + ": cannot save the undo file, so nothing was " +
                 "changed: " + why,
             result, err);
    result.undo_file.clear();
    return EXIT_TROUBLE;
  }
  std::vector<DriverRepair> repairs;
  for (const ScanEntry* entry : faulty)
    repairs.push_back({entry->key, RepairOutcome::NotTried, ""});
  RepairDrivers(device, SCAN_REPAIRED_DLL, repairs);
  message.Clear();
  for (size_t i = 0; i < repairs.size(); ++i) {
    ScanEntry& entry = *faulty[i];
    entry.repaired = repairs[i].outcome == RepairOutcome::Fixed;
    if (entry.repaired) message.Assign(SCAN_REPAIRED_MESSAGE);
    const std::string value = EscapeControls(MessageText(repairs[i].key)) + "\\Dll";
    if (repairs[i].outcome == RepairOutcome::NotFixed)
      Complain(
          std::string(DEVICE_REGISTRY_NAME) + ": cannot repair " + value + ": " + repairs[i].reason,
          result, err);
    if (repairs[i].outcome == RepairOutcome::Unknown)
      Complain(std::string(DEVICE_REGISTRY_NAME) + ": the repair of " + value +
                   " may or may not have been made: " + repairs[i].reason,
               result, err);
  }
  if (!device.LinkLost()) return EXIT_NO_FAULT_LEFT;
  Complain(
      std::string(DEVICE_REGISTRY_NAME) +
          ": the connection to the handheld was lost during the repair; repaired: " +
          Drivers(faulty, repairs, RepairOutcome::Fixed, RepairOutcome::Fixed) +
          "; not repaired: " +
          Drivers(faulty, repairs, RepairOutcome::NotFixed, RepairOutcome::NotTried) +
          "; unknown: " + Drivers(faulty, repairs, RepairOutcome::Unknown, RepairOutcome::Unknown) +
          "; connect it again and run fix --device again (the undo file holds the values "
          "from before)",
      result, err);
  return EXIT_TROUBLE;
}

}  // namespace

int RunDeviceJob(const CliOptions& options, DeviceRegistry& device, std::FILE* out, std::FILE* err,
                 FileOutcome* outcome) {
  FileOutcome own_outcome;
  FileOutcome& result = outcome != nullptr ? *outcome : own_outcome;
  result = FileOutcome();
  result.path = DEVICE_REGISTRY_NAME;
  result.has_form = false;
  DynString report;
  DynString message;
  // Every entry is kept: a repair needs the faulty ones' Key and stored Dll.
  ScanWith(device, false, report, message, true, result);
  if (device.LinkLost()) {
    result.entries.clear();
    Complain(std::string(DEVICE_REGISTRY_NAME) + ": " + LOST_WHILE_READING, result, err);
    return result.status = EXIT_TROUBLE;
  }
  int status = EXIT_NO_FAULT_LEFT;
  if (options.command == CliCommand::Fix) status = Repair(device, result, message, err);
  if (result.unexamined > 0)
    Complain(std::string(DEVICE_REGISTRY_NAME) + ": " + UnexaminedNotice(result.unexamined), result,
             err);
  result.scanned = true;
  result.message = OutcomeMessage(message.CStr(), result, "");
  if (!EveryEntry(options)) {
    std::vector<ScanEntry> examined;
    for (const ScanEntry& entry : result.entries)
      if (entry.Examined()) examined.push_back(entry);
    result.entries = std::move(examined);
  }
  if (options.format == CliFormat::Text) {
    PrintText(options, result, out);
    if (!result.undo_file.empty())
      std::fprintf(out, "Undo file: %s\n", EscapeControls(result.undo_file).c_str());
  }
  if (CountFaultyLeft(result.entries) > 0) {
    status = WeightierStatus(status, EXIT_FAULT_LEFT);
  } else if (result.unexamined > 0) {
    status = WeightierStatus(status, EXIT_INCOMPLETE);
  }
  return result.status = status;
}

int RunDeviceExport(DeviceRegistry& device, const std::string& out_path, std::FILE* out,
                    std::FILE* err) {
  std::vector<uint8_t> bytes;
  std::string failure;
  if (ExportDeviceKey(device, HKEY_LOCAL_MACHINE, u"Drivers", &bytes, &failure) != ERROR_SUCCESS) {
    PrintErrorLine(err, EscapeControls(out_path) + ": not written: " + failure);
    return EXIT_TROUBLE;
  }
  if (out_path == STDOUT_FILE_NAME) {
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    return EXIT_NO_FAULT_LEFT;
  }
  if (SaveFileSafely(RealFileSystem(), out_path, bytes, &failure) != ERROR_SUCCESS) {
    PrintErrorLine(err, EscapeControls(out_path) + ": cannot write the export: " + failure);
    return EXIT_TROUBLE;
  }
  return EXIT_NO_FAULT_LEFT;
}

int RunOnDevice(const CliOptions& options, std::FILE* out, std::FILE* err) {
  std::unique_ptr<DeviceRepairLock> lock;
  if (options.command == CliCommand::Fix && (lock = TakeDeviceRepairLock()) == nullptr) {
    PrintErrorLine(err,
                   "--device: another repair of the handheld is running (quorvafix-cli fix "
                   "--device or the window's Fix); wait until it ends and run this again");
    return EXIT_TROUBLE;
  }
  DeviceConnectFailure failure;
  std::string why;
  std::unique_ptr<RapiLink> link = ConnectDevice(options.wait_seconds, &failure, &why);
  if (link == nullptr) {
    PrintErrorLine(err, why);
    return EXIT_TROUBLE;
  }
  DeviceRegistry device(*link);
  if (options.command == CliCommand::Export)
    return RunDeviceExport(device, options.files.front(), out, err);
  FileOutcome outcome;
  int status = RunDeviceJob(options, device, out, err, &outcome);
  if (options.format == CliFormat::Json) {
    JsonReportWriter json(out);
    json.Add(outcome);
    json.Finish();
  }
  return status;
}
