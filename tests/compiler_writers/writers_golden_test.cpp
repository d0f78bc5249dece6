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
  run.Ini.ExtendedIndexEntries = 5;
  run.Ini.ContentsTreeOpenText = "open \"it\"";
  run.Ini.ContentsTreeCloseText = "close";
  run.Ini.ContentsTreeFont = '@';
  run.Ini.ContentsTreeOn = true;
  run.Ini.BodyTags = "bgcolor=\"white\"";
  ParseTextTemplate("DOCTITLE - HEADING", run.Ini.MetaContent);
  ParseTextTemplate("DOCTITLE", run.Ini.StatusbarDefault);
  t.Load(corvina_test::ReadFile(DataFile("contents.src")));
  RunPrepasses(run);
  run.Reader.PrePassRunning = false;
  run.Numbering.FileCounter = -1;  // the contents and index pages are written first
  run.Passes.OutputFile.clear();
  run.Passes.CurrentOutputFileName = "INDEX.HTML";
}

TEST(WritersGolden, HtmlIndexPage) {
  TestRun t("html");
  Prepare(t);
  WriteIndexPage(*t);
  ExpectGolden("index_page.html", t->Passes.OutputFile);
  EXPECT_EQ(t.Text(), "");
}

TEST(WritersGolden, HtmlHelpIndex) {
  TestRun t("htmlhelp");
  Prepare(t);
  WriteIndexPage(*t);
  ExpectGolden("index_page.hhk", t->Passes.OutputFile);
}

TEST(WritersGolden, IndexBelowExtendedThresholdHasNoLetters) {
  TestRun t("html");
  Prepare(t);
  t->Ini.ExtendedIndexEntries = 1000;
  WriteIndexPage(*t);
  EXPECT_EQ(t->Passes.OutputFile.find("<font size="), std::string::npos);
  EXPECT_NE(t->Passes.OutputFile.find("<dl>"), std::string::npos);
}

TEST(WritersGolden, HtmlContents) {
  TestRun t("html");
  Prepare(t);
  t->Passes.FileHasFootnotes[2] = true;  // the page of "Appendix" is a footnote frameset
  WriteHtmlContents(*t);
  ExpectGolden("contents.html", t->Passes.OutputFile);
}

TEST(WritersGolden, HtmlHelpContents) {
  TestRun t("htmlhelp");
  Prepare(t);
  WriteHtmlContents(*t);
  ExpectGolden("contents.hhc", t->Passes.OutputFile);
}

TEST(WritersGolden, ContentsLevelLimitsTheList) {
  TestRun t("html");
  Prepare(t);
  t->Switches.ContentsDepth = 0;
  WriteHtmlContents(*t);
  EXPECT_EQ(t->Passes.OutputFile, "<ul>\r\n</ul>\r\n");
}

TEST(WritersGolden, JavaScriptTree) {
  TestRun t("html");
  Prepare(t);
  std::vector<std::string> refreshed;
  t->Passes.RefreshGraphicsFile = [&](CompilerRun&, std::string_view name) {
    refreshed.emplace_back(name);
  };
  t->Switches.ContentsDepth = 2;
  WriteJavaScriptTree(*t);
  ExpectGolden("contents_tree.html", t->Passes.OutputFile);
  EXPECT_EQ(refreshed, (std::vector<std::string>{"TREENO.GIF", "TREECLOS.GIF", "TREEOPEN.GIF",
                                                 "TREEMPTY.GIF"}));
  EXPECT_FALSE(t->CharConversion.Context.InScriptString);
  EXPECT_EQ(t.Text(), "");
}

TEST(WritersGolden, JavaScriptTreeLinksThePagesUnderTheirCreatedNames) {
  TestRun t("html");
  t->Switches.PageNamePrefix = "man";
  t->Ini.ContentsTreeOn = true;
  t->Ini.CapitalOtherLetters = false;
  t.Load(".1\r\nOnly\r\n");
  RunPrepasses(*t);
  t->Passes.OutputFile.clear();
  WriteJavaScriptTree(*t);
  const std::string& out = t->Passes.OutputFile;
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
  t->Numbering.FileCounter = -1;
  t->Passes.OutputFile.clear();
  WriteJavaScriptTree(*t);
  const std::string& out = t->Passes.OutputFile;
  EXPECT_NE(out.find("function loadvalues(hc){\r\n hv[0]=1;\r\n  hl[0]=1;hc[0]=\"N000.HTML#hd1\\\" "
                     "target=\\\"main\\\">Only\";hs[0]=2;\r\n  hl[1]=2;"),
            std::string::npos)
      << out;
  TestRun empty("html");
  empty.Load("no headings\r\n");
  // A tree without headings: the real heading pass would stop such a source.
  RunPrepassesWithFakeHeadings(*empty);
  empty->Passes.OutputFile.clear();
  WriteJavaScriptTree(*empty);
  EXPECT_NE(empty->Passes.OutputFile.find("var m=0,"), std::string::npos);
  EXPECT_NE(empty->Passes.OutputFile.find("function loadvalues(hc){\r\n}\r\n"), std::string::npos);
}

// The output pass's calls of the .RC and .ID handlers, then the closing writer.
std::map<std::string, std::string> HelpFiles(const char* target, bool pascal) {
  TestRun t(target);
  CompilerRun& run = *t;
  run.MainUnit.PascalForm = pascal;
  run.Ini.HelpSubtableStartId = 1000;
  run.Passes.ChmFileName = "guide.chm";
  t.Load(corvina_test::ReadFile(DataFile("contents.src")));
  RunPrepasses(run);
  std::map<std::string, std::string> files;
  run.Passes.StoreFile = [&](CompilerRun&, const std::string& name, const std::string& text) {
    files[name] = text;
  };
  THeadingNode* intro = run.Passes.HeadingTreeRoot;
  THeadingNode* purpose = intro->FirstChild;
  THeadingNode* install = intro->NextSibling;
  run.Passes.CurrentTopicNode = intro;
  run.Numbering.HeadingCounter = intro->HeadingNumber;
  run.Numbering.FileCounter = intro->FileNumber;
  HandleRcCommand(run, "Editor");
  HandleIdCommand(run, "Main 77");
  run.Passes.CurrentTopicNode = purpose;
  run.Numbering.HeadingCounter = purpose->HeadingNumber;
  HandleRcCommand(run, "Editor,SaveDlg");
  HandleRcCommand(run, "Viewer Zoom");
  HandleIdCommand(run, "Purpose");
  run.Passes.CurrentTopicNode = install;
  run.Numbering.HeadingCounter = install->HeadingNumber;
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
  bad->Passes.ChmFileName = "guide.chm";
  bad->Passes.StoreFile = [&](CompilerRun&, const std::string&, const std::string& text) {
    EXPECT_EQ(text,
              "/*****Help Panel ID's created by Skeldon*****/\r\n\r\n"
              "#define ..\\evil\t    \"guide.chm::/N000.HTML\"\r\n");
  };
  bad->Numbering.FileCounter = 0;
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
