// Finding a search text in file contents, with "a".."z" taken as "A".."Z": the inner loop of
// SEARCH, which has to keep up with reading the files.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace do_tool {

class CaseBlindFinder {
 public:
  // text: the upper-cased search text; an empty text is never found.
  explicit CaseBlindFinder(std::string text);
  bool FoundIn(std::string_view data) const;

 private:
  std::string text_;
  // Horspool's shift per byte, both cases of a letter alike: most bytes are never looked at.
  std::array<std::size_t, 256> shift_{};
};

}  // namespace do_tool
