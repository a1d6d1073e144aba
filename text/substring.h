// Parts of a DynString as new strings, raw byte access to its character area,
// and a length-prefixed record for saving a string to and loading it from a
// caller's FILE stream. Extractions leave the string unchanged and return a
// new string by value; the caller owns the stream and positions it.
//
// Stream record, one after another with nothing between them:
//
//   offset 0      2 bytes  L, the text's length: signed 16-bit, little-endian
//                          on every machine
//   offset 2      L bytes  the characters, without terminator
//   offset 2 + L  1 byte   LF (10)
//
// A null and an empty string both give the 3 bytes 0, 0, 10.
#pragma once

#include <cstdio>

class DynString;

// Largest text a record holds: the largest signed 16-bit length.
constexpr int MAX_RECORD_LENGTH = 32767;

// Sets count bytes from buffer's start to value (converted to a byte) and
// returns the address just past the last byte set; a count <= 0 writes
// nothing and returns buffer. Example: FillBytes(b, 3, 'x') returns b + 3.
void* FillBytes(void* buffer, int count, int value);
// FillBytes with value 0.
void* ZeroBytes(void* buffer, int count);

// The substring, raw byte and record operations of DynString; see DynString.
class DynStringSubstrings {
 public:
  // The count characters from index on, as a new allocated string (an empty
  // result is allocated too). Arguments outside the text are clamped: a
  // negative index or count counts as 0, an index past the end as the length,
  // and the count is cut at the end of the text; a null string gives an
  // allocated empty string. Example: "abcdef" at 2 for 3 gives "cde".
  DynString Substring(int index, int count) const;
  // The characters first to last inclusive as a new allocated string; last =
  // -1 means the last character. first = last + 1 gives an empty result.
  // Clamped like Substring: a negative first counts as 0, last stops at the
  // last character, and first beyond last (or any other negative last) gives
  // an empty result. Example: "abcdef" with 1, 3 gives "bcd"; 2, -1 "cdef".
  DynString SubstringRange(int first, int last) const;
  // The characters start to end - 1, or the rest of the text when end lies
  // beyond it; a null string gives a null result, any other an allocated one.
  // A negative start counts as 0, a start past the end as the length, and an
  // end before start gives an empty result.
  // Example: "abcdef" with 1, 4 gives "bcd"; 2, 100 gives "cdef".
  DynString Slice(int start, int end) const;

  // Makes room for p + n characters, copies n raw bytes from source to
  // character p on, and returns the address of character p. No terminator is
  // written or moved: bytes that reach the end of the text must carry their
  // own NUL (the block's slack keeps strlen inside it regardless). A negative
  // p or n, or p + n beyond the largest int, writes nothing and gives null.
  // source must not point into the string's own block.
  char* WriteBytes(int p, const void* source, int n);

  // Writes the string as one record and returns fputc's result for the final
  // LF: 10 on success, EOF on failure (fwrite's results are not examined). A
  // text longer than MAX_RECORD_LENGTH, which the length field cannot hold,
  // writes nothing and gives EOF, as does a null stream.
  // Example: "abc" writes 3, 0, 'a', 'b', 'c', 10 and returns 10.
  int WriteRecord(FILE* stream) const;

  // Reads one record into the string: 1 on success, 0 otherwise. The text
  // comes back up to its first LF (or NUL), while the stream moves past the
  // whole record; a record of length L reserves L + 11 characters first.
  // Whenever the result is 0 the string is unchanged, and the stream stands:
  // - after the length field, when L exceeds largest (L = largest is
  //   accepted) or L is negative;
  // - at the end of the stream, when it ends inside the record (length
  //   field included);
  // - after the whole record, when its last byte is not LF.
  // A null stream gives 0 and reads nothing.
  // Example: 3, 0, 'a', 'b', 'c', 10 gives "abc" and 1 with largest 3, and 0
  // with largest 2.
  int ReadRecord(FILE* stream, int largest);

 protected:
  DynStringSubstrings() = default;
  ~DynStringSubstrings() = default;
};
