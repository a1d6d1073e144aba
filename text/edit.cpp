#include "text/edit.h"

#include <cstdint>
#include <cstring>

#include "text/dyn_string.h"

namespace {

const char LINE_BREAKS[] = "\r\n";
const char SPACES[] = " ";
const char BLANKS[] = " \t";

bool InSet(const char* set, char c) { return c != '\0' && std::strchr(set, c) != nullptr; }

bool PointsInto(const DynString& self, const char* text) {
  if (self.IsNull()) return false;
  auto t = reinterpret_cast<std::uintptr_t>(text);
  auto area = reinterpret_cast<std::uintptr_t>(self.Data());
  return t >= area && t < area + static_cast<std::uintptr_t>(self.Capacity()) + 2;
}

// A text argument that stays readable while the string is edited: a private
// copy when it points into the string's block, which edits overwrite or move.
class ArgumentText {
 public:
  ArgumentText(const DynString& self, const char* text) : text_(text) {
    if (text != nullptr && PointsInto(self, text)) {
      copy_.Assign(text);
      text_ = copy_.CStr();
    }
  }
  const char* Get() const { return text_; }

 private:
  DynString copy_;
  const char* text_;
};

// Replaces the cut characters at p (p + cut within the text) by the add
// characters of insert (null: nothing), given the length of the text behind
// them. This is the splice of copying the text behind them aside, ending the
// text at p, appending insert and then the copy, done in place: the same
// Reserve calls (so the same growth) and the same bytes written, without the
// temporary copy or measuring the text again and again.
void SpliceKnown(DynString& self, int p, int cut, const char* insert, int add, int tail) {
  self.At(p);
  if (insert != nullptr) self.Reserve(p + add);
  self.Reserve(p + add + tail);
  char* chars = self.At(0);
  std::memmove(chars + p + add, chars + p + cut, static_cast<size_t>(tail) + 1);
  if (add != 0) std::memcpy(chars + p, insert, static_cast<size_t>(add));
}

// SpliceKnown, measuring insert and the text behind the cut.
void Splice(DynString& self, int p, int cut, const char* insert) {
  int tail = self.IsNull() ? 0 : static_cast<int>(std::strlen(self.Data() + p + cut));
  int add = insert == nullptr ? 0 : static_cast<int>(std::strlen(insert));
  SpliceKnown(self, p, cut, insert, add, tail);
}

// FindText, case-sensitive, from a position known to lie within the text;
// the plain search then needs no measuring of the text before it.
int FindFrom(const DynString& self, const char* text, int from, bool whole_word) {
  if (whole_word) return self.FindText(text, from, true, false);
  const char* found = std::strstr(self.Data() + from, text);
  return found == nullptr ? -1 : static_cast<int>(found - self.Data());
}

// Removes the leading and trailing characters of set; see TrimSpaces.
void TrimSet(DynString& self, const char* set) {
  int len = self.Length();
  int i = 0;
  while (InSet(set, *self.At(i))) ++i;
  if (i >= len) {
    *self.At(0) = '\0';
    return;
  }
  int j = len - 1;
  while (InSet(set, *self.At(j))) --j;
  *self.At(j + 1) = '\0';
  if (i > 0) {
    DynString rest(self.CStr() + i);
    self.Assign(rest);
  }
}

// TrimSpaces, then removes a trailing close and, after it, a leading open.
int StripPair(DynString& self, char open, char close) {
  self.TrimSpaces();
  int len = self.Length();
  if (len == 0 || *self.At(len - 1) != close) return 0;
  *self.At(len - 1) = '\0';
  if (*self.At(0) != open) return 0;
  DynString rest(self.CStr() + 1);
  self.Assign(rest);
  return 1;
}

// Ends the text at position close (> 0), then drops character 0 when it is
// open by moving the old length's characters one place left.
int CutAndDropOpening(DynString& self, int close, char open) {
  int old_len = self.Length();
  char* chars = self.At(0);
  chars[close] = '\0';
  if (chars[0] != open) return 0;
  std::memmove(chars, chars + 1, static_cast<size_t>(old_len));
  return 1;
}

// Replaces each non-overlapping occurrence of text in the original string
// once, left to right; occurrences (and their word boundaries) are judged
// against the original, so the replacement may contain text.
int ReplaceEachOnce(DynString& self, const char* text, const char* replacement, bool whole_word) {
  DynString original(self);
  int n = static_cast<int>(std::strlen(text));
  int shift = static_cast<int>(std::strlen(replacement)) - n;
  int count = 0;
  for (int p = original.FindText(text, 0, whole_word, false); p >= 0;
       p = original.FindText(text, p + n, whole_word, false)) {
    Splice(self, p + count * shift, n, replacement);
    ++count;
  }
  return count;
}

}  // namespace

void DynStringEdit::TrimLineBreaks() { TrimSet(SelfOf(this), LINE_BREAKS); }

void DynStringEdit::TrimSpaces() { TrimSet(SelfOf(this), SPACES); }

void DynStringEdit::TrimBlanks() { TrimSet(SelfOf(this), BLANKS); }

int DynStringEdit::StripQuotes() { return StripPair(SelfOf(this), '"', '"'); }

int DynStringEdit::StripAngles() { return StripPair(SelfOf(this), '<', '>'); }

int DynStringEdit::StripParens() {
  DynString& self = SelfOf(this);
  if (self.Length() == 0) return 0;
  int close = self.FindLastChar(')');
  return close <= 0 ? 0 : CutAndDropOpening(self, close, '(');
}

int DynStringEdit::StripBrackets() {
  DynString& self = SelfOf(this);
  if (self.Length() == 0) return 0;
  int close = self.FindChar(0, ']');
  return close <= 0 ? 0 : CutAndDropOpening(self, close, '[');
}

const char* DynStringEdit::StripAmpersand() {
  DynString& self = SelfOf(this);
  RemoveFirst('&');
  return self.IsNull() ? self.CStr() : self.Data();
}

void DynStringEdit::CapitalizeFirst() {
  DynString& self = SelfOf(this);
  if (self.Length() < 1) return;
  int k = *self.At(0) == '&' ? 1 : 0;
  char* c = self.At(k);
  if (*c >= 'a' && *c <= 'z') *c = static_cast<char>(*c - ('a' - 'A'));
}

int DynStringEdit::SplitKeyValue(DynString& key, DynString& value) const {
  const DynString& self = SelfOf(this);
  if (&key == &self || &value == &self) {
    DynString copy(self);
    return copy.SplitKeyValue(key, value);
  }
  int p = self.FindChar(0, '=');
  if (p <= 0) return 0;
  value.Assign(self.Data() + p + 1);
  key.Reserve(p);
  char* dst = key.At(0);
  std::memcpy(dst, self.Data(), static_cast<size_t>(p));
  dst[p] = '\0';
  return 1;
}

int DynStringEdit::CutAt(char c) {
  DynString& self = SelfOf(this);
  if (self.IsNull()) return c == '\0' ? 0 : -1;
  int p = self.FindChar(0, c);
  if (p < 0) return -1;
  // Written in place: the cut never reserves, so a full block stays put.
  if (c != '\0') const_cast<char*>(self.Data())[p] = '\0';
  return p;
}

int DynStringEdit::RemoveFirst(char c) {
  DynString& self = SelfOf(this);
  if (c == '\0') return 0;
  int p = self.FindChar(0, c);
  if (p < 0) return 0;
  Splice(self, p, 1, nullptr);
  return 1;
}

int DynStringEdit::RemoveAll(char c) {
  while (RemoveFirst(c) == 1) {
  }
  return 1;
}

int DynStringEdit::RemoveChars(const char* set) {
  if (set == nullptr) return 1;
  ArgumentText chars(SelfOf(this), set);
  for (const char* x = chars.Get(); *x != '\0'; ++x) RemoveAll(*x);
  return 1;
}

int DynStringEdit::ReplaceChar(char from, char to) {
  DynString& self = SelfOf(this);
  if (from == '\0') return 0;
  if (from == to) return self.CountChar(from);
  int count = 0;
  for (int p = self.FindLastChar(from); p >= 0; p = self.FindLastChar(from)) {
    *self.At(p) = to;
    ++count;
  }
  return count;
}

int DynStringEdit::ReplaceText(const char* text, const char* replacement, bool whole_word) {
  DynString& self = SelfOf(this);
  if (self.IsNull() || text == nullptr || text[0] == '\0') return 0;
  ArgumentText find(self, text);
  ArgumentText with(self, replacement);
  const char* repl = with.Get() == nullptr ? "" : with.Get();
  if (std::strstr(repl, find.Get()) != nullptr) {
    return ReplaceEachOnce(self, find.Get(), repl, whole_word);
  }
  int n = static_cast<int>(std::strlen(find.Get()));
  int add = static_cast<int>(std::strlen(repl));
  // Each replacement changes the length by add - n: it is measured once.
  int len = self.Length();
  int count = 0;
  // Searching again from position 0 after each replacement finds what a
  // search from p - n finds: the text before p is unchanged and held no
  // accepted occurrence, and only one ending at p or later can have become
  // one (an occurrence ending at p has a new right neighbour).
  for (int p = self.FindText(find.Get(), 0, whole_word, false); p >= 0;
       p = FindFrom(self, find.Get(), p > n ? p - n : 0, whole_word)) {
    SpliceKnown(self, p, n, repl, add, len - p - n);
    len += add - n;
    ++count;
  }
  return count;
}

void DynStringEdit::InsertAt(const char* text, int p) {
  DynString& self = SelfOf(this);
  if (p < 0 || self.Length() < p) return;
  ArgumentText insert(self, text);
  Splice(self, p, 0, insert.Get());
}

void DynStringEdit::AppendString(const DynString& other) {
  if (other.IsNull()) return;
  SelfOf(this).Append(other);
}
