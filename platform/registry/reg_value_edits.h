// Storing several values in a registry export file's bytes at once: one pass
// of the reader finds them all, each gets the edit PlanValueEdit makes for it
// alone, the edits are made in one pass over the bytes, and one more pass
// checks that the edited file reads back every value exactly. Edits that
// would touch the same place (two new values of one key, a new key at the
// end of a file twice) are made one after another instead, each planned on
// the file as the one before left it, which gives the same bytes as storing
// the values one by one.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/registry/reg_line_editor.h"
#include "platform/registry/reg_parser.h"

// How to give an edited file its old bytes back: sets of splices (each set
// SplicesApart), to be applied last set first.
struct RegEditUndo {
  std::vector<std::vector<RegSplice>> steps;

  // edited with the edits undone.
  std::vector<uint8_t> Restore(const std::vector<uint8_t>& edited) const;
};

// Why EditRegValues refused.
struct RegEditFailure {
  size_t value = 0;      // the index of the value concerned
  bool refused = false;  // the file read, or the file as edited, was refused: see parse
  RegParseError parse;
  std::string reason;  // else: why the value cannot be stored, or reads back otherwise
};

// Stores values (in order: a later value of the same key and name replaces an
// earlier one) in file, in place, and checks that the edited file reads back
// each value exactly. On success *form is the edited file's form and *undo
// gives the old bytes back. On failure file holds its old bytes again and
// the status is ERROR_BADDB (file refused as read: failure->refused),
// ERROR_NOT_SUPPORTED or ERROR_INVALID_PARAMETER (PlanValueEdit refused a
// value, or the edited file would not read it back exactly: failure->refused
// when it would not read at all).
RegStatus EditRegValues(std::vector<uint8_t>* file, const std::vector<RegValueWrite>& values,
                        RegFileForm* form, RegEditUndo* undo, RegEditFailure* failure);
