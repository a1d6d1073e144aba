// The steps every quorvafix-cli job is made of, shared by the jobs on files
// and registries (cli_job.cpp) and those on a connected handheld
// (device_job.cpp), so that each prints exactly as the others do.
#pragma once

#include <cstdio>
#include <string>

#include "cli/cli_options.h"
#include "cli/file_outcome.h"

class DynString;
class RegistryStore;

// The outcome a job fills: given, else own; made afresh for path (a
// registry with no file form when has_form is false).
FileOutcome& FreshOutcome(FileOutcome* given, FileOutcome& own, const std::string& path,
                          bool has_form = true);
// Runs the scan with store installed as the registry, keeping in the outcome
// every entry or only the examined ones, and the count of those that may
// hide the fault.
void ScanWith(RegistryStore& store, bool repair, DynString& report, DynString& message,
              bool every_entry, FileOutcome& outcome);
// The outcome message as the tool prints it: the scan's, except that an
// all-clear never stands over entries that were not examined, and that
// repairs written to a patch are said to be there, not in the file.
std::string OutcomeMessage(const char* scan_message, const FileOutcome& outcome,
                           const std::string& patch_path);
// The report and the exit status need only the examined entries; a long
// active-driver list costs memory only when every entry is shown.
bool EveryEntry(const CliOptions& options);
// Says on err why something failed, and keeps it for the file's outcome.
void Complain(const std::string& what, FileOutcome& outcome, std::FILE* err);
// The text form of one file's results: the report, for fix the outcome
// message, and with --verbose a line per active-driver entry.
void PrintText(const CliOptions& options, const FileOutcome& outcome, std::FILE* out);
