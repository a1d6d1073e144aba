// quorvafix-cli on the handheld connected to this Windows computer
// (--device): detect, fix and export over the synchronisation link, with
// the link's own failures told apart from the registry's. Everything goes
// to the two streams given, so tests run jobs in-process.
#pragma once

#include <cstdio>
#include <string>

#include "cli/cli_options.h"
#include "cli/file_outcome.h"

class DeviceRegistry;

// The name the handheld's registry goes by in reports and messages.
constexpr char DEVICE_REGISTRY_NAME[] = "handheld:HKEY_LOCAL_MACHINE\\Drivers\\Active";

// detect or fix on device. detect prints what `detect` prints for an export
// of the same registry, with its exit status. fix scans first without
// writing, saves the faulty drivers' Dll values as they are (an undo patch,
// SaveUndoFile) and only then repairs them one by one with a read-back
// (RepairDrivers): the report marks FIXED! only what was read back
// repaired, err says why each other one was not (or that its outcome is
// unknown), and out ends with "Undo file: PATH". A link lost while reading
// or repairing is EXIT_TROUBLE, with a line on err naming the drivers
// repaired, not repaired and unknown; an undo file that cannot be saved
// is EXIT_TROUBLE with nothing written to the handheld.
int RunDeviceJob(const CliOptions& options, DeviceRegistry& device, std::FILE* out, std::FILE* err,
                 FileOutcome* outcome = nullptr);

// export: the handheld's HKEY_LOCAL_MACHINE\Drivers (ExportDeviceKey) into
// out_path by the lock-file protocol, or onto out for "-". 0, or
// EXIT_TROUBLE with the reason on err (the file then not written).
int RunDeviceExport(DeviceRegistry& device, const std::string& out_path, std::FILE* out,
                    std::FILE* err);

// The whole of a --device command: for fix the repair lock
// (TakeDeviceRepairLock), then the connection (ConnectDevice, waiting
// options.wait_seconds), then the job, and for --format=json the document.
// Each of these that fails is EXIT_TROUBLE with its own message on err.
int RunOnDevice(const CliOptions& options, std::FILE* out, std::FILE* err);
