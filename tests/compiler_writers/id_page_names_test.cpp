// The page names that ".ID" words give: only a word that stays one file in the output folder
// names its page, the same in the page writer, the panel ID file and the index links.
#include <gtest/gtest.h>

#include <string>

#include "compiler/writers/help_tables.h"
#include "compiler/writers/index_pages.h"
#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

// An .ID word names its page only when the name stays one file in the output folder; the
// panel ID file of an HTML Help run must then name the same page as the page writer.
TEST(IdPageNames, UnusableWordsKeepTheNumberedName) {
  struct Case {
    std::string word;
    const char* page;
  } cases[] = {
      {"Intro", "INTRO.HTML"},   {"../evil", "N003.HTML"},    {"..\\evil", "N003.HTML"},
      {"sub/page", "N003.HTML"}, {"c:page", "N003.HTML"},     {"a\"b", "N003.HTML"},
      {"wild*", "N003.HTML"},    {"what?", "N003.HTML"},      {"<b>", "N003.HTML"},
      {"pi|pe", "N003.HTML"},    {"tab\tbed", "N003.HTML"},   {"", "N003.HTML"},
      {"x..y", "N003.HTML"},     {"Dots.ok", "DOTS.OK.HTML"},
  };
  for (const Case& c : cases) {
    TestRun t("htmlhelp");
    CompilerRun& run = *t;
    run.FileNames.IdMarkList.push_back(TIdMark{3, c.word});
    EXPECT_EQ(MakeTopicFileName(run, 3, false, 0), c.page) << Printable(c.word);
    const bool named = std::string(c.page) != "N003.HTML";
    EXPECT_EQ(run.FileNames.LastPageIdName, named ? c.word : "") << Printable(c.word);
    EXPECT_EQ(MakeTopicFileName(run, 3, true, 0), "N003F.HTML");
    EXPECT_EQ(IsSafePageWord(c.word), named) << Printable(c.word);

    // The panel ID line of the same word (capitals are not applied there, as written).
    run.Passes.ChmFileName = "guide.chm";
    run.Numbering.FileCounter = 3;
    std::string panel;
    run.Passes.StoreFile = [&](CompilerRun&, const std::string&, const std::string& text) {
      panel = text;
    };
    HandleIdCommand(run, c.word.empty() ? std::string_view(" 5") : std::string_view(c.word));
    WriteHelpTables(run);
    // A word that names no file is no constant's name either: it gets no line.
    if (named)
      EXPECT_NE(panel.find("#define " + c.word + "\t    \"guide.chm::/" + c.word + ".HTML\"\r\n"),
                std::string::npos)
          << Printable(c.word) << "\n"
          << panel;
    else
      EXPECT_EQ(panel, "") << Printable(c.word);
    const bool pathMessage = t.Text().find("must not hold path characters") != std::string::npos;
    EXPECT_EQ(pathMessage, !named && !c.word.empty()) << Printable(c.word);
    EXPECT_EQ(t.Text().find("Wrong usage of .ID") != std::string::npos, c.word.empty());
  }
}

// Through the passes: the page of a file whose .ID word is unusable keeps its number, in
// the index links as in the names of the pages.
TEST(IdPageNames, IndexLinksUseTheNumberedPage) {
  TestRun t("html");
  t->Ini.ExtendedIndexEntries = 100;
  t.Load(
      ".1\r\nFirst\r\n.ID ../../etc/x\r\n.IN first word\r\n"
      ".1\r\nSecond\r\n.ID Good\r\n.IN second\r\n");
  RunPrepasses(*t);
  t->Passes.OutputFile.clear();
  WriteIndexPage(*t);
  const std::string& out = t->Passes.OutputFile;
  EXPECT_NE(out.find("<a href=\"N000.HTML#hd1\">first word</a>"), std::string::npos) << out;
  EXPECT_NE(out.find("<a href=\"GOOD.HTML#hd2\">second</a>"), std::string::npos) << out;
  EXPECT_EQ(out.find("etc"), std::string::npos);
}

// An ".ID" word that cannot name a file gets the message and leaves the page's name to a
// later usable ".ID" word of the same page.
TEST(IdPageNames, UnusableWordGivesWayToALaterUsableOne) {
  for (const char* word : {"a\"b", "a*b", "a?b", "a|b", "a<b", "c:b"}) {
    TestRun m(WholeRun("html"));
    const auto r = CompileText(
        m, Crlf(std::string(".1\nA\n\n.ID ") + word + "\n.ID good\nText\n.1\nB\n\nText\n"));
    ASSERT_EQ(r.ExitCode, -1) << word << r.Console;
    EXPECT_NE(r.Console.find(std::string(".ID word ") + word + " cannot name a file"),
              std::string::npos)
        << word << r.Console;
    EXPECT_FALSE(r.RunSuccess) << word;
    EXPECT_EQ(r.Files.count("DOC\\GOOD.HTML"), 1u) << word;
    EXPECT_EQ(r.Files.count("DOC\\N000.HTML"), 0u) << word;
  }
}

// In the RTF family and IPF the word is a constant of the panel ID file and the topic's
// context string: a word that names no file is neither, and the topic keeps its numbered id.
TEST(IdPageNames, UnusableWordNamesNoPanelAndNoContextString) {
  for (const char* target : {"winhelp4", "winhelp3", "rtftext", "ipf", "htmlhelp"}) {
    TestRun m(WholeRun(target));
    const auto r = CompileText(
        m, Crlf(".1\nA\n.ID ../../escaped 5\nText\n.1\nB\n.ID Good 7\nText\n.1\nC\n\nSee A\n"));
    ASSERT_EQ(r.ExitCode, -1) << target << r.Console;
    EXPECT_FALSE(AnyFileHas(r, "escaped")) << target;
    EXPECT_TRUE(Contains(r.Console, ".ID word ../../escaped must not hold path characters"))
        << target << r.Console;
    const std::string& panel = FileOf(r, "DOC.PAN");
    EXPECT_TRUE(Contains(panel, "#define Good\t    ")) << target << "\n" << panel;
    if (std::string(target) == "winhelp4" || std::string(target) == "winhelp3") {
      const std::string& rtf = FileOf(r, "DOC.RTF");
      EXPECT_TRUE(Contains(rtf, "#{\\footnote # Good}")) << rtf;
    }
  }
}

}  // namespace
