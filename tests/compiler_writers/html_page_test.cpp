// HTML page head and end: golden pages (topic page, frameset page, HTML Help contents head),
// the choice of head-include file, META lines, the placeholder page, the page totals, the notes
// page rules and the indentation depth.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "compiler/foundation/ini_values.h"
#include "compiler/writers/html_page.h"
#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

namespace fs = std::filesystem;

// A run whose source holds one heading title at position 0.
struct PageRun {
  TestRun t;
  THeadingNode* node = nullptr;
  explicit PageRun(const char* target = "html") : t({.Target = target, .KeepFiles = true}) {
    t.Load("Getting started\r\n\r\nSome text.\r\n");
    t->LinkPass.DocumentTitle = "Corvina Guide";
    ParseTextTemplate("Guide: HEADING", t->Ini.FileTitle);
    ParseTextTemplate("DOCTITLE", t->Ini.MetaContent);
    t->Ini.BodyTags = "BGCOLOR=white";
    t->Numbering.FileCounter = 3;
    node = NewHeadingNode(*t);
    node->SourcePosition = 0;
    node->HeadingNumber = 1;
    node->FileNumber = 3;
  }
};

TEST(HtmlPageTest, TopicPageMatchesGolden) {
  PageRun p;
  CompilerRun& run = *p.t;
  CreateOutputFile(run, "GUIDE", "\\N003.HTML", true);
  WritePageHead(run, run.Passes.OutputFile, false, p.node, kTopicPage, true);
  EXPECT_TRUE(run.Markup.PlainFontActive);
  run.Passes.OutputFile += "Some text.\r\n";
  run.HtmlPage.ClosingHeadingLevel = 1;
  WritePageEnd(run, false);
  ExpectGolden("html_page/topic_page.html", p.t.File("GUIDE\\N003.HTML"));
  EXPECT_EQ(run.HtmlPage.HtmlPageCount, 1);
  EXPECT_EQ(run.HtmlPage.HtmlPageBytes,
            static_cast<std::int64_t>(p.t.File("GUIDE\\N003.HTML").size()));
}

TEST(HtmlPageTest, FramesetPageMatchesGolden) {
  PageRun p;
  CompilerRun& run = *p.t;
  std::string& f = run.Passes.OutputFile;
  WritePageHead(run, f, true, p.node, kTopicPage, true);
  f += "<FRAMESET COLS=\"30%,*\"><FRAME SRC=\"N001.HTML\" NAME=\"navi\"><FRAME SRC=\"EMPTY.HTML\" "
       "NAME=\"main\"></FRAMESET>\r\n";
  FinishHtmlPage(run, f, true, true);
  ExpectGolden("html_page/frameset_page.html", f);
}

TEST(HtmlPageTest, HtmlHelpContentsHeadMatchesGolden) {
  PageRun p("htmlhelp");
  CompilerRun& run = *p.t;
  WritePageHead(run, run.Passes.OutputFile, false, nullptr, kContentsPage, true);
  ExpectGolden("html_page/htmlhelp_contents_head.hhc", run.Passes.OutputFile);
  // The index file: the same without the site-properties object.
  PageRun q("htmlhelp");
  WritePageHead(*q.t, q.t->Passes.OutputFile, false, nullptr, kIndexPage, true);
  EXPECT_EQ(q.t->Passes.OutputFile.find("<OBJECT"), std::string::npos);
  EXPECT_EQ(q.t->Passes.OutputFile.rfind("<HTML><HEAD>\r\n", 0), 0u);
}

TEST(HtmlPageTest, NoMetaContentMeansNoDescriptionOrKeywords) {
  PageRun p;
  p.t->Ini.MetaContent = TTemplateText{};
  WritePageHead(*p.t, p.t->Passes.OutputFile, false, p.node, kTopicPage, true);
  EXPECT_EQ(p.t->Passes.OutputFile.find("description"), std::string::npos);
  EXPECT_EQ(p.t->Passes.OutputFile.find("keywords"), std::string::npos);
  EXPECT_NE(p.t->Passes.OutputFile.find("generator"), std::string::npos);
}

TEST(HtmlPageTest, PopupFootnoteObjectFollowsTheTitleOfAFramesetHead) {
  PageRun p;
  p.t->Ini.FootnotesPopup = true;
  p.t->Passes.FileHasFootnotes[3] = true;
  WritePageHead(*p.t, p.t->Passes.OutputFile, true, p.node, kTopicPage, false);
  const std::string& f = p.t->Passes.OutputFile;
  EXPECT_NE(
      f.find("</title>\r\n<OBJECT id=hhctrl type=\"application/x-oleobject\"\r\n"
             "        classid=\"clsid:adb880a6-d8ff-11cf-9377-00aa003b7a11\">\r\n</OBJECT>\r\n"),
      std::string::npos)
      << f;
  EXPECT_EQ(f.find("</HEAD>"), std::string::npos);
  EXPECT_EQ(f.find("META"), std::string::npos);  // withMeta off
}

struct IncludeCase {
  const char* pageId;  // "" for a numbered page
  int fileNumber;
  bool everyExists;
  bool withMeta;
  const char* included;  // "" for none
};

TEST(HtmlPageTest, HeadIncludeFileChoice) {
  const corvina_test::TempDir tmp("skeldon-test");
  const fs::path& dir = tmp.Path();
  std::ofstream(dir / "EVERY.HEAD", std::ios::binary) << "<!-- every -->\x1A\r\n";
  std::ofstream(dir / "GUIDE.HEAD", std::ios::binary) << "<!-- source -->\r\n";
  std::ofstream(dir / "INTRO.HEAD", std::ios::binary) << "<!-- own \x1A-->\r\n";
  const IncludeCase cases[] = {
      {"", 0, true, true, "<!-- every -->\r\n"},  // numbered: EVERY before the source's file
      {"", 0, false, true, "<!-- source -->\r\n"},
      {"INTRO", 0, true, true, "<!-- source -->\r\n"},  // file 0: the source's file first
      {"INTRO", 2, true, true, "<!-- own -->\r\n"},
      {"OTHER", 2, true, true, "<!-- every -->\r\n"},  // own file missing: EVERY
      {"OTHER", 2, false, true, ""},
      {"", 2, false, true, ""},
      {"INTRO", 2, true, false, ""},
  };
  for (const IncludeCase& c : cases) {
    PageRun p;
    CompilerRun& run = *p.t;
    run.Ini.MetaContent = TTemplateText{};
    run.Switches.PageNamePrefix = dir.string() + "/";
    run.Switches.SourceFileName = (dir / "GUIDE.TXT").string();
    run.FileNames.LastPageIdName = c.pageId;
    run.Numbering.FileCounter = c.fileNumber;
    run.HtmlPage.EveryHeadFileExists = c.everyExists;
    WritePageHead(run, run.Passes.OutputFile, false, nullptr, kTopicPage, c.withMeta);
    const std::string& f = run.Passes.OutputFile;
    const std::size_t from = c.withMeta ? f.find("4.22\">\r\n") + 8 : f.find("<HEAD>\r\n") + 8;
    EXPECT_EQ(f.substr(from, f.find("<title>") - from), c.included)
        << c.pageId << " " << c.fileNumber << " " << c.everyExists;
  }
}

TEST(HtmlPageTest, PlaceholderPageEndsWithHtmlEndOnly) {
  PageRun p;
  CompilerRun& run = *p.t;
  CreateOutputFile(run, "GUIDE", "\\EMPTY.HTML", true);
  run.Passes.OutputFile = "<html>";
  run.HtmlPage.EmptyPageOpen = true;
  WritePageEnd(run, false);
  EXPECT_EQ(p.t.File("GUIDE\\EMPTY.HTML"), "<html></html>\r\n");
  EXPECT_FALSE(run.HtmlPage.EmptyPageOpen);
  EXPECT_EQ(run.HtmlPage.HtmlPageCount, 0);
}

TEST(HtmlPageTest, BarMarksSuppressTheBottomBarOnce) {
  PageRun p;
  CompilerRun& run = *p.t;
  run.Ini.ButtonsOn = true;
  run.HtmlPage.FramesetBarMark = true;
  run.HtmlPage.ClosingHeadingLevel = 1;
  CreateOutputFile(run, "GUIDE", "\\N003.HTML", false);
  WritePageEnd(run, false);
  EXPECT_EQ(p.t.File("GUIDE\\N003.HTML"), "</BODY></HTML>");
  EXPECT_FALSE(run.HtmlPage.FramesetBarMark);
  CreateOutputFile(run, "GUIDE", "\\N004.HTML", false);
  WritePageEnd(run, true);
  EXPECT_EQ(p.t.File("GUIDE\\N004.HTML"), "<p>\r\n\r\n</BODY></HTML>");
}

struct NotesCase {
  bool noFrames;
  bool final;
  bool textHasFootnotes;
  bool closed;
};

TEST(HtmlPageTest, NotesPageIsClosedPerFramesMode) {
  const NotesCase cases[] = {
      {false, false, false, true},  // frames: closed with its topic page
      {true, false, true, false},   // no frames: only by the final page end
      {true, true, true, true},
      {true, true, false, false},
  };
  for (const NotesCase& c : cases) {
    PageRun p;
    CompilerRun& run = *p.t;
    run.Switches.NoFrames = c.noFrames;
    run.HtmlPage.TextHasFootnotes = c.textHasFootnotes;
    run.HtmlPage.ClosingHeadingLevel = 2;
    CreateTextFile(run, run.HtmlPage.NotesFile, "GUIDE", "\\NOTES.HTML", true);
    run.HtmlPage.NotesFile.Text = "<p>note";
    run.HtmlPage.NotesFileFont = 'B';
    run.HtmlPage.FootnotePageOpen = true;
    CreateOutputFile(run, "GUIDE", "\\N003.HTML", true);
    WritePageEnd(run, c.final);
    EXPECT_EQ(p.t.Files().count("GUIDE\\NOTES.HTML") == 1, c.closed) << c.noFrames << c.final;
    if (c.closed) {
      EXPECT_EQ(p.t.File("GUIDE\\NOTES.HTML"), "<p>note</font></BODY></HTML>");
      EXPECT_FALSE(run.HtmlPage.FootnotePageOpen);
      EXPECT_EQ(run.HtmlPage.HtmlPageCount, 2);
    }
    // The notes page never changes which page is "current" for links.
    EXPECT_EQ(run.Passes.CurrentOutputFileName, "\\N003.HTML");
  }
}

struct DepthCase {
  int from;
  std::uint8_t list, margin;
  const char* written;
  int depth;
};

TEST(HtmlPageTest, IndentDepthFollowsMarginAndListLevel) {
  const DepthCase cases[] = {
      {0, 0, 1, "", 0},         {0, 0, 2, "<dl>", 1},     {0, 0, 6, "<dl>", 1},
      {0, 0, 7, "<dl><dl>", 2}, {0, 4, 3, "<dl><dl>", 2}, {2, 0, 1, "</dl></dl>", 0},
  };
  for (const DepthCase& c : cases) {
    TestRun t("html");
    t->HtmlPage.HtmlIndentDepth = static_cast<std::uint8_t>(c.from);
    SetHtmlIndentDepth(*t, c.list, c.margin);
    EXPECT_EQ(t->Passes.OutputFile, c.written) << int(c.list) << " " << int(c.margin);
    EXPECT_EQ(t->HtmlPage.HtmlIndentDepth, c.depth);
  }
}

}  // namespace
