// Fuzz target for the string library: the input's first byte picks a
// differential run, the rest drives it. Each run compares DynString with a
// reference model written on std::string and stops at the first disagreement;
// the build's sanitizers catch any out-of-bounds access or leak on the way.
//   0  search and edit operations (text/testing/edit_differential.h)
//   1  number insertions, extractions and conversions (text/format_differential.h)
//   2  Split of any text at any delimiters into a list (text/split_reference_model.h)
//   3  ReadRecord over any stream bytes (text/record_reference_model.h)
//   4  the encodings over any text: HexValue against strtoul, hexadecimal and
//      percent round trips, HTML body extraction against std::string searches
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_choices.h"
#include "text/dyn_string.h"
#include "text/testing/edit_differential.h"
#include "text/testing/format_differential.h"
#include "text/testing/probe_list.h"
#include "text/testing/record_reference_model.h"
#include "text/testing/split_reference_model.h"

namespace {

// Long enough for deep sequences, short enough that one input stays fast.
constexpr int MAX_STEPS = 4000;

template <typename Driver>
void RunDifferential(FuzzChoices& choices) {
  Driver run(choices);
  for (int step = 0; step < MAX_STEPS && !choices.Exhausted(); ++step) {
    FUZZ_CHECK(run.Step(), run.Mismatch());
  }
}

// The text up to its first NUL, as a C string sees it.
std::string CText(const std::string& bytes) { return bytes.substr(0, bytes.find('\0')); }

void RunSplit(FuzzChoices& choices) {
  std::string delimiters = CText(choices.Text(static_cast<size_t>(choices.Int(0, 4))));
  int limit = static_cast<int>(choices.Int(-2, 10));
  bool keep_empty = choices.Int(0, 1) == 1;
  ProbeList list;
  list.GrowBy = static_cast<int32_t>(choices.Int(-1, 5));
  list.BaseIndex = static_cast<int32_t>(choices.Int(-3, 3));
  std::string text = CText(choices.Rest());
  DynString(text.c_str()).Split(delimiters.c_str(), list, limit, keep_empty);
  FUZZ_CHECK(TextsOf(list) == reference_model::ModelSplit(text, delimiters, limit, keep_empty),
             "\"" + text + "\" at \"" + delimiters + "\" limit " + std::to_string(limit));
  for (int code : list.codes) FUZZ_CHECK(code == StringList::ERROR_NO_GROWTH, std::to_string(code));
}

void RunReadRecord(FuzzChoices& choices) {
  std::vector<int> largest(static_cast<size_t>(choices.Int(1, 8)));
  for (int& n : largest) n = static_cast<int>(choices.Int(-2, 40));
  std::string rest = choices.Rest();
  std::vector<unsigned char> bytes(rest.begin(), rest.end());
  bytes.reserve(bytes.size() + 1);  // a non-null buffer even for no bytes
  FILE* stream = fmemopen(bytes.data(), bytes.size(), "rb");
  FUZZ_CHECK(stream != nullptr, "fmemopen");
  DynString s("previous text");
  std::string text = s.CStr();
  size_t pos = 0;
  for (int n : largest) {
    reference_model::RecordExpected expected = reference_model::ModelReadRecord(bytes, pos, n);
    std::string where = "read at " + std::to_string(pos) + " largest " + std::to_string(n);
    FUZZ_CHECK(s.ReadRecord(stream, n) == expected.result, where);
    if (expected.result == 1) text = expected.text;
    FUZZ_CHECK(s.CStr() == text, where);
    FUZZ_CHECK(std::ftell(stream) == static_cast<long>(expected.next), where);
    pos = expected.next;
  }
  std::fclose(stream);
}

// The bytes a percent-escaped text stands for.
std::string PercentUnescape(const std::string& escaped) {
  std::string bytes;
  for (size_t i = 0; i < escaped.size(); ++i) {
    if (escaped[i] != '%') {
      bytes += escaped[i];
      continue;
    }
    FUZZ_CHECK(i + 2 < escaped.size(), "a cut escape in " + escaped);
    bytes += static_cast<char>(std::strtol(escaped.substr(i + 1, 2).c_str(), nullptr, 16));
    i += 2;
  }
  return bytes;
}

void RunEncodings(FuzzChoices& choices) {
  std::string text = CText(choices.Rest());

  char* end = nullptr;
  unsigned long reference = std::strtoul(text.c_str(), &end, 16);
  int expected = end == text.c_str() ? 0 : static_cast<int32_t>(static_cast<uint32_t>(reference));
  FUZZ_CHECK(DynString(text.c_str()).HexValue() == expected, "HexValue of \"" + text + "\"");

  DynString hex(text.c_str());
  hex.HexEncode(static_cast<int>(text.size()));
  FUZZ_CHECK(hex.Length() == static_cast<int>(2 * text.size()), "HexEncode length");
  int count = -1;
  FUZZ_CHECK(hex.HexDecode(count) == 1 && count == static_cast<int>(text.size()) &&
                 std::memcmp(hex.Data(), text.data(), text.size()) == 0,
             "hexadecimal round trip of \"" + text + "\"");

  DynString escaped(text.c_str());
  escaped.PercentEscape();
  std::string escaped_text = escaped.CStr();
  for (char c : escaped_text) {
    FUZZ_CHECK(std::isalnum(static_cast<unsigned char>(c)) || c == ' ' || c == '%',
               "PercentEscape left " + escaped_text);
  }
  FUZZ_CHECK(PercentUnescape(escaped_text) == text, "percent round trip of \"" + text + "\"");

  DynString body(text.c_str());
  size_t open = text.find("<BODY>");
  size_t close = open == std::string::npos ? open : text.find("</BODY>", open + 6);
  std::string want = text;
  if (close != std::string::npos) {
    want = text.substr(open + 6, close - open - 6);
    size_t first = want.find_first_not_of("\r\n");
    want = first == std::string::npos
               ? ""
               : want.substr(first, want.find_last_not_of("\r\n") + 1 - first);
  }
  FUZZ_CHECK(body.ExtractHtmlBody() == (close != std::string::npos ? 1 : 0) && body.CStr() == want,
             "ExtractHtmlBody of \"" + text + "\"");

  DynString folded(text.c_str());
  folded.FoldAccents();
  FUZZ_CHECK(folded.Length() == static_cast<int>(text.size()), "FoldAccents changed the length");
  for (int i = 0; i < folded.Length(); ++i) {
    FUZZ_CHECK(folded.CharAt(i) > 0, "FoldAccents left a byte above 127 in \"" + text + "\"");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzChoices choices(data, size);
  switch (choices.Int(0, 4)) {
    case 0:
      RunDifferential<reference_model::EditDifferential>(choices);
      break;
    case 1:
      RunDifferential<reference_model::FormatDifferential>(choices);
      break;
    case 2:
      RunSplit(choices);
      break;
    case 3:
      RunReadRecord(choices);
      break;
    default:
      RunEncodings(choices);
      break;
  }
  return 0;
}
