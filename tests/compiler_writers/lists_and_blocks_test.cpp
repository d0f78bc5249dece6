// The HTML include file, unformatted line blocks and the HTML margin of .LM.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

namespace fs = std::filesystem;

TEST(ListsAndBlocks, HtmlIncludeCopiesTheFileWithoutItsEofMark) {
  const corvina_test::TempDir dir("skeldon-test");
  const fs::path file = dir.Path() / "include.htm";
  std::ofstream(file, std::ios::binary) << "<table><tr><td>x</td></tr></table>\x1A";
  TestRun m(WholeRun("html"));
  const auto r =
      CompileText(m, Crlf(".1\nT\n\n.HF " + file.string() + "\n.HF nowhere.htm\nText\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  const std::string& page = FileOf(r, "DOC\\N000.HTML");
  EXPECT_NE(page.find("<br>\r\n<table><tr><td>x</td></tr></table>"), std::string::npos) << page;
  EXPECT_EQ(page.find('\x1A'), std::string::npos);
  EXPECT_NE(r.Console.find("HTML file nowhere.htm not found."), std::string::npos) << r.Console;
}

TEST(ListsAndBlocks, IpfLineBlockKeepsLineEnds) {
  TestRun m(WholeRun("ipf"));
  const auto r = CompileText(m, Crlf(".1\nT\n\n.BA\none\n\ntwo\n.BE\nText\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  const std::string& ipf = FileOf(r, "DOC.IPF");
  const std::size_t block = ipf.find(":lines.");
  ASSERT_NE(block, std::string::npos) << ipf;
  const std::size_t end = ipf.find(":elines.", block);
  ASSERT_NE(end, std::string::npos) << ipf;
  EXPECT_EQ(ipf.substr(block, end - block).find(":p."), std::string::npos) << ipf;
}

TEST(ListsAndBlocks, HtmlMarginOfLm) {
  TestRun m(WholeRun("html"));
  const auto r = CompileText(m, Crlf(".1\nT\n\n.LM 10\nIndented\n.1\nU\n\nText\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  const std::string& first = FileOf(r, "DOC\\N000.HTML");
  // (0 + 10 + 3) / 5 = 2 levels, closed again at the topic switch.
  EXPECT_NE(first.find("<dl><dl>"), std::string::npos) << first;
  EXPECT_NE(first.find("</dl></dl>"), std::string::npos) << first;
}

}  // namespace
