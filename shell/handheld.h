// The handheld connected to this Windows computer as the window's registry
// (quorvafix --device): connected on the window's worker, then the
// installed store until an export is opened in its place. Detect reads it
// as it reads an export; Fix repairs it as `quorvafix-cli fix --device`
// does (RepairHandheld: undo file first, each repair read back), under the
// repair lock the tool takes too. Connecting and scanning run on the worker;
// everything else on the UI thread.
#pragma once

#include <string>

#include "shell/open_registry.h"
#include "text/dyn_string.h"

// How long the window waits for the handheld to answer.
constexpr int HANDHELD_WAIT_SECONDS = 15;

// Connects to the handheld (ConnectDevice); null with *reason when none
// answers (then "No handheld answered within 15 seconds: ...", naming Tools >
// Use Connected Handheld) or the synchronisation software is missing. Any
// thread.
HandheldLink ConnectHandheld(std::string* reason);
// Makes handheld (not null) registry's handheld and the installed store, in
// place of the source open before, which is dropped.
void UseHandheld(OpenRegistry& registry, HandheldLink handheld);
// Whether registry's handheld is the installed store.
bool HandheldInstalled(const OpenRegistry& registry);
// Drops registry's handheld, uninstalling its store when it is installed;
// any other source stays.
void CloseHandheld(OpenRegistry& registry);

// What a Detect or Fix on the handheld found.
struct HandheldScan {
  // The scan's report, FIXED! only for repairs read back; when the link is
  // lost while reading, the paragraph saying so instead.
  DynString report;
  DynString message;
  int unexamined = 0;
  int faulty_left = 0;
  std::string problems;   // why drivers were not repaired, or the link failed; may be empty
  std::string undo_file;  // a Fix's undo file
};
// Detect (repair false) or Fix on handheld, the installed store; on the worker.
void ScanHandheld(ConnectedHandheld& handheld, bool repair, HandheldScan* scan);
