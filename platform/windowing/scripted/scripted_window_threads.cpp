// ScriptedWindowManager's cursor and threads: the cursor is only recorded,
// and a thread's procedure runs on the calling thread when the program waits
// or waits for the thread, so the order of calls is fixed.
#include <string>

#include "platform/windowing/scripted/scripted_window_manager.h"

namespace {

std::string CursorText(CursorHandle cursor) {
  switch (cursor) {
    case 0:
      return "0";
    case IDC_ARROW:
      return "IDC_ARROW";
    case IDC_WAIT:
      return "IDC_WAIT";
    default:
      return std::to_string(cursor);
  }
}

}  // namespace

CursorHandle ScriptedWindowManager::SetCursor(CursorHandle cursor) {
  calls_.push_back("SetCursor(" + CursorText(cursor) + ")");
  return WindowManagerBase::SetCursor(cursor);
}

ThreadHandle ScriptedWindowManager::CreateThread(ThreadProcedure procedure, void* parameter) {
  if (procedure == nullptr) return 0;
  ThreadHandle handle = (last_pending_thread_ += 4);
  pending_threads_[handle] = PendingThread{procedure, parameter};
  calls_.push_back("CreateThread(" + HandleText(handle) + ")");
  return handle;
}

void ScriptedWindowManager::RunThread(ThreadHandle handle, PendingThread& thread) {
  calls_.push_back("thread " + HandleText(handle) + " runs");
  thread.procedure(thread.parameter);
  thread.returned = true;
  calls_.push_back("thread " + HandleText(handle) + " returns");
}

bool ScriptedWindowManager::RunPendingThread() {
  for (auto& [handle, thread] : pending_threads_) {
    if (thread.returned) continue;
    RunThread(handle, thread);
    return true;
  }
  return false;
}

uint32_t ScriptedWindowManager::WaitForSingleObject(ThreadHandle thread, uint32_t milliseconds) {
  calls_.push_back(
      "WaitForSingleObject(" + HandleText(thread) + ", " +
      (milliseconds == INFINITE ? std::string("INFINITE") : std::to_string(milliseconds)) + ")");
  auto it = pending_threads_.find(thread);
  if (it == pending_threads_.end()) return WAIT_FAILED;
  if (!it->second.returned) RunThread(it->first, it->second);
  return WAIT_OBJECT_0;
}

bool ScriptedWindowManager::CloseHandle(ThreadHandle thread) {
  calls_.push_back("CloseHandle(" + HandleText(thread) + ")");
  auto it = pending_threads_.find(thread);
  if (it == pending_threads_.end()) return false;
  if (!it->second.returned) RunThread(it->first, it->second);
  pending_threads_.erase(it);
  return true;
}
