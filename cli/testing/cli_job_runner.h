// Test support: runs one quorvafix-cli job in-process (RunCliJob) and keeps
// what it printed to each stream, for tests that assert exact output.
#pragma once

#include <cstdio>
#include <string>

#include "cli/cli_job.h"
#include "cli/cli_options.h"
#include "cli/file_outcome.h"

class FileSystem;

// Collects what a job prints to one stream (a temporary file).
class Capture {
 public:
  Capture();
  ~Capture();
  Capture(const Capture&) = delete;
  Capture& operator=(const Capture&) = delete;

  std::FILE* get() { return file_; }
  // Everything written so far.
  std::string Text();

 private:
  std::FILE* file_;
};

struct JobResult {
  int status;
  std::string out;
  std::string err;
};

// Runs command on file (fix into patch when patch is not empty) on fs (null:
// the real file system).
JobResult RunJob(CliCommand command, const std::string& file, const std::string& patch = "",
                 FileSystem* fs = nullptr);
// Runs options on file, keeping what the job found in outcome when given.
JobResult RunJob(const CliOptions& options, const std::string& file,
                 FileOutcome* outcome = nullptr);
