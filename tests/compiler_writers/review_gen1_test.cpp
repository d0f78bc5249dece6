// Behaviours of the index, contents and help-table writers that the golden files do not
// reach: unusable .ID page names, .RC lines before the first heading, failed output files,
// backslashes inside the contents tree's script, the tree's jumps over closed subtrees, the
// extended-index threshold and long typed URLs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "compiler/writers/contents_html.h"
#include "compiler/writers/contents_tree.h"
#include "compiler/writers/help_tables.h"
#include "compiler/writers/index_pages.h"
#include "tests/support/compiler_test_support.h"
#include "tests/support/pass_fakes.h"

using namespace skeldon;

namespace skeldon {
namespace {

// An .ID word names its page only when the name stays one file in the output folder; the
// panel ID file of an HTML Help run must then name the same page as the page writer.
TEST(IdPageNames, UnusableWordsKeepTheNumberedName) {
  struct Case {
    std::string word;
    const char* page;
  } cases[] = {
      {"Intro", "INTRO.HTML"},        {"../evil", "N003.HTML"},  {"..\\evil", "N003.HTML"},
      {"sub/page", "N003.HTML"},      {"c:page", "N003.HTML"},   {"a\"b", "N003.HTML"},
      {"wild*", "N003.HTML"},         {"what?", "N003.HTML"},    {"<b>", "N003.HTML"},
      {"pi|pe", "N003.HTML"},         {"tab\tbed", "N003.HTML"}, {"", "N003.HTML"},
      {"x..y", "N003.HTML"},          {"Dots.ok", "DOTS.OK.HTML"},
  };
  for (const Case& c : cases) {
    TestRun t("htmlhelp");
    CompilerRun& run = *t;
    run.fileNames.IdMarkList.push_back(TIdMark{3, c.word});
    EXPECT_EQ(MakeTopicFileName(run, 3, false, 0), c.page) << Printable(c.word);
    const bool named = std::string(c.page) != "N003.HTML";
    EXPECT_EQ(run.fileNames.LastPageIdName, named ? c.word : "") << Printable(c.word);
    EXPECT_EQ(MakeTopicFileName(run, 3, true, 0), "N003F.HTML");
    EXPECT_EQ(IsSafePageWord(c.word), named) << Printable(c.word);

    // The panel ID line of the same word (capitals are not applied there, as written).
    run.passes.ChmFileName = "guide.chm";
    run.numbering.FileCounter = 3;
    std::string panel;
    run.passes.StoreFile = [&](CompilerRun&, const std::string&, const std::string& text) { panel = text; };
    HandleIdCommand(run, c.word.empty() ? std::string_view(" 5") : std::string_view(c.word));
    WriteHelpTables(run);
    const std::string address =
        named ? "guide.chm::/" + c.word + ".HTML" : std::string("guide.chm::/N003.HTML");
    EXPECT_NE(panel.find("\"" + address + "\"\r\n"), std::string::npos) << Printable(c.word) << "\n" << panel;
    EXPECT_EQ(t.Text().find("must not hold path characters") != std::string::npos, !named)
        << Printable(c.word);
  }
}

// Through the passes: the page of a file whose .ID word is unusable keeps its number, in
// the index links as in the names of the pages.
TEST(IdPageNames, IndexLinksUseTheNumberedPage) {
  TestRun t("html");
  t->ini.ExtendedIndexEntries = 100;
  t.Load(".1\r\nFirst\r\n.ID ../../etc/x\r\n.IN first word\r\n.1\r\nSecond\r\n.ID Good\r\n.IN second\r\n");
  RunPrepasses(*t);
  t->passes.OutputFile.clear();
  WriteIndexPage(*t);
  const std::string& out = t->passes.OutputFile;
  EXPECT_NE(out.find("<a href=\"N000.HTML#hd1\">first word</a>"), std::string::npos) << out;
  EXPECT_NE(out.find("<a href=\"GOOD.HTML#hd2\">second</a>"), std::string::npos) << out;
  EXPECT_EQ(out.find("etc"), std::string::npos);
}

// .RC lines before the first heading have no topic: each is reported with its line, and the
// help table links the item and the sub-item to the first panel.
TEST(HelpTable, RcLinesBeforeTheFirstHeading) {
  TestRun t("ipf");
  CompilerRun& run = *t;
  std::string table;
  run.passes.StoreFile = [&](CompilerRun&, const std::string& name, const std::string& text) {
    if (name == "GUIDE.HLT") table = text;
  };
  run.lines.CurrentSourceLine = 4;
  HandleRcCommand(run, "Editor Early");
  run.lines.CurrentSourceLine = 5;
  HandleRcCommand(run, "Viewer");
  EXPECT_FALSE(run.RunSuccess);
  WriteHelpTables(run);
  EXPECT_NE(t.Text().find("Par 4: .RC command before the first heading"), std::string::npos)
      << t.Text();
  EXPECT_NE(t.Text().find("Par 5: .RC command before the first heading"), std::string::npos);
  EXPECT_NE(table.find("  HELPITEM Editor, SUBTABLE_Editor, 1  /* no explicit link in Skeldon source file */\r\n"),
            std::string::npos)
      << table;
  EXPECT_NE(table.find("  HELPITEM Viewer, SUBTABLE_Viewer, 1  /* no explicit link in Skeldon source file */\r\n"),
            std::string::npos);
  EXPECT_NE(table.find("HELPSUBTABLE SUBTABLE_Editor {\r\n  HELPSUBITEM Early, 1  /* no explicit link in "
                       "Skeldon source file */\r\n}\r\n"),
            std::string::npos);
}

// A finished file that cannot be written stops the run with exit code 2; the file it would
// have replaced stays whole and no temporary file is left.
class StoredFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("review_gen1_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
};

TEST_F(StoredFiles, ReplacesTheFileWhole) {
  TestRun t("ipf");
  const std::string name = (dir_ / "GUIDE.PAN").string();
  std::ofstream(name, std::ios::binary) << "old contents";
  StoreOutputFile(*t, name, "new\r\n");
  EXPECT_EQ(corvina_test::ReadFile(name), "new\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1);
}

TEST_F(StoredFiles, FailureStopsWithExitCodeTwo) {
  struct Case {
    const char* what;
    std::string name;
  } cases[] = {
      {"folder missing", (dir_ / "missing" / "GUIDE.PAN").string()},
      {"name taken by a folder", (dir_ / "taken").string()},
  };
  std::filesystem::create_directories(dir_ / "taken" / "inner");
  for (const Case& c : cases) {
    TestRun t("ipf");
    t->RunSuccess = true;
    try {
      StoreOutputFile(*t, c.name, "text");
      ADD_FAILURE() << c.what << ": no stop";
    } catch (const TerminateRun& stop) {
      EXPECT_EQ(stop.ExitCode, 2) << c.what;
    }
    EXPECT_NE(t.Text().find("error while writing target file " + c.name), std::string::npos)
        << c.what << "\n" << t.Text();
  }
  EXPECT_TRUE(std::filesystem::is_directory(dir_ / "taken" / "inner"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "taken.tmp"));
}

// Every text that lands inside a JavaScript string escapes both the quote and the backslash:
// heading titles, the ALT texts and the body tags. Outside the script nothing is added.
TEST(ContentsTree, BackslashesAndQuotesInsideTheScript) {
  TestRun t("html");
  CompilerRun& run = *t;
  run.ini.ContentsTreeOn = true;
  run.ini.ContentsTreeOpenText = "op\\en";
  run.ini.BodyTags = "background=\"pics\\back.gif\"";
  t.Load(".1\r\nC:\\Dir \"x\"\r\n");
  RunPrepasses(run);
  run.numbering.FileCounter = -1;
  run.passes.OutputFile.clear();
  WriteJavaScriptTree(run);
  const std::string& out = run.passes.OutputFile;
  EXPECT_NE(out.find(" self.tree.document.write(\"<BODY background=\\\"pics\\\\back.gif\\\">\");\r\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("ALT=\\\"op\\\\en\\\" BORDER=0>\";\r\n"), std::string::npos);
  EXPECT_NE(out.find("  hl[0]=1;hc[0]=\"N000.HTML#hd1\\\" target=\\\"main\\\">C:\\\\Dir \\\"x\\\"\";\r\n"),
            std::string::npos);
  EXPECT_FALSE(run.charConversion.Context.InScriptString);

  // The plain contents page is no script: one backslash, the quotes as they are.
  run.passes.OutputFile.clear();
  WriteHtmlContents(run);
  EXPECT_EQ(run.passes.OutputFile,
            "<ul>\r\n   <li><a href=\"N000.HTML#hd1\" target=\"main\">C:\\Dir \"x\"</a>\r\n</ul>\r\n");
  run.passes.OutputFile.clear();
  WriteBodyAttributes(run, run.passes.OutputFile, false, nullptr, 0);
  EXPECT_EQ(run.passes.OutputFile, " background=\"pics\\back.gif\"");
}

// With every level in the tree, "hs" of a branch whose own list ends is taken from the next
// sibling of an ancestor, or is the entry count after the last branch.
TEST(ContentsTree, ClosedBranchesJumpPastTheirWholeSubtree) {
  TestRun t("html");
  t->ini.ContentsTreeOn = true;
  t.Load(corvina_test::ReadFile(DataFile("contents.src")));
  RunPrepasses(*t);
  t->numbering.FileCounter = -1;
  t->passes.OutputFile.clear();
  WriteJavaScriptTree(*t);
  const std::string& out = t->passes.OutputFile;
  const std::size_t from = out.find("function loadvalues(hc){\r\n");
  ASSERT_NE(from, std::string::npos);
  const std::size_t to = out.find("}\r\n", from + 25);
  EXPECT_EQ(out.substr(from, to + 3 - from),
            "function loadvalues(hc){\r\n"
            "  hl[0]=1;hc[0]=\"N000.HTML#hd1\\\" target=\\\"main\\\">Introduction\";hs[0]=3;\r\n"
            "  hl[1]=2;hc[1]=\"N000.HTML#hd2\\\" target=\\\"main\\\">Purpose\";hs[1]=3;\r\n"
            "  hl[2]=3;hc[2]=\"N000.HTML#hd3\\\" target=\\\"main\\\">Deep \\\"quoted\\\" title\";\r\n"
            "  hl[3]=1;hc[3]=\"N001.HTML#hd4\\\" target=\\\"main\\\">Installation\";\r\n"
            "  hl[4]=1;hc[4]=\"N002.HTML#hd5\\\" target=\\\"main\\\">Appendix\";hs[4]=9;\r\n"
            "  hl[5]=2;hc[5]=\"N002.HTML#hd6\\\" target=\\\"main\\\">Notes\";\r\n"
            "  hl[6]=2;hc[6]=\"N002.HTML#hd7\\\" target=\\\"main\\\">Tables\";hs[6]=9;\r\n"
            "  hl[7]=3;hc[7]=\"N002.HTML#hd8\\\" target=\\\"main\\\">Rows\";\r\n"
            "  hl[8]=3;hc[8]=\"N002.HTML#hd9\\\" target=\\\"main\\\">Cells\";\r\n"
            "}\r\n");
  EXPECT_NE(out.find("var m=9,"), std::string::npos);
  EXPECT_EQ(t.Text(), "");
}

// The letter bar and the letter headings appear from the setting's value on; contents.src
// lists 11 internal entries (the URL entry does not count).
TEST(IndexPage, ExtendedIndexFromTheThresholdOn) {
  struct Case {
    std::int32_t setting;
    bool extended;
  } cases[] = {{0, true}, {10, true}, {11, true}, {12, false}};
  for (const Case& c : cases) {
    TestRun t("html");
    t->ini.ExtendedIndexEntries = c.setting;
    t.Load(corvina_test::ReadFile(DataFile("contents.src")));
    RunPrepasses(*t);
    t->passes.OutputFile.clear();
    WriteIndexPage(*t);
    const std::string& out = t->passes.OutputFile;
    EXPECT_EQ(out.rfind("<font size=5><a href=\"#ix-A\">A</a> ", 0) == 0, c.extended) << c.setting;
    EXPECT_EQ(out.find("<a name=\"ix-Z\">Z</a>") != std::string::npos, c.extended) << c.setting;
    EXPECT_NE(out.find(c.extended ? ">ebra</a>" : ">Zebra</a>"), std::string::npos) << c.setting;
  }
}

// An entry filed under a heading that opened a frame group links to the group's page
// without an anchor, in the HTML index and in the HTML Help index.
TEST(IndexPage, FrameGroupHeadingHasNoAnchor) {
  for (const char* target : {"html", "htmlhelp"}) {
    TestRun t(target);
    t->ini.ExtendedIndexEntries = 100;
    t.Load(".1\r\nFirst\r\n.WA\r\n.1\r\nGroup\r\n.IN grouped\r\n.2\r\nInside\r\n.IN inner\r\n");
    RunPrepasses(*t);
    t->passes.OutputFile.clear();
    WriteIndexPage(*t);
    const std::string& out = t->passes.OutputFile;
    if (std::string(target) == "html") {
      EXPECT_NE(out.find("<a href=\"N001.HTML\">grouped</a>"), std::string::npos) << out;
      EXPECT_NE(out.find("<a href=\"N002.HTML#hd3\">inner</a>"), std::string::npos) << out;
    } else {
      EXPECT_NE(out.find("<param name=\"Local\" value=\"N001.HTML\">"), std::string::npos) << out;
      EXPECT_NE(out.find("<param name=\"Local\" value=\"N002.HTML#hd3\">"), std::string::npos) << out;
    }
  }
}

// Contents links to pages beyond the footnote flags' range keep their anchor and read no
// flag outside the table.
TEST(ContentsLink, FileNumbersBeyondTheFootnoteTable) {
  TestRun t("html");
  CompilerRun& run = *t;
  t.Load(".1\r\nFar\r\n");
  RunPrepasses(run);
  THeadingNode* node = run.passes.HeadingTreeRoot;
  ASSERT_TRUE(node);
  run.passes.FileHasFootnotes.fill(true);
  run.numbering.FileCounter = -1;
  for (std::int16_t file : {std::int16_t{999}, std::int16_t{1000}, std::int16_t{32000}, std::int16_t{-5}}) {
    node->FileNumber = file;
    run.passes.OutputFile.clear();
    WriteContentsLink(run, *node, true, 0);
    const bool anchor = file > 999 || file < 0;
    EXPECT_EQ(run.passes.OutputFile.find("#hd1") != std::string::npos, anchor) << file;
  }
}

// A typed URL longer than the word buffer keeps every character, in the address and in the
// link text; so does a long word inside a several-word link.
TEST(LinkWriter, LongTypedUrlKeepsEveryCharacter) {
  TestRun t("html");
  const std::string url = "http://example.com/" + std::string(400, 'p');
  t.Load(".1\r\nA\r\nsee " + url + " end\r\n");
  RunPrepasses(*t);
  t->passes.OutputFile.clear();
  FakeOutputPass(*t);
  EXPECT_NE(t->passes.OutputFile.find("<a href=\"" + url + "\" target=\"main\">" + url + "</a> end"),
            std::string::npos)
      << t->passes.OutputFile.size();
  ASSERT_EQ(t->passes.ExternalReferences.size(), 1u);
  EXPECT_EQ(t->passes.ExternalReferences[0], url);
}

// The summary page's list of used links takes the addresses of typed URLs as they came: a
// quote or angle bracket in one must neither end the attribute nor open a tag.
TEST(ExternalLinks, UsedLinkListKeepsOddAddressesInsideTheAttribute) {
  TestRun t("html");
  t.Load(".1\r\nA\r\nsee http://x.org/?q=\"<b>\"&r=1 end\r\n");
  RunPrepasses(*t);
  FakeOutputPass(*t);
  ASSERT_EQ(t->passes.ExternalReferences.size(), 1u);
  t->passes.OutputFile.clear();
  WriteExternalLinkList(*t);
  EXPECT_EQ(t->passes.OutputFile,
            "<a href=\"http://x.org/?q=%22%3Cb%3E%22&r=1\">http://x.org/?q=\"&lt;b&gt;\"&r=1</a><br>\r\n");
}

}  // namespace
}  // namespace skeldon
