// The main window's part in choosing the registry export: the Open command's
// dialog, files dropped on the window, a path handed over by a second copy,
// and the export remembered for the next start. What the window then says
// is export_outcome.h's. Written against platform/ only; UI thread.
#pragma once

#include <string>

#include "platform/windowing/desktop_services.h"
#include "platform/windowing/window_manager.h"
#include "shell/export_outcome.h"
#include "shell/shell_state.h"

// The open dialog's filter: registry exports first, then every file.
constexpr char16_t EXPORT_FILTER[] = u"Registry exports (*.reg)\0*.reg\0All files (*)\0*\0";
// The WM_COPYDATA kind of a path handed over: its UTF-16 units in the
// machine's byte order, no terminator.
constexpr uintptr_t COPYDATA_OPEN_EXPORT = 0x51465831;  // "QFX1"
// The WM_COPYDATA kind of a source handed over that is no file: the option
// that names it ("--local-registry", "--device"), in the same form.
constexpr uintptr_t COPYDATA_OPEN_SOURCE = 0x51465832;  // "QFX2"
// Opens path (UTF-8) as registry's export. On success the window's text
// becomes the start text naming it, the window is invalidated and the path
// is remembered (ShowOpenedExport); on refusal the store's reason is shown
// (ShowRefusedExport) and the export open before stays, with the window's
// text.
bool OpenExportInWindow(OpenRegistry& registry, WindowHandle window, const std::string& path);

// The three ways to choose an export read it on the window's worker
// (window_work.h) and open it as OpenExportInWindow does once it is read.
// IDM_OPEN: the open-file dialog over window, starting in the open export's
// folder, filtered by EXPORT_FILTER; a chosen file is opened, a cancel does
// nothing. Waits for an export being read (WaitForRead); ignored during a
// scan.
void OnOpenCommand(ShellState& shell, WindowHandle window);
// WM_DROPFILES: opens the first file dropped (once the work in progress is
// done), then releases the drop.
void OnDropFiles(ShellState& shell, WindowHandle window, DropHandle drop);
// WM_COPYDATA: opens a path of kind COPYDATA_OPEN_EXPORT when it is
// absolute (once the work in progress is done), and returns 1 (whatever the
// store made of it: a path it cannot open, a missing file or a folder among
// them, is told in the refusal box). Of kind COPYDATA_OPEN_SOURCE, switches
// to the source the option names (--local-registry: the computer's own
// registry, the export dropped; a system without one says why in a warning
// box; --device: connects to the handheld as StartConnect does), once the
// work in progress is done (SwitchWhenIdle), and returns 1. Ignores
// anything else and returns 0.
MessageResult OnCopyData(ShellState& shell, WindowHandle window, const CopyData* data);
// WM_SOURCE_WHEN_IDLE: switches to the source handed over while work ran,
// unless other work runs by now (it then waits for that work's end).
void OnSourceWhenIdle(ShellState& shell, WindowHandle window);

// The export remembered from an earlier run (UTF-8); empty when none.
std::string RememberedExport();
