// The automatic link writer: (target, settings, source) -> output bytes, through the heading
// and link passes and the output pass's stand-in, and direct calls for the character protocol.
#include <gtest/gtest.h>

#include <functional>

#include "tests/support/compiler_test_support.h"
#include "tests/support/pass_fakes.h"

namespace skeldon {
namespace {

struct Case {
  const char* name;
  const char* target;
  std::function<void(CompilerRun&)> setup;
  std::string source;
  std::string output;
};

std::string Compile(TestRun& t, const Case& c) {
  if (c.setup) c.setup(*t);
  t.Load(c.source);
  RunPrepasses(*t);
  t->Passes.OutputFile.clear();
  // The output stand-in: the expected bytes are the running text with its links alone
  // (headings as <hN> lines), which the real output pass writes into each target's pages.
  FakeOutputPass(*t);
  return t->Passes.OutputFile;
}

void RunCases(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    TestRun t(c.target);
    EXPECT_EQ(Printable(Compile(t, c)), Printable(c.output)) << c.name << "\n" << t.Text();
  }
}

const std::string kTwoTopics =
    ".1\r\nAlpha\r\n.IN tables\r\n.2\r\nBeta\r\nTables and more tables here.\r\n";

TEST(LinkWriter, InternalLinksPerTarget) {
  RunCases({
      {"HTML, same page", "html", nullptr, kTwoTopics,
       "<h1>Alpha</h1>\r\n<h2>Beta</h2>\r\n<a href=\"#hd1\" target=\"main\">Tables</a> and more "
       "tables here.\r\n"},
      {"HTML, other page with status texts", "html",
       [](CompilerRun& r) {
         r.Ini.NewFileLevel = 2;
         ParseTextTemplate("Go to HEADING", r.Ini.StatusbarMouseover);
         ParseTextTemplate("DOCTITLE", r.Ini.StatusbarDefault);
         r.LinkPass.DocumentTitle = "Doc";
         r.Passes.CurrentOutputFileName = "N001.HTML";
       },
       kTwoTopics,
       "<h1>Alpha</h1>\r\n<h2>Beta</h2>\r\n<a href=\"N000.HTML#hd1\" target=\"main\" "
       "onMouseOver='window.status=\"Go to Alpha\";return true;' "
       "onMouseOut='window.status=\"Doc\";return true;'>Tables</a> and more tables here.\r\n"},
      {"HTML Help has no status texts", "htmlhelp",
       [](CompilerRun& r) {
         r.Ini.NewFileLevel = 2;
         ParseTextTemplate("HEADING", r.Ini.StatusbarMouseover);
       },
       kTwoTopics,
       "<h1>Alpha</h1>\r\n<h2>Beta</h2>\r\n<a href=\"N000.HTML#hd1\" target=\"main\">Tables</a> "
       "and more tables here.\r\n"},
      {"IPF", "ipf", nullptr, kTwoTopics,
       "<h1>Alpha</h1>\r\n:i1 id=i1.tables\r\n<h2>Beta</h2>\r\n:link reftype=hd res=1.Tables:elink. and "
       "more tables here&per.\r\n"},
      {"WinHelp 4 with underline on", "winhelp4", nullptr,
       ".1\r\nAlpha\r\n.ID intro\r\n.IN tables\r\n.2\r\nBeta\r\n\xF3Tables\xF3 x\r\n",
       "<h1>Alpha</h1>\r\n<h2>Beta</h2>\r\n\\ul \\ul0 {\\cf1\\uldb Tables}{\\v intro}\\ul \\ul0  "
       "x\r\n"},
      {"RTF text never links internally", "rtftext", nullptr, kTwoTopics,
       "<h1>Alpha</h1>\r\n<h2>Beta</h2>\r\nTables and more tables here.\r\n"},
  });
}

TEST(LinkWriter, FirstOccurrenceRule) {
  const std::string source = ".1\r\nAlpha\r\n.IN word\r\n.1\r\nBeta\r\nword word\r\n\r\nword\r\n";
  RunCases({
      {"once per topic", "html", nullptr, source,
       "<h1>Alpha</h1>\r\n<h1>Beta</h1>\r\n<a href=\"N000.HTML#hd1\" target=\"main\">word</a> "
       "word<p>\r\nword\r\n"},
      {"once per paragraph", "html", [](CompilerRun& r) { r.Ini.LinksPerParagraph = true; }, source,
       "<h1>Alpha</h1>\r\n<h1>Beta</h1>\r\n<a href=\"N000.HTML#hd1\" target=\"main\">word</a> "
       "word<p>\r\n<a href=\"N000.HTML#hd1\" target=\"main\">word</a>\r\n"},
      {"every occurrence", "html", [](CompilerRun& r) { r.Ini.LinkEveryOccurrence = true; }, source,
       "<h1>Alpha</h1>\r\n<h1>Beta</h1>\r\n<a href=\"N000.HTML#hd1\" target=\"main\">word</a> "
       "<a href=\"N000.HTML#hd1\" target=\"main\">word</a><p>\r\n<a href=\"N000.HTML#hd1\" "
       "target=\"main\">word</a>\r\n"},
  });
}

TEST(LinkWriter, PhrasesSpanPunctuationButNotParagraphs) {
  const std::string entries =
      ".1\r\nAlpha\r\n.IN word processing program\r\n.IN word\r\n.1\r\nBeta\r\n";
  RunCases({
      {"three words across a comma", "html", nullptr,
       entries + "A word, processing program here.\r\n",
       "<h1>Alpha</h1>\r\n<h1>Beta</h1>\r\nA <a href=\"N000.HTML#hd1\" target=\"main\">word, "
       "processing program</a> here.\r\n"},
      {"broken by a paragraph end", "html", nullptr,
       entries + "A word processing\r\n\r\nprogram.\r\n",
       "<h1>Alpha</h1>\r\n<h1>Beta</h1>\r\nA <a href=\"N000.HTML#hd1\" target=\"main\">word</a> "
       "processing<p>\r\nprogram.\r\n"},
      {"phrase at a line end", "winhelp4", nullptr,
       entries + "A word processing program\r\nnext\r\n",
       "<h1>Alpha</h1>\r\n<h1>Beta</h1>\r\nA {\\cf1\\uldb word processing program}{\\v h1}\r\nnext\r\n"},
  });
}

TEST(LinkWriter, WhereNoLinkIsMade) {
  RunCases({
      {"own topic and heading title", "html", nullptr, ".1\r\nAlpha word\r\n.IN alpha\r\nalpha\r\n",
       "<h1>Alpha word</h1>\r\nalpha\r\n"},
      {"omitlinks font", "html",
       [](CompilerRun& r) {
         r.IniValues.FontOmitsLinks[FontLetterIndex('@')] = true;
         r.Markup.OmitLinksActive = true;
       },
       kTwoTopics, "<h1>Alpha</h1>\r\n<h2>Beta</h2>\r\nTables and more tables here.\r\n"},
      {"inside raw HTML code", "html", nullptr,
       ".1\r\nAlpha\r\n.IN table\r\n.1\r\nB\r\n.HC ON\r\n<table class=\"table\">table</table>\r\n",
       "<h1>Alpha</h1>\r\n<h1>B</h1>\r\n<table class=\"table\"><a href=\"N000.HTML#hd1\" "
       "target=\"main\">table</a></table>\r\n"},
      {"mailto entry in WinHelp", "winhelp4", nullptr,
       ".1\r\nAlpha\r\n.URL mailto:me@example.com\r\n.IN mail\r\n.LOCAL\r\nmail me\r\n",
       "<h1>Alpha</h1>\r\nmail me\r\n"},
      {"first topic of a frame group", "html", nullptr,
       ".WA\r\n.1\r\nGroup\r\n.IN group\r\n.2\r\nFirst\r\ngroup\r\n.2\r\nSecond\r\ngroup\r\n",
       "<h1>Group</h1>\r\n<h2>First</h2>\r\ngroup\r\n<h2>Second</h2>\r\n<a href=\"N000.HTML\" "
       "target=\"main\">group</a>\r\n"},
  });
}

TEST(LinkWriter, TypedUrls) {
  RunCases({
      {"keeps the full stop", "html", nullptr,
       ".1\r\nA\r\nSee http://example.com/x. Then ftp:y and mailto: z, mailto:me@x.org.\r\n",
       "<h1>A</h1>\r\nSee <a href=\"http://example.com/x.\" target=\"main\">http://example.com/x.</a> "
       "Then ftp:y and mailto: z, <a href=\"mailto:me@x.org.\" target=\"main\">mailto:me@x.org.</a>\r\n"},
      {"quotes in a typed URL stay inside the attribute", "html", nullptr,
       ".1\r\nA\r\nhttp://x.org/?q=\"a\" end\r\n",
       "<h1>A</h1>\r\n<a href=\"http://x.org/?q=%22a%22\" target=\"main\">http://x.org/?q=\"a\"</a> end\r\n"},
      {"web pages open in extern", "html", nullptr, ".1\r\nA\r\n(http://x.org/a.HTML)\r\n",
       "<h1>A</h1>\r\n(<a href=\"http://x.org/a.HTML\" target=\"extern\">http://x.org/a.HTML</a>)\r\n"},
      {"WinHelp 3 makes none", "winhelp3", nullptr, ".1\r\nA\r\nhttp://x.org/a\r\n",
       "<h1>A</h1>\r\nhttp://x.org/a\r\n"},
      {"WinHelp 4", "winhelp4", nullptr, ".1\r\nA\r\nhttp://x.org/a mailto:me@x\r\n",
       "<h1>A</h1>\r\n{\\cf1\\uldb http://x.org/a}{\\v !ExecFile(\"http://x.org/a\")} mailto:me@x\r\n"},
      {"IPF starts the browser", "ipf", nullptr, ".1\r\nA\r\nhttp://x.org/a\r\n",
       "<h1>A</h1>\r\n:link reftype=launch object='NETSCAPE.EXE' data='http://x.org/a'.http&colon.//x&per.org/a:elink.\r\n"},
  });
}

TEST(LinkWriter, IndexEntriesWithExternalTargets) {
  const std::string url =
      ".1\r\nA\r\n.URL http://example.com/page\r\n.IN site\r\n.LOCAL\r\nsite\r\n";
  RunCases({
      {"HTML with URL icon", "html", [](CompilerRun& r) { r.Ini.UrlGraphicsFile = "no"; }, url,
       "<h1>A</h1>\r\n<img align=bottom src=\"NO.GIF\"><a href=\"http://example.com/page\" "
       "target=\"main\">site</a>\r\n"},
      {"icon off with NO", "html", [](CompilerRun& r) { r.Ini.UrlGraphicsFile = "NO"; }, url,
       "<h1>A</h1>\r\n<a href=\"http://example.com/page\" target=\"main\">site</a>\r\n"},
      {"RTF text URL becomes a footnote", "rtftext",
       [](CompilerRun& r) { r.Ini.UrlGraphicsFile = "globe"; }, url,
       "<h1>A</h1>\r\n{site}{\\super \\chftn{\\*\\footnote \\chftn\\pard\\plain "
       "http://example.com/page}}\r\n"},
      {"WinHelp 4 program with arguments", "winhelp4", nullptr,
       ".1\r\nA\r\n.EX calc.exe notes.txt\r\n.IN calc\r\n.LOCAL\r\ncalc\r\n",
       "<h1>A</h1>\r\n{\\cf1\\uldb calc}{\\v !ExecFile(\"notes.txt\")}\r\n"},
      {"WinHelp 3 program", "winhelp3", nullptr,
       ".1\r\nA\r\n.EX calc.exe notes.txt\r\n.IN calc\r\n.LOCAL\r\ncalc\r\n",
       "<h1>A</h1>\r\n{\\cf1\\uldb calc}{\\v !ExecProgram(\"calc.exe notes.txt\", 0)}\r\n"},
      {"WinHelp topic of another help file", "winhelp4", nullptr,
       ".1\r\nA\r\n.EX other.hlp\r\n.ID topic_x\r\n.IN other\r\n.LOCAL\r\nother\r\n",
       "<h1>A</h1>\r\n{\\cf1\\uldb other}{\\v topic_x @other.hlp}\r\n"},
      {"IPF program launch", "ipf", nullptr,
       ".1\r\nA\r\n.EX calc.exe -x\r\n.IN calc\r\n.LOCAL\r\ncalc\r\n",
       "<h1>A</h1>\r\n:link reftype=launch object='calc.exe' data='-x'.calc:elink.\r\n"},
  });
}

TEST(LinkWriter, IndexExpressionsInRunningText) {
  RunCases({
      {"plain and colon forms are written without their marks", "ipf", nullptr,
       ".1\r\nA\r\nx #word y #:two words; z #:gray whale: end\r\n",
       "<h1>A</h1>\r\nx word:i1 id=i1.word\r\n y two words:i1.words, two\r\n z gray "
       "whale:i1.gray whale\r\n end\r\n"},
      {"a later entry of the first word gives ids", "ipf", nullptr,
       ".1\r\nA\r\n.IN gray\r\n.1\r\nB\r\n#:gray whale: and #:gray wolf: and #gray\r\n",
       "<h1>A</h1>\r\n:i1 id=i1.gray\r\n<h1>B</h1>\r\ngray whale:i2 refid=i1.whale\r\n and "
       "gray wolf:i2 refid=i1.wolf\r\n and gray:i1.gray\r\n"},
  });
}

TEST(LinkWriter, ZeroEndsAWordAndCountsStayApart) {
  TestRun t("html");
  CompilerRun& run = *t;
  t.Load(".1\r\nA\r\n.IN word\r\n.1\r\nB\r\n");
  RunPrepasses(run);
  // The output stand-in leaves the link writer as the last topic had it, for the direct calls;
  // the real output pass is only run whole, and its end closes the pages.
  FakeOutputPass(run);
  run.Passes.OutputFile.clear();
  for (char c : std::string("word")) EmitLinkedChar(run, static_cast<std::uint8_t>(c));
  EXPECT_EQ(run.Passes.OutputFile, "");  // still collecting
  EmitLinkedChar(run, 0);
  EXPECT_EQ(run.Passes.OutputFile, "<a href=\"N000.HTML#hd1\" target=\"main\">word</a>");
  EXPECT_EQ(run.LinkWriter.InternalLinkCount, 1);
  // Inside a colon-form expression 0 changes nothing.
  run.Passes.OutputFile.clear();
  for (char c : std::string("#:ab")) EmitLinkedChar(run, static_cast<std::uint8_t>(c));
  EmitLinkedChar(run, 0);
  EXPECT_TRUE(run.LinkWriter.InIndexExpression);
  EXPECT_EQ(run.LinkWriter.MarkedExpression, "ab");
}

TEST(LinkWriter, OnlyIndexLinksAreCountedExternal) {
  TestRun t(WholeRun("html"));
  CompilerRun& run = *t;
  CompileText(t,
              ".1\r\nA\r\n.URL http://example.com/p\r\n.IN site\r\n.LOCAL\r\n"
              "site http://x.org/a site\r\n");
  EXPECT_EQ(run.LinkWriter.ExternalLinkCount, 1);
  EXPECT_EQ(run.LinkWriter.InternalLinkCount, 0);
  ASSERT_EQ(run.Passes.ExternalReferences.size(), 1u);
  EXPECT_EQ(run.Passes.ExternalReferences[0], "http://x.org/a");
}

TEST(LinkWriter, LongWordsKeepEveryCharacter) {
  TestRun t("html");
  CompilerRun& run = *t;
  const std::string word(400, 'w');
  t.Load(".1\r\nA\r\n" + word + " " + word + "\r\n");
  RunPrepasses(run);
  // The output stand-in: the real output pass wraps the line at the blank between the words.
  FakeOutputPass(run);
  EXPECT_NE(run.Passes.OutputFile.find(word + " " + word), std::string::npos);
}

// A typed URL longer than the word buffer keeps every character, in the address and in the
// link text; so does a long word inside a several-word link.
TEST(LinkWriter, LongTypedUrlKeepsEveryCharacter) {
  TestRun t("html");
  const std::string url = "http://example.com/" + std::string(400, 'p');
  t.Load(".1\r\nA\r\nsee " + url + " end\r\n");
  RunPrepasses(*t);
  t->Passes.OutputFile.clear();
  // The output stand-in: the real output pass wraps the line at the blank after the link.
  FakeOutputPass(*t);
  EXPECT_NE(
      t->Passes.OutputFile.find("<a href=\"" + url + "\" target=\"main\">" + url + "</a> end"),
      std::string::npos)
      << t->Passes.OutputFile.size();
  ASSERT_EQ(t->Passes.ExternalReferences.size(), 1u);
  EXPECT_EQ(t->Passes.ExternalReferences[0], url);
}

}  // namespace
}  // namespace skeldon
