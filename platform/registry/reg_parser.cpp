// The reader's entry points: the grammar (reg_grammar.h) in its building
// reading, over a file read piece by piece or over bytes in memory.
#include "platform/registry/reg_parser.h"

#include <cstring>
#include <utility>

#include "platform/files/file_system.h"
#include "platform/registry/reg_grammar.h"

namespace {

template <size_t UNIT>
using Building = reg_grammar::Grammar<RegLineReader<UNIT>, true>;

// Reads the lines of one file through rules: every line, or (section) those
// up to the next key line.
template <size_t UNIT>
bool ReadLines(Building<UNIT>& rules, RegFileForm* form, bool section) {
  while (rules.NextLine()) {
    if (section && rules.AtKeyLine()) return true;
    if (!rules.Line()) return false;
  }
  return rules.Finish(form);
}

template <size_t UNIT>
bool ReadSource(RegByteSource& source, std::vector<uint8_t> start, RegEncodingGuess guess,
                RegFileEvents& events, RegFileForm* form, RegParseError* error) {
  size_t bom = form->BomSize();
  start.erase(start.begin(), start.begin() + bom);
  Building<UNIT> rules(events, error, RegReadMode::Full, source, std::move(start), bom);
  return rules.Start(guess, form) && ReadLines(rules, form, false);
}

template <size_t UNIT>
bool ReadMemory(const uint8_t* data, size_t size, RegReadMode mode, RegEncodingGuess guess,
                RegFileEvents& events, RegFileForm* form, RegParseError* error) {
  size_t bom = form->BomSize();
  Building<UNIT> rules(events, error, mode, data + bom, size - bom, uint64_t(bom));
  return rules.Start(guess, form) && ReadLines(rules, form, false);
}

template <size_t UNIT>
bool ReadSectionWith(const uint8_t* data, size_t size, uint64_t begin, const RegFileForm& form,
                     RegReadMode mode, RegFileEvents& events, RegParseError* error) {
  Building<UNIT> rules(events, error, mode, data + begin, size - begin, begin);
  rules.Resume(form);
  return ReadLines(rules, nullptr, true);
}

}  // namespace

namespace reg_grammar {

bool TakeEncoding(const uint8_t* start, size_t size, RegFileForm* form, RegEncodingGuess* guess,
                  RegParseError* error) {
  if (size >= 2 && start[0] == 0xFE && start[1] == 0xFF) {
    error->line = 1;
    error->reason = RefusalText(RegRefusal::BigEndian);
    return false;
  }
  *guess = DetectEncoding(start, size);
  form->encoding = guess->encoding;
  form->bom = guess->bom;
  return true;
}

void SetReadFailure(uint64_t line, int read_error, RegParseError* error) {
  error->line = line;
  error->read_error = read_error;
  error->reason = std::string("cannot read: ") + ErrnoText(read_error);
}

}  // namespace reg_grammar

std::string RegParseFailureText(const std::string& path, const RegParseError& error) {
  if (error.read_error != 0) return path + ": " + error.reason;
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
      reg_grammar::SetReadFailure(1, read_error, error);
      return false;
    }
    if (got == 0) break;
    filled += got;
  }
  start.resize(filled);
  RegEncodingGuess guess;
  if (!reg_grammar::TakeEncoding(start.data(), start.size(), form, &guess, error)) return false;
  if (guess.encoding == RegEncoding::Utf16Le) {
    return ReadSource<2>(source, std::move(start), guess, events, form, error);
  }
  return ReadSource<1>(source, std::move(start), guess, events, form, error);
}

bool ReadRegBytes(const uint8_t* data, size_t size, RegReadMode mode, RegFileEvents& events,
                  RegFileForm* form, RegParseError* error) {
  RegEncodingGuess guess;
  if (!reg_grammar::TakeEncoding(data, size, form, &guess, error)) return false;
  if (guess.encoding == RegEncoding::Utf16Le) {
    return ReadMemory<2>(data, size, mode, guess, events, form, error);
  }
  return ReadMemory<1>(data, size, mode, guess, events, form, error);
}

bool ReadRegSection(const uint8_t* data, size_t size, uint64_t begin, const RegFileForm& form,
                    RegReadMode mode, RegFileEvents& events, RegParseError* error) {
  if (form.encoding == RegEncoding::Utf16Le) {
    return ReadSectionWith<2>(data, size, begin, form, mode, events, error);
  }
  return ReadSectionWith<1>(data, size, begin, form, mode, events, error);
}

namespace {

template <size_t UNIT>
bool ReadQuotedWith(const uint8_t* data, RegSourceSpan span, const RegFileForm& form,
                    std::u16string* text) {
  // No event is reported: the rules read the span as one line.
  class NoEvents : public RegFileEvents {
    void OnKey(RegKey, std::u16string_view, bool, uint64_t) override {}
    void OnValue(std::u16string_view, const RegReadData&, RegSourceSpan, uint64_t) override {}
    void OnValueDeletion(std::u16string_view, uint64_t) override {}
  } none;
  RegParseError error;
  Building<UNIT> rules(none, &error, RegReadMode::Full, data + span.begin, span.end - span.begin,
                       span.begin);
  return rules.QuotedLine(form, text);
}

}  // namespace

bool ReadRegQuoted(const uint8_t* data, size_t size, RegSourceSpan span, const RegFileForm& form,
                   std::u16string* text) {
  if (span.begin >= span.end || span.end > size) return false;
  if (form.encoding == RegEncoding::Utf16Le) return ReadQuotedWith<2>(data, span, form, text);
  return ReadQuotedWith<1>(data, span, form, text);
}
