// The driver scan (Detect and Fix) on an in-memory store holding a generated
// registry, against the number of active drivers: its cost, report included,
// should grow linearly with them.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "bench/registry_generator.h"
#include "platform/code_page.h"
#include "platform/device/device_registry.h"
#include "platform/device/device_repair.h"
#include "platform/device/rapi_link.h"
#include "platform/registry/registry.h"
#include "platform/registry/testing/memory_registry.h"
#include "scan/serial_scan.h"

namespace {

std::u16string Widened(const std::string& narrow) {
  std::u16string wide;
  for (char c : narrow) wide += CodePageToWide(static_cast<unsigned char>(c));
  return wide;
}

RegKey RootNamed(const std::string& name) {
  if (name == "HKEY_CLASSES_ROOT") return HKEY_CLASSES_ROOT;
  if (name == "HKEY_CURRENT_USER") return HKEY_CURRENT_USER;
  if (name == "HKEY_USERS") return HKEY_USERS;
  if (name == "HKEY_CURRENT_CONFIG") return HKEY_CURRENT_CONFIG;
  return HKEY_LOCAL_MACHINE;
}

// Fills a MemoryRegistry with what the generator produces, and remembers the
// driver keys whose Dll is faulty so that a Fix can be undone.
class MemorySink : public RegistrySink {
 public:
  explicit MemorySink(MemoryRegistry& registry) : registry_(registry) {}

  void Key(const std::string& root, const std::string& path) override {
    root_ = RootNamed(root);
    path_ = Widened(path);
    registry_.PutKey(root_, path_);
  }
  void String(const std::string& name, const std::string& text) override {
    registry_.PutString(root_, path_, Widened(name), Widened(text));
    if (name == "Dll" && (text == "QVBTDEV.DLL" || text.find("---") == 0)) {
      faulty_.push_back({path_, Widened(text)});
    }
  }
  void Dword(const std::string& name, uint32_t value) override {
    std::vector<uint8_t> bytes = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                                  static_cast<uint8_t>(value >> 16),
                                  static_cast<uint8_t>(value >> 24)};
    registry_.PutValue(root_, path_, Widened(name), REG_DWORD, bytes);
  }
  void Text(const std::string& name, uint32_t type, const std::string& text) override {
    std::vector<uint8_t> bytes;
    for (char16_t unit : Widened(text) + u'\0') {
      bytes.push_back(static_cast<uint8_t>(unit));
      bytes.push_back(static_cast<uint8_t>(unit >> 8));
    }
    registry_.PutValue(root_, path_, Widened(name), type, bytes);
  }
  void Binary(const std::string& name, const std::vector<uint8_t>& bytes) override {
    registry_.PutValue(root_, path_, Widened(name), REG_BINARY, bytes);
  }

  // Writes the faulty Dll values back, as they were generated.
  void RestoreFaulty() {
    for (const auto& [path, dll] : faulty_)
      registry_.PutString(HKEY_LOCAL_MACHINE, path, u"Dll", dll);
  }
  size_t FaultyCount() const { return faulty_.size(); }

 private:
  MemoryRegistry& registry_;
  RegKey root_ = HKEY_LOCAL_MACHINE;
  std::u16string path_;
  std::vector<std::pair<std::u16string, std::u16string>> faulty_;
};

// A store with `drivers` active drivers, one in forty faulty, and no other
// keys (the scan never looks at them; BM_Scan*_Typical has them).
struct ScanFixture {
  explicit ScanFixture(const RegistryShape& shape) : sink(registry) {
    GenerateRegistry(shape, sink);
    InstallRegistryStore(&registry);
  }
  ~ScanFixture() { InstallRegistryStore(nullptr); }

  MemoryRegistry registry;
  MemorySink sink;
};

RegistryShape DriversOnly(int drivers) {
  RegistryShape shape;
  shape.keys = 0;
  shape.values = 0;
  shape.drivers = drivers;
  shape.faulty = drivers / 40 > 0 ? drivers / 40 : 1;
  return shape;
}

void RunScan(benchmark::State& state, const RegistryShape& shape, bool repair) {
  ScanFixture fixture(shape);
  size_t report_length = 0;
  for (auto _ : state) {
    DynString report;
    DynString message;
    ScanSerialDrivers(report, message, repair);
    benchmark::DoNotOptimize(report.Data());
    report_length = static_cast<size_t>(report.Length());
    if (repair) {
      state.PauseTiming();
      fixture.sink.RestoreFaulty();
      state.ResumeTiming();
    }
  }
  state.SetComplexityN(shape.drivers);
  state.counters["drivers"] = shape.drivers;
  state.counters["faulty"] = static_cast<double>(fixture.sink.FaultyCount());
  state.counters["report_bytes"] = static_cast<double>(report_length);
  // Time per active driver: flat when the scan is linear.
  state.counters["per_driver"] = benchmark::Counter(
      static_cast<double>(shape.drivers),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_ScanDetect(benchmark::State& state) {
  RunScan(state, DriversOnly(static_cast<int>(state.range(0))), false);
}
void BM_ScanFix(benchmark::State& state) {
  RunScan(state, DriversOnly(static_cast<int>(state.range(0))), true);
}
// 1,000 to 32,000 drivers, doubling: the scan's time grows with their number.
void DriverCounts(benchmark::internal::Benchmark* benchmark) {
  for (int drivers = 1000; drivers <= 32000; drivers *= 2) benchmark->Arg(drivers);
  benchmark->Complexity(benchmark::oN)->Unit(benchmark::kMicrosecond);
}
BENCHMARK(BM_ScanDetect)->Apply(DriverCounts);
BENCHMARK(BM_ScanFix)->Apply(DriverCounts);

// The typical handheld: 40 active drivers among 20,000 keys.
void BM_ScanDetect_Typical(benchmark::State& state) {
  RunScan(state, TypicalShape(ExportDialect::Regedit4), false);
}
void BM_ScanFix_Typical(benchmark::State& state) {
  RunScan(state, TypicalShape(ExportDialect::Regedit4), true);
}
BENCHMARK(BM_ScanDetect_Typical)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScanFix_Typical)->Unit(benchmark::kMicrosecond);

// rapi.dll's registry calls answered by the generated registry, as a
// connected handheld answers them: the device store above it counts each
// call, every one of which crosses the USB link. Values are not enumerated:
// the scan never does.
class LinkOverMemory : public RapiLink {
 public:
  explicit LinkOverMemory(MemoryRegistry& registry) : registry_(registry) {}
  int32_t OpenKey(uintptr_t key, const char16_t* path, uintptr_t* result) override {
    return registry_.OpenKey(key, path, result);
  }
  int32_t EnumKey(uintptr_t key, uint32_t index, char16_t* name, uint32_t* length) override {
    return registry_.EnumSubkey(key, index, name, length);
  }
  int32_t EnumValue(uintptr_t, uint32_t, char16_t*, uint32_t*, uint32_t*, uint8_t*,
                    uint32_t*) override {
    return ERROR_NOT_SUPPORTED;
  }
  int32_t QueryValue(uintptr_t key, const char16_t* name, uint32_t* type, uint8_t* data,
                     uint32_t* length) override {
    return registry_.QueryValue(key, name, type, data, length);
  }
  int32_t SetValue(uintptr_t key, const char16_t* name, uint32_t type, const uint8_t* data,
                   uint32_t length) override {
    return registry_.SetValue(key, name, type, data, length);
  }
  int32_t CloseKey(uintptr_t key) override { return registry_.CloseKey(key); }
  int32_t LinkError() override { return 0; }

 private:
  MemoryRegistry& registry_;
};

// Detect, or Fix as `fix --device` makes it (the scan without writing, then
// each faulty driver written and read back), over the link: the round trips
// per active-driver entry, and per driver repaired.
void RunOverLink(benchmark::State& state, const RegistryShape& shape, bool repair) {
  ScanFixture fixture(shape);
  LinkOverMemory link(fixture.registry);
  uint64_t scan_calls = 0;
  uint64_t repair_calls = 0;
  size_t repaired = 0;
  for (auto _ : state) {
    DeviceRegistry device(link);
    InstallRegistryStore(&device);
    DynString report;
    DynString message;
    ScanEntryList entries;
    ScanSerialDrivers(report, message, false, &entries);
    benchmark::DoNotOptimize(report.Data());
    scan_calls = device.Calls();
    if (repair) {
      std::vector<DriverRepair> repairs;
      for (const ScanEntry& entry : entries.entries)
        if (entry.faulty) repairs.push_back({entry.key, RepairOutcome::NotTried, ""});
      RepairDrivers(device, SCAN_REPAIRED_DLL, repairs);
      repair_calls = device.Calls() - scan_calls;
      repaired = repairs.size();
      state.PauseTiming();
      fixture.sink.RestoreFaulty();
      state.ResumeTiming();
    }
    InstallRegistryStore(&fixture.registry);
  }
  state.counters["drivers"] = shape.drivers;
  state.counters["scan_calls"] = static_cast<double>(scan_calls);
  state.counters["calls_per_entry"] = static_cast<double>(scan_calls) / shape.drivers;
  if (repair) {
    state.counters["repaired"] = static_cast<double>(repaired);
    state.counters["calls_per_repair"] =
        repaired > 0 ? static_cast<double>(repair_calls) / repaired : 0.0;
  }
}

void BM_DeviceDetect(benchmark::State& state) {
  RunOverLink(state, DriversOnly(static_cast<int>(state.range(0))), false);
}
void BM_DeviceFix(benchmark::State& state) {
  RunOverLink(state, DriversOnly(static_cast<int>(state.range(0))), true);
}
BENCHMARK(BM_DeviceDetect)->Arg(40)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DeviceFix)->Arg(40)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace
