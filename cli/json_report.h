// The --format=json form: one JSON document for a whole run, an array with one
// object per file, written with nlohmann/json. Every string is escaped, so the
// document is valid JSON whatever the files hold.
#pragma once

#include <string>
#include <vector>

#include "cli/file_outcome.h"

// The document for outcomes, pretty-printed with two-space indents and ending
// in a line end. Each object holds, in this order:
//   "path"      the FILE as given (bytes that are not UTF-8 become U+FFFD)
//   "dialect"   "REGEDIT4" or "Windows Registry Editor Version 5.00"; null when not scanned
//   "encoding"  "Windows-1252", "UTF-8" or "UTF-16LE"; null when not scanned
//   "status"    "healthy", "faulty", "repaired" or "refused"
//   "exit_status"  0, 1 or 2, as the job's exit status
//   "drivers"   the examined entries: {"entry", "name", "key", "dll", "faulty", "repaired"}
//   "skipped"   the other entries: {"entry", "name", "key", "reason"}
//   "message"   the scan's outcome message ("" for none)
//   "errors"    every message the job printed on stderr for the file
// Names, keys and values are UTF-16 as stored, written as UTF-8 (an unpaired
// surrogate as U+FFFD); "dll" is upper-cased, as in the report. DEL and the C1
// controls are written as \u escapes too, so the document is safe on a terminal.
std::string JsonReport(const std::vector<FileOutcome>& outcomes);
