// How a short-lived program's heap grows. A program that builds tens of megabytes of small
// objects and texts, frees most of them and builds them again, pays for every fresh 4 KB page
// with a fault, which on a virtual machine is dearer than the work done in the page.
#pragma once

#include <cstddef>

namespace platform {

// Keeps freed memory in the process for reuse instead of giving it back to the system at
// once, takes large blocks from the heap rather than mapping each one anew, grows the heap by
// `reserve` and asks for 2 MB pages for it as it then stands. Call once, early in main; the
// heap grows further as it would have without this.
void keep_heap_for_run(std::size_t reserve);

}  // namespace platform
