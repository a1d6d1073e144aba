// quorvafix-bench-load-memory FILE...: the memory loading a registry export
// takes, for each file in a fresh process (run it once per file: the peak is
// the process's high-water mark). Prints the file size, the growth of the
// peak resident set during the load (getrusage ru_maxrss), the heap the
// loaded store keeps (mallinfo2), and both as multiples of the file size.
#include <malloc.h>
#include <sys/resource.h>

#include <cstdio>
#include <memory>
#include <string>

#include "bench/bench_files.h"
#include "platform/registry/reg_file_store.h"

namespace {

double PeakResidentMB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
}

double HeapInUseMB() {
  struct mallinfo2 info = mallinfo2();
  return static_cast<double>(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: quorvafix-bench-load-memory FILE\n", stderr);
    return 2;
  }
  const std::string path = argv[1];
  const double file_mb = static_cast<double>(FileSize(path)) / (1024.0 * 1024.0);
  const double peak_before = PeakResidentMB();
  const double heap_before = HeapInUseMB();
  std::string error;
  std::unique_ptr<RegFileStore> store = RegFileStore::Load(path, &error);
  if (store == nullptr) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  const double peak_growth = PeakResidentMB() - peak_before;
  const double heap_kept = HeapInUseMB() - heap_before;
  std::printf(
      "%s: file %.1f MiB, peak RSS growth %.1f MiB (%.2f x file), heap kept %.1f MiB (%.2f x "
      "file)\n",
      path.c_str(), file_mb, peak_growth, peak_growth / file_mb, heap_kept, heap_kept / file_mb);
  return 0;
}
