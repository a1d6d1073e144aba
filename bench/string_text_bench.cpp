// The string library's search and edit operations beside the std::string and
// std::string_view code a C++ programmer would write instead (pairs named
// BM_<Operation>_Dyn and BM_<Operation>_Std).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

#include "text/dyn_string.h"

namespace {

// A registry-like text of n characters with no occurrence of "BTCEIF" in it,
// followed by the needle at its very end (the search reads everything).
std::string HaystackOf(int n, const std::string& needle) {
  std::string text;
  while (static_cast<int>(text.size()) < n)
    text += "Drivers\\BuiltIn\\Serial \"Dll\"=\"serial.dll\" ";
  text.resize(static_cast<size_t>(n));
  return text + needle;
}

void BM_FindText_Dyn(benchmark::State& state) {
  const std::string text = HaystackOf(static_cast<int>(state.range(0)), "BTCEIF");
  DynString s(text.c_str());
  for (auto _ : state) benchmark::DoNotOptimize(s.FindText("BTCEIF", 0, false, false));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
void BM_FindText_Std(benchmark::State& state) {
  const std::string text = HaystackOf(static_cast<int>(state.range(0)), "BTCEIF");
  const std::string_view s(text);
  for (auto _ : state) benchmark::DoNotOptimize(s.find("BTCEIF"));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_FindText_Dyn)->RangeMultiplier(16)->Range(64, 65536);
BENCHMARK(BM_FindText_Std)->RangeMultiplier(16)->Range(64, 65536);

// Whole word and ignoring case: the library compares pair by pair through an
// ASCII upper-casing; the std code uses std::search with the same predicate.
void BM_FindTextWordNoCase_Dyn(benchmark::State& state) {
  const std::string text = HaystackOf(static_cast<int>(state.range(0)), " btceif");
  DynString s(text.c_str());
  for (auto _ : state) benchmark::DoNotOptimize(s.FindText("BTCEIF", 0, true, true));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
bool IsWord(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }
void BM_FindTextWordNoCase_Std(benchmark::State& state) {
  const std::string text = HaystackOf(static_cast<int>(state.range(0)), " btceif");
  const std::string_view needle = "BTCEIF";
  auto same = [](char a, char b) {
    return std::toupper(static_cast<unsigned char>(a)) ==
           std::toupper(static_cast<unsigned char>(b));
  };
  for (auto _ : state) {
    auto from = text.begin();
    size_t found = std::string::npos;
    while (true) {
      auto it = std::search(from, text.end(), needle.begin(), needle.end(), same);
      if (it == text.end()) break;
      size_t pos = static_cast<size_t>(it - text.begin());
      size_t end = pos + needle.size();
      if ((pos == 0 || !IsWord(text[pos - 1])) && (end == text.size() || !IsWord(text[end]))) {
        found = pos;
        break;
      }
      from = it + 1;
    }
    benchmark::DoNotOptimize(found);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_FindTextWordNoCase_Dyn)->RangeMultiplier(16)->Range(64, 65536);
BENCHMARK(BM_FindTextWordNoCase_Std)->RangeMultiplier(16)->Range(64, 65536);

// A text of n characters holding `count` occurrences of "serial", spread out.
std::string TextWithOccurrences(int n, int count) {
  std::string text(static_cast<size_t>(n), '.');
  for (int i = 0; i < count; ++i) text.replace(static_cast<size_t>(i) * n / count, 6, "serial");
  return text;
}

// Replaces every "serial" by "BTCEIF.DLL". The library searches again from
// the start after every replacement and copies the rest of the text each
// time (the order decides what gets replaced), so its cost grows with the
// number of occurrences times the length.
void ReplaceTextDyn(benchmark::State& state, int occurrences) {
  const std::string text = TextWithOccurrences(static_cast<int>(state.range(0)), occurrences);
  DynString s;
  for (auto _ : state) {
    s.Assign(text.c_str());
    benchmark::DoNotOptimize(s.ReplaceText("serial", "BTCEIF.DLL", false));
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
void ReplaceTextStd(benchmark::State& state, int occurrences) {
  const std::string text = TextWithOccurrences(static_cast<int>(state.range(0)), occurrences);
  const std::string from = "serial";
  const std::string to = "BTCEIF.DLL";
  std::string s;
  for (auto _ : state) {
    s.assign(text.c_str());
    int count = 0;
    for (size_t p = s.find(from); p != std::string::npos; p = s.find(from, p + to.size())) {
      s.replace(p, from.size(), to);
      ++count;
    }
    benchmark::DoNotOptimize(count);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
// Two occurrences in a line of n characters: cost linear in n.
void BM_ReplaceText_Dyn(benchmark::State& state) { ReplaceTextDyn(state, 2); }
void BM_ReplaceText_Std(benchmark::State& state) { ReplaceTextStd(state, 2); }
BENCHMARK(BM_ReplaceText_Dyn)->RangeMultiplier(8)->Range(64, 32768);
BENCHMARK(BM_ReplaceText_Std)->RangeMultiplier(8)->Range(64, 32768);
// One occurrence every 64 characters: the library's cost grows with n squared.
void BM_ReplaceTextDense_Dyn(benchmark::State& state) {
  ReplaceTextDyn(state, static_cast<int>(state.range(0) / 64));
}
void BM_ReplaceTextDense_Std(benchmark::State& state) {
  ReplaceTextStd(state, static_cast<int>(state.range(0) / 64));
}
BENCHMARK(BM_ReplaceTextDense_Dyn)->RangeMultiplier(8)->Range(64, 32768);
BENCHMARK(BM_ReplaceTextDense_Std)->RangeMultiplier(8)->Range(64, 32768);

}  // namespace
