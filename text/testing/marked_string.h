// Test helper: strings whose header carries fields no fresh block has (tag
// 42, precision 6), to see that an operation keeps the block it edits.
// Test-only.
#pragma once

#include <gtest/gtest.h>

#include "text/dyn_string.h"

// Gives s the marked header fields.
inline void Mark(DynString& s) {
  s.Tag() = 42;
  s.Precision() = 6;
}

// A string holding text with the marked header fields.
inline DynString Marked(const char* text) {
  DynString s(text);
  Mark(s);
  return s;
}

// Expects s to still carry the marked header fields.
inline void ExpectMarked(const DynString& s) {
  EXPECT_EQ(s.Tag(), 42);
  EXPECT_EQ(s.Precision(), 6);
}
