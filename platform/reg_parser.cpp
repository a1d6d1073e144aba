#include "platform/reg_parser.h"

#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

// Character units of the file after its byte-order mark.
struct ByteUnits {
  static constexpr size_t SIZE = 1;
  const uint8_t* p;
  char16_t operator[](size_t i) const { return p[i]; }
};
struct Utf16Units {
  static constexpr size_t SIZE = 2;
  const uint8_t* p;
  char16_t operator[](size_t i) const {
    return static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
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
    size_t i = next_;
    while (i < count_ && units_[i] != u'\n' && units_[i] != u'\r') ++i;
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
    RegKey root = RegTree::RootByName(path.substr(0, slash));
    if (root == 0) return Fail("unknown root key");
    std::u16string_view below;
    if (slash != path.npos) {
      below = path.substr(slash + 1);
      if (below.empty() || below.front() == u'\\' || below.back() == u'\\' ||
          below.find(u"\\\\") != below.npos) {
        return Fail("empty key name in the key path");
      }
    }
    RegKeyNode* top = tree_->Root(root);
    current_ = nullptr;
    after_deletion_ = deletion;
    if (deletion) {
      if (below.empty()) return Fail("a root key cannot be deleted");
      if (RegKeyNode* doomed = tree_->Find(top, below)) tree_->DeleteKey(doomed);
      return true;
    }
    current_ = tree_->Create(top, below);
    current_->layout.has_section = true;
    current_->layout.append_at = Offset(next_);
    return true;
  }

  bool ValueLine(size_t i) {
    if (current_ == nullptr) {
      return Fail(after_deletion_ ? "a value line after a key deletion"
                                  : "a value line before any key line");
    }
    size_t k = i + 1;
    if (units_[i] == u'@') {
      name_.clear();
    } else if (!Quoted(i, &name_, &k)) {
      return false;
    }
    k = SkipBlanks(k);
    if (k == line_end_ || units_[k] != u'=') return Fail("'=' expected after the value name");
    k = SkipBlanks(k + 1);
    size_t data_begin = k;
    uint64_t data_end = 0;
    uint32_t type = 0;
    bytes_.clear();
    if (k < line_end_ && units_[k] == u'-') {
      if (!AtLineRest(k + 1)) return Fail("unexpected text after '-'");
      tree_->DeleteValue(current_, name_);
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
    RegValueEntry* entry = tree_->SetValue(current_, name_, type, bytes_.data(), bytes_.size());
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
    for (int shift = 0; shift < 32; shift += 8) bytes_.push_back(static_cast<uint8_t>(value >> shift));
    return true;
  }

  // Reads comma-separated hex bytes from k on, following continuation lines.
  bool Hex(size_t k, uint64_t* data_end) {
    *data_end = Offset(k);
    while (true) {
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
    for (char16_t u : text) {
      bytes_.push_back(static_cast<uint8_t>(u));
      bytes_.push_back(static_cast<uint8_t>(u >> 8));
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
