// Toggle characters into markup, raw HTML under .HC, and the index filter.
#include <gtest/gtest.h>

#include "compiler/writers/source_text_output.h"
#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace skeldon {
namespace {

std::string Write(CompilerRun& run, std::string_view text) {
  run.Passes.OutputFile.clear();
  WriteSourceText(run, text, run.Passes.OutputFile);
  return run.Passes.OutputFile;
}

std::string T(int toggle) { return std::string(1, static_cast<char>(ToggleChar(toggle))); }

TEST(SourceTextOutput, TogglesPerTarget) {
  struct Case {
    const char* target;
    std::string input;
    std::string bytes;
  } cases[] = {
      {"html", T(3) + "x" + T(3), "<B>x</B>"},
      {"htmlhelp", T(2) + T(4) + "y" + T(4) + T(2), "<I><U>y</U></I>"},
      {"html", T(8) + T(9) + T(10) + T(11) + T(12), "<STRIKE><BIG><SMALL><SUB><SUP>"},
      {"html", T(5) + "r" + T(5) + T(6) + T(7), "r"},
      {"winhelp4", T(3) + "x" + T(3), "\\b x\\b0 "},
      {"rtftext", T(12) + "2" + T(12), "\\super 2\\super0 "},
      {"winhelp3", T(11) + T(4) + T(8) + T(5), "\\sub \\ul "},
      {"ipf", T(3) + "x" + T(3), "x"},
      {"html", "a<b", "a&lt;b"},
  };
  for (const Case& c : cases) {
    TestRun t(c.target);
    EXPECT_EQ(Printable(Write(*t, c.input)), Printable(c.bytes)) << c.target;
  }
}

TEST(SourceTextOutput, ToggleStateAndChangedFlag) {
  TestRun t("ipf");
  Write(*t, T(6));
  EXPECT_TRUE(t->Toggles.ToggleState[5]);
  EXPECT_TRUE(t->SourceText.ToggleChanged);
  TestRun h("html");
  Write(*h, T(5));  // red flips although nothing is written
  EXPECT_TRUE(h->Toggles.ToggleState[4]);
}

TEST(SourceTextOutput, AlternateToggleSwitchesFonts) {
  TestRun t("winhelp4");
  CompilerRun& run = *t;
  run.IniValues.FontDefs[FontLetterIndex('A')].SizeInPoints = 14;
  run.Markup.AlternateFontLetter = 'A';
  run.Markup.RtfFontNumbers[FontLetterIndex('A')] = 2;
  EXPECT_EQ(Printable(Write(run, T(1) + "z" + T(1))),
            Printable("\r\n\\f2\\fs28\\cf0 z\r\n\\f0\\fs20\\cf0 "));
}

TEST(SourceTextOutput, RawHtmlUnderHc) {
  TestRun t("html");
  CompilerRun& run = *t;
  run.SourceText.HtmlCodeOn = true;
  EXPECT_EQ(Write(run, "<a " + T(3) + "href=x>&" + T(3)), "<a " + T(3) + "href=x>&amp;<B>");
  EXPECT_TRUE(run.Toggles.ToggleState[2]);  // only the toggle after the tag flipped...
  EXPECT_FALSE(run.SourceText.InHtmlCode);
  // ...and a tag may run over several calls.
  Write(run, "<i");
  EXPECT_TRUE(run.SourceText.InHtmlCode);
  EXPECT_EQ(Write(run, "\r>x"), "\r>x");
}

TEST(SourceTextOutput, ScriptStringsEscapeQuotesAndBackslashes) {
  TestRun t("html");
  t->CharConversion.Context.InScriptString = true;
  EXPECT_EQ(Write(*t, "a\"b\\c"), "a\\\"b\\\\c");
  t->CharConversion.Context.InScriptString = false;
  EXPECT_EQ(Write(*t, "a\"b\\c"), "a\"b\\c");
  TestRun p("htmlhelp");
  p->CharConversion.Context.InTextPopup = true;
  EXPECT_EQ(Write(*p, "x \\"), "x&#32;\\\\");
}

TEST(SourceTextOutput, RemoveIndexFilterChars) {
  TestRun t;
  EXPECT_EQ(RemoveIndexFilterChars(*t, "a,b.c;"), "a,b.c;");
  t->Ini.IndexFilter = ",.;";
  EXPECT_EQ(RemoveIndexFilterChars(*t, "a,b.c;d"), "abcd");
}

TEST(SourceTextOutput, TargetTextHasNoToggles) {
  TestRun t("html");
  t->Passes.OutputFile.clear();
  WriteTargetText(*t, T(3) + "<", t->Passes.OutputFile);
  EXPECT_FALSE(t->Toggles.ToggleState[2]);
  EXPECT_EQ(t->Passes.OutputFile, " &lt;");  // 0xF2 has no entity in code page 850: a blank
}

}  // namespace
}  // namespace skeldon
