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
#include "platform/device/device_system.h"
#include "platform/files/lock_file.h"
#include "scan/handheld_repair.h"
#include "scan/report_layout.h"
#include "text/dyn_string.h"

namespace {

constexpr char LOST_WHILE_READING[] =
    "the connection to the handheld was lost while reading its registry; nothing was "
    "changed: connect it again and run this again";

// Repairs the faulty entries of result (RepairHandheld), telling err of
// every problem; the exit status so far (EXIT_TROUBLE when the undo file
// could not be saved or the link was lost).
int Repair(DeviceRegistry& device, FileOutcome& result, DynString& message, std::FILE* err) {
  const HandheldRepair repair = RepairHandheld(device, result.entries);
  result.undo_file = repair.undo_file;
  for (const std::string& problem : repair.Problems())
    Complain(std::string(DEVICE_REGISTRY_NAME) + ": " + problem, result, err);
  for (const DriverRepair& driver : repair.repairs)
    if (driver.outcome == RepairOutcome::Fixed) message.Assign(SCAN_REPAIRED_MESSAGE);
  return repair.link_lost || !repair.undo_failure.empty() ? EXIT_TROUBLE : EXIT_NO_FAULT_LEFT;
}

}  // namespace

int RunDeviceJob(const CliOptions& options, DeviceRegistry& device, std::FILE* out, std::FILE* err,
                 FileOutcome* outcome) {
  FileOutcome own_outcome;
  FileOutcome& result = FreshOutcome(outcome, own_outcome, DEVICE_REGISTRY_NAME, false);
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
  if (SaveFileSafely(RealFileSystem(), out_path, bytes, &failure) != 0) {
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
