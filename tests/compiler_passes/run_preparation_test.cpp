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
  m->ini.PreFileName = "pg";
  PrepareCompileRun(*m);
  EXPECT_EQ(m->switches.PageNamePrefix, "pg");
  EXPECT_NE(m.console->Text.find("wrong usage of \"pre filename\""), std::string::npos);
}

TEST(RunPreparation, PreSwitchTakesTheSourceName) {
  TestRun m(WholeRun("html", "C:\\DOCS\\MANUAL.TXT"));
  m->switches.OutputDirectory = "C:\\DOCS\\MANUAL";
  m->switches.PrefixFromSource = true;
  m->ini.PreFileName = "nonsense";
  PrepareCompileRun(*m);
  EXPECT_EQ(m->switches.PageNamePrefix, "MANUAL");
  EXPECT_EQ(m.console->Text.find("pre filename"), std::string::npos);
}

TEST(RunPreparation, FatGivesShortExtensions) {
  TestRun m(WholeRun("html"));
  m->switches.FatFileNames = true;
  PrepareCompileRun(*m);
  EXPECT_EQ(m->fileNames.PageExtension, ".HTM");
  EXPECT_EQ(m->htmlPage.HeadIncludeExtension, ".HEA");
  m->switches.FatFileNames = false;
  m->ini.CapitalOtherLetters = false;
  PrepareCompileRun(*m);
  EXPECT_EQ(m->fileNames.PageExtension, ".html");
  EXPECT_EQ(m->htmlPage.HeadIncludeExtension, ".head");
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
  m->switches.SourceFiles.clear();
  const auto r = CompileText(m, "x");
  EXPECT_EQ(r.ExitCode, 2);
  EXPECT_NE(r.Console.find("Enter a source file first!"), std::string::npos);
}

TEST(DotLineMark, PreparationClearsIt) {
  TestRun m(WholeRun());
  m->reader.DotLineMark = true;
  PrepareCompileRun(*m);
  EXPECT_FALSE(m->reader.DotLineMark);
}

}  // namespace
