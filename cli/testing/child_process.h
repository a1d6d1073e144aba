// Test support: quorvafix-cli (or any program) run as a child process, with
// its output kept in files, for tests that kill it, race two of it or limit
// what it may write. POSIX only. The object owns the child: destroying it
// kills and reaps a child still running.
#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <string>
#include <vector>

class ChildProcess {
 public:
  // Starts argv[0] (a path) with argv; its stdout and stderr go to the files
  // out_path and err_path (truncated). file_size_limit, when positive, is the
  // child's RLIMIT_FSIZE in bytes. Returns false when it cannot start.
  bool Start(const std::vector<std::string>& argv, const std::string& out_path,
             const std::string& err_path, long long file_size_limit = 0);
  ~ChildProcess();
  // The file the next Start gives the child as its standard input (opened in
  // the child, so a FIFO waits there for its writer); the parent's by default.
  void SetInput(const std::string& in_path) { in_path_ = in_path; }
  // The RLIMIT_AS in bytes the next Start gives the child (0: none), so that
  // its allocations fail past it.
  void SetAddressSpaceLimit(long long bytes) { address_space_limit_ = bytes; }

  // Sends SIGKILL (nothing when the child has ended).
  void Kill();
  // Sends signal_number (nothing when the child has ended).
  void Signal(int signal_number);
  // Waits for the end; true when the child exited, with its status.
  bool Wait(int* exit_status);
  // True, without waiting, once the child has ended (it is then reaped).
  bool Ended();
  // The signal that ended the child, 0 when it exited; valid after Wait or Ended.
  int TermSignal() const { return term_signal_; }
  // The child's peak resident memory in bytes and the processor time it used
  // in seconds (user and system); valid after Wait or Ended.
  long long PeakMemory() const { return peak_memory_; }
  double CpuSeconds() const { return cpu_seconds_; }

 private:
  void Record(int status, const struct rusage& usage);

  std::string in_path_;
  long long address_space_limit_ = 0;
  pid_t pid_ = -1;
  bool reaped_ = true;
  int exit_status_ = -1;
  int term_signal_ = 0;
  long long peak_memory_ = 0;
  double cpu_seconds_ = 0;
};

// The text of a file; empty when it cannot be read.
std::string FileText(const std::string& path);

// The path of strace, which tests put in front of the tool to hold back or
// fail its system calls; empty when the Debian package strace is missing.
// LeakSanitizer cannot work in a traced process, so in a sanitizer build the
// children this process starts from then on run without leak checks (every
// untraced run of the tool keeps them).
std::string StracePath();
