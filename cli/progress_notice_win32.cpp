#include <io.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "cli/console_output.h"
#include "cli/progress_notice.h"
#include "cli/terminal_text.h"

namespace {

constexpr std::chrono::seconds DELAY(1);

std::mutex mutex;
std::condition_variable changed;
bool cancelled = false;
std::thread waiter;
int notice_fd = -1;

}  // namespace

ProgressNotice::ProgressNotice(int fd) : enabled_(IsConsole(fd)) { notice_fd = fd; }

ProgressNotice::~ProgressNotice() { End(); }

void ProgressNotice::Begin(const std::string& file) {
  if (!enabled_) return;
  End();
  std::string text = "quorvafix-cli: working on " + EscapeControls(file) + "\n";
  cancelled = false;
  waiter = std::thread([text] {
    std::unique_lock<std::mutex> hold(mutex);
    if (!changed.wait_for(hold, DELAY, [] { return cancelled; })) {
      int ignored = ::_write(notice_fd, text.data(), static_cast<unsigned>(text.size()));
      (void)ignored;  // a notice that cannot be shown is no failure of the run
    }
  });
}

void ProgressNotice::End() {
  if (!waiter.joinable()) return;
  {
    std::lock_guard<std::mutex> hold(mutex);
    cancelled = true;
  }
  changed.notify_all();
  waiter.join();
}
