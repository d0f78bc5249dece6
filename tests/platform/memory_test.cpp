// The heap set-up of a short-lived program: large blocks come from the heap, the heap may take
// 2 MB pages, and freed memory stays for reuse. Each case runs in a fresh process of its own
// (the "threadsafe" death-test style starts the test program again), since the set-up holds
// for the whole process and is made early in main; the child ends with _exit, so that nothing
// of the parent's (as a leak check) runs again in it.
#include "platform/memory.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace {

// The mapping of /proc/self/smaps that holds `address`: its first line (which ends with
// "[heap]" for the heap) and its VmFlags line ("hg" when 2 MB pages are asked for).
struct Mapping {
  std::string Head;
  std::string Flags;
};

Mapping MappingAt(const void* address) {
  const auto a = reinterpret_cast<std::uintptr_t>(address);
  std::ifstream smaps("/proc/self/smaps");
  std::string line;
  Mapping m;
  bool inside = false;
  while (std::getline(smaps, line)) {
    std::uintptr_t from = 0, to = 0;
    char dash = 0;
    std::istringstream head(line);
    if (head >> std::hex >> from >> dash >> to && dash == '-') {
      inside = from <= a && a < to;
      if (inside) m.Head = line;
    } else if (inside && line.rfind("VmFlags:", 0) == 0) {
      m.Flags = line;
    }
  }
  return m;
}

TEST(KeepHeapForRun, LargeBlocksComeFromAHeapThatMayTakeLargePages) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitizers bring an allocator of their own, which keeps no [heap]";
#endif
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        platform::keep_heap_for_run(std::size_t{16} << 20);
        // A block of a few megabytes would have been mapped apart from the heap.
        const std::size_t size = std::size_t{3} << 20;
        char* block = static_cast<char*>(std::malloc(size));
        std::memset(block, 1, size);
        // Its last page lies past the first 2 MB boundary after the heap top of the set-up.
        const Mapping m = MappingAt(block + size - 1);
        const bool fromHeap = m.Head.find("[heap]") != std::string::npos;
        const bool large = m.Flags.find(" hg") != std::string::npos;
        std::free(block);
        // Freed, the memory stays: the same block is handed out again.
        char* again = static_cast<char*>(std::malloc(size));
        const bool reused = again == block;
        std::free(again);
        ::_exit((fromHeap ? 0 : 1) | (large ? 0 : 2) | (reused ? 0 : 4));
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(KeepHeapForRun, HeapStillGrowsPastTheStretchAskedFor) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        platform::keep_heap_for_run(std::size_t{4} << 20);
        // Far more than the stretch: allocations go on, and every byte is usable.
        constexpr int kBlocks = 64;
        char* blocks[kBlocks];
        for (char*& b : blocks) {
          b = static_cast<char*>(std::malloc(std::size_t{1} << 20));
          if (!b) ::_exit(1);
          std::memset(b, 7, std::size_t{1} << 20);
        }
        int bad = 0;
        for (char* b : blocks) bad += b[(std::size_t{1} << 20) - 1] != 7;
        for (char* b : blocks) std::free(b);
        ::_exit(bad == 0 ? 0 : 2);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
