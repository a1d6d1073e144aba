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

// Exit statuses. A run over several files exits with the one that comes
// first of EXIT_TROUBLE, EXIT_FAULT_LEFT, EXIT_INCOMPLETE, EXIT_NO_FAULT_LEFT.
constexpr int EXIT_NO_FAULT_LEFT = 0;
constexpr int EXIT_FAULT_LEFT = 1;
constexpr int EXIT_TROUBLE = 2;
constexpr int EXIT_INCOMPLETE = 3;  // no faulty driver left, but entries not examined

// Of two exit statuses the one a run over several files ends with:
// 2 over 1 over 3 over 0.
int WeightierStatus(int a, int b);

// Runs options.command (Detect or Fix) on file and returns its exit status:
// EXIT_NO_FAULT_LEFT when no faulty driver remains (none found, or all
// repaired, in the file or in the patch), EXIT_FAULT_LEFT when one remains
// (found by detect, or a repair write failed: its reason goes to err),
// EXIT_INCOMPLETE when none remains but entries that may hide the fault were
// not examined (SkipMayHideFault; err says "quorvafix-cli: FILE: " and
// UnexaminedNotice), and EXIT_TROUBLE when the file cannot be read or parsed,
// the patch cannot be written, or memory runs out (err says "quorvafix-cli:
// FILE:LINE: what is wrong", or "FILE: not enough memory").
// With the text form the report goes to out as UTF-8, one line per report
// line, then for fix the outcome message on its own line when there is one,
// then with options.verbose one line per active-driver entry (EntryLine);
// the JSON form prints nothing to out. With options.patch_path "-" the patch
// goes to out and the report to err. A FILE of "-" read through a
// StdinFileSystem is checked as it arrives (StdinFileSystem::CheckHead).
// Text from the file reaches out and err with its control characters escaped
// (EscapeControls). fs is where files are read and written (null: the real
// file system). outcome, when given, receives what the job found, for the
// JSON document and the summary.
int RunCliJob(const CliOptions& options, const std::string& file, std::FILE* out, std::FILE* err,
              FileSystem* fs = nullptr, FileOutcome* outcome = nullptr);

// The same on the computer's own registry (--local-registry): each repair is
// written to it as the scan makes it; one the system refuses leaves the
// driver faulty (exit 1) with the system's reason on err, under the name
// LOCAL_REGISTRY_NAME.
int RunRegistryJob(const CliOptions& options, LocalRegistry& store, std::FILE* out, std::FILE* err,
                   FileOutcome* outcome = nullptr);
