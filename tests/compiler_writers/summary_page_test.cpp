// The project summary page: whole pages in English and German with a fixed clock against
// golden files, the ISO source rule for German texts, the HTML Help entries, the graphics
// check variants and a compile time across midnight.
#include <gtest/gtest.h>

#include "compiler/writers/html_page.h"
#include "compiler/writers/output_files.h"
#include "compiler/writers/summary_page.h"
#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

struct SummaryRun {
  TestRun t;
  explicit SummaryRun(const char* target = "html") : t({.Target = target, .KeepFiles = true}) {
    CompilerRun& run = *t;
    run.Switches.OutputDirectory = "MANUAL";
    run.Switches.OutputDirectoryName = "MANUAL";
    run.Switches.SourceFiles = {"MANUAL.TXT", "APPENDIX.TXT"};
    run.Switches.IniFileName = "SKELDON.INI";
    run.Source.Data.assign(51200, 'x');
    run.HtmlPage.HtmlPageCount = 12;
    run.HtmlPage.HtmlPageBytes = 100000;
    run.SummaryPage.RunStartTime = {8, 5, 3, 20};
    run.SummaryPage.Clock = [] { return TClockReading{2026, 12, 9, {8, 5, 15, 70}}; };
    run.LinkWriter.InternalLinkCount = 34;
    run.LinkWriter.ExternalLinkCount = 2;
    run.IniValues.HomeButtonInFrame = true;
    run.IndexStore.IndexPageWanted = true;
    run.Graphics.SearchGraphicFiles = true;
    run.Graphics.GraphicDirectoryList = {"C:\\PICS"};
    run.SummaryPage.GraphicFiles = {{true, 20480, false, "logo.gif"},
                                    {true, 20480, false, "photo.jpg"},
                                    {false, -1, false, "missing.gif"},
                                    {true, 102400, false, "big.gif"}};
    run.SummaryPage.UsedGraphicFileCount = 4;
    run.Numbering.ReservationList = {{15, 20, 20, 812, 0}, {9, 9, 7, 40, 1}, {5, 5, 5, 50, 1}};
    run.Passes.ExternalReferences = {"http://www.example.com/"};
  }
  std::string Write() {
    CreateOutputFile(*t, "", "MANUAL.HTML", false);
    WriteProjectSummary(*t);
    return t.File("MANUAL.HTML");
  }
};

TEST(SummaryPageTest, EnglishPageMatchesGolden) {
  SummaryRun s;
  ExpectGolden("summary_page/english.html", s.Write());
  for (const TGraphicFileInfo& g : s.t->SummaryPage.GraphicFiles) EXPECT_TRUE(g.Printed) << g.Name;
  EXPECT_FALSE(s.t->OutputFiles.OutputFileOpen);
}

TEST(SummaryPageTest, GermanPageMatchesGoldenForIbmAndIsoSources) {
  SummaryRun ibm;
  ibm.t->Language = 1;
  const std::string page = ibm.Write();
  ExpectGolden("summary_page/german.html", page);
  SummaryRun iso;
  iso.t->Language = 1;
  iso.t->Ini.SourceIsIso = true;
  EXPECT_EQ(iso.Write(), page);
}

TEST(SummaryPageTest, HtmlHelpNamesTheProjectFileAndTheFirstPageOnly) {
  SummaryRun s("htmlhelp");
  s.t->HelpProject.HhpFileName = "MANUAL\\MANUAL.HHP";
  const std::string page = s.Write();
  EXPECT_NE(page.find("<h1>MS HTML-Help Project "), std::string::npos);
  EXPECT_NE(page.find("HTML-Help Project File: <a href=\"MANUAL\\MANUAL.HHP\">"), std::string::npos)
      << page;
  EXPECT_NE(page.find("First page: "), std::string::npos);
  EXPECT_EQ(page.find("Contents file: "), std::string::npos);
  EXPECT_EQ(page.find("Homeframe"), std::string::npos);
  EXPECT_NE(page.find("Hint: Microsoft HTML-Help offers popup footnotes"), std::string::npos);
}

TEST(SummaryPageTest, PopupWarningOnlyForHtml) {
  SummaryRun html;
  html.t->Ini.FootnotesPopup = true;
  EXPECT_NE(
      html.Write().find("<font color=red>These HTML pages shouldn't be published in the Web, "),
      std::string::npos);
  SummaryRun help("htmlhelp");
  help.t->Ini.FootnotesPopup = true;
  const std::string page = help.Write();
  EXPECT_EQ(page.find("published"), std::string::npos);
  EXPECT_EQ(page.find("Hint:"), std::string::npos);
}

struct GraphicsCase {
  bool search;
  bool bitmapDirectory;
  bool noFiles;
  bool noDirectories;
  const char* text;
};

TEST(SummaryPageTest, GraphicsCheckVariants) {
  const GraphicsCase cases[] = {
      {true, true, false, false,
       "<font color=red>Control graphics files (ini or skj file \"graphic path\") was disabled"},
      {false, false, false, false,
       "Control graphics files (ini or skj file \"graphic path\") is disabled."},
      {true, false, true, false,
       "All necessary graphics files are available in the target directory.<br>\r\n"
       "Number of used graphic files: <font color=green>0</font><br>\r\n<br>\r\n"},
      {true, false, false, true,
       "<font color=red>There are no \"graphic path\" entries, so graphics files coudln't be found.</font>"},
  };
  for (const GraphicsCase& c : cases) {
    SummaryRun s;
    s.t->Graphics.SearchGraphicFiles = c.search;
    s.t->SummaryPage.BitmapDirectoryUsed = c.bitmapDirectory;
    if (c.noFiles) {
      s.t->SummaryPage.GraphicFiles.clear();
      s.t->SummaryPage.UsedGraphicFileCount = 0;
    }
    if (c.noDirectories) s.t->Graphics.GraphicDirectoryList.clear();
    const std::string page = s.Write();
    EXPECT_NE(page.find(c.text), std::string::npos) << c.text;
    if (c.noFiles) {
      EXPECT_EQ(page.find("List of used graphic files"), std::string::npos);
    }
  }
}

TEST(SummaryPageTest, NoReservationsAndNoExternalLinksLeaveTheirSectionsOut) {
  SummaryRun s;
  s.t->Numbering.ReservationList.clear();
  s.t->LinkWriter.ExternalLinkCount = 0;
  const std::string page = s.Write();
  EXPECT_EQ(page.find("Enumeration"), std::string::npos);
  EXPECT_EQ(page.find("Used external links"), std::string::npos);
  EXPECT_EQ(page.find("http://www.example.com/"), std::string::npos);
}

TEST(SummaryPageTest, CompileTimeAcrossMidnightStaysPositive) {
  SummaryRun s;
  s.t->SummaryPage.RunStartTime = {23, 59, 58, 0};
  s.t->SummaryPage.Clock = [] { return TClockReading{2026, 12, 10, {0, 0, 1, 50}}; };
  EXPECT_NE(s.Write().find("Compile time: <font color=green>3.5 sec </font>"), std::string::npos);
}

// The summary page is written before the project file, yet it links to that file, relative to
// the page like its other entry links.
TEST(SummaryPageTest, HtmlHelpPageLinksToTheProjectFile) {
  TestRun m(WholeRun("htmlhelp", "GUIDE.TXT"));
  const auto r = CompileText(m, Crlf(".1\nGuide\n\nText.\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  ASSERT_EQ(r.Files.count("GUIDE\\GUIDE.HHP"), 1u);
  EXPECT_NE(
      FileOf(r, "GUIDE.HTML")
          .find("HTML-Help Project File: <a href=\"GUIDE/GUIDE.HHP\">GUIDE/GUIDE.HHP</a><br>\r\n"),
      std::string::npos)
      << FileOf(r, "GUIDE.HTML");
}

}  // namespace
