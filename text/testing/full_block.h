// Test helper: a DynString whose block its text fills exactly, the state in
// which any reserve beyond the text moves the block. Test-only.
#pragma once

#include <cstring>

#include "text/dyn_string.h"

// A string holding text (at least 11 characters) in a block of Capacity
// length + 2: the first block of Reserve(length - 11) has Capacity
// length + 2, and the append that follows fits without growth.
inline DynString FullBlock(const char* text) {
  int len = static_cast<int>(std::strlen(text));
  DynString s;
  s.Reserve(len - 11);
  s.Append(text);
  return s;
}
