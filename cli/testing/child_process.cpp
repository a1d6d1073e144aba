#include "cli/testing/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>

bool ChildProcess::Start(const std::vector<std::string>& argv, const std::string& out_path,
                         const std::string& err_path, long long file_size_limit) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (out < 0 || err < 0) {
    if (out >= 0) ::close(out);
    if (err >= 0) ::close(err);
    return false;
  }
  pid_t pid = ::fork();
  if (pid == 0) {
    // Only async-signal-safe calls from here to exec.
    if (!in_path_.empty()) {
      int in = ::open(in_path_.c_str(), O_RDONLY);
      if (in < 0 || ::dup2(in, 0) < 0) ::_exit(127);
    }
    ::dup2(out, 1);
    ::dup2(err, 2);
    if (file_size_limit > 0) {
      struct rlimit limit = {static_cast<rlim_t>(file_size_limit),
                             static_cast<rlim_t>(file_size_limit)};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (address_space_limit_ > 0) {
      struct rlimit limit = {static_cast<rlim_t>(address_space_limit_),
                             static_cast<rlim_t>(address_space_limit_)};
      ::setrlimit(RLIMIT_AS, &limit);
    }
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  ::close(out);
  ::close(err);
  if (pid < 0) return false;
  pid_ = pid;
  reaped_ = false;
  return true;
}

ChildProcess::~ChildProcess() {
  if (!reaped_) {
    Kill();
    int status;
    Wait(&status);
  }
}

void ChildProcess::Kill() { Signal(SIGKILL); }

void ChildProcess::Signal(int signal_number) {
  if (!reaped_) ::kill(pid_, signal_number);
}

void ChildProcess::Record(int status, const struct rusage& usage) {
  reaped_ = true;
  peak_memory_ = static_cast<long long>(usage.ru_maxrss) * 1024;
  cpu_seconds_ = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                 (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  if (WIFEXITED(status)) {
    exit_status_ = WEXITSTATUS(status);
    term_signal_ = 0;
  } else {
    exit_status_ = -1;
    term_signal_ = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  }
}

bool ChildProcess::Wait(int* exit_status) {
  if (!reaped_) {
    int status = 0;
    struct rusage usage = {};
    pid_t got;
    while ((got = ::wait4(pid_, &status, 0, &usage)) < 0 && errno == EINTR) {
    }
    if (got != pid_) status = 0x7f00;  // cannot happen for our own child; read as exit 127
    Record(status, usage);
  }
  *exit_status = exit_status_;
  return term_signal_ == 0 && exit_status_ >= 0;
}

bool ChildProcess::Ended() {
  if (reaped_) return true;
  int status = 0;
  struct rusage usage = {};
  if (::wait4(pid_, &status, WNOHANG, &usage) != pid_) return false;
  Record(status, usage);
  return true;
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string StracePath() {
  if (const char* asan = std::getenv("ASAN_OPTIONS")) {
    ::setenv("ASAN_OPTIONS", (std::string(asan) + ":detect_leaks=0").c_str(), 1);
  }
  for (const char* path : {"/usr/bin/strace", "/bin/strace"}) {
    if (::access(path, X_OK) == 0) return path;
  }
  return "";
}
