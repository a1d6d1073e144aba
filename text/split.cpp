#include "text/split.h"

#include <cstring>

#include "text/dyn_string.h"
#include "text/string_list.h"

namespace {

// The delimiter set as a table over the 256 byte values, looked up once per
// character instead of searching the set; NUL is never a delimiter.
class DelimiterSet {
 public:
  explicit DelimiterSet(const char* delimiters) {
    for (const char* d = delimiters; d != nullptr && *d != '\0'; ++d) {
      member_[static_cast<unsigned char>(*d)] = true;
    }
  }
  bool Has(char c) const { return member_[static_cast<unsigned char>(c)]; }

 private:
  bool member_[256] = {};
};

// Appends text[from..to) to element as AppendChar would one character at a
// time: the same Reserve calls, so the same growth, then the characters and
// one terminator. A null element (its allocation failed, already reported by
// the list) receives nothing.
void AppendRange(DynString* element, const char* text, int from, int to) {
  if (element == nullptr || from >= to) return;
  int len = element->Length();
  int count = to - from;
  for (int k = 0; k < count; ++k) element->Reserve(len + k + 2);
  char* chars = element->At(0);
  std::memcpy(chars + len, text + from, static_cast<size_t>(count));
  chars[len + count] = '\0';
}

}  // namespace

int DynStringSplit::Split(const char* delimiters, StringList& list, int limit,
                          bool keep_empty) const {
  const DynString& self = SelfOf(this);
  list.ClearEntries(list.OwnsItems);
  if (limit == 0) return 1;
  const char* text = self.CStr();
  int len = self.Length();
  auto below_limit = [&] { return limit < 0 || list.Size() < limit; };
  const DelimiterSet is_delimiter(delimiters);
  int start = 0;
  for (int j = 0; j < len; ++j) {
    if (!is_delimiter.Has(text[j]) || (j == 0 && !keep_empty) || !below_limit()) continue;
    if (start < j || keep_empty) AppendRange(list.InsertEntry(-1), text, start, j);
    start = j + 1;
  }
  if (below_limit()) {
    if (start < len) AppendRange(list.InsertEntry(-1), text, start, len);
  } else if (list.Size() == limit && start < len) {
    // The last cut closed the last field at start - 1: that field becomes the
    // whole rest of the text from its own first character.
    AppendRange(list.Get(list.BaseIndex + limit - 1), text, start - 1, len);
  }
  return 1;
}

int DynStringSplit::SplitTrimmed(const char* delimiters, StringList& list, int limit) const {
  int result = Split(delimiters, list, limit, false);
  for (int p = 0; p < list.Size(); ++p) {
    DynString* field = list.Get(list.BaseIndex + p);
    if (field != nullptr) field->TrimSpaces();
  }
  return result;
}
