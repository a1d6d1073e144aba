// Read-only inspection of a DynString: character access, searches for a
// character, a set of characters, a text or a raw byte, counting, shape tests
// and the ordering operators. Nothing here changes the text or allocates, except
// LastCharPtr on an empty string. Characters are signed 8-bit values, so bytes
// 128-255 are never letters or digits; positions are 0-based and a failed search
// gives -1. Start positions must lie within 0..length; outside that range the
// searches give -1 rather than read outside the text.
#pragma once

class DynString;

// 1 for "a".."z", "A".."Z", "0".."9" and "_"; 0 for every other value,
// bytes 128-255 included. The word class of whole-word search.
int IsWordChar(char c);

// The search and compare operations of DynString; see DynString.
class DynStringSearch {
 public:
  // Character i, sign-extended; NUL when the string is null or i is outside
  // 0..length-1 (negative i included). Never grows the string, unlike At.
  signed char CharAt(int i) const;
  // The last character, or NUL for a null or empty string. "abc" gives 'c'.
  signed char LastChar() const;
  // Writable address of the last character. A non-empty string keeps its
  // block (nothing is reserved, even when the text fills it), so pointers into
  // it stay valid. A null or empty string has no last character: it first gets
  // a block (Reserve(2)) and the address of its terminator is returned, so
  // *LastCharPtr() == LastChar() always holds and a write through it stays
  // inside the block.
  char* LastCharPtr();

  // Position of the first c at or after from, or -1. A null string gives -1.
  // Searching for NUL finds the terminator: "abc" from 0 for NUL gives 3.
  // Example: "abca" from 2 for 'a' gives 3.
  int FindChar(int from, char c) const;
  // The same search as FindChar, under the name of the other searches.
  int Find(int from, char c) const { return FindChar(from, c); }
  // Position of the rightmost c, or -1. The terminator is never examined, so
  // NUL is not found in a non-null string (-1); a null string gives 0 for NUL
  // and -1 for any other character.
  int FindLastChar(char c) const;
  // Position of the first occurrence of text (strstr), or -1. An empty text is
  // found at 0; a null string or a null text gives -1.
  // Example: "abca" and "ca" give 2.
  int Find(const char* text) const;
  // First occurrence of text at or after from, or -1; null string or null
  // text: -1. With both flags false this is a plain substring search and an
  // empty text is found at from. Otherwise the characters are compared pair by
  // pair (through ASCII upper-casing when ignore_case is set; bytes 128-255 stay
  // as they are) and, when whole_word is set, an occurrence next to a word
  // character (IsWordChar) on either side is skipped. With a flag set an empty
  // text matches only the string's terminator: the result is the length, and
  // with whole_word only when the string is empty or ends in a non-word
  // character. Examples: "abc" in "x abc-y" whole word gives 2, in "xabc" -1;
  // "ABC" in "abcd abc" whole word ignoring case gives 5.
  int FindText(const char* text, int from, bool whole_word, bool ignore_case) const;
  // Raw byte search over the character area, terminator and bytes behind it
  // included: the position of the first byte equal to value among the count
  // bytes starting at from, or -1. The count is cut to the end of the area
  // (Capacity + 2 bytes), so the search never leaves the block; a null string,
  // a count <= 0 or from outside the area gives -1.
  int FindByte(int from, char value, int count) const;
  // Smallest position at or after from of any character of set, or -1. An
  // empty or null set, or a null string, gives -1.
  // Example: "a;b,c" from 0 with ",;" gives 1.
  int FindAnyOf(int from, const char* set) const;
  // Finds the last "(" and the first ")" after it (an innermost pair) and
  // writes their positions to open and close, returning 1; open is -1 when the
  // text has no "(" at all. When no ")" follows the last "(" the result is 0
  // and neither output is written. Examples: "f(a(b)c)" gives 3 and 5; "x)"
  // gives -1 and 1; "(a", "a)b(c" and the empty string give 0.
  int FindParenPair(int& open, int& close) const;
  // Number of characters equal to c; 0 for a null string and for NUL.
  // Example: 'a' in "banana" gives 3.
  int CountChar(char c) const;
  // 1 when the text has at least 3 characters, begins with "[" and ends with
  // "]"; otherwise 0. "[a]" gives 1, "[]" and "[a" give 0.
  int IsBracketed() const;
  // Start of the token after the first run of delimiters: scans for the first
  // delimiter outside double quotes, then steps over every delimiter that
  // follows (quotes play no part there). -1 when either step reaches the end,
  // for a null string and for a null or empty set. With set " ": "ab cd"
  // gives 3, "  ab" 2, "ab" and "ab  " -1, the 7 characters "\"a b\" c" 6.
  int NextTokenStart(const char* set) const;

  // 1 when Compare(text) is negative, else 0. An empty string is less than
  // nothing, since Compare gives it 1 against any non-empty text.
  int operator<(const char* text) const;
  // 1 when Compare(text) is positive, else 0. An empty string is greater than
  // every non-empty text; "abc" is greater than "".
  int operator>(const char* text) const;
  // The same against other's characters; a null other counts as a null text
  // (Compare gives 0 for an empty string and 1 otherwise).
  int operator<(const DynString& other) const;
  int operator>(const DynString& other) const;

 protected:
  DynStringSearch() = default;
  ~DynStringSearch() = default;
};
