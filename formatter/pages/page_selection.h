#pragma once
// Which pages a print run draws: a typed page list such as "7,9,12-16,21" (optionally
// inverted) and the odd/even choice of the print-range dialog.

#include <array>
#include <cstdint>
#include <string_view>

namespace tavrel {

inline constexpr int kPageRangeCount = 40;  // table size; the parser fills at most 20
inline constexpr int kPageListWords = 20;

struct PageRange {
  std::int32_t From = 0;
  std::int32_t To = 0;
  bool operator==(const PageRange&) const = default;
};

struct PageSelection {
  std::array<PageRange, kPageRangeCount> Ranges{};
  bool ListValid = false;  // set by ParsePageList when the whole list was read
  bool Inverted = false;   // print every page but those of the list
  bool OddPages = true;    // the dialog sets both for all pages
  bool EvenPages = true;
  std::int32_t FirstPage = 1;  // used when no valid list is given
};

// Fills the table and the valid flag from the text of the print-range dialog.
void ParsePageList(std::string_view text, PageSelection& selection);

bool PageInList(const PageSelection& selection, std::int32_t page);
bool PassesParity(const PageSelection& selection, std::int32_t page);
// The page number is the number as printed (changed by "PN"), not the physical count.
bool PageSelectedForPrinting(const PageSelection& selection, std::int32_t page);

}  // namespace tavrel
