// The .reg file store: loading an export (MB/s, both dialects, from the
// typical handheld's 5 MB to 200 MB files), the scan on what was loaded, and
// a Fix's durable rewrite of the file (lock file, fsync, rename, folder sync).
// Arguments are content sizes in MB as REGEDIT4 (the UTF-16 file of the same
// content is about twice as big); 0 stands for the typical export. Scaled
// exports hold 500 active drivers per MB (at least 1,000), one of them faulty.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "bench/bench_files.h"
#include "platform/registry/reg_file_store.h"
#include "platform/registry/registry.h"
#include "scan/serial_scan.h"

namespace {

RegistryShape ShapeOf(ExportDialect dialect, int64_t megabytes) {
  if (megabytes == 0) return TypicalShape(dialect);
  int mb = static_cast<int>(megabytes);
  return ScaledShape(dialect, mb, std::max(1000, 500 * mb));
}

std::unique_ptr<RegFileStore> LoadOrSkip(benchmark::State& state, const std::string& path) {
  std::string error;
  std::unique_ptr<RegFileStore> store = RegFileStore::Load(path, &error);
  if (store == nullptr) state.SkipWithError(error.c_str());
  return store;
}

void SetFileCounters(benchmark::State& state, uint64_t bytes, int64_t iterations_done) {
  state.SetBytesProcessed(iterations_done * static_cast<int64_t>(bytes));
  state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
}

// One load before the timing, so that the process's heap has grown to
// its working size (the page faults of a fresh process are in the
// whole-process times of bench/process_time.sh instead).
void WarmUp(benchmark::State& state, const std::string& path) { LoadOrSkip(state, path); }

// Loading: reading the file and building the key tree. Freeing the store
// afterwards is not timed.
void Load(benchmark::State& state, ExportDialect dialect) {
  const std::string path = BenchFile(ShapeOf(dialect, state.range(0)));
  WarmUp(state, path);
  for (auto _ : state) {
    std::unique_ptr<RegFileStore> store = LoadOrSkip(state, path);
    if (store == nullptr) break;
    benchmark::DoNotOptimize(store.get());
    state.PauseTiming();
    store.reset();
    state.ResumeTiming();
  }
  SetFileCounters(state, FileSize(path), state.iterations());
}
void BM_LoadRegedit4(benchmark::State& state) { Load(state, ExportDialect::Regedit4); }
void BM_LoadUnicode(benchmark::State& state) { Load(state, ExportDialect::Unicode5); }
BENCHMARK(BM_LoadRegedit4)->Arg(0)->Arg(10)->Arg(50)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadUnicode)->Arg(0)->Arg(5)->Arg(25)->Arg(100)->Unit(benchmark::kMillisecond);

// Detect in one process without the process: load, then scan.
void BM_LoadAndDetect(benchmark::State& state) {
  const std::string path = BenchFile(ShapeOf(ExportDialect::Regedit4, state.range(0)));
  WarmUp(state, path);
  for (auto _ : state) {
    std::unique_ptr<RegFileStore> store = LoadOrSkip(state, path);
    if (store == nullptr) break;
    InstallRegistryStore(store.get());
    DynString report;
    DynString message;
    ScanSerialDrivers(report, message, false);
    InstallRegistryStore(nullptr);
    benchmark::DoNotOptimize(report.Data());
    state.PauseTiming();
    store.reset();
    state.ResumeTiming();
  }
  SetFileCounters(state, FileSize(path), state.iterations());
}
BENCHMARK(BM_LoadAndDetect)->Arg(0)->Unit(benchmark::kMillisecond);

// A Fix: load a fresh copy of the export, scan with repair, which rewrites
// the one faulty Dll value durably. with_load false times only the scan and
// its rewrite. Cost should grow linearly with the file.
void Fix(benchmark::State& state, bool with_load) {
  const std::string pristine = BenchFile(ShapeOf(ExportDialect::Regedit4, state.range(0)));
  const std::string work = pristine + ".work";
  WarmUp(state, pristine);
  for (auto _ : state) {
    state.PauseTiming();
    CopyFile(pristine, work);
    std::unique_ptr<RegFileStore> store;
    if (!with_load) store = LoadOrSkip(state, work);
    state.ResumeTiming();
    if (with_load) store = LoadOrSkip(state, work);
    if (store == nullptr) break;
    InstallRegistryStore(store.get());
    DynString report;
    DynString message;
    ScanSerialDrivers(report, message, true);
    InstallRegistryStore(nullptr);
    if (message.Compare(SCAN_REPAIRED_MESSAGE) != 0) {
      state.SkipWithError(("nothing repaired: " + store->LastFailure()).c_str());
      break;
    }
    state.PauseTiming();
    store.reset();
    state.ResumeTiming();
  }
  std::remove(work.c_str());
  SetFileCounters(state, FileSize(pristine), state.iterations());
}
void BM_Fix(benchmark::State& state) { Fix(state, true); }
void BM_FixRewriteOnly(benchmark::State& state) { Fix(state, false); }
BENCHMARK(BM_Fix)->Arg(0)->Arg(10)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FixRewriteOnly)->Arg(0)->Arg(10)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace
