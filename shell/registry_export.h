// The registry sources the window opens (open_registry.h): a registry
// export, at most one .reg file at a time, and the computer's own registry.
// Opening one drops whatever source was open before, but only once the new
// one has loaded. Each write an export's store refuses leaves its reason
// with the export for the window to show. UI thread only, except
// LoadRegistryExport, and the open export's own operations on the one
// thread the window lets work on it meanwhile.
#pragma once

#include <string>

#include "shell/open_registry.h"

// Reads the registry export at path through file_system (null: the
// system's files) without touching the open one; any thread. Null on
// failure, with *reason set as OpenRegistryExport says.
LoadedExport LoadRegistryExport(const std::string& path, FileSystem* file_system,
                                std::string* reason);
// Makes loaded (not null) registry's export and the installed store,
// dropping the source open before.
void InstallRegistryExport(OpenRegistry& registry, LoadedExport loaded);

// Loads the registry export at path through registry's file system. On
// success it becomes registry's export and the installed registry store
// (the source open before is dropped), and the result is true. On failure
// *reason holds the store's reason ("PATH:N: REASON", "PATH: cannot read:
// ERRNO TEXT"), and the source open before stays open and installed. A
// missing file is refused: it is no registry.
bool OpenRegistryExport(OpenRegistry& registry, const std::string& path, std::string* reason);
// Opens the computer's own registry (LocalRegistry) and makes it the
// installed store in place of the source open before, which is dropped.
// False with *why set when the system has none or it cannot be opened;
// nothing changes then.
bool OpenLocalRegistry(OpenRegistry& registry, std::string* why);
// Brings exported (the open export, or null when none is open) up to date
// with its file, read afresh when it changed on disk, so that a scan
// describes the file as it is now. True when it may be scanned (also when
// null); false with *reason set to the store's reason when the file vanished
// or cannot be read or parsed now (the export then keeps what it read last,
// and is never taken as empty).
bool RefreshRegistryExport(ExportStore* exported, std::string* reason);
// Drops every source open in registry, and uninstalls its store.
void CloseRegistry(OpenRegistry& registry);
// The path of registry's export, as given to OpenRegistryExport; empty when
// none is open.
const std::string& OpenExportPath(const OpenRegistry& registry);

// A Fix's writes to an export. Each function takes the export the Fix works
// on (the open export when it began); null stands for no export, the installed
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
