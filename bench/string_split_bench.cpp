// Splitting and the text encodings of the string library beside the
// std::string code a C++ programmer would write instead (pairs named
// BM_<Operation>_Dyn and BM_<Operation>_Std).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "text/dyn_string.h"
#include "text/string_list.h"

namespace {

constexpr char HEX_UPPER[] = "0123456789ABCDEF";

// A comma-separated line of n fields such as a registry export's hex data or
// a device list holds, with an empty field now and then.
std::string FieldsOf(int n) {
  const char* const fields[] = {"COM1:",  "serial.dll", "",  "BTCEIF.DLL",
                                "0x0400", "Drivers",    "1", "IrCOMM"};
  std::string line;
  for (int i = 0; i < n; ++i) {
    if (i != 0) line += ',';
    line += fields[i % 8];
  }
  return line;
}

void BM_Split_Dyn(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const DynString line(FieldsOf(n).c_str());
  StringList list;
  for (auto _ : state) {
    line.Split(",", list, -1, false);
    benchmark::DoNotOptimize(list.Items);
  }
  state.SetItemsProcessed(state.iterations() * n);
}
// std code: fields cut at any delimiter of the set, empty ones dropped.
void BM_Split_Std(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::string line = FieldsOf(n);
  std::vector<std::string> list;
  for (auto _ : state) {
    list.clear();
    size_t start = 0;
    while (start <= line.size()) {
      size_t cut = line.find_first_of(",", start);
      if (cut == std::string::npos) cut = line.size();
      if (cut > start) list.emplace_back(line, start, cut - start);
      start = cut + 1;
    }
    benchmark::DoNotOptimize(list.data());
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_Split_Dyn)->RangeMultiplier(8)->Range(8, 4096);
BENCHMARK(BM_Split_Std)->RangeMultiplier(8)->Range(8, 4096);

// n bytes of binary-looking data (no zero byte, so that a text can hold it).
std::string BytesOf(int n) {
  std::string bytes;
  for (int i = 0; i < n; ++i) bytes += static_cast<char>(1 + (i * 37) % 255);
  return bytes;
}

// Encodes n bytes to 2n digits (the input assigned afresh each time).
void BM_HexEncode_Dyn(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::string bytes = BytesOf(n);
  DynString s;
  for (auto _ : state) {
    s.Assign(bytes.c_str());
    s.HexEncode(n);
    benchmark::DoNotOptimize(s.Data());
  }
  state.SetBytesProcessed(state.iterations() * n);
}
void BM_HexEncode_Std(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::string bytes = BytesOf(n);
  std::string in;
  std::string out;
  for (auto _ : state) {
    in.assign(bytes.c_str());
    out.clear();
    for (char c : in) {
      out += HEX_UPPER[static_cast<unsigned char>(c) >> 4];
      out += HEX_UPPER[static_cast<unsigned char>(c) & 15];
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * n);
}
BENCHMARK(BM_HexEncode_Dyn)->RangeMultiplier(8)->Range(8, 4096);
BENCHMARK(BM_HexEncode_Std)->RangeMultiplier(8)->Range(8, 4096);

int Nibble(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Decodes 2n digits to n bytes. The library reads each pair as the formatted
// scan "%X" would (white space, a sign, "0x"), which a plain nibble lookup
// does not do.
void BM_HexDecode_Dyn(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  DynString digits(BytesOf(n).c_str());
  digits.HexEncode(n);
  const std::string text = digits.CStr();
  DynString s;
  for (auto _ : state) {
    s.Assign(text.c_str());
    int count = 0;
    benchmark::DoNotOptimize(s.HexDecode(count));
  }
  state.SetBytesProcessed(state.iterations() * n);
}
void BM_HexDecode_Std(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  DynString digits(BytesOf(n).c_str());
  digits.HexEncode(n);
  const std::string text = digits.CStr();
  std::string in;
  std::string out;
  for (auto _ : state) {
    in.assign(text.c_str());
    out.clear();
    bool ok = in.size() % 2 == 0;
    for (size_t i = 0; ok && i < in.size(); i += 2) {
      int high = Nibble(in[i]);
      int low = Nibble(in[i + 1]);
      ok = high >= 0 && low >= 0;
      out += static_cast<char>(high * 16 + low);
    }
    benchmark::DoNotOptimize(ok);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * n);
}
BENCHMARK(BM_HexDecode_Dyn)->RangeMultiplier(8)->Range(8, 4096);
BENCHMARK(BM_HexDecode_Std)->RangeMultiplier(8)->Range(8, 4096);

// A path-like text of n characters: letters and digits, spaces, punctuation
// and an accented letter, so about one character in four is escaped.
std::string PathTextOf(int n) {
  std::string text;
  while (static_cast<int>(text.size()) < n)
    text += "\\Program Files\\Caf\xE9 Map\\v2.1 (beta).exe ";
  text.resize(static_cast<size_t>(n));
  return text;
}

void BM_PercentEscape_Dyn(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::string text = PathTextOf(n);
  DynString s;
  for (auto _ : state) {
    s.Assign(text.c_str());
    s.PercentEscape();
    benchmark::DoNotOptimize(s.Data());
  }
  state.SetBytesProcessed(state.iterations() * n);
}
void BM_PercentEscape_Std(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::string text = PathTextOf(n);
  std::string in;
  std::string out;
  for (auto _ : state) {
    in.assign(text.c_str());
    out.clear();
    for (char c : in) {
      bool plain =
          (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ';
      if (plain) {
        out += c;
      } else {
        out += '%';
        out += HEX_UPPER[static_cast<unsigned char>(c) >> 4];
        out += HEX_UPPER[static_cast<unsigned char>(c) & 15];
      }
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * n);
}
BENCHMARK(BM_PercentEscape_Dyn)->RangeMultiplier(8)->Range(8, 4096);
BENCHMARK(BM_PercentEscape_Std)->RangeMultiplier(8)->Range(8, 4096);

}  // namespace
