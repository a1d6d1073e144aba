// The splitting rules of DynString::Split restated on std::string, for the
// differential test and the fuzz target. Test code; no part of the library.
#pragma once

#include <string>
#include <vector>

namespace reference_model {

// The split rules restated on std::string: cut at every delimiter as if there
// were no limit, keep the pieces the keep-empty rule admits, then apply the
// limit to that list.
inline std::vector<std::string> ModelSplit(const std::string& text, const std::string& delimiters,
                                           int limit, bool keep_empty) {
  struct Piece {
    size_t begin, end;  // end is the closing delimiter's position
  };
  if (limit == 0) return {};
  std::vector<Piece> kept;
  size_t start = 0;
  for (size_t j = 0; j < text.size(); ++j) {
    bool cut = delimiters.find(text[j]) != std::string::npos && (j > 0 || keep_empty);
    if (!cut) continue;
    if (j > start || keep_empty) kept.push_back({start, j});
    start = j + 1;
  }
  std::vector<std::string> fields;
  if (limit < 0 || static_cast<int>(kept.size()) < limit) {
    for (const Piece& p : kept) fields.push_back(text.substr(p.begin, p.end - p.begin));
    if (start < text.size()) fields.push_back(text.substr(start));
    return fields;
  }
  for (int i = 0; i + 1 < limit; ++i) {
    fields.push_back(text.substr(kept[i].begin, kept[i].end - kept[i].begin));
  }
  const Piece& last = kept[limit - 1];
  bool closed_at_end = last.end + 1 == text.size();
  fields.push_back(closed_at_end ? text.substr(last.begin, last.end - last.begin)
                                 : text.substr(last.begin));
  return fields;
}

}  // namespace reference_model
