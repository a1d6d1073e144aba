// quorvafix-bench-first-paint PROGRAM PROBE [REGISTRY_FILE] [RUNS]: the time
// from starting the window program to its first paint, under Qt's offscreen
// platform. Each run starts PROGRAM afresh (fork and exec, in a runtime
// folder of its own so that no earlier copy is found) with PROBE preloaded;
// the probe reports the moment the first text is drawn and ends the program.
// Prints each run and the median, in milliseconds.
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

long long MonotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// One run; the milliseconds to first paint, or a negative value on failure.
double RunOnce(const std::string& program, const std::string& probe, const std::string& registry) {
  char runtime[] = "/tmp/quorvafix-first-paint-XXXXXX";
  if (mkdtemp(runtime) == nullptr) return -1;
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return -1;
  long long start = MonotonicNs();
  pid_t child = fork();
  if (child == 0) {
    close(pipe_fds[0]);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("LD_PRELOAD", probe.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", runtime, 1);
    setenv("QUORVAFIX_FIRST_PAINT_FD", std::to_string(pipe_fds[1]).c_str(), 1);
    std::vector<char*> args = {const_cast<char*>(program.c_str())};
    if (!registry.empty()) args.push_back(const_cast<char*>(registry.c_str()));
    args.push_back(nullptr);
    execv(program.c_str(), args.data());
    _exit(127);
  }
  close(pipe_fds[1]);
  char line[64] = {};
  ssize_t got = read(pipe_fds[0], line, sizeof line - 1);
  close(pipe_fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  rmdir(runtime);
  if (got <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return static_cast<double>(std::atoll(line) - start) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: quorvafix-bench-first-paint PROGRAM PROBE [REGISTRY_FILE] [RUNS]\n", stderr);
    return 2;
  }
  std::string registry = argc > 3 ? argv[3] : "";
  int runs = argc > 4 ? std::atoi(argv[4]) : 10;
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    double ms = RunOnce(argv[1], argv[2], registry);
    if (ms < 0) {
      std::fprintf(stderr, "run %d: the program did not paint (exit or start failed)\n", i + 1);
      return 1;
    }
    std::printf("run %d: %.1f ms\n", i + 1, ms);
    times.push_back(ms);
  }
  std::sort(times.begin(), times.end());
  std::printf("first paint: median %.1f ms, min %.1f ms, max %.1f ms over %d runs\n",
              times[times.size() / 2], times.front(), times.back(), runs);
  return 0;
}
