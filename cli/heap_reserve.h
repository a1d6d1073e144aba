// Heap set-up for a short run that loads whole registry files: the key tree
// of a 5 MB export takes tens of thousands of small allocations, and
// touching their memory page by page costs a third of the run in page
// faults. Reserving the heap in one piece with transparent huge pages turns
// those into a few dozen faults. Only the process's own allocator settings
// change; nothing is allocated for good.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The size in bytes of the largest of files that exist (0 when none does).
uint64_t LargestFileSize(const std::vector<std::string>& files);

// Grows the heap to hold about bytes in one contiguous piece, asks for
// transparent huge pages on it, and keeps freed memory in it rather than
// returning it to the system or mapping large blocks apart. Does nothing for
// bytes below 4 MiB (a small run gains nothing), caps just below 32 MiB (the
// most a glibc heap block may be; a larger load goes on beyond it as usual), and
// does nothing where the C library or the system offers no such settings
// (only glibc on Linux does). Call it before the large allocations, once.
void ReserveHeap(uint64_t bytes);
