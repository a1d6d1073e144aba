// The registry export the window works on: at most one .reg file is open at
// a time, and while it is, it is the process's registry store. Opening
// another replaces it only once the new one has loaded. Each write the store
// refuses leaves its reason here for the window to show. UI thread only,
// except LoadRegistryExport, and the open export's own operations on the one
// thread the window lets work on it meanwhile.
#pragma once

#include <memory>
#include <string>

class ExportStore;
struct ExportStoreDeleter {
  void operator()(ExportStore* store) const;
};
// An export read from its file and not yet open.
using LoadedExport = std::unique_ptr<ExportStore, ExportStoreDeleter>;

// Reads the registry export at path without touching the open one; any
// thread. Null on failure, with *reason set as OpenRegistryExport says.
LoadedExport LoadRegistryExport(const std::string& path, std::string* reason);
// Makes loaded (not null) the open export and the installed store, dropping
// the one open before.
void InstallRegistryExport(LoadedExport loaded);

// Loads the registry export at path. On success it becomes the open export
// and the installed registry store (the one open before is dropped), and the
// result is true. On failure *reason holds the store's reason ("PATH:N:
// REASON", "PATH: cannot read: ERRNO TEXT"), and the export open before stays
// open and installed. A missing file is refused: it is no registry.
bool OpenRegistryExport(const std::string& path, std::string* reason);
// Opens the computer's own registry (LocalRegistry) and makes it the
// installed store in place of the open export, which is dropped. False with
// *why set when the system has none or it cannot be opened; nothing changes
// then. Opening an export later (InstallRegistryExport) drops it again.
bool OpenLocalRegistry(std::string* why);
// Brings exported (the open export, or null when none is open) up to date
// with its file, read afresh when it changed on disk, so that a scan
// describes the file as it is now. True when it may be scanned (also when
// null); false with *reason set to the store's reason when the file vanished
// or cannot be read or parsed now (the export then keeps what it read last,
// and is never taken as empty).
bool RefreshRegistryExport(ExportStore* exported, std::string* reason);
// Drops the open export or the computer's registry, and uninstalls its store.
void CloseRegistryExport();
// The open export; null when none is open. It stays valid until another is
// installed or it is closed.
ExportStore* OpenExport();
// The path of the open export as given to OpenRegistryExport; empty when none.
const std::string& OpenExportPath();

// A Fix's writes to an export. Each function takes the export the Fix works
// on (OpenExport() when it began); null stands for no export, the installed
// store being some other registry: nothing is gathered, Written, no failure.

// Gathers the writes from now on into one rewrite of exported's file (a
// write's success then means it is staged), until CommitRepairs.
void GatherRepairs(ExportStore* exported);
// What a rewrite left in the export's file.
enum class RepairCommit {
  Written,     // all of it (or nothing was gathered)
  NotWritten,  // none of it: the export shows its file as it is
  Unsynced,    // all of it, but its folder could not be synced and the old
               // content could not be put back: it may not last a power loss
};
// Writes what was gathered for exported in one rewrite; LastRepairFailure
// says why when it is not Written.
RepairCommit CommitRepairs(ExportStore* exported);

// Forgets exported's refused writes so far (the window calls it before a repair).
void ClearRepairFailures(ExportStore* exported);
// The store's reason for the last write exported refused, or for a rewrite
// not Written, since ClearRepairFailures; empty when every write went through.
const std::string& LastRepairFailure(ExportStore* exported);
