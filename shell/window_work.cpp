#include "shell/window_work.h"

#include <algorithm>
#include <memory>
#include <string>
#include <utility>

#include "resources/resource_ids.h"
#include "scan/scan_entry.h"
#include "scan/serial_scan.h"
#include "shell/export_outcome.h"
#include "shell/handheld.h"
#include "shell/registry_export.h"
#include "shell/shell_state.h"
#include "text/dyn_string.h"

enum class WorkKind { Scan, Open, Connect };

// One piece of the window's work, from its start until WM_WORK_DONE is handled.
struct Work {
  WorkKind kind = WorkKind::Scan;
  bool repair = false;                    // Scan
  ConnectedHandheld* handheld = nullptr;  // Scan: the handheld it reads and repairs, if any
  ExportStore* exported = nullptr;        // Scan: the export it reads and repairs; null: none open
  std::string path;                       // Open
  FileSystem* file_system = nullptr;      // Open: what it reads the export through
  bool at_start = false;                  // Open at start-up, the window showing READING_TEXT
  bool end_on_refusal = false;            // and ending the program when refused
  WindowHandle window = 0;                // who hears of the end
  bool start_posted = false;              // WM_WORK_START is on its way
  bool started = false;                   // the worker has been given the work
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

namespace {

using WorkPointer = std::unique_ptr<Work, WorkDeleter>;

// The work in progress when work (a message's lparam) names it; else null.
Work* Running(const WindowWork& queue, LongParam work) {
  Work* running = queue.running.get();
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
  ScanHandheld(*work->handheld, work->repair, &scan);
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
  } else if (work->kind == WorkKind::Scan && work->handheld != nullptr) {
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
    work->loaded = LoadRegistryExport(work->path, work->file_system, &work->reason);
  }
  PostMessage(work->window, WM_WORK_DONE, 0, reinterpret_cast<LongParam>(work));
  return 0;
}

// Makes work the work in progress, under the wait cursor; false while other
// work runs.
bool Hold(WindowWork& queue, WorkPointer work) {
  if (queue.running) return false;
  SetCursor(LoadCursor(0, IDC_WAIT));
  queue.running = std::move(work);
  return true;
}

// Gives the work in progress to a new thread (or runs it here, when no
// thread can be made).
void Launch(WindowWork& queue) {
  Work* work = queue.running.get();
  work->started = true;
  work->thread = CreateThread(RunWork, work);
  if (work->thread == 0) RunWork(work);
}

// Holds work for window and launches it at once; false while other work runs.
bool Start(WindowWork& queue, WorkPointer work, WindowHandle window) {
  work->window = window;
  if (!Hold(queue, std::move(work))) return false;
  Launch(queue);
  return true;
}

WorkPointer NewWork(WorkKind kind) {
  WorkPointer work(new Work);
  work->kind = kind;
  return work;
}

// The export's read: path through the file system registry reads exports with.
WorkPointer NewOpen(const OpenRegistry& registry, const std::string& path) {
  WorkPointer work = NewWork(WorkKind::Open);
  work->path = path;
  work->file_system = registry.file_system;
  return work;
}

bool StartScan(ShellState& shell, WindowHandle window, bool repair) {
  OpenRegistry& registry = shell.registry;
  WorkPointer work = NewWork(WorkKind::Scan);
  work->repair = repair;
  work->handheld = HandheldInstalled(registry) ? registry.handheld.get() : nullptr;
  work->exported = registry.exported.get();
  if (!Start(shell.work, std::move(work), window)) return false;
  ShowExaminingText(window, registry);
  return true;
}

void ShowScanOutcome(const OpenRegistry& registry, WindowHandle window, Work& work) {
  if (!work.readable) {
    ShowUnreadableExport(window, registry, work.reason);
    return;
  }
  ShowScanReport(window, work.report, work.message, work.repair, work.unexamined, work.faulty_left);
  if (work.handheld != nullptr) {
    // A Detect tries no repair: what went wrong is a handheld that cannot be used.
    const char* head = work.repair ? HANDHELD_REPAIR_TEXT : HANDHELD_REFUSED_TEXT;
    if (!work.refused_repair.empty()) ShowHandheldProblem(window, head, work.refused_repair);
    return;
  }
  if (!work.repair) return;
  ShowRefusedRepair(window, work.refused_repair);
  ShowUnsyncedRepair(window, work.unsynced_repair);
}

// True when the export was opened; false when it was refused. A refused
// start export given on the command line closes the window unless
// keep_window.
bool ShowOpenOutcome(ShellState& shell, WindowHandle window, Work& work, bool keep_window) {
  if (work.loaded != nullptr) {
    InstallRegistryExport(shell.registry, std::move(work.loaded));
    ShowOpenedExport(window, shell.registry);
    return true;
  }
  ShowRefusedExport(window, work.reason);
  if (work.end_on_refusal && !keep_window) {
    shell.work.start_exit_status = 1;
    SendMessage(window, WM_CLOSE, 0, 0);
  } else if (work.at_start) {
    ShowExportStartText(shell.registry);
    InvalidateRect(window, nullptr, false);
  }
  return false;
}

// After a connection: the handheld becomes the window's registry (true),
// or the reason it cannot is shown (false).
bool ShowConnectOutcome(OpenRegistry& registry, WindowHandle window, Work& work) {
  const bool connected = work.connected != nullptr;
  if (connected) {
    UseHandheld(registry, std::move(work.connected));
    ShowHandheldText(true);
    ShowExportTitle(window, registry);
  } else {
    ShowOpenRegistryText(registry);
    ShowHandheldProblem(window, HANDHELD_REFUSED_TEXT, work.reason);
  }
  InvalidateRect(window, nullptr, false);
  return connected;
}

}  // namespace

void WorkDeleter::operator()(Work* work) const { delete work; }

bool WorkInProgress(const WindowWork& queue) { return queue.running != nullptr; }

bool WaitForRead(WindowWork& queue, uint16_t command) {
  if (!queue.running || queue.running->kind == WorkKind::Scan) return false;
  queue.command_when_read = command;
  return true;
}

void ScanWhenIdle(ShellState& shell, WindowHandle window, bool repair) {
  if (WaitForRead(shell.work, repair ? IDM_FIX : IDM_DETECT) || shell.work.running) return;
  if (RequireRegistry(window)) StartScan(shell, window, repair);
}

bool StartOpen(ShellState& shell, WindowHandle window, const std::string& path) {
  return Start(shell.work, NewOpen(shell.registry, path), window);
}

void OpenWhenIdle(ShellState& shell, WindowHandle window, const std::string& path) {
  if (StartOpen(shell, window, path)) return;
  shell.work.open_when_idle = path;
  shell.work.source_when_idle.clear();
}

void SwitchWhenIdle(WindowWork& queue, const std::string& option) {
  queue.source_when_idle = option;
  queue.open_when_idle.clear();
}

bool StartConnect(ShellState& shell, WindowHandle window) {
  if (WorkInProgress(shell.work)) return false;
  // A new connection takes the place of the handheld open, never beside it.
  CloseHandheld(shell.registry);
  if (!Start(shell.work, NewWork(WorkKind::Connect), window)) return false;
  ShowHandheldText(false);
  InvalidateRect(window, nullptr, false);
  return true;
}

void ConnectAfterFirstPaint(ShellState& shell) {
  WorkPointer work = NewWork(WorkKind::Connect);
  work->at_start = true;
  ShowHandheldText(false);
  Hold(shell.work, std::move(work));
}

void OpenAfterFirstPaint(ShellState& shell, const std::string& path, bool end_on_refusal) {
  WorkPointer work = NewOpen(shell.registry, path);
  work->at_start = true;
  work->end_on_refusal = end_on_refusal;
  Hold(shell.work, std::move(work));
}

int StartExitStatus(WindowWork& queue) { return std::exchange(queue.start_exit_status, 0); }

void EndWork(WindowWork& queue) {
  if (!queue.running) return;
  if (queue.running->thread != 0) CloseHandle(queue.running->thread);
  queue.running.reset();
  queue.close_pending = false;
  queue.open_when_idle.clear();
  queue.source_when_idle.clear();
  queue.command_when_read = 0;
  SetCursor(LoadCursor(0, IDC_ARROW));
}

void OnWindowPainted(WindowWork& queue, WindowHandle window) {
  // Starting the worker inside the paint would let it take the processor
  // from the rest of the first frame; the posted message comes after it.
  Work* work = queue.running.get();
  if (work == nullptr || work->started || work->start_posted) return;
  work->window = window;
  work->start_posted = true;
  PostMessage(window, WM_WORK_START, 0, reinterpret_cast<LongParam>(work));
}

void OnWorkStart(WindowWork& queue, LongParam lparam) {
  Work* work = Running(queue, lparam);
  if (work == nullptr || work->started) return;
  Launch(queue);
}

void OnWorkDone(ShellState& shell, WindowHandle window, LongParam lparam) {
  WindowWork& queue = shell.work;
  if (Running(queue, lparam) == nullptr) return;
  if (queue.running->thread != 0) {
    WaitForSingleObject(queue.running->thread, INFINITE);
    CloseHandle(queue.running->thread);
  }
  WorkPointer work = std::move(queue.running);
  SetCursor(LoadCursor(0, IDC_ARROW));
  uint16_t command = std::exchange(queue.command_when_read, 0);
  if (queue.close_pending) {
    queue.close_pending = false;
    queue.source_when_idle.clear();
    DefWindowProc(window, WM_CLOSE, 0, 0);
    return;
  }
  if (work->kind == WorkKind::Scan) {
    ShowScanOutcome(shell.registry, window, *work);
  } else if (work->kind == WorkKind::Connect) {
    // A scan chosen meanwhile is meant for the handheld.
    if (!ShowConnectOutcome(shell.registry, window, *work) && command != IDM_OPEN) command = 0;
  } else {
    // A file dropped, handed over or about to be chosen, or a source handed
    // over, is the one asked for last: the window stays for it.
    const bool keep_window =
        !queue.open_when_idle.empty() || !queue.source_when_idle.empty() || command == IDM_OPEN;
    // A scan was meant for the export read; none is scanned in its place.
    if (!ShowOpenOutcome(shell, window, *work, keep_window) && command != IDM_OPEN) command = 0;
  }
  if (command == IDM_DETECT || command == IDM_FIX) StartScan(shell, window, command == IDM_FIX);
  if (!queue.open_when_idle.empty() && !queue.running) {
    StartOpen(shell, window, std::exchange(queue.open_when_idle, std::string()));
  }
  // The Open command's dialog comes from the window's own handling of it.
  if (command == IDM_OPEN) {
    queue.source_when_idle.clear();
    PostMessage(window, WM_COMMAND, IDM_OPEN, 0);
  } else if (!queue.source_when_idle.empty() && !queue.running) {
    PostMessage(window, WM_SOURCE_WHEN_IDLE, 0, 0);
  }
}

void OnWorkProgress(ShellState& shell, WindowHandle window, LongParam lparam) {
  Work* work = Running(shell.work, lparam);
  if (work == nullptr || shell.work.close_pending) return;
  ShowRepairingText(window, work->repairing, shell.registry);
}

bool DeferCloseUntilWorkDone(WindowWork& queue, WindowHandle window) {
  Work* work = queue.running.get();
  if (work == nullptr) return false;
  if (!work->started) {
    EndWork(queue);
    return false;
  }
  queue.close_pending = true;
  ShowClosingText(window, work->kind == WorkKind::Scan && work->repair);
  UpdateWindow(window);
  return true;
}
