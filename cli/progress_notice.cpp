#include "cli/progress_notice.h"

#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/terminal_text.h"

namespace {

constexpr long DELAY_SECONDS = 1;
constexpr size_t NOTICE_SIZE = 4096;

// Prepared before the timer is armed, so that the handler only writes it.
char notice[NOTICE_SIZE];
volatile sig_atomic_t notice_length = 0;
int notice_fd = -1;

void OnAlarm(int) {
  int saved = errno;
  ssize_t ignored = ::write(notice_fd, notice, static_cast<size_t>(notice_length));
  (void)ignored;  // a notice that cannot be shown is no failure of the run
  errno = saved;
}

void Arm(long seconds) {
  struct itimerval timer = {};
  timer.it_value.tv_sec = seconds;
  ::setitimer(ITIMER_REAL, &timer, nullptr);
}

}  // namespace

ProgressNotice::ProgressNotice(int fd) : enabled_(::isatty(fd) == 1) {
  if (!enabled_) return;
  notice_fd = fd;
  struct sigaction action = {};
  action.sa_handler = OnAlarm;
  // Interrupted calls resume: the rewrite never sees the notice.
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGALRM, &action, nullptr);
}

ProgressNotice::~ProgressNotice() { End(); }

void ProgressNotice::Begin(const std::string& file) {
  if (!enabled_) return;
  Arm(0);
  std::string text = "quorvafix-cli: working on " + EscapeControls(file);
  if (text.size() > NOTICE_SIZE - 1) text.resize(NOTICE_SIZE - 1);
  text += '\n';
  std::memcpy(notice, text.data(), text.size());
  notice_length = static_cast<sig_atomic_t>(text.size());
  Arm(DELAY_SECONDS);
}

void ProgressNotice::End() {
  if (enabled_) Arm(0);
}
