// quorvafix.exe: the handheld program on Windows' own windows (Win32). A
// program of the GUI subsystem, so that no console window opens with it.
// The command line arrives in UTF-16 (wmain, -municode) and goes on in
// UTF-8, the form every file name has inside the program. --help, --version
// and the refusals are written where standard output and error lead when
// they were redirected, else on the console of the program that started
// this one, when it has one; started with neither (from Explorer or a
// shortcut), they are shown in a message box.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/files/win32_path.h"
#include "platform/win32/win32_platform.h"
#include "shell/desktop_options.h"
#include "shell/desktop_program.h"

namespace {

constexpr DWORD ANSWER_PIPE_SIZE = 64 * 1024;  // more than any answer

bool Redirected(DWORD stream) {
  HANDLE handle = ::GetStdHandle(stream);
  return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

// A GUI program starts without standard streams unless they were
// redirected; the parent's console stands in for those that were not.
// False when a stream leads nowhere: no redirection and no console.
bool UseParentConsole() {
  const bool out = Redirected(STD_OUTPUT_HANDLE);
  const bool err = Redirected(STD_ERROR_HANDLE);
  if (out && err) return true;
  if (!::AttachConsole(ATTACH_PARENT_PROCESS)) return false;
  if (!out) std::freopen("CONOUT$", "w", stdout);
  if (!err) std::freopen("CONOUT$", "w", stderr);
  return true;
}

// The answers to the program's own options, caught in a pipe, for a
// program with nowhere to write them: shown in a box once answered.
class AnswerBox {
 public:
  AnswerBox() {
    HANDLE write = nullptr;
    if (!::CreatePipe(&read_, &write, nullptr, ANSWER_PIPE_SIZE)) return;
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(write), _O_WRONLY);
    stream_ = descriptor < 0 ? nullptr : _fdopen(descriptor, "w");
    if (stream_ == nullptr) ::CloseHandle(write);
  }
  ~AnswerBox() {
    if (stream_ != nullptr) std::fclose(stream_);
    if (read_ != nullptr) ::CloseHandle(read_);
  }
  std::FILE* Stream() const { return stream_; }
  // Shows what was written (nothing: no box), a warning for a refusal.
  void Show(int status) {
    if (stream_ == nullptr) return;
    std::fclose(stream_);
    stream_ = nullptr;
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(read_, buffer, sizeof buffer, &got, nullptr) && got > 0) {
      text.append(buffer, got);
    }
    if (text.empty()) return;
    std::wstring wide;
    WidePath(text, &wide);
    ::MessageBoxW(nullptr, wide.c_str(), L"QUORVAFIX",
                  MB_OK | (status == 0 ? MB_ICONINFORMATION : MB_ICONWARNING));
  }

 private:
  HANDLE read_ = nullptr;
  std::FILE* stream_ = nullptr;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(NarrowPath(argv[i]));
  std::vector<const char*> pointers;
  for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
  pointers.push_back(nullptr);
  int answered = -1;
  if (UseParentConsole()) {
    answered = AnswerDesktopOptions(argc, pointers.data(), QUORVAFIX_VERSION, stdout, stderr);
  } else {
    // The streams that were redirected keep their answers.
    AnswerBox box;
    std::FILE* caught = box.Stream();
    std::FILE* out = Redirected(STD_OUTPUT_HANDLE) || caught == nullptr ? stdout : caught;
    std::FILE* err = Redirected(STD_ERROR_HANDLE) || caught == nullptr ? stderr : caught;
    answered = AnswerDesktopOptions(argc, pointers.data(), QUORVAFIX_VERSION, out, err);
    if (answered >= 0) box.Show(answered);
  }
  if (answered >= 0) return answered;
  Win32Platform platform;
  return RunQuorvafix(argc, pointers.data());
}
