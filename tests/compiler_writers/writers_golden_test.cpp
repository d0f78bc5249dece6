// Whole outputs of the index, contents and help-table writers compared with golden files:
// the HTML index page and the HTML Help index (HHK), the HTML contents and the HTML Help
// contents (HHC), the JavaScript contents tree with its frameset, the panel ID file and the
// OS/2 help table in C and Pascal form.
#include <gtest/gtest.h>

#include <map>

#include "compiler/writers/contents_html.h"
#include "compiler/writers/contents_tree.h"
#include "compiler/writers/help_tables.h"
#include "compiler/writers/index_pages.h"
#include "tests/support/compiler_test_support.h"
#include "tests/support/pass_fakes.h"

using namespace skeldon;

namespace skeldon {
namespace {

void Prepare(TestRun& t) {
  CompilerRun& run = *t;
  run.Language = 0;
  run.ini.ExtendedIndexEntries = 5;
  run.ini.ContentsTreeOpenText = "open \"it\"";
  run.ini.ContentsTreeCloseText = "close";
  run.ini.ContentsTreeFont = '@';
  run.ini.ContentsTreeOn = true;
  run.ini.BodyTags = "bgcolor=\"white\"";
  ParseTextTemplate("DOCTITLE - HEADING", run.ini.MetaContent);
  ParseTextTemplate("DOCTITLE", run.ini.StatusbarDefault);
  t.Load(corvina_test::ReadFile(DataFile("contents.src")));
  RunPrepasses(run);
  run.reader.PrePassRunning = false;
  run.numbering.FileCounter = -1;  // the contents and index pages are written first
  run.passes.OutputFile.clear();
  run.passes.CurrentOutputFileName = "INDEX.HTML";
}

TEST(WritersGolden, HtmlIndexPage) {
  TestRun t("html");
  Prepare(t);
  WriteIndexPage(*t);
  ExpectGolden("index_page.html", t->passes.OutputFile);
  EXPECT_EQ(t.Text(), "");
}

TEST(WritersGolden, HtmlHelpIndex) {
  TestRun t("htmlhelp");
  Prepare(t);
  WriteIndexPage(*t);
  ExpectGolden("index_page.hhk", t->passes.OutputFile);
}

TEST(WritersGolden, IndexBelowExtendedThresholdHasNoLetters) {
  TestRun t("html");
  Prepare(t);
  t->ini.ExtendedIndexEntries = 1000;
  WriteIndexPage(*t);
  EXPECT_EQ(t->passes.OutputFile.find("<font size="), std::string::npos);
  EXPECT_NE(t->passes.OutputFile.find("<dl>"), std::string::npos);
}

TEST(WritersGolden, HtmlContents) {
  TestRun t("html");
  Prepare(t);
  t->passes.FileHasFootnotes[2] = true;  // the page of "Appendix" is a footnote frameset
  WriteHtmlContents(*t);
  ExpectGolden("contents.html", t->passes.OutputFile);
}

TEST(WritersGolden, HtmlHelpContents) {
  TestRun t("htmlhelp");
  Prepare(t);
  WriteHtmlContents(*t);
  ExpectGolden("contents.hhc", t->passes.OutputFile);
}

TEST(WritersGolden, ContentsLevelLimitsTheList) {
  TestRun t("html");
  Prepare(t);
  t->switches.ContentsDepth = 0;
  WriteHtmlContents(*t);
  EXPECT_EQ(t->passes.OutputFile, "<ul>\r\n</ul>\r\n");
}

TEST(WritersGolden, JavaScriptTree) {
  TestRun t("html");
  Prepare(t);
  std::vector<std::string> refreshed;
  t->passes.RefreshGraphicsFile = [&](CompilerRun&, std::string_view name) {
    refreshed.emplace_back(name);
  };
  t->switches.ContentsDepth = 2;
  WriteJavaScriptTree(*t);
  ExpectGolden("contents_tree.html", t->passes.OutputFile);
  EXPECT_EQ(refreshed, (std::vector<std::string>{"TREENO.GIF", "TREECLOS.GIF", "TREEOPEN.GIF",
                                                 "TREEMPTY.GIF"}));
  EXPECT_FALSE(t->charConversion.Context.InScriptString);
  EXPECT_EQ(t.Text(), "");
}

TEST(WritersGolden, JavaScriptTreeLinksThePagesUnderTheirCreatedNames) {
  TestRun t("html");
  t->switches.PageNamePrefix = "man";
  t->ini.ContentsTreeOn = true;
  t->ini.CapitalOtherLetters = false;
  t.Load(".1\r\nOnly\r\n");
  RunPrepasses(*t);
  t->passes.OutputFile.clear();
  WriteJavaScriptTree(*t);
  const std::string& out = t->passes.OutputFile;
  const std::string indxi = ContentsTreeFramePageName(*t, "manINDXI");
  EXPECT_EQ(indxi, "Manindxi.html");
  EXPECT_NE(out.find("<frame name=treeinfo src=\"" + indxi + "\">"), std::string::npos);
  EXPECT_NE(out.find("<frame name=tree src=\"" + ContentsTreeFramePageName(*t, "manEMPTY") + "\">"),
            std::string::npos);
  EXPECT_NE(
      out.find("<a href=\"" + NormalizeFileName(*t, "man" + ContentsTreeFileName(*t)) + "\">"),
      std::string::npos);
}

TEST(WritersGolden, JavaScriptTreeOfOneBranchStartsOpen) {
  TestRun t("html");
  t.Load(".1\r\nOnly\r\n.2\r\nChild\r\n");
  RunPrepasses(*t);
  t->numbering.FileCounter = -1;
  t->passes.OutputFile.clear();
  WriteJavaScriptTree(*t);
  const std::string& out = t->passes.OutputFile;
  EXPECT_NE(out.find("function loadvalues(hc){\r\n hv[0]=1;\r\n  hl[0]=1;hc[0]=\"N000.HTML#hd1\\\" "
                     "target=\\\"main\\\">Only\";hs[0]=2;\r\n  hl[1]=2;"),
            std::string::npos)
      << out;
  TestRun empty("html");
  empty.Load("no headings\r\n");
  // A tree without headings: the real heading pass would stop such a source.
  RunPrepassesWithFakeHeadings(*empty);
  empty->passes.OutputFile.clear();
  WriteJavaScriptTree(*empty);
  EXPECT_NE(empty->passes.OutputFile.find("var m=0,"), std::string::npos);
  EXPECT_NE(empty->passes.OutputFile.find("function loadvalues(hc){\r\n}\r\n"), std::string::npos);
}

// The output pass's calls of the .RC and .ID handlers, then the closing writer.
std::map<std::string, std::string> HelpFiles(const char* target, bool pascal) {
  TestRun t(target);
  CompilerRun& run = *t;
  run.mainUnit.PascalForm = pascal;
  run.ini.HelpSubtableStartId = 1000;
  run.passes.ChmFileName = "guide.chm";
  t.Load(corvina_test::ReadFile(DataFile("contents.src")));
  RunPrepasses(run);
  std::map<std::string, std::string> files;
  run.passes.StoreFile = [&](CompilerRun&, const std::string& name, const std::string& text) {
    files[name] = text;
  };
  THeadingNode* intro = run.passes.HeadingTreeRoot;
  THeadingNode* purpose = intro->FirstChild;
  THeadingNode* install = intro->NextSibling;
  run.passes.CurrentTopicNode = intro;
  run.numbering.HeadingCounter = intro->HeadingNumber;
  run.numbering.FileCounter = intro->FileNumber;
  HandleRcCommand(run, "Editor");
  HandleIdCommand(run, "Main 77");
  run.passes.CurrentTopicNode = purpose;
  run.numbering.HeadingCounter = purpose->HeadingNumber;
  HandleRcCommand(run, "Editor,SaveDlg");
  HandleRcCommand(run, "Viewer Zoom");
  HandleIdCommand(run, "Purpose");
  run.passes.CurrentTopicNode = install;
  run.numbering.HeadingCounter = install->HeadingNumber;
  HandleRcCommand(run, ", PrintDlg");
  HandleRcCommand(run, "editor");
  HandleIdCommand(run, "Install x");
  WriteHelpTables(run);
  files["messages"] = t.Text();
  return files;
}

TEST(WritersGolden, IpfHelpTableAndPanelIdsInC) {
  auto files = HelpFiles("ipf", false);
  ASSERT_EQ(files.size(), 3u);
  ExpectGolden("helptable_c.hlt", files["GUIDE.HLT"]);
  ExpectGolden("panel_ids_ipf_c.pan", files["GUIDE.PAN"]);
  EXPECT_EQ(files["messages"],
            "Writing Panel ID's in file GUIDE.PAN ...\n"
            "Writing Helptable in file GUIDE.HLT ...\n"
            ".RC Viewer without subitem missing, it will be linked to the first Panel\n");
}

TEST(WritersGolden, IpfHelpTableInPascal) {
  auto files = HelpFiles("ipf", true);
  ExpectGolden("helptable_pascal.hlt", files["GUIDE.HLT"]);
  ExpectGolden("panel_ids_ipf_pascal.pan", files["GUIDE.PAN"]);
}

TEST(WritersGolden, PanelIdsOfOtherTargets) {
  auto help = HelpFiles("htmlhelp", false);
  EXPECT_EQ(help.count("GUIDE.HLT"), 0u);  // only IPF runs write a help table
  ExpectGolden("panel_ids_htmlhelp_c.pan", help["GUIDE.PAN"]);
  TestRun bad("htmlhelp");
  bad->passes.ChmFileName = "guide.chm";
  bad->passes.StoreFile = [&](CompilerRun&, const std::string&, const std::string& text) {
    EXPECT_EQ(text,
              "/*****Help Panel ID's created by Skeldon*****/\r\n\r\n"
              "#define ..\\evil\t    \"guide.chm::/N000.HTML\"\r\n");
  };
  bad->numbering.FileCounter = 0;
  HandleIdCommand(*bad, "..\\evil");
  WriteHelpTables(*bad);
  EXPECT_NE(bad.Text().find(".ID word ..\\evil must not hold path characters"), std::string::npos);
  EXPECT_FALSE(IsSafePageWord("a/b"));
  EXPECT_FALSE(IsSafePageWord("c:x"));
  EXPECT_TRUE(IsSafePageWord("Intro"));
  auto rtf = HelpFiles("winhelp4", true);
  ExpectGolden("panel_ids_winhelp_pascal.pan", rtf["GUIDE.PAN"]);
  EXPECT_NE(rtf["messages"].find("Wrong usage of .ID command. Correct is: .ID WORD NUMBER"),
            std::string::npos);
}

}  // namespace
}  // namespace skeldon
