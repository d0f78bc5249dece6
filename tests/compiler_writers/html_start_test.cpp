// The example manual compiled to HTML with its own ini file: the fixed pages of the HTML start
// exist, and every local link and picture of the topic and contents pages names a page or
// picture of the run.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <vector>

#include "compiler/foundation/ini_file.h"
#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

TRunResult CompileManual(TestRun& m, std::string_view target) {
  m->Switches.IniFileName = SourceDir() + "/examples/manual/manual.ini";
  ReadIniText(*m, corvina_test::ReadFile(m->Switches.IniFileName), true);
  m.SetTarget(target);
  return CompileText(m, corvina_test::ReadFile(SourceDir() + "/examples/manual/manual.txt"));
}

TEST(HtmlStart, ExampleManualPagesAndLinks) {
  TestRun m(WholeRun("html", "manual.txt"));
  const auto r = CompileManual(m, "html");
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  std::set<std::string> pages;
  for (const auto& [name, text] : r.Files)
    if (name.rfind("manual\\", 0) == 0) pages.insert(Upper(name.substr(7)));
  for (const char* fixed :
       {"EMPTY.HTML", "INDEX.HTML", "INDXA.HTML", "INDXI.HTML", "IDX_W.HTML", "N000.HTML"})
    EXPECT_EQ(pages.count(fixed), 1u) << fixed;
  std::set<std::string> pictures;
  for (const auto& g : m->SummaryPage.GraphicFiles) pictures.insert(Upper(g.Name));
  for (const char* p : {"BACK.GIF", "FORWARD.GIF", "CONTENT.GIF", "INDEX.GIF", "LOGO.GIF"})
    pictures.insert(p);
  std::string names;
  for (const auto& [name, text] : r.Files) names += name + " ";
  std::string empty;
  for (const auto& [name, text] : r.Files)
    if (Upper(name) == "MANUAL\\EMPTY.HTML") empty = text;
  EXPECT_EQ(empty, "<html>\r\n</html>\r\n") << names;
  const std::regex ref("(?:href|src|SRC)\\s*=\\s*\"([^\"#]*)");
  for (const auto& [name, text] : r.Files) {
    // The index page's links belong to the index writer; the tree page holds script strings.
    if (name.rfind("manual\\", 0) != 0 || Upper(name).find("IDX_W") != std::string::npos ||
        Upper(name) == "MANUAL\\INDEX.HTML")
      continue;
    for (std::sregex_iterator it(text.begin(), text.end(), ref), end; it != end; ++it) {
      const std::string target = Upper((*it)[1].str());
      if (target.empty() || target.find(':') != std::string::npos) continue;
      EXPECT_TRUE(pages.count(target) || pictures.count(target)) << name << " -> " << target;
    }
  }
}

TEST(HtmlStart, HtmlHelpHasContentsAndIndexFiles) {
  TestRun m(WholeRun("htmlhelp", "manual.txt"));
  const auto r = CompileManual(m, "htmlhelp");
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  EXPECT_EQ(r.Files.count("manual\\manual.hhc"), 1u);
  EXPECT_EQ(r.Files.count("manual\\manual.hhk"), 1u);
  EXPECT_EQ(r.Files.count("manual\\manual.hhp"), 1u);
  EXPECT_EQ(r.Files.count("manual\\INDXI.html"), 0u);
  const std::string& hhp = FileOf(r, "manual\\manual.hhp");
  for (const auto& [name, text] : r.Files) {
    const std::string page = name.substr(name.find('\\') + 1);
    if (name.rfind("manual\\n0", 0) == 0) {
      EXPECT_NE(hhp.find(page), std::string::npos) << page;
    }
  }
}

}  // namespace

namespace {

struct TStartCase {
  const char* Name;
  bool CreateContents;
  bool Tree;
  const char* TreeLink;
  bool Index;
  std::vector<std::string> Present;
  std::vector<std::string> Absent;
};

class HtmlStartPages : public ::testing::TestWithParam<TStartCase> {};

TEST_P(HtmlStartPages, WrittenAsTheSettingsAsk) {
  const TStartCase& c = GetParam();
  TestRun m(WholeRun("html"));
  m->Ini.CreateContents = c.CreateContents;
  m->Ini.ContentsTreeOn = c.Tree;
  m->Ini.ContentsTreeAltText = c.TreeLink;
  m->Ini.CreateIndex = c.Index;
  const auto r = CompileText(m, Crlf(".1\nA\n\nThe ^word here.\n.1\nB\n\nThe word again.\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  for (const std::string& p : c.Present) EXPECT_EQ(r.Files.count("DOC\\" + p), 1u) << p;
  for (const std::string& p : c.Absent) EXPECT_EQ(r.Files.count("DOC\\" + p), 0u) << p;
  if (c.Tree && c.CreateContents) {
    const std::string& info = FileOf(r, "DOC\\INDXI.HTML");
    EXPECT_EQ(info.find("<a href=\"INDXA.HTML\"") != std::string::npos,
              std::string(c.TreeLink) != "NO")
        << info;
  }
  if (c.Index && !c.CreateContents) {
    const std::string& index = FileOf(r, "DOC\\IDX_W.HTML");
    EXPECT_EQ(index.find("<hr>"), std::string::npos) << index;
    EXPECT_EQ(index.find("<p>\r\n<p>"), std::string::npos) << index;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Settings, HtmlStartPages,
    ::testing::Values(
        TStartCase{"ListOnly",
                   true,
                   false,
                   "",
                   true,
                   {"INDEX.HTML", "IDX_W.HTML", "EMPTY.HTML"},
                   {"INDXA.HTML", "INDXI.HTML"}},
        TStartCase{
            "Tree", true, true, "Contents", true, {"INDEX.HTML", "INDXA.HTML", "INDXI.HTML"}, {}},
        TStartCase{"TreeLinkNo", true, true, "NO", false, {"INDXI.HTML"}, {"IDX_W.HTML"}},
        TStartCase{"TreeLinkLowerNo", true, true, "no", false, {"INDXI.HTML"}, {}},
        TStartCase{"NoContents",
                   false,
                   true,
                   "",
                   true,
                   {"IDX_W.HTML", "EMPTY.HTML"},
                   {"INDEX.HTML", "INDXA.HTML", "INDXI.HTML"}}),
    [](const ::testing::TestParamInfo<TStartCase>& info) { return std::string(info.param.Name); });

}  // namespace
