// Splitting a DynString into a StringList at delimiter characters. The string
// is never modified; the list's previous entries are dropped first (released
// when the list owns its items) and every field is a new element appended to
// it. Fields are read back relative to the list's BaseIndex, so any base works.
#pragma once

class DynString;
class StringList;

// The splitting operations of DynString; see DynString.
class DynStringSplit {
 public:
  // Replaces list's entries by the fields of the string, cut at every
  // character of delimiters (plain byte equality; null or "" cuts nothing).
  // Always returns 1.
  // - A delimiter in the very first position cuts only when keep_empty is
  //   set; otherwise it stays in the first field as an ordinary character.
  // - Two adjacent delimiters give an empty field only when keep_empty is set;
  //   the second one is consumed either way.
  // - A delimiter at the end of the text never yields an empty last field.
  // - limit < 0 means no limit. With limit >= 1 there are at most limit fields
  //   and the last one holds the unsplit rest of the text from its own first
  //   character, delimiters included; only when its closing delimiter is the
  //   last character of the text is that delimiter dropped. A limit of 0
  //   allows no field: the list comes out empty.
  // - A null or empty string gives an empty list.
  // Fields are built one character at a time; an empty field is a null
  // DynString. Examples at ',': "a,,b" gives "a", "b", and keeping empties
  // "a", "", "b"; ",a" gives ",a", and keeping empties "", "a"; "a,b,c,d" with
  // limit 2 gives "a", "b,c,d"; "a,b," with limit 2 gives "a", "b".
  int Split(const char* delimiters, StringList& list, int limit, bool keep_empty) const;

  // Split without empty fields, then TrimSpaces on every field (spaces only,
  // not tabs); a field of spaces only becomes an allocated empty string and
  // stays in the list. Returns 1.
  // Example: "a , b ,c" at ',' gives "a", "b", "c"; " , a" gives "", "a".
  int SplitTrimmed(const char* delimiters, StringList& list, int limit) const;

 protected:
  DynStringSplit() = default;
  ~DynStringSplit() = default;
};
