// The desktop program around the shell: it chooses the registry export the
// window opens on, hands a file to a copy already running, then runs the
// main window (RunMainWindow). Needs the window manager, shell and desktop
// services installed (see platform/qt/qt_platform.h); includes no Qt. One
// run per call, on the UI thread.
#pragma once

// Runs `quorvafix [REGISTRY_FILE]` (arguments as left by the platform), or
// `quorvafix --local-registry`: the window then works on the computer's own
// registry (LocalRegistry; Detect and Fix scan and repair
// HKEY_LOCAL_MACHINE\Drivers\Active), the start text says so, and no export
// is opened or remembered unless the user opens or drops one; where the
// system has none, "quorvafix: REASON" goes to stderr and the result is 1.
// `quorvafix --device` (Windows) connects the window to the handheld once it
// has painted (ConnectAfterFirstPaint). A copy running already is handed
// either option instead, and switches to that registry, once the work it
// runs is done (the result is 0).
// When a copy runs already, it is handed REGISTRY_FILE (made absolute) and
// brought forward, and the result is 0; a REGISTRY_FILE it cannot open
// (missing, no regular file, or refused by the store) is handed over all the
// same, so that the running window tells why in its box, and the reason is
// told on stderr too ("quorvafix: PATH: cannot read: REASON", "quorvafix:
// PATH:N: REASON"), with the result 1. Otherwise the export opened is
// REGISTRY_FILE; without one, the export opened last in an earlier run, or
// else the default file (see RegistryFilePath), whichever exists first; with
// none the window opens with no export open and says so. The window paints
// first, saying which file it reads, under the wait cursor; the export is
// read right after, on the window's worker (OpenAfterFirstPaint), and a
// Detect, Fix or Open chosen meanwhile waits for it. When REGISTRY_FILE
// cannot be read or parsed (a missing file included), a message box
// captioned "QUORVAFIX" over the window tells why, before any scan, then the
// window closes and the result is 1 (unless Open was chosen or a file
// dropped or handed over meanwhile: the window then stays for that file); a
// remembered or default file that cannot be used is told the same way, and
// the window then stays with no export open; a remembered file that is gone
// is named in the window's text (ShowRememberedGoneText). Otherwise the result is
// RunMainWindow's: 0 when the program ends normally.
// Installs the handlers that remove the program's locks on SIGINT, SIGTERM,
// SIGHUP and SIGQUIT (lock_signals.h), so that a window ended in the middle
// of a write leaves no FILE.lock.
int RunQuorvafix(int argc, const char* const* argv);
