// DynString: the program's one text type, a narrow (Windows-1252), heap-backed,
// NUL-terminated string with value semantics.
//
// The object holds a single pointer to its character area; a null pointer is the
// empty string, and every operation accepts a null string as empty. Each string
// owns its block exclusively: copies copy the characters. Lengths are always
// measured with strlen, never stored. Not thread-safe: a string belongs to one
// thread, and the library's shared statics assume a single thread. A block
// that cannot be had (memory exhausted, or a length past the int range) throws
// std::bad_alloc, as operator new does, with the string left as it was.
//
// The core operations live here. Further operations are grouped by concern in
// facet classes that DynString derives from, one header each (wide_text.h, ...);
// the facets add no data, so a DynString stays one pointer wide.
#pragma once

#include <cstdint>
#include <cstring>

#include "text/edit.h"
#include "text/encoding.h"
#include "text/format.h"
#include "text/search.h"
#include "text/split.h"
#include "text/substring.h"
#include "text/wide_text.h"

// Block layout. The character area is preceded by a 12-byte header:
//
//   offset -12..-10  unused
//   offset  -9       Precision  signed 8-bit count of decimals (1 when created)
//   offset  -8       Capacity   int32: bytes the text may use; the area has
//                               Capacity + 2 bytes
//   offset  -4       Tag        int32: -1 when created; only StringArray sets it
//
// The two bytes at Capacity and Capacity + 1 are never written and stay NUL, so
// strlen never leaves the block whatever a caller writes through At.
struct DynStringHeader {
  char unused[3];
  signed char precision;
  int32_t capacity;
  int32_t tag;
};
static_assert(sizeof(DynStringHeader) == 12, "header is 12 bytes");

class DynString : public DynStringWide,
                  public DynStringFormat,
                  public DynStringSearch,
                  public DynStringEdit,
                  public DynStringEncoding,
                  public DynStringSplit,
                  public DynStringSubstrings {
 public:
  // A null string: no block until an operation needs storage.
  DynString() = default;
  // A copy of text, which must not be null.
  explicit DynString(const char* text);
  // Copies other's characters into a new block; a null other gives a null
  // string, a non-null empty other an allocated empty one.
  DynString(const DynString& other);
  // Takes other's block; other becomes null.
  DynString(DynString&& other) noexcept;
  ~DynString() { Clear(); }

  // Same as Assign(other): the string keeps its own block and header fields.
  DynString& operator=(const DynString& other) { return Assign(other); }

  // Frees the block; the string becomes null.
  void Clear();

  // Makes room for n characters plus terminator plus one spare byte
  // (Capacity >= n + 2). Negative n does nothing. The first block is sized
  // exactly: Capacity n + 13. Later growth, only when n + 2 > Capacity, takes
  // Capacity to (n + 2) * 1.3 + 11, keeping the text, Tag and Precision.
  // Example: Reserve(100) on Capacity 50 gives Capacity 143.
  void Reserve(int n) {
    // The common case, room enough already, stays inline.
    if (chars_ != nullptr && n >= 0 && n <= Header()->capacity - 2) return;
    Grow(n);
  }

  // Writable address of character i after Reserve(i + 2). Never fails: it grows
  // the string instead. It does not move the terminator; i must be >= 0.
  char* At(int i) {
    Reserve(i + 2);
    return chars_ + i;
  }

  // The text; the shared static "" for a null or empty string.
  const char* CStr() const;
  // The raw character pointer: null for a null string.
  const char* Data() const { return chars_; }
  bool IsNull() const { return chars_ == nullptr; }
  // strlen of the text; 0 for a null string.
  int Length() const { return chars_ == nullptr ? 0 : static_cast<int>(std::strlen(chars_)); }

  // Copies text in. A null text empties a non-empty string and returns it;
  // on a null or empty string it changes nothing and returns null.
  DynString* Assign(const char* text);
  // Copies other in. A null or empty other empties this string without
  // allocating (a null string stays null). Self-assignment changes nothing.
  DynString& Assign(const DynString& other);

  // Appends text (null: nothing) and returns the string.
  DynString& Append(const char* text);
  // Same as Append(text), returning nothing.
  void AppendText(const char* text) { Append(text); }
  // Appends other's characters (a null other appends nothing, but the string
  // still receives a block).
  DynString& Append(const DynString& other);
  // Appends one character. Appending NUL changes nothing but may allocate.
  void AppendChar(char c);

  // Three-way comparison with text. Null text: 0 if this string is empty, else 1.
  // An empty string against a non-empty text gives 1 (not negative); otherwise
  // strcmp. Example: DynString().Compare("a") == 1.
  int Compare(const char* text) const;
  // Bounded comparison over n characters. Null text: 0 if empty, else 1. An
  // empty string gives 1 even against an empty text; otherwise strncmp.
  int CompareN(const char* text, int n) const;
  // Equality test. Null text: 0 if empty, else 1. An empty string gives 1 for
  // a non-empty text and 0 for an empty one; otherwise -1 when the lengths
  // differ, else memcmp over the length (0 means equal, case-sensitive).
  int Equals(const char* text) const;

  // Makes the text n copies of c after Reserve(n); returns n. n = 0 leaves the
  // empty text, and a null string receives its first block (Capacity 13) as
  // Reserve(0) gives it. A negative n returns 0 and changes nothing: Reserve
  // ignores it and no character, terminator included, is written (a null
  // string stays null). Example: Fill('q', 0) on "zzz" leaves "".
  int Fill(char c, int n);

  // Upper-cases "a".."z"; bytes 128-255 stay as they are (the "C" locale).
  void ToUpper();
  // Lower-cases "A".."Z", or all but the first character when all is false;
  // returns the length. Example: "ABC" with all false gives "Abc".
  int ToLower(bool all);

  // Header fields. Capacity is 0 and Tag -1 for a null string. Precision reads 1
  // for a null string; writing through the reference of a null string has no
  // lasting effect (reserve first, as SetPrecision does).
  int32_t Capacity() const;
  int32_t Tag() const;
  int32_t& Tag();  // requires a non-null string
  signed char Precision() const;
  signed char& Precision();

 private:
  DynStringHeader* Header() const {
    return reinterpret_cast<DynStringHeader*>(chars_ - sizeof(DynStringHeader));
  }
  // Reserve beyond the inline case: a first block, or growth.
  void Grow(int n);
  // Gives a null string its first block holding the len characters of text
  // and a terminator: what Reserve(len) and copying them in would leave,
  // without zeroing the bytes the copy overwrites.
  void StartWith(const char* text, int len);

  char* chars_ = nullptr;
};

static_assert(sizeof(DynString) == sizeof(char*), "a DynString is one pointer");

// The DynString behind a facet: facets are only ever base classes of DynString.
template <typename Facet>
DynString& SelfOf(Facet* facet) {
  return static_cast<DynString&>(*facet);
}
template <typename Facet>
const DynString& SelfOf(const Facet* facet) {
  return static_cast<const DynString&>(*facet);
}
