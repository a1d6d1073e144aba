// The main window's part in choosing the registry export: the start text
// that names it, the Open command's dialog, files dropped on the window, a
// path handed over by a second copy, the box Detect and Fix show while none
// is open, and the box for a repair the store refused. Written against
// platform/ only; UI thread.
#pragma once

#include <string>

#include "platform/windowing/desktop_services.h"
#include "platform/windowing/window_manager.h"

// Shown instead of a scan while no registry export is open.
constexpr char NO_EXPORT_MESSAGE[] =
    "No registry export is open. Choose Tools > Open Registry Export...";
// Heads the store's reason when a file cannot be opened.
constexpr char EXPORT_REFUSED_TEXT[] = "The registry file cannot be used.\n\n";
// Heads the store's reason when the open export's file cannot be read now.
constexpr char EXPORT_UNREADABLE_TEXT[] =
    "The registry file cannot be read now, so nothing was examined or changed.\n\n";
// Heads the path of an export still being read at start-up.
constexpr char READING_TEXT_HEAD[] = "   Reading the registry export ";
// Heads the store's reason when a repair cannot be written.
constexpr char REPAIR_REFUSED_TEXT[] = "A repair could not be written to the registry file.\n\n";
// The open dialog's filter: registry exports first, then every file.
constexpr char16_t EXPORT_FILTER[] = u"Registry exports (*.reg)\0*.reg\0All files (*)\0*\0";
// The WM_COPYDATA kind of a path handed over: its UTF-16 units in the
// machine's byte order, no terminator.
constexpr uintptr_t COPYDATA_OPEN_EXPORT = 0x51465831;  // "QFX1"
// Where the last export opened is remembered.
constexpr char16_t PROFILE_SECTION[] = u"Registry";
constexpr char16_t PROFILE_LAST_EXPORT[] = u"LastExport";

// DisplayText := a paragraph naming the open export (or saying that none is
// open and how to open one), then HelpText.
void ShowExportStartText();

// DisplayText := READING_TEXT_HEAD, path, "...", then HelpText: the window's
// text while its export is still being read at start-up.
void ShowReadingText(const std::string& path);

// True when a registry is open (a store is installed); otherwise shows
// NO_EXPORT_MESSAGE in a box owned by window, captioned "QUORVAFIX", and
// returns false.
bool RequireRegistry(WindowHandle window);

// Shows EXPORT_REFUSED_TEXT and reason in a warning box owned by owner (0:
// none), captioned "QUORVAFIX".
void ShowRefusedExport(WindowHandle owner, const std::string& reason);
// Shows EXPORT_UNREADABLE_TEXT and reason in a warning box owned by window,
// captioned "QUORVAFIX".
void ShowUnreadableExport(WindowHandle window, const std::string& reason);

// Opens path (UTF-8) as the registry export. On success the window's text
// becomes the start text naming it, the window is invalidated and the path
// is remembered (ShowOpenedExport); on refusal the store's reason is shown
// (ShowRefusedExport) and the export open before stays, with the window's
// text.
bool OpenExportInWindow(WindowHandle window, const std::string& path);
// After an export was opened: remembers its path, makes the start text
// naming it the window's text and invalidates the window.
void ShowOpenedExport(WindowHandle window);

// The three ways to choose an export read it on the window's worker
// (window_work.h) and open it as OpenExportInWindow does once it is read.
// IDM_OPEN: the open-file dialog over window, starting in the open export's
// folder, filtered by EXPORT_FILTER; a chosen file is opened, a cancel does
// nothing. Waits for an export being read (WaitForRead); ignored during a
// scan.
void OnOpenCommand(WindowHandle window);
// WM_DROPFILES: opens the first file dropped (once the work in progress is
// done), then releases the drop.
void OnDropFiles(WindowHandle window, DropHandle drop);
// WM_COPYDATA: opens a path of kind COPYDATA_OPEN_EXPORT when it is an
// absolute path to a regular file (once the work in progress is done), and
// returns 1 (whatever the store made of it); ignores anything else and
// returns 0.
MessageResult OnCopyData(WindowHandle window, const CopyData* data);

// After a repair: when the store refused a write (reason, as LastRepairFailure
// gave it, is not empty), shows REPAIR_REFUSED_TEXT and reason in a box owned
// by window, captioned "QUORVAFIX".
void ShowRefusedRepair(WindowHandle window, const std::string& reason);

// The export remembered from an earlier run (UTF-8); empty when none.
std::string RememberedExport();
