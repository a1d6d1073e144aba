#include "cli/heap_reserve.h"

#include <sys/stat.h>

#if defined(__GLIBC__) && defined(__linux__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

#include <cstdlib>

namespace {

constexpr uint64_t SMALLEST = 4ull << 20;
// glibc maps blocks of at least its mmap threshold apart from the heap, and
// the threshold goes up to 32 MiB on 64-bit systems: the reserve stays a
// little below it.
constexpr uint64_t MARGIN = 1ull << 20;
constexpr uint64_t LARGEST = (32ull << 20) - MARGIN;

}  // namespace

uint64_t LargestFileSize(const std::vector<std::string>& files) {
  uint64_t largest = 0;
  for (const std::string& file : files) {
    struct stat st;
    if (stat(file.c_str(), &st) == 0 && static_cast<uint64_t>(st.st_size) > largest) {
      largest = static_cast<uint64_t>(st.st_size);
    }
  }
  return largest;
}

void ReserveHeap(uint64_t bytes) {
#if defined(__GLIBC__) && defined(__linux__) && defined(MADV_HUGEPAGE)
  if (bytes < SMALLEST) return;
  if (bytes > LARGEST) bytes = LARGEST;
  // Blocks up to the whole reserve come from the heap (not separate
  // mappings), and memory freed to the top of the heap stays there.
  mallopt(M_MMAP_THRESHOLD, static_cast<int>(bytes + MARGIN));
  mallopt(M_TRIM_THRESHOLD, static_cast<int>(2 * bytes));
  // One block of the reserve's size moves the top of the heap past it;
  // freed at once, it leaves the space for the allocations to come.
  void* block = std::malloc(bytes);
  if (block == nullptr) return;
  constexpr uintptr_t HUGE_PAGE = 2u << 20;
  uintptr_t start = (reinterpret_cast<uintptr_t>(block) + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
  uintptr_t end = reinterpret_cast<uintptr_t>(sbrk(0)) & ~(HUGE_PAGE - 1);
  if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
  std::free(block);
#else
  (void)bytes;
  (void)SMALLEST;
  (void)MARGIN;
  (void)LARGEST;
#endif
}
