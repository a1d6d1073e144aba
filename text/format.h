// Number formatting and parsing for DynString: printf-style Format, stream-like
// insertion (<<) and token extraction (>>), concatenation (+) and the numeric
// conversions. Every formatting call goes through one process-wide buffer, so
// none of these may run on two threads at once. Numbers are written and read
// as in the "C" locale, whatever locale the process has set.
#pragma once

#if defined(__GNUC__)
#define QUORVAFIX_PRINTF_LIKE(format_index, first_arg) \
  __attribute__((format(printf, format_index, first_arg)))
#else
#define QUORVAFIX_PRINTF_LIKE(format_index, first_arg)
#endif

class DynString;

// Size in bytes of FormatBuffer, the static buffer every Format call writes
// into before its result is copied into the string: at most 9999 characters
// and the terminator.
constexpr int FORMAT_BUFFER_SIZE = 10000;

// Reads a floating-point number from the start of text as the standard wcstod
// does in the "C" locale, after widening the text: leading whitespace (space,
// tab, LF, VT, FF, CR) is skipped; then an optional sign and decimal digits
// with an optional '.' and exponent (also hexadecimal forms, "inf", "nan").
// Trailing characters are ignored; 0.0 when nothing can be read or text is
// null. Out-of-range values give +-HUGE_VAL or a denormal/zero, as wcstod.
// Example: ParseDouble(" 1.5e2xyz") == 150.0.
double ParseDouble(const char* text);

// The number facet of DynString. Header fields: no operation here writes Tag,
// and only SetPrecision writes Precision; operations that replace or extend the
// text keep both. Extraction treats the text as a queue of tokens separated by
// single spaces (character 32 only; tabs and line ends belong to a token) and
// consumes it from the left. Every extraction leaves a null string allocated.
class DynStringFormat {
 public:
  // Replaces the text with the printf-style formatting of format (not null)
  // and the arguments (the previous text may itself be an argument). Returns the
  // number of characters the formatter produced. A result longer than 9999
  // characters is cut to its first 9999 and Format returns 9999; a formatter
  // error (a negative result) leaves the text empty and is returned as is.
  // Example: "abc" after Format("%d", 42) holds "42" and 2 is returned.
  int Format(const char* format, ...) QUORVAFIX_PRINTF_LIKE(2, 3);

  // Sets the number of decimals the float and double insertions write: the low
  // 8 bits of n read as signed; any negative value selects six decimals. A null
  // string first gets a block of its own. Example: 200 is stored as -56.
  void SetPrecision(int n);

  // The decimal number the text begins with, as the standard atoi in the "C"
  // locale reads it: leading whitespace, an optional sign, then digits up to
  // the first other character. 0 for a null or empty string or when no digit
  // leads. Values beyond the int range saturate at INT_MIN / INT_MAX.
  // Example: "12abc" gives 12.
  int ToInt() const;

  // ParseDouble of the text; 0.0 for a null or empty string.
  double ToDouble() const;

  // Replaces the text with the decimal form of v (a minus sign for negative
  // values, no padding). Example: -2147483648 gives "-2147483648".
  void AssignInt(int v);

  // Replaces the text with v written with as many decimals as are left when
  // the characters of its integer part (truncated toward zero, a minus sign
  // counted; -0.5 counts as "0") are taken from width: the decimals are the
  // low 8 bits of that difference read as signed, and a negative count writes
  // six. An integer part beyond the int range is counted by its own
  // characters all the same (no clamping). Precision is left unchanged.
  // Examples: (3.14159, 5) gives "3.1416", (9.99, 2) gives "10.0",
  // (123456.7, 4) gives "123456.700000", (1e10, 14) gives "10000000000.000".
  void AssignFixed(double v, int width);

  // Moves the first token into target and leaves the text after the first
  // space. With no space the whole text moves and the string becomes empty. An
  // empty string leaves target untouched. A text that begins with a space holds
  // an empty token: target becomes empty (a null target stays null) and the
  // string keeps what follows that one space, so "12  34" gives "12", "", "34".
  void TakeToken(DynString& target);

  // Insertion: appends the text form of the value; returns the string.
  // Integers in decimal; short sign-extended; bool as "0" or "1"; unsigned
  // long by its low 32 bits (5000000000 gives "705032704"); long in full
  // (64 bits on LP64 targets), and >> long reads the same range back.
  DynString& operator<<(int v);
  DynString& operator<<(unsigned int v);
  DynString& operator<<(short v);
  DynString& operator<<(unsigned long v);
  DynString& operator<<(bool v);
  DynString& operator<<(long v);
  // Float and double in fixed-point with Precision decimals (six when
  // negative; no decimal point when 0). A null string writes 1 decimal.
  // Example: 3.14159 into a null string gives "3.1".
  DynString& operator<<(float v);
  DynString& operator<<(double v);
  // Characters are appended as characters, not numbers; NUL appends nothing.
  // Example: (unsigned char)65 appends "A".
  DynString& operator<<(char c);
  DynString& operator<<(unsigned char c);
  // Appends the text (null: nothing) or the other string.
  DynString& operator<<(const char* text);
  DynString& operator<<(const DynString& other);

  // Extraction: assigns target and returns the string.
  // DynString: target receives the whole text; the string becomes empty.
  DynString& operator>>(DynString& target);
  // char: target receives the first character (NUL when empty); the rest of
  // the text is dropped.
  DynString& operator>>(char& target);
  // Numbers: the first token is taken off (TakeToken) and parsed with ToDouble
  // or ToInt; a string with no tokens left yields 0. short keeps the low 16
  // bits ("70000" gives 4464). long reads its own full range, as wide as the
  // insertion of long writes (64 bits on LP64 targets), saturating at
  // LONG_MIN / LONG_MAX, so every long written with << reads back unchanged:
  // "5000000000" gives 5000000000.
  // Example: "12 34 abc" read as three ints gives 12, 34, 0 and ends empty.
  DynString& operator>>(float& target);
  DynString& operator>>(double& target);
  DynString& operator>>(int& target);
  DynString& operator>>(short& target);
  DynString& operator>>(long& target);
  // bool: target := ToInt of the whole text != 0, which for a first token
  // that starts with a number is that number; the string then keeps the text
  // after the first space, or becomes empty when there is none. A text that
  // begins with a space holds an empty token, read as false, and keeps what
  // follows that space. Example: "0 1" gives false, then true, then empty.
  DynString& operator>>(bool& target);

  // Concatenation: a new string holding this text followed by the operand;
  // this string is unchanged. The result is a copy of the text built, so it
  // always has Precision 1, Tag -1 and the Capacity of a fresh copy (length +
  // 13: "ab" + "cd" gives Capacity 17), and is null only when this string and
  // a null operand are both null.
  DynString operator+(const DynString& other) const;
  DynString operator+(const char* text) const;
  // c = NUL appends nothing (but the result is allocated).
  DynString operator+(char c) const;

 protected:
  DynStringFormat() = default;
  ~DynStringFormat() = default;
};
