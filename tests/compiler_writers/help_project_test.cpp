// The help project files: HHP and HPJ against golden files, the CHM name, the WinHelp 3 title
// rules, the conditional lines, and the missing-graphics report.
#include <gtest/gtest.h>

#include "compiler/writers/help_project.h"
#include "compiler/writers/output_files.h"
#include "compiler/writers/summary_page.h"
#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

struct ProjectRun {
  TestRun t;
  explicit ProjectRun(const char* target) : t({.Target = target, .KeepFiles = true}) {
    CompilerRun& run = *t;
    run.Switches.SourceFileName = "MANUAL.TXT";
    run.Switches.OutputDirectory = "MANUAL";
    run.LinkPass.DocumentTitle = "Corvina Guide \x84";  // code page 850 a-umlaut
  }
};

TEST(HelpProjectTest, HhpMatchesGolden) {
  ProjectRun p("htmlhelp");
  CompilerRun& run = *p.t;
  SetChmFileName(run);
  EXPECT_EQ(run.Passes.ChmFileName, "MANUAL.CHM");
  for (const char* page : {"\\INDXF.HTML", "\\NOTES.HTML", "\\N000.HTML"}) {
    CreateOutputFile(run, "MANUAL", page, true);
    CloseOutputFile(run);
  }
  CreateOutputFile(run, "MANUAL", "\\MANUAL.HHC", false);  // not registered
  CloseOutputFile(run);
  WriteHhpFile(run);
  EXPECT_EQ(run.HelpProject.HhpFileName, "MANUAL\\MANUAL.HHP");
  ExpectGolden("help_project/manual.hhp", p.t.File("MANUAL\\MANUAL.HHP"));
}

TEST(HelpProjectTest, SourceWithDirectoryGivesBareProjectNames) {
  ProjectRun p("htmlhelp");
  CompilerRun& run = *p.t;
  run.Switches.SourceFileName = "DOCS\\MANUAL.TXT";
  run.Switches.OutputDirectory = "DOCS\\MANUAL";
  run.Switches.PageNamePrefix = "pg";
  SetChmFileName(run);
  EXPECT_EQ(run.Passes.ChmFileName, "MANUAL.CHM");
  CreateOutputFile(run, "DOCS\\MANUAL", "\\pgN000.HTML", true);
  CloseOutputFile(run);
  WriteHhpFile(run);
  EXPECT_EQ(run.HelpProject.HhpFileName, "DOCS\\MANUAL\\MANUAL.HHP");
  const std::string& hhp = p.t.File("DOCS\\MANUAL\\MANUAL.HHP");
  EXPECT_NE(hhp.find("\r\nContents file=PGMANUAL.HHC\r\n"), std::string::npos) << hhp;
  EXPECT_NE(hhp.find("\r\n[FILES]\r\npgN000.HTML\r\n\r\n"), std::string::npos) << hhp;
}

TEST(HelpProjectTest, LongOutputPathIsKeptWhole) {
  ProjectRun p("htmlhelp");
  const std::string deep = std::string(130, 'd');
  p.t->Switches.OutputDirectory = deep;
  WriteHhpFile(*p.t);
  EXPECT_EQ(p.t->HelpProject.HhpFileName, deep + "\\MANUAL.HHP");
}

TEST(HelpProjectTest, WinHelp4HpjMatchesGolden) {
  ProjectRun p("winhelp4");
  CompilerRun& run = *p.t;
  run.Ini.ContentsInternal = true;
  run.IndexStore.FrameGroupsUsed = true;
  run.HelpProject.BrowseButtonsWanted = true;
  run.HelpTables.PanelIdFileOpen = true;
  run.HelpTables.PanelIdFileName = "MANUAL.PAN";
  WriteHpjFile(run);
  EXPECT_EQ(run.HelpProject.HpjFileName, "MANUAL.HPJ");
  ExpectGolden("help_project/winhelp4.hpj", p.t.File("MANUAL.HPJ"));
  EXPECT_EQ(p.t.Text(), "");
}

TEST(HelpProjectTest, WinHelp3HpjMatchesGolden) {
  ProjectRun p("winhelp3");
  p.t->Ini.ContentsInternal = true;
  p.t->Ini.ContentsCntFile = true;  // "both": no CONTENTS line
  WriteHpjFile(*p.t);
  ExpectGolden("help_project/winhelp3.hpj", p.t.File("MANUAL.HPJ"));
}

TEST(HelpProjectTest, GermanHistoryButton) {
  ProjectRun p("winhelp4");
  p.t->Language = 1;
  WriteHpjFile(*p.t);
  EXPECT_NE(
      p.t.File("MANUAL.HPJ").find("CreateButton(\"BTN_HISTORY\", \"Bisher\", \"History()\")\r\n"),
      std::string::npos);
}

struct TitleCase {
  const char* target;
  bool iso;
  std::size_t length;
  bool message;
  const char* firstChars;  // the title's first bytes as written
};

TEST(HelpProjectTest, TitleCodePageAndWinHelp3Length) {
  const TitleCase cases[] = {
      {"winhelp3", false, 50, false, "\x84"}, {"winhelp3", false, 51, true, "\x84"},
      {"winhelp3", true, 20, false, "\x84"},  {"winhelp4", false, 90, false, "\xE4"},
      {"winhelp4", true, 20, false, "\xE4"},
  };
  for (const TitleCase& c : cases) {
    ProjectRun p(c.target);
    p.t->Ini.SourceIsIso = c.iso;
    std::string title(c.length, 'x');
    title[0] = c.iso ? '\xE4' : '\x84';
    p.t->LinkPass.DocumentTitle = title;
    WriteHpjFile(*p.t);
    const std::string& hpj = p.t.File("MANUAL.HPJ");
    const std::string written =
        std::string("TITLE=") + c.firstChars + std::string(c.length - 1, 'x') + "\r\n";
    EXPECT_NE(hpj.find(written), std::string::npos) << c.target << " " << c.length;
    EXPECT_EQ(p.t.Text().find("Title in Winhelp must not exceed 50 chars") != std::string::npos,
              c.message)
        << c.target << " " << c.length;
  }
  ProjectRun untitled("winhelp4");
  untitled.t->LinkPass.DocumentTitle.clear();
  WriteHpjFile(*untitled.t);
  EXPECT_EQ(untitled.t.File("MANUAL.HPJ").find("TITLE="), std::string::npos);
}

TEST(HelpProjectTest, MissingGraphicsReport) {
  ProjectRun off("html");
  off.t->Graphics.SearchGraphicFiles = false;
  off.t->SummaryPage.GraphicFiles = {{false, -1, false, "a.gif"}};
  ReportMissingGraphics(*off.t);
  EXPECT_FALSE(off.t->HelpProject.GraphicsMissing);
  EXPECT_EQ(off.t.Text(), "");

  ProjectRun on("html");
  on.t->Graphics.SearchGraphicFiles = true;
  on.t->SummaryPage.GraphicFiles = {
      {false, -1, false, "a.gif"}, {true, 10, false, "b.gif"}, {false, -1, false, "c.gif"}};
  ReportMissingGraphics(*on.t);
  EXPECT_TRUE(on.t->HelpProject.GraphicsMissing);
  EXPECT_EQ(on.t.Text(), "Warning:\ngraphics file a.gif missing.\ngraphics file c.gif missing.\n");
}

}  // namespace
