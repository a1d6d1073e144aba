// The pass keeps the grammar of a line in three layers, each a class the next
// derives from: the lines and their quoted text (reg_index_lines.h), the
// data of value lines (reg_index_data.h), and here the lines themselves, the
// common ones read from the bits of their bytes first.
#include "platform/registry/reg_index_pass.h"

#include <cstring>
#include <iterator>
#include <string_view>

#include "platform/registry/reg_index_data.h"
#include "platform/registry/reg_tree.h"
#include "platform/registry/reg_unit_search.h"

namespace {

using namespace reg_index_pass;
using reg_unit_search::StopBits32;
using namespace std::string_view_literals;

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

// The pass over a file of UNIT-byte units: its key lines reported to events.
template <size_t UNIT>
class IndexPass : public IndexData<UNIT> {
 public:
  IndexPass(const uint8_t* data, size_t size, uint64_t base, RegIndexEvents& events,
            RegParseError* error)
      : IndexData<UNIT>(data, size, base, error), events_(events) {}
  using IndexData<UNIT>::Fail;

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

 private:
  using Data = IndexData<UNIT>;
  using Data::At;
  using Data::count_;
  using Data::data_;
  using Data::dialect_;
  using Data::Dword;
  using Data::encoding_;
  using Data::ended_;
  using Data::FailAt;
  using Data::FindLineEnd;
  using Data::FinishLine;
  using Data::FinishLineBefore;
  using Data::Hex;
  using Data::line_;
  using Data::line_start_;
  using Data::LineRest;
  using Data::Offset;
  using Data::Quoted;
  using Data::SkipBlanks;
  using Data::Spells;
  using Data::StartsWith;
  using Data::stray_;
  using Data::Text;
  using Data::TypedHex;
  using Data::Unit;
  using Data::units_;

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
      const bool read =
          line[k + 3] == ':' ? Hex(s + k + 4, &size, &end) : TypedHex(s + k + 4, &size, &end);
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
      if (length != k + 14 || std::memcmp(line + k, "dword:", 6) != 0 ||
          !this->template AllHex<8>(s + k + 6)) {
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

  RegIndexEvents& events_;
  bool section_open_ = false;
  bool after_deletion_ = false;
  bool section_reported_ = false;
  size_t section_start_ = 0;
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
