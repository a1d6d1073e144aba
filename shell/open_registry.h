// The registry the main window works on: an export read from its .reg file,
// the computer's own registry or the connected handheld, whichever was
// chosen last. While one is open it is the process's installed registry
// store. Part of the window's state (shell_state.h); registry_export.h and
// handheld.h open and close what it holds. UI thread only.
#pragma once

#include <memory>

#include "platform/registry/local_registry.h"

class FileSystem;

class ExportStore;
struct ExportStoreDeleter {
  void operator()(ExportStore* store) const;
};
// An export read from its file: open once it is in an OpenRegistry.
using LoadedExport = std::unique_ptr<ExportStore, ExportStoreDeleter>;

class ConnectedHandheld;
struct ConnectedHandheldDeleter {
  void operator()(ConnectedHandheld* handheld) const;
};
using HandheldLink = std::unique_ptr<ConnectedHandheld, ConnectedHandheldDeleter>;

struct OpenRegistry {
  LoadedExport exported;                 // the open export; null when none
  std::unique_ptr<LocalRegistry> local;  // the computer's own, when open
  HandheldLink handheld;                 // the connected handheld, when open
  // What exports are read and written through; null: the system's files.
  FileSystem* file_system = nullptr;
};
