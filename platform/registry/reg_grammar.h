// The one grammar of registry files: every rule reg_parser.h states, read over
// the lines of one file in one of two readings. The building reading (BUILDS)
// decodes names, texts and bytes and reports them to RegFileEvents (the
// reader); the checking reading checks and measures them where they stand and
// reports key lines and value sections to RegIndexEvents (the index pass).
// Both refuse a file at the same line for the same reason, since both are
// these rules. Key lines are read in reg_grammar_keys.h, value lines in
// reg_grammar_values.h.
// Internal to the registry library's reader.
//
// Lines: RegLineReader (a file read piece by piece, or bytes in memory, one
// line at a time) or RegMemoryLines (a whole file in memory). Positions are
// unit indexes into Data(). They provide NextLine() (false at the end or
// when the source fails, ReadError() then non-zero), Begin() (the current
// line's first unit), Unit(i), At(i) (unit i, or a line end at or past the
// line's end), FindLineEnd(i), FinishLine(e) (the line ends at e), Data()
// and Limit() (units below it may be read a block at a time), Offset(i),
// NextLineOffset(), LineNumber(), LineEnded(), StrayByte() and
// DominantLineEnd().
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/registry/reg_file_text.h"
#include "platform/registry/reg_format_rules.h"
#include "platform/registry/reg_index_pass.h"
#include "platform/registry/reg_parser.h"
#include "platform/registry/reg_tree.h"
#include "platform/registry/reg_unit_search.h"

namespace reg_grammar {

using reg_unit_search::FindFirstOf;
using reg_unit_search::PER_BLOCK;

// The encoding the first size bytes at start announce, into form; false
// with error set for UTF-16 big-endian text, which no registry file is.
bool TakeEncoding(const uint8_t* start, size_t size, RegFileForm* form, RegEncodingGuess* guess,
                  RegParseError* error);

// Sets error to the failure of a source whose read failed with read_error
// before line.
void SetReadFailure(uint64_t line, int read_error, RegParseError* error);

template <class Lines, bool BUILDS>
class Grammar {
 public:
  static constexpr size_t UNIT = Lines::UNIT_BYTES;
  using Events = std::conditional_t<BUILDS, RegFileEvents, RegIndexEvents>;

  // lines: what Lines is made of. mode: how much a building reading builds.
  template <typename... LineSource>
  Grammar(Events& events, RegParseError* error, RegReadMode mode, LineSource&&... lines)
      : lines_(std::forward<LineSource>(lines)...),
        events_(events),
        error_(error),
        deferring_(mode == RegReadMode::Deferring) {}

  // Reads the header line and settles form's encoding (the first bytes of
  // the file gave guess): a version 5.00 file of narrow text is UTF-8.
  bool Start(RegEncodingGuess guess, RegFileForm* form) {
    if (!Header(&form->dialect)) return false;
    if (form->dialect == RegDialect::Regedit4 && guess.encoding == RegEncoding::Utf8) {
      return Fail(RegRefusal::Regedit4Utf8);
    }
    if (form->dialect == RegDialect::Version5 && guess.encoding == RegEncoding::CodePage1252) {
      form->encoding = RegEncoding::Utf8;
    }
    encoding_ = form->encoding;
    return true;
  }
  // Reads on in a key section of a file of form (a reading set it), opened
  // before the first line.
  void Resume(const RegFileForm& form) {
    dialect_ = form.dialect;
    encoding_ = form.encoding;
    section_open_ = true;
  }

  // Moves to the next line; false at the end of the input or when the source
  // fails (the failure then reported).
  bool NextLine() {
    if (lines_.NextLine()) return true;
    if (int read_error = lines_.ReadError()) {
      SetReadFailure(lines_.LineNumber() + 1, read_error, error_);
    }
    return false;
  }
  // Whether the line NextLine began is a key line.
  bool AtKeyLine() const { return At(SkipBlanks(lines_.Begin())) == u'['; }
  // Reads the line NextLine began.
  bool Line() {
    const size_t i = SkipBlanks(lines_.Begin());
    const char16_t u = At(i);
    if (IsLineEnd(u)) {
      lines_.FinishLine(i);
      return true;
    }
    if (u == u';' || u == u'#') {
      lines_.FinishLine(lines_.FindLineEnd(i));
      return true;
    }
    if (u == u'[') return KeyLine(i);
    if (u == u'"' || u == u'@') return ValueLine(i);
    return Fail(RegRefusal::NotALine);
  }
  // After the last line: whether the input ended well; sets form's line end
  // and open continuation (form may be null).
  bool Finish(RegFileForm* form) {
    if (lines_.ReadError() != 0) return false;
    if (lines_.StrayByte()) {
      // The stray byte stands after the last line, or on a new one after its end.
      return FailAt(lines_.LineNumber() + (lines_.LineEnded() ? 1 : 0), RegRefusal::OddUtf16);
    }
    if (form != nullptr) {
      form->line_end = lines_.DominantLineEnd();
      form->open_continuation = open_continuation_;
    }
    return true;
  }

  // Reads the one line there is, of a file of form, as a quoted string into
  // text, its NUL appended; false when it is none.
  bool QuotedLine(const RegFileForm& form, std::u16string* text) {
    Resume(form);
    size_t after = 0;
    if (!NextLine() || At(lines_.Begin()) != u'"' || !Quoted(lines_.Begin(), text, &after) ||
        lines_.FindLineEnd(after) != after) {
      return false;
    }
    text->push_back(u'\0');
    return true;
  }

  bool Fail(RegRefusal refusal) { return FailAt(empty_ ? 1 : lines_.LineNumber(), refusal); }

  // What the index pass's recogniser of common lines reads and reports
  // through: the lines, a key path's root, an accepted key line (already
  // finished), hex data from its "hex" on, a value line read.
  Lines& lines() { return lines_; }
  bool SectionOpen() const { return section_open_; }
  RegKey Root(size_t a, size_t b);
  void OpenSection(RegKey root, size_t below, size_t below_end, bool deletion);
  bool HexData(size_t k, bool typed);
  void SectionHoldsValues() {
    if (!section_reported_) {
      section_reported_ = true;
      events_.OnSectionValues(section_start_);
    }
  }

 private:
  bool FailAt(uint64_t line, RegRefusal refusal) {
    error_->line = line;
    error_->reason = RefusalText(refusal);
    return false;
  }

  char16_t Unit(size_t i) const { return lines_.Unit(i); }
  char16_t At(size_t i) const { return lines_.At(i); }
  uint64_t Offset(size_t i) const { return lines_.Offset(i); }
  RegFileText Text(size_t begin, size_t end) const {
    return RegFileText(lines_.Data() + begin * UNIT, end - begin, encoding_,
                       lines_.Limit() - begin);
  }
  size_t SkipBlanks(size_t i) const {
    while (IsBlank(At(i))) ++i;
    return i;
  }
  // Whether units [i, end) are exactly text.
  bool Spells(size_t i, size_t end, std::u16string_view text) const {
    return end - i == text.size() && StartsWith(i, text);
  }
  bool StartsWith(size_t i, std::u16string_view text) const {
    if (i + text.size() <= lines_.Limit()) {  // no unit past the line to stand for
      for (size_t k = 0; k < text.size(); ++k) {
        if (Unit(i + k) != text[k]) return false;
      }
      return true;
    }
    for (size_t k = 0; k < text.size(); ++k) {
      if (At(i + k) != text[k]) return false;
    }
    return true;
  }
  // Whether only blanks, or blanks and a ';' comment, follow i on the line;
  // *end is then the line's end.
  bool LineRest(size_t i, size_t* end) const {
    i = SkipBlanks(i);
    const char16_t u = At(i);
    if (IsLineEnd(u)) {
      *end = i;
      return true;
    }
    if (u != u';') return false;
    *end = lines_.FindLineEnd(i);
    return true;
  }

  bool Header(RegDialect* dialect) {
    if (!NextLine()) {
      if (lines_.ReadError() != 0) return false;
      empty_ = true;  // an empty file: one empty line
    }
    const size_t i = SkipBlanks(lines_.Begin());
    const size_t end = lines_.FindLineEnd(i);
    if (Spells(i, end, REGEDIT4_HEADER)) {
      *dialect = RegDialect::Regedit4;
    } else if (Spells(i, end, VERSION5_HEADER)) {
      *dialect = RegDialect::Version5;
    } else if (Spells(i, end, WINDOWS31_HEADER)) {
      return Fail(RegRefusal::Windows31Header);
    } else {
      return Fail(RegRefusal::NoHeader);
    }
    dialect_ = *dialect;
    lines_.FinishLine(end);
    return true;
  }

  bool KeyLine(size_t i);
  RegKey ReadRoot(size_t a, size_t b) const;
  bool DoubledBackslash(size_t a, size_t b) const;

  // Text of the units [a, b) between escapes: appended to out, or with out
  // null checked and its UTF-16 units counted in *units.
  bool ReadSpan(size_t a, size_t b, std::u16string* out, uint64_t* units) {
    if (BUILDS && out != nullptr) {
      if (UNIT == 2) {
        for (size_t i = a; i < b; ++i) out->push_back(Unit(i));
      } else if (encoding_ == RegEncoding::Utf8) {
        if (!DecodeUtf8(lines_.Data() + a, b - a, out)) return Fail(RegRefusal::InvalidUtf8);
      } else {
        DecodeCodePage(lines_.Data() + a, b - a, out);
      }
    } else if (UNIT == 1 && encoding_ == RegEncoding::Utf8) {
      if (CountUtf8Units(lines_.Data() + a, b - a, units) != b - a) {
        return Fail(RegRefusal::InvalidUtf8);
      }
    } else {
      *units += b - a;
    }
    return true;
  }

  // Reads the quoted text whose opening quote is at i into out (with out
  // null: checks it and counts its units in units_); *after is the unit past
  // the closing quote.
  bool Quoted(size_t i, std::u16string* out, size_t* after) {
#if REG_UNIT_BLOCKS
    // Most narrow quoted text (names above all) closes within the block
    // after its opening quote, with no escape before; the rest is read out of
    // line. (UTF-16 text, eight units a block, mostly outgrows one.)
    const size_t k = i + 1;
    if (!BUILDS && UNIT == 1 && encoding_ != RegEncoding::Utf8 &&
        k + PER_BLOCK<UNIT> <= lines_.Limit()) {
      const unsigned bits =
          reg_unit_search::StopBits<UNIT, u'"', u'\\', u'\r', u'\n'>(lines_.Data(), k);
      const size_t stop = k + static_cast<size_t>(__builtin_ctz(bits | 0x10000)) / UNIT;
      if (stop < k + PER_BLOCK<UNIT> && Unit(stop) == u'"') {
        units_ = stop - k;
        *after = stop + 1;
        return true;
      }
    }
    if (UNIT == 1 && !BUILDS) return QuotedOutOfLine(i, out, after);
#endif
    return QuotedWithStops(i, out, after);
  }
  [[gnu::noinline]] bool QuotedOutOfLine(size_t i, std::u16string* out, size_t* after) {
    return QuotedWithStops(i, out, after);
  }
  bool QuotedWithStops(size_t i, std::u16string* out, size_t* after);

  enum class QuotedStop { Closed, Escape, Refused };
  // What the stop of quoted text at stop does, the text since *span read
  // (with out null: its units counted in *units): the closing quote (*after
  // past it), an escape (its unit read, *span past it), or a refusal (error
  // set).
  QuotedStop AtQuotedStop(size_t stop, size_t* span, std::u16string* out, uint64_t* units,
                          size_t* after) {
    const char16_t u = At(stop);
    if (u == u'"') {
      if (!ReadSpan(*span, stop, out, units)) return QuotedStop::Refused;
      *after = stop + 1;
      return QuotedStop::Closed;
    }
    const char16_t e = At(stop + 1);
    if (u != u'\\' || IsLineEnd(e)) {
      Fail(RegRefusal::UnclosedQuote);
      return QuotedStop::Refused;
    }
    if (!ReadSpan(*span, stop, out, units)) return QuotedStop::Refused;
    const char16_t unit = EscapedUnit(e);
    if (unit == 0) {
      Fail(RegRefusal::UnknownEscape);
      return QuotedStop::Refused;
    }
    if (BUILDS && out != nullptr) {
      out->push_back(unit);
    } else {
      ++*units;
    }
    *span = stop + 2;
    return QuotedStop::Escape;
  }

  bool ValueLine(size_t i);
  bool ValueData(size_t k);
  bool Report(RegReadData& data, uint64_t size, size_t end, RegSourceSpan span);
  bool Dword(size_t k, size_t* end, uint64_t* data_end);
  bool TypedHex(size_t d, RegReadData* data, uint64_t* size, size_t* end, uint64_t* data_end);
  [[gnu::noinline]] bool Hex(size_t k, uint64_t* size, size_t* end, uint64_t* data_end,
                             uint16_t* last_two = nullptr);
  size_t PairRun(size_t k) const;
  bool Continue(size_t k, size_t* resume, bool* more, uint64_t* data_end);
  // The byte the two hex digits at k spell.
  int ByteAt(size_t k) const { return HexValue(Unit(k)) << 4 | HexValue(Unit(k + 1)); }

  Lines lines_;
  Events& events_;
  RegParseError* error_;
  const bool deferring_;
  RegEncoding encoding_ = RegEncoding::CodePage1252;
  RegDialect dialect_ = RegDialect::Version5;
  bool empty_ = false;
  uint64_t open_continuation_ = 0;  // RegFileForm::open_continuation
  uint64_t units_ = 0;              // UTF-16 units of the text last measured
  bool section_open_ = false;
  bool after_deletion_ = false;
  // The checking reading: where the open section's value lines start, and
  // whether that was reported.
  uint64_t section_start_ = 0;
  bool section_reported_ = false;
  // The root the last key line named, spelled as root_text_ (checking only:
  // a building reading's lines may move).
  RegKey root_ = 0;
  const uint8_t* root_text_ = nullptr;
  size_t root_units_ = 0;
  // The building reading: the last key path, value name, text and bytes.
  std::u16string path_, name_, text_;
  std::vector<uint8_t> bytes_;
};

template <class Lines, bool BUILDS>
inline bool Grammar<Lines, BUILDS>::QuotedWithStops(size_t i, std::u16string* out, size_t* after) {
  if (BUILDS && out != nullptr) out->clear();
  const uint8_t* data = lines_.Data();
  const size_t limit = lines_.Limit();
  uint64_t units = 0;
  size_t span = i + 1;  // the text since the last escape
  size_t k = span;
#if REG_UNIT_BLOCKS
  // The stops are read block by block, an escape's second unit dropped from
  // its block.
  while (k + PER_BLOCK<UNIT> <= limit) {
    unsigned bits = reg_unit_search::StopBits<UNIT, u'"', u'\\', u'\r', u'\n'>(data, k);
    size_t next = k + PER_BLOCK<UNIT>;
    while (bits != 0) {
      const size_t stop = k + static_cast<size_t>(__builtin_ctz(bits)) / UNIT;
      const QuotedStop what = AtQuotedStop(stop, &span, out, &units, after);
      if (what != QuotedStop::Escape) {
        units_ = units;
        return what == QuotedStop::Closed;
      }
      const size_t through = (span - k) * UNIT;  // bytes through the escaped unit
      if (through >= 16) {
        next = span;
        break;
      }
      bits &= ~0u << through;
    }
    k = next;
  }
#endif
  while (true) {
    const size_t stop = FindFirstOf<UNIT, u'"', u'\\', u'\r', u'\n'>(data, k, limit);
    const QuotedStop what = AtQuotedStop(stop, &span, out, &units, after);
    if (what != QuotedStop::Escape) {
      units_ = units;
      return what == QuotedStop::Closed;
    }
    k = span;
  }
}

}  // namespace reg_grammar

#include "platform/registry/reg_grammar_keys.h"
#include "platform/registry/reg_grammar_values.h"
