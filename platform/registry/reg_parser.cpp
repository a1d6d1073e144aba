#include "platform/registry/reg_parser.h"

#include <cstring>
#include <utility>

#include "platform/files/file_system.h"
#include "platform/registry/reg_line_parser.h"

namespace {

using reg_line_parser::Parser;

// Reads the header and the body through parser, settling form's encoding
// from guess on the way.
template <size_t UNIT>
bool ReadWith(Parser<UNIT>& parser, RegEncodingGuess guess, RegFileForm* form) {
  if (!parser.Header(&form->dialect)) return false;
  if (const char* refusal = reg_line_parser::SettleEncoding(guess, form)) {
    return parser.Fail(refusal);
  }
  if (!parser.Body(form->encoding)) return false;
  form->line_end = parser.DominantLineEnd();
  form->open_continuation = parser.OpenContinuation();
  return true;
}

template <size_t UNIT>
bool ReadSource(RegByteSource& source, std::vector<uint8_t> start, RegEncodingGuess guess,
                RegFileEvents& events, RegFileForm* form, RegParseError* error) {
  size_t bom = form->BomSize();
  start.erase(start.begin(), start.begin() + bom);
  Parser<UNIT> parser(events, error, RegReadMode::Full, source, std::move(start), bom);
  return ReadWith(parser, guess, form);
}

template <size_t UNIT>
bool ReadMemory(const uint8_t* data, size_t size, RegReadMode mode, RegEncodingGuess guess,
                RegFileEvents& events, RegFileForm* form, RegParseError* error) {
  size_t bom = form->BomSize();
  Parser<UNIT> parser(events, error, mode, data + bom, size - bom, uint64_t(bom));
  return ReadWith(parser, guess, form);
}

}  // namespace

namespace reg_line_parser {

bool TakeEncoding(const uint8_t* start, size_t size, RegFileForm* form, RegEncodingGuess* guess,
                  RegParseError* error) {
  if (size >= 2 && start[0] == 0xFE && start[1] == 0xFF) {
    error->line = 1;
    error->reason =
        "UTF-16 big-endian text (byte-order mark FE FF): registry files are "
        "Windows-1252, UTF-8 or UTF-16 little-endian";
    return false;
  }
  *guess = DetectEncoding(start, size);
  form->encoding = guess->encoding;
  form->bom = guess->bom;
  return true;
}

const char* SettleEncoding(RegEncodingGuess guess, RegFileForm* form) {
  if (form->dialect == RegDialect::Regedit4 && guess.encoding == RegEncoding::Utf8) {
    return "a REGEDIT4 file must be Windows-1252 or UTF-16LE text, not UTF-8 with a "
           "byte-order mark";
  }
  if (form->dialect == RegDialect::Version5 && guess.encoding == RegEncoding::CodePage1252) {
    form->encoding = RegEncoding::Utf8;
  }
  return nullptr;
}

}  // namespace reg_line_parser

std::string RegParseFailureText(const std::string& path, const RegParseError& error) {
  if (error.read_error != 0) return path + ": cannot read: " + ErrnoText(error.read_error);
  return path + ":" + std::to_string(error.line) + ": " + error.reason;
}

bool ReadRegFile(RegByteSource& source, RegFileEvents& events, RegFileForm* form,
                 RegParseError* error) {
  // The first bytes tell the encoding; at least three are needed for a mark.
  std::vector<uint8_t> start(RegLineReader<1>::CHUNK);
  size_t filled = 0;
  while (filled < 3) {
    size_t got = 0;
    if (int read_error = source.Read(start.data() + filled, start.size() - filled, &got)) {
      error->line = 1;
      error->read_error = read_error;
      error->reason = std::string("cannot read: ") + ErrnoText(read_error);
      return false;
    }
    if (got == 0) break;
    filled += got;
  }
  start.resize(filled);
  RegEncodingGuess guess;
  if (!reg_line_parser::TakeEncoding(start.data(), start.size(), form, &guess, error)) return false;
  if (guess.encoding == RegEncoding::Utf16Le) {
    return ReadSource<2>(source, std::move(start), guess, events, form, error);
  }
  return ReadSource<1>(source, std::move(start), guess, events, form, error);
}

bool ReadRegBytes(const uint8_t* data, size_t size, RegReadMode mode, RegFileEvents& events,
                  RegFileForm* form, RegParseError* error) {
  RegEncodingGuess guess;
  if (!reg_line_parser::TakeEncoding(data, size, form, &guess, error)) return false;
  if (guess.encoding == RegEncoding::Utf16Le) {
    return ReadMemory<2>(data, size, mode, guess, events, form, error);
  }
  return ReadMemory<1>(data, size, mode, guess, events, form, error);
}

bool ReadRegSection(const uint8_t* data, size_t size, uint64_t begin, const RegFileForm& form,
                    RegReadMode mode, RegFileEvents& events, RegParseError* error) {
  if (form.encoding == RegEncoding::Utf16Le) {
    Parser<2> parser(events, error, mode, data + begin, size - begin, begin);
    return parser.Section(form.dialect, form.encoding);
  }
  Parser<1> parser(events, error, mode, data + begin, size - begin, begin);
  return parser.Section(form.dialect, form.encoding);
}

namespace {

template <size_t UNIT>
bool ReadQuotedWith(const uint8_t* data, RegSourceSpan span, const RegFileForm& form,
                    std::u16string* text) {
  // No event is reported: the parser reads the span as one line.
  class NoEvents : public RegFileEvents {
    void OnKey(RegKey, std::u16string_view, bool, uint64_t) override {}
    void OnValue(std::u16string_view, const RegReadData&, RegSourceSpan, uint64_t) override {}
    void OnValueDeletion(std::u16string_view, uint64_t) override {}
  } none;
  RegParseError error;
  Parser<UNIT> parser(none, &error, RegReadMode::Full, data + span.begin, span.end - span.begin,
                      span.begin);
  return parser.QuotedLine(form.dialect, form.encoding, text);
}

}  // namespace

bool ReadRegQuoted(const uint8_t* data, size_t size, RegSourceSpan span, const RegFileForm& form,
                   std::u16string* text) {
  if (span.begin >= span.end || span.end > size) return false;
  if (form.encoding == RegEncoding::Utf16Le) return ReadQuotedWith<2>(data, span, form, text);
  return ReadQuotedWith<1>(data, span, form, text);
}
