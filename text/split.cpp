#include "text/split.h"

#include <cstring>

#include "text/dyn_string.h"
#include "text/string_list.h"

namespace {

bool IsDelimiter(const char* delimiters, char c) {
  return delimiters != nullptr && c != '\0' && std::strchr(delimiters, c) != nullptr;
}

// Appends text[from..to) to element one character at a time; a null element
// (its allocation failed, already reported by the list) receives nothing.
void AppendRange(DynString* element, const char* text, int from, int to) {
  if (element == nullptr) return;
  for (int i = from; i < to; ++i) element->AppendChar(text[i]);
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
  int start = 0;
  for (int j = 0; j < len; ++j) {
    if (!IsDelimiter(delimiters, text[j]) || (j == 0 && !keep_empty) || !below_limit()) continue;
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
