#include "platform/memory.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace platform {

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
  const auto top = reinterpret_cast<std::uintptr_t>(::sbrk(0));
  const std::size_t heap = ::mallinfo2().arena;  // bytes the heap took by sbrk
  const auto start = (top - heap + kHuge - 1) & ~(kHuge - 1);
  const auto end = top & ~(kHuge - 1);
  if (probe && heap <= top && at >= top - heap && at < top && end > start)
    ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
  std::free(probe);
}

}  // namespace platform
