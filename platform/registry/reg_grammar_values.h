// The grammar's value lines (reg_grammar.h): the name, '=' and the data (a
// quoted string, a deletion, a dword, hex bytes a block at a time and
// followed over continuation lines, hex(N) data given the terminator Windows'
// import gives it). Included by reg_grammar.h only.
#pragma once

#include <string_view>

namespace reg_grammar {

using namespace std::string_view_literals;

template <class Lines, bool BUILDS>
inline bool Grammar<Lines, BUILDS>::ValueLine(size_t i) {
  if (!section_open_) {
    return Fail(after_deletion_ ? RegRefusal::ValueAfterDeletion : RegRefusal::ValueBeforeKey);
  }
  size_t k = i + 1;
  std::u16string* name = BUILDS ? &name_ : nullptr;
  if (BUILDS) name_.clear();
  if (Unit(i) != u'@' && !Quoted(i, name, &k)) return false;
  k = SkipBlanks(k);
  if (At(k) != u'=') return Fail(RegRefusal::EqualsExpected);
  return ValueData(SkipBlanks(k + 1));
}

// Reads the data at k to the line's end (past its continuation lines) and
// reports the value.
template <class Lines, bool BUILDS>
inline bool Grammar<Lines, BUILDS>::ValueData(size_t k) {
  if constexpr (BUILDS) {
    text_.clear();
    bytes_.clear();
  }
  RegReadData data;
  size_t end = 0;
  uint64_t size = 0;
  uint64_t data_end = 0;
  const char16_t u = At(k);
  if (u == u'-') {
    if (!LineRest(k + 1, &end)) return Fail(RegRefusal::TextAfterDash);
    lines_.FinishLine(end);
    if constexpr (BUILDS) {
      events_.OnValueDeletion(name_, lines_.NextLineOffset());
    } else {
      SectionHoldsValues();
    }
    return true;
  }
  if (u == u'"') {
    // A long string is only measured while deferring: it is read when asked for.
    data.deferred =
        BUILDS && deferring_ && lines_.FindLineEnd(k) - lines_.Begin() > REG_DEFERRED_LINE_UNITS;
    std::u16string* text = BUILDS && !data.deferred ? &text_ : nullptr;
    size_t after = 0;
    if (!Quoted(k, text, &after)) return false;
    if (!LineRest(after, &end)) return Fail(RegRefusal::TextAfterQuote);
    if (text != nullptr) units_ = text_.size();
    if (BUILDS && text != nullptr) text_.push_back(u'\0');
    size = (units_ + 1) * 2;
    data.type = REG_SZ;
    data.is_text = true;
    data_end = Offset(after);
  } else if (u == u'd' && StartsWith(k, u"dword:"sv)) {
    if (!Dword(k + 6, &end, &data_end)) return false;
    size = 4;
    data.type = REG_DWORD;
  } else if (u == u'h' && StartsWith(k, u"hex:"sv)) {
    return HexData(k, false);
  } else if (u == u'h' && StartsWith(k, u"hex("sv)) {
    return HexData(k, true);
  } else {
    return Fail(RegRefusal::UnknownDataForm);
  }
  return Report(data, size, end, RegSourceSpan{Offset(k), data_end});
}

// Reads the data of a "hex:" (or, typed, "hex(") at k and reports the value.
template <class Lines, bool BUILDS>
inline bool Grammar<Lines, BUILDS>::HexData(size_t k, bool typed) {
  RegReadData data;
  size_t end = 0;
  uint64_t size = 0;
  uint64_t data_end = 0;
  if (typed) {
    if (!TypedHex(k + 4, &data, &size, &end, &data_end)) return false;
  } else {
    if (!Hex(k + 4, &size, &end, &data_end)) return false;
    data.type = REG_BINARY;
  }
  return Report(data, size, end, RegSourceSpan{Offset(k), data_end});
}

// Reports the value line ending at end whose data of size bytes was read.
template <class Lines, bool BUILDS>
inline bool Grammar<Lines, BUILDS>::Report(RegReadData& data, uint64_t size, size_t end,
                                           RegSourceSpan span) {
  if (size > REG_MAX_DATA_SIZE) return Fail(RegRefusal::DataTooLarge);
  lines_.FinishLine(end);
  if constexpr (BUILDS) {
    data.text = text_;
    data.bytes = bytes_.data();
    data.size = size;
    events_.OnValue(name_, data, span, lines_.NextLineOffset());
  } else {
    SectionHoldsValues();
  }
  return true;
}

template <class Lines, bool BUILDS>
inline bool Grammar<Lines, BUILDS>::Dword(size_t k, size_t* end, uint64_t* data_end) {
  k = SkipBlanks(k);
  const size_t first = k;
  if (k + 8 <= lines_.Limit() && AllHex<8, UNIT>(lines_.Data(), k, lines_.Limit())) {
    k += 8;  // the common form: eight digits
  }
  while (k - first < 9 && HexValue(At(k)) >= 0) ++k;
  if (k == first || k - first > 8) return Fail(RegRefusal::DwordDigits);
  if (!LineRest(k, end)) return Fail(RegRefusal::TextAfterDword);
  if constexpr (BUILDS) {
    uint32_t value = 0;
    for (size_t d = first; d < k; ++d) value = value * 16 + HexValue(Unit(d));
    for (int shift = 0; shift < 32; shift += 8) {
      bytes_.push_back(static_cast<uint8_t>(value >> shift));
    }
    *data_end = Offset(k);
  }
  return true;
}

// "N):" and the bytes of hex(N) data from d on; *size as the reader gives the
// data (a REGEDIT4 file's narrow text held as UTF-16, the terminator appended
// to hex(2) and hex(7) data that lacks it).
template <class Lines, bool BUILDS>
inline bool Grammar<Lines, BUILDS>::TypedHex(size_t d, RegReadData* data, uint64_t* size,
                                             size_t* end, uint64_t* data_end) {
  const size_t first = d;
  uint32_t type = 0;
  while (d - first < 9 && HexValue(At(d)) >= 0) type = type * 16 + HexValue(At(d++));
  if (d == first || d - first > 8 || !StartsWith(d, u"):"sv)) {
    return Fail(RegRefusal::MalformedHexType);
  }
  uint16_t last_two = 0;
  if (!Hex(d + 2, size, end, data_end, &last_two)) return false;
  data->type = type;
  const bool narrow = dialect_ == RegDialect::Regedit4 && IsStringType(type);
  if (GetsTerminator(type)) {
    const size_t nuls = TerminatorSize(narrow ? 1 : 2, *size, last_two);
    if constexpr (BUILDS) bytes_.insert(bytes_.end(), nuls, 0);
    *size += nuls;
  }
  if (narrow) {
    // narrow text, held as UTF-16 unit for unit
    if constexpr (BUILDS) DecodeCodePage(bytes_.data(), bytes_.size(), &text_);
    data->is_text = true;
    *size *= 2;
  }
  return true;
}

// Reads comma-separated hex bytes from k on, following continuation lines:
// *size counts them, *last_two holds the last two (the last in its low
// byte), *data_end is the file offset past the data (a building reading's
// only). A backslash continues the data only where a byte could start: at
// the data's start or after a comma, never right after a byte or at the
// start of the line it continued onto (Windows drops such a value).
template <class Lines, bool BUILDS>
bool Grammar<Lines, BUILDS>::Hex(size_t k, uint64_t* size, size_t* end, uint64_t* data_end,
                                 uint16_t* last_two) {
  uint64_t count = 0;
  uint16_t last = 0;
  bool may_wrap = true;
  if constexpr (BUILDS) *data_end = Offset(k);
  while (true) {
    k = SkipBlanks(k);
    // Most data is bytes of two digits, each right before a comma.
    const size_t run = k;
    k = PairRun(k);
    if (k != run) {
      count += (k - run) / 3;
      last = static_cast<uint16_t>(last << 8 | ByteAt(k - 3));
      if (k - run >= 6) last = static_cast<uint16_t>(ByteAt(k - 6) << 8 | ByteAt(k - 3));
      if constexpr (BUILDS) {
        for (size_t p = run; p < k; p += 3) bytes_.push_back(static_cast<uint8_t>(ByteAt(p)));
        *data_end = Offset(k);
      }
      may_wrap = true;
      k = SkipBlanks(k);
    }
    char16_t u = At(k);
    if (u == u'\\') {
      if (!may_wrap) return Fail(RegRefusal::BackslashOnlyLine);
      const uint64_t backslash = Offset(k);
      bool more = false;
      if (!Continue(k, &k, &more, data_end)) return false;
      if (!more) {
        // Continued past the end of the file.
        open_continuation_ = backslash;
        break;
      }
      may_wrap = false;
      continue;
    }
    if (IsLineEnd(u) || u == u';') break;
    int value = HexValue(u);
    if (value < 0) return Fail(RegRefusal::HexByteExpected);
    const int second = HexValue(At(++k));
    if (second >= 0) {
      value = value * 16 + second;
      ++k;
    }
    last = static_cast<uint16_t>(last << 8 | value);
    ++count;
    if constexpr (BUILDS) {
      bytes_.push_back(static_cast<uint8_t>(value));
      *data_end = Offset(k);
    }
    k = SkipBlanks(k);
    u = At(k);
    may_wrap = u == u',';
    if (may_wrap) {
      ++k;
      if constexpr (BUILDS) *data_end = Offset(k);
    } else if (u == u'\\') {
      return Fail(RegRefusal::CommaBeforeBackslash);
    } else if (!IsLineEnd(u) && u != u';') {
      return Fail(RegRefusal::CommaBetweenBytes);
    }
  }
  *size = count;
  if (last_two != nullptr) *last_two = last;
  *end = IsLineEnd(At(k)) ? k : lines_.FindLineEnd(k);
  return true;
}

// The bits of a block's bytes (BitsOf) where its "hh," bytes (two hex digits
// and a comma) have their digits and their commas.
template <size_t UNIT>
constexpr size_t PAIRS_PER_BLOCK = PER_BLOCK<UNIT> / 3;
template <size_t UNIT>
constexpr unsigned PairBits(size_t first, size_t last) {
  unsigned bits = 0;
  for (size_t p = 0; p < PAIRS_PER_BLOCK<UNIT>; ++p) {
    for (size_t u = 3 * p + first; u <= 3 * p + last; ++u) bits |= ((1u << UNIT) - 1) << (u * UNIT);
  }
  return bits;
}

// The end of the run of bytes "hh," from k, read a block at a time (five
// bytes of narrow text, two of UTF-16).
template <class Lines, bool BUILDS>
inline size_t Grammar<Lines, BUILDS>::PairRun(size_t k) const {
  const uint8_t* data = lines_.Data();
  const size_t limit = lines_.Limit();
#if REG_UNIT_BLOCKS
  using L = reg_unit_search::Lane<UNIT>;
  constexpr unsigned DIGITS = PairBits<UNIT>(0, 1), COMMAS = PairBits<UNIT>(2, 2);
  while (k + PER_BLOCK<UNIT> <= limit) {
    const unsigned hex = HexDigitBits<UNIT>(data, k);
    const reg_unit_search::Lanes<UNIT> block = reg_unit_search::LoadBlock<UNIT>(data, k);
    const unsigned comma = reg_unit_search::BitsOf(block == static_cast<L>(u','));
    const unsigned missing = ~((hex & DIGITS) | (comma & COMMAS)) & (DIGITS | COMMAS);
    if (missing != 0) {
      // The whole bytes before the first unit out of place.
      return k + static_cast<size_t>(__builtin_ctz(missing)) / UNIT / 3 * 3;
    }
    k += 3 * PAIRS_PER_BLOCK<UNIT>;
  }
#endif
  while (k + 3 <= limit && Unit(k + 2) == u',' && AllHex<2, UNIT>(data, k, limit)) k += 3;
  return k;
}

// Handles the backslash at k: only a comment may follow it; the data goes on
// at *resume on the next line that is neither blank nor a ';' comment line
// (*more), or ends with the input. A '#' line there is refused: Windows takes
// it as data and drops the value.
template <class Lines, bool BUILDS>
inline bool Grammar<Lines, BUILDS>::Continue(size_t k, size_t* resume, bool* more,
                                             uint64_t* data_end) {
  size_t end = 0;
  if (!LineRest(k + 1, &end)) return Fail(RegRefusal::TextAfterBackslash);
  if constexpr (BUILDS) *data_end = Offset(k + 1);
  lines_.FinishLine(end);
  while (NextLine()) {
    const size_t i = SkipBlanks(lines_.Begin());
    const char16_t u = At(i);
    if (IsLineEnd(u)) {
      lines_.FinishLine(i);
    } else if (u == u';') {
      lines_.FinishLine(lines_.FindLineEnd(i));
    } else if (u == u'#') {
      return Fail(RegRefusal::HashLineInHex);
    } else {
      *resume = i;
      *more = true;
      return true;
    }
  }
  *resume = lines_.Limit();
  *more = false;
  return lines_.ReadError() == 0;
}

}  // namespace reg_grammar
