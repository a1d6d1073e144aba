#include "shell/handheld.h"

#include "platform/device/device_registry.h"
#include "platform/device/device_system.h"
#include "platform/registry/registry.h"
#include "scan/handheld_repair.h"
#include "scan/report_layout.h"
#include "scan/serial_scan.h"
#include "shell/path_text.h"
#include "shell/registry_export.h"

class ConnectedHandheld {
 public:
  explicit ConnectedHandheld(std::unique_ptr<RapiLink> link)
      : link_(std::move(link)), registry_(*link_) {}
  DeviceRegistry& Registry() { return registry_; }

 private:
  std::unique_ptr<RapiLink> link_;
  DeviceRegistry registry_;
};

void ConnectedHandheldDeleter::operator()(ConnectedHandheld* handheld) const { delete handheld; }

namespace {

constexpr char LOST_WHILE_READING[] =
    "The connection to the handheld was lost while reading its registry; nothing was changed. "
    "Connect it again and choose Tools > Detect or Fix again.";
// The window has no --wait: a handheld that does not answer is told in its terms.
constexpr char NO_ANSWER_HEAD[] = "No handheld answered within ";
constexpr char NO_ANSWER_TAIL[] =
    " seconds: connect it (cable or cradle), wait until the synchronisation software shows it "
    "as connected, and choose Tools > Use Connected Handheld again.";

// The report of entries as the scan writes it.
struct ReportSink {
  DynString& report;
  void Field(const char* text) { report.Append(text); }
  void Text(const char* text) { report.Append(text); }
};

}  // namespace

HandheldLink ConnectHandheld(std::string* reason) {
  DeviceConnectFailure failure;
  std::unique_ptr<RapiLink> link = ConnectDevice(HANDHELD_WAIT_SECONDS, &failure, reason);
  if (link == nullptr && failure == DeviceConnectFailure::NoAnswer)
    *reason = NO_ANSWER_HEAD + std::to_string(HANDHELD_WAIT_SECONDS) + NO_ANSWER_TAIL;
  if (link == nullptr) return nullptr;
  return HandheldLink(new ConnectedHandheld(std::move(link)));
}

void UseHandheld(OpenRegistry& registry, HandheldLink handheld) {
  CloseRegistry(registry);
  registry.handheld = std::move(handheld);
  InstallRegistryStore(&registry.handheld->Registry());
}

bool HandheldInstalled(const OpenRegistry& registry) {
  return registry.handheld != nullptr && InstalledRegistryStore() == &registry.handheld->Registry();
}

void CloseHandheld(OpenRegistry& registry) {
  if (HandheldInstalled(registry)) InstallRegistryStore(nullptr);
  registry.handheld.reset();
}

void ScanHandheld(ConnectedHandheld& handheld, bool repair, HandheldScan* scan) {
  DeviceRegistry& device = handheld.Registry();
  std::unique_ptr<DeviceRepairLock> lock;
  if (repair && (lock = TakeDeviceRepairLock()) == nullptr) {
    scan->problems =
        "Another repair of the handheld is running (the window's Fix or quorvafix-cli fix "
        "--device); wait until it ends and choose Fix again.";
    repair = false;
  }
  ScanEntryList entries;
  ScanSerialDrivers(scan->report, scan->message, false, &entries);
  if (device.LinkLost()) {
    // No report of a part of the registry: the window says what happened.
    scan->report.Assign((std::string("   ") + LOST_WHILE_READING).c_str());
    scan->message.Clear();
    scan->problems = LOST_WHILE_READING;
    return;
  }
  scan->unexamined = entries.unexamined;
  if (repair) {
    const HandheldRepair done = RepairHandheld(device, entries.entries);
    scan->undo_file = done.undo_file;
    for (const std::string& problem : done.Problems()) scan->problems += problem + "\n";
    scan->report.Clear();
    ReportSink sink{scan->report};
    WriteReport(sink, entries.entries);
    for (const DriverRepair& driver : done.repairs)
      if (driver.outcome == RepairOutcome::Fixed) scan->message.Assign(SCAN_REPAIRED_MESSAGE);
    if (!done.undo_file.empty()) {
      DynString line;
      line.AssignWide(WideOfUtf8("\r\nUndo file: " + done.undo_file + "\r\n").c_str());
      scan->report.Append(line.CStr());
    }
  }
  scan->faulty_left = CountFaultyLeft(entries.entries);
}
