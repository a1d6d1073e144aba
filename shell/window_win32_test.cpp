// The real quorvafix.exe under Wine and Xvfb, driven through its menu as a
// user would: Detect, then Fix, on a copy of an example export and on the
// computer's own registry (--local-registry, after `reg import` of the
// example) and on a connected handheld (--device, through the stand-in
// rapi.dll), its boxes answered and its report read back through Copy
// Report. The file must change in the faulty driver's Dll alone, the
// registry likewise. Also a window switched from its export to another
// registry (by a second copy, or Tools > Use Connected Handheld), a report
// taller than the window scrolled to its end, read from the screen, and the
// exe's icon and its console answers.
// One file: every case starts the real program through one driver and
// shares its Wine set-up.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "platform/win32/testing/win32_test_calls.h"
#include "resources/resource_ids.h"
#include "shell/testing/win32_program_driver.h"

namespace {

std::wstring Widen(const char* text) {
  std::wstring wide;
  for (; *text != 0; ++text) wide += static_cast<wchar_t>(*text == '/' ? '\\' : *text);
  return wide;
}

const std::wstring PROGRAM = Widen(QUORVAFIX_EXECUTABLE);
const std::wstring EXAMPLE = Widen(QUORVAFIX_EXAMPLES_DIR "/quorva-driver.reg");
const std::wstring RAPI_STANDIN = Widen(QUORVAFIX_RAPI_STANDIN);

std::string ReadBytes(const std::wstring& path) {
  std::string bytes;
  if (FILE* file = ::_wfopen(path.c_str(), L"rb")) {
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) bytes.append(buffer, n);
    std::fclose(file);
  }
  return bytes;
}

// text as UTF-16LE bytes, as the export holds it.
std::string Utf16Bytes(const std::wstring& text) {
  std::string bytes;
  for (wchar_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

// A folder of the test's own under the system's temporary folder.
class ScratchFolder {
 public:
  ScratchFolder() {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp) + L"quorvafix-window-" + std::to_wstring(::GetCurrentProcessId()) +
            L"-" + std::to_wstring(::GetTickCount64());
    ::CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~ScratchFolder() {
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((path_ + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        ::DeleteFileW((path_ + L"\\" + found.cFileName).c_str());
      } while (::FindNextFileW(search, &found));
      ::FindClose(search);
    }
    ::RemoveDirectoryW(path_.c_str());
  }
  std::wstring File(const wchar_t* name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

// Every value under HKEY_LOCAL_MACHINE\path, by "key\name", as its type and
// bytes.
void DumpKey(const std::wstring& path, std::map<std::wstring, std::string>* values) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    BYTE data[1024];
    DWORD name_size = 256, data_size = sizeof data, type = 0;
    if (::RegEnumValueW(key, i, name, &name_size, nullptr, &type, data, &data_size) !=
        ERROR_SUCCESS) {
      break;
    }
    (*values)[path + L"\\" + name] =
        std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data), data_size);
  }
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD name_size = 256;
    if (::RegEnumKeyExW(key, i, name, &name_size, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    DumpKey(path + L"\\" + name, values);
  }
  ::RegCloseKey(key);
}

// Where the program remembers the export it opened last.
constexpr wchar_t PROFILE_KEY[] = L"Software\\QUORVAFIX\\Registry";
constexpr wchar_t LAST_EXPORT[] = L"LastExport";

std::wstring RememberedExport() {
  wchar_t path[MAX_PATH] = {};
  DWORD size = sizeof path;
  ::RegGetValueW(HKEY_CURRENT_USER, PROFILE_KEY, LAST_EXPORT, RRF_RT_REG_SZ, nullptr, path, &size);
  return path;
}

// What a window shows of the example after Detect and after Fix.
constexpr wchar_t DETECTED[] = L"COM5:\r\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\r\n";
constexpr wchar_t FIXED[] = L"COM5:\r\nDll: QVBTDEV.DLL  FIXED!\r\n";
constexpr wchar_t SOLVED[] = L" We have solved the Bug.";

// Detect through the menu of a window already up; its report checked.
void Detect(ProgramDriver& driver) {
  driver.Choose(IDM_DETECT);
  std::wstring detected = driver.CopyReportContaining(DETECTED);
  EXPECT_NE(detected.find(DETECTED), std::wstring::npos) << detected.size();
  EXPECT_NE(detected.find(L"COM6:\r\nDll: BTCEIF.DLL"), std::wstring::npos);
  // A screen reader in another process reads the same verdict from the
  // report's object (its role, name and state: win32_window_manager_test).
  const AccessibleClient report = driver.ReadReportContaining(DETECTED);
  ASSERT_TRUE(report.found);
  EXPECT_EQ(report.value, std::u16string(detected.begin(), detected.end()));
}

// Fix through the menu: its box answered, its report checked.
void Fix(ProgramDriver& driver) {
  driver.Choose(IDM_FIX);
  std::wstring box = driver.AnswerBox();
  EXPECT_EQ(box.find(SOLVED), 0u) << box.size();
  std::wstring fixed = driver.CopyReportContaining(FIXED);
  EXPECT_NE(fixed.find(FIXED), std::wstring::npos) << fixed.size();
  EXPECT_EQ(fixed.find(L"BUG DETECTED"), std::wstring::npos);
}

// The example's bytes with the faulty driver's Dll written back, every other
// byte as it was.
std::string Repaired(std::string bytes) {
  const std::string faulty = Utf16Bytes(L"\"Dll\"=\"QVBTDEV.DLL\"");
  const size_t at = bytes.find(faulty);
  if (at != std::string::npos)
    bytes.replace(at, faulty.size(), Utf16Bytes(L"\"Dll\"=\"BTCEIF.DLL\""));
  return bytes;
}

TEST(WindowProgram, DetectAndFixAnExportThroughTheMenu) {
  ScratchFolder folder;
  const std::wstring path = folder.File(L"pda.reg");
  ASSERT_TRUE(::CopyFileW(EXAMPLE.c_str(), path.c_str(), FALSE));
  const std::string original = ReadBytes(path);
  ASSERT_FALSE(original.empty());
  // Only the file given is opened: nothing remembered stands in for it.
  ::RegDeleteKeyValueW(HKEY_CURRENT_USER, PROFILE_KEY, LAST_EXPORT);

  ProgramDriver driver(PROGRAM, L"\"" + path + L"\"");
  ASSERT_TRUE(driver.Started());
  ASSERT_NE(driver.WaitForWindow(), nullptr) << "exit code " << driver.ExitCode();
  Detect(driver);
  EXPECT_EQ(ReadBytes(path), original) << "Detect changed the file";
  Fix(driver);
  ASSERT_TRUE(driver.Close());
  EXPECT_EQ(driver.ExitCode(), 0u);
  EXPECT_EQ(RememberedExport(), path);

  EXPECT_TRUE(ReadBytes(path) == Repaired(original)) << "the file differs beyond the faulty Dll";
}

TEST(WindowProgram, DetectAndFixTheComputersRegistry) {
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Drivers");
  ::RegDeleteKeyValueW(HKEY_CURRENT_USER, PROFILE_KEY, LAST_EXPORT);
  ASSERT_EQ(RunAndWait(L"reg import \"" + EXAMPLE + L"\""), 0);
  std::map<std::wstring, std::string> before;
  DumpKey(L"Drivers", &before);
  ASSERT_FALSE(before.empty());
  {
    ProgramDriver driver(PROGRAM, L"--local-registry");
    ASSERT_TRUE(driver.Started());
    ASSERT_NE(driver.WaitForWindow(), nullptr) << "exit code " << driver.ExitCode();
    Detect(driver);
    Fix(driver);
    ASSERT_TRUE(driver.Close());
    EXPECT_EQ(driver.ExitCode(), 0u);
  }
  EXPECT_EQ(RememberedExport(), L"") << "the computer's registry is no export to remember";
  std::map<std::wstring, std::string> after;
  DumpKey(L"Drivers", &after);
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Drivers");

  // The faulty driver's Dll written back, every other value as it was.
  const std::wstring dll = L"Drivers\\BuiltIn\\BtSerialA\\Dll";
  std::string& repaired = before[dll];
  const std::string faulty = Utf16Bytes(L"QVBTDEV.DLL");
  ASSERT_EQ(repaired.find(faulty), 2u) << "a REG_SZ (1) holding QVBTDEV.DLL";
  repaired.replace(2, faulty.size(), Utf16Bytes(L"BTCEIF.DLL"));
  EXPECT_TRUE(after == before) << "the registry differs beyond the faulty Dll";
}

// Installs the stand-in rapi.dll in the system folder, serving the registry
// export at path (empty: no handheld answers).
void InstallHandheld(const std::wstring& path) {
  wchar_t system[MAX_PATH];
  ::GetSystemDirectoryW(system, MAX_PATH);
  ASSERT_TRUE(
      ::CopyFileW(RAPI_STANDIN.c_str(), (std::wstring(system) + L"\\rapi.dll").c_str(), FALSE));
  ::SetEnvironmentVariableW(L"QUORVAFIX_RAPI_REGISTRY", path.empty() ? nullptr : path.c_str());
}

// quorvafix --device on the stand-in rapi.dll, installed in the system
// folder and serving a copy of the example: Detect chosen while the window
// connects waits for it; Fix leaves the handheld repaired in its faulty Dll
// alone, and the report names the undo file. A link lost during a Detect
// leaves a handheld that cannot be used, no repair having been tried. A
// second copy's --local-registry while the window connects is taken once
// the connection is made.
TEST(WindowProgram, DetectAndFixTheConnectedHandheld) {
  ::RegDeleteKeyValueW(HKEY_CURRENT_USER, PROFILE_KEY, LAST_EXPORT);
  ScratchFolder folder;
  const std::wstring path = folder.File(L"handheld.reg");
  ASSERT_TRUE(::CopyFileW(EXAMPLE.c_str(), path.c_str(), FALSE));
  const std::string original = ReadBytes(path);
  InstallHandheld(path);
  {
    ProgramDriver driver(PROGRAM, L"--device");
    ASSERT_TRUE(driver.Started());
    ASSERT_NE(driver.WaitForWindow(), nullptr) << "exit code " << driver.ExitCode();
    Detect(driver);
    EXPECT_EQ(ReadBytes(path), original) << "Detect changed the handheld";
    Fix(driver);
    EXPECT_NE(driver.CopyReportContaining(L"Undo file: ").find(L"\\quorvafix\\undo\\"),
              std::wstring::npos);
    ASSERT_TRUE(driver.Close());
    EXPECT_EQ(driver.ExitCode(), 0u);
  }
  ::SetEnvironmentVariableW(L"QUORVAFIX_RAPI_LOSE_AFTER", L"5");
  {
    ProgramDriver driver(PROGRAM, L"--device");
    ASSERT_NE(driver.WaitForWindow(), nullptr) << "exit code " << driver.ExitCode();
    driver.Choose(IDM_DETECT);
    const std::wstring box = driver.AnswerBox();
    EXPECT_EQ(box.find(L"The connected handheld cannot be used."), 0u) << box.size();
    EXPECT_NE(box.find(L"was lost while reading its registry"), std::wstring::npos);
    const std::wstring lost = L"   The connection to the handheld was lost";
    EXPECT_EQ(driver.CopyReportContaining(lost).find(lost), 0u) << "the window says it too";
  }
  ::SetEnvironmentVariableW(L"QUORVAFIX_RAPI_LOSE_AFTER", nullptr);
  ::SetEnvironmentVariableW(L"QUORVAFIX_RAPI_CONNECT_MS", L"4000");
  {
    ProgramDriver driver(PROGRAM, L"--device");
    ASSERT_NE(driver.WaitForWindow(), nullptr) << "exit code " << driver.ExitCode();
    ProgramDriver second(PROGRAM, L"--local-registry");
    ASSERT_TRUE(second.WaitForExit());
    EXPECT_EQ(second.ExitCode(), 0u);
    const std::wstring start = L"   The registry of this computer is open";
    EXPECT_EQ(driver.CopyReportContaining(start).find(start), 0u) << "once connected";
    ASSERT_TRUE(driver.Close());
  }
  ::SetEnvironmentVariableW(L"QUORVAFIX_RAPI_CONNECT_MS", nullptr);
  ::SetEnvironmentVariableW(L"QUORVAFIX_RAPI_REGISTRY", nullptr);
  EXPECT_EQ(RememberedExport(), L"") << "the handheld is no export to remember";
  EXPECT_TRUE(ReadBytes(path) == Repaired(original))
      << "the handheld differs beyond the faulty Dll";
}

// A REGEDIT4 export of 26 serial ports, COM4 to COM29, the last one faulty.
std::string ManyPortsExport() {
  std::string text = "REGEDIT4\r\n";
  for (int port = 4; port <= 29; ++port) {
    const std::string n = std::to_string(port), key = "\r\n[HKEY_LOCAL_MACHINE\\Drivers\\";
    text += key + "Active\\" + n + "]\r\n\"Name\"=\"COM" + n + ":\"\r\n\"Key\"=\"Drivers\\\\P" + n +
            "\"\r\n" + key + "P" + n + "]\r\n\"Dll\"=\"" + (port == 29 ? "QVBTDEV" : "SERIAL") +
            ".DLL\"\r\n";
  }
  return text;
}

// A report taller than the window: End scrolls to its last line, which is
// then inside the visible part above the bottom margin.
TEST(WindowProgram, EndShowsTheLastLineOfALongReport) {
  ScratchFolder folder;
  const std::wstring path = folder.File(L"ports.reg");
  const std::string bytes = ManyPortsExport();
  if (FILE* file = ::_wfopen(path.c_str(), L"wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  }
  ProgramDriver driver(PROGRAM, L"\"" + path + L"\"");
  HWND frame = driver.WaitForWindow();
  ASSERT_NE(frame, nullptr) << "exit code " << driver.ExitCode();
  driver.Choose(IDM_DETECT);
  const std::wstring last = L"COM29:\r\nDll: QVBTDEV.DLL <<<< BUG DETECTED HERE!\r\n";
  const std::wstring report = driver.CopyReportContaining(last);
  ASSERT_NE(report.find(last), std::wstring::npos) << report.size();
  // End, then the window read from the screen as a user sees it, above any
  // other test's window: the faulty line, wider than any healthy one (the
  // widest, "Dll: SERIAL.DLL", stops short of WIDE_INK), stands in the two
  // line heights above the bottom margin.
  ::SendMessageW(frame, WM_KEYDOWN, VK_END, 0);
  ::SetWindowPos(frame, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  RECT client{};
  ::GetClientRect(frame, &client);
  constexpr int MARGIN = 10, WIDE_INK = 140;
  const int top = client.bottom - MARGIN - 2 * win32_testing::TextLineHeight();
  bool shown = false;
  for (int i = 0; i < 40 && !shown; ++i) {
    ::Sleep(50);
    shown = win32_testing::ScreenHasInk(frame, WIDE_INK, top, client.right, client.bottom);
  }
  EXPECT_TRUE(shown) << "the faulty COM29 line is not at the bottom after End";
  EXPECT_FALSE(win32_testing::ScreenHasInk(frame, 0, client.bottom - MARGIN + 2, client.right,
                                           client.bottom))
      << "the bottom margin holds text";
}

// The frame's title once it is expected, or the last one seen.
std::wstring WaitForTitle(const ProgramDriver& driver, const std::wstring& expected) {
  std::wstring title = driver.Title();
  for (int i = 0; i < 400 && title != expected; ++i) {
    ::Sleep(50);
    title = driver.Title();
  }
  return title;
}

// A second copy started on a relative path hands the file, made absolute
// in its own folder, to the first, which opens it, and ends.
TEST(WindowProgram, ASecondCopyHandsItsFileToTheFirst) {
  ScratchFolder folder;
  const std::wstring first_path = folder.File(L"pda.reg");
  const std::wstring second_path = folder.File(L"other.reg");
  ASSERT_TRUE(::CopyFileW(EXAMPLE.c_str(), first_path.c_str(), FALSE));
  ASSERT_TRUE(::CopyFileW(EXAMPLE.c_str(), second_path.c_str(), FALSE));

  ProgramDriver first(PROGRAM, L"\"" + first_path + L"\"");
  ASSERT_NE(first.WaitForWindow(), nullptr) << "exit code " << first.ExitCode();
  EXPECT_EQ(WaitForTitle(first, L"pda.reg - QUORVAFIX"), L"pda.reg - QUORVAFIX");
  {
    const std::wstring folder_path = first_path.substr(0, first_path.rfind(L'\\'));
    ProgramDriver second(PROGRAM, L"other.reg", folder_path);
    ASSERT_TRUE(second.WaitForExit());
    EXPECT_EQ(second.ExitCode(), 0u);
  }
  EXPECT_EQ(WaitForTitle(first, L"other.reg - QUORVAFIX"), L"other.reg - QUORVAFIX");
  EXPECT_EQ(RememberedExport(), second_path);
}

// A window switched to another registry holding the example: by a second
// copy started with the source's option, which then ends, or else by the
// keys Alt+T and access_key in the Tools menu. Detect then reads that
// registry; the export stays the one remembered. A window on the computer's
// registry (from_local) that finds no handheld says why in a box and stays
// on it.
struct SourceSwitch {
  const wchar_t* second_copy;
  wchar_t access_key;
  bool from_local;
};
const SourceSwitch SWITCHES[] = {
    {L"--local-registry", 0, false},  // the computer's registry, after `reg import`
    {L"--device", 0, false},          // the handheld, through the stand-in rapi.dll
    {nullptr, L'u', false},           // Tools > &Use Connected Handheld
    {nullptr, L'u', true},            // the same with no handheld answering
};

TEST(WindowProgram, SwitchesToTheComputersRegistryOrTheHandheld) {
  for (const SourceSwitch& row : SWITCHES) {
    SCOPED_TRACE(row.second_copy != nullptr ? row.second_copy : L"the menu");
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Drivers");
    ScratchFolder folder;
    const std::wstring handheld = folder.File(L"handheld.reg");
    const bool local = row.from_local || (row.second_copy != nullptr &&
                                          row.second_copy == std::wstring(L"--local-registry"));
    if (local) {
      ASSERT_EQ(RunAndWait(L"reg import \"" + EXAMPLE + L"\""), 0);
    }
    ASSERT_TRUE(::CopyFileW(EXAMPLE.c_str(), handheld.c_str(), FALSE));
    InstallHandheld(row.from_local ? L"" : handheld);
    const std::wstring path = folder.File(L"healthy.reg");
    ASSERT_TRUE(
        ::CopyFileW(Widen(QUORVAFIX_EXAMPLES_DIR "/healthy.reg").c_str(), path.c_str(), FALSE));

    ProgramDriver first(PROGRAM, row.from_local ? L"--local-registry" : L"\"" + path + L"\"");
    const HWND frame = first.WaitForWindow();
    ASSERT_NE(frame, nullptr) << "exit code " << first.ExitCode();
    const std::wstring title = row.from_local ? L"QUORVAFIX" : L"healthy.reg - QUORVAFIX";
    EXPECT_EQ(WaitForTitle(first, title), title);
    if (row.second_copy != nullptr) {
      ProgramDriver second(PROGRAM, row.second_copy);
      ASSERT_TRUE(second.WaitForExit());
      EXPECT_EQ(second.ExitCode(), 0u);
    } else {
      // The item's key once the popup shows, as a user presses it.
      ::PostMessageW(frame, WM_SYSCOMMAND, SC_KEYMENU, 't');
      for (int i = 0; i < 200 && !::IsWindowVisible(::FindWindowW(L"#32768", nullptr)); ++i) {
        ::Sleep(20);
      }
      ::PostMessageW(frame, WM_CHAR, row.access_key, 0);
    }
    if (row.from_local) {
      EXPECT_EQ(first.AnswerBox(),
                L"The connected handheld cannot be used.\n\nNo handheld answered within 15 "
                L"seconds: connect it (cable or cradle), wait until the synchronisation software "
                L"shows it as connected, and choose Tools > Use Connected Handheld again.");
      const std::wstring start = L"   The registry of this computer is open";
      EXPECT_EQ(first.CopyReportContaining(start).find(start), 0u);
    }
    EXPECT_EQ(WaitForTitle(first, L"QUORVAFIX"), L"QUORVAFIX");
    Detect(first);
    ASSERT_TRUE(first.Close());
    ::SetEnvironmentVariableW(L"QUORVAFIX_RAPI_REGISTRY", nullptr);
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Drivers");
    if (!row.from_local) {
      EXPECT_EQ(RememberedExport(), path);
    }
  }
}

// Standard output and error of program run with arguments, redirected to
// files; its exit code.
int RunRedirected(const std::wstring& arguments, std::string* out, std::string* err) {
  ScratchFolder folder;
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  const std::wstring out_path = folder.File(L"out.txt");
  const std::wstring err_path = folder.File(L"err.txt");
  HANDLE out_file = ::CreateFileW(out_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                  CREATE_ALWAYS, 0, nullptr);
  HANDLE err_file = ::CreateFileW(err_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                  CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = out_file;
  startup.hStdError = err_file;
  std::wstring line = L"\"" + PROGRAM + L"\" " + arguments;
  PROCESS_INFORMATION process{};
  DWORD code = 255;
  if (::CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                       &process)) {
    ::WaitForSingleObject(process.hProcess, 30000);
    ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
  }
  ::CloseHandle(out_file);
  ::CloseHandle(err_file);
  *out = ReadBytes(out_path);
  *err = ReadBytes(err_path);
  return static_cast<int>(code);
}

TEST(WindowProgram, AnswersHelpVersionAndUsageErrorsOnItsStreamsOrInABox) {
  std::string out, err;
  EXPECT_EQ(RunRedirected(L"--help", &out, &err), 0);
  EXPECT_EQ(out.rfind("Usage: quorvafix [OPTION]... [REGISTRY_FILE]", 0), 0u) << out;
  EXPECT_NE(out.find("--local-registry"), std::string::npos);
  EXPECT_EQ(out.find("Qt"), std::string::npos) << "no toolkit's options on Windows";
  EXPECT_EQ(RunRedirected(L"--version", &out, &err), 0);
  EXPECT_EQ(out.rfind("quorvafix " QUORVAFIX_VERSION, 0), 0u) << out;
  EXPECT_EQ(RunRedirected(L"--local-registry pda.reg", &out, &err), 2);
  EXPECT_EQ(err.rfind("quorvafix: --local-registry takes no REGISTRY_FILE", 0), 0u) << err;
  // No toolkit takes options here: Qt's are as unknown as any other.
  for (const char* option : {"--bogus", "--platform"}) {
    EXPECT_EQ(RunRedirected(Widen(option) + L" pda.reg", &out, &err), 2) << option;
    EXPECT_EQ(err.rfind(std::string("quorvafix: unrecognized option '") + option + "'", 0), 0u)
        << err;
  }
  // Started with no console and no redirection, as from Explorer: the
  // answers come in a box.
  const struct {
    const wchar_t* arguments;
    const wchar_t* answer;  // how the box's text starts
    DWORD status;
  } boxed[] = {{L"--bogus pda.reg", L"quorvafix: unrecognized option '--bogus'", 2},
               {L"--version", L"quorvafix " QUORVAFIX_WIDE_VERSION, 0}};
  for (const auto& c : boxed) {
    ProgramDriver driver(PROGRAM, c.arguments, std::wstring(), true);
    EXPECT_EQ(driver.AnswerBox().rfind(c.answer, 0), 0u) << c.arguments;
    ASSERT_TRUE(driver.WaitForExit()) << c.arguments;
    EXPECT_EQ(driver.ExitCode(), c.status) << c.arguments;
  }
}

// The value name of the version resource's English strings, or empty.
std::wstring VersionString(const std::vector<char>& info, const wchar_t* name) {
  void* value = nullptr;
  UINT length = 0;
  const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  if (!::VerQueryValueW(info.data(), path.c_str(), &value, &length) || length == 0) return L"";
  return std::wstring(static_cast<const wchar_t*>(value));
}

// Both programs carry their manifest and a version resource, as Explorer's
// Properties read them.
TEST(WindowProgram, BothProgramsCarryAManifestAndTheirVersion) {
  struct Case {
    std::wstring program;
    const wchar_t* description;
    const wchar_t* file_name;
  } cases[] = {
      {PROGRAM, L"QUORVAFIX window", L"quorvafix.exe"},
      {Widen(QUORVAFIX_CLI_EXECUTABLE), L"QUORVAFIX command-line tool", L"quorvafix-cli.exe"},
  };
  const std::wstring version = Widen(QUORVAFIX_VERSION);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file_name);
    HMODULE exe = ::LoadLibraryExW(c.program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);
    HRSRC found = ::FindResourceW(exe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(found, nullptr) << "no manifest";
    const std::string manifest(static_cast<const char*>(::LockResource(::LoadResource(exe, found))),
                               ::SizeofResource(exe, found));
    ::FreeLibrary(exe);
    for (const char* setting :
         {"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"", ">PerMonitorV2, PerMonitor<",
          "<longPathAware", ">true</longPathAware>",
          "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>"}) {
      EXPECT_NE(manifest.find(setting), std::string::npos) << setting;
    }

    std::vector<char> info(::GetFileVersionInfoSizeW(c.program.c_str(), nullptr));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(
        ::GetFileVersionInfoW(c.program.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
    const std::pair<const wchar_t*, std::wstring> strings[] = {
        {L"ProductName", L"QUORVAFIX"},
        {L"FileVersion", version},
        {L"ProductVersion", version},
        {L"FileDescription", c.description},
        {L"OriginalFilename", c.file_name},
        {L"CompanyName", L"QUORVAFIX maintainers"},
        {L"LegalCopyright", L"Copyright (c) 2026 QUORVAFIX maintainers, MIT License"}};
    for (const auto& [name, expected] : strings) EXPECT_EQ(VersionString(info, name), expected);
  }
}

TEST(WindowProgram, CarriesTheIconAndNeedsNoConsole) {
  HMODULE exe = ::LoadLibraryExW(PROGRAM.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(exe, nullptr);
  EXPECT_NE(::FindResourceW(exe, MAKEINTRESOURCEW(IDI_QUORVAFIX), RT_GROUP_ICON), nullptr);
  EXPECT_NE(::FindResourceW(exe, MAKEINTRESOURCEW(IDM_MENU), RT_MENU), nullptr);
  ::FreeLibrary(exe);
  // The GUI subsystem: Windows opens no console for it.
  const BYTE* image = nullptr;
  std::string bytes = ReadBytes(PROGRAM);
  ASSERT_GT(bytes.size(), 0x200u);
  image = reinterpret_cast<const BYTE*>(bytes.data());
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image + dos->e_lfanew);
  EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
}

}  // namespace
