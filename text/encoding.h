// Text encodings of a DynString: hexadecimal numbers, bytes as hexadecimal
// pairs and back, percent escaping, folding of accented Latin-1 letters to
// ASCII and extraction of an HTML body. Every operation works on the string it
// is called on, in place. FoldAccents, HexDecode, HexEncode and PercentEscape
// reach character 0 through At, so a null string comes out of them as an
// allocated empty string (unless HexEncode refuses its count). PercentEscape
// formats through the shared FormatBuffer: single thread only.
#pragma once

class DynString;

// The encoding operations of DynString; see DynString.
class DynStringEncoding {
 public:
  // The leading hexadecimal number of the text, as the formatted scan "%X"
  // reads it: optional white space (space, tab, LF, VT, FF, CR), an optional
  // "+" or "-", an optional "0x" or "0X", then hexadecimal digits of either
  // case up to the first other character. The digits accumulate as an unsigned
  // 64-bit value, a minus sign negates it in that width, and the low 32 bits
  // are returned as a signed value; a number beyond 64 bits reads as all ones
  // (so -1). A null string, and a text with no number where one must start
  // (empty, "xyz", "- 1", byte 160 before the digits), give 0. The string is
  // not changed.
  // Examples: "1F" 31, " 10" 16, "-10" -16, "FFFFFFFF" -1, "12g4" 18,
  // "123456789" 0x23456789, "0xg" 0 (the "0" is read).
  int HexValue() const;

  // The folded form of one byte, over ISO 8859-1 values: ASCII (0-127)
  // unchanged; the letters with grave, acute, circumflex or diaeresis accent,
  // and N with tilde, become their plain letter of the same case (192-194 and
  // 196 "A", 200-203 "E", 204-207 "I", 209 "N", 210-212 and 214 "O", 217-220
  // "U", and 224-252 likewise in lower case); sharp s (223) becomes "s"; every
  // other byte from 128 to 255 becomes "-". So the other letters with tilde or
  // ring (195, 197, 213, 227, 229, 245) become "-", as do the ligatures AE and
  // ae, C and c with cedilla, eth, thorn, O and o with stroke, Y and y with
  // acute, y with diaeresis and the signs for multiplication and division.
  // Examples: 209 (N with tilde) gives 'N', 231 (c with cedilla) gives '-'.
  static char FoldAccent(char c);

  // Replaces every character up to the terminator by its FoldAccent form.
  // Example: the Latin-1 text "A\xF1o \xDCber \xE7a" gives "Ano Uber -a".
  void FoldAccents();

  // Replaces a text of 2n characters, read as n pairs, by the n bytes they
  // denote, followed by a terminator, writes n to count and returns 1. Each
  // pair is read as HexValue reads it, keeping the low 8 bits: digits of either
  // case ("0a" and "0A" give 10), and also what the scan accepts around them
  // (" 1" gives 1, "-1" gives 255, "1g" gives 1). The result is 0, with the
  // string and count untouched, when the length is odd or when any pair holds
  // no number at all ("zz", "g1", "x0"). The bytes may include zeros, so the
  // count, not the terminator, tells how many there are. An empty or null
  // string gives 1 and count 0 (a null string comes out allocated).
  // Example: "00FF" gives the bytes 0 and 255, count 2.
  int HexDecode(int& count);

  // Replaces the first n bytes of the character area, whatever their values
  // (zeros, the terminator and bytes behind it included), by 2n upper-case
  // hexadecimal digits, high nibble first, and a terminator. The string grows
  // to hold the digits; bytes beyond what it ever held read as 0. n = 0 empties
  // the string. A negative n, or one whose 2n + 2 characters do not fit in an
  // int, changes nothing (a null string stays null).
  // Examples: "ABC" with n = 3 gives "414243"; the byte 171 gives "AB".
  void HexEncode(int n);

  // Rewrites the text so that "a".."z", "A".."Z", "0".."9" and spaces stay
  // and every other byte, 128-255 included, becomes "%" and its value in two
  // upper-case hexadecimal digits. Spaces are not written as "+" or "%20".
  // Examples: "a b-c" gives "a b%2Dc", "100%" gives "100%25", byte 233 "%E9".
  void PercentEscape();

  // Keeps only the text between the first "<BODY>" and the first "</BODY>"
  // after it, then removes carriage returns and line feeds from both ends
  // (spaces and inner line breaks stay); returns 1. The tags match exactly as
  // written, upper case and without attributes; when either is missing the
  // result is 0 and the string is unchanged ("<body>" is not a tag here).
  // Example: "x<BODY>\r\nHello\r\n</BODY>y" gives "Hello" and 1.
  int ExtractHtmlBody();

 protected:
  DynStringEncoding() = default;
  ~DynStringEncoding() = default;
};
