#include "text/search.h"

#include <cstring>

#include "text/dyn_string.h"

namespace {

// The "C" locale's toupper, written out: only "a".."z" change.
signed char AsciiUpper(char c) {
  signed char s = static_cast<signed char>(c);
  return (s >= 'a' && s <= 'z') ? static_cast<signed char>(s - ('a' - 'A')) : s;
}

// Whether c is one of set's characters; NUL never is.
bool InSet(const char* set, char c) { return c != '\0' && std::strchr(set, c) != nullptr; }

// Whether the n characters of text equal those of chars, compared as the
// search asks (through ASCII upper-casing when ignore_case is set).
bool MatchesAt(const char* chars, const char* text, int n, bool ignore_case) {
  for (int k = 0; k < n; ++k) {
    char a = chars[k];
    char b = text[k];
    if (ignore_case ? AsciiUpper(a) != AsciiUpper(b) : a != b) return false;
  }
  return true;
}

// Whether position from lies within the text or at its terminator, found
// without measuring the text beyond from.
bool StartsWithin(const char* chars, int from) {
  return from >= 0 && strnlen(chars, static_cast<size_t>(from)) == static_cast<size_t>(from);
}

}  // namespace

int IsWordChar(char c) {
  signed char s = static_cast<signed char>(c);
  return ((s >= 'a' && s <= 'z') || (s >= 'A' && s <= 'Z') || (s >= '0' && s <= '9') || s == '_')
             ? 1
             : 0;
}

signed char DynStringSearch::CharAt(int i) const {
  const DynString& self = SelfOf(this);
  if (self.IsNull() || i < 0 || i >= self.Length()) return 0;
  return static_cast<signed char>(self.Data()[i]);
}

signed char DynStringSearch::LastChar() const {
  const DynString& self = SelfOf(this);
  int len = self.Length();
  return len < 1 ? 0 : static_cast<signed char>(self.Data()[len - 1]);
}

char* DynStringSearch::LastCharPtr() {
  DynString& self = SelfOf(this);
  int len = self.Length();
  if (len < 1) {
    self.Reserve(2);
    return self.At(0);
  }
  // The character exists already: its address, without reserving, so the
  // block stays where it is even when the text fills it.
  return const_cast<char*>(self.Data()) + len - 1;
}

int DynStringSearch::FindChar(int from, char c) const {
  const DynString& self = SelfOf(this);
  if (self.IsNull() || !StartsWithin(self.Data(), from)) return -1;
  const char* found = std::strchr(self.Data() + from, c);
  return found == nullptr ? -1 : static_cast<int>(found - self.Data());
}

int DynStringSearch::FindLastChar(char c) const {
  const DynString& self = SelfOf(this);
  if (self.IsNull()) return c == '\0' ? 0 : -1;
  const char* chars = self.Data();
  for (int pos = self.Length() - 1; pos >= 0; --pos) {
    if (chars[pos] == c) return pos;
  }
  return -1;
}

int DynStringSearch::Find(const char* text) const {
  const DynString& self = SelfOf(this);
  if (self.IsNull() || text == nullptr) return -1;
  const char* found = std::strstr(self.Data(), text);
  return found == nullptr ? -1 : static_cast<int>(found - self.Data());
}

int DynStringSearch::FindText(const char* text, int from, bool whole_word, bool ignore_case) const {
  const DynString& self = SelfOf(this);
  if (self.IsNull() || text == nullptr) return -1;
  const char* chars = self.Data();
  if (!StartsWithin(chars, from)) return -1;
  if (!whole_word && !ignore_case) {
    const char* found = std::strstr(chars + from, text);
    return found == nullptr ? -1 : static_cast<int>(found - chars);
  }
  int len = self.Length();
  int n = static_cast<int>(std::strlen(text));
  // An empty text's terminator meets only the string's own terminator.
  int first = n == 0 ? len : from;
  for (int pos = first; pos < len - n + 1; ++pos) {
    if (!MatchesAt(chars + pos, text, n, ignore_case)) continue;
    if (whole_word && ((pos > 0 && IsWordChar(chars[pos - 1])) ||
                       (pos + n < len && IsWordChar(chars[pos + n])))) {
      continue;
    }
    return pos;
  }
  return -1;
}

int DynStringSearch::FindByte(int from, char value, int count) const {
  const DynString& self = SelfOf(this);
  if (self.IsNull() || count <= 0) return -1;
  int area = self.Capacity() + 2;
  if (from < 0 || from >= area) return -1;
  if (count > area - from) count = area - from;
  const void* found = std::memchr(self.Data() + from, value, static_cast<size_t>(count));
  return found == nullptr ? -1 : static_cast<int>(static_cast<const char*>(found) - self.Data());
}

int DynStringSearch::FindAnyOf(int from, const char* set) const {
  if (set == nullptr) return -1;
  int best = -1;
  for (const char* x = set; *x != '\0'; ++x) {
    int pos = FindChar(from, *x);
    if (pos >= 0 && (best < 0 || pos < best)) best = pos;
  }
  return best;
}

int DynStringSearch::FindParenPair(int& open, int& close) const {
  int start = 0;
  int last_open = -1;
  int closing = -1;
  for (;;) {
    int a = FindChar(start, '(');
    closing = FindChar(start, ')');
    if (a < 0) break;
    last_open = a;
    start = a + 1;
  }
  if (closing < 0) return 0;
  open = last_open;
  close = closing;
  return 1;
}

int DynStringSearch::CountChar(char c) const {
  const DynString& self = SelfOf(this);
  if (self.IsNull() || c == '\0') return 0;
  int count = 0;
  for (const char* p = self.Data(); *p != '\0'; ++p) {
    if (*p == c) ++count;
  }
  return count;
}

int DynStringSearch::IsBracketed() const {
  const DynString& self = SelfOf(this);
  int len = self.Length();
  return (len >= 3 && self.Data()[0] == '[' && self.Data()[len - 1] == ']') ? 1 : 0;
}

int DynStringSearch::NextTokenStart(const char* set) const {
  const DynString& self = SelfOf(this);
  if (self.IsNull() || set == nullptr) return -1;
  const char* chars = self.Data();
  bool in_quotes = false;
  int pos = 0;
  for (; chars[pos] != '\0'; ++pos) {
    if (!in_quotes && InSet(set, chars[pos])) break;
    if (chars[pos] == '"') in_quotes = !in_quotes;
  }
  if (chars[pos] == '\0') return -1;
  while (InSet(set, chars[pos])) ++pos;
  return chars[pos] == '\0' ? -1 : pos;
}

int DynStringSearch::operator<(const char* text) const {
  return SelfOf(this).Compare(text) < 0 ? 1 : 0;
}

int DynStringSearch::operator>(const char* text) const {
  return SelfOf(this).Compare(text) > 0 ? 1 : 0;
}

int DynStringSearch::operator<(const DynString& other) const { return *this < other.Data(); }

int DynStringSearch::operator>(const DynString& other) const { return *this > other.Data(); }
