// The line-by-line reading of a registry file behind the reader's entry
// points (reg_parser.h): one Parser reads the header and the body of one
// file, or the value lines of one section of a file already checked whole.
// Internal to the registry library; include only from its reader.
#pragma once

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry/reg_parser.h"
#include "platform/registry/reg_tree.h"

namespace reg_line_parser {

inline bool IsBlank(char16_t u) { return u == u' ' || u == u'\t'; }

constexpr int HexValue(char16_t u) {
  if (u >= u'0' && u <= u'9') return u - u'0';
  if (u >= u'a' && u <= u'f') return u - u'a' + 10;
  if (u >= u'A' && u <= u'F') return u - u'A' + 10;
  return -1;
}

inline bool IsStringType(uint32_t type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// The encoding the first size bytes at start announce, into form; false
// with error set for UTF-16 big-endian text, which no registry file is.
bool TakeEncoding(const uint8_t* start, size_t size, RegFileForm* form, RegEncodingGuess* guess,
                  RegParseError* error);

// Settles form's encoding once its dialect is read from a file whose first
// bytes gave guess (a version 5.00 file of narrow text is UTF-8); the reason
// a file is refused for, or null.
const char* SettleEncoding(RegEncodingGuess guess, RegFileForm* form);

// Reads the lines of a file of UNIT-byte units (1: narrow text, 2: UTF-16LE)
// and reports them to events.
template <size_t UNIT>
class Parser {
 public:
  // line_source: what RegLineReader<UNIT> reads (a source and its first
  // bytes, or bytes in memory), with the file offset of its first byte.
  template <typename... LineSource>
  Parser(RegFileEvents& events, RegParseError* error, RegReadMode mode, LineSource&&... line_source)
      : lines_(std::forward<LineSource>(line_source)...),
        events_(events),
        error_(error),
        deferring_(mode == RegReadMode::Deferring) {}

  // Reads the header line; false when it is not one of the two headers.
  bool Header(RegDialect* dialect) {
    if (!NextLine()) {
      if (lines_.ReadError() != 0) return false;
      empty_ = true;  // an empty file: one empty line
    }
    size_t i = SkipBlanks(Begin());
    if (Matches(i, REGEDIT4_HEADER) && i + REGEDIT4_HEADER.size() == End()) {
      *dialect = RegDialect::Regedit4;
    } else if (Matches(i, VERSION5_HEADER) && i + VERSION5_HEADER.size() == End()) {
      *dialect = RegDialect::Version5;
    } else if (Matches(i, WINDOWS31_HEADER) && i + WINDOWS31_HEADER.size() == End()) {
      return Fail("not a registry file: \"REGEDIT\" heads the Windows 3.1 registration form");
    } else {
      return Fail(
          "not a registry file: the first line is neither \"REGEDIT4\" nor "
          "\"Windows Registry Editor Version 5.00\"");
    }
    dialect_ = *dialect;
    return true;
  }

  // Reads every line after the header; encoding tells how narrow text reads.
  bool Body(RegEncoding encoding) {
    encoding_ = encoding;
    while (NextLine()) {
      size_t i = SkipBlanks(Begin());
      if (IsCommentOrBlank(i)) continue;
      bool ok;
      if (Unit(i) == u'[') {
        if (section_only_) return true;
        ok = KeyLine(i);
      } else if (Unit(i) == u'"' || Unit(i) == u'@') {
        ok = ValueLine(i);
      } else {
        ok = Fail("not a key, value or comment line");
      }
      if (!ok) return false;
    }
    if (lines_.ReadError() != 0) return false;
    if (lines_.StrayByte()) {
      // The stray byte stands after the last line, or on a new one after its end.
      return FailAt(lines_.LineNumber() + (lines_.LineEnded() ? 1 : 0),
                    "UTF-16 text with an odd number of bytes");
    }
    return true;
  }

  // Reads the value lines of one section of a file of dialect and encoding,
  // opened before the first line, up to its next key line or the end.
  // Reads the one line there is as a quoted string into text, its NUL
  // appended; false when it is none.
  bool QuotedLine(RegDialect dialect, RegEncoding encoding, std::u16string* text) {
    dialect_ = dialect;
    encoding_ = encoding;
    size_t after = 0;
    if (!NextLine() || Begin() == End() || Unit(Begin()) != u'"' ||
        !Quoted(Begin(), text, &after) || after != End()) {
      return false;
    }
    text->push_back(u'\0');
    return true;
  }

  bool Section(RegDialect dialect, RegEncoding encoding) {
    dialect_ = dialect;
    section_open_ = true;
    section_only_ = true;
    return Body(encoding);
  }

  bool Fail(std::string reason) {
    return FailAt(empty_ ? 1 : lines_.LineNumber(), std::move(reason));
  }

  RegLineEnd DominantLineEnd() const { return lines_.DominantLineEnd(); }
  // RegFileForm::open_continuation of the file read.
  uint64_t OpenContinuation() const { return open_continuation_; }

 private:
  bool FailAt(uint64_t line, std::string reason) {
    error_->line = line;
    error_->reason = std::move(reason);
    return false;
  }

  char16_t Unit(size_t i) const { return lines_.Unit(i); }
  uint64_t Offset(size_t i) const { return lines_.Offset(i); }
  size_t Begin() const { return lines_.Begin(); }
  size_t End() const { return lines_.End(); }

  // Moves to the next line; false at the end of the input or when the
  // source fails (the failure then reported).
  bool NextLine() {
    if (lines_.NextLine()) return true;
    if (int read_error = lines_.ReadError()) {
      error_->read_error = read_error;
      FailAt(lines_.LineNumber() + 1, std::string("cannot read: ") + std::strerror(read_error));
    }
    return false;
  }

  size_t SkipBlanks(size_t i) const {
    while (i < End() && IsBlank(Unit(i))) ++i;
    return i;
  }

  bool Matches(size_t i, std::u16string_view text) const {
    if (End() - i < text.size()) return false;
    for (size_t k = 0; k < text.size(); ++k) {
      if (Unit(i + k) != text[k]) return false;
    }
    return true;
  }

  // True when the line from i on (past its leading blanks) is blank or a
  // comment line, which starts with ';' or '#'.
  bool IsCommentOrBlank(size_t i) const { return i == End() || Unit(i) == u';' || Unit(i) == u'#'; }

  // True when only blanks, or blanks and a comment, follow on the line.
  bool AtLineRest(size_t i) const {
    i = SkipBlanks(i);
    return i == End() || Unit(i) == u';';
  }

  // Appends the text of units [a, b) to out; with out null only checks it
  // and counts its UTF-16 units in units_.
  bool Decode(size_t a, size_t b, std::u16string* out) {
    if (out == nullptr) {
      if (UNIT == 1 && encoding_ == RegEncoding::Utf8) {
        uint64_t units = 0;
        if (CountUtf8Units(lines_.Bytes(a), b - a, &units) != b - a) {
          return Fail("invalid UTF-8 text");
        }
        units_ += units;
      } else {
        units_ += b - a;
      }
    } else if (UNIT == 2) {
      for (size_t i = a; i < b; ++i) out->push_back(Unit(i));
    } else if (encoding_ == RegEncoding::Utf8) {
      if (!DecodeUtf8(lines_.Bytes(a), b - a, out)) return Fail("invalid UTF-8 text");
    } else {
      DecodeCodePage(lines_.Bytes(a), b - a, out);
    }
    return true;
  }

  // Reads the quoted text whose opening quote is at i into out (with out
  // null: counts its units in units_); *after is the unit past the closing
  // quote.
  bool Quoted(size_t i, std::u16string* out, size_t* after) {
    if (out != nullptr) out->clear();
    units_ = 0;
    for (size_t k = i + 1;;) {
      size_t quote = lines_.Find(k, End(), u'"');
      size_t slash = lines_.Find(k, quote, u'\\');
      if (slash == quote) {
        if (quote == End()) break;
        *after = quote + 1;
        return Decode(k, quote, out);
      }
      if (slash + 1 == End()) break;
      if (!Decode(k, slash, out)) return false;
      char16_t e = Unit(slash + 1);
      if (e == u'\\' || e == u'"') {
        PutUnit(out, e);
      } else if (e == u'n' || e == u'r') {
        PutUnit(out, e == u'n' ? u'\n' : u'\r');
      } else {
        return Fail("unknown escape sequence in quoted text");
      }
      k = slash + 2;
    }
    return Fail("quoted text without its closing quote");
  }

  void PutUnit(std::u16string* out, char16_t u) {
    if (out == nullptr) {
      ++units_;
    } else {
      out->push_back(u);
    }
  }

  bool KeyLine(size_t i) {
    size_t last = End();  // the line holds '[' at i, so this stops there
    while (IsBlank(Unit(last - 1))) --last;
    if (last - 1 == i || Unit(last - 1) != u']') return Fail("a key line must end with ']'");
    size_t a = i + 1, b = last - 1;
    bool deletion = a < b && Unit(a) == u'-';
    if (deletion) ++a;
    path_.clear();
    if (!Decode(a, b, &path_)) return false;
    std::u16string_view path = path_;
    size_t slash = path.find(u'\\');
    RegKey root = RegTree::RootByName(path.substr(0, slash));
    if (root == 0) return Fail("unknown root key");
    std::u16string_view below;
    if (slash != path.npos) {
      // Backslashes that end the path name no key: "A\B\" is "A\B".
      below = path.substr(slash + 1);
      while (!below.empty() && below.back() == u'\\') below.remove_suffix(1);
      if (!RegTree::IsPlainPath(below)) return Fail("empty key name in the key path");
    }
    if (deletion && below.empty()) return Fail("a root key cannot be deleted");
    section_open_ = !deletion;
    after_deletion_ = deletion;
    events_.OnKey(root, below, deletion, lines_.NextLineOffset());
    return true;
  }

  bool ValueLine(size_t i) {
    if (!section_open_) {
      return Fail(after_deletion_ ? "a value line after a key deletion"
                                  : "a value line before any key line");
    }
    size_t k = i + 1;
    name_.clear();
    if (Unit(i) != u'@' && !Quoted(i, &name_, &k)) return false;
    k = SkipBlanks(k);
    if (k == End() || Unit(k) != u'=') return Fail("'=' expected after the value name");
    k = SkipBlanks(k + 1);
    RegSourceSpan span{Offset(k), 0};
    RegReadData data;
    bytes_.clear();
    text_.clear();
    uint64_t text_units = 0;
    if (k < End() && Unit(k) == u'-') {
      if (!AtLineRest(k + 1)) return Fail("unexpected text after '-'");
      events_.OnValueDeletion(name_, lines_.NextLineOffset());
      return true;
    }
    if (k < End() && Unit(k) == u'"') {
      data.deferred = deferring_ && End() - Begin() > REG_DEFERRED_LINE_UNITS;
      std::u16string* text = data.deferred ? nullptr : &text_;
      if (!Quoted(k, text, &k)) return false;
      if (!AtLineRest(k)) return Fail("unexpected text after the closing quote");
      if (text != nullptr) text_.push_back(u'\0');
      text_units = text == nullptr ? units_ + 1 : text_.size();
      data.type = REG_SZ;
      data.is_text = true;
      span.end = Offset(k);
    } else if (Matches(k, u"dword:")) {
      data.type = REG_DWORD;
      if (!Dword(k + 6, &span.end)) return false;
    } else if (Matches(k, u"hex:")) {
      data.type = REG_BINARY;
      if (!Hex(k + 4, &span.end)) return false;
    } else if (Matches(k, u"hex(")) {
      size_t d = k + 4;
      while (d < End() && d - (k + 4) < 9 && HexValue(Unit(d)) >= 0) {
        data.type = data.type * 16 + HexValue(Unit(d++));
      }
      size_t digits = d - (k + 4);
      if (digits == 0 || digits > 8 || !Matches(d, u"):")) return Fail("malformed hex(N): type");
      if (!Hex(d + 2, &span.end)) return false;
      bool narrow = dialect_ == RegDialect::Regedit4 && IsStringType(data.type);
      // Windows' import gives the data of these types the terminator it lacks.
      if (data.type == REG_EXPAND_SZ || data.type == REG_MULTI_SZ)
        AppendTerminator(narrow ? 1 : 2, &bytes_);
      if (narrow) {
        // narrow text, held as UTF-16 unit for unit
        DecodeCodePage(bytes_.data(), bytes_.size(), &text_);
        text_units = bytes_.size();
        data.is_text = true;
      }
    } else {
      return Fail("unknown value data form");
    }
    const uint64_t size = data.is_text ? text_units * 2 : bytes_.size();
    if (size > REG_MAX_DATA_SIZE) return Fail("value data too large");
    data.text = text_;
    data.bytes = bytes_.data();
    data.size = size;
    events_.OnValue(name_, data, span, lines_.NextLineOffset());
    return true;
  }

  bool Dword(size_t k, uint64_t* data_end) {
    k = SkipBlanks(k);
    uint32_t value = 0;
    size_t first = k;
    while (k < End() && k - first < 9 && HexValue(Unit(k)) >= 0) {
      value = value * 16 + HexValue(Unit(k++));
    }
    if (k == first || k - first > 8) return Fail("dword: needs 1 to 8 hex digits");
    if (!AtLineRest(k)) return Fail("unexpected text after the dword");
    *data_end = Offset(k);
    for (int shift = 0; shift < 32; shift += 8)
      bytes_.push_back(static_cast<uint8_t>(value >> shift));
    return true;
  }

  // Reads comma-separated hex bytes from k on, following continuation lines.
  // A backslash continues the data only where a byte could start: at the
  // data's start or after a comma, never right after a byte or at the start
  // of the line it continued onto (Windows drops such a value).
  bool Hex(size_t k, uint64_t* data_end) {
    *data_end = Offset(k);
    bool may_wrap = true;
    while (true) {
      k = SkipBlanks(k);
      if (k < End() && Unit(k) == u'\\') {
        if (!may_wrap) return Fail("a line of wrapped hex data holding only '\\'");
        uint64_t backslash = Offset(k);
        bool more = false;
        if (!Continue(k, data_end, &k, &more)) return false;
        if (!more) {
          // Continued past the end of the file.
          open_continuation_ = backslash;
          return true;
        }
        may_wrap = false;
        continue;
      }
      if (k == End() || Unit(k) == u';') return true;
      int value = HexValue(Unit(k));
      if (value < 0) return Fail("hex byte expected");
      if (++k < End() && HexValue(Unit(k)) >= 0) value = value * 16 + HexValue(Unit(k++));
      bytes_.push_back(static_cast<uint8_t>(value));
      *data_end = Offset(k);
      k = SkipBlanks(k);
      may_wrap = k < End() && Unit(k) == u',';
      if (may_wrap) {
        *data_end = Offset(++k);
      } else if (k < End() && Unit(k) == u'\\') {
        return Fail("',' expected before '\\': hex data continues only after a comma");
      } else if (k < End() && Unit(k) != u';') {
        return Fail("',' expected between hex bytes");
      }
    }
  }

  // Handles the backslash at k: only a comment may follow it; the data goes
  // on at *resume on the next line that is neither blank nor a ';' comment
  // line (*more), or ends with the input. A '#' line there is refused.
  bool Continue(size_t k, uint64_t* data_end, size_t* resume, bool* more) {
    if (!AtLineRest(k + 1)) return Fail("unexpected text after '\\'");
    *data_end = Offset(k + 1);
    while (NextLine()) {
      size_t i = SkipBlanks(Begin());
      // Windows takes a '#' line here as data and drops the value.
      if (i < End() && Unit(i) == u'#') return Fail("a '#' line inside wrapped hex data");
      if (!IsCommentOrBlank(i)) {
        *resume = i;
        *more = true;
        return true;
      }
    }
    return lines_.ReadError() == 0;
  }

  RegLineReader<UNIT> lines_;
  RegFileEvents& events_;
  RegParseError* error_;
  bool deferring_;
  bool section_only_ = false;
  uint64_t units_ = 0;  // UTF-16 units of the text last measured
  RegEncoding encoding_ = RegEncoding::CodePage1252;
  RegDialect dialect_ = RegDialect::Version5;
  bool empty_ = false;
  uint64_t open_continuation_ = 0;
  bool section_open_ = false;
  bool after_deletion_ = false;
  std::u16string name_, text_, path_;
  std::vector<uint8_t> bytes_;
};

}  // namespace reg_line_parser
