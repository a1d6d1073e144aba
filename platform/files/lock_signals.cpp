#include "platform/files/lock_signals.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <ctime>

namespace {

constexpr int MAX_LOCKS = 8;
constexpr int SIGNALS[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Fixed storage, so that a handler reads it without allocating.
char lock_paths[MAX_LOCKS][PATH_MAX];
// The identity of each lock as created: what is at its path is removed only
// while it is still that file, never another writer's lock put in its place.
dev_t lock_devices[MAX_LOCKS];
ino_t lock_inodes[MAX_LOCKS];
volatile sig_atomic_t lock_used[MAX_LOCKS];
// Threads inside a TerminationSignalsHeld step (lock-free, so a handler may read it).
std::atomic<int> steps_in_progress{0};
static_assert(std::atomic<int>::is_always_lock_free, "read by a signal handler");

void OnTerminationSignal(int signal_number) {
  // The signals are held back on a thread inside a step, so a step still in
  // progress is another thread's, and ends without this one.
  const struct timespec pause = {0, 1000000};
  while (steps_in_progress.load() > 0) ::nanosleep(&pause, nullptr);
  for (int i = 0; i < MAX_LOCKS; ++i) {
    struct stat now;
    if (lock_used[i] && ::lstat(lock_paths[i], &now) == 0 && now.st_dev == lock_devices[i] &&
        now.st_ino == lock_inodes[i]) {
      ::unlink(lock_paths[i]);
    }
  }
  // SA_RESETHAND has restored the default action: the signal, delivered
  // once the handler returns, ends the process as it would have.
  ::raise(signal_number);
}

sigset_t TerminationSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int s : SIGNALS) sigaddset(&set, s);
  return set;
}

}  // namespace

void RemoveLocksOnTerminationSignals() {
  for (int s : SIGNALS) {
    struct sigaction current;
    if (::sigaction(s, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = OnTerminationSignal;
    action.sa_flags = SA_RESETHAND;
    action.sa_mask = TerminationSet();
    ::sigaction(s, &action, nullptr);
  }
}

TerminationSignalsHeld::TerminationSignalsHeld() {
  sigset_t set = TerminationSet();
  ::pthread_sigmask(SIG_BLOCK, &set, &previous_);
  steps_in_progress.fetch_add(1);
}

TerminationSignalsHeld::~TerminationSignalsHeld() {
  steps_in_progress.fetch_sub(1);
  ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

void HoldLock(const char* path) {
  size_t length = std::strlen(path);
  if (length >= PATH_MAX) return;
  struct stat created;
  if (::lstat(path, &created) != 0) return;
  for (int i = 0; i < MAX_LOCKS; ++i) {
    if (lock_used[i]) continue;
    std::memcpy(lock_paths[i], path, length + 1);
    lock_devices[i] = created.st_dev;
    lock_inodes[i] = created.st_ino;
    lock_used[i] = 1;
    return;
  }
}

void ForgetLock(const char* path) {
  for (int i = 0; i < MAX_LOCKS; ++i) {
    if (lock_used[i] && std::strcmp(lock_paths[i], path) == 0) lock_used[i] = 0;
  }
}

int HeldLockCount() {
  int count = 0;
  for (int i = 0; i < MAX_LOCKS; ++i) count += lock_used[i] ? 1 : 0;
  return count;
}
