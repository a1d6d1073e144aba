// The --format=json form: one JSON document for a whole run, an array with one
// object per file, written one file at a time (only that file's entries are
// held) with each value encoded by nlohmann/json. Every string is escaped, so
// the document is valid JSON whatever the files hold.
#pragma once

#include <cstdio>

#include "cli/file_outcome.h"

// Each file's object holds, in this order:
//   "path"      the FILE as given (bytes that are not UTF-8 become U+FFFD)
//   "dialect"   "REGEDIT4" or "Windows Registry Editor Version 5.00"; null when not scanned
//   "encoding"  "Windows-1252", "UTF-8" or "UTF-16LE"; null when not scanned
//   "status"    "healthy", "faulty", "repaired", "refused" or "incomplete"
//   "exit_status"  0, 1, 2 or 3, as the job's exit status
//   "unexamined"   the entries skipped for a reason that may hide the fault
//   "drivers"   the examined entries:
//               {"entry", "name", "name_read", "key", "dll", "faulty", "repaired"}
//   "skipped"   the other entries: {"entry", "name", "name_read", "key", "reason"}
//   "message"   the outcome message as the text form prints it ("" for none)
//   "undo_file" only after a repair of a connected handheld: the undo file's path
//   "errors"    every message the job printed on stderr for the file
// Names, keys and values are UTF-16 as stored, written as UTF-8 (an unpaired
// surrogate as U+FFFD); "name_read" is the Name as the scan read it in the
// handheld's code page, as the text report shows it (CodePageText: "COMΩ:" is
// "COM?:"); "dll" is upper-cased, as in the report. DEL and the C1
// controls are written as \u escapes too, so the document is safe on a
// terminal. Each entry takes one line.
class JsonReportWriter {
 public:
  // out must outlive the writer.
  explicit JsonReportWriter(std::FILE* out) : out_(out) {}

  // Writes outcome's object, opening the array before the first.
  void Add(const FileOutcome& outcome);
  // Closes the array ("[]" when nothing was added) and ends the line.
  void Finish();

 private:
  void Put(const std::string& text);

  std::FILE* out_;
  bool opened_ = false;
};
