// How a short-lived program's heap grows. A compile run builds tens of megabytes of small
// objects and page texts, frees most of them and builds them again for the next page; on a
// virtual machine every fresh 4 KB page costs a fault that is dearer than the work done in it.
#pragma once

#include <cstddef>

namespace platform {

// Keeps freed memory in the process for reuse instead of giving it back to the system at
// once, takes large blocks from the heap rather than mapping each one anew, and asks for
// 2 MB pages for the first `reserve` bytes of the heap. Call once, early in main, before the
// memory is used; the heap grows past `reserve` as it would have without this.
void keep_heap_for_run(std::size_t reserve);

}  // namespace platform
