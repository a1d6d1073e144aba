// Tells a user at a terminal which file a long run is on: once a file has
// taken more than a second, "quorvafix-cli: working on FILE" appears on
// standard error. Nothing is shown when standard error is no terminal (a log
// or a pipe gets only the report and the failures). Uses SIGALRM and the
// real-time interval timer (on Windows a waiting thread, and a console
// counts as the terminal); one notice object per process.
#pragma once

#include <string>

class ProgressNotice {
 public:
  // Notices go to descriptor fd, and only when it is a terminal.
  explicit ProgressNotice(int fd);
  // Stops a notice still pending.
  ~ProgressNotice();
  ProgressNotice(const ProgressNotice&) = delete;
  ProgressNotice& operator=(const ProgressNotice&) = delete;

  // The run begins on file: its notice shows if End is not called within
  // a second.
  void Begin(const std::string& file);
  // The file is done: its notice, if not yet shown, never is.
  void End();

 private:
  bool enabled_;
};
