// The threads a window manager starts for the program (CreateThread and its
// kin) and their end, shared by every backend.
#include <signal.h>

#include <chrono>
#include <system_error>

#include "platform/windowing/window_manager_base.h"

namespace {

// While it lives, threads started by this one inherit a mask holding every
// termination signal back, so that their handlers run on the windows'
// thread. Windows runs its console handlers on a thread of their own and
// needs no mask.
class TerminationSignalsHeld {
 public:
#ifdef _WIN32
  TerminationSignalsHeld() = default;
#else
  TerminationSignalsHeld() {
    sigset_t held;
    sigemptyset(&held);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&held, s);
    pthread_sigmask(SIG_BLOCK, &held, &previous_);
  }
  ~TerminationSignalsHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

 private:
  sigset_t previous_;
#endif
};

}  // namespace

ThreadHandle WindowManagerBase::CreateThread(ThreadProcedure procedure, void* parameter) {
  if (procedure == nullptr) return 0;
  [[maybe_unused]] TerminationSignalsHeld held;
  ThreadHandle handle = 0;
  auto end = std::make_shared<ThreadEnd>();
  try {
    std::thread thread([procedure, parameter, end] {
      procedure(parameter);
      std::lock_guard<std::mutex> hold(end->lock);
      end->done = true;
      end->ended.notify_all();
    });
    handle = (last_thread_ += 4);
    threads_.emplace(handle, ThreadRecord{std::move(thread), end});
  } catch (const std::system_error&) {
    handle = 0;
  }
  return handle;
}

uint32_t WindowManagerBase::WaitForSingleObject(ThreadHandle thread, uint32_t milliseconds) {
  auto it = threads_.find(thread);
  if (it == threads_.end()) return WAIT_FAILED;
  ThreadRecord& record = it->second;
  if (milliseconds != INFINITE) {
    std::unique_lock<std::mutex> hold(record.end->lock);
    if (!record.end->ended.wait_for(hold, std::chrono::milliseconds(milliseconds),
                                    [&record] { return record.end->done; })) {
      return WAIT_TIMEOUT;
    }
  }
  if (record.thread.joinable()) record.thread.join();
  return WAIT_OBJECT_0;
}

bool WindowManagerBase::CloseHandle(ThreadHandle thread) {
  auto it = threads_.find(thread);
  if (it == threads_.end()) return false;
  if (it->second.thread.joinable()) it->second.thread.join();
  threads_.erase(it);
  return true;
}

WindowManagerBase::~WindowManagerBase() {
  for (auto& [handle, record] : threads_) {
    if (record.thread.joinable()) record.thread.join();
  }
}
