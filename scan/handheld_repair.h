// The repair of a connected handheld from a scan's entries, for a link that
// can drop: the faulty drivers' Dll values are saved as an undo file first,
// then each driver is repaired and read back (device_repair.h). Shared by
// `quorvafix-cli fix --device` and the window's Fix on the handheld; the
// caller holds the repair lock (TakeDeviceRepairLock) meanwhile.
#pragma once

#include <string>
#include <vector>

#include "platform/device/device_registry.h"
#include "platform/device/device_repair.h"
#include "scan/scan_entry.h"

struct HandheldRepair {
  std::string undo_file;              // the undo file's path, once saved
  std::string undo_failure;           // why it could not be saved; nothing was written then
  std::vector<std::u16string> names;  // each faulty driver's Name, as repairs
  std::vector<DriverRepair> repairs;  // in the order of the entries
  bool link_lost = false;             // the link failed part way

  // "COM5: (Drivers\BuiltIn\Bt), COM6: (...)" for the repairs with either
  // outcome, "none" for none.
  std::string List(RepairOutcome outcome, RepairOutcome or_outcome) const;
  // Every line a user is to read about it: one per driver not repaired (or
  // of unknown outcome) with the handheld's reason, and when the link was
  // lost, which drivers were repaired, not repaired and unknown.
  std::vector<std::string> Problems() const;
};

// Saves the undo file of the faulty entries (their Key and Dll as stored),
// as a patch in the form of `fix --patch` (default form: version 5.00,
// UTF-16LE), then repairs them with SCAN_REPAIRED_DLL; each entry read back
// repaired gets repaired set. Nothing to repair: nothing saved or written.
HandheldRepair RepairHandheld(DeviceRegistry& device, std::vector<ScanEntry>& entries);
