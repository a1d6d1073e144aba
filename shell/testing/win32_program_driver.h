// Test-only: drives the real quorvafix.exe as a user would, through the
// system's own calls: starts it, finds its frame by class, chooses menu
// commands, answers its message boxes and reads its report back through
// Copy Report and the clipboard. Windows only (runs under Wine and Xvfb).
#pragma once

#include <windows.h>

#include <string>

#include "platform/win32/testing/win32_service_readback.h"

class ProgramDriver {
 public:
  // Starts program with arguments (one command line; quoted as needed) in
  // folder (empty: this process's current folder); detached: without this
  // process's standard handles or console (DETACHED_PROCESS), as Explorer
  // starts it.
  ProgramDriver(const std::wstring& program, const std::wstring& arguments,
                const std::wstring& folder = std::wstring(), bool detached = false);
  // Closes the window and waits for the program, ending it if it lingers.
  ~ProgramDriver();
  ProgramDriver(const ProgramDriver&) = delete;
  ProgramDriver& operator=(const ProgramDriver&) = delete;

  bool Started() const { return process_.hProcess != nullptr; }
  // Waits for the program's frame (class QUORVAFIX) to be visible; null
  // when it did not come within the time.
  HWND WaitForWindow();
  // Posts WM_COMMAND id to the frame, as its menu does.
  void Choose(WORD id);
  // Waits for a message box captioned QUORVAFIX owned by the program, reads
  // its text and presses its OK button; empty when none came in time.
  std::wstring AnswerBox();
  // Chooses Copy Report until the clipboard holds text containing what (the
  // report shown once the work is done); the text last copied, or empty.
  std::wstring CopyReportContaining(const std::wstring& what);
  // Reads the frame's accessible client object, as a screen reader does,
  // until its value contains what (painted once the work is done); the
  // object last read.
  AccessibleClient ReadReportContaining(const std::wstring& what);
  // The frame's title (empty without a frame).
  std::wstring Title() const;
  // The program's exit code once it ended; STILL_ACTIVE meanwhile.
  DWORD ExitCode() const;
  // Waits for the program to end by itself; false when it did not in time.
  bool WaitForExit();
  // Sends WM_CLOSE and waits for the program to end; false when it did not.
  bool Close();

 private:
  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
};

// Runs command line (e.g. L"reg import Z:\\x.reg") and waits; its exit code,
// or -1 when it could not start.
int RunAndWait(const std::wstring& command_line);
