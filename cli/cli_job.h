// What quorvafix-cli does with one registry file: load it, scan it, repair it
// in place or into a patch file, and print the report. Everything the tool
// prints goes to the two streams given, so tests run jobs in-process.
#pragma once

#include <cstdio>
#include <string>

#include "cli/cli_options.h"
#include "cli/file_outcome.h"

class FileSystem;
class LocalRegistry;

// The name the computer's own registry goes by in reports and messages.
constexpr char LOCAL_REGISTRY_NAME[] = "HKEY_LOCAL_MACHINE\\Drivers\\Active";

// Exit statuses, worst last; a run over several files exits with the worst.
constexpr int EXIT_NO_FAULT_LEFT = 0;
constexpr int EXIT_FAULT_LEFT = 1;
constexpr int EXIT_TROUBLE = 2;

// Runs options.command (Detect or Fix) on file and returns its exit status:
// EXIT_NO_FAULT_LEFT when no faulty driver remains (none found, or all
// repaired, in the file or in the patch), EXIT_FAULT_LEFT when one remains
// (found by detect, or a repair write failed: its reason goes to err), and
// EXIT_TROUBLE when the file cannot be read or parsed, or the patch cannot be
// written (err says "quorvafix-cli: FILE:LINE: what is wrong").
// With the text form the report goes to out as UTF-8, one line per report
// line, then for fix the outcome message on its own line when there is one,
// then with options.verbose one line per active-driver entry (EntryLine);
// the JSON form prints nothing to out. Text from the file reaches out and err
// with its control characters escaped (EscapeControls). fs is where files are
// read and written (null: the real file system). outcome, when given,
// receives what the job found, for the JSON document and the summary.
int RunCliJob(const CliOptions& options, const std::string& file, std::FILE* out, std::FILE* err,
              FileSystem* fs = nullptr, FileOutcome* outcome = nullptr);

// The same on the computer's own registry (--local-registry): each repair is
// written to it as the scan makes it; one the system refuses leaves the
// driver faulty (exit 1) with the system's reason on err, under the name
// LOCAL_REGISTRY_NAME.
int RunRegistryJob(const CliOptions& options, LocalRegistry& store, std::FILE* out,
                   std::FILE* err, FileOutcome* outcome = nullptr);
