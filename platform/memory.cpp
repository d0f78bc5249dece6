#include "platform/memory.h"

#include <malloc.h>
#include <sys/mman.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

// The bounds of the heap the program break delimits, from the process's map; false when none.
bool heap_bounds(std::uintptr_t& from, std::uintptr_t& to) {
  std::FILE* maps = std::fopen("/proc/self/maps", "r");
  if (!maps) return false;
  char line[512];
  bool found = false;
  while (!found && std::fgets(line, sizeof line, maps)) {
    unsigned long long a = 0, b = 0;
    found = std::strstr(line, "[heap]") && std::sscanf(line, "%llx-%llx", &a, &b) == 2;
    from = static_cast<std::uintptr_t>(a);
    to = static_cast<std::uintptr_t>(b);
  }
  std::fclose(maps);
  return found;
}

}  // namespace

void keep_heap_for_run(std::size_t reserve) {
  constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
  // Blocks below this come from the heap and go back to it; the heap is not cut down while
  // the run lasts; it grows by `reserve` at a time.
  ::mallopt(M_MMAP_THRESHOLD, 64 << 20);
  ::mallopt(M_TRIM_THRESHOLD, 512 << 20);
  ::mallopt(M_TOP_PAD, static_cast<int>(reserve));
  // A block larger than all the heap has free makes it grow by `reserve` beyond the block;
  // the heap may then be backed by 2 MB pages, one fault each instead of 512. Only when the
  // block came from the heap: an allocator of its own (as the sanitizers bring) keeps its
  // memory elsewhere.
  void* probe = std::malloc(::mallinfo2().fordblks + kHuge);
  const auto at = reinterpret_cast<std::uintptr_t>(probe);
  std::uintptr_t from = 0, to = 0;
  if (probe && heap_bounds(from, to) && at >= from && at < to) {
    const auto start = (from + kHuge - 1) & ~(kHuge - 1);
    const auto end = to & ~(kHuge - 1);
    if (end > start) ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
  }
  std::free(probe);
}

}  // namespace platform
