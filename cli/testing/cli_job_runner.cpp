#include "cli/testing/cli_job_runner.h"

#include <cstdio>

Capture::Capture() : file_(std::tmpfile()) {}

Capture::~Capture() { std::fclose(file_); }

std::string Capture::Text() {
  std::fflush(file_);
  std::rewind(file_);
  std::string text;
  int c;
  while ((c = std::fgetc(file_)) != EOF) text.push_back(static_cast<char>(c));
  return text;
}

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

JobResult RunJob(const CliOptions& options, const std::string& file, FileOutcome* outcome) {
  Capture out;
  Capture err;
  int status = RunCliJob(options, file, out.get(), err.get(), nullptr, outcome);
  return {status, out.Text(), err.Text()};
}
