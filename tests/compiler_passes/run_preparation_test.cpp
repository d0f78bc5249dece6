// The prefix of generated file names and the page extension chosen before a run.
#include <gtest/gtest.h>

#include "compiler/passes/run_preparation.h"
#include "tests/support/run_driver_support.h"

using namespace skeldon;

namespace {

TEST(RunPreparation, PrefixPattern) {
  struct {
    const char* Value;
    const char* Prefix;
    bool Ok;
  } cases[] = {{"*", "", true}, {"pg*", "pg", true}, {"pg", "pg", false}, {"", "", false}, {"a*b*", "a*b", true}};
  for (const auto& c : cases) {
    std::string prefix;
    EXPECT_EQ(PrefixFromPattern(c.Value, prefix), c.Ok) << c.Value;
    EXPECT_EQ(prefix, c.Prefix) << c.Value;
  }
}

TEST(RunPreparation, WrongPatternIsReportedAndKept) {
  run_test::MemoryRun m("html");
  m->ini.PreFileName = "pg";
  PrepareCompileRun(*m.run);
  EXPECT_EQ(m->switches.PageNamePrefix, "pg");
  EXPECT_NE(m.console->Text.find("wrong usage of \"pre filename\""), std::string::npos);
}

TEST(RunPreparation, PreSwitchTakesTheSourceName) {
  run_test::MemoryRun m("html", "C:\\DOCS\\MANUAL.TXT");
  m->switches.OutputDirectory = "C:\\DOCS\\MANUAL";
  m->switches.PrefixFromSource = true;
  m->ini.PreFileName = "nonsense";
  PrepareCompileRun(*m.run);
  EXPECT_EQ(m->switches.PageNamePrefix, "MANUAL");
  EXPECT_EQ(m.console->Text.find("pre filename"), std::string::npos);
}

TEST(RunPreparation, FatGivesShortExtensions) {
  run_test::MemoryRun m("html");
  m->switches.FatFileNames = true;
  PrepareCompileRun(*m.run);
  EXPECT_EQ(m->fileNames.PageExtension, ".HTM");
  EXPECT_EQ(m->htmlPage.HeadIncludeExtension, ".HEA");
  m->switches.FatFileNames = false;
  m->ini.CapitalOtherLetters = false;
  PrepareCompileRun(*m.run);
  EXPECT_EQ(m->fileNames.PageExtension, ".html");
  EXPECT_EQ(m->htmlPage.HeadIncludeExtension, ".head");
}

TEST(RunPreparation, SourceWithoutExtensionStopsHtmlRun) {
  run_test::MemoryRun m("html", "DOC");
  const auto r = m.Compile(run_test::Crlf(".1\nT\n\nText\n"));
  EXPECT_EQ(r.ExitCode, 2);
  EXPECT_NE(r.Console.find("Source file needs an extension otherwise new target directory gets the same name."),
            std::string::npos);
  EXPECT_TRUE(r.Files.empty());
}

TEST(RunPreparation, NoSourceFile) {
  run_test::MemoryRun m("html");
  m->switches.SourceFiles.clear();
  const auto r = m.Compile("x");
  EXPECT_EQ(r.ExitCode, 2);
  EXPECT_NE(r.Console.find("Enter a source file first!"), std::string::npos);
}

}  // namespace
