#include "formatter/pages/page_selection.h"

#include <charconv>
#include <string>

#include "formatter/common/text_services.h"

namespace tavrel {

namespace {

// A whole decimal integer, optionally signed; nothing else may follow.
bool ReadInteger(std::string_view text, std::int32_t& value) {
  if (text.empty()) return false;
  std::size_t start = text[0] == '+' ? 1 : 0;
  const char* first = text.data() + start;
  const char* last = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(first, last, value);
  return ec == std::errc() && ptr == last && first != last;
}

}  // namespace

void ParsePageList(std::string_view text, PageSelection& selection) {
  selection.Ranges.fill(PageRange{});
  std::string line(text);
  for (char& c : line)
    if (c == ',') c = ' ';
  WordList words;
  SplitLineIntoWords(line, words, 0);
  for (int n = 1;; ++n) {
    if (n > kPageListWords || words[static_cast<std::size_t>(n - 1)].empty()) {
      selection.ListValid = true;
      return;
    }
    const std::string& word = words[static_cast<std::size_t>(n - 1)];
    std::string fromPart = word;
    std::string toPart = word;
    if (const std::size_t dash = word.find('-'); dash != std::string::npos) {
      fromPart = word.substr(0, std::min<std::size_t>(dash, 20));
      toPart = word.substr(dash + 1, 20);
    }
    PageRange& range = selection.Ranges[static_cast<std::size_t>(n - 1)];
    const bool fromOk = ReadInteger(fromPart, range.From);
    const bool toOk = ReadInteger(toPart, range.To);
    if (!fromOk) range.From = 0;
    if (!toOk) range.To = 0;
    // A word that begins with "-" has an empty from part: it counts from page 0.
    if ((!fromOk || !toOk) && !fromPart.empty()) {
      selection.ListValid = false;
      return;
    }
  }
}

bool PageInList(const PageSelection& selection, std::int32_t page) {
  for (const PageRange& r : selection.Ranges)
    if (page >= r.From && page <= r.To) return true;
  return false;
}

bool PassesParity(const PageSelection& selection, std::int32_t page) {
  const bool odd = (page % 2) != 0;
  return (selection.OddPages && odd) || (selection.EvenPages && !odd);
}

bool PageSelectedForPrinting(const PageSelection& selection, std::int32_t page) {
  if (selection.ListValid)
    return (PageInList(selection, page) != selection.Inverted) && PassesParity(selection, page);
  return page >= selection.FirstPage && PassesParity(selection, page);
}

}  // namespace tavrel
