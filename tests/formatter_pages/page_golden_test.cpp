// Whole draw logs of small formatted files on the recording printer, compared with golden
// logs that were checked line by line against the layout rules (see the notes beside each
// golden file). CORVINA_UPDATE_GOLDEN=1 rewrites them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "formatter/pages/page_engine.h"
#include "formatter/pages/page_selection.h"
#include "tests/support/page_test_support.h"

namespace tavrel::page_test {
namespace {

const std::string kData = std::string(CORVINA_SOURCE_DIR) + "/tests/data/formatter_engine/page/";

struct GoldenCase {
  const char* File;
  const char* PageList;  // nullptr: all pages
  bool Odd = true;
  bool Even = true;
};

// Test output names the file instead of dumping the case's bytes.
void PrintTo(const GoldenCase& c, std::ostream* os) { *os << c.File; }

class PageGoldenTest : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(PageGoldenTest, DrawLogMatchesTheCheckedLog) {
  const GoldenCase& c = GetParam();
  PrinterWorld w;
  const std::string file = kData + c.File;
  w.ctx.Files.CurrentDocument = file;
  if (c.PageList) ParsePageList(c.PageList, w.ctx.Selection);
  w.ctx.Selection.OddPages = c.Odd;
  w.ctx.Selection.EvenPages = c.Even;
  RenderFormattedPages(w.ctx, file, false, false);
  EXPECT_EQ(w.ctx.ThreadErrorText, "");
  const std::string log = w.LogWithReportedPages();
  ExpectGoldenLog(std::string(c.File).substr(0, std::string(c.File).find('.')) + (c.PageList ? "_list" : "") + ".log",
                  log);
}

INSTANTIATE_TEST_SUITE_P(Files, PageGoldenTest,
                         ::testing::Values(GoldenCase{"controls.fmt", nullptr}, GoldenCase{"boxes.fmt", nullptr},
                                           GoldenCase{"pictures.fmt", nullptr},
                                           GoldenCase{"landscape.fmt", "2-5", true, false}),
                         [](const auto& info) {
                           std::string n = info.param.File;
                           return n.substr(0, n.find('.'));
                         });

}  // namespace
}  // namespace tavrel::page_test
