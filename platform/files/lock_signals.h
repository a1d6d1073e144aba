// The locks this process holds, removed when a termination signal (SIGINT,
// SIGTERM, SIGHUP, SIGQUIT) ends it in the middle of a rewrite, so that the
// next run does not meet a stale FILE.lock. Only locks the process created
// itself are ever removed, and on POSIX only while the path still names the
// file it created (not another writer's lock put in its place). On POSIX the handlers use
// async-signal-safe calls alone; on Windows the console's Ctrl+C, Ctrl+Break and close events stand
// for the signals (lock_signals_win32.cpp).
#pragma once

#ifndef _WIN32
#include <signal.h>
#endif

// Installs the handlers: each removes every held lock, then ends the process
// with the same signal (default action). A signal the process was started
// with ignored stays ignored. Call once, early in main.
void RemoveLocksOnTerminationSignals();

// Holds the termination signals back for its lifetime, so that creating a
// lock and recording it (or renaming it and forgetting it) is one step to a
// handler. Nests. A handler running on another thread meanwhile waits until
// every such step has ended, so it also sees a lock made by a worker thread.
class TerminationSignalsHeld {
 public:
  TerminationSignalsHeld();
  ~TerminationSignalsHeld();
  TerminationSignalsHeld(const TerminationSignalsHeld&) = delete;
  TerminationSignalsHeld& operator=(const TerminationSignalsHeld&) = delete;

 private:
#ifndef _WIN32
  sigset_t previous_;
#endif
};

// Records path as a lock the process has just created (its device and inode
// as the path names it now); call with the signals held.
// A path longer than PATH_MAX, or more than 8 locks at once, go unrecorded.
void HoldLock(const char* path);
// Forgets path (renamed into place or removed); call with the signals held.
void ForgetLock(const char* path);
// Locks recorded and not forgotten.
int HeldLockCount();
