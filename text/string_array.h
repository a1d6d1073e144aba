// StringArray: a fixed number of DynStrings, each built with room for the same
// number of characters, that can also present itself as an array of plain text
// pointers. The array owns its elements and both allocations; the text
// pointers own nothing and hold only until an element changes its block.
// A failed allocation ends the program, as it does for DynString itself.
#pragma once

#include <cstdint>

#include "text/dyn_string.h"

class StringArray {
 public:
  // count elements, each an empty string in a block of Capacity size + 13,
  // Precision 1 and Tag size (the only place a Tag other than -1 is set). A
  // negative count or size counts as 0: a negative count builds an empty
  // array, a negative size elements of Capacity 13 and Tag 0. The text
  // pointers are allocated but hold nothing meaningful until RefreshPointers.
  // Example: StringArray(3, 20) holds three empty strings of Capacity 33.
  StringArray(int count, int size);
  // Destroys the elements from the last to the first, then frees the element
  // allocation, then the text pointers.
  ~StringArray();
  StringArray(const StringArray&) = delete;
  StringArray& operator=(const StringArray&) = delete;

  // Points TextPointers[i] at element i's own character area (even when its
  // text is empty), or at the shared empty text when the element is null.
  // Returns TextPointers. The pointers hold until that element grows, is
  // cleared or the array is destroyed.
  const char** RefreshPointers();

  // Empties every element without freeing it: Reserve(1), then the first
  // character becomes NUL. Blocks keep Capacity, Precision and Tag; a null
  // element receives a new block (Capacity 14, Tag -1).
  void EmptyAll();

  // Element i := other's element i (Assign), for every index both arrays
  // hold; elements past the smaller count are left alone. An empty or null
  // source element empties the target element without allocating; a target
  // keeps its Precision and Tag.
  void CopyFrom(const StringArray& other);

  // Fixed at construction.
  DynString* const Elements;
  const char** const TextPointers;
  const int32_t ElementCount;
};
