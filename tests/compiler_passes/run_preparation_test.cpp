// The prefix of generated file names and the page extension chosen before a run.
#include <gtest/gtest.h>

#include "compiler/passes/run_preparation.h"
#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

TEST(RunPreparation, PrefixPattern) {
  struct {
    const char* Value;
    const char* Prefix;
    bool Ok;
  } cases[] = {{"*", "", true},
               {"pg*", "pg", true},
               {"pg", "pg", false},
               {"", "", false},
               {"a*b*", "a*b", true}};
  for (const auto& c : cases) {
    std::string prefix;
    EXPECT_EQ(PrefixFromPattern(c.Value, prefix), c.Ok) << c.Value;
    EXPECT_EQ(prefix, c.Prefix) << c.Value;
  }
}

TEST(RunPreparation, WrongPatternIsReportedAndKept) {
  TestRun m(WholeRun("html"));
  m->Ini.PreFileName = "pg";
  PrepareCompileRun(*m);
  EXPECT_EQ(m->Switches.PageNamePrefix, "pg");
  EXPECT_NE(m.console->Text.find("wrong usage of \"pre filename\""), std::string::npos);
}

// A project file's prefix that names a folder would put every page outside the output
// directory: it is reported and no prefix is used.
TEST(RunPreparation, ProjectPrefixWithAPathIsRefused) {
  struct {
    const char* Value;
    const char* Prefix;
  } cases[] = {{"../../escape*", ""}, {"sub/pg*", ""}, {"sub\\pg*", ""}, {"c:pg*", ""},
               {"..*", ""},           {"pg*", "pg"},   {"pg..x*", ""},   {"p g*", "p g"}};
  for (const auto& c : cases) {
    TestRun m(WholeRun("html"));
    m->Project.PreFileName = c.Value;
    PrepareCompileRun(*m);
    EXPECT_EQ(m->Switches.PageNamePrefix, c.Prefix) << c.Value;
    const bool refused = std::string(c.Prefix).empty();
    EXPECT_EQ(m.ConsoleHas("\"pre filename\" must not hold path characters"), refused) << c.Value;
  }
}

TEST(RunPreparation, PreSwitchTakesTheSourceName) {
  TestRun m(WholeRun("html", "C:\\DOCS\\MANUAL.TXT"));
  m->Switches.OutputDirectory = "C:\\DOCS\\MANUAL";
  m->Switches.PrefixFromSource = true;
  m->Ini.PreFileName = "nonsense";
  PrepareCompileRun(*m);
  EXPECT_EQ(m->Switches.PageNamePrefix, "MANUAL");
  EXPECT_EQ(m.console->Text.find("pre filename"), std::string::npos);
}

TEST(RunPreparation, FatGivesShortExtensions) {
  TestRun m(WholeRun("html"));
  m->Switches.FatFileNames = true;
  PrepareCompileRun(*m);
  EXPECT_EQ(m->FileNames.PageExtension, ".HTM");
  EXPECT_EQ(m->HtmlPage.HeadIncludeExtension, ".HEA");
  m->Switches.FatFileNames = false;
  m->Ini.CapitalOtherLetters = false;
  PrepareCompileRun(*m);
  EXPECT_EQ(m->FileNames.PageExtension, ".html");
  EXPECT_EQ(m->HtmlPage.HeadIncludeExtension, ".head");
}

TEST(RunPreparation, SourceWithoutExtensionStopsHtmlRun) {
  TestRun m(WholeRun("html", "DOC"));
  const auto r = CompileText(m, Crlf(".1\nT\n\nText\n"));
  EXPECT_EQ(r.ExitCode, 2);
  EXPECT_NE(
      r.Console.find(
          "Source file needs an extension otherwise new target directory gets the same name."),
      std::string::npos);
  EXPECT_TRUE(r.Files.empty());
}

TEST(RunPreparation, NoSourceFile) {
  TestRun m(WholeRun("html"));
  m->Switches.SourceFiles.clear();
  const auto r = CompileText(m, "x");
  EXPECT_EQ(r.ExitCode, 2);
  EXPECT_NE(r.Console.find("Enter a source file first!"), std::string::npos);
}

TEST(DotLineMark, PreparationClearsIt) {
  TestRun m(WholeRun());
  m->Reader.DotLineMark = true;
  PrepareCompileRun(*m);
  EXPECT_FALSE(m->Reader.DotLineMark);
}

}  // namespace
