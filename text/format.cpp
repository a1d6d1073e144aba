#include "text/format.h"

#include <locale.h>

#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

#include "text/dyn_string.h"

namespace {

// Where every Format call writes before its result is copied into the string.
// Its content means nothing outside one Format call.
char FormatBuffer[FORMAT_BUFFER_SIZE];

// Switches the calling thread to the "C" locale for its lifetime, so that the
// decimal point and the whitespace set never follow the process locale.
#ifdef _WIN32
// Windows has no uselocale: the thread takes a locale of its own for the
// scope, set to "C", and gets its previous one and mode back.
class CLocaleScope {
 public:
  CLocaleScope() : mode_(_configthreadlocale(_ENABLE_PER_THREAD_LOCALE)) {
    const char* current = setlocale(LC_ALL, nullptr);
    previous_ = current != nullptr ? current : "C";
    setlocale(LC_ALL, "C");
  }
  ~CLocaleScope() {
    setlocale(LC_ALL, previous_.c_str());
    _configthreadlocale(mode_);
  }
  CLocaleScope(const CLocaleScope&) = delete;
  CLocaleScope& operator=(const CLocaleScope&) = delete;

 private:
  int mode_;
  std::string previous_;
};
#else
class CLocaleScope {
 public:
  CLocaleScope() : previous_(uselocale(CLocale())) {}
  ~CLocaleScope() { uselocale(previous_); }
  CLocaleScope(const CLocaleScope&) = delete;
  CLocaleScope& operator=(const CLocaleScope&) = delete;

 private:
  // Made once and kept for the life of the process. Should it fail to be
  // made, uselocale(0) leaves the thread's locale as it is.
  static locale_t CLocale() {
    static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return c_locale;
  }

  locale_t previous_;
};
#endif

// Whitespace as isspace reads it in the "C" locale.
bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The decimal number text begins with, read as atoi reads it in the "C"
// locale (leading whitespace, an optional sign, digits), saturating at low and
// high. Serves both int and the full range of long.
long long ParseLeadingInteger(const char* p, long long low, long long high) {
  while (IsCSpace(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  // The largest magnitude the sign allows; further digits stay there.
  const unsigned long long limit = negative ? 0ull - static_cast<unsigned long long>(low)
                                            : static_cast<unsigned long long>(high);
  unsigned long long magnitude = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    unsigned digit = static_cast<unsigned>(*p - '0');
    if (magnitude > (limit - digit) / 10) {
      magnitude = limit;
      break;
    }
    magnitude = magnitude * 10 + digit;
  }
  if (!negative) return static_cast<long long>(magnitude);
  // Negated without overflow: the magnitude of low itself has no positive twin.
  return magnitude == 0 ? 0 : -static_cast<long long>(magnitude - 1) - 1;
}

// Signed 8-bit reading of the low 8 bits of n: 200 gives -56.
signed char LowByteSigned(uint32_t n) {
  int low = static_cast<int>(n & 0xFFu);
  return static_cast<signed char>(low > 127 ? low - 256 : low);
}

// Appends the decimal form of v, as "%lld" writes it (which is also what
// "%d", "%u" and "%ld" write for the values they take).
DynString& AppendDecimal(DynString& self, long long v) {
  char text[24];
  char* p = text + sizeof text;
  *--p = '\0';
  unsigned long long magnitude =
      v < 0 ? 0ull - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
  do {
    *--p = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (v < 0) *--p = '-';
  return self.Append(p);
}

// Floating-point insertion with the string's Precision decimals ("%.Pf"; six
// when Precision is negative, as "%f"), in the "C" locale. The longest result,
// -DBL_MAX with 127 decimals, has 438 characters.
DynString& AppendFixedPoint(DynString& self, double v) {
  int precision = self.Precision();
  char text[512];
  {
    CLocaleScope c_locale;
    std::snprintf(text, sizeof text, "%.*f", precision < 0 ? 6 : precision, v);
  }
  return self.Append(text);
}

// The characters of v's integer part, truncated toward zero, in target.
void AppendIntegerPart(DynString& target, double v) {
  if (v > -2147483649.0 && v < 2147483648.0) {
    target << static_cast<int>(v);
  } else {
    target.Format("%.0f", std::trunc(v));
  }
}

// The first token of self, taken off it.
DynString NextToken(DynString& self) {
  DynString token;
  self.TakeToken(token);
  return token;
}

}  // namespace

double ParseDouble(const char* text) {
  if (text == nullptr) return 0.0;
  WideText wide(text);
  std::wstring units(wide.Get(), wide.Get() + wide.Length());
  CLocaleScope c_locale;
  return std::wcstod(units.c_str(), nullptr);
}

int DynStringFormat::Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  int produced;
  {
    CLocaleScope c_locale;
    produced = std::vsnprintf(FormatBuffer, FORMAT_BUFFER_SIZE, format, args);
  }
  va_end(args);
  if (produced < 0) FormatBuffer[0] = '\0';
  SelfOf(this).Assign(FormatBuffer);
  return produced < FORMAT_BUFFER_SIZE ? produced : FORMAT_BUFFER_SIZE - 1;
}

void DynStringFormat::SetPrecision(int n) {
  DynString& self = SelfOf(this);
  self.Reserve(1);
  self.Precision() = LowByteSigned(static_cast<uint32_t>(n));
}

int DynStringFormat::ToInt() const {
  const DynString& self = SelfOf(this);
  if (self.Length() == 0) return 0;
  return static_cast<int>(ParseLeadingInteger(self.CStr(), INT_MIN, INT_MAX));
}

double DynStringFormat::ToDouble() const {
  const DynString& self = SelfOf(this);
  if (self.Length() == 0) return 0.0;
  return ParseDouble(self.CStr());
}

void DynStringFormat::AssignInt(int v) {
  DynString& self = SelfOf(this);
  // Ten characters plus the two spare bytes hold "-2147483648" and its NUL.
  self.Reserve(10);
  uint32_t magnitude = v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
  char reversed[10];
  int count = 0;
  do {
    reversed[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  char* out = self.At(0);
  if (v < 0) *out++ = '-';
  while (count > 0) *out++ = reversed[--count];
  *out = '\0';
}

void DynStringFormat::AssignFixed(double v, int width) {
  DynString fixed;
  AppendIntegerPart(fixed, v);
  int digits = fixed.Length();
  *fixed.At(0) = '\0';
  fixed.SetPrecision(
      static_cast<int>((static_cast<uint32_t>(width) - static_cast<uint32_t>(digits)) & 0xFFu));
  fixed << v;
  SelfOf(this).Assign(fixed);
}

void DynStringFormat::TakeToken(DynString& target) {
  DynString& self = SelfOf(this);
  char* text = self.At(0);
  if (*text == '\0') return;
  char* space = std::strchr(text, ' ');
  if (space == nullptr) {
    target.Assign(self);
    *self.At(0) = '\0';
    return;
  }
  *space = '\0';
  DynString rest(space + 1);
  target.Assign(self);
  self.Assign(rest);
}

DynString& DynStringFormat::operator<<(int v) { return AppendDecimal(SelfOf(this), v); }

DynString& DynStringFormat::operator<<(unsigned int v) { return AppendDecimal(SelfOf(this), v); }

DynString& DynStringFormat::operator<<(short v) { return AppendDecimal(SelfOf(this), v); }

DynString& DynStringFormat::operator<<(unsigned long v) {
  return AppendDecimal(SelfOf(this), static_cast<long long>(v & 0xFFFFFFFFul));
}

DynString& DynStringFormat::operator<<(bool v) { return AppendDecimal(SelfOf(this), v ? 1 : 0); }

DynString& DynStringFormat::operator<<(long v) { return AppendDecimal(SelfOf(this), v); }

DynString& DynStringFormat::operator<<(float v) {
  return AppendFixedPoint(SelfOf(this), static_cast<double>(v));
}

DynString& DynStringFormat::operator<<(double v) { return AppendFixedPoint(SelfOf(this), v); }

DynString& DynStringFormat::operator<<(char c) {
  DynString& self = SelfOf(this);
  self.AppendChar(c);
  return self;
}

DynString& DynStringFormat::operator<<(unsigned char c) { return *this << static_cast<char>(c); }

DynString& DynStringFormat::operator<<(const char* text) { return SelfOf(this).Append(text); }

DynString& DynStringFormat::operator<<(const DynString& other) {
  return SelfOf(this).Append(other);
}

DynString& DynStringFormat::operator>>(DynString& target) {
  DynString& self = SelfOf(this);
  target.Assign(self);
  *self.At(0) = '\0';
  return self;
}

DynString& DynStringFormat::operator>>(char& target) {
  DynString& self = SelfOf(this);
  target = *self.At(0);
  *self.At(0) = '\0';
  return self;
}

DynString& DynStringFormat::operator>>(float& target) {
  DynString& self = SelfOf(this);
  // Beyond the float range the IEEE conversion gives an infinity.
  target = static_cast<float>(NextToken(self).ToDouble());
  return self;
}

DynString& DynStringFormat::operator>>(double& target) {
  DynString& self = SelfOf(this);
  target = NextToken(self).ToDouble();
  return self;
}

DynString& DynStringFormat::operator>>(int& target) {
  DynString& self = SelfOf(this);
  target = NextToken(self).ToInt();
  return self;
}

DynString& DynStringFormat::operator>>(short& target) {
  DynString& self = SelfOf(this);
  int low = NextToken(self).ToInt() & 0xFFFF;
  target = static_cast<short>(low > 0x7FFF ? low - 0x10000 : low);
  return self;
}

DynString& DynStringFormat::operator>>(long& target) {
  DynString& self = SelfOf(this);
  target = static_cast<long>(ParseLeadingInteger(NextToken(self).CStr(), LONG_MIN, LONG_MAX));
  return self;
}

DynString& DynStringFormat::operator>>(bool& target) {
  DynString& self = SelfOf(this);
  const char* text = self.CStr();
  const char* space = std::strchr(text, ' ');
  DynString rest(space != nullptr ? space + 1 : "");
  // A leading space is an empty token, read as false.
  target = space != text && ToInt() != 0;
  if (space == nullptr) {
    *self.At(0) = '\0';
  } else {
    self.Assign(rest);
  }
  return self;
}

// The concatenations build the text in a working string and return a copy of
// it, so the result's block is sized to its text as any copy is.
DynString DynStringFormat::operator+(const DynString& other) const {
  DynString working(SelfOf(this));
  if (!other.IsNull()) working.Append(other);
  return DynString(working);
}

DynString DynStringFormat::operator+(const char* text) const {
  DynString working(SelfOf(this));
  working.Append(text);
  return DynString(working);
}

DynString DynStringFormat::operator+(char c) const {
  const char text[2] = {c, '\0'};
  return *this + text;
}
