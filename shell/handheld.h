// The handheld connected to this Windows computer as the window's registry
// (quorvafix --device): connected on the window's worker, then the
// installed store until an export is opened in its place. Detect reads it
// as it reads an export; Fix repairs it as `quorvafix-cli fix --device`
// does (RepairHandheld: undo file first, each repair read back), under the
// repair lock the tool takes too. Connecting and scanning run on the worker;
// everything else on the UI thread.
#pragma once

#include <memory>
#include <string>

#include "text/dyn_string.h"

class ConnectedHandheld;
struct ConnectedHandheldDeleter {
  void operator()(ConnectedHandheld* handheld) const;
};
using HandheldLink = std::unique_ptr<ConnectedHandheld, ConnectedHandheldDeleter>;

// How long the window waits for the handheld to answer.
constexpr int HANDHELD_WAIT_SECONDS = 15;

// Connects to the handheld (ConnectDevice); null with *reason when none
// answers or the synchronisation software is missing. Any thread.
HandheldLink ConnectHandheld(std::string* reason);
// Makes handheld (not null) the installed store, in place of the open
// export, which is closed.
void UseHandheld(HandheldLink handheld);
// Whether the handheld is the installed store.
bool HandheldInstalled();
// Drops the handheld, uninstalling its store when it is installed.
void CloseHandheld();

// What a Detect or Fix on the handheld found.
struct HandheldScan {
  DynString report;  // the scan's report, FIXED! only for repairs read back
  DynString message;
  int unexamined = 0;
  int faulty_left = 0;
  std::string problems;   // why drivers were not repaired, or the link failed; may be empty
  std::string undo_file;  // a Fix's undo file
};
// Detect (repair false) or Fix on the installed handheld; on the worker.
void ScanHandheld(bool repair, HandheldScan* scan);
