// The main window's long work (reading an export, Detect, Fix) on a worker
// thread, so that the window keeps painting and shows the wait cursor while
// it runs. One piece of work at a time, and meanwhile the window leaves the
// registry store to it: Detect, Fix and Open are ignored, a path dropped or
// handed over waits for the work to end, and so does a close request. UI
// thread only; the work itself touches nothing but the registry export.
#pragma once

#include <string>

#include "platform/windowing/window_manager.h"

// Posted by the worker to the window when its work is done; lparam: the work.
constexpr uint32_t WM_WORK_DONE = WM_USER + 1;
// How long start-up waits for its export before it shows the window anyway.
constexpr uint32_t START_FEEDBACK_MS = 200;

// True from the start of a piece of work until WM_WORK_DONE has been handled.
bool WorkInProgress();

// Detect (repair false) or Fix (repair true) on the open export, read afresh
// first; false (nothing started) while other work runs. When done, the report
// becomes the window's text and the boxes RunScan always showed follow.
bool StartScan(WindowHandle window, bool repair);
// Reads path as the next export; false (nothing started) while other work
// runs. When done it is opened in the window (OpenExportInWindow's result),
// or its refusal is shown and the export open before stays.
bool StartOpen(WindowHandle window, const std::string& path);
// Opens path once the work in progress is done, or now when none runs (the
// last path asked for wins).
void OpenWhenIdle(WindowHandle window, const std::string& path);

// Start-up: reads path as the export before any window exists, waiting at
// most START_FEEDBACK_MS. True when the read ended in time: the export is
// then open (*opened true), or refused (*opened false, *reason set). False
// while it still runs: the window created next (AttachWorkWindow) shows the
// wait cursor and, once the read ends, opens the export or shows its
// refusal; with end_on_refusal a refusal then also closes the window and
// StartExitStatus becomes 1.
bool OpenAtStart(const std::string& path, bool end_on_refusal, bool* opened, std::string* reason);
// 1 when an export read at start-up with end_on_refusal was refused after
// the window appeared; otherwise 0. Forgets it, ready for the next run.
int StartExitStatus();

// Waits for the work in progress, if any, and drops its outcome: for the
// end of the program, once its loop has ended.
void EndWork();

// WM_CREATE of the main window: work started before the window existed
// reports to it from now on.
void AttachWorkWindow(WindowHandle window);
// WM_WORK_DONE.
void OnWorkDone(WindowHandle window, LongParam work);
// WM_CLOSE: true when a piece of work runs; the close is then made once it
// is done, and no box of its outcome is shown.
bool DeferCloseUntilWorkDone();
