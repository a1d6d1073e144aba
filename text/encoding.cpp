#include "text/encoding.h"

#include <climits>
#include <cstdint>
#include <cstring>

#include "text/dyn_string.h"

namespace {

constexpr char HEX_DIGITS[] = "0123456789ABCDEF";

// Folded forms of the bytes 192 to 255, sixteen to a line; the bytes 128 to
// 191 all fold to "-".
constexpr char FOLDED_FROM_192[] =
    "AAA-A---EEEEIIII"   // C0-CF
    "-NOOO-O--UUUU--s"   // D0-DF
    "aaa-a---eeeeiiii"   // E0-EF
    "-nooo-o--uuuu---";  // F0-FF
static_assert(sizeof(FOLDED_FROM_192) == 64 + 1, "one entry per byte 192-255");

// HexEncode's largest count: its 2n digits and the two bytes At reserves
// beyond them must stay within the int range.
constexpr int MAX_HEX_ENCODE_BYTES = (INT_MAX - 2) / 2;

constexpr char BODY_OPEN[] = "<BODY>";
constexpr char BODY_CLOSE[] = "</BODY>";

// The values of the hexadecimal digits of either case, indexed by byte; -1
// for every other byte.
struct HexDigitTable {
  signed char value[256];
  constexpr HexDigitTable() : value() {
    for (int b = 0; b < 256; ++b) value[b] = -1;
    for (int d = 0; d < 10; ++d) value['0' + d] = static_cast<signed char>(d);
    for (int d = 0; d < 6; ++d) {
      value['a' + d] = static_cast<signed char>(10 + d);
      value['A' + d] = static_cast<signed char>(10 + d);
    }
  }
};
constexpr HexDigitTable HEX_DIGIT_TABLE;

// The value of a hexadecimal digit of either case, or -1.
int HexDigitValue(char c) { return HEX_DIGIT_TABLE.value[static_cast<unsigned char>(c)]; }

// The white space the scan skips, as in the "C" locale.
bool IsScanSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool IsAsciiLetterOrDigit(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Reads the hexadecimal number text begins with the way strtoul with base 16
// does when unsigned long has 64 bits, and stores its low 32 bits in value.
// False, value untouched, when no number starts there. A "0x" with no digit
// after it is the number 0 followed by an "x".
bool ScanHex(const char* text, uint32_t& value) {
  const char* p = text;
  while (IsScanSpace(*p)) ++p;
  bool negative = *p == '-';
  if (*p == '+' || *p == '-') ++p;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && HexDigitValue(p[2]) >= 0) p += 2;
  if (HexDigitValue(*p) < 0) return false;
  uint64_t total = 0;
  bool overflow = false;
  for (; HexDigitValue(*p) >= 0; ++p) {
    if (total > (UINT64_MAX >> 4)) overflow = true;
    total = (total << 4) | static_cast<uint64_t>(HexDigitValue(*p));
  }
  // Out of range, with either sign, strtoul gives its maximum; a minus sign
  // negates in unsigned arithmetic.
  if (overflow) {
    total = UINT64_MAX;
  } else if (negative) {
    total = 0 - total;
  }
  value = static_cast<uint32_t>(total);
  return true;
}

// Reads the two characters at pair as HexValue reads a text of just them.
// Two hexadecimal digits, the usual case, need no scan.
bool ReadPair(const char* pair, uint32_t& value) {
  int high = HexDigitValue(pair[0]);
  int low = HexDigitValue(pair[1]);
  if (high >= 0 && low >= 0) {
    value = static_cast<uint32_t>(high * 16 + low);
    return true;
  }
  const char text[3] = {pair[0], pair[1], '\0'};
  return ScanHex(text, value);
}

}  // namespace

int DynStringEncoding::HexValue() const {
  uint32_t value = 0;
  ScanHex(SelfOf(this).CStr(), value);
  return static_cast<int32_t>(value);
}

char DynStringEncoding::FoldAccent(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if (byte < 128) return c;
  if (byte < 192) return '-';
  return FOLDED_FROM_192[byte - 192];
}

void DynStringEncoding::FoldAccents() {
  for (char* p = SelfOf(this).At(0); *p != '\0'; ++p) *p = FoldAccent(*p);
}

int DynStringEncoding::HexDecode(int& count) {
  DynString& self = SelfOf(this);
  const int len = self.Length();
  if (len % 2 != 0) return 0;
  const int n = len / 2;
  // Every pair is read before anything is written, so a refused text stays;
  // then byte i goes to position i, behind pair i, which has been read.
  const char* text = self.CStr();
  for (int i = 0; i < n; ++i) {
    uint32_t value = 0;
    if (!ReadPair(text + 2 * i, value)) return 0;
  }
  char* chars = self.At(0);
  for (int i = 0; i < n; ++i) {
    uint32_t value = 0;
    ReadPair(chars + 2 * i, value);
    chars[i] = static_cast<char>(value & 0xFF);
  }
  chars[n] = '\0';
  count = n;
  return 1;
}

void DynStringEncoding::HexEncode(int n) {
  if (n < 0 || n > MAX_HEX_ENCODE_BYTES) return;
  DynString& self = SelfOf(this);
  self.At(2 * n);  // grows the area to hold the digits and the terminator
  char* chars = self.At(0);
  // Working from the last byte down, byte i's pair goes to 2i and 2i + 1,
  // past every byte still to be read, so the encoding needs no second buffer.
  for (int i = n - 1; i >= 0; --i) {
    const auto byte = static_cast<unsigned char>(chars[i]);
    chars[2 * i] = HEX_DIGITS[byte >> 4];
    chars[2 * i + 1] = HEX_DIGITS[byte & 0x0F];
  }
  chars[2 * n] = '\0';
}

void DynStringEncoding::PercentEscape() {
  DynString& self = SelfOf(this);
  const DynString original(self);
  *self.At(0) = '\0';
  // The text is rebuilt character by character as if appended (a letter or
  // digit with AppendChar, a space with Append, an escape with AppendChar of
  // "%" and Append of its two digits): the same Reserve calls, so the same
  // growth, while the end is remembered instead of measured each time.
  int len = 0;
  for (const char* p = original.CStr(); *p != '\0'; ++p) {
    const auto byte = static_cast<unsigned char>(*p);
    if (IsAsciiLetterOrDigit(*p)) {
      self.Reserve(len + 2);  // AppendChar
      self.At(0)[len++] = *p;
    } else if (*p == ' ') {
      self.Reserve(len + 1);  // Append(" ")
      self.At(0)[len++] = ' ';
    } else {
      self.Reserve(len + 2);  // AppendChar('%')
      self.At(0)[len++] = '%';
      self.Reserve(len + 2);  // Append of the two digits
      char* chars = self.At(0);
      chars[len++] = HEX_DIGITS[byte >> 4];
      chars[len++] = HEX_DIGITS[byte & 0x0F];
    }
  }
  self.At(0)[len] = '\0';
}

int DynStringEncoding::ExtractHtmlBody() {
  DynString& self = SelfOf(this);
  const int open = self.Find(BODY_OPEN);
  if (open < 0) return 0;
  DynString body(self.CStr() + open + (sizeof(BODY_OPEN) - 1));
  const int close = body.Find(BODY_CLOSE);
  if (close < 0) return 0;
  *body.At(close) = '\0';
  self.Assign(body);
  self.TrimLineBreaks();
  return 1;
}
