// The help table of the .RC lines, beside the golden tables of the writers' golden tests.
#include <gtest/gtest.h>

#include <string>

#include "compiler/writers/help_tables.h"
#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

// .RC lines before the first heading have no topic: each is reported with its line, and the
// help table links the item and the sub-item to the first panel.
TEST(HelpTable, RcLinesBeforeTheFirstHeading) {
  TestRun t("ipf");
  CompilerRun& run = *t;
  std::string table;
  run.Passes.StoreFile = [&](CompilerRun&, const std::string& name, const std::string& text) {
    if (name == "GUIDE.HLT") table = text;
  };
  run.Lines.CurrentSourceLine = 4;
  HandleRcCommand(run, "Editor Early");
  run.Lines.CurrentSourceLine = 5;
  HandleRcCommand(run, "Viewer");
  EXPECT_FALSE(run.RunSuccess);
  WriteHelpTables(run);
  EXPECT_NE(t.Text().find("Par 4: .RC command before the first heading"), std::string::npos)
      << t.Text();
  EXPECT_NE(t.Text().find("Par 5: .RC command before the first heading"), std::string::npos);
  EXPECT_NE(table.find("  HELPITEM Editor, SUBTABLE_Editor, 1  /* no explicit link in Skeldon "
                       "source file */\r\n"),
            std::string::npos)
      << table;
  EXPECT_NE(table.find("  HELPITEM Viewer, SUBTABLE_Viewer, 1  /* no explicit link in Skeldon "
                       "source file */\r\n"),
            std::string::npos);
  EXPECT_NE(
      table.find("HELPSUBTABLE SUBTABLE_Editor {\r\n  HELPSUBITEM Early, 1  /* no explicit link in "
                 "Skeldon source file */\r\n}\r\n"),
      std::string::npos);
}

}  // namespace
