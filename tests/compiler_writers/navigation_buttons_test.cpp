// Navigation bars and buttons: which buttons a bar leaves out (first and last page, frame
// groups, missing targets), text, picture and form-button forms, the frame test of "homef",
// quote replacement by code page, the last-line entry winning, and user buttons.
#include <gtest/gtest.h>

#include "compiler/foundation/ini_values.h"
#include "compiler/writers/navigation_buttons.h"
#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

// Three sibling headings on pages 0, 1 and 2.
struct BarRun {
  TestRun t;
  THeadingNode* h[3]{};
  explicit BarRun(const char* target = "html") : t(target) {
    CompilerRun& run = *t;
    run.Ini.DefaultFrame = "main";
    run.Ini.ContentsFrame = "cont";
    run.IndexStore.IndexPageWanted = true;
    for (int i = 0; i < 3; ++i) {
      h[i] = NewHeadingNode(run);
      h[i]->FileNumber = static_cast<std::int16_t>(i);
      h[i]->HeadingNumber = static_cast<std::uint16_t>(i + 1);
    }
    h[0]->NextSibling = h[1];
    h[1]->NextSibling = h[2];
    run.Navigation.LastFileNumber = 2;
    run.Navigation.SwitchLevel = 1;
  }
  void Buttons(int group, const char* functions, const char* texts) {
    ParseButtonFunctions(*t, functions, group);
    ParseButtonTexts(*t, texts, group);
  }
  // The page of heading i is being started.
  void OnPage(int i) {
    CompilerRun& run = *t;
    run.Numbering.FileCounter = i;
    run.Navigation.HeadingCursor[1] = h[i];
    run.Navigation.NextHeadingNode = i < 2 ? h[i + 1] : nullptr;
    run.Navigation.LastLeftHeading = i > 0 ? h[i - 1] : nullptr;
    run.Passes.CurrentOutputFileName =
        "\\" + MakeTopicFileName(run, static_cast<std::int16_t>(i), false, 0);
  }
  std::string Bar(int group) {
    t->Passes.OutputFile.clear();
    WriteNavBar(*t, group == 0, false, group);
    return t->Passes.OutputFile;
  }
};

TEST(NavigationButtonsTest, FirstMiddleAndLastPage) {
  BarRun b;
  b.Buttons(0, "back forward content index", "Back Forward Contents Index");
  b.OnPage(0);
  EXPECT_EQ(b.Bar(0),
            "<a href=\"N001.HTML\" target=\"main\">Forward</a> "
            "<a href=\"INDEX.HTML\" target=\"cont\">Contents</a> "
            "<a href=\"IDX_W.HTML\" target=\"main\">Index</a> \r\n");
  b.OnPage(1);
  EXPECT_EQ(b.Bar(0).rfind("<a href=\"N000.HTML\" target=\"main\">Back</a> "
                           "<a href=\"N002.HTML\" target=\"main\">Forward</a> ",
                           0),
            0u);
  b.OnPage(2);
  EXPECT_EQ(b.Bar(0).find("Forward"), std::string::npos);
}

TEST(NavigationButtonsTest, LastLineBarLeadsToTheHeadingThatStartsTheNextPage) {
  BarRun b;
  b.Buttons(1, "forward", "Next");
  b.OnPage(0);
  b.t->Navigation.HeadingCursor[1] = b.h[2];  // the switch has moved on to the next page's heading
  EXPECT_EQ(b.Bar(1), "<a href=\"N002.HTML\" target=\"main\">Next</a> \r\n");
}

TEST(NavigationButtonsTest, ForwardSkipsHeadingsOnTheSamePageAndFrameGroups) {
  BarRun b;
  b.Buttons(0, "forward", "Next");
  b.OnPage(0);
  b.h[1]->FileNumber = 0;  // the next heading lies on this page: the bar skips to its sibling
  b.t->Navigation.NextHeadingNode = b.h[1];
  b.t->Navigation.HeadingCursor[1] = b.h[1];
  EXPECT_EQ(b.Bar(0), "<a href=\"N002.HTML\" target=\"main\">Next</a> \r\n");
  b.t->LinkPass.FramePending = true;
  EXPECT_EQ(b.Bar(0), "\r\n");
}

TEST(NavigationButtonsTest, FormButtonsTestTheirFrameOnlyWithHomeFrame) {
  BarRun b;
  b.Buttons(0, "back homef max", "Back Home Max");
  ASSERT_TRUE(b.t->IniValues.HomeButtonInFrame);
  b.t->Ini.ButtonsJavaScript = true;
  b.OnPage(1);
  EXPECT_EQ(
      b.Bar(0),
      "<form>\r\n"
      "<input type=button name=\"back\" value=\"Back\" onClick=\"if (top.main==null) "
      "top.location='N000.HTML'; else top.main.location='N000.HTML'\"> "
      "<input type=button name=\"homef\" value=\"Home\" onClick=\"top.location='INDXF.HTML'\"> "
      "<input type=button name=\"max\" value=\"Max\" onClick=\"top.location='N001.HTML'\"> "
      "</form>\r\n\r\n");

  BarRun plain;
  plain.Buttons(0, "back", "Back");
  plain.t->Ini.ButtonsJavaScript = true;
  plain.OnPage(1);
  EXPECT_EQ(plain.Bar(0).find("==null"), std::string::npos);
}

TEST(NavigationButtonsTest, QuotesInFormButtonTextsByCodePage) {
  for (bool iso : {false, true}) {
    BarRun b;
    b.Buttons(0, "index", "x");
    b.t->IniValues.ButtonTable[0][0].Text = "Say \"hi\" \x81";
    b.t->Ini.SourceIsIso = iso;
    b.t->Ini.ButtonsJavaScript = true;
    b.OnPage(1);
    const std::string bar = b.Bar(0);
    EXPECT_NE(bar.find(iso ? "value=\"Say \"hi\" \x81\"" : "value=\"Say 'hi' \xFC\""),
              std::string::npos)
        << Printable(bar);
  }
}

TEST(NavigationButtonsTest, LastLineEntryWinsForAWordInBothLines) {
  BarRun b;
  b.Buttons(0, "back", "TopBack");
  b.Buttons(1, "back", "BottomBack");
  b.OnPage(1);
  EXPECT_NE(b.Bar(0).find(">BottomBack</a>"), std::string::npos);
}

TEST(NavigationButtonsTest, UserButtonsNeedABinding) {
  BarRun b;
  b.Buttons(0, "help", "Help");
  b.Buttons(1, "shop", "Shop");
  b.OnPage(1);
  EXPECT_EQ(b.Bar(0), "\r\n");  // both lines' first user word share key 8; no binding
  EXPECT_TRUE(b.t->Navigation.UserButtonWithoutTarget);

  const std::string url = "http://shop.example/";
  b.t->LinkPass.ButtonUrls[8] = &url;
  EXPECT_EQ(b.Bar(0), "<a href=\"http://shop.example/\" target=\"main\">Shop</a> \r\n");

  BarRun h;
  h.Buttons(0, "help", "Help");
  h.t->Navigation.ButtonTargets[8] = h.h[2];
  h.OnPage(1);
  EXPECT_EQ(h.Bar(0), "<a href=\"N002.HTML\" target=\"main\">Help</a> \r\n");
  h.OnPage(2);  // the button would lead to the page being written
  EXPECT_EQ(h.Bar(0), "\r\n");
}

TEST(NavigationButtonsTest, PicturesAreRefreshedOnceAndNamedByTheWord) {
  BarRun b;
  b.Buttons(0, "back", "Back");
  b.t->Ini.ButtonsOn = true;
  b.t->Switches.UnderscoreButtons = true;
  std::vector<std::string> refreshed;
  b.t->Passes.RefreshGraphicsFile = [&](CompilerRun&, std::string_view n) {
    refreshed.emplace_back(n);
  };
  b.OnPage(1);
  EXPECT_EQ(
      b.Bar(0),
      "<a href=\"N000.HTML\" target=\"main\"><IMG SRC=\"BACK_.GIF\" ALT=\"Back \" BORDER=0></a> \r\n");
  b.Bar(0);
  EXPECT_EQ(refreshed, std::vector<std::string>{"BACK_.GIF"});
  // A form button with a picture opens no link, so it closes none.
  b.t->Ini.ButtonsJavaScript = true;
  const std::string form = b.Bar(0);
  EXPECT_EQ(form.find("</a>"), std::string::npos) << form;
  EXPECT_NE(form.find("<IMG SRC=\"BACK_.GIF\" ALT=\"Back \" BORDER=0> "), std::string::npos)
      << form;
}

struct LeftOutCase {
  const char* target;
  bool createContents;
  int contentLevel;
  bool indexPage;
  bool content;
  bool index;
};

TEST(NavigationButtonsTest, ContentAndIndexButtonsOnlyWhenTheirPagesExist) {
  const LeftOutCase cases[] = {
      {"html", true, 6, true, true, true},       {"html", false, 6, true, false, true},
      {"html", true, 0, true, false, true},      {"html", true, 6, false, true, false},
      {"htmlhelp", true, 6, true, false, false},
  };
  for (const LeftOutCase& c : cases) {
    BarRun b(c.target);
    b.Buttons(0, "content index", "C I");
    b.t->Ini.CreateContents = c.createContents;
    b.t->Switches.ContentsDepth = c.contentLevel;
    b.t->IndexStore.IndexPageWanted = c.indexPage;
    b.OnPage(1);
    const std::string bar = b.Bar(0);
    EXPECT_EQ(bar.find(">C</a>") != std::string::npos, c.content) << c.target << bar;
    EXPECT_EQ(bar.find(">I</a>") != std::string::npos, c.index) << c.target << bar;
  }
}

TEST(NavigationButtonsTest, BarFontIsClosedAfterTheButtons) {
  BarRun b;
  b.Buttons(0, "back", "Back");
  b.t->Ini.ButtonFont = 'B';
  b.t->IniValues.FontDefs[FontLetterIndex('B')].HtmlTag = "PRE";  // a preformatted bar font
  b.OnPage(1);
  const std::string bar = b.Bar(0);
  EXPECT_EQ(bar.substr(bar.size() - 15), "</pre></font>\r\n") << bar;
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t p = text.find(part); p != std::string::npos; p = text.find(part, p + 1)) ++n;
  return n;
}

// Both bars of a page lead back to the same page, never to the page itself: the last-line bar
// is written when the next heading has already moved the heading cursors on.
TEST(NavigationButtonsTest, LastLineBarGoesBackWhereTheFirstLineBarGoes) {
  TestRun m(WholeRun("html"));
  m->Ini.NewFileLevel = 2;
  m->Ini.FunctionsFirstLine = "back forward";
  m->Ini.TextsFirstLine = "Back Forward";
  m->Ini.FunctionsLastLine = "back forward";
  m->Ini.TextsLastLine = "Back Forward";
  const auto r = CompileText(
      m, Crlf(".1\nA\n\nText a\n.2\nA1\n\nText a1\n.2\nA2\n\nText a2\n.1\nB\n\nText b\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  struct TPage {
    const char* Name;
    const char* Back;  // page both back buttons lead to, "" for none
  };
  for (const TPage& p : {TPage{"N000.HTML", ""}, TPage{"N001.HTML", "N000.HTML"},
                         TPage{"N002.HTML", "N001.HTML"}, TPage{"N003.HTML", "N000.HTML"}}) {
    const std::string& page = FileOf(r, std::string("DOC\\") + p.Name);
    ASSERT_FALSE(page.empty()) << p.Name;
    if (!*p.Back) {
      EXPECT_EQ(Count(page, ">Back</a>"), 0u) << page;
      continue;
    }
    EXPECT_EQ(Count(page, ">Back</a>"), 2u) << page;
    EXPECT_EQ(Count(page, std::string("<a href=\"") + p.Back + "\" target=\"main\">Back</a>"), 2u)
        << page;
  }
}

}  // namespace
