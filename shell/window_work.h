// The main window's long work (reading an export, Detect, Fix) on a worker
// thread, so that the window keeps painting and shows the wait cursor while
// it runs. One piece of work at a time, and meanwhile the window leaves the
// registry store to it: Detect, Fix and Open wait for an export being read
// and are ignored during a scan, a path dropped or handed over waits for the
// work to end, and so does a close request. UI thread only; the work itself
// touches nothing but the registry it was started on. The work in progress
// and what waits for it are the window's WindowWork (shell_state.h).
#pragma once

#include <string>

#include "platform/windowing/window_manager.h"
#include "shell/shell_state.h"

// Posted by the worker to the window when its work is done; lparam: the work.
constexpr uint32_t WM_WORK_DONE = WM_USER + 1;
// Posted by the window's first paint to itself when work waits for that
// paint (OpenAfterFirstPaint); lparam: the work.
constexpr uint32_t WM_WORK_START = WM_USER + 2;
// Posted by the worker of a Fix once its repairs are gathered and their
// write begins; lparam: the work.
constexpr uint32_t WM_WORK_PROGRESS = WM_USER + 3;
// Posted by the window to itself when work is done and a source handed over
// meanwhile waits (SwitchWhenIdle).
constexpr uint32_t WM_SOURCE_WHEN_IDLE = WM_USER + 4;

// True from the start of a piece of work until WM_WORK_DONE has been handled.
bool WorkInProgress(const WindowWork& queue);

// While an export is being read (or the handheld connected): remembers command (IDM_DETECT, IDM_FIX
// or IDM_OPEN; the last one chosen meanwhile wins) to be carried out once the read is done, and
// returns true. A scan is then dropped when the export is refused (nothing else is scanned in its
// place); an Open is carried out all the same. Both are dropped when the window closes first.
// False, and nothing remembered, when no export is being read.
bool WaitForRead(WindowWork& queue, uint16_t command);
// Detect (repair false) or Fix (repair true) on the window's registry (an
// export read afresh first, the computer's own or the handheld). Meanwhile the window says so:
// "Examining the registry export FILE...", then for a Fix with drivers to repair "Repairing N
// drivers in FILE..." while the repair is written. When done, the report becomes the window's text
// (ShowScanReport, with the notice of entries that could not be examined), then the Fix's outcome
// box and the box of a repair the store refused follow. The report describes the file as it ends
// up: a rewrite that failed shows the drivers still faulty; one that stands although its folder
// could not be synced shows them FIXED, and a warning box (ShowUnsyncedRepair) says it may not
// last. A file that cannot be read now is told by ShowUnreadableExport, no earlier report left in
// view. With no work running it starts now, or shows NO_EXPORT_MESSAGE when no export is open
// (RequireRegistry); while an export is read it waits for it (WaitForRead);
// during a scan it is ignored, as a disabled menu item would be.
void ScanWhenIdle(ShellState& shell, WindowHandle window, bool repair);
// Reads path as the next export; false (nothing started) while other work
// runs. When done it is opened in the window (OpenExportInWindow's result),
// or its refusal is shown and the export open before stays.
bool StartOpen(ShellState& shell, WindowHandle window, const std::string& path);
// Opens path once the work in progress is done, or now when none runs (the
// last path or source asked for wins).
void OpenWhenIdle(ShellState& shell, WindowHandle window, const std::string& path);
// While work runs: remembers option, naming a source other than an export,
// in place of any path or source remembered before; once the work is done
// the window posts itself WM_SOURCE_WHEN_IDLE to switch to it.
void SwitchWhenIdle(WindowWork& queue, const std::string& option);

// Connects to the handheld on the worker (ConnectHandheld), the window
// saying so (CONNECTING_TEXT); a handheld open already is dropped first.
// Once connected it is the window's registry (UseHandheld, HANDHELD_TEXT),
// else the reason is shown in a box and the registry open before stays
// (ShowOpenRegistryText). False, nothing started, while other work runs.
bool StartConnect(ShellState& shell, WindowHandle window);
// Start-up (quorvafix --device): the same, begun once the window has
// painted for the first time, as OpenAfterFirstPaint begins a read.
void ConnectAfterFirstPaint(ShellState& shell);
// Start-up, before the main window exists: makes reading path the window's
// work, begun only once the window has painted for the first time
// (OnWindowPainted), so that the window never waits for the file. From now
// on the work is in progress, under the wait cursor. Once read, the export
// opens in the window (OpenExportInWindow's result); refused, its refusal is
// shown over the window, before any scan, and then with end_on_refusal the
// window closes and StartExitStatus becomes 1, and without it the window
// stays with no export open; a file dropped or handed over, or an Open
// chosen, meanwhile keeps the window for it. Ignored while other work runs.
void OpenAfterFirstPaint(ShellState& shell, const std::string& path, bool end_on_refusal);
// 1 when an export read at start-up with end_on_refusal was refused after
// the window appeared; otherwise 0. Forgets it, ready for the next run.
int StartExitStatus(WindowWork& queue);

// Waits for the work in progress, if any, and drops its outcome: for the
// end of the program, once its loop has ended.
void EndWork(WindowWork& queue);

// After each paint of window (WM_PAINT): the first one posts WM_WORK_START
// when work waits for it, so that the work begins once the whole frame is
// drawn; later ones do nothing.
void OnWindowPainted(WindowWork& queue, WindowHandle window);
// WM_WORK_START: begins the work that waited for the first paint.
void OnWorkStart(WindowWork& queue, LongParam work);
// WM_WORK_DONE. An Open chosen while an export was read is then posted to
// window as WM_COMMAND IDM_OPEN (and a source waiting is dropped: the user
// is choosing); else a source waiting (SwitchWhenIdle) as
// WM_SOURCE_WHEN_IDLE once no other work runs.
void OnWorkDone(ShellState& shell, WindowHandle window, LongParam work);
// WM_WORK_PROGRESS: the window says which drivers are being repaired.
void OnWorkProgress(ShellState& shell, WindowHandle window, LongParam work);
// WM_CLOSE: true when a piece of work runs; the close is then made once it
// is done, no box of its outcome is shown, and meanwhile window says what it
// finishes (ShowClosingText), painted at once. Work still waiting for the
// first paint is dropped instead (false: the close goes ahead).
bool DeferCloseUntilWorkDone(WindowWork& queue, WindowHandle window);
