// Arbitrary bytes as the output of `lpstat -e`: every queue name is one non-empty line of it,
// without line ends or trailing blanks, in the order of the listing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/printers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view listing(reinterpret_cast<const char*>(data), size);
  std::size_t from = 0;
  for (const std::string& queue : platform::parse_cups_queue_listing(listing)) {
    if (queue.empty() || queue.find('\n') != std::string::npos) std::abort();
    if (queue.back() == ' ' || queue.back() == '\r') std::abort();
    const std::size_t at = listing.find(queue, from);
    if (at == std::string_view::npos) std::abort();
    from = at + queue.size();
  }
  return 0;
}
