// About 480 lines: the pass is one class holding the whole grammar of a line,
// as the reader's own parser (reg_line_parser.h) does, so that each rule reads
// beside the line state it shares with the others and beside the reader's.
#include "platform/registry/reg_index_pass.h"

#include <cstring>
#include <iterator>
#include <string_view>

#include "platform/registry/reg_line_parser.h"
#include "platform/registry/reg_tree.h"
#include "platform/registry/reg_unit_search.h"

namespace {

using reg_unit_search::BitsOf;
using reg_unit_search::FindFirstOf;
using reg_unit_search::PER_BLOCK;
using reg_unit_search::StopBits;
using reg_unit_search::StopBits32;
using namespace std::string_view_literals;

// The value of each hex digit by its unit, -1 for any other unit below 256
// (so that narrow units, all below 256, need no range check).
struct HexDigits {
  int8_t value[256];
  constexpr HexDigits() : value() {
    for (int u = 0; u < 256; ++u) value[u] = static_cast<int8_t>(reg_line_parser::HexValue(u));
  }
};
constexpr HexDigits HEX_DIGITS;

// Whether the n bytes at p and q are alike: read in pieces of eight, the
// last overlapping the one before, when there are eight or more.
inline bool SameBytes(const uint8_t* p, const uint8_t* q, size_t n) {
  if (n < 8) return std::memcmp(p, q, n) == 0;
  const auto piece = [](const uint8_t* at) {
    uint64_t bytes;
    std::memcpy(&bytes, at, 8);
    return bytes;
  };
  uint64_t differ = piece(p + n - 8) ^ piece(q + n - 8);
  for (size_t i = 0; i + 8 < n; i += 8) differ |= piece(p + i) ^ piece(q + i);
  return differ == 0;
}

inline int HexValue(char16_t u) { return u < 256 ? HEX_DIGITS.value[u] : -1; }
inline bool IsBlank(char16_t u) { return u == u' ' || u == u'\t'; }
inline bool IsLineEnd(char16_t u) { return u == u'\n' || u == u'\r'; }

// The pass over a file of UNIT-byte units. Positions are unit indexes into
// the file's units after its mark. The current line starts at line_start_;
// the end of the input reads as a line end (At), so every rule that stops at
// a line's end stops there too.
template <size_t UNIT>
class IndexPass {
 public:
  IndexPass(const uint8_t* data, size_t size, uint64_t base, RegIndexEvents& events,
            RegParseError* error)
      : data_(data),
        count_(size / UNIT),
        stray_(size % UNIT != 0),
        base_(base),
        events_(events),
        error_(error) {}

  // Reads the header line; false when it is not one of the two headers.
  bool Header(RegDialect* dialect) {
    line_ = 1;
    const size_t end = FindLineEnd(0);
    const size_t i = SkipBlanks(0);
    if (Spells(i, end, REGEDIT4_HEADER)) {
      *dialect = RegDialect::Regedit4;
    } else if (Spells(i, end, VERSION5_HEADER)) {
      *dialect = RegDialect::Version5;
    } else if (Spells(i, end, WINDOWS31_HEADER)) {
      return Fail("not a registry file: \"REGEDIT\" heads the Windows 3.1 registration form");
    } else {
      return Fail(
          "not a registry file: the first line is neither \"REGEDIT4\" nor "
          "\"Windows Registry Editor Version 5.00\"");
    }
    dialect_ = *dialect;
    FinishLine(end);
    return true;
  }

  // Checks every line after the header; encoding tells how narrow text reads.
  bool Body(RegEncoding encoding) {
    encoding_ = encoding;
    // CommonLine reads narrow lines (not UTF-8) that start 64 units or more
    // before the input's end.
    const size_t common_before =
        UNIT == 1 && encoding != RegEncoding::Utf8 && count_ >= 64 ? count_ - 63 : 0;
    while (line_start_ < count_) {
      if (line_start_ < common_before) {
        const Common common = CommonLine();
        if (common == Common::Refused) return false;
        if (common == Common::Read) continue;
      }
      ++line_;
      const size_t i = SkipBlanks(line_start_);
      const char16_t u = At(i);
      bool ok = true;
      if (IsLineEnd(u)) {
        FinishLine(i);
      } else if (u == u';' || u == u'#') {
        FinishLine(FindLineEnd(i));
      } else if (u == u'[') {
        ok = KeyLine(i);
      } else if (u == u'"' || u == u'@') {
        ok = ValueLine(i);
      } else {
        ok = Fail("not a key, value or comment line");
      }
      if (!ok) return false;
    }
    // The stray byte stands after the last line, or on a new one after its end.
    if (stray_) return FailAt(line_ + (ended_ ? 1 : 0), "UTF-16 text with an odd number of bytes");
    return true;
  }

  bool Fail(const char* reason) { return FailAt(line_, reason); }

  RegLineEnd DominantLineEnd() const {
    if (lf_ > crlf_ && lf_ >= cr_) return RegLineEnd::Lf;
    if (cr_ > crlf_ && cr_ > lf_) return RegLineEnd::Cr;
    return RegLineEnd::CrLf;
  }
  uint64_t OpenContinuation() const { return open_continuation_; }

 private:
  bool FailAt(uint64_t line, const char* reason) {
    error_->line = line;
    error_->reason = reason;
    return false;
  }

  char16_t Unit(size_t i) const { return reg_unit_search::UnitAt<UNIT>(data_, i); }
  // Unit i, or a line end past the input.
  char16_t At(size_t i) const { return i < count_ ? Unit(i) : u'\n'; }
  uint64_t Offset(size_t i) const { return base_ + uint64_t(i) * UNIT; }
  RegFileText Text(size_t begin, size_t end) const {
    return RegFileText(data_ + begin * UNIT, end - begin, encoding_, count_ - begin);
  }

  size_t SkipBlanks(size_t i) const {
    while (IsBlank(At(i))) ++i;
    return i;
  }
  // The line end at or after i (count_ at the end of the input).
  size_t FindLineEnd(size_t i) const { return FindFirstOf<UNIT, u'\r', u'\n'>(data_, i, count_); }

  // Ends the current line at its line end e and moves to the next line.
  void FinishLine(size_t e) {
    if (e >= count_) {
      // A line consumed to the input's end keeps what its own end was.
      if (line_start_ < count_) ended_ = false;
      line_start_ = count_;
      return;
    }
    FinishLineBefore(e);
  }
  // FinishLine for a line end e within the input.
  void FinishLineBefore(size_t e) {
    ended_ = true;
    if (Unit(e) == u'\r' && e + 1 < count_ && Unit(e + 1) == u'\n') {
      ++crlf_;
      line_start_ = e + 2;
    } else if (Unit(e) == u'\n') {
      ++lf_;
      line_start_ = e + 1;
    } else {
      ++cr_;
      line_start_ = e + 1;
    }
  }

  // Reads the line at line_start_ when it is one of the forms exports mostly
  // hold, in narrow text, checked from the bits of its bytes (StopBits):
  // a blank line; "[path]"; a value named by quoted text without escapes or
  // by '@', then '=' and quoted text or "dword:" and eight digits, each line
  // ending right after its data, or hex data (read by Hex). Other: any other
  // line, and every line refused but for its hex data, left to the rules of
  // Body, with nothing read.
  enum class Common { Other, Read, Refused };
  Common CommonLine() {
#if REG_UNIT_BLOCKS
    if constexpr (UNIT == 1) {
      const size_t s = line_start_;
      const uint8_t first = data_[s];
      if (IsLineEnd(first)) {
        ++line_;
        FinishLineBefore(s);
        return Common::Read;
      }
      if (first == '"' || first == '@') return CommonValueLine(s);
      if (first != '[') return Common::Other;
      uint64_t ends = StopBits32<u'\r', u'\n'>(data_, s);
      if (ends == 0) ends = uint64_t(StopBits32<u'\r', u'\n'>(data_, s + 32)) << 32;
      if (ends == 0) return Common::Other;
      return CommonKeyLine(s, static_cast<size_t>(__builtin_ctzll(ends))) ? Common::Read
                                                                           : Common::Other;
    }
#endif
    return Common::Other;
  }

#if REG_UNIT_BLOCKS
  // CommonLine's key line of length units at s.
  bool CommonKeyLine(size_t s, size_t length) {
    const uint8_t* line = data_ + s;
    // A deletion's "-" before its root names no root: Root refuses it below.
    if (line[length - 1] != ']') return false;
    const size_t a = s + 1, b = s + length - 1;
    uint64_t slashes = StopBits32<u'\\'>(data_, s);
    if (length > 32) slashes |= uint64_t(StopBits32<u'\\'>(data_, s + 32)) << 32;
    slashes &= (uint64_t(1) << (length - 1)) - 1;
    const size_t slash = slashes == 0 ? b : s + static_cast<size_t>(__builtin_ctzll(slashes));
    const RegKey root = Root(a, slash);
    if (root == 0) return false;
    size_t below = b;
    if (slash != b) {
      // No empty name: no backslash last, none beside another.
      if (line[length - 2] == '\\' || (slashes & (slashes >> 1)) != 0) return false;
      below = slash + 1;
    }
    ++line_;
    FinishLineBefore(s + length);
    section_start_ = line_start_;
    section_open_ = true;
    after_deletion_ = false;
    section_reported_ = false;
    events_.OnKey(root, Text(below, b), false);
    return true;
  }

  // CommonLine's value line at s. Its name and '=' stand in its first 32
  // units; hex data is read by Hex from there, the rest from the bits of the
  // line's units up to its end.
  Common CommonValueLine(size_t s) {
    constexpr Common OTHER = Common::Other;
    if (!section_open_) return OTHER;
    const uint8_t* line = data_ + s;
    const uint64_t first_ends = StopBits32<u'\r', u'\n'>(data_, s);
    uint64_t stops = StopBits32<u'"', u'\\'>(data_, s);
    size_t k = 1;  // past '@'
    if (line[0] == '"') {
      stops &= stops - 1;  // the opening quote
      if (stops == 0) return OTHER;
      k = static_cast<size_t>(__builtin_ctzll(stops));
      if (line[k] != '"') return OTHER;
      stops &= stops - 1;
      ++k;
    }
    if (line[k] != '=') return OTHER;
    ++k;
    if (line[k] == 'h') {
      // No line end before the data: the name, '=' and "hex:" or "hex(".
      if (k + 4 > 32 || (first_ends & ((uint64_t(1) << (k + 4)) - 1)) != 0) return OTHER;
      if (std::memcmp(line + k, "hex", 3) != 0 || (line[k + 3] != ':' && line[k + 3] != '(')) {
        return OTHER;
      }
      ++line_;
      size_t end = 0;
      uint64_t size = 0;
      const bool read = line[k + 3] == ':' ? Hex(s + k + 4, &size, &end) : TypedHex(s + k + 4, &size, &end);
      if (!read) return Common::Refused;
      if (size > REG_MAX_DATA_SIZE) {
        Fail("value data too large");
        return Common::Refused;
      }
      EndValueLine(end);
      return Common::Read;
    }
    uint64_t ends = first_ends;
    if (ends == 0) {
      ends = uint64_t(StopBits32<u'\r', u'\n'>(data_, s + 32)) << 32;
      if (ends == 0) return OTHER;
      stops |= uint64_t(StopBits32<u'"', u'\\'>(data_, s + 32)) << 32;
    }
    // The units before the line end. A line end before the data fails the
    // checks below: no stop is left after it for quoted text, and a dword's
    // line has its own length.
    const size_t length = static_cast<size_t>(__builtin_ctzll(ends));
    stops &= (uint64_t(1) << length) - 1;
    if (line[k] == '"') {
      stops &= stops - 1;  // the opening quote, at k
      while (true) {
        if (stops == 0) return OTHER;
        const size_t j = static_cast<size_t>(__builtin_ctzll(stops));
        if (line[j] == '"') {
          if (j + 1 != length) return OTHER;
          break;
        }
        const uint8_t e = line[j + 1];
        if (e != '\\' && e != '"' && e != 'n' && e != 'r') return OTHER;
        stops &= stops - 1;
        stops &= ~(uint64_t(1) << (j + 1));  // the escaped unit
      }
    } else if (line[k] == 'd') {
      if (length != k + 14 || std::memcmp(line + k, "dword:", 6) != 0 || !AllHex<8>(s + k + 6)) {
        return OTHER;
      }
    } else {
      return OTHER;
    }
    ++line_;
    EndValueLine(s + length);
    return Common::Read;
  }
#endif

  // Whether units [i, end) are exactly text.
  bool Spells(size_t i, size_t end, std::u16string_view text) const {
    return end - i == text.size() && StartsWith(i, text);
  }
  bool StartsWith(size_t i, std::u16string_view text) const {
    if (i + text.size() <= count_) {  // no unit past the input to stand for
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
    *end = FindLineEnd(i);
    return true;
  }

  // Checks the text of units [a, b) and adds its UTF-16 units to units_.
  bool Measure(size_t a, size_t b) {
    if (UNIT == 1 && encoding_ == RegEncoding::Utf8) {
      if (CountUtf8Units(data_ + a, b - a, &units_) != b - a) return Fail("invalid UTF-8 text");
    } else {
      units_ += b - a;
    }
    return true;
  }

  // Checks the quoted text whose opening quote is at i and measures it in
  // units_; *after is the unit past the closing quote.
  bool Quoted(size_t i, size_t* after) {
#if REG_UNIT_BLOCKS
    // Most narrow quoted text (names above all) closes within the block
    // after its opening quote, with no escape before; the rest is read out of
    // line. (UTF-16 text, eight units a block, mostly outgrows one.)
    if (UNIT == 2) return QuotedWithStops(i, after);
    const size_t k = i + 1;
    if (encoding_ != RegEncoding::Utf8 && k + PER_BLOCK<UNIT> <= count_) {
      const unsigned bits = StopBits<UNIT, u'"', u'\\', u'\r', u'\n'>(data_, k);
      const size_t stop = k + static_cast<size_t>(__builtin_ctz(bits | 0x10000)) / UNIT;
      if (stop < k + PER_BLOCK<UNIT> && Unit(stop) == u'"') {
        units_ = stop - k;
        *after = stop + 1;
        return true;
      }
    }
#endif
    return QuotedOutOfLine(i, after);
  }
  [[gnu::noinline]] bool QuotedOutOfLine(size_t i, size_t* after) {
    return QuotedWithStops(i, after);
  }

  // Quoted for any text: stops read block by block.
  bool QuotedWithStops(size_t i, size_t* after) {
    if (UNIT == 1 && encoding_ == RegEncoding::Utf8) return QuotedUtf8(i, after);
    // Each unit is one UTF-16 unit, each escape two for one: the stops are
    // read block by block, an escape's second unit dropped from its block.
    size_t escapes = 0;
    size_t k = i + 1;
#if REG_UNIT_BLOCKS
    while (k + PER_BLOCK<UNIT> <= count_) {
      unsigned bits = StopBits<UNIT, u'"', u'\\', u'\r', u'\n'>(data_, k);
      size_t next = k + PER_BLOCK<UNIT>;
      while (bits != 0) {
        const size_t stop = k + static_cast<size_t>(__builtin_ctz(bits)) / UNIT;
        const QuotedStop what = AtQuotedStop(stop, i, escapes, after);
        if (what != QuotedStop::Escape) return what == QuotedStop::Closed;
        ++escapes;
        const size_t through = (stop + 2 - k) * UNIT;  // bytes through the escaped unit
        if (through >= 16) {
          next = stop + 2;
          break;
        }
        bits &= ~0u << through;
      }
      k = next;
    }
#endif
    while (true) {
      const size_t stop = FindFirstOf<UNIT, u'"', u'\\', u'\r', u'\n'>(data_, k, count_);
      const QuotedStop what = AtQuotedStop(stop, i, escapes, after);
      if (what != QuotedStop::Escape) return what == QuotedStop::Closed;
      ++escapes;
      k = stop + 2;
    }
  }

  enum class QuotedStop { Closed, Escape, Refused };
  // What the stop of the text quoted at open does: the closing quote
  // (measured, *after past it), an escape, or a refusal (error set).
  QuotedStop AtQuotedStop(size_t stop, size_t open, size_t escapes, size_t* after) {
    const char16_t u = At(stop);
    if (u == u'"') {
      units_ = stop - open - 1 - escapes;
      *after = stop + 1;
      return QuotedStop::Closed;
    }
    const char16_t e = At(stop + 1);
    if (u != u'\\' || IsLineEnd(e)) {
      Fail("quoted text without its closing quote");
      return QuotedStop::Refused;
    }
    if (e != u'\\' && e != u'"' && e != u'n' && e != u'r') {
      Fail("unknown escape sequence in quoted text");
      return QuotedStop::Refused;
    }
    return QuotedStop::Escape;
  }

  // Quoted for UTF-8 text, whose units are counted and checked span by span.
  bool QuotedUtf8(size_t i, size_t* after) {
    units_ = 0;
    for (size_t k = i + 1;;) {
      const size_t stop = FindFirstOf<UNIT, u'"', u'\\', u'\r', u'\n'>(data_, k, count_);
      const char16_t u = At(stop);
      if (u == u'"') {
        *after = stop + 1;
        return Measure(k, stop);
      }
      if (u != u'\\') break;
      const char16_t e = At(stop + 1);
      if (IsLineEnd(e)) break;
      if (!Measure(k, stop)) return false;
      if (e != u'\\' && e != u'"' && e != u'n' && e != u'r') {
        return Fail("unknown escape sequence in quoted text");
      }
      ++units_;
      k = stop + 2;
    }
    return Fail("quoted text without its closing quote");
  }

  // The root a key path's first name [a, b) names, or 0. Keys of one root
  // mostly follow each other: the last name read is tried first.
  RegKey Root(size_t a, size_t b) {
    if (root_text_ != nullptr && b - a == root_units_ &&
        SameBytes(data_ + a * UNIT, root_text_, (b - a) * UNIT)) {
      return root_;
    }
    root_ = ReadRoot(a, b);
    root_text_ = data_ + a * UNIT;
    root_units_ = b - a;
    return root_;
  }
  RegKey ReadRoot(size_t a, size_t b) const {
    static const RegKey ROOTS[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE,
                                   HKEY_USERS, HKEY_CURRENT_CONFIG};
    static const std::u16string_view NAMES[] = {
        RegTree::RootName(ROOTS[0]), RegTree::RootName(ROOTS[1]), RegTree::RootName(ROOTS[2]),
        RegTree::RootName(ROOTS[3]), RegTree::RootName(ROOTS[4])};
    for (size_t r = 0; r < std::size(ROOTS); ++r) {
      if (Spells(a, b, NAMES[r])) return ROOTS[r];  // files spell roots in capitals
    }
    std::u16string name;
    Text(a, b).Decode(0, b - a, &name);
    return RegTree::RootByName(name);
  }

  bool KeyLine(size_t i) {
    const size_t end = FindLineEnd(i);
    size_t last = end;  // the line holds '[' at i, so this stops there
    while (IsBlank(Unit(last - 1))) --last;
    if (last - 1 == i || Unit(last - 1) != u']') return Fail("a key line must end with ']'");
    size_t a = i + 1, b = last - 1;
    const bool deletion = a < b && Unit(a) == u'-';
    if (deletion) ++a;
    if (UNIT == 1 && encoding_ == RegEncoding::Utf8) {
      uint64_t units = 0;
      if (CountUtf8Units(data_ + a, b - a, &units) != b - a) return Fail("invalid UTF-8 text");
    }
    const size_t slash = FindFirstOf<UNIT, u'\\'>(data_, a, b);
    const RegKey root = Root(a, slash);
    if (root == 0) return Fail("unknown root key");
    size_t below = b, below_end = b;
    if (slash != b) {
      // Backslashes that end the path name no key: "A\B\" is "A\B".
      below = slash + 1;
      while (below_end > below && Unit(below_end - 1) == u'\\') --below_end;
      if (below_end > below && Unit(below) == u'\\') return Fail("empty key name in the key path");
      if (DoubledBackslash(below, below_end)) return Fail("empty key name in the key path");
    }
    if (deletion && below == below_end) return Fail("a root key cannot be deleted");
    FinishLine(end);
    section_start_ = line_start_;
    section_open_ = !deletion;
    after_deletion_ = deletion;
    section_reported_ = false;
    events_.OnKey(root, Text(below, below_end), deletion);
    return true;
  }

  // Whether two backslashes stand side by side in units [a, b).
  bool DoubledBackslash(size_t a, size_t b) const {
    bool after_backslash = false;
    size_t k = a;
#if REG_UNIT_BLOCKS
    for (; k + PER_BLOCK<UNIT> <= b; k += PER_BLOCK<UNIT>) {
      const unsigned bits = StopBits<UNIT, u'\\'>(data_, k);
      if ((bits & (bits >> UNIT)) != 0 || (after_backslash && (bits & 1) != 0)) return true;
      after_backslash = (bits >> 15) != 0;
    }
#endif
    for (; k < b; ++k) {
      const bool backslash = Unit(k) == u'\\';
      if (backslash && after_backslash) return true;
      after_backslash = backslash;
    }
    return false;
  }

  bool ValueLine(size_t i) {
    if (!section_open_) {
      return Fail(after_deletion_ ? "a value line after a key deletion"
                                  : "a value line before any key line");
    }
    size_t k = i + 1;
    if (Unit(i) != u'@' && !Quoted(i, &k)) return false;
    k = SkipBlanks(k);
    if (At(k) != u'=') return Fail("'=' expected after the value name");
    k = SkipBlanks(k + 1);
    size_t end = 0;
    uint64_t size = 0;
    const char16_t u = At(k);
    if (u == u'-') {
      if (!LineRest(k + 1, &end)) return Fail("unexpected text after '-'");
    } else if (u == u'"') {
      if (!Quoted(k, &k)) return false;
      if (!LineRest(k, &end)) return Fail("unexpected text after the closing quote");
      size = (units_ + 1) * 2;
    } else if (u == u'd' && StartsWith(k, u"dword:"sv)) {
      if (!Dword(k + 6, &end)) return false;
      size = 4;
    } else if (u == u'h' && StartsWith(k, u"hex:"sv)) {
      if (!Hex(k + 4, &size, &end)) return false;
    } else if (u == u'h' && StartsWith(k, u"hex("sv)) {
      if (!TypedHex(k + 4, &size, &end)) return false;
    } else {
      return Fail("unknown value data form");
    }
    if (size > REG_MAX_DATA_SIZE) return Fail("value data too large");
    EndValueLine(end);
    return true;
  }

  // Ends a value line at its line end e; its section holds values.
  void EndValueLine(size_t e) {
    FinishLine(e);
    if (!section_reported_) {
      section_reported_ = true;
      events_.OnSectionValues(Offset(section_start_));
    }
  }

  bool Dword(size_t k, size_t* end) {
    k = SkipBlanks(k);
    const size_t first = k;
    if (k + 8 <= count_ && AllHex<8>(k)) {
      k += 8;  // the common form: eight digits
    }
    while (k - first < 9 && HexValue(At(k)) >= 0) ++k;
    if (k == first || k - first > 8) return Fail("dword: needs 1 to 8 hex digits");
    if (!LineRest(k, end)) return Fail("unexpected text after the dword");
    return true;
  }

  // "N):" and the bytes of hex(N) data from d on; *size as the reader gives
  // the data (a REGEDIT4 file's narrow text held as UTF-16, a NUL appended to
  // unterminated hex(2) and hex(7) data).
  bool TypedHex(size_t d, uint64_t* size, size_t* end) {
    const size_t first = d;
    uint32_t type = 0;
    while (d - first < 9 && HexValue(At(d)) >= 0) type = type * 16 + HexValue(At(d++));
    if (d == first || d - first > 8 || !StartsWith(d, u"):"sv)) {
      return Fail("malformed hex(N): type");
    }
    uint16_t last_two = 0;
    if (!Hex(d + 2, size, end, &last_two)) return false;
    const bool narrow = dialect_ == RegDialect::Regedit4 && reg_line_parser::IsStringType(type);
    if ((type == REG_EXPAND_SZ || type == REG_MULTI_SZ) && *size != 0) {
      // Windows' import gives the data of these types the terminator it lacks.
      if (narrow) {
        if ((last_two & 0xFF) != 0) ++*size;
      } else if (*size % 2 != 0) {
        ++*size;  // padded with a NUL byte: the last unit is its last byte and 00
        if ((last_two & 0xFF) != 0) *size += 2;
      } else if (last_two != 0) {
        *size += 2;
      }
    }
    if (narrow) *size *= 2;  // narrow text, held as UTF-16 unit for unit
    return true;
  }

  // Checks comma-separated hex bytes from k on, following continuation lines
  // as the reader does; *size counts them and *last_two holds the last two
  // (the last in its low byte).
  bool Hex(size_t k, uint64_t* size, size_t* end, uint16_t* last_two = nullptr) {
    uint64_t count = 0;
    uint16_t last = 0;
    bool may_wrap = true;
    while (true) {
      k = SkipBlanks(k);
      // Most data is bytes of two digits, each right before a comma.
      const size_t run = k;
      k = PairRun(k);
      if (k != run) {
        count += (k - run) / 3;
        last = static_cast<uint16_t>(last << 8 | ByteAt(k - 3));
        if (k - run >= 6) last = static_cast<uint16_t>(ByteAt(k - 6) << 8 | ByteAt(k - 3));
        may_wrap = true;
        k = SkipBlanks(k);
      }
      char16_t u = At(k);
      if (u == u'\\') {
        if (!may_wrap) return Fail("a line of wrapped hex data holding only '\\'");
        const size_t backslash = k;
        if (!Continue(k, &k)) return false;
        if (k == count_) {
          // Continued past the end of the file.
          open_continuation_ = Offset(backslash);
          break;
        }
        may_wrap = false;
        continue;
      }
      if (IsLineEnd(u) || u == u';') break;
      int value = HexValue(u);
      if (value < 0) return Fail("hex byte expected");
      const int second = HexValue(At(++k));
      if (second >= 0) {
        value = value * 16 + second;
        ++k;
      }
      last = static_cast<uint16_t>(last << 8 | value);
      ++count;
      k = SkipBlanks(k);
      u = At(k);
      may_wrap = u == u',';
      if (may_wrap) {
        ++k;
      } else if (u == u'\\') {
        return Fail("',' expected before '\\': hex data continues only after a comma");
      } else if (!IsLineEnd(u) && u != u';') {
        return Fail("',' expected between hex bytes");
      }
    }
    *size = count;
    if (last_two != nullptr) *last_two = last;
    *end = IsLineEnd(At(k)) ? k : FindLineEnd(k);
    return true;
  }

  // The end of the run of bytes "hh," (two hex digits and a comma) from k,
  // read a block at a time (five bytes of narrow text, two of UTF-16).
  size_t PairRun(size_t k) const {
#if REG_UNIT_BLOCKS
    using L = reg_unit_search::Lane<UNIT>;
    while (k + PER_BLOCK<UNIT> <= count_) {
      const reg_unit_search::Lanes<UNIT> block = reg_unit_search::LoadBlock<UNIT>(data_, k);
      const auto digit = block - static_cast<L>(u'0');
      const auto letter = (block | static_cast<L>(0x20)) - static_cast<L>(u'a');
      const unsigned hex = BitsOf((digit <= static_cast<L>(9)) | (letter <= static_cast<L>(5)));
      const unsigned comma = BitsOf(block == static_cast<L>(u','));
      const unsigned missing = ~((hex & PAIR_DIGITS) | (comma & PAIR_COMMAS)) & (PAIR_DIGITS | PAIR_COMMAS);
      if (missing != 0) {
        // The whole bytes before the first unit out of place.
        return k + static_cast<size_t>(__builtin_ctz(missing)) / UNIT / 3 * 3;
      }
      k += 3 * PAIRS_PER_BLOCK;
    }
#endif
    while (k + 3 <= count_ && Unit(k + 2) == u',' && AllHex<2>(k)) k += 3;
    return k;
  }
  static constexpr size_t PAIRS_PER_BLOCK = PER_BLOCK<UNIT> / 3;
  // The bits of a block's bytes (BitsOf) where its "hh," bytes have their
  // digits and their commas.
  static constexpr unsigned PairBits(size_t first, size_t last) {
    unsigned bits = 0;
    for (size_t p = 0; p < PAIRS_PER_BLOCK; ++p) {
      for (size_t u = 3 * p + first; u <= 3 * p + last; ++u) bits |= ((1u << UNIT) - 1) << (u * UNIT);
    }
    return bits;
  }
  static constexpr unsigned PAIR_DIGITS = PairBits(0, 1);
  static constexpr unsigned PAIR_COMMAS = PairBits(2, 2);

  // Whether the N units from k (all within the input) are hex digits: the
  // table gives -1 for any other unit, which sets the sign of the or.
  template <size_t N>
  bool AllHex(size_t k) const {
    int any = 0;
    for (size_t d = 0; d < N; ++d) any |= HexValue(Unit(k + d));
    return any >= 0;
  }

  // The byte the two hex digits at k spell.
  int ByteAt(size_t k) const { return HexValue(Unit(k)) << 4 | HexValue(Unit(k + 1)); }

  // Handles the backslash at k: only a comment may follow it; the data goes
  // on at *resume on the next line that is neither blank nor a ';' comment
  // line, or *resume is count_ when the input ends first. A '#' line there is
  // refused: Windows takes it as data and drops the value.
  bool Continue(size_t k, size_t* resume) {
    size_t end = 0;
    if (!LineRest(k + 1, &end)) return Fail("unexpected text after '\\'");
    FinishLine(end);
    while (line_start_ < count_) {
      ++line_;
      const size_t i = SkipBlanks(line_start_);
      const char16_t u = At(i);
      if (IsLineEnd(u)) {
        FinishLine(i);
      } else if (u == u';') {
        FinishLine(FindLineEnd(i));
      } else if (u == u'#') {
        return Fail("a '#' line inside wrapped hex data");
      } else {
        *resume = i;
        return true;
      }
    }
    *resume = count_;
    return true;
  }

  const uint8_t* data_;
  const size_t count_;  // whole units
  const bool stray_;    // a byte left over that makes no whole unit
  const uint64_t base_;
  RegIndexEvents& events_;
  RegParseError* error_;
  RegEncoding encoding_ = RegEncoding::CodePage1252;
  RegDialect dialect_ = RegDialect::Version5;
  size_t line_start_ = 0;
  uint64_t line_ = 0;   // 1-based number of the current line
  bool ended_ = false;  // whether the last line read ended with a line end
  uint64_t crlf_ = 0, lf_ = 0, cr_ = 0;
  bool section_open_ = false;
  bool after_deletion_ = false;
  bool section_reported_ = false;
  size_t section_start_ = 0;
  uint64_t units_ = 0;  // UTF-16 units of the text last measured
  uint64_t open_continuation_ = 0;
  RegKey root_ = 0;  // the root the last key line named, spelled as root_text_
  const uint8_t* root_text_ = nullptr;
  size_t root_units_ = 0;
};

}  // namespace

namespace {

template <size_t UNIT>
bool IndexWith(const uint8_t* data, size_t size, RegEncodingGuess guess, RegIndexEvents& events,
               RegFileForm* form, RegParseError* error) {
  const size_t bom = form->BomSize();
  IndexPass<UNIT> pass(data + bom, size - bom, bom, events, error);
  if (!pass.Header(&form->dialect)) return false;
  if (const char* refusal = reg_line_parser::SettleEncoding(guess, form)) return pass.Fail(refusal);
  if (!pass.Body(form->encoding)) return false;
  form->line_end = pass.DominantLineEnd();
  form->open_continuation = pass.OpenContinuation();
  return true;
}

}  // namespace

bool IndexRegBytes(const uint8_t* data, size_t size, RegIndexEvents& events, RegFileForm* form,
                   RegParseError* error) {
  RegEncodingGuess guess;
  if (!reg_line_parser::TakeEncoding(data, size, form, &guess, error)) return false;
  if (guess.encoding == RegEncoding::Utf16Le) {
    return IndexWith<2>(data, size, guess, events, form, error);
  }
  return IndexWith<1>(data, size, guess, events, form, error);
}
