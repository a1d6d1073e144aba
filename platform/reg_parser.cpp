#include "platform/reg_parser.h"

#include <cstring>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

// Character units of the file after its byte-order mark.
// Each offers FindLineEnd(i, n): the first unit in [i, n) that is a CR or an
// LF, or n.
struct ByteUnits {
  static constexpr size_t SIZE = 1;
  const uint8_t* p;
  char16_t operator[](size_t i) const { return p[i]; }

  // Eight bytes at a time: a byte equal to c leaves a zero byte in w ^ c...c,
  // and (x - 0x01...01) & ~x & 0x80...80 is non-zero exactly when x has a
  // zero byte. It only ever flags extra bytes above a true one, so on a
  // little-endian machine the lowest flagged byte is the first match;
  // elsewhere that word is searched byte by byte.
  size_t FindLineEnd(size_t i, size_t n) const {
    constexpr uint64_t ONES = 0x0101010101010101ull;
    constexpr uint64_t HIGHS = 0x8080808080808080ull;
    for (; i + 8 <= n; i += 8) {
      uint64_t w;
      std::memcpy(&w, p + i, 8);
      uint64_t lf = w ^ (ONES * '\n');
      uint64_t cr = w ^ (ONES * '\r');
      uint64_t hits = (((lf - ONES) & ~lf) | ((cr - ONES) & ~cr)) & HIGHS;
      if (hits != 0) {
#if defined(__GNUC__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        return i + static_cast<size_t>(__builtin_ctzll(hits)) / 8;
#else
        break;
#endif
      }
    }
    while (i < n && p[i] != '\n' && p[i] != '\r') ++i;
    return i;
  }

  // The first byte in [i, n) that is a quote, a backslash or from 0x80 on,
  // or n; the same word test as FindLineEnd.
  size_t SkipPlainText(size_t i, size_t n) const {
    constexpr uint64_t ONES = 0x0101010101010101ull;
    constexpr uint64_t HIGHS = 0x8080808080808080ull;
    for (; i + 8 <= n; i += 8) {
      uint64_t w;
      std::memcpy(&w, p + i, 8);
      uint64_t quote = w ^ (ONES * '"');
      uint64_t slash = w ^ (ONES * '\\');
      uint64_t hits = (((quote - ONES) & ~quote) | ((slash - ONES) & ~slash) | w) & HIGHS;
      if (hits != 0) {
#if defined(__GNUC__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        return i + static_cast<size_t>(__builtin_ctzll(hits)) / 8;
#else
        break;
#endif
      }
    }
    while (i < n && p[i] != '"' && p[i] != '\\' && p[i] < 0x80) ++i;
    return i;
  }
};
struct Utf16Units {
  static constexpr size_t SIZE = 2;
  const uint8_t* p;
  char16_t operator[](size_t i) const {
    return static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
  }

  size_t FindLineEnd(size_t i, size_t n) const {
    // CR and LF have a zero high byte; most units of a line do not pass the
    // first test, which needs only the low byte.
    while (i < n && (p[2 * i] > '\r' || (p[2 * i] != '\n' && p[2 * i] != '\r') || p[2 * i + 1] != 0)) ++i;
    return i;
  }
};

bool IsBlank(char16_t u) { return u == u' ' || u == u'\t'; }

int HexValue(char16_t u) {
  if (u >= u'0' && u <= u'9') return u - u'0';
  if (u >= u'a' && u <= u'f') return u - u'a' + 10;
  if (u >= u'A' && u <= u'F') return u - u'A' + 10;
  return -1;
}

bool IsStringType(uint32_t type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Largest data a value may hold (its size travels in 32 bits).
constexpr size_t MAX_VALUE_SIZE = 0xFFFFFFF0u;

template <typename Units>
class Parser {
 public:
  Parser(const uint8_t* body, size_t count, size_t base, RegTree* tree, RegParseError* error)
      : units_{body}, body_(body), count_(count), base_(base), tree_(tree), error_(error) {}

  // Reads the header line; false when it is not one of the two headers.
  bool Header(RegDialect* dialect) {
    NextLine();
    size_t i = SkipBlanks(line_begin_);
    if (Matches(i, REGEDIT4_HEADER) && i + REGEDIT4_HEADER.size() == line_end_) {
      *dialect = RegDialect::Regedit4;
    } else if (Matches(i, VERSION5_HEADER) && i + VERSION5_HEADER.size() == line_end_) {
      *dialect = RegDialect::Version5;
    } else {
      return false;
    }
    dialect_ = *dialect;
    return true;
  }

  // Reads every line after the header; encoding tells how narrow text reads.
  bool Body(RegEncoding encoding) {
    encoding_ = encoding;
    while (next_ < count_) {
      NextLine();
      size_t i = SkipBlanks(line_begin_);
      if (i == line_end_ || units_[i] == u';') continue;
      bool ok;
      if (units_[i] == u'[') {
        ok = KeyLine(i);
      } else if (units_[i] == u'"' || units_[i] == u'@') {
        ok = ValueLine(i);
      } else {
        ok = Fail("not a key, value or comment line");
      }
      if (!ok) return false;
    }
    return true;
  }

  // Refuses the file at the current line.
  bool Fail(std::string reason) { return FailAt(line_number_, std::move(reason)); }
  // Refuses the file at what follows its last line (a new line when the last
  // one ended with a line end).
  bool FailAtEnd(std::string reason) {
    return FailAt(line_number_ + (line_end_ < count_ ? 1 : 0), std::move(reason));
  }

  // The most frequent line end; ties go to CRLF, then LF.
  RegLineEnd DominantLineEnd() const {
    if (lf_ > crlf_ && lf_ >= cr_) return RegLineEnd::Lf;
    if (cr_ > crlf_ && cr_ > lf_) return RegLineEnd::Cr;
    return RegLineEnd::CrLf;
  }

 private:
  bool FailAt(uint64_t line, std::string reason) {
    error_->line = line;
    error_->reason = std::move(reason);
    return false;
  }

  uint64_t Offset(size_t unit) const { return base_ + uint64_t(unit) * Units::SIZE; }

  // Moves to the next line (an empty one at the end of the input).
  void NextLine() {
    line_begin_ = next_;
    size_t i = units_.FindLineEnd(next_, count_);
    line_end_ = i;
    if (i == count_) {
      next_ = i;
    } else if (units_[i] == u'\r' && i + 1 < count_ && units_[i + 1] == u'\n') {
      next_ = i + 2;
      ++crlf_;
    } else {
      next_ = i + 1;
      ++(units_[i] == u'\r' ? cr_ : lf_);
    }
    ++line_number_;
  }

  size_t SkipBlanks(size_t i) const {
    while (i < line_end_ && IsBlank(units_[i])) ++i;
    return i;
  }

  bool Matches(size_t i, std::u16string_view text) const {
    if (line_end_ - i < text.size()) return false;
    for (size_t k = 0; k < text.size(); ++k) {
      if (units_[i + k] != text[k]) return false;
    }
    return true;
  }

  // True when only blanks, or blanks and a comment, follow on the line.
  bool AtLineRest(size_t i) const {
    i = SkipBlanks(i);
    return i == line_end_ || units_[i] == u';';
  }

  // Appends the text of units [a, b) to out.
  bool Decode(size_t a, size_t b, std::u16string* out) {
    if constexpr (std::is_same_v<Units, Utf16Units>) {
      for (size_t i = a; i < b; ++i) out->push_back(units_[i]);
    } else if (encoding_ == RegEncoding::Utf8) {
      if (!DecodeUtf8(body_ + a, b - a, out)) return Fail("invalid UTF-8 text");
    } else {
      DecodeCodePage(body_ + a, b - a, out);
    }
    return true;
  }

  // True when the quoted text from unit i on is narrow text whose bytes are
  // their own Latin-1 characters (Windows-1252 outside 0x80-0x9F, or the
  // ASCII part of UTF-8), with escapes Quoted would accept; *close is then
  // its closing quote and *chars, *n its text (the file's own bytes when it
  // holds no escape, else a copy with the escapes undone). Anything else, a
  // missing closing quote included, is left to Quoted.
  bool NarrowText(size_t i, size_t* close, const uint8_t** chars, size_t* n) {
    if constexpr (std::is_same_v<Units, ByteUnits>) {
      const uint8_t limit = encoding_ == RegEncoding::CodePage1252 ? 0xFF : 0x7F;
      const size_t first = i;
      bool escaped = false;
      size_t run = i;  // once escaped: the first byte not yet copied to narrow_
      while (true) {
        i = units_.SkipPlainText(i, line_end_);
        if (escaped) narrow_.insert(narrow_.end(), body_ + run, body_ + i);
        if (i == line_end_) return false;
        uint8_t b = body_[i];
        if (b == '"') {
          *close = i;
          *chars = escaped ? narrow_.data() : body_ + first;
          *n = escaped ? narrow_.size() : i - first;
          return true;
        }
        if (b != '\\') {
          // A byte from 0x80 on: its own character only in 0xA0-0xFF of
          // Windows-1252.
          if (b > limit || b <= 0x9F) return false;
          if (escaped) narrow_.push_back(b);
          run = ++i;
          continue;
        }
        if (i + 1 == line_end_) return false;
        uint8_t e = body_[i + 1];
        if (e != '\\' && e != '"' && e != 'n' && e != 'r') return false;
        if (!escaped) narrow_.assign(body_ + first, body_ + i);
        escaped = true;
        narrow_.push_back(e == 'n' ? '\n' : e == 'r' ? '\r' : e);
        i += 2;
        run = i;
      }
    }
    return false;
  }

  // Reads the quoted text whose opening quote is at i into out; *after is
  // the unit past the closing quote.
  bool Quoted(size_t i, std::u16string* out, size_t* after) {
    out->clear();
    size_t run = i + 1;
    for (size_t k = i + 1; k < line_end_;) {
      char16_t u = units_[k];
      if (u == u'"') {
        *after = k + 1;
        return Decode(run, k, out);
      }
      if (u != u'\\') {
        ++k;
        continue;
      }
      if (k + 1 == line_end_) break;
      if (!Decode(run, k, out)) return false;
      char16_t e = units_[k + 1];
      if (e == u'\\' || e == u'"') {
        out->push_back(e);
      } else if (e == u'n') {
        out->push_back(u'\n');
      } else if (e == u'r') {
        out->push_back(u'\r');
      } else {
        return Fail("unknown escape sequence in quoted text");
      }
      k += 2;
      run = k;
    }
    return Fail("quoted text without its closing quote");
  }

  bool KeyLine(size_t i) {
    size_t last = line_end_;  // the line holds '[' at i, so this stops there
    while (IsBlank(units_[last - 1])) --last;
    if (last - 1 == i || units_[last - 1] != u']') return Fail("a key line must end with ']'");
    size_t a = i + 1, b = last - 1;
    bool deletion = a < b && units_[a] == u'-';
    if (deletion) ++a;
    path_.clear();
    if (!Decode(a, b, &path_)) return false;
    std::u16string_view path = path_;
    size_t slash = path.find(u'\\');
    RegKeyNode* top = SameRootAsTrail(path, slash) ? trail_[0].key : nullptr;
    if (top == nullptr) {
      RegKey root = RegTree::RootByName(path.substr(0, slash));
      if (root == 0) return Fail("unknown root key");
      top = tree_->Root(root);
    }
    std::u16string_view below;
    if (slash != path.npos) {
      below = path.substr(slash + 1);
      if (HasEmptyComponent(below)) return Fail("empty key name in the key path");
    }
    current_ = nullptr;
    after_deletion_ = deletion;
    if (deletion) {
      if (below.empty()) return Fail("a root key cannot be deleted");
      if (RegKeyNode* doomed = tree_->Find(top, below)) tree_->DeleteKey(doomed);
      trail_.clear();
      return true;
    }
    current_ = CreateKey(top, path, slash);
    current_->layout.has_section = true;
    current_->layout.append_at = Offset(next_);
    return true;
  }

  // The number of units a and b have in common from their start, compared
  // four at a time while they agree.
  static size_t CommonPrefix(std::u16string_view a, std::u16string_view b) {
    size_t limit = a.size() < b.size() ? a.size() : b.size();
    size_t same = 0;
    for (; same + 4 <= limit; same += 4) {
      if (std::memcmp(a.data() + same, b.data() + same, 4 * sizeof(char16_t)) != 0) break;
    }
    while (same < limit && a[same] == b[same]) ++same;
    return same;
  }

  // True when the key names of path (below a root) include an empty one:
  // the path is empty, or has a backslash at either end or two in a row.
  static bool HasEmptyComponent(std::u16string_view path) {
    if (path.empty() || path.front() == u'\\' || path.back() == u'\\') return true;
    for (size_t i = 1; i < path.size(); ++i) {
      if (path[i] == u'\\' && path[i - 1] == u'\\') return true;
    }
    return false;
  }

  // True when path names its root (the units before slash) exactly as the
  // previous key line did.
  bool SameRootAsTrail(std::u16string_view path, size_t slash) const {
    size_t end = slash == path.npos ? path.size() : slash;
    return !trail_.empty() && trail_[0].end == end && trail_path_.compare(0, end, path.substr(0, end)) == 0;
  }

  // The key at path (its root's name, then the names below it from
  // position slash on), created where missing. Exports list a key's parents
  // and siblings right before it, so the walk starts from the deepest key the
  // previous key line's path shares with this one, compared unit for unit
  // (the same names lead to the same keys).
  RegKeyNode* CreateKey(RegKeyNode* top, std::u16string_view path, size_t slash) {
    size_t same = CommonPrefix(path, trail_path_);
    // trail_[d] is the key whose path ends before position trail_[d].end.
    size_t depth = 0;
    while (depth < trail_.size() && trail_[depth].end <= same &&
           (trail_[depth].end == path.size() || path[trail_[depth].end] == u'\\')) {
      ++depth;
    }
    RegKeyNode* node = top;
    size_t start = slash == path.npos ? path.size() : slash + 1;
    if (depth > 0) {
      node = trail_[depth - 1].key;
      start = trail_[depth - 1].end + 1;
    }
    trail_.resize(depth);
    if (depth == 0) trail_.push_back({slash == path.npos ? path.size() : slash, top});
    while (start < path.size()) {
      size_t end = path.find(u'\\', start);
      if (end == path.npos) end = path.size();
      node = tree_->AddSubkey(node, path.substr(start, end - start));
      trail_.push_back({end, node});
      start = end + 1;
    }
    trail_path_.assign(path);
    return node;
  }

  // The name of the value line whose name (an opening quote, or '@' for
  // the default value) starts at i; *after is the unit past it. A narrow
  // name is widened into wide_ without Quoted's decoding.
  bool ValueName(size_t i, std::u16string_view* name, size_t* after) {
    if (units_[i] == u'@') {
      *name = std::u16string_view();
      *after = i + 1;
      return true;
    }
    size_t close = 0;
    const uint8_t* chars = nullptr;
    size_t n = 0;
    if (NarrowText(i + 1, &close, &chars, &n)) {
      if (wide_.size() < n) wide_.resize(n);
      for (size_t j = 0; j < n; ++j) wide_[j] = chars[j];
      *name = std::u16string_view(wide_.data(), n);
      *after = close + 1;
      return true;
    }
    if (!Quoted(i, &name_, after)) return false;
    *name = name_;
    return true;
  }

  bool ValueLine(size_t i) {
    if (current_ == nullptr) {
      return Fail(after_deletion_ ? "a value line after a key deletion"
                                  : "a value line before any key line");
    }
    size_t k = i + 1;
    std::u16string_view name;
    if (!ValueName(i, &name, &k)) return false;
    k = SkipBlanks(k);
    if (k == line_end_ || units_[k] != u'=') return Fail("'=' expected after the value name");
    k = SkipBlanks(k + 1);
    size_t data_begin = k;
    uint64_t data_end = 0;
    uint32_t type = 0;
    bytes_.clear();
    if (k < line_end_ && units_[k] == u'-') {
      if (!AtLineRest(k + 1)) return Fail("unexpected text after '-'");
      tree_->DeleteValue(current_, name);
      current_->layout.append_at = Offset(next_);
      return true;
    }
    size_t close = 0;
    const uint8_t* chars = nullptr;
    size_t n = 0;
    if (k < line_end_ && units_[k] == u'"' && NarrowText(k + 1, &close, &chars, &n)) {
      // The common string: stored from the file's bytes without widening.
      if (!AtLineRest(close + 1)) return Fail("unexpected text after the closing quote");
      if (2 * (n + 1) > MAX_VALUE_SIZE) return Fail("value data too large");
      RegValueEntry* entry = tree_->SetLatin1Text(current_, name, REG_SZ, chars, n);
      entry->span = RegSourceSpan{Offset(data_begin), Offset(close + 1)};
      current_->layout.append_at = Offset(next_);
      return true;
    }
    if (k < line_end_ && units_[k] == u'"') {
      if (!Quoted(k, &text_, &k)) return false;
      if (!AtLineRest(k)) return Fail("unexpected text after the closing quote");
      type = REG_SZ;
      text_.push_back(u'\0');
      AppendLittleEndian(text_);
      data_end = Offset(k);
    } else if (Matches(k, u"dword:")) {
      type = REG_DWORD;
      if (!Dword(k + 6, &data_end)) return false;
    } else if (Matches(k, u"hex:")) {
      type = REG_BINARY;
      if (!Hex(k + 4, &data_end)) return false;
    } else if (Matches(k, u"hex(")) {
      size_t d = k + 4;
      while (d < line_end_ && d - (k + 4) < 9 && HexValue(units_[d]) >= 0) {
        type = type * 16 + HexValue(units_[d++]);
      }
      size_t digits = d - (k + 4);
      if (digits == 0 || digits > 8 || !Matches(d, u"):")) return Fail("malformed hex(N): type");
      if (!Hex(d + 2, &data_end)) return false;
      if (dialect_ == RegDialect::Regedit4 && IsStringType(type)) WidenCodePageBytes();
    } else {
      return Fail("unknown value data form");
    }
    if (bytes_.size() > MAX_VALUE_SIZE) return Fail("value data too large");
    RegValueEntry* entry = tree_->SetValue(current_, name, type, bytes_.data(), bytes_.size());
    entry->span = RegSourceSpan{Offset(data_begin), data_end};
    current_->layout.append_at = Offset(next_);
    return true;
  }

  bool Dword(size_t k, uint64_t* data_end) {
    k = SkipBlanks(k);
    uint32_t value = 0;
    size_t first = k;
    while (k < line_end_ && k - first < 9 && HexValue(units_[k]) >= 0) {
      value = value * 16 + HexValue(units_[k++]);
    }
    if (k == first || k - first > 8) return Fail("dword: needs 1 to 8 hex digits");
    if (!AtLineRest(k)) return Fail("unexpected text after the dword");
    *data_end = Offset(k);
    size_t at = bytes_.size();
    bytes_.resize(at + 4);
    for (int b = 0; b < 4; ++b) bytes_[at + b] = static_cast<uint8_t>(value >> (8 * b));
    return true;
  }

  // Reads comma-separated hex bytes from k on, following continuation lines.
  bool Hex(size_t k, uint64_t* data_end) {
    *data_end = Offset(k);
    while (true) {
      // The usual run, two digits and a comma again and again, in short.
      while (k + 3 <= line_end_ && units_[k + 2] == u',') {
        int high = HexValue(units_[k]);
        int low = HexValue(units_[k + 1]);
        if (high < 0 || low < 0) break;
        bytes_.push_back(static_cast<uint8_t>(high * 16 + low));
        k += 3;
        *data_end = Offset(k);
      }
      k = SkipBlanks(k);
      if (k < line_end_ && units_[k] == u'\\') {
        if (!Continue(k, data_end, &k)) return false;
        if (k == line_end_) return true;  // continued past the end of the file
        continue;
      }
      if (k == line_end_ || units_[k] == u';') return true;
      int high = HexValue(units_[k]);
      if (high < 0) return Fail("hex byte expected");
      int value = high;
      ++k;
      if (k < line_end_ && HexValue(units_[k]) >= 0) value = value * 16 + HexValue(units_[k++]);
      bytes_.push_back(static_cast<uint8_t>(value));
      *data_end = Offset(k);
      k = SkipBlanks(k);
      if (k < line_end_ && units_[k] == u',') {
        *data_end = Offset(++k);
      } else if (k < line_end_ && units_[k] != u';' && units_[k] != u'\\') {
        return Fail("',' expected between hex bytes");
      }
    }
  }

  // Handles the backslash at k: only a comment may follow it; the data goes
  // on at the first blank of the next line that is neither blank nor a
  // comment (*resume), or at the end of the input (*resume == line_end_).
  bool Continue(size_t k, uint64_t* data_end, size_t* resume) {
    if (!AtLineRest(k + 1)) return Fail("unexpected text after '\\'");
    *data_end = Offset(k + 1);
    while (next_ < count_) {
      NextLine();
      size_t i = SkipBlanks(line_begin_);
      if (i != line_end_ && units_[i] != u';') {
        *resume = i;
        return true;
      }
    }
    *resume = line_end_ = line_begin_ = count_;
    return true;
  }

  void AppendLittleEndian(std::u16string_view text) {
    size_t at = bytes_.size();
    bytes_.resize(at + 2 * text.size());
    uint8_t* out = bytes_.data() + at;
    for (char16_t u : text) {
      *out++ = static_cast<uint8_t>(u);
      *out++ = static_cast<uint8_t>(u >> 8);
    }
  }

  // Replaces bytes_ (Windows-1252 text) by its UTF-16LE form.
  void WidenCodePageBytes() {
    text_.clear();
    DecodeCodePage(bytes_.data(), bytes_.size(), &text_);
    bytes_.clear();
    AppendLittleEndian(text_);
  }

  Units units_;
  const uint8_t* body_;
  size_t count_;
  size_t base_;
  RegEncoding encoding_ = RegEncoding::CodePage1252;
  RegDialect dialect_ = RegDialect::Version5;
  RegTree* tree_;
  RegParseError* error_;

  size_t line_begin_ = 0, line_end_ = 0, next_ = 0;
  uint64_t line_number_ = 0;
  uint64_t crlf_ = 0, lf_ = 0, cr_ = 0;
  RegKeyNode* current_ = nullptr;
  bool after_deletion_ = false;
  std::u16string name_, text_, path_;
  std::vector<uint8_t> bytes_;
  // The keys along the previous key line's path, root first, each with the
  // position in trail_path_ where its part of the path ends; cleared when a
  // deletion may have removed any of them.
  struct TrailKey {
    size_t end;
    RegKeyNode* key;
  };
  std::vector<TrailKey> trail_;
  std::u16string trail_path_;
  std::vector<uint8_t> narrow_;
  std::vector<char16_t> wide_;
};

template <typename Units>
bool Parse(const uint8_t* data, size_t size, RegEncodingGuess guess, RegTree* tree,
           RegFileForm* form, RegParseError* error) {
  form->encoding = guess.encoding;
  form->bom = guess.bom;
  size_t base = form->BomSize();
  size_t count = (size - base) / Units::SIZE;
  Parser<Units> parser(data + base, count, base, tree, error);
  if (!parser.Header(&form->dialect)) {
    return parser.Fail("not a registry file: the first line is neither \"REGEDIT4\" nor "
                       "\"Windows Registry Editor Version 5.00\"");
  }
  if (form->dialect == RegDialect::Regedit4 && guess.encoding != RegEncoding::CodePage1252) {
    return parser.Fail("a REGEDIT4 file must be Windows-1252 text without a byte-order mark");
  }
  if (form->dialect == RegDialect::Version5 && guess.encoding == RegEncoding::CodePage1252) {
    form->encoding = RegEncoding::Utf8;
  }
  if (!parser.Body(form->encoding)) return false;
  if ((size - base) % Units::SIZE != 0) return parser.FailAtEnd("UTF-16 text with an odd number of bytes");
  form->line_end = parser.DominantLineEnd();
  return true;
}

}  // namespace

bool ParseRegFile(const uint8_t* data, size_t size, RegTree* tree, RegFileForm* form,
                  RegParseError* error) {
  RegEncodingGuess guess = DetectEncoding(data, size);
  if (guess.encoding == RegEncoding::Utf16Le) {
    return Parse<Utf16Units>(data, size, guess, tree, form, error);
  }
  return Parse<ByteUnits>(data, size, guess, tree, form, error);
}
