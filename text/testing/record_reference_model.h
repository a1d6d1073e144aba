// The record layout of DynString::ReadRecord restated on a byte vector: what
// one read must give at a stream position, for the differential test and the
// fuzz target. Test code; no part of the library.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace reference_model {

// What ReadRecord must do with bytes at position pos, worked out from the
// record layout alone.
struct RecordExpected {
  int result;
  std::string text;  // valid when result is 1
  size_t next;       // the stream position afterwards
};

inline RecordExpected ModelReadRecord(const std::vector<unsigned char>& bytes, size_t pos,
                                      int largest) {
  size_t size = bytes.size();
  if (size - pos < 2) return {0, "", size};
  int len = static_cast<int16_t>(bytes[pos] | bytes[pos + 1] << 8);
  pos += 2;
  if (len > largest || len < 0) return {0, "", pos};
  if (size - pos < static_cast<size_t>(len) + 1) return {0, "", size};
  size_t next = pos + len + 1;
  if (bytes[pos + len] != '\n') return {0, "", next};
  std::string text(bytes.begin() + pos, bytes.begin() + pos + len);
  text = text.substr(0, text.find_first_of(std::string("\n\0", 2)));
  return {1, text, next};
}

}  // namespace reference_model
