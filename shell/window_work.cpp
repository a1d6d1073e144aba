#include "shell/window_work.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "resources/resource_ids.h"
#include "scan/scan_entry.h"
#include "scan/serial_scan.h"
#include "shell/export_outcome.h"
#include "shell/handheld.h"
#include "shell/registry_export.h"
#include "text/dyn_string.h"

namespace {

enum class WorkKind { Scan, Open, Connect };

struct Work {
  WorkKind kind = WorkKind::Scan;
  bool repair = false;              // Scan
  bool handheld = false;            // Scan: of the connected handheld
  ExportStore* exported = nullptr;  // Scan: the export it reads and repairs; null: none open
  std::string path;                 // Open
  bool at_start = false;            // Open at start-up, the window showing READING_TEXT
  bool end_on_refusal = false;      // and ending the program when refused
  WindowHandle window = 0;          // who hears of the end
  bool start_posted = false;        // WM_WORK_START is on its way
  bool started = false;             // the worker has been given the work
  ThreadHandle thread = 0;

  // Results, written by the worker before it reports.
  bool readable = true;  // Scan: the export could be read afresh
  std::string reason;    // why not, or why the Open was refused
  DynString report;
  DynString message;
  int unexamined = 0;   // entries that may hide the fault
  int faulty_left = 0;  // faulty drivers the report leaves unrepaired
  int repairing = 0;    // drivers whose repair is being written (WM_WORK_PROGRESS)
  std::string refused_repair;
  std::string unsynced_repair;  // why the repairs written may not last
  LoadedExport loaded;          // Open: null when refused
  HandheldLink connected;       // Connect: null when refused
};

// What the window's work keeps between messages. The one object of its
// kind, reached as `worker`: the platform calls the window procedure with no
// data of the window's own, and start-up (OpenAfterFirstPaint) and the end
// of the run (EndWork, StartExitStatus) reach it when no window exists.
struct Worker {
  std::unique_ptr<Work> running;
  bool close_pending = false;
  std::string open_when_idle;
  // The command chosen while an export is read (WaitForRead); 0 when none.
  uint16_t command_when_read = 0;
  int start_exit_status = 0;
};
Worker worker;

// The work in progress when work (a message's lparam) names it; else null.
Work* Running(LongParam work) {
  Work* running = worker.running.get();
  return running != nullptr && reinterpret_cast<Work*>(work) == running ? running : nullptr;
}

// Scans the open export into work's report, message and counts.
void Scan(Work* work, bool repair) {
  work->report.Clear();
  work->message.Clear();
  ScanEntryList entries(true);
  ScanSerialDrivers(work->report, work->message, repair, &entries);
  work->unexamined = entries.unexamined;
  work->faulty_left = CountFaultyLeft(entries.entries);
  work->repairing = static_cast<int>(std::count_if(entries.entries.begin(), entries.entries.end(),
                                                   [](const ScanEntry& e) { return e.repaired; }));
}

// Detect or Fix on the connected handheld, into work's results; what went
// wrong goes where a refused repair's reason goes.
void ScanConnected(Work* work) {
  HandheldScan scan;
  ScanHandheld(work->repair, &scan);
  work->report = scan.report;
  work->message = scan.message;
  work->unexamined = scan.unexamined;
  work->faulty_left = scan.faulty_left;
  work->refused_repair = scan.problems;
}

uint32_t RunWork(void* parameter) {
  Work* work = static_cast<Work*>(parameter);
  if (work->kind == WorkKind::Connect) {
    work->connected = ConnectHandheld(&work->reason);
  } else if (work->kind == WorkKind::Scan && work->handheld) {
    ScanConnected(work);
  } else if (work->kind == WorkKind::Scan) {
    ExportStore* exported = work->exported;
    work->readable = RefreshRegistryExport(exported, &work->reason);
    if (work->readable) {
      ClearRepairFailures(exported);
      if (work->repair) GatherRepairs(exported);
      Scan(work, work->repair);
      // The gathered repairs are written now, in one rewrite of the file.
      if (work->repairing > 0) {
        PostMessage(work->window, WM_WORK_PROGRESS, 0, reinterpret_cast<LongParam>(work));
      }
      const RepairCommit commit = work->repair ? CommitRepairs(exported) : RepairCommit::Written;
      // Nothing was repaired after all: show the drivers as still faulty.
      if (commit == RepairCommit::NotWritten) Scan(work, false);
      // The repairs stand in the file: the report keeps them.
      (commit == RepairCommit::Unsynced ? work->unsynced_repair : work->refused_repair) =
          LastRepairFailure(exported);
    }
  } else {
    work->loaded = LoadRegistryExport(work->path, &work->reason);
  }
  PostMessage(work->window, WM_WORK_DONE, 0, reinterpret_cast<LongParam>(work));
  return 0;
}

// Makes work the work in progress, under the wait cursor; false while other
// work runs.
bool Hold(std::unique_ptr<Work> work) {
  if (worker.running) return false;
  SetCursor(LoadCursor(0, IDC_WAIT));
  worker.running = std::move(work);
  return true;
}

// Gives the work in progress to a new thread (or runs it here, when no
// thread can be made).
void Launch() {
  Work* work = worker.running.get();
  work->started = true;
  work->thread = CreateThread(RunWork, work);
  if (work->thread == 0) RunWork(work);
}

// Holds work for window and launches it at once; false while other work runs.
bool Start(std::unique_ptr<Work> work, WindowHandle window) {
  work->window = window;
  if (!Hold(std::move(work))) return false;
  Launch();
  return true;
}

bool StartScan(WindowHandle window, bool repair) {
  auto work = std::make_unique<Work>();
  work->kind = WorkKind::Scan;
  work->repair = repair;
  work->handheld = HandheldInstalled();
  work->exported = OpenExport();
  if (!Start(std::move(work), window)) return false;
  ShowExaminingText(window, OpenExportPath());
  return true;
}

void ShowScanOutcome(WindowHandle window, Work& work) {
  if (!work.readable) {
    ShowUnreadableExport(window, work.reason);
    return;
  }
  ShowScanReport(window, work.report, work.message, work.repair, work.unexamined, work.faulty_left);
  if (work.handheld) {
    if (!work.refused_repair.empty())
      ShowHandheldProblem(window, HANDHELD_REPAIR_TEXT, work.refused_repair);
    return;
  }
  if (!work.repair) return;
  ShowRefusedRepair(window, work.refused_repair);
  ShowUnsyncedRepair(window, work.unsynced_repair);
}

// True when the export was opened; false when it was refused. A refused
// start export given on the command line closes the window unless
// keep_window.
bool ShowOpenOutcome(WindowHandle window, Work& work, bool keep_window) {
  if (work.loaded != nullptr) {
    InstallRegistryExport(std::move(work.loaded));
    ShowOpenedExport(window);
    return true;
  }
  ShowRefusedExport(window, work.reason);
  if (work.end_on_refusal && !keep_window) {
    worker.start_exit_status = 1;
    SendMessage(window, WM_CLOSE, 0, 0);
  } else if (work.at_start) {
    ShowExportStartText();
    InvalidateRect(window, nullptr, false);
  }
  return false;
}

// After a connection: the handheld becomes the window's registry (true),
// or the reason it cannot is shown (false).
bool ShowConnectOutcome(WindowHandle window, Work& work) {
  const bool connected = work.connected != nullptr;
  if (connected) {
    UseHandheld(std::move(work.connected));
    ShowHandheldText(true);
    ShowExportTitle(window);
  } else {
    ShowOpenRegistryText();
    ShowHandheldProblem(window, HANDHELD_REFUSED_TEXT, work.reason);
  }
  InvalidateRect(window, nullptr, false);
  return connected;
}

}  // namespace

bool WorkInProgress() { return worker.running != nullptr; }

bool WaitForRead(uint16_t command) {
  if (!worker.running || worker.running->kind == WorkKind::Scan) return false;
  worker.command_when_read = command;
  return true;
}

void ScanWhenIdle(WindowHandle window, bool repair) {
  if (WaitForRead(repair ? IDM_FIX : IDM_DETECT) || worker.running) return;
  if (RequireRegistry(window)) StartScan(window, repair);
}

bool StartOpen(WindowHandle window, const std::string& path) {
  auto work = std::make_unique<Work>();
  work->kind = WorkKind::Open;
  work->path = path;
  return Start(std::move(work), window);
}

void OpenWhenIdle(WindowHandle window, const std::string& path) {
  if (!StartOpen(window, path)) worker.open_when_idle = path;
}

bool StartConnect(WindowHandle window) {
  if (WorkInProgress()) return false;
  // A new connection takes the place of the handheld open, never beside it.
  CloseHandheld();
  auto work = std::make_unique<Work>();
  work->kind = WorkKind::Connect;
  if (!Start(std::move(work), window)) return false;
  ShowHandheldText(false);
  InvalidateRect(window, nullptr, false);
  return true;
}

void ConnectAfterFirstPaint() {
  auto work = std::make_unique<Work>();
  work->kind = WorkKind::Connect;
  work->at_start = true;
  ShowHandheldText(false);
  Hold(std::move(work));
}

void OpenAfterFirstPaint(const std::string& path, bool end_on_refusal) {
  auto work = std::make_unique<Work>();
  work->kind = WorkKind::Open;
  work->path = path;
  work->at_start = true;
  work->end_on_refusal = end_on_refusal;
  Hold(std::move(work));
}

int StartExitStatus() {
  int status = worker.start_exit_status;
  worker.start_exit_status = 0;
  return status;
}

void EndWork() {
  if (!worker.running) return;
  if (worker.running->thread != 0) CloseHandle(worker.running->thread);
  worker.running.reset();
  worker.close_pending = false;
  worker.open_when_idle.clear();
  worker.command_when_read = 0;
  SetCursor(LoadCursor(0, IDC_ARROW));
}

void OnWindowPainted(WindowHandle window) {
  // Starting the worker inside the paint would let it take the processor
  // from the rest of the first frame; the posted message comes after it.
  if (!worker.running || worker.running->started || worker.running->start_posted) return;
  worker.running->window = window;
  worker.running->start_posted = true;
  PostMessage(window, WM_WORK_START, 0, reinterpret_cast<LongParam>(worker.running.get()));
}

void OnWorkStart(WindowHandle, LongParam lparam) {
  Work* work = Running(lparam);
  if (work == nullptr || work->started) return;
  Launch();
}

void OnWorkDone(WindowHandle window, LongParam lparam) {
  if (Running(lparam) == nullptr) return;
  if (worker.running->thread != 0) {
    WaitForSingleObject(worker.running->thread, INFINITE);
    CloseHandle(worker.running->thread);
  }
  std::unique_ptr<Work> work = std::move(worker.running);
  SetCursor(LoadCursor(0, IDC_ARROW));
  uint16_t command = std::exchange(worker.command_when_read, 0);
  if (worker.close_pending) {
    worker.close_pending = false;
    DefWindowProc(window, WM_CLOSE, 0, 0);
    return;
  }
  if (work->kind == WorkKind::Scan) {
    ShowScanOutcome(window, *work);
  } else if (work->kind == WorkKind::Connect) {
    // A scan chosen meanwhile is meant for the handheld.
    if (!ShowConnectOutcome(window, *work) && command != IDM_OPEN) command = 0;
  } else {
    // A file dropped, handed over or about to be chosen is the one asked for
    // last: the window stays for it.
    const bool keep_window = !worker.open_when_idle.empty() || command == IDM_OPEN;
    // A scan was meant for the export read; none is scanned in its place.
    if (!ShowOpenOutcome(window, *work, keep_window) && command != IDM_OPEN) command = 0;
  }
  if (command == IDM_DETECT || command == IDM_FIX) StartScan(window, command == IDM_FIX);
  if (!worker.open_when_idle.empty() && !worker.running) {
    std::string path = std::move(worker.open_when_idle);
    worker.open_when_idle.clear();
    StartOpen(window, path);
  }
  // The Open command's dialog comes from the window's own handling of it.
  if (command == IDM_OPEN) PostMessage(window, WM_COMMAND, IDM_OPEN, 0);
}

void OnWorkProgress(WindowHandle window, LongParam lparam) {
  Work* work = Running(lparam);
  if (work == nullptr || worker.close_pending) return;
  ShowRepairingText(window, work->repairing, OpenExportPath());
}

bool DeferCloseUntilWorkDone(WindowHandle window) {
  if (!worker.running) return false;
  if (!worker.running->started) {
    EndWork();
    return false;
  }
  worker.close_pending = true;
  ShowClosingText(window, worker.running->kind == WorkKind::Scan && worker.running->repair);
  UpdateWindow(window);
  return true;
}
