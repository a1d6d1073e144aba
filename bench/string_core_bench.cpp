// The string library's core and number operations beside the std::string and
// snprintf code a C++ programmer would write instead. Each pair is named
// BM_<Operation>_Dyn and BM_<Operation>_Std; bench/ratios.py divides them.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "text/dyn_string.h"

namespace {

// Short pieces of the kind the scan's report is made of.
const char* const PIECES[8] = {"COM1:",     "\r\nDll: ", "BTCEIF.DLL", "\r\n",
                               "Drivers\\", "Active",    "  FIXED!",   "x"};

// A text of n characters.
std::string TextOf(int n) {
  std::string text;
  while (static_cast<int>(text.size()) < n) text += "Drivers\\BuiltIn\\Serial ";
  text.resize(static_cast<size_t>(n));
  return text;
}

// Appends n short pieces to a fresh string. DynString measures its own length
// with strlen on every Append, so its cost grows with the square of n.
void BM_AppendShort_Dyn(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    DynString s;
    for (int i = 0; i < n; ++i) s.Append(PIECES[i & 7]);
    benchmark::DoNotOptimize(s.Data());
  }
  state.SetItemsProcessed(state.iterations() * n);
}
void BM_AppendShort_Std(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::string s;
    for (int i = 0; i < n; ++i) s.append(PIECES[i & 7]);
    benchmark::DoNotOptimize(s.data());
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_AppendShort_Dyn)->RangeMultiplier(4)->Range(4, 4096);
BENCHMARK(BM_AppendShort_Std)->RangeMultiplier(4)->Range(4, 4096);

void BM_AppendChar_Dyn(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    DynString s;
    for (int i = 0; i < n; ++i) s.AppendChar(static_cast<char>('a' + (i & 15)));
    benchmark::DoNotOptimize(s.Data());
  }
  state.SetItemsProcessed(state.iterations() * n);
}
void BM_AppendChar_Std(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::string s;
    for (int i = 0; i < n; ++i) s.push_back(static_cast<char>('a' + (i & 15)));
    benchmark::DoNotOptimize(s.data());
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_AppendChar_Dyn)->RangeMultiplier(8)->Range(8, 512);
BENCHMARK(BM_AppendChar_Std)->RangeMultiplier(8)->Range(8, 512);

// Assigns a text of n characters into a string that already has room.
void BM_Assign_Dyn(benchmark::State& state) {
  const std::string text = TextOf(static_cast<int>(state.range(0)));
  DynString s;
  for (auto _ : state) {
    s.Assign(text.c_str());
    benchmark::DoNotOptimize(s.Data());
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
void BM_Assign_Std(benchmark::State& state) {
  const std::string text = TextOf(static_cast<int>(state.range(0)));
  std::string s;
  for (auto _ : state) {
    s.assign(text.c_str());
    benchmark::DoNotOptimize(s.data());
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Assign_Dyn)->Arg(8)->Arg(32)->Arg(256)->Arg(4096);
BENCHMARK(BM_Assign_Std)->Arg(8)->Arg(32)->Arg(256)->Arg(4096);

// A fresh copy of a text of n characters: DynString always allocates, while
// std::string keeps up to 15 characters inside the object.
void BM_Construct_Dyn(benchmark::State& state) {
  const std::string text = TextOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    DynString s(text.c_str());
    benchmark::DoNotOptimize(s.Data());
  }
}
void BM_Construct_Std(benchmark::State& state) {
  const std::string text = TextOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::string s(text.c_str());
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_Construct_Dyn)->Arg(8)->Arg(32)->Arg(256);
BENCHMARK(BM_Construct_Std)->Arg(8)->Arg(32)->Arg(256);

// Compares two equal texts of n characters (the worst case: every character).
void BM_Compare_Dyn(benchmark::State& state) {
  const std::string text = TextOf(static_cast<int>(state.range(0)));
  DynString s(text.c_str());
  const std::string other = text;
  for (auto _ : state) benchmark::DoNotOptimize(s.Compare(other.c_str()));
}
void BM_Compare_Std(benchmark::State& state) {
  const std::string text = TextOf(static_cast<int>(state.range(0)));
  const std::string s = text;
  const std::string other = text;
  for (auto _ : state) benchmark::DoNotOptimize(s.compare(other.c_str()));
}
BENCHMARK(BM_Compare_Dyn)->Arg(8)->Arg(64)->Arg(1024);
BENCHMARK(BM_Compare_Std)->Arg(8)->Arg(64)->Arg(1024);

// Equality of two equal texts; Equals measures both lengths first.
void BM_Equals_Dyn(benchmark::State& state) {
  const std::string text = TextOf(static_cast<int>(state.range(0)));
  DynString s(text.c_str());
  const std::string other = text;
  for (auto _ : state) benchmark::DoNotOptimize(s.Equals(other.c_str()));
}
void BM_Equals_Std(benchmark::State& state) {
  const std::string text = TextOf(static_cast<int>(state.range(0)));
  const std::string s = text;
  const std::string other = text;
  for (auto _ : state) benchmark::DoNotOptimize(s == other.c_str());
}
BENCHMARK(BM_Equals_Dyn)->Arg(8)->Arg(64)->Arg(1024);
BENCHMARK(BM_Equals_Std)->Arg(8)->Arg(64)->Arg(1024);

// A typical formatted line, into a string that already has room.
void BM_Format_Dyn(benchmark::State& state) {
  DynString s;
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        s.Format("%s%d: %s at 0x%08X, %d of %d", "COM", i & 7, "BTCEIF.DLL", i, i, 40));
    ++i;
  }
}
// snprintf into a char buffer: the floor for Format, which copies the
// result into the string as well.
void BM_Format_Snprintf(benchmark::State& state) {
  char buffer[256];
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::snprintf(buffer, sizeof buffer, "%s%d: %s at 0x%08X, %d of %d",
                                           "COM", i & 7, "BTCEIF.DLL", i, i, 40));
    benchmark::ClobberMemory();
    ++i;
  }
}
// snprintf and assign: what std::string code writes for the same result.
void BM_Format_Std(benchmark::State& state) {
  std::string s;
  char buffer[256];
  int i = 0;
  for (auto _ : state) {
    int n = std::snprintf(buffer, sizeof buffer, "%s%d: %s at 0x%08X, %d of %d", "COM", i & 7,
                          "BTCEIF.DLL", i, i, 40);
    s.assign(buffer, static_cast<size_t>(n));
    benchmark::DoNotOptimize(s.data());
    ++i;
  }
}
BENCHMARK(BM_Format_Dyn);
BENCHMARK(BM_Format_Snprintf);
BENCHMARK(BM_Format_Std);

// Insertion of n integers, each with a separator, into a fresh string.
void BM_InsertInt_Dyn(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    DynString s;
    for (int i = 0; i < n; ++i) s << (i * 7919) << ' ';
    benchmark::DoNotOptimize(s.Data());
  }
  state.SetItemsProcessed(state.iterations() * n);
}
void BM_InsertInt_Std(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::string s;
    for (int i = 0; i < n; ++i) {
      s += std::to_string(i * 7919);
      s += ' ';
    }
    benchmark::DoNotOptimize(s.data());
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_InsertInt_Dyn)->Arg(1)->Arg(8)->Arg(64);
BENCHMARK(BM_InsertInt_Std)->Arg(1)->Arg(8)->Arg(64);

// Insertion of n doubles with the default one decimal.
void BM_InsertDouble_Dyn(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    DynString s;
    for (int i = 0; i < n; ++i) s << (i * 0.37) << ' ';
    benchmark::DoNotOptimize(s.Data());
  }
  state.SetItemsProcessed(state.iterations() * n);
}
void BM_InsertDouble_Std(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::string s;
    for (int i = 0; i < n; ++i) {
      char buffer[32];
      std::snprintf(buffer, sizeof buffer, "%.1f", i * 0.37);
      s += buffer;
      s += ' ';
    }
    benchmark::DoNotOptimize(s.data());
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_InsertDouble_Dyn)->Arg(1)->Arg(8)->Arg(64);
BENCHMARK(BM_InsertDouble_Std)->Arg(1)->Arg(8)->Arg(64);

// A chain of mixed insertions making one report-like line.
void BM_InsertChain_Dyn(benchmark::State& state) {
  int i = 0;
  for (auto _ : state) {
    DynString s;
    s << "Port " << (i & 15) << ": "
      << "BTCEIF.DLL" << ' ' << (i * 31) << "\r\n";
    benchmark::DoNotOptimize(s.Data());
    ++i;
  }
}
void BM_InsertChain_Std(benchmark::State& state) {
  int i = 0;
  for (auto _ : state) {
    std::string s;
    s += "Port ";
    s += std::to_string(i & 15);
    s += ": ";
    s += "BTCEIF.DLL";
    s += ' ';
    s += std::to_string(i * 31);
    s += "\r\n";
    benchmark::DoNotOptimize(s.data());
    ++i;
  }
}
BENCHMARK(BM_InsertChain_Dyn);
BENCHMARK(BM_InsertChain_Std);

}  // namespace
