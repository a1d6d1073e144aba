// What the main window says about its registry export: the title naming it,
// the start text, the texts shown while work runs on it, the scan's report
// with the notice of entries it could not examine, and the boxes of a file
// refused, unreadable or not repaired. Both the commands that choose an
// export (export_commands.h) and the work engine (window_work.h) show their
// outcomes through these; this file knows neither. Written against platform/
// only; UI thread.
#pragma once

#include <string>

#include "platform/windowing/window_manager.h"
#include "shell/open_registry.h"
#include "text/dyn_string.h"

// Shown instead of a scan while no registry export is open.
constexpr char NO_EXPORT_MESSAGE[] =
    "No registry export is open. Choose Tools > Open Registry Export...";
// Heads the store's reason when a file cannot be opened.
constexpr char EXPORT_REFUSED_TEXT[] = "The registry file cannot be used.\n\n";
// Heads the store's reason when the open export's file cannot be read now.
constexpr char EXPORT_UNREADABLE_TEXT[] =
    "The registry file cannot be read now, so nothing was examined or changed.\n\n";
// Head the path of the export while it is read at start-up, and while a
// Detect or Fix reads it afresh and examines it.
constexpr char READING_TEXT_HEAD[] = "   Reading the registry export ";
constexpr char EXAMINING_TEXT_HEAD[] = "   Examining the registry export ";
// What a Detect or Fix examines while the computer's own registry is open.
constexpr char EXAMINING_LOCAL_TEXT[] = "   Examining the registry of this computer";
// What a Detect or Fix examines while the connected handheld is open, what
// the window says while it connects, and its start text once connected.
constexpr char EXAMINING_HANDHELD_TEXT[] = "   Examining the connected handheld";
constexpr char CONNECTING_TEXT[] =
    "   Connecting to the handheld through the synchronisation software...";
constexpr char HANDHELD_TEXT[] =
    "   The connected handheld is open: its HKEY_LOCAL_MACHINE\\Drivers\\Active, through the "
    "synchronisation software.";
// Head the reason why the handheld cannot be used, and what went wrong in
// a repair of it.
constexpr char HANDHELD_REFUSED_TEXT[] = "The connected handheld cannot be used.\n\n";
constexpr char HANDHELD_REPAIR_TEXT[] = "The handheld was not repaired as it should be.\n\n";
// Shown while a window asked to close waits for the repair being written,
// or for other work.
constexpr char CLOSING_REPAIR_TEXT[] = "   Finishing the repair before closing...";
constexpr char CLOSING_WORK_TEXT[] = "   Finishing the work in progress before closing...";
// Heads the store's reason when a repair cannot be written.
constexpr char REPAIR_REFUSED_TEXT[] = "A repair could not be written to the registry file.\n\n";
// Heads the store's reason when the repair stands in the file but its folder
// could not be synced, so it may be lost if the power fails.
constexpr char REPAIR_UNSYNCED_TEXT[] =
    "The repair was written to the registry file, but it may not last after a power "
    "loss.\n\n";
// The program's name: the title with no export open, and the end of the
// title naming one ("healthy.reg - QUORVAFIX").
constexpr char16_t PROGRAM_TITLE[] = u"QUORVAFIX";
// The start text's paragraph when the window works on the computer's own
// registry (quorvafix --local-registry).
constexpr char LOCAL_REGISTRY_TEXT[] =
    "   The registry of this computer is open: HKEY_LOCAL_MACHINE\\Drivers\\Active.";
// Where the last export opened is remembered.
constexpr char16_t PROFILE_SECTION[] = u"Registry";
constexpr char16_t PROFILE_LAST_EXPORT[] = u"LastExport";

// window's title := the file name of registry's export, " - ",
// PROGRAM_TITLE; just PROGRAM_TITLE while none is open.
void ShowExportTitle(WindowHandle window, const OpenRegistry& registry);

// DisplayText := a paragraph naming registry's export (or saying that none
// is open and how to open one), then HelpText.
void ShowExportStartText(const OpenRegistry& registry);
// DisplayText := a paragraph saying that the computer's own registry is
// open (LOCAL_REGISTRY_TEXT), then HelpText.
void ShowLocalRegistryText();
// DisplayText := the start text of the registry installed other than a
// handheld: the computer's own (ShowLocalRegistryText), else the export's
// (ShowExportStartText, also when none is open).
void ShowOpenRegistryText(const OpenRegistry& registry);
// DisplayText := the paragraph HANDHELD_TEXT (connected) or CONNECTING_TEXT,
// then HelpText.
void ShowHandheldText(bool connected);
// head and reason in a warning box owned by owner, captioned "QUORVAFIX".
void ShowHandheldProblem(WindowHandle owner, const char* head, const std::string& reason);
// DisplayText := a paragraph saying that path, the export opened last, is
// gone and that none is open (with how to open one), then HelpText.
void ShowRememberedGoneText(const std::string& path);
// DisplayText := READING_TEXT_HEAD, path, "...", then HelpText: the window's
// text while its export is still being read at start-up.
void ShowReadingText(const std::string& path);
// DisplayText := "   Examining the registry export PATH..." (PATH that of
// registry's export; none open: "   Examining the registry export..."), or
// while the computer's own registry is the installed store "   Examining
// the registry of this computer..." (the handheld's:
// EXAMINING_HANDHELD_TEXT); window invalidated.
void ShowExaminingText(WindowHandle window, const OpenRegistry& registry);
// DisplayText := "   Repairing N drivers in PATH..." ("1 driver"; no export
// open: without " in PATH"; the computer's own registry: " in the registry
// of this computer"); window invalidated.
void ShowRepairingText(WindowHandle window, int drivers, const OpenRegistry& registry);
// DisplayText := CLOSING_REPAIR_TEXT (repair) or CLOSING_WORK_TEXT; window
// invalidated.
void ShowClosingText(WindowHandle window, bool repair);

// A scan's outcome: DisplayText := report, and the window invalidated; when
// unexamined > 0 entries may hide the fault and no faulty driver is left
// (faulty_left == 0), UnexaminedNotice follows the report after a blank
// line, so that no all-clear stands alone. A Fix (repair) then shows message
// (with the same notice after it) in an information box captioned
// "QUORVAFIX".
void ShowScanReport(WindowHandle window, const DynString& report, const DynString& message,
                    bool repair, int unexamined, int faulty_left);

// True when a registry is open (a store is installed); otherwise shows
// NO_EXPORT_MESSAGE in a box owned by window, captioned "QUORVAFIX", and
// returns false.
bool RequireRegistry(WindowHandle window);

// Shows EXPORT_REFUSED_TEXT and reason in a warning box owned by owner (0:
// none), captioned "QUORVAFIX".
void ShowRefusedExport(WindowHandle owner, const std::string& reason);
// The file of registry's export cannot be read now: DisplayText := the
// start text naming it, with the reason after it in place of any earlier report (so no
// report of an earlier reading stays in view), the window invalidated; then
// EXPORT_UNREADABLE_TEXT and reason in a warning box owned by window,
// captioned "QUORVAFIX".
void ShowUnreadableExport(WindowHandle window, const OpenRegistry& registry,
                          const std::string& reason);
// After registry's export was opened: remembers its path, makes the start
// text naming it the window's text, names it in the title and invalidates
// the window.
void ShowOpenedExport(WindowHandle window, const OpenRegistry& registry);
// After a repair: when the store refused a write (reason, as LastRepairFailure
// gave it, is not empty), shows REPAIR_REFUSED_TEXT and reason in a warning
// box owned by window, captioned "QUORVAFIX".
void ShowRefusedRepair(WindowHandle window, const std::string& reason);
// After a repair that stands in the file but may not last (reason, as
// LastRepairFailure gave it for an Unsynced rewrite, is not empty): shows
// REPAIR_UNSYNCED_TEXT and reason in a warning box owned by window,
// captioned "QUORVAFIX".
void ShowUnsyncedRepair(WindowHandle window, const std::string& reason);
