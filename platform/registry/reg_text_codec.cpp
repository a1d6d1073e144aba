#include "platform/registry/reg_text_codec.h"

#include "platform/code_page.h"

namespace {

bool IsHighSurrogate(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

void AppendUtf8(char32_t c, std::vector<uint8_t>* out) {
  if (c < 0x80) {
    out->push_back(static_cast<uint8_t>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<uint8_t>(0xC0 | (c >> 6)));
    out->push_back(static_cast<uint8_t>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<uint8_t>(0xE0 | (c >> 12)));
    out->push_back(static_cast<uint8_t>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<uint8_t>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<uint8_t>(0xF0 | (c >> 18)));
    out->push_back(static_cast<uint8_t>(0x80 | ((c >> 12) & 0x3F)));
    out->push_back(static_cast<uint8_t>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<uint8_t>(0x80 | (c & 0x3F)));
  }
}

// Calls f(code point, exact) for each character of text; a lone surrogate
// comes through as itself with exact false.
template <typename F>
void ForEachCodePoint(std::u16string_view text, F f) {
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t u = text[i];
    if (IsHighSurrogate(u) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      f(0x10000 + ((u - 0xD800) << 10) + (text[i + 1] - 0xDC00), true);
      ++i;
    } else {
      f(u, !IsHighSurrogate(u) && !IsLowSurrogate(u));
    }
  }
}

}  // namespace

size_t RegFileForm::BomSize() const {
  if (!bom) return 0;
  return encoding == RegEncoding::Utf8 ? 3 : 2;
}

RegEncodingGuess DetectEncoding(const uint8_t* data, size_t size) {
  if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) return {RegEncoding::Utf16Le, true};
  if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
    return {RegEncoding::Utf8, true};
  }
  if (size >= 2 && data[0] != 0 && data[1] == 0) return {RegEncoding::Utf16Le, false};
  return {RegEncoding::CodePage1252, false};
}

std::vector<uint8_t> FileStartBytes(const RegFileForm& form) {
  std::vector<uint8_t> out;
  if (form.bom && form.encoding == RegEncoding::Utf16Le) out = {0xFF, 0xFE};
  if (form.bom && form.encoding == RegEncoding::Utf8) out = {0xEF, 0xBB, 0xBF};
  std::u16string line(form.dialect == RegDialect::Regedit4 ? REGEDIT4_HEADER : VERSION5_HEADER);
  line += LineEndText(form.line_end);
  EncodeText(form.encoding, line, &out);
  return out;
}

std::u16string_view LineEndText(RegLineEnd end) {
  switch (end) {
    case RegLineEnd::Lf:
      return u"\n";
    case RegLineEnd::Cr:
      return u"\r";
    case RegLineEnd::CrLf:
      break;
  }
  return u"\r\n";
}

void DecodeCodePage(const uint8_t* bytes, size_t n, std::u16string* out) {
  struct Table {
    char16_t unit[256];
    Table() {
      for (int b = 0; b < 256; ++b) unit[b] = CodePageToWide(static_cast<unsigned char>(b));
    }
  };
  static const Table table;
  size_t at = out->size();
  out->resize(at + n);
  char16_t* dst = &(*out)[at];
  for (size_t i = 0; i < n; ++i) dst[i] = table.unit[bytes[i]];
}

namespace {

// The length in bytes of the longest start of n UTF-8 bytes that is whole
// well-formed sequences; calls emit(unit) for each UTF-16 unit they make.
template <typename Emit>
size_t ScanUtf8(const uint8_t* bytes, size_t n, Emit emit) {
  size_t i = 0;
  while (i < n) {
    uint8_t b = bytes[i];
    if (b < 0x80) {
      emit(b);
      ++i;
      continue;
    }
    size_t extra;
    char32_t c, min;
    if ((b & 0xE0) == 0xC0) {
      extra = 1, c = b & 0x1F, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
      extra = 2, c = b & 0x0F, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
      extra = 3, c = b & 0x07, min = 0x10000;
    } else {
      return i;
    }
    if (n - i <= extra) return i;
    for (size_t k = 1; k <= extra; ++k) {
      uint8_t next = bytes[i + k];
      if ((next & 0xC0) != 0x80) return i;
      c = (c << 6) | (next & 0x3F);
    }
    if (c < min || c > 0x10FFFF || IsHighSurrogate(c) || IsLowSurrogate(c)) return i;
    if (c >= 0x10000) {
      emit(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      emit(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      emit(static_cast<char16_t>(c));
    }
    i += extra + 1;
  }
  return n;
}

}  // namespace

size_t DecodeUtf8Prefix(const uint8_t* bytes, size_t n, std::u16string* out) {
  return ScanUtf8(bytes, n, [out](char16_t u) { out->push_back(u); });
}

size_t CountUtf8Units(const uint8_t* bytes, size_t n, uint64_t* units) {
  return ScanUtf8(bytes, n, [units](char16_t) { ++*units; });
}

bool DecodeUtf8(const uint8_t* bytes, size_t n, std::u16string* out) {
  return DecodeUtf8Prefix(bytes, n, out) == n;
}

void AppendTerminator(size_t unit, std::vector<uint8_t>* bytes) {
  const size_t size = bytes->size();
  const uint16_t last_two = static_cast<uint16_t>((size >= 2 ? (*bytes)[size - 2] << 8 : 0) |
                                                  (size >= 1 ? (*bytes)[size - 1] : 0));
  bytes->insert(bytes->end(), TerminatorSize(unit, size, last_two), 0);
}

bool EncodeText(RegEncoding encoding, std::u16string_view text, std::vector<uint8_t>* out) {
  switch (encoding) {
    case RegEncoding::Utf16Le:
      for (char16_t u : text) {
        out->push_back(static_cast<uint8_t>(u));
        out->push_back(static_cast<uint8_t>(u >> 8));
      }
      return true;
    case RegEncoding::CodePage1252:
      for (char16_t u : text) {
        char b = WideToCodePage(u);
        if (CodePageToWide(static_cast<unsigned char>(b)) != u) return false;
        out->push_back(static_cast<uint8_t>(b));
      }
      return true;
    case RegEncoding::Utf8:
      break;
  }
  bool exact = true;
  ForEachCodePoint(text, [&](char32_t c, bool whole) {
    exact = exact && whole;
    AppendUtf8(c, out);
  });
  return exact;
}

std::string MessageText(std::u16string_view text) {
  std::vector<uint8_t> bytes;
  ForEachCodePoint(text,
                   [&bytes](char32_t c, bool whole) { AppendUtf8(whole ? c : 0xFFFD, &bytes); });
  return std::string(bytes.begin(), bytes.end());
}
