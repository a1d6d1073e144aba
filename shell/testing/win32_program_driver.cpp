#include "shell/testing/win32_program_driver.h"

#include <vector>

namespace {

constexpr DWORD WAIT_STEP_MS = 50;
// Under Wine and Xvfb on a loaded machine a window can take seconds.
constexpr DWORD WINDOW_WAIT_MS = 30000;
constexpr DWORD WORK_WAIT_MS = 30000;
constexpr WORD COPY_REPORT = 40008;

struct BoxSearch {
  DWORD process;
  HWND box;
};

BOOL CALLBACK FindBox(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<BoxSearch*>(data);
  wchar_t class_name[16] = {};
  wchar_t caption[32] = {};
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  ::GetClassNameW(window, class_name, 16);
  ::GetWindowTextW(window, caption, 32);
  if (process == search->process && std::wstring(class_name) == L"#32770" &&
      std::wstring(caption) == L"QUORVAFIX" && ::IsWindowVisible(window)) {
    search->box = window;
    return FALSE;
  }
  return TRUE;
}

// The text of a message box: its static control with the message.
std::wstring BoxText(HWND box) {
  std::wstring text;
  for (HWND child = ::GetWindow(box, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    wchar_t class_name[16] = {};
    ::GetClassNameW(child, class_name, 16);
    if (std::wstring(class_name) != L"Static") continue;
    std::vector<wchar_t> buffer(::GetWindowTextLengthW(child) + 1);
    ::GetWindowTextW(child, buffer.data(), static_cast<int>(buffer.size()));
    text += buffer.data();
  }
  return text;
}

}  // namespace

ProgramDriver::ProgramDriver(const std::wstring& program, const std::wstring& arguments,
                             const std::wstring& folder, bool detached) {
  std::wstring command_line = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  if (!::CreateProcessW(nullptr, &command_line[0], nullptr, nullptr, FALSE,
                        detached ? DETACHED_PROCESS : 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process_)) {
    process_ = PROCESS_INFORMATION{};
  }
}

ProgramDriver::~ProgramDriver() {
  if (!Started()) return;
  if (!Close()) ::TerminateProcess(process_.hProcess, 99);
  ::CloseHandle(process_.hThread);
  ::CloseHandle(process_.hProcess);
}

HWND ProgramDriver::WaitForWindow() {
  for (DWORD waited = 0; waited < WINDOW_WAIT_MS; waited += WAIT_STEP_MS) {
    HWND window = ::FindWindowW(L"QUORVAFIX", nullptr);
    if (window != nullptr && ::IsWindowVisible(window)) return window_ = window;
    if (ExitCode() != STILL_ACTIVE) return nullptr;
    ::Sleep(WAIT_STEP_MS);
  }
  return nullptr;
}

void ProgramDriver::Choose(WORD id) { ::PostMessageW(window_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

std::wstring ProgramDriver::AnswerBox() {
  for (DWORD waited = 0; waited < WORK_WAIT_MS; waited += WAIT_STEP_MS) {
    BoxSearch search{process_.dwProcessId, nullptr};
    ::EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
    if (search.box != nullptr) {
      std::wstring text = BoxText(search.box);
      ::PostMessageW(search.box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      return text;
    }
    ::Sleep(WAIT_STEP_MS);
  }
  return std::wstring();
}

std::wstring ProgramDriver::CopyReportContaining(const std::wstring& what) {
  std::wstring text;
  for (DWORD waited = 0; waited < WORK_WAIT_MS; waited += WAIT_STEP_MS * 4) {
    Choose(COPY_REPORT);
    ::Sleep(WAIT_STEP_MS * 4);
    const std::u16string copied = ClipboardUnicodeText();
    text.assign(copied.begin(), copied.end());
    if (text.find(what) != std::wstring::npos) break;
  }
  return text;
}

AccessibleClient ProgramDriver::ReadReportContaining(const std::wstring& what) {
  AccessibleClient client;
  const std::u16string wanted(what.begin(), what.end());
  for (DWORD waited = 0; waited < WORK_WAIT_MS; waited += WAIT_STEP_MS) {
    client = ReadAccessibleClient(window_);
    if (client.value.find(wanted) != std::u16string::npos) break;
    ::Sleep(WAIT_STEP_MS);
  }
  return client;
}

DWORD ProgramDriver::ExitCode() const {
  DWORD code = 0;
  if (!Started() || !::GetExitCodeProcess(process_.hProcess, &code)) return 0;
  return code;
}

std::wstring ProgramDriver::Title() const {
  wchar_t title[256] = {};
  if (window_ != nullptr) ::GetWindowTextW(window_, title, 256);
  return title;
}

bool ProgramDriver::WaitForExit() {
  return ::WaitForSingleObject(process_.hProcess, WINDOW_WAIT_MS) == WAIT_OBJECT_0;
}

bool ProgramDriver::Close() {
  if (ExitCode() != STILL_ACTIVE) return true;
  HWND window = window_ != nullptr ? window_ : ::FindWindowW(L"QUORVAFIX", nullptr);
  if (window != nullptr) ::PostMessageW(window, WM_CLOSE, 0, 0);
  return ::WaitForSingleObject(process_.hProcess, WINDOW_WAIT_MS) == WAIT_OBJECT_0;
}

int RunAndWait(const std::wstring& command_line) {
  std::wstring line = command_line;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process)) {
    return -1;
  }
  ::WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  ::GetExitCodeProcess(process.hProcess, &code);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return static_cast<int>(code);
}
