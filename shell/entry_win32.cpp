// quorvafix.exe: the handheld program on Windows' own windows (Win32). A
// program of the GUI subsystem, so that no console window opens with it.
// The command line arrives in UTF-16 (wmain, -municode) and goes on in
// UTF-8, the form every file name has inside the program. --help, --version
// and the refusals are written where standard output and error lead when
// they were redirected, else on the console of the program that started
// this one, when it has one.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/files/win32_path.h"
#include "platform/win32/win32_platform.h"
#include "shell/desktop_options.h"
#include "shell/desktop_program.h"

namespace {

bool Redirected(DWORD stream) {
  HANDLE handle = ::GetStdHandle(stream);
  return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

// A GUI program starts without standard streams unless they were
// redirected; the parent's console stands in for those that were not.
void UseParentConsole() {
  const bool out = Redirected(STD_OUTPUT_HANDLE);
  const bool err = Redirected(STD_ERROR_HANDLE);
  if ((out && err) || !::AttachConsole(ATTACH_PARENT_PROCESS)) return;
  if (!out) std::freopen("CONOUT$", "w", stdout);
  if (!err) std::freopen("CONOUT$", "w", stderr);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(NarrowPath(argv[i]));
  std::vector<const char*> pointers;
  for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
  pointers.push_back(nullptr);
  UseParentConsole();
  int answered = AnswerDesktopOptions(argc, pointers.data(), QUORVAFIX_VERSION, stdout, stderr);
  if (answered >= 0) return answered;
  Win32Platform platform;
  return RunQuorvafix(argc, pointers.data());
}
