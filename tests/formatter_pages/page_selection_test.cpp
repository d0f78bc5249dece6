// Page lists of the print-range dialog and the choice of the pages a print run draws.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formatter/pages/page_selection.h"

namespace tavrel {
namespace {

struct ListCase {
  const char* Name;
  const char* Text;
  bool Valid;
  std::vector<PageRange> Ranges;  // the first entries; the rest must be (0, 0)
};

// Test output names the case instead of dumping its bytes.
void PrintTo(const ListCase& c, std::ostream* os) { *os << c.Name; }

class ParsePageListTest : public ::testing::TestWithParam<ListCase> {};

TEST_P(ParsePageListTest, FillsTheTableAndTheValidFlag) {
  const ListCase& c = GetParam();
  PageSelection s;
  s.Ranges.fill(PageRange{99, 99});  // the parser clears the whole table first
  s.ListValid = !c.Valid;
  ParsePageList(c.Text, s);
  EXPECT_EQ(s.ListValid, c.Valid);
  for (std::size_t i = 0; i < s.Ranges.size(); ++i) {
    const PageRange expected = i < c.Ranges.size() ? c.Ranges[i] : PageRange{};
    EXPECT_EQ(s.Ranges[i], expected) << "entry " << i + 1;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParsePageListTest,
    ::testing::Values(
        ListCase{"list_with_ranges", "7,9,12-16,21", true, {{7, 7}, {9, 9}, {12, 16}, {21, 21}}},
        ListCase{"blanks_separate_too", "3 5-6", true, {{3, 3}, {5, 6}}},
        ListCase{"empty_text", "", true, {}},
        ListCase{"word_that_is_no_number", "3-x", false, {{3, 0}}},
        ListCase{"letters", "1,abc", false, {{1, 1}}},
        ListCase{"leading_dash_counts_from_page_0", "-5", true, {{0, 5}}},
        ListCase{"two_commas_end_the_list", "4,,8", true, {{4, 4}}},
        ListCase{"twenty_first_word_is_not_read",
                 "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21",
                 true,
                 {{1, 1},   {2, 2},   {3, 3},   {4, 4},   {5, 5},   {6, 6},   {7, 7},
                  {8, 8},   {9, 9},   {10, 10}, {11, 11}, {12, 12}, {13, 13}, {14, 14},
                  {15, 15}, {16, 16}, {17, 17}, {18, 18}, {19, 19}, {20, 20}}}),
    [](const auto& info) { return std::string(info.param.Name); });

struct SelectionCase {
  const char* Name;
  const char* List;  // nullptr: no list
  bool Inverted, Odd, Even;
  std::vector<int> Printed;  // of pages 1..8
};

void PrintTo(const SelectionCase& c, std::ostream* os) { *os << c.Name; }

class PageSelectionTest : public ::testing::TestWithParam<SelectionCase> {};

TEST_P(PageSelectionTest, PrintsTheseOfPagesOneToEight) {
  const SelectionCase& c = GetParam();
  PageSelection s;
  if (c.List) ParsePageList(c.List, s);
  s.Inverted = c.Inverted;
  s.OddPages = c.Odd;
  s.EvenPages = c.Even;
  std::vector<int> printed;
  for (int page = 1; page <= 8; ++page)
    if (PageSelectedForPrinting(s, page)) printed.push_back(page);
  EXPECT_EQ(printed, c.Printed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PageSelectionTest,
    ::testing::Values(
        SelectionCase{"all_pages", nullptr, false, true, true, {1, 2, 3, 4, 5, 6, 7, 8}},
        SelectionCase{"odd_pages", nullptr, false, true, false, {1, 3, 5, 7}},
        SelectionCase{"even_pages", nullptr, false, false, true, {2, 4, 6, 8}},
        SelectionCase{"no_parity_no_page", nullptr, false, false, false, {}},
        SelectionCase{"list", "2,5-7", false, true, true, {2, 5, 6, 7}},
        SelectionCase{"list_odd_only", "2,5-7", false, true, false, {5, 7}},
        SelectionCase{"inverted_list", "1-2", true, true, true, {3, 4, 5, 6, 7, 8}},
        SelectionCase{"inverted_even", "1-2", true, false, true, {4, 6, 8}},
        SelectionCase{"empty_list_prints_nothing", "", false, true, true, {}},
        SelectionCase{
            "invalid_list_prints_from_page_1", "3-x", false, true, true, {1, 2, 3, 4, 5, 6, 7, 8}}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace tavrel
