// The output pass takes plain words, blanks and punctuation in mid-line and the rest of a dot
// line by a shorter road. Whatever the source, both roads must write the same files and
// messages: each source here is compiled twice for each target, once with the shorter road
// turned off, and the results compared.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

const char* const kTargets[] = {"html", "htmlhelp", "ipf", "winhelp4", "rtftext"};

TRunResult CompileBy(std::string_view target, const std::string& source, bool shortcut) {
  TestRun m(WholeRun(target));
  m->Compile.PlainTextShortcut = shortcut;
  return CompileText(m, source);
}

void ExpectSameOnBothRoads(const std::string& source, const std::string& label) {
  for (const char* target : kTargets) {
    SCOPED_TRACE(label + ", target " + target);
    const TRunResult general = CompileBy(target, source, false);
    const TRunResult shortcut = CompileBy(target, source, true);
    EXPECT_EQ(general.ExitCode, shortcut.ExitCode);
    EXPECT_EQ(general.Console, shortcut.Console);
    ASSERT_EQ(general.Files.size(), shortcut.Files.size());
    for (const auto& [name, text] : general.Files) {
      auto it = shortcut.Files.find(name);
      ASSERT_NE(it, shortcut.Files.end()) << name;
      EXPECT_EQ(text, it->second) << name;
    }
  }
}

// Cases where a plain byte stops being plain: toggles, index marks, footnote markers, URLs,
// line-length reflow, lists, tables, raw HTML and conditions around ordinary words.
struct TRoadCase {
  const char* Name;
  const char* Source;
};

const TRoadCase kCases[] = {
    {"words and blanks", ".1\nTitle\n\nplain words  with two  blanks and digits 42 x1\n"},
    {"toggles inside and after words", ".1\nT\n\nab~cd~ ef _under_ lined ~ bold~ x\n"},
    {"index marks",
     ".IN alpha\n.1\nT\nalpha ^beta gamma ^:two words; after alpha\n.2\nU\nbeta alpha alphas\n"},
    {"footnotes", ".FU {}\n.1\nT\nword{note text} after {another} } {x\n.2\nU\nmore\n"},
    {"url", ".1\nT\nsee http://example.com/a_b words mailto:me@x.y and javascript:go end\n"},
    {"long lines reflow",
     ".1\nT\naaaa bbbb cccc dddd eeee ffff gggg hhhh iiii jjjj kkkk llll mmmm nnnn oooo pppp qqqq rrrr\n"},
    // A link adds to the output column when the blank after it ends the word.
    {"long lines with links and footnotes reflow",
     ".FU {}\n.1\nAlpha\n.IN alpha\nfirst\n.1\nT\n"
     "aaaa bbbb cccc dddd eeee ffff gggg hhhh iiii jjjj kkkk llll alpha pppp qqqq rrrr\n"
     "bbbb alpha dddd eeee alpha gggg hhhh iiii jjjj kkkk alpha mmmm{note} nnnn oooo pppp qqqq "
     "rrrr alpha ssss tttt uuuu vvvv wwww xxxx alpha yyyy zzzz\n"},
    {"lists", ".1\nT\n- one item here\n  * sub item\n- two\n\nafter list\n"},
    {"table", ".1\nT\n.TA cap\nab    cd ef\ngh    ij kl\n.TA\nafter\n"},
    {"html code", ".1\nT\n.HC ON\nword <b>bold</b> word\n.HC OFF\nend < and >\n"},
    {"conditions", ".IF online\n.1\nT\nin cond words\n.EL\nother words\n.EN\n.1\nU\ntail words\n"},
    {"headings with links",
     ".IN topic\n.1\nT\ntopic words\n.2\nTopic two\ntopic again Topic\n.3\nthird\ntopic\n"},
    {"tabs and umlauts",
     ".1\nT\nword\tword \x81"
     "ber \x84rger caf\x82 x\n"},
    {"graphics character inside words",
     ".1\nT\nabxcd before\n.BT x pic\nabxcd x ab\n.BT x\nabxcd\n"},
    {"index character changed to a letter", ".1\nT\naqb first\n.IC q\naqb next ^x\n"},
    {"line drawing", ".1\nT\n.LI\n\xDA\xC4\xBF word\n\xC0\xC4\xD9\n.LI\nafter\n"},
    {"dot line too long",
     ".1\nT\nwords\n.IN "
     "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
     "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
     "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\n"
     "after\n"},
    {"dot lines with a bare line feed and at the end", ".1\nT\n.IN a\rb\n.IN c\n.2\nU\n.IN d"},
};

TEST(PlainTextRoad, HandPickedSourcesGiveTheSameOutputOnBothRoads) {
  for (const TRoadCase& c : kCases) ExpectSameOnBothRoads(Crlf(c.Source), c.Name);
}

// Random sources built from the pieces that change the state of the output pass.
std::string RandomSource(std::mt19937& rng) {
  static const char* const kPieces[] = {"word",
                                        "Word",
                                        "x",
                                        "a1",
                                        "\x81ml",
                                        " ",
                                        " ",
                                        " ",
                                        "  ",
                                        ".",
                                        ",",
                                        ":",
                                        ";",
                                        "!",
                                        "(",
                                        ")",
                                        "~",
                                        "_",
                                        "!",
                                        "^",
                                        "^:",
                                        "{",
                                        "}",
                                        "\t",
                                        "\n",
                                        "\n",
                                        "\n\n",
                                        "\n- ",
                                        "\n  * ",
                                        "\n.2\nHead\n",
                                        "\n.3\nSub\n",
                                        "\n.IN word\n",
                                        "http://h.de/p",
                                        "<",
                                        ">",
                                        "&",
                                        "?",
                                        "/",
                                        "\xE3",
                                        "\xB0",
                                        "\x7F",
                                        "\"",
                                        "\\",
                                        "\n.HC ON\n",
                                        "\n.HC OFF\n",
                                        "\n.TA c\n",
                                        "\n.TA\n",
                                        "wordwordwordwordword",
                                        "aaaa bbbb cccc dddd eeee ffff gggg hhhh iiii jjjj kkkk "
                                        "llll mmmm nnnn oooo pppp qqqq rrrr ",
                                        "-\n"};
  // "word" links to the first topic from every other one.
  std::string s = ".FU {}\n.1\nWord\n.IN word\nx\n.1\nStart\n";
  const int n = 20 + static_cast<int>(rng() % 200);
  for (int i = 0; i < n; ++i) s += kPieces[rng() % std::size(kPieces)];
  s += "\n";
  return Crlf(s);
}

TEST(PlainTextRoad, RandomSourcesGiveTheSameOutputOnBothRoads) {
  std::mt19937 rng(2026);
  for (int i = 0; i < 150; ++i)
    ExpectSameOnBothRoads(RandomSource(rng), "random source " + std::to_string(i));
}

TEST(PlainTextRoad, ExampleManualGivesTheSameOutputOnBothRoads) {
  std::ifstream in(std::string(CORVINA_SOURCE_DIR) + "/examples/manual/manual.txt",
                   std::ios::binary);
  ASSERT_TRUE(in);
  std::stringstream text;
  text << in.rdbuf();
  ExpectSameOnBothRoads(text.str(), "example manual");
}

}  // namespace
