// Splices: byte ranges of a file replaced by other bytes, the unit of every
// in-place edit of a registry export. Several splices of one file apply in one
// pass over its bytes, in place or into a copy.
#pragma once

#include <cstdint>
#include <vector>

// Bytes [begin, end) of a file replaced by bytes (begin == end: inserted).
struct RegSplice {
  uint64_t begin = 0;
  uint64_t end = 0;
  std::vector<uint8_t> bytes;
};

// True when splices are in file order and apart: each ends at or before the
// next one begins, and no two begin at the same offset (so that the order of
// two insertions at one place never matters).
bool SplicesApart(const std::vector<RegSplice>& splices);

// file with splices (SplicesApart) applied; offsets refer to file.
std::vector<uint8_t> ApplySplices(const std::vector<uint8_t>& file,
                                  const std::vector<RegSplice>& splices);
// The same made in file itself, moving each byte at most once, so that the
// file is never held twice; returns the splices that undo them (the bytes
// they replaced, at their places in the edited file).
// Example: "abcd" with {1, 3, "X"} becomes "aXd" and gives {1, 2, "bc"}.
std::vector<RegSplice> ApplySplicesInPlace(std::vector<uint8_t>* file,
                                           const std::vector<RegSplice>& splices);
