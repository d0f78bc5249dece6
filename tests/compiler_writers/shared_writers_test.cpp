// Index markers and topic keywords, external links, topic IDs, templates and heading titles,
// and the contents links of every target.
#include <gtest/gtest.h>

#include "compiler/writers/contents_html.h"
#include "tests/support/compiler_test_support.h"
#include "tests/support/pass_fakes.h"

using namespace skeldon;

namespace skeldon {
namespace {

void Prepasses(TestRun& t, std::string_view source) {
  t.Load(source);
  RunPrepasses(*t);
  t->Reader.PrePassRunning = false;
  t->Passes.OutputFile.clear();
}

TEST(TopicKeywords, WinHelpFootnoteAndHtmlList) {
  const char* source =
      ".1\r\nA\r\n.IN word one\r\n.IV gray whale\r\n.IV New York City\r\n.2\r\nB\r\n.IV single\r\n";
  TestRun w("winhelp4");
  Prepasses(w, source);
  WriteTopicKeywords(*w, 1);
  EXPECT_EQ(w->Passes.OutputFile, "K{\\footnote  word one;whale, gray;City, New York}\r\n");
  w->Passes.OutputFile.clear();
  WriteTopicKeywords(*w, 2);  // its only entry is unlisted
  EXPECT_EQ(w->Passes.OutputFile, "");
  EXPECT_FALSE(HasTopicKeywords(*w, 2));
  TestRun h("html");
  Prepasses(h, source);
  WriteTopicKeywords(*h, 1);
  EXPECT_EQ(h->Passes.OutputFile, "word one, gray whale, New York City");
  TestRun r("rtftext");
  Prepasses(r, source);
  WriteTopicKeywords(*r, 1);
  EXPECT_EQ(r->Passes.OutputFile, "");
}

TEST(TopicKeywords, FilterAndFirstCharacter) {
  TestRun t("html");
  t->Ini.IndexFilter = ".";
  Prepasses(t, ".1\r\nA\r\n.IN Dr.Who\r\n");
  WriteTopicKeywords(*t, 1);
  EXPECT_EQ(t->Passes.OutputFile, "DrWho");
}

TEST(IndexMarker, ReportsAndInserts) {
  TestRun t("ipf");
  Prepasses(t, ".1\r\nA\r\n.IN known\r\n");
  CompilerRun& run = *t;
  auto mark = [&](std::string_view expr, bool words, bool inverted, bool insert) {
    run.LinkWriter.MarkedExpression.assign(expr);
    run.LinkWriter.MarkedExpressionWords = words;
    run.LinkWriter.InIndexExpression = true;
    WriteIndexMarker(run, inverted, insert);
    EXPECT_TRUE(run.LinkWriter.MarkedExpression.empty());
    EXPECT_FALSE(run.LinkWriter.InIndexExpression);
  };
  mark("unknown", false, false, false);
  EXPECT_NE(t.Text().find("Error in marked expression \"unknown\""), std::string::npos);
  mark("Heading text", true, false, true);  // a marked heading is inserted as index-only
  EXPECT_EQ(run.Passes.OutputFile, ":i1.Heading text\r\n");
  EXPECT_TRUE(FindIndexEntry(run, "Heading", nullptr, true)->IndexOnly);
  run.Passes.OutputFile.clear();
  run.Passes.InFootnote = true;
  mark("known", false, false, false);
  EXPECT_NE(t.Text().find("Index marker \"known\" in footnote"), std::string::npos);
  EXPECT_EQ(run.Passes.OutputFile, ":i1 id=i1.known\r\n");  // still handled
  // A skipped link block neither reports nor writes.
  run.Passes.OutputFile.clear();
  const std::string before = t.Text();
  run.LinkPass.LocalLinks = false;
  run.LinkPass.ExternalBlock = false;
  mark("missing", false, false, false);
  EXPECT_EQ(t.Text(), before);
  EXPECT_EQ(run.Passes.OutputFile, "");
}

TEST(IndexMarker, OtherTargetsWriteNothingButReport) {
  TestRun t("winhelp4");
  Prepasses(t, ".1\r\nA\r\n.IN known\r\n");
  t->LinkWriter.MarkedExpression = "known";
  WriteIndexMarker(*t, false, false);
  t->LinkWriter.MarkedExpression = "absent";
  WriteIndexMarker(*t, false, false);
  EXPECT_EQ(t->Passes.OutputFile, "");
  EXPECT_NE(t.Text().find("Error in marked expression \"absent\""), std::string::npos);
}

TEST(ExternalLinks, SchemesAndTargets) {
  struct Case {
    const char* in;
    const char* stripped;
    const char* fileUrl;
  } cases[] = {
      {"file:///c:/doc.htm", "c:/doc.htm", "file:///c:/doc.htm"},
      {"file:////doc", "/doc", "file:////doc"},
      {"FILE:x", "FILE:x", "file:///FILE:x"},
      {"c:/doc.htm", "c:/doc.htm", "file:///c:/doc.htm"},
      {"file:c:/doc.htm", "c:/doc.htm", "file:///c:/doc.htm"},
      {"mailto:a@b", "mailto:a@b", "mailto:a@b"},
      {"http://x/y", "http://x/y", "http://x/y"},
  };
  for (const Case& c : cases) {
    std::string a = c.in, b = c.in;
    StripFileScheme(a);
    MakeFileUrl(b);
    EXPECT_EQ(a, c.stripped) << c.in;
    EXPECT_EQ(b, c.fileUrl) << c.in;
  }
}

TEST(ExternalLinks, OpeningPerTarget) {
  struct Case {
    const char* target;
    const char* url;
    bool underline;
    const char* bytes;
  } cases[] = {
      {"html", "http://x.org/a.HTML", false, "<a href=\"http://x.org/a.HTML\" target=\"extern\">"},
      {"html", "http://x.org/a.zip", false, "<a href=\"http://x.org/a.zip\" target=\"main\">"},
      {"html", "file:///c:/a.htm", false, "<a href=\"c:/a.htm\" target=\"extern\">"},
      {"htmlhelp", "file:c:/a.txt", false, "<a href=\"file:///c:/a.txt\" target=\"main\">"},
      {"ipf", "c:/a.txt", false,
       ":link reftype=launch object='NETSCAPE.EXE' data='file:///c:/a.txt'."},
      {"winhelp4", "http://x", true, "\\ul0 {\\cf1\\uldb "},
      {"rtftext", "http://x", true, "{"},
  };
  for (const Case& c : cases) {
    TestRun t(c.target);
    t->Toggles.ToggleState[3] = c.underline;
    WriteExternalLink(*t, c.url);
    EXPECT_EQ(t->Passes.OutputFile, c.bytes) << c.target << " " << c.url;
  }
  TestRun e("html");
  e->Ini.DefaultFrame.clear();
  WriteExternalLink(*e, "http://x/a.zip");
  EXPECT_EQ(e->Passes.OutputFile, "<a href=\"http://x/a.zip\" target=\"\">");
}

TEST(ExternalLinks, TopicIdsAndWindowSuffixes) {
  TestRun t;
  const std::string intro = "Intro";
  EXPECT_EQ(GetTopicId(nullptr, 7), "h7");
  EXPECT_EQ(GetTopicId(&intro, 7), "Intro");
  EXPECT_EQ(GetWindowSuffix(*t, true), "");
  t->IndexStore.FrameGroupsUsed = true;
  EXPECT_EQ(GetWindowSuffix(*t, true), ">navi");
  EXPECT_EQ(GetWindowSuffix(*t, false), ">main");
}

TEST(Templates, PlaceholdersQuotesAndButtons) {
  TestRun t("html");
  Prepasses(t, ".1\r\nIt's a \"title\"\r\n");
  CompilerRun& run = *t;
  run.LinkPass.DocumentTitle = "Doc's";
  TTemplateText templ;
  ParseTextTemplate("DOCTITLE - HEADING [FILENAME] HEADING", templ);
  std::string out;
  ExpandTemplate(run, out, templ, run.Passes.HeadingTreeRoot, 0, false, false, "N001.HTML");
  EXPECT_EQ(out, "Doc's - It's a \"title\" [N001.HTML] HEADING");
  out.clear();
  ExpandTemplate(run, out, templ, run.Passes.HeadingTreeRoot, 0, true, true, "a'b");
  EXPECT_EQ(out, "Docs - Its a title [ab] HEADING");
  run.IniValues.ButtonTable[0][3] = TButtonEntry{4, "index", "Index", 0};
  run.IniValues.ButtonTable[1][0] = TButtonEntry{4, "index", "Register", 0};
  EXPECT_EQ(FindButtonText(run, 4), "Register");
  EXPECT_EQ(FindButtonText(run, 9), "");
  out.clear();
  ParseTextTemplate("HEADING", templ);
  ExpandTemplate(run, out, templ, nullptr, 4, true, true, "");
  EXPECT_EQ(out, "Register");
}

TEST(Templates, HeadingTitleStopsAfterFiftyOneCharacters) {
  TestRun t("html");
  const std::string title(60, 'x');
  Prepasses(t, ".1\r\n" + title + "\r\n");
  std::string out;
  CopyHeadingTitle(*t, out, t->Passes.HeadingTreeRoot->SourcePosition, true, false, false);
  EXPECT_EQ(out, std::string(51, 'x'));
  out.clear();
  CopyHeadingTitle(*t, out, t->Passes.HeadingTreeRoot->SourcePosition, false, false, false);
  EXPECT_EQ(out, title);
  // Raw copies are in the Windows code page.
  TestRun u("html");
  Prepasses(u,
            ".1\r\n\x84"
            "rger\r\n");
  out.clear();
  CopyHeadingTitle(*u, out, u->Passes.HeadingTreeRoot->SourcePosition, false, true, false);
  EXPECT_EQ(out, "\xE4rger");
}

// Left-out quotes still count towards the limit of fifty-one characters.
TEST(Templates, HeadingTitleLeavesOutQuotesButCountsThem) {
  struct Case {
    std::string Title;
    bool Limit;
    std::string Expected;
  };
  const Case cases[] = {
      {"ab\"cd" + std::string(60, 'x'), true, "abcd" + std::string(46, 'x')},
      {std::string(50, 'x') + "\"yyy", true, std::string(50, 'x')},
      {std::string(49, 'x') + "'yyy", true, std::string(49, 'x') + "y"},
      {"it's \"quoted\" text", false, "its quoted text"},
      {"\"\"", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Title);
    TestRun t("html");
    Prepasses(t, ".1\r\n" + c.Title + "\r\n");
    std::string out;
    CopyHeadingTitle(*t, out, t->Passes.HeadingTreeRoot->SourcePosition, c.Limit, false, true);
    EXPECT_EQ(out, c.Expected);
  }
}

// A title of letters, digits and blanks is appended at once; every title must come out as the
// reading road makes it (counting lines keeps a run on that road), with the same marks and
// the reader left where it stood.
TEST(Templates, PlainHeadingTitleAsTheReadingRoadCopiesIt) {
  struct Case {
    std::string After;  // the source after ".1\r\n"
    bool Soft;
    bool Limit;
    std::uint8_t WindowNext;  // the reader's next character when the title is asked for
    std::string Expected;
  };
  const std::string fifty(50, 'x');
  const Case cases[] = {
      {"Chapter 5 one two\r\n\r\nText\r\n", false, false, 'a', "Chapter 5 one two"},
      {"Chapter 5 one two\r\n\r\nText\r\n", true, false, 'a', "Chapter 5 one two "},
      {"Chapter 5 one two\r\n\r\nText\r\n", true, true, 0x0D, "Chapter 5 one two "},
      {"Chapter 5 one two\r\n\r\nText\r\n", false, false, 0x0D, "Chapter 5 one two"},
      // The soft line end joins the next line: no empty line ends the title there.
      {"Chapter\r\ngoes on\r\n\r\n", true, false, 'a', "Chapter goes on "},
      {"Ends here.\r\nText\r\n", true, false, 'a', "Ends here."},
      {fifty + "\r\n\r\n", true, true, 'a', fifty + " "},
      {fifty.substr(1) + "\r\n\r\n", true, true, 'a', fifty.substr(1) + " "},
      {fifty + "y\r\n\r\n", false, true, 'a', fifty + "y"},
      {fifty + "yz\r\n\r\n", false, true, 'a', fifty + "y"},
      {"a\xF1"
       "b\xF1 c\r\n\r\n",
       false, false, 'a', "a<I>b</I> c"},
      {"Tom & Jerry\r\n\r\n", false, false, 'a', "Tom &amp; Jerry"},
      {"Last line", false, false, 'a', "Last line"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.After + (c.Soft ? " soft" : " hard") + (c.Limit ? " limit" : ""));
    std::string copies[2];
    bool marks[2] = {};
    for (int road = 0; road < 2; ++road) {
      TestRun t("html");
      t->Switches.SoftLineEnds = c.Soft;
      Prepasses(t, ".1\r\n" + c.After);
      t->Switches.CountLines = road == 1;
      t->Source.NextChar = c.WindowNext;
      t->Source.Position = 2;
      t->Reader.DotLineMark = true;
      TSourceState before;
      SaveSourceState(*t, before);
      CopyHeadingTitle(*t, copies[road], t->Passes.HeadingTreeRoot->SourcePosition, c.Limit, false,
                       false);
      marks[road] = t->Reader.DotLineMark;
      EXPECT_EQ(t->Source.Position, before.Position);
      EXPECT_EQ(t->Source.NextChar, before.NextChar);
      EXPECT_EQ(t->Source.LineEndCount, before.LineEndCount);
    }
    EXPECT_EQ(copies[0], c.Expected);
    EXPECT_EQ(copies[1], c.Expected);
    EXPECT_EQ(marks[0], marks[1]);
  }
}

TEST(ExternalLinks, UsedLinkListNamesEachTargetOnce) {
  TestRun t("html");
  Prepasses(t, ".1\r\nA\r\n.URL http://x.org/\r\n.IN a\r\n.IN b\r\n.IN c\r\n.LOCAL\r\n");
  RecordExternalReference(*t, "http://typed.org/");
  RecordExternalReference(*t, "http://typed.org/");
  RecordExternalReference(*t, "http://x.org/");
  WriteExternalLinkList(*t);
  EXPECT_EQ(t->Passes.OutputFile,
            "<a href=\"http://x.org/\">http://x.org/</a><br>\r\n"
            "<a href=\"http://typed.org/\">http://typed.org/</a><br>\r\n"
            "<a href=\"http://x.org/\">http://x.org/</a><br>\r\n");
}

TEST(ContentsLink, EveryTarget) {
  const char* source = ".1\r\nTitle\r\n.ID intro\r\n.2\r\nSub\r\n";
  TestRun h("html");
  Prepasses(h, source);
  h->Numbering.FileCounter = 0;
  THeadingNode* sub = h->Passes.HeadingTreeRoot->FirstChild;
  WriteContentsLink(*h, *sub, true, 0);
  WriteContentsLink(*h, *sub, true, 4);
  EXPECT_EQ(h->Passes.OutputFile,
            "<a href=\"#hd2\">Sub</a>\r\n<a href=\"#hd2\" target=\"group4\">Sub</a>\r\n");
  // Inside a JavaScript string (the contents tree) the quotes are escaped and the script
  // writes the tag's opening and closing itself.
  h->Passes.OutputFile.clear();
  h->CharConversion.Context.InScriptString = true;
  WriteContentsLink(*h, *sub, true, 0);
  h->Passes.OutputFile += '|';
  WriteContentsLink(*h, *sub, true, 4);
  h->CharConversion.Context.InScriptString = false;
  EXPECT_EQ(h->Passes.OutputFile, "#hd2\\\">Sub|#hd2\\\" target=\\\"group4\\\">Sub");
  TestRun i("ipf");
  Prepasses(i, source);
  WriteContentsLink(*i, *i->Passes.HeadingTreeRoot->FirstChild, true, 0);
  EXPECT_EQ(i->Passes.OutputFile, ":link reftype=hd res=2.Sub:elink.\r\n");
  TestRun r("winhelp4");
  Prepasses(r, source);
  WriteContentsLink(*r, *r->Passes.HeadingTreeRoot, false, 0);
  WriteContentsLink(*r, *r->Passes.HeadingTreeRoot->FirstChild, false, 0);
  EXPECT_EQ(r->Passes.OutputFile, "{\\cf1\\uldb Title}{\\v intro}{\\cf1\\uldb Sub}{\\v h2}");
  r->Passes.OutputFile.clear();
  r->IndexStore.FrameGroupsUsed = true;
  WriteContentsLink(*r, *r->Passes.HeadingTreeRoot->FirstChild, false, 0);
  EXPECT_EQ(r->Passes.OutputFile, "{\\cf1\\uldb Sub}{\\v h2>main}");
}

TEST(ContentsLink, IpfWindowPositions) {
  TestRun t("ipf");
  Prepasses(t, ".1\r\nTop\r\n.2\r\nLeaf\r\n");
  CompilerRun& run = *t;
  run.LinkPass.FrameGroupActive = true;
  run.LinkPass.FrameGroupLevel = 1;
  run.LinkPass.CurrentLevel = 2;
  run.Passes.GroupWindowCount = 2;
  run.Passes.GroupWindowTable[2] = TGroupWindow{100, 30, true, true};
  run.Passes.GroupWindowTable[4] = TGroupWindow{50, 100, false, false};
  THeadingNode& leaf = *run.Passes.HeadingTreeRoot->FirstChild;
  EXPECT_EQ(GetGroupLevel(run, 2), 2);
  EXPECT_EQ(WriteIpfWindowPosition(run, false, 2, leaf), " vpx=left vpy=top vpcx=30% vpcy=100%");
  EXPECT_EQ(WriteIpfWindowPosition(run, true, 2, leaf), " x=left y=top width=30% height=100%");
  run.Passes.GroupWindowCount = 3;  // a heading without sub-headings takes window 4
  EXPECT_EQ(WriteIpfWindowPosition(run, false, 2, leaf),
            " vpx=right vpy=bottom vpcx=100% vpcy=50%");
  EXPECT_EQ(WriteIpfWindowPosition(run, false, 9, leaf), "");
  run.Passes.GroupWindowCount = 2;
  WriteContentsLink(run, leaf, true, 0);
  EXPECT_EQ(run.Passes.OutputFile,
            ":link reftype=hd res=2 vpx=left vpy=top vpcx=30% vpcy=100%.Leaf:elink.\r\n");
  run.LinkPass.FrameGroupActive = false;
  EXPECT_EQ(WriteIpfWindowPosition(run, false, 2, leaf), "");
  EXPECT_EQ(GetGroupLevel(run, 5), 1);
}

TEST(NoFramesAndBody, KeywordsTemplatesAndTags) {
  TestRun t("html");
  Prepasses(t, ".1\r\nTitle\r\n.IN alpha\r\n.IN beta\r\n");
  CompilerRun& run = *t;
  ParseTextTemplate("HEADING", run.Ini.MetaContent);
  std::string page;
  WriteNoFramesBlock(run, page, "N000T.HTML", run.Passes.HeadingTreeRoot, 0);
  EXPECT_EQ(page,
            "<NOFRAMES>\r\n<p>\r\nTitle<p>\r\n(Keywords: alpha, beta)<p>\r\n"
            "<i>Show without frames: <a href=\"N000T.HTML\"></a></i>\r\n"
            "<p>\r\n<p>\r\n<p>\r\n<p>\r\n<p>\r\n</NOFRAMES>\r\n");
  EXPECT_EQ(run.Passes.OutputFile, "");
  std::string body;
  run.Ini.BodyTags = "bgcolor=white";
  run.Ini.ContentsTags = "no";
  ParseTextTemplate("DOCTITLE", run.Ini.StatusbarDefault);
  run.LinkPass.DocumentTitle = "D";
  WriteBodyAttributes(run, body, false, nullptr, 0);
  EXPECT_EQ(body, " bgcolor=white onLoad=\"window.defaultStatus='D';return true;\"");
  body.clear();
  WriteBodyAttributes(run, body, true, nullptr, 3);  // "no" contents tags: none
  EXPECT_EQ(body, " onLoad=\\\"window.defaultStatus='D';return true;\\\"");
  TestRun help("htmlhelp");
  ParseTextTemplate("DOCTITLE", help->Ini.StatusbarDefault);
  body.clear();
  WriteBodyAttributes(*help, body, false, nullptr, 0);
  EXPECT_EQ(body, "");
}

// Contents links to pages beyond the footnote flags' range keep their anchor and read no
// flag outside the table.
TEST(ContentsLink, FileNumbersBeyondTheFootnoteTable) {
  TestRun t("html");
  CompilerRun& run = *t;
  t.Load(".1\r\nFar\r\n");
  RunPrepasses(run);
  THeadingNode* node = run.Passes.HeadingTreeRoot;
  ASSERT_TRUE(node);
  run.Passes.FileHasFootnotes.fill(true);
  run.Numbering.FileCounter = -1;
  for (std::int16_t file :
       {std::int16_t{999}, std::int16_t{1000}, std::int16_t{32000}, std::int16_t{-5}}) {
    node->FileNumber = file;
    run.Passes.OutputFile.clear();
    WriteContentsLink(run, *node, true, 0);
    const bool anchor = file > 999 || file < 0;
    EXPECT_EQ(run.Passes.OutputFile.find("#hd1") != std::string::npos, anchor) << file;
  }
}

// The summary page's list of used links takes the addresses of typed URLs as they came: a
// quote or angle bracket in one must neither end the attribute nor open a tag.
TEST(ExternalLinks, UsedLinkListKeepsOddAddressesInsideTheAttribute) {
  TestRun t("html");
  t.Load(".1\r\nA\r\nsee http://x.org/?q=\"<b>\"&r=1 end\r\n");
  RunPrepasses(*t);
  // The output stand-in, in the writer tests' settings: the whole run's toggle characters
  // take "<", ">" and "&" out of the address.
  FakeOutputPass(*t);
  ASSERT_EQ(t->Passes.ExternalReferences.size(), 1u);
  t->Passes.OutputFile.clear();
  WriteExternalLinkList(*t);
  EXPECT_EQ(t->Passes.OutputFile,
            "<a href=\"http://x.org/?q=%22%3Cb%3E%22&r=1\">"
            "http://x.org/?q=\"&lt;b&gt;\"&r=1</a><br>\r\n");
}

}  // namespace
}  // namespace skeldon
