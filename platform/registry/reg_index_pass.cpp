// The index pass is the grammar (reg_grammar.h) in its checking reading over
// a whole file in memory, with one fast path: the lines exports mostly hold,
// in narrow text, are recognised from the bits of their bytes. A line the
// recogniser accepts is one the rules read the same way; any other it hands
// to the rules, having read nothing of it.
#include "platform/registry/reg_index_pass.h"

#include <cstring>

#include "platform/registry/reg_grammar.h"
#include "platform/registry/reg_memory_lines.h"
#include "platform/registry/reg_unit_search.h"

namespace {

template <size_t UNIT>
using Checking = reg_grammar::Grammar<RegMemoryLines<UNIT>, false>;

#if REG_UNIT_BLOCKS
using reg_unit_search::StopBits32;

// The recogniser of the common lines of narrow text (not UTF-8) that start
// 64 units or more before the input's end: a blank line; "[path]"; a value
// named by quoted text without escapes or by '@', then '=' and quoted text
// or "dword:" and eight digits, each line ending right after its data, or
// hex data (read by the rules from there).
class CommonLines {
 public:
  enum class Common { Other, Read, Refused };

  explicit CommonLines(Checking<1>& rules)
      : rules_(rules), lines_(rules.lines()), data_(lines_.Data()) {}

  // Reads the line at lines_.Begin() when it is a common one (Read, or
  // Refused for hex data the rules refuse); Other, with nothing read, when
  // it is not.
  Common Line() {
    const size_t s = lines_.Begin();
    const uint8_t first = data_[s];
    if (IsLineEnd(first)) {
      lines_.StartLine();
      lines_.FinishLineBefore(s);
      return Common::Read;
    }
    if (first == '"' || first == '@') return ValueLine(s);
    if (first != '[') return Common::Other;
    uint64_t ends = StopBits32<u'\r', u'\n'>(data_, s);
    if (ends == 0) ends = uint64_t(StopBits32<u'\r', u'\n'>(data_, s + 32)) << 32;
    if (ends == 0) return Common::Other;
    return KeyLine(s, static_cast<size_t>(__builtin_ctzll(ends))) ? Common::Read : Common::Other;
  }

 private:
  // The key line of length units at s.
  bool KeyLine(size_t s, size_t length) {
    const uint8_t* line = data_ + s;
    // A deletion's "-" before its root names no root: Root refuses it below.
    if (line[length - 1] != ']') return false;
    const size_t a = s + 1, b = s + length - 1;
    uint64_t slashes = StopBits32<u'\\'>(data_, s);
    if (length > 32) slashes |= uint64_t(StopBits32<u'\\'>(data_, s + 32)) << 32;
    slashes &= (uint64_t(1) << (length - 1)) - 1;
    const size_t slash = slashes == 0 ? b : s + static_cast<size_t>(__builtin_ctzll(slashes));
    const RegKey root = rules_.Root(a, slash);
    if (root == 0) return false;
    size_t below = b;
    if (slash != b) {
      // No empty name: no backslash last, none beside another.
      if (line[length - 2] == '\\' || (slashes & (slashes >> 1)) != 0) return false;
      below = slash + 1;
    }
    lines_.StartLine();
    lines_.FinishLineBefore(s + length);
    rules_.OpenSection(root, below, b, false);
    return true;
  }

  // The value line at s. Its name and '=' stand in its first 32 units; hex
  // data is read by the rules from there, the rest from the bits of the
  // line's units up to its end.
  Common ValueLine(size_t s) {
    constexpr Common OTHER = Common::Other;
    if (!rules_.SectionOpen()) return OTHER;
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
      lines_.StartLine();
      return rules_.HexData(s + k, line[k + 3] == '(') ? Common::Read : Common::Refused;
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
        if (EscapedUnit(line[j + 1]) == 0) return OTHER;
        stops &= stops - 1;
        stops &= ~(uint64_t(1) << (j + 1));  // the escaped unit
      }
    } else if (line[k] == 'd') {
      if (length != k + 14 || std::memcmp(line + k, "dword:", 6) != 0 ||
          !AllHex<8, 1>(data_, s + k + 6, lines_.Limit())) {
        return OTHER;
      }
    } else {
      return OTHER;
    }
    lines_.StartLine();
    lines_.FinishLineBefore(s + length);
    rules_.SectionHoldsValues();
    return Common::Read;
  }

  Checking<1>& rules_;
  RegMemoryLines<1>& lines_;
  const uint8_t* data_;
};
#endif

// Reads the lines after the header through rules, whose reading of a line
// is inlined whole into this loop (hex data aside).
template <size_t UNIT>
[[gnu::flatten]] bool CheckLines(Checking<UNIT>& rules, RegEncoding encoding) {
#if REG_UNIT_BLOCKS
  if constexpr (UNIT == 1) {
    const size_t count = rules.lines().Limit();
    if (encoding != RegEncoding::Utf8 && count >= 64) {
      CommonLines common(rules);
      while (rules.lines().Begin() < count - 63) {
        const CommonLines::Common read = common.Line();
        if (read == CommonLines::Common::Refused) return false;
        if (read == CommonLines::Common::Read) continue;
        rules.NextLine();
        if (!rules.Line()) return false;
      }
    }
  }
#endif
  (void)encoding;
  while (rules.NextLine()) {
    if (!rules.Line()) return false;
  }
  return true;
}

template <size_t UNIT>
bool IndexWith(const uint8_t* data, size_t size, RegEncodingGuess guess, RegIndexEvents& events,
               RegFileForm* form, RegParseError* error) {
  const size_t bom = form->BomSize();
  Checking<UNIT> rules(events, error, RegReadMode::Full, data + bom, size - bom, uint64_t(bom));
  return rules.Start(guess, form) && CheckLines(rules, form->encoding) && rules.Finish(form);
}

}  // namespace

bool IndexRegBytes(const uint8_t* data, size_t size, RegIndexEvents& events, RegFileForm* form,
                   RegParseError* error) {
  RegEncodingGuess guess;
  if (!reg_grammar::TakeEncoding(data, size, form, &guess, error)) return false;
  if (guess.encoding == RegEncoding::Utf16Le) {
    return IndexWith<2>(data, size, guess, events, form, error);
  }
  return IndexWith<1>(data, size, guess, events, form, error);
}
