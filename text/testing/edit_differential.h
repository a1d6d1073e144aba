// Drives long random sequences of DynString's search and edit operations on a
// DynString and on the reference model (edit_reference_model.h) side by side,
// and compares the text, the null state, the header fields and every result
// after each step. The decisions come from a ChoiceSource, so the seeded unit
// test and the fuzz target run the same driver. Test code; no part of the library.
// One file: the unit test and the fuzz target share this one driver.
#pragma once

#include <algorithm>
#include <string>

#include "text/dyn_string.h"
#include "text/testing/choice_source.h"
#include "text/testing/edit_reference_model.h"

namespace reference_model {

class EditDifferential {
 public:
  explicit EditDifferential(ChoiceSource& choices) : choices_(choices) {}

  // Runs one random operation and compares its outcome; false from the first
  // disagreement on, which Mismatch() then describes.
  bool Step() {
    if (!mismatch_.empty()) return false;
    if (model_.Length() > 120) Assign(FreshText());
    RunOne();
    if (mismatch_.empty()) CheckState();
    ++step_;
    return mismatch_.empty();
  }

  // The first disagreement: step, operation, text before it and the values;
  // empty while the string and the model agree.
  const std::string& Mismatch() const { return mismatch_; }

 private:
  static constexpr const char* TEXT_CHARS = "aab b()[]<>\"&=,;\t\r\n_A\xE9-";
  static constexpr const char* WORD_CHARS = "aab _-\xE9";

  int Pick(int lo, int hi) { return static_cast<int>(choices_.Int(lo, hi)); }
  bool Coin() { return Pick(0, 1) == 1; }
  char RandomChar(const char* chars) {
    return chars[Pick(0, static_cast<int>(std::char_traits<char>::length(chars)) - 1)];
  }
  std::string RandomText(const char* chars, int max_len) {
    std::string t;
    for (int k = Pick(0, max_len); k > 0; --k) t += RandomChar(chars);
    return t;
  }
  // A fresh text: mostly of few characters, so that searches and
  // replacements find much, sometimes of every kind the edits care about.
  std::string FreshText() { return RandomText(Coin() ? WORD_CHARS : TEXT_CHARS, 20); }
  // A text to search for: often a piece of the current text.
  std::string SearchText() {
    if (Coin() || model_.text.empty()) return RandomText(WORD_CHARS, 3);
    int from = Pick(0, model_.Length() - 1);
    return model_.text.substr(static_cast<size_t>(from), static_cast<size_t>(Pick(1, 3)));
  }
  // A character for searches and edits; sometimes NUL.
  char SomeChar() { return Pick(0, 15) == 0 ? '\0' : RandomChar(TEXT_CHARS); }
  int SomePosition() { return Pick(-1, model_.Length() + 1); }

  void Assign(const std::string& t) {
    s_.Assign(t.c_str());
    model_.Allocate();
    model_.text = t;
  }

  std::string Where() const {
    return "step " + std::to_string(step_) + " " + op_ + " on \"" + before_ + "\"" +
           (before_null_ ? " (null)" : "");
  }

  void Fail(const std::string& got, const std::string& want) {
    if (mismatch_.empty()) mismatch_ = Where() + ": got " + got + ", want " + want;
  }
  void Expect(long got, long want) {
    if (got != want) Fail(std::to_string(got), std::to_string(want));
  }
  void ExpectSame(const std::string& got, const std::string& want) {
    if (got != want) Fail("\"" + got + "\"", "\"" + want + "\"");
  }

  // Picks one operation and runs it.
  void RunOne();
  // One operation each on the string and the model, named after it.
  void RunAssign();
  void RunClear();
  void RunTrimLineBreaks();
  void RunTrimSpaces();
  void RunTrimBlanks();
  void RunStripQuotes();
  void RunStripAngles();
  void RunStripParens();
  void RunStripBrackets();
  void RunStripAmpersand();
  void RunCapitalizeFirst();
  void RunSplitKeyValue();
  void RunCutAt();
  void RunRemoveFirst();
  void RunRemoveAll();
  void RunRemoveChars();
  void RunReplaceChar();
  void RunReplaceText();
  void RunInsertAt();
  void RunAppendString();
  void RunLastCharPtr();
  void RunCharAt();
  void RunFindChar();
  void RunFindText();
  void RunFindAnyOf();
  void RunFindParenPair();
  void RunNextTokenStart();
  void RunOperators();
  void RunFindByte();
  void RunAppend();

  void CheckState() {
    if (s_.IsNull() != model_.null) return Fail(s_.IsNull() ? "null" : "allocated", "the model");
    ExpectSame(s_.CStr(), model_.text);
    if (s_.IsNull()) {
      marked_ = false;
      return;
    }
    if (!marked_) {
      // A block that was just created carries the initial header values.
      Expect(s_.Tag(), -1);
      Expect(s_.Precision(), 1);
      tag_ = 1000 + step_;
      precision_ = static_cast<signed char>(2 + step_ % 50);
      s_.Tag() = tag_;
      s_.Precision() = precision_;
      marked_ = true;
      return;
    }
    Expect(s_.Tag(), tag_);
    Expect(s_.Precision(), precision_);
  }

  ChoiceSource& choices_;
  DynString s_;
  Model model_;
  int step_ = 0;
  std::string op_;
  std::string before_;
  bool before_null_ = true;
  bool marked_ = false;
  int32_t tag_ = -1;
  signed char precision_ = 1;
  std::string mismatch_;
};

inline void EditDifferential::RunAssign() {
  op_ = "Assign";
  Assign(FreshText());
}

inline void EditDifferential::RunClear() {
  op_ = "Clear";
  s_.Clear();
  model_ = Model();
}

inline void EditDifferential::RunTrimLineBreaks() {
  op_ = "TrimLineBreaks";
  s_.TrimLineBreaks();
  ModelTrim(model_, "\r\n");
}

inline void EditDifferential::RunTrimSpaces() {
  op_ = "TrimSpaces";
  s_.TrimSpaces();
  ModelTrim(model_, " ");
}

inline void EditDifferential::RunTrimBlanks() {
  op_ = "TrimBlanks";
  s_.TrimBlanks();
  ModelTrim(model_, " \t");
}

inline void EditDifferential::RunStripQuotes() {
  op_ = "StripQuotes";
  Expect(s_.StripQuotes(), ModelStripPair(model_, '"', '"'));
}

inline void EditDifferential::RunStripAngles() {
  op_ = "StripAngles";
  Expect(s_.StripAngles(), ModelStripPair(model_, '<', '>'));
}

inline void EditDifferential::RunStripParens() {
  Model& m = model_;
  op_ = "StripParens";
  Expect(s_.StripParens(), ModelStripEnclosing(m, '(', m.text.rfind(')')));
}

inline void EditDifferential::RunStripBrackets() {
  Model& m = model_;
  op_ = "StripBrackets";
  Expect(s_.StripBrackets(), ModelStripEnclosing(m, '[', m.text.find(']')));
}

inline void EditDifferential::RunStripAmpersand() {
  Model& m = model_;
  op_ = "StripAmpersand";
  std::string got = s_.StripAmpersand();
  ModelRemoveFirst(m, '&');
  ExpectSame(got, m.text);
}

inline void EditDifferential::RunCapitalizeFirst() {
  Model& m = model_;
  op_ = "CapitalizeFirst";
  s_.CapitalizeFirst();
  size_t k = !m.text.empty() && m.text[0] == '&' ? 1 : 0;
  if (k < m.text.size() && m.text[k] >= 'a' && m.text[k] <= 'z') m.text[k] = Upper(m.text[k]);
}

inline void EditDifferential::RunSplitKeyValue() {
  Model& m = model_;
  op_ = "SplitKeyValue";
  DynString key("K");
  DynString value("V");
  auto eq = m.null ? std::string::npos : m.text.find('=');
  bool split = eq != std::string::npos && eq > 0;
  Expect(s_.SplitKeyValue(key, value), split ? 1 : 0);
  ExpectSame(std::string(key.CStr()), split ? m.text.substr(0, eq) : "K");
  ExpectSame(std::string(value.CStr()), split ? m.text.substr(eq + 1) : "V");
}

inline void EditDifferential::RunCutAt() {
  Model& m = model_;
  char c = SomeChar();
  op_ = std::string("CutAt ") + c;
  int want = m.null ? (c == '\0' ? 0 : -1) : c == '\0' ? m.Length() : Pos(m.text.find(c));
  if (!m.null && want >= 0) m.text.resize(static_cast<size_t>(want));
  Expect(s_.CutAt(c), want);
}

inline void EditDifferential::RunRemoveFirst() {
  char c = SomeChar();
  op_ = std::string("RemoveFirst ") + c;
  Expect(s_.RemoveFirst(c), ModelRemoveFirst(model_, c));
}

inline void EditDifferential::RunRemoveAll() {
  char c = SomeChar();
  op_ = std::string("RemoveAll ") + c;
  Expect(s_.RemoveAll(c), 1);
  while (ModelRemoveFirst(model_, c) == 1) {
  }
}

inline void EditDifferential::RunRemoveChars() {
  std::string set = RandomText(TEXT_CHARS, 3);
  op_ = "RemoveChars " + set;
  Expect(s_.RemoveChars(set.c_str()), 1);
  for (char c : set) {
    while (ModelRemoveFirst(model_, c) == 1) {
    }
  }
}

inline void EditDifferential::RunReplaceChar() {
  char from = SomeChar();
  char to = Pick(0, 5) == 0 ? from : SomeChar();
  op_ = std::string("ReplaceChar ") + from + " " + to;
  Expect(s_.ReplaceChar(from, to), ModelReplaceChar(model_, from, to));
}

inline void EditDifferential::RunReplaceText() {
  std::string t = SearchText();
  std::string r = Pick(0, 4) == 0 ? RandomText(WORD_CHARS, 1) + t : RandomText(WORD_CHARS, 3);
  bool whole_word = Coin();
  op_ = "ReplaceText \"" + t + "\" by \"" + r + "\"" + (whole_word ? " whole word" : "");
  // A replacement that keeps making new occurrences is left out once the
  // text passes a few thousand characters: both sides would grow alike.
  Model replaced = model_;
  const int count = ModelReplaceText(replaced, t, r, whole_word, 4096);
  if (count < 0) return;
  model_ = replaced;
  Expect(s_.ReplaceText(t.c_str(), r.c_str(), whole_word), count);
}

inline void EditDifferential::RunInsertAt() {
  Model& m = model_;
  std::string t = RandomText(TEXT_CHARS, 4);
  int p = SomePosition();
  op_ = "InsertAt " + std::to_string(p) + " \"" + t + "\"";
  s_.InsertAt(t.c_str(), p);
  if (p >= 0 && p <= m.Length()) {
    m.Allocate();
    m.text.insert(static_cast<size_t>(p), t);
  }
}

inline void EditDifferential::RunAppendString() {
  Model& m = model_;
  bool other_null = Pick(0, 3) == 0;
  std::string t = RandomText(TEXT_CHARS, 5);
  op_ = "AppendString " + (other_null ? std::string("(null)") : t);
  DynString other = other_null ? DynString() : DynString(t.c_str());
  s_.AppendString(other);
  if (!other_null) {
    m.Allocate();
    m.text += t;
  }
}

inline void EditDifferential::RunLastCharPtr() {
  Model& m = model_;
  op_ = "LastCharPtr";
  char* p = s_.LastCharPtr();
  if (m.text.empty()) {
    Expect(p == s_.Data() ? 1 : 0, 1);
    Expect(*p, '\0');
    m.Allocate();
  } else {
    char c = RandomChar(TEXT_CHARS);
    *p = c;
    m.text.back() = c;
  }
}

inline void EditDifferential::RunCharAt() {
  Model& m = model_;
  int i = SomePosition();
  op_ = "CharAt/LastChar " + std::to_string(i);
  bool inside = i >= 0 && i < m.Length();
  Expect(s_.CharAt(i), inside ? static_cast<signed char>(m.text[static_cast<size_t>(i)]) : 0);
  Expect(s_.LastChar(), m.text.empty() ? 0 : static_cast<signed char>(m.text.back()));
}

inline void EditDifferential::RunFindChar() {
  Model& m = model_;
  char c = SomeChar();
  int from = SomePosition();
  op_ = std::string("FindChar/FindLastChar/CountChar ") + c + " from " + std::to_string(from);
  int want = (m.null || from < 0 || from > m.Length()) ? -1
             : c == '\0'                               ? m.Length()
                         : Pos(m.text.find(c, static_cast<size_t>(from)));
  Expect(s_.FindChar(from, c), want);
  Expect(s_.Find(from, c), want);
  Expect(s_.FindLastChar(c), m.null ? (c == '\0' ? 0 : -1) : c == '\0' ? -1 : Pos(m.text.rfind(c)));
  Expect(s_.CountChar(c),
         c == '\0' ? 0 : static_cast<int>(std::count(m.text.begin(), m.text.end(), c)));
}

inline void EditDifferential::RunFindText() {
  Model& m = model_;
  std::string t = SearchText();
  int from = SomePosition();
  bool whole_word = Coin();
  bool ignore_case = Coin();
  op_ = "FindText \"" + t + "\" from " + std::to_string(from);
  Expect(s_.FindText(t.c_str(), from, whole_word, ignore_case),
         ModelFindText(m, t, from, whole_word, ignore_case));
  Expect(s_.Find(t.c_str()), m.null ? -1 : Pos(m.text.find(t)));
}

inline void EditDifferential::RunFindAnyOf() {
  Model& m = model_;
  std::string set = RandomText(TEXT_CHARS, 3);
  int from = SomePosition();
  op_ = "FindAnyOf \"" + set + "\" from " + std::to_string(from);
  bool valid = !m.null && !set.empty() && from >= 0 && from <= m.Length();
  Expect(s_.FindAnyOf(from, set.c_str()),
         valid ? Pos(m.text.find_first_of(set, static_cast<size_t>(from))) : -1);
}

inline void EditDifferential::RunFindParenPair() {
  Model& m = model_;
  op_ = "FindParenPair/IsBracketed";
  int open = -7;
  int close = -7;
  auto last_open = m.text.rfind('(');
  auto first_close = m.text.find(')', last_open == std::string::npos ? 0 : last_open + 1);
  bool found = first_close != std::string::npos;
  Expect(s_.FindParenPair(open, close), found ? 1 : 0);
  Expect(open, found ? Pos(last_open) : -7);
  Expect(close, found ? Pos(first_close) : -7);
  bool bracketed = m.text.size() >= 3 && m.text.front() == '[' && m.text.back() == ']';
  Expect(s_.IsBracketed(), bracketed ? 1 : 0);
}

inline void EditDifferential::RunNextTokenStart() {
  std::string set = Coin() ? " " : RandomText(" ,\"", 2);
  op_ = "NextTokenStart \"" + set + "\"";
  Expect(s_.NextTokenStart(set.c_str()), ModelNextTokenStart(model_, set));
}

inline void EditDifferential::RunOperators() {
  bool other_null = Pick(0, 4) == 0;
  std::string t = RandomText(TEXT_CHARS, 3);
  op_ = "operators against " + (other_null ? std::string("(null)") : t);
  int cmp = ModelCompare(model_, other_null, t);
  const char* text = other_null ? nullptr : t.c_str();
  DynString other = other_null ? DynString() : DynString(t.c_str());
  Expect(s_ < text, cmp < 0 ? 1 : 0);
  Expect(s_ > text, cmp > 0 ? 1 : 0);
  Expect(s_ < other, cmp < 0 ? 1 : 0);
  Expect(s_ > other, cmp > 0 ? 1 : 0);
}

inline void EditDifferential::RunFindByte() {
  Model& m = model_;
  char c = SomeChar();
  int from = Pick(0, m.Length());
  int count = Pick(1, m.Length() + 1 - from);
  op_ = std::string("FindByte ") + c;
  std::string area = m.text + '\0';
  auto p = area.find(c, static_cast<size_t>(from));
  Expect(s_.FindByte(from, c, count),
         m.null || p == std::string::npos || static_cast<int>(p) >= from + count ? -1 : Pos(p));
}

inline void EditDifferential::RunAppend() {
  Model& m = model_;
  std::string t = RandomText(TEXT_CHARS, 3);
  op_ = "Append \"" + t + "\"";
  s_.Append(t.c_str());
  m.Allocate();
  m.text += t;
}

inline void EditDifferential::RunOne() {
  // The operations, one slot each; ReplaceText and FindText have two.
  static constexpr void (EditDifferential::*OPERATIONS[32])() = {
      &EditDifferential::RunAssign,          &EditDifferential::RunClear,
      &EditDifferential::RunTrimLineBreaks,  &EditDifferential::RunTrimSpaces,
      &EditDifferential::RunTrimBlanks,      &EditDifferential::RunStripQuotes,
      &EditDifferential::RunStripAngles,     &EditDifferential::RunStripParens,
      &EditDifferential::RunStripBrackets,   &EditDifferential::RunStripAmpersand,
      &EditDifferential::RunCapitalizeFirst, &EditDifferential::RunSplitKeyValue,
      &EditDifferential::RunCutAt,           &EditDifferential::RunRemoveFirst,
      &EditDifferential::RunRemoveAll,       &EditDifferential::RunRemoveChars,
      &EditDifferential::RunReplaceChar,     &EditDifferential::RunReplaceText,
      &EditDifferential::RunReplaceText,     &EditDifferential::RunInsertAt,
      &EditDifferential::RunAppendString,    &EditDifferential::RunLastCharPtr,
      &EditDifferential::RunCharAt,          &EditDifferential::RunFindChar,
      &EditDifferential::RunFindText,        &EditDifferential::RunFindText,
      &EditDifferential::RunFindAnyOf,       &EditDifferential::RunFindParenPair,
      &EditDifferential::RunNextTokenStart,  &EditDifferential::RunOperators,
      &EditDifferential::RunFindByte,        &EditDifferential::RunAppend,
  };
  before_ = model_.text;
  before_null_ = model_.null;
  (this->*OPERATIONS[Pick(0, 31)])();
}

}  // namespace reference_model
