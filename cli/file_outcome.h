// What one quorvafix-cli job found in one file, kept for the forms printed
// after all files are done: the JSON document and the batch summary.
#pragma once

#include <string>
#include <vector>

#include "platform/registry/reg_text_codec.h"
#include "scan/scan_entry.h"

// A file's result in a word, as the summary counts it.
enum class FileVerdict {
  Healthy,     // scanned; no faulty driver found
  Faulty,      // scanned; a faulty driver remains
  Repaired,    // scanned; faulty drivers found and every one repaired
  Refused,     // not scanned: the file could not be read or parsed, or was refused
  Incomplete,  // scanned; no faulty driver left, but entries that may hide one
               // were not examined
};

struct FileOutcome {
  std::string path;                 // as given on the command line
  bool scanned = false;             // the file was loaded and scanned
  RegFileForm form;                 // the file's dialect and encoding, when scanned
  bool has_form = true;             // false for the computer's own registry: no file
  std::vector<ScanEntry> entries;   // what the (last) scan did with each entry: every
                                    // one with --verbose or JSON, else the examined ones
  int unexamined = 0;               // entries skipped for a reason that may hide the fault
  std::string message;              // the outcome message as printed, UTF-8; may be empty
  std::vector<std::string> errors;  // every message the job printed on stderr, unescaped
  std::string undo_file;            // a handheld's repair: the undo file saved before it
  int status = 0;                   // the job's exit status

  FileVerdict Verdict() const;
};

// "healthy", "faulty", "repaired", "refused" or "incomplete".
const char* VerdictText(FileVerdict verdict);

// "N files: A healthy, B faulty, C repaired, D refused, E incomplete"
// ("1 file: " for one).
std::string SummaryLine(const std::vector<FileVerdict>& verdicts);
