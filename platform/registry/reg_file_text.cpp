#include "platform/registry/reg_file_text.h"

#include <cstring>

using reg_unit_search::FindFirstOf;

size_t RegFileText::CommonUnits(const RegFileText& other, size_t count) const {
  const size_t unit = encoding_ == RegEncoding::Utf16Le ? 2 : 1;
  const size_t bytes = count * unit;
  size_t i = 0;
#if REG_UNIT_BLOCKS
  for (; i + 16 <= bytes; i += 16) {
    const reg_unit_search::Lanes<1> a = reg_unit_search::LoadBlock<1>(bytes_, i);
    const reg_unit_search::Lanes<1> b = reg_unit_search::LoadBlock<1>(other.bytes_, i);
    const unsigned differ = reg_unit_search::BitsOf(a != b);
    if (differ != 0) return (i + static_cast<size_t>(__builtin_ctz(differ))) / unit;
  }
#endif
  for (; i + 8 <= bytes; i += 8) {
    uint64_t a, b;
    std::memcpy(&a, bytes_ + i, 8);
    std::memcpy(&b, other.bytes_ + i, 8);
    if (a != b) break;
  }
  while (i < bytes && bytes_[i] == other.bytes_[i]) ++i;
  return i / unit;
}

size_t RegFileText::FindBackslash(size_t from) const {
  if (encoding_ == RegEncoding::Utf16Le) return FindFirstOf<2, u'\\'>(bytes_, from, units_);
#if REG_UNIT_BLOCKS
  // Most names sought end within one block, which may stand past the text.
  if (from < units_ && from + 16 <= readable_) {
    unsigned bits = reg_unit_search::StopBits<1, u'\\'>(bytes_, from);
    if (units_ - from < 16) bits &= (1u << (units_ - from)) - 1;
    if (bits != 0) return from + static_cast<size_t>(__builtin_ctz(bits));
    if (units_ - from <= 16) return units_;
    from += 16;
  }
#endif
  return FindFirstOf<1, u'\\'>(bytes_, from, units_);
}

bool RegFileText::AsAsciiName(size_t begin, size_t end, CodePageName* name) const {
  if (encoding_ == RegEncoding::Utf16Le) return false;
  uint8_t all = 0;
  for (size_t i = begin; i < end; ++i) all |= bytes_[i];
  if (all >= 0x80) return false;
  *name = CodePageName{bytes_ + begin, end - begin};
  return true;
}

void RegFileText::Decode(size_t begin, size_t end, std::u16string* out) const {
  switch (encoding_) {
    case RegEncoding::Utf16Le:
      for (size_t i = begin; i < end; ++i) out->push_back((*this)[i]);
      break;
    case RegEncoding::Utf8:
      DecodeUtf8(bytes_ + begin, end - begin, out);
      break;
    case RegEncoding::CodePage1252:
      DecodeCodePage(bytes_ + begin, end - begin, out);
      break;
  }
}
