// A reference model of DynString's search and edit operations, written with
// std::string only, for the differential test. It states each operation's rule
// in the plainest terms; it is test code and no part of the library.
#pragma once

#include <algorithm>
#include <string>

namespace reference_model {

// The reference: a null flag and the text, edited with std::string only.
struct Model {
  bool null = true;
  std::string text;

  int Length() const { return static_cast<int>(text.size()); }
  void Allocate() { null = false; }
};

// A std::string position as the library gives it: -1 for not found.
inline int Pos(std::string::size_type p) {
  return p == std::string::npos ? -1 : static_cast<int>(p);
}

inline bool WordChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

inline char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

// FindText; an empty text with a flag set matches only the terminator.
inline int ModelFindText(const Model& m, const std::string& t, int from, bool whole_word,
                         bool ignore_case) {
  if (m.null || from < 0 || from > m.Length()) return -1;
  if (!whole_word && !ignore_case) return Pos(m.text.find(t, static_cast<size_t>(from)));
  const std::string& s = m.text;
  int len = m.Length();
  int n = static_cast<int>(t.size());
  if (n == 0) {
    // Only the terminator matches an empty text.
    bool blocked = whole_word && len > 0 && WordChar(s[len - 1]);
    return blocked ? -1 : len;
  }
  for (int pos = from; pos + n <= len; ++pos) {
    std::string a = s.substr(static_cast<size_t>(pos), static_cast<size_t>(n));
    std::string b = t;
    if (ignore_case) {
      std::transform(a.begin(), a.end(), a.begin(), Upper);
      std::transform(b.begin(), b.end(), b.begin(), Upper);
    }
    if (a != b) continue;
    bool left_ok = pos == 0 || !WordChar(s[pos - 1]);
    bool right_ok = pos + n == len || !WordChar(s[pos + n]);
    if (!whole_word || (left_ok && right_ok)) return pos;
  }
  return -1;
}

// The trim family: a null string comes out allocated and empty.
inline void ModelTrim(Model& m, const char* set) {
  m.Allocate();
  auto first = m.text.find_first_not_of(set);
  if (first == std::string::npos) {
    m.text.clear();
    return;
  }
  m.text = m.text.substr(first, m.text.find_last_not_of(set) - first + 1);
}

// StripQuotes and StripAngles.
inline int ModelStripPair(Model& m, char open, char close) {
  ModelTrim(m, " ");
  if (m.text.empty() || m.text.back() != close) return 0;
  m.text.pop_back();
  if (m.text.empty() || m.text.front() != open) return 0;
  m.text.erase(0, 1);
  return 1;
}

// StripParens and StripBrackets, given the closing character's position.
inline int ModelStripEnclosing(Model& m, char open, std::string::size_type close) {
  if (close == std::string::npos || close == 0) return 0;
  m.text.resize(close);
  if (m.text[0] != open) return 0;
  m.text.erase(0, 1);
  return 1;
}

// RemoveFirst; NUL and a null string remove nothing.
inline int ModelRemoveFirst(Model& m, char c) {
  if (m.null || c == '\0') return 0;
  auto p = m.text.find(c);
  if (p == std::string::npos) return 0;
  m.text.erase(p, 1);
  return 1;
}

// ReplaceChar: every from replaced, or the text ended at the first one for NUL.
inline int ModelReplaceChar(Model& m, char from, char to) {
  if (m.null || from == '\0') return 0;
  int count = static_cast<int>(std::count(m.text.begin(), m.text.end(), from));
  if (to == '\0') {
    if (count > 0) m.text.resize(m.text.find(from));
  } else {
    std::replace(m.text.begin(), m.text.end(), from, to);
  }
  return count;
}

// ReplaceText: repeated search from the start, or one pass over the original
// when the replacement contains the text. A repeated search can grow the text
// without bound ("a " by "  a" over "aa aa aa" doubles the spaces at each
// word): past limit characters it stops and gives -1.
inline int ModelReplaceText(Model& m, const std::string& t, const std::string& r, bool whole_word,
                            size_t limit = std::string::npos) {
  if (m.null || t.empty()) return 0;
  int count = 0;
  if (r.find(t) != std::string::npos) {
    Model original = m;
    std::string out;
    int last = 0;
    for (int p = ModelFindText(original, t, 0, whole_word, false); p >= 0;
         p = ModelFindText(original, t, p + static_cast<int>(t.size()), whole_word, false)) {
      out += original.text.substr(static_cast<size_t>(last), static_cast<size_t>(p - last)) + r;
      last = p + static_cast<int>(t.size());
      ++count;
    }
    m.text = out + original.text.substr(static_cast<size_t>(last));
    return count;
  }
  for (int p; (p = ModelFindText(m, t, 0, whole_word, false)) >= 0; ++count) {
    m.text.replace(static_cast<size_t>(p), t.size(), r);
    if (m.text.size() > limit) return -1;
  }
  return count;
}

// NextTokenStart: the first delimiter outside quotes, then past the run.
inline int ModelNextTokenStart(const Model& m, const std::string& set) {
  if (m.null) return -1;
  bool quoted = false;
  size_t i = 0;
  while (i < m.text.size() && (quoted || set.find(m.text[i]) == std::string::npos)) {
    if (m.text[i] == '"') quoted = !quoted;
    ++i;
  }
  if (i == m.text.size()) return -1;
  i = m.text.find_first_not_of(set, i);
  return Pos(i);
}

// Compare against a text, or against a null text when other_null is set.
inline int ModelCompare(const Model& m, bool other_null, const std::string& other) {
  if (other_null) return m.text.empty() ? 0 : 1;
  if (m.text.empty()) return other.empty() ? 0 : 1;
  return m.text.compare(other);
}

}  // namespace reference_model
