#include "cli/cli_job_runner.h"

#include <cstdio>

namespace {

// Collects what a job prints to one stream.
class Capture {
 public:
  Capture() : file_(std::tmpfile()) {}
  ~Capture() { std::fclose(file_); }
  Capture(const Capture&) = delete;
  Capture& operator=(const Capture&) = delete;

  std::FILE* get() { return file_; }
  std::string Text() {
    std::fflush(file_);
    std::rewind(file_);
    std::string text;
    int c;
    while ((c = std::fgetc(file_)) != EOF) text.push_back(static_cast<char>(c));
    return text;
  }

 private:
  std::FILE* file_;
};

}  // namespace

JobResult RunJob(CliCommand command, const std::string& file, const std::string& patch,
                 FileSystem* fs) {
  CliOptions options;
  options.command = command;
  options.patch_path = patch;
  options.files = {file};
  Capture out;
  Capture err;
  int status = RunCliJob(options, file, out.get(), err.get(), fs);
  return {status, out.Text(), err.Text()};
}
