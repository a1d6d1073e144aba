#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "cli/console_output.h"

namespace {

std::vector<std::thread> readers;
bool moved_console[3] = {false, false, false};

// The length of the longest start of bytes that ends on a whole UTF-8
// character (a sequence cut by the pipe waits for its rest).
size_t WholeCharacters(const std::string& bytes) {
  size_t end = bytes.size();
  for (size_t back = 1; back <= 3 && back <= end; ++back) {
    unsigned char c = static_cast<unsigned char>(bytes[end - back]);
    if ((c & 0xC0) == 0x80) continue;  // a continuation byte
    size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    return length > back ? end - back : end;
  }
  return end;
}

void Show(HANDLE console, const std::string& bytes) {
  if (bytes.empty()) return;
  const int size = static_cast<int>(bytes.size());
  int length = ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, &wide[0], length);
  DWORD written = 0;
  ::WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
}

void Relay(HANDLE from, HANDLE console) {
  std::string pending;
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(from, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    pending.append(buffer, got);
    size_t whole = WholeCharacters(pending);
    Show(console, pending.substr(0, whole));
    pending.erase(0, whole);
  }
  Show(console, pending);
  ::CloseHandle(from);
}

}  // namespace

void SendConsoleOutputAsUtf16() {
  // Standard output and error on the console share one pipe and one reader,
  // so that they show in the order they were written.
  HANDLE console = INVALID_HANDLE_VALUE;
  std::vector<int> moved;
  for (int fd = 1; fd <= 2; ++fd) {
    HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    DWORD mode;
    if (handle == INVALID_HANDLE_VALUE || !::GetConsoleMode(handle, &mode)) continue;
    if (console == INVALID_HANDLE_VALUE) console = handle;
    moved.push_back(fd);
  }
  if (moved.empty()) return;
  HANDLE read_end, write_end, kept;
  if (!::CreatePipe(&read_end, &write_end, nullptr, 0)) return;
  int pipe_fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(write_end), _O_WRONLY | _O_BINARY);
  // The console handle stays open for the reader: the descriptors moved onto
  // the pipe no longer own it.
  if (pipe_fd < 0 || !::DuplicateHandle(::GetCurrentProcess(), console, ::GetCurrentProcess(),
                                        &kept, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
    ::CloseHandle(read_end);
    if (pipe_fd >= 0) ::_close(pipe_fd);
    return;
  }
  for (int fd : moved) moved_console[fd] = ::_dup2(pipe_fd, fd) == 0;
  ::_close(pipe_fd);
  readers.emplace_back(Relay, read_end, kept);
}

bool IsConsole(int fd) {
  if (fd >= 0 && fd <= 2 && moved_console[fd]) return true;
  DWORD mode;
  return ::GetConsoleMode(reinterpret_cast<HANDLE>(::_get_osfhandle(fd)), &mode) != 0;
}

void FinishConsoleOutput() {
  if (readers.empty()) return;
  std::fflush(stdout);
  std::fflush(stderr);
  // Descriptors already closed (standard output is, after its check) fail
  // here harmlessly; the readers end once every writer is gone.
  ::_close(1);
  ::_close(2);
  for (std::thread& reader : readers) reader.join();
  readers.clear();
}
