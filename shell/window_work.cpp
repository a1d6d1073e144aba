#include "shell/window_work.h"

#include <memory>
#include <mutex>

#include "scan/serial_scan.h"
#include "shell/display_text.h"
#include "shell/export_commands.h"
#include "shell/registry_export.h"
#include "text/dyn_string.h"
#include "text/wide_text.h"

namespace {

enum class WorkKind { Scan, Open };

struct Work {
  WorkKind kind = WorkKind::Scan;
  bool repair = false;          // Scan
  std::string path;             // Open
  bool at_start = false;        // Open at start-up, the window showing READING_TEXT
  bool end_on_refusal = false;  // and ending the program when refused
  ThreadHandle thread = 0;

  // Results, written by the worker before it reports.
  bool readable = true;  // Scan: the export could be read afresh
  std::string reason;    // why not, or why the Open was refused
  DynString report;
  DynString message;
  std::string refused_repair;
  LoadedExport loaded;  // Open: null when refused

  // Who hears of the end; the window may come after the work has started.
  std::mutex lock;
  WindowHandle window = 0;
  bool done = false;
};

std::unique_ptr<Work> running;
bool close_pending = false;
std::string open_when_idle;
int start_exit_status = 0;

void PostDone(Work* work) {
  PostMessage(work->window, WM_WORK_DONE, 0, reinterpret_cast<LongParam>(work));
}

uint32_t RunWork(void* parameter) {
  Work* work = static_cast<Work*>(parameter);
  if (work->kind == WorkKind::Scan) {
    work->readable = RefreshRegistryExport(&work->reason);
    if (work->readable) {
      ClearRepairFailures();
      if (work->repair) GatherRepairs();
      ScanSerialDrivers(work->report, work->message, work->repair);
      if (work->repair && !CommitRepairs()) {
        // Nothing was repaired after all: show the drivers as still faulty.
        work->report.Clear();
        work->message.Clear();
        ScanSerialDrivers(work->report, work->message, false);
      }
      work->refused_repair = LastRepairFailure();
    }
  } else {
    work->loaded = LoadRegistryExport(work->path, &work->reason);
  }
  std::lock_guard<std::mutex> hold(work->lock);
  work->done = true;
  if (work->window != 0) PostDone(work);
  return 0;
}

// Runs work on a new thread (here, when no thread can be made) under the
// wait cursor; false while other work runs.
bool Start(std::unique_ptr<Work> work, WindowHandle window) {
  if (running) return false;
  work->window = window;
  SetCursor(LoadCursor(0, IDC_WAIT));
  Work* started = work.get();
  running = std::move(work);
  started->thread = CreateThread(RunWork, started);
  if (started->thread == 0) RunWork(started);
  return true;
}

void ShowScanOutcome(WindowHandle window, Work& work) {
  if (!work.readable) {
    ShowUnreadableExport(window, work.reason);
    return;
  }
  DisplayText = work.report;
  InvalidateRect(window, nullptr, false);
  if (work.repair && work.message.Length() > 0) {
    WideText text(work.message.CStr());
    MessageBox(window, text.Get(), u"QUORVAFIX", MB_OK);
  }
  if (work.repair) ShowRefusedRepair(window, work.refused_repair);
}

void ShowOpenOutcome(WindowHandle window, Work& work) {
  if (work.loaded != nullptr) {
    InstallRegistryExport(std::move(work.loaded));
    ShowOpenedExport(window);
    return;
  }
  ShowRefusedExport(window, work.reason);
  if (work.end_on_refusal) {
    start_exit_status = 1;
    SendMessage(window, WM_CLOSE, 0, 0);
  } else if (work.at_start) {
    ShowExportStartText();
    InvalidateRect(window, nullptr, false);
  }
}

}  // namespace

bool WorkInProgress() { return running != nullptr; }

bool StartScan(WindowHandle window, bool repair) {
  auto work = std::make_unique<Work>();
  work->kind = WorkKind::Scan;
  work->repair = repair;
  return Start(std::move(work), window);
}

bool StartOpen(WindowHandle window, const std::string& path) {
  auto work = std::make_unique<Work>();
  work->kind = WorkKind::Open;
  work->path = path;
  return Start(std::move(work), window);
}

void OpenWhenIdle(WindowHandle window, const std::string& path) {
  if (!StartOpen(window, path)) open_when_idle = path;
}

bool OpenAtStart(const std::string& path, bool end_on_refusal, bool* opened, std::string* reason) {
  auto work = std::make_unique<Work>();
  work->kind = WorkKind::Open;
  work->path = path;
  work->at_start = true;
  work->end_on_refusal = end_on_refusal;
  Work* started = work.get();
  if (!Start(std::move(work), 0)) return false;
  if (started->thread != 0 &&
      WaitForSingleObject(started->thread, START_FEEDBACK_MS) == WAIT_TIMEOUT) {
    return false;
  }
  CloseHandle(started->thread);
  std::unique_ptr<Work> done = std::move(running);
  SetCursor(LoadCursor(0, IDC_ARROW));
  *opened = done->loaded != nullptr;
  if (*opened) {
    InstallRegistryExport(std::move(done->loaded));
  } else {
    *reason = done->reason;
  }
  return true;
}

int StartExitStatus() {
  int status = start_exit_status;
  start_exit_status = 0;
  return status;
}

void EndWork() {
  if (!running) return;
  if (running->thread != 0) CloseHandle(running->thread);
  running.reset();
  close_pending = false;
  open_when_idle.clear();
  SetCursor(LoadCursor(0, IDC_ARROW));
}

void AttachWorkWindow(WindowHandle window) {
  if (!running) return;
  std::lock_guard<std::mutex> hold(running->lock);
  running->window = window;
  if (running->done) PostDone(running.get());
}

void OnWorkDone(WindowHandle window, LongParam lparam) {
  if (!running || reinterpret_cast<Work*>(lparam) != running.get()) return;
  if (running->thread != 0) {
    WaitForSingleObject(running->thread, INFINITE);
    CloseHandle(running->thread);
  }
  std::unique_ptr<Work> work = std::move(running);
  SetCursor(LoadCursor(0, IDC_ARROW));
  if (close_pending) {
    close_pending = false;
    DefWindowProc(window, WM_CLOSE, 0, 0);
    return;
  }
  if (work->kind == WorkKind::Scan) {
    ShowScanOutcome(window, *work);
  } else {
    ShowOpenOutcome(window, *work);
  }
  if (!open_when_idle.empty() && !running) {
    std::string path = std::move(open_when_idle);
    open_when_idle.clear();
    StartOpen(window, path);
  }
}

bool DeferCloseUntilWorkDone() {
  if (!running) return false;
  close_pending = true;
  return true;
}
