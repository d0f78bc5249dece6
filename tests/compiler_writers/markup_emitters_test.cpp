// Font changes, breaks, IPF highlights and open toggles: (state, call) -> bytes per target.
#include <gtest/gtest.h>

#include <functional>

#include "compiler/writers/markup.h"
#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace skeldon {
namespace {

TFontDef& Font(CompilerRun& run, char letter) {
  return run.IniValues.FontDefs[FontLetterIndex(letter)];
}

void DefinePre(CompilerRun& run, char letter) {
  TFontDef& f = Font(run, letter);
  f.IpfFace = " facename=Courier size=10x8";
  f.IpfColor = " fc=default bc=default";
  f.HtmlMarkup = "<font face=Courier>";
  f.HtmlTag = "PRE";
  f.ForegroundIndex = 255;
}

void DefineArial(CompilerRun& run, char letter) {
  TFontDef& f = Font(run, letter);
  f.IpfFace = " facename=Helv size=12x7";
  f.IpfColor = " fc=red bc=default";
  f.HtmlMarkup = "<font face=Arial color=Red>";
  f.ForegroundIndex = 10;
  f.SizeInPoints = 12;
}

struct Case {
  const char* name;
  const char* target;
  std::function<void(CompilerRun&)> setup;
  std::function<void(CompilerRun&)> action;
  std::string bytes;
  std::string message;  // expected console text, "" = none
};

void RunCases(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    TestRun t(c.target);
    if (c.setup) c.setup(*t);
    c.action(*t);
    EXPECT_EQ(Printable(t->Passes.OutputFile), Printable(c.bytes)) << c.name;
    EXPECT_EQ(t.Text(), c.message) << c.name;
  }
}

void Change(CompilerRun& run, char letter, bool toggle) {
  WriteFontChange(run, run.Passes.OutputFile, letter, toggle);
}

TEST(FontChange, EveryTarget) {
  RunCases({
      {"IPF undefined letter", "ipf", nullptr, [](CompilerRun& r) { Change(r, 'B', false); },
       "\r\n:font facename=default size=0x0.:color fc=default bc=default.\r\n", ""},
      {"IPF defined letter, inline", "ipf", [](CompilerRun& r) { DefineArial(r, 'A'); },
       [](CompilerRun& r) { Change(r, 'A', true); },
       "\r\n:font facename=Helv size=12x7.:color fc=red bc=default.\r\n", ""},
      {"IPF block change from PRE to normal", "ipf",
       [](CompilerRun& r) { r.Markup.FormatMode = false; },
       [](CompilerRun& r) { Change(r, 'B', false); },
       ":font facename=default size=0x0.:color fc=default bc=default.:elines.\r\n", ""},
      {"IPF block change to PRE", "ipf", [](CompilerRun& r) { DefinePre(r, 'C'); },
       [](CompilerRun& r) { Change(r, 'C', false); },
       "\r\n:font facename=Courier size=10x8.:color fc=default bc=default.:lines.", ""},
      {"IPF inline change to PRE keeps the lines block", "ipf",
       [](CompilerRun& r) { DefinePre(r, 'C'); },
       [](CompilerRun& r) {
         Change(r, 'C', true);
         EXPECT_TRUE(r.Markup.FormatMode);
       },
       "\r\n:font facename=Courier size=10x8.:color fc=default bc=default.\r\n", ""},
      {"IPF centred block leaves out layout line ends", "ipf",
       [](CompilerRun& r) { r.Markup.CenteredBlockOpen = true; },
       [](CompilerRun& r) { Change(r, 'B', true); },
       ":font facename=default size=0x0.:color fc=default bc=default.", ""},
      {"RTF size 0 takes the default size; no colour", "winhelp4",
       [](CompilerRun& r) {
         Font(r, 'D').IpfFace = "x";
         Font(r, 'D').ForegroundIndex = 255;
         r.Markup.RtfFontNumbers[FontLetterIndex('D')] = 3;
       },
       [](CompilerRun& r) {
         Change(r, 'D', false);
         EXPECT_EQ(r.Markup.CurrentRtfFontSize, 10);
       },
       "\r\n\\f3\\fs20 ", ""},
      {"RTF letter without font line", "rtftext", nullptr,
       [](CompilerRun& r) { Change(r, 'E', false); }, "\r\n\\f0\\fs20\\cf0 ", ""},
      {"RTF defined size and colour", "winhelp3", [](CompilerRun& r) { DefineArial(r, 'A'); },
       [](CompilerRun& r) { Change(r, 'A', true); }, "\r\n\\f0\\fs24\\cf10 ", ""},
      {"HTML bold closed before an alternate change", "html",
       [](CompilerRun& r) {
         DefineArial(r, 'A');
         r.Markup.AlternateFontLetter = 'A';
         r.Toggles.ToggleState[2] = true;
       },
       [](CompilerRun& r) {
         Change(r, 'A', true);
         EXPECT_FALSE(r.Toggles.ToggleState[2]);
       },
       "\r\n</B><font face=Arial color=Red>", ""},
      {"HTML red on at a font change", "html",
       [](CompilerRun& r) { r.Toggles.ToggleState[4] = true; },
       [](CompilerRun& r) {
         Change(r, 'B', false);
         EXPECT_FALSE(r.Toggles.ToggleState[4]);
       },
       "\r\n", "wrong toggle\n"},
      {"HTML plain @ needs no </font>, any other letter does", "html", nullptr,
       [](CompilerRun& r) {
         Change(r, '@', false);
         EXPECT_TRUE(r.Markup.PlainFontActive);
         Change(r, 'B', false);
         EXPECT_FALSE(r.Markup.PlainFontActive);
         Change(r, '@', false);
       },
       "\r\n\r\n\r\n</font>", ""},
      {"HTML PRE by block change", "html", [](CompilerRun& r) { DefinePre(r, 'C'); },
       [](CompilerRun& r) {
         r.Source.LineEndCount = 3;
         r.Markup.PendingLineEnds = 2;
         Change(r, 'C', false);
         EXPECT_FALSE(r.Markup.FormatMode);
         EXPECT_TRUE(r.Markup.PreBlockActive);
         EXPECT_EQ(r.Source.LineEndCount, 0);
         EXPECT_EQ(r.Markup.PendingLineEnds, 0);
         Change(r, '@', false);  // closes PRE after the font element
       },
       "\r\n<PRE><font face=Courier></font></PRE>", ""},
      {"HTML PRE by inline change is TT", "html",
       [](CompilerRun& r) {
         DefinePre(r, 'C');
         Font(r, 'A').Centre = 1;
         Font(r, 'A').HtmlMarkup = "<font>";
       },
       [](CompilerRun& r) {
         Change(r, 'C', true);
         EXPECT_TRUE(r.Markup.FormatMode);
         Change(r, 'A', true);
       },
       "\r\n<TT><font face=Courier>\r\n</font></TT><center><font>", ""},
      {"HTML while a heading title is collected", "html",
       [](CompilerRun& r) { r.Markup.CollectingHeading = true; },
       [](CompilerRun& r) {
         Change(r, 'B', false);
         EXPECT_EQ(r.Markup.CurrentFontLetter, 'B');
         EXPECT_TRUE(r.CharConversion.Context.AfterFontChange);
       },
       "\r\n", ""},
      {"inside a script string no layout line end", "html",
       [](CompilerRun& r) { r.CharConversion.Context.InScriptString = true; },
       [](CompilerRun& r) { Change(r, '@', false); }, "", ""},
  });
}

TEST(FontChange, OmitLinksFollowsTheLetter) {
  TestRun t("html");
  t->IniValues.FontOmitsLinks[FontLetterIndex('N')] = true;
  Change(*t, 'N', false);
  EXPECT_TRUE(t->Markup.OmitLinksActive);
  Change(*t, '@', false);
  EXPECT_FALSE(t->Markup.OmitLinksActive);
}

TEST(Breaks, EveryTarget) {
  RunCases({
      {"HTML line break", "html", nullptr, [](CompilerRun& r) { WriteLineBreak(r); }, "<br>\r\n",
       ""},
      {"HTML paragraph", "htmlhelp", nullptr, [](CompilerRun& r) { WriteParagraphBreak(r); },
       "<p>\r\n", ""},
      {"IPF line break", "ipf", nullptr, [](CompilerRun& r) { WriteLineBreak(r); }, ".br\r\n", ""},
      {"IPF paragraph", "ipf", nullptr, [](CompilerRun& r) { WriteParagraphBreak(r); }, ":p.\r\n",
       ""},
      {"RTF line break outside lists", "winhelp4",
       [](CompilerRun& r) {
         r.Markup.IndentLevel = 1;
         r.Markup.MarginLevel = 1;
         r.Markup.RtfIndentGroupOpen = true;
       },
       [](CompilerRun& r) {
         WriteLineBreak(r);
         EXPECT_TRUE(r.Markup.RtfIndentGroupOpen);
       },
       "}\\par\r\n\\li288{\r\n\\f0\\fs20\\cf0 ", ""},
      {"RTF line break in a line block", "rtftext",
       [](CompilerRun& r) { r.Markup.FormatMode = false; },
       [](CompilerRun& r) { WriteLineBreak(r); }, "\\line\r\n\\li0{\\f0\\fs20\\cf0 ", ""},
      {"RTF break inside a list", "winhelp3",
       [](CompilerRun& r) {
         r.Markup.ListLevel = 1;
         r.Markup.RtfIndentGroupOpen = true;
       },
       [](CompilerRun& r) { WriteLineBreak(r); }, "\\par\r\n", ""},
      {"RTF paragraph", "winhelp4", nullptr, [](CompilerRun& r) { WriteParagraphBreak(r); },
       "\\par\\par\r\n\\li0{\r\n\\f0\\fs20\\cf0 ", ""},
      {"RTF paragraph in a line block", "winhelp4",
       [](CompilerRun& r) { r.Markup.FormatMode = false; },
       [](CompilerRun& r) { WriteParagraphBreak(r); }, "\\line\\line\r\n\\li0{\\f0\\fs20\\cf0 ",
       ""},
  });
}

TEST(ReflowLineEnd, OnlyWhereItCannotShow) {
  RunCases({
      {"running text", "html", nullptr,
       [](CompilerRun& r) { WriteReflowLineEnd(r, r.Passes.OutputFile); }, "\r\n", ""},
      {"line block", "html", [](CompilerRun& r) { r.Markup.FormatMode = false; },
       [](CompilerRun& r) { WriteReflowLineEnd(r, r.Passes.OutputFile); }, "", ""},
      {"text popup", "htmlhelp",
       [](CompilerRun& r) { r.CharConversion.Context.InTextPopup = true; },
       [](CompilerRun& r) { WriteReflowLineEnd(r, r.Passes.OutputFile); }, "", ""},
      {"centred block in HTML", "html", [](CompilerRun& r) { r.Markup.CenteredBlockOpen = true; },
       [](CompilerRun& r) { WriteReflowLineEnd(r, r.Passes.OutputFile); }, "\r\n", ""},
  });
}

TEST(IpfHighlight, LevelsByToggleState) {
  struct Case {
    std::vector<int> on;
    std::string bytes;
  } cases[] = {
      {{2, 3, 4}, ":hp7."}, {{2, 4}, ":hp6."}, {{4}, ":hp5."},           {{7}, ":hp4."},
      {{2, 3}, ":hp3."},    {{3}, ":hp2."},    {{2}, ":hp1."},           {{}, ""},
      {{5, 3}, ":hp8."},    {{6, 5}, ":hp9."}, {{8, 9, 10, 11, 12}, ""},
  };
  for (const Case& c : cases) {
    TestRun t("ipf");
    for (int i : c.on) t->Toggles.ToggleState[i - 1] = true;
    WriteIpfHighlight(*t);
    EXPECT_EQ(t->Passes.OutputFile, c.bytes);
  }
}

TEST(IpfHighlight, ClosesTheOpenLevelAndRestoresColour) {
  TestRun t("ipf");
  CompilerRun& run = *t;
  DefineArial(run, 'A');
  run.Markup.RunningFontLetter = 'A';
  run.Toggles.ToggleState[1] = run.Toggles.ToggleState[2] = run.Toggles.ToggleState[3] = true;
  WriteIpfHighlight(run);
  WriteIpfHighlight(run);
  EXPECT_EQ(run.Passes.OutputFile, ":hp7.:ehp7.:hp7.");
  run.Passes.OutputFile.clear();
  run.Toggles.ToggleState.fill(false);
  run.Toggles.ToggleState[4] = true;  // red
  WriteIpfHighlight(run);
  run.Toggles.ToggleState[4] = false;
  WriteIpfHighlight(run);
  EXPECT_EQ(run.Passes.OutputFile, ":ehp7.:hp8.:ehp8.:color fc=red bc=default.");
  TestRun html("html");
  html->Toggles.ToggleState[2] = true;
  WriteIpfHighlight(*html);
  EXPECT_EQ(html->Passes.OutputFile, "");
}

TEST(OpenToggles, ReportedOncePerToggleAndSwitchedOff) {
  TestRun t("html");
  CloseOpenToggles(*t);
  EXPECT_EQ(t.Text(), "");
  EXPECT_TRUE(t->RunSuccess);
  t->Toggles.ToggleState[2] = true;
  t->Toggles.ToggleState[11] = true;
  t->Lines.CurrentSourceLine = 9;
  CloseOpenToggles(*t);
  EXPECT_EQ(t.Text(), "Par 9: bold Toggle missing\nPar 9: superscr. Toggle missing\n");
  EXPECT_FALSE(t->Toggles.ToggleState[2]);
  EXPECT_FALSE(t->RunSuccess);
  EXPECT_EQ(t->Passes.OutputFile, "");
}

}  // namespace
}  // namespace skeldon
