// Test support: runs one quorvafix-cli job in-process (RunCliJob) and keeps
// what it printed to each stream, for tests that assert exact output.
#pragma once

#include <string>

#include "cli/cli_job.h"
#include "cli/cli_options.h"

class FileSystem;

struct JobResult {
  int status;
  std::string out;
  std::string err;
};

// Runs command on file (fix into patch when patch is not empty) on fs (null:
// the real file system).
JobResult RunJob(CliCommand command, const std::string& file, const std::string& patch = "",
                 FileSystem* fs = nullptr);
