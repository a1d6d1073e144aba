// The locks a Windows process holds, removed when the console ends it: a
// console control handler runs on a thread of its own, waits for any step
// in progress (one recursive critical section) and removes every held lock,
// then lets the default handler end the process.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/files/lock_signals.h"
#include "platform/files/win32_path.h"

namespace {

struct Locks {
  Locks() { ::InitializeCriticalSection(&step); }
  CRITICAL_SECTION step;
  std::vector<std::string> paths;
};

Locks& Held() {
  static Locks locks;
  return locks;
}

BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
  Locks& locks = Held();
  ::EnterCriticalSection(&locks.step);
  for (const std::string& path : locks.paths) {
    std::wstring wide;
    if (WidePath(path, &wide)) ::DeleteFileW(wide.c_str());
  }
  locks.paths.clear();
  // The step stays entered: nothing creates a lock any more before the
  // default handler ends the process.
  return FALSE;
}

}  // namespace

void RemoveLocksOnTerminationSignals() {
  Held();
  ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

TerminationSignalsHeld::TerminationSignalsHeld() { ::EnterCriticalSection(&Held().step); }

TerminationSignalsHeld::~TerminationSignalsHeld() { ::LeaveCriticalSection(&Held().step); }

void HoldLock(const char* path) {
  Locks& locks = Held();
  ::EnterCriticalSection(&locks.step);
  locks.paths.push_back(path);
  ::LeaveCriticalSection(&locks.step);
}

void ForgetLock(const char* path) {
  Locks& locks = Held();
  ::EnterCriticalSection(&locks.step);
  for (size_t i = 0; i < locks.paths.size(); ++i) {
    if (locks.paths[i] == path) {
      locks.paths.erase(locks.paths.begin() + static_cast<long>(i));
      break;
    }
  }
  ::LeaveCriticalSection(&locks.step);
}

int HeldLockCount() {
  Locks& locks = Held();
  ::EnterCriticalSection(&locks.step);
  int count = static_cast<int>(locks.paths.size());
  ::LeaveCriticalSection(&locks.step);
  return count;
}
