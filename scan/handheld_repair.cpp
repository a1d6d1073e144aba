#include "scan/handheld_repair.h"

#include "platform/device/device_system.h"
#include "platform/registry/reg_patch.h"
#include "scan/serial_scan.h"

std::string HandheldRepair::List(RepairOutcome outcome, RepairOutcome or_outcome) const {
  std::string list;
  for (size_t i = 0; i < repairs.size(); ++i) {
    if (repairs[i].outcome != outcome && repairs[i].outcome != or_outcome) continue;
    if (!list.empty()) list += ", ";
    list += MessageText(names[i]) + " (" + MessageText(repairs[i].key) + ")";
  }
  return list.empty() ? "none" : list;
}

std::vector<std::string> HandheldRepair::Problems() const {
  std::vector<std::string> lines;
  if (!undo_failure.empty()) {
    lines.push_back("cannot save the undo file, so nothing was changed: " + undo_failure);
    return lines;
  }
  for (const DriverRepair& repair : repairs) {
    const std::string value = MessageText(repair.key) + "\\Dll";
    if (repair.outcome == RepairOutcome::NotFixed)
      lines.push_back("cannot repair " + value + ": " + repair.reason);
    if (repair.outcome == RepairOutcome::Unknown)
      lines.push_back("the repair of " + value +
                      " may or may not have been made: " + repair.reason);
  }
  if (link_lost) {
    lines.push_back(
        "the connection to the handheld was lost during the repair; repaired: " +
        List(RepairOutcome::Fixed, RepairOutcome::Fixed) +
        "; not repaired: " + List(RepairOutcome::NotFixed, RepairOutcome::NotTried) +
        "; unknown: " + List(RepairOutcome::Unknown, RepairOutcome::Unknown) +
        "; connect it again and repair again (the undo file holds the values from before)");
  }
  return lines;
}

HandheldRepair RepairHandheld(DeviceRegistry& device, std::vector<ScanEntry>& entries) {
  HandheldRepair result;
  std::vector<ScanEntry*> faulty;
  std::vector<RegStringEdit> undo;
  for (ScanEntry& entry : entries) {
    if (!entry.Examined() || !entry.faulty) continue;
    faulty.push_back(&entry);
    undo.push_back({HKEY_LOCAL_MACHINE, entry.key, u"Dll", entry.stored_dll});
    result.names.push_back(entry.name);
    result.repairs.push_back({entry.key, RepairOutcome::NotTried, ""});
  }
  if (faulty.empty()) return result;
  std::vector<uint8_t> bytes;
  if (BuildRegPatch(RegFileForm(), undo, &bytes, &result.undo_failure) != ERROR_SUCCESS ||
      !SaveUndoFile(bytes, &result.undo_file, &result.undo_failure)) {
    result.undo_file.clear();
    return result;
  }
  RepairDrivers(device, SCAN_REPAIRED_DLL, result.repairs);
  for (size_t i = 0; i < faulty.size(); ++i)
    faulty[i]->repaired = result.repairs[i].outcome == RepairOutcome::Fixed;
  result.link_lost = device.LinkLost();
  return result;
}
