// The repair of drivers on a handheld over a link that can drop: each Dll is
// written and then read back, so that a repair is claimed only when the
// handheld holds it. Drivers are repaired in order, one at a time.
#pragma once

#include <string>
#include <vector>

#include "platform/device/device_registry.h"

enum class RepairOutcome {
  NotTried,  // the link was lost before this driver's turn
  Fixed,     // written, and read back as written
  NotFixed,  // refused, or read back as something else: the Dll is as it was or wrong
  Unknown,   // written, but what the handheld holds could not be read back
};

struct DriverRepair {
  std::u16string key;  // the driver key's path below HKEY_LOCAL_MACHINE
  RepairOutcome outcome = RepairOutcome::NotTried;
  std::string reason;  // for NotFixed and Unknown, in words for a user
};

// Writes text as the Dll (a type-1 string) of every driver in repairs, in
// order, and reads each back: open the key, CeRegSetValueEx,
// CeRegQueryValueEx, close (four calls a driver). Fixed only when the value
// read back is exactly text. Once the link is lost, the driver in hand is
// Unknown when its write may have reached the handheld (the write itself or
// the read-back failed for the link) or NotFixed when it failed to open, and
// every later one stays NotTried.
void RepairDrivers(DeviceRegistry& device, const std::u16string& text,
                   std::vector<DriverRepair>& repairs);
