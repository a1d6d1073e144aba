// The checking and indexing pass over a whole registry file in memory: one
// pass over its bytes that finds the line ends, checks every line by the
// reader's own grammar (reg_grammar.h, in its checking reading), and reports
// only the key lines and which key sections hold values. Nothing is decoded to UTF-16 on the way:
// key paths are handed over in the file's own encoding, values are checked
// where they stand and only measured.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/registry/reg_file_text.h"
#include "platform/registry/reg_parser.h"
#include "platform/registry/reg_text_codec.h"
#include "platform/registry/registry.h"

// What the pass reports, in file order.
class RegIndexEvents {
 public:
  virtual ~RegIndexEvents() = default;
  // A key line: its root, the path below it (empty for the root itself; no
  // empty names, no trailing backslash) and whether it deletes the key.
  virtual void OnKey(RegKey root, const RegFileText& path, bool deletion) = 0;
  // The section the last OnKey opened holds a value line (or a value
  // deletion); its value lines start at byte offset begin (just past the key
  // line). Reported once per section, at its first value line.
  virtual void OnSectionValues(uint64_t begin) = 0;
};

// Checks the size bytes of a whole file at data and reports its keys to
// events; sets form (dialect, encoding, mark, most frequent line end, open
// continuation) as ReadRegBytes does. Refuses exactly the files
// ReadRegBytes refuses, with the same line and reason (false, error set;
// events may then have seen part of the file). Needs memory independent of
// the input.
bool IndexRegBytes(const uint8_t* data, size_t size, RegIndexEvents& events, RegFileForm* form,
                   RegParseError* error);
