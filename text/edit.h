// In-place editing of a DynString: trims, removal of one enclosing pair of
// quotes or brackets, ampersand removal, capitalisation, key=value split,
// cutting, removal, replacement and insertion. Every edit works in the string's
// own block, keeps its Precision and Tag, and never returns it to null; edits
// that empty it leave an allocated empty text. Edits inside the text splice:
// the part behind the edit point is copied aside, the text is ended there, the
// new part and then the copy are appended. A text argument that points into the
// string's own characters is copied before the edit begins.
#pragma once

class DynString;

// The editing operations of DynString; see DynString.
class DynStringEdit {
 public:
  // Removes every CR and LF at both ends; those inside stay. A null string
  // comes out as an allocated empty string, as does one of line breaks only.
  // Example: "\r\nx\n\r" gives "x".
  void TrimLineBreaks();
  // The same for spaces; tabs stay. "  a b  " gives "a b".
  void TrimSpaces();
  // The same for spaces and tabs in any mixture. "\t ab \t" gives "ab".
  void TrimBlanks();

  // TrimSpaces, then removes one enclosing pair of double quotes: 1 when both
  // were there. The closing quote is removed before the opening one is
  // looked at, so "ab\"" becomes "ab" with result 0, and "\"" alone becomes
  // empty with result 0. Quotes inside the text stay.
  // Example: "  \"ab\" " gives "ab" and 1.
  int StripQuotes();
  // As StripQuotes with "<" and ">": "<abc>" gives "abc" and 1, "abc>" gives
  // "abc" and 0.
  int StripAngles();
  // Cuts the text at its last ")" and, when the text begins with "(", drops
  // that too: 1 when both were done. No trim. A null or empty text, no ")" or
  // ")" at position 0 gives 0 and no change; a text not beginning with "(" is
  // still cut (result 0). "(a)b)" gives "a)b", "(f(x))" gives "f(x)", "x(a)"
  // gives "x(a" and 0.
  int StripParens();
  // As StripParens with "[" and the first "]": "[a]b]" gives "a", "[]" gives
  // "" and 1, "]x" gives 0 and no change.
  int StripBrackets();
  // Removes the first "&" and returns the characters (the shared empty text
  // for a null string). "&File" gives "File", "A&&B" gives "A&B".
  const char* StripAmpersand();
  // Upper-cases character 0, or character 1 after a leading "&", when it is
  // one of "a".."z"; nothing else ever changes. "&file" gives "&File", "1abc"
  // and "&" stay as they are.
  void CapitalizeFirst();

  // Splits the text at its first "=": value gets everything after it, key the
  // characters before it, spaces included; the result is 1 and the string is
  // unchanged. A null string, no "=" or "=" at position 0 gives 0 and leaves
  // both outputs untouched. key or value may be the string itself (the split
  // works on a copy); key and value being one object leaves the key there.
  // Example: "a=b=c" gives "a" and "b=c"; "a=" gives "a" and an empty value.
  int SplitKeyValue(DynString& key, DynString& value) const;
  // Ends the text before its first c and returns that position; -1 and no
  // change when c does not occur. NUL gives the length (no change) on a
  // non-null string; a null string gives 0 for NUL and -1 otherwise. Never
  // allocates: the block stays where it is even when the text fills it.
  // Example: ',' on "a,b,c" gives 1 and "a".
  int CutAt(char c);

  // Removes the first c: 1, or 0 when there is none (always for a null
  // string). Asking to remove NUL removes nothing and gives 0.
  int RemoveFirst(char c);
  // Removes every c, searching again from the start after each removal;
  // always 1. NUL removes nothing. Example: ',' on "a,b,,c" gives "abc".
  int RemoveAll(char c);
  // RemoveAll for each character of set in turn (a null set: nothing);
  // always 1. ",;" on "a;b,c" gives "abc".
  int RemoveChars(const char* set);
  // Replaces from by to, rightmost occurrence first, and returns the count.
  // With to = NUL the text ends before the first from and the count is the
  // number of occurrences. A NUL from gives 0 and no change; to equal to from
  // changes nothing and gives the number of occurrences.
  // Example: ',' by ';' on "a,b,c" gives 2 and "a;b;c"; by NUL 2 and "a".
  int ReplaceChar(char from, char to);
  // Replaces text by replacement (null: the empty text), case-sensitive and
  // whole-word when asked, and returns the count; 0 for a null string. After
  // each replacement the search starts again at position 0, so occurrences
  // formed with the replacement's neighbours are replaced too: "aa" by "a" on
  // "aaa" gives "a" and 2. Where that would never end the operation instead
  // replaces, in one left-to-right pass over the original text, each
  // non-overlapping occurrence once: this is done when the replacement
  // contains text ("a" by "ab" on "aa" gives "abab" and 2). A null or empty
  // text replaces nothing and gives 0.
  // Example: "cat" by "dog" whole-word on "cat catalog cat" gives 2 and
  // "dog catalog dog"; not whole-word 3 and "dog dogalog dog".
  int ReplaceText(const char* text, const char* replacement, bool whole_word);
  // Inserts text (null: nothing) before position p; p equal to the length
  // appends. p beyond the length or negative changes nothing. A null string
  // with p = 0 receives a block. Example: "XY" at 1 on "abc" gives "aXYbc".
  void InsertAt(const char* text, int p);
  // Appends other's characters; a null other changes nothing at all (not even
  // an allocation), unlike Append. other may be the string itself.
  void AppendString(const DynString& other);

 protected:
  DynStringEdit() = default;
  ~DynStringEdit() = default;
};
