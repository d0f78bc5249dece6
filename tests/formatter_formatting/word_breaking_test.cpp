// Word breaking and line ends: the zone, the break search, held line ends, indentation.
#include <gtest/gtest.h>

#include "formatter/formatting/line_ends.h"
#include "formatter/formatting/word_breaking.h"
#include "tests/support/format_run_fixture.h"

namespace tavrel::testing {
namespace {

class WordBreakingTest : public RunFixture {};

TEST(ZoneColumnsTest, FollowsTheRightMargin) {
  const std::pair<int, int> cases[] = {{60, 30}, {36, 30}, {35, 30}, {20, 15}, {5, 0}, {3, 0}};
  for (const auto& [margin, zone] : cases) EXPECT_EQ(ZoneColumns(margin), zone) << margin;
}

TEST_F(WordBreakingTest, BreaksAtTheLastBlankThatFits) {
  EXPECT_EQ(Body(Format("w.ws", ".RM 20\r\naaaa bbbb cccc dddd eeee ffff\r\n")),
            ".RM 20\r\naaaa bbbb cccc dddd \x8D\neeee ffff\r\n");
}

TEST_F(WordBreakingTest, BlankAfterAPunctuationBreakStartsNoLine) {
  // The line is full at the full stop or comma; the blank after it would print as a one-column
  // indent inside the paragraph.
  const std::pair<std::string, std::string> cases[] = {
      {"aaaa bbbb cccc dddd. eeeeee ffff", "aaaa bbbb cccc dddd.\x8D\neeeeee ffff"},
      {"aaaa bbbb cccc dddd, eeeeee ffff", "aaaa bbbb cccc dddd,\x8D\neeeeee ffff"},
      {"aaaa bbbb cccc dddd.  eeeee ffff", "aaaa bbbb cccc dddd.\x8D\neeeee ffff"},
  };
  for (const auto& [text, formatted] : cases)
    EXPECT_EQ(Body(Format("w.ws", ".RM 20\r\n" + text + "\r\n")), ".RM 20\r\n" + formatted + "\r\n")
        << text;
}

TEST_F(WordBreakingTest, SoftLineEndComesAfterTheHeldText) {
  // WordStar's soft returns end the line with formatting on; the text held in the zone before
  // one belongs to the line it ends.
  const std::pair<std::string, std::string> cases[] = {
      // fits: written before the line end
      {"aaaa bbbb cccc dd\x8D\neeee\r\n", "aaaa bbbb cccc dd\r\neeee\r\n"},
      // past the margin: the line is broken first, the line end follows its last word
      {"aaaa bbbb cccc dddd ee\x8D\nff gg\r\n", "aaaa bbbb cccc dddd \x8D\nee\r\nff gg\r\n"},
  };
  for (const auto& [text, formatted] : cases)
    EXPECT_EQ(Body(Format("w.ws", ".RM 20\r\n" + text)), ".RM 20\r\n" + formatted)
        << Readable(text);
}

TEST_F(WordBreakingTest, BoldWordAcrossABreakClosesAndReopensTheToggle) {
  EXPECT_EQ(Body(Format("w.ws",
                        ".RM 20\r\n.LM 3\r\naaaa bbbb \x02"
                        "cccc dddd eeee\x02 end\r\n")),
            ".RM 20\r\n.LM 3\r\n\xA0\xA0"
            "aaaa bbbb \x02"
            "cccc \x02\x8D\n\xA0\xA0\x02"
            "dddd eeee\x02 end\r\n");
}

TEST_F(WordBreakingTest, HyphenInTheTextBreaksWithoutAnotherHyphen) {
  EXPECT_EQ(Body(Format("w.ws", ".RM 20\r\naaaa bbbbbbb-ccccccccc dd\r\n")),
            ".RM 20\r\naaaa bbbbbbb-\x8D\nccccccccc dd\r\n");
  // A minus in front of a number is no break point.
  EXPECT_EQ(Body(Format("w.ws", ".RM 20\r\naaaa bbbbbbbbbbb -123456789\r\n")),
            ".RM 20\r\naaaa bbbbbbbbbbb \x8D\n-123456789\r\n");
}

TEST_F(WordBreakingTest, WordMarkedWithCharacterSevenIsNotSplit) {
  EXPECT_EQ(Body(Format("w.ws",
                        ".RM 20\r\naaaa bbbb \x07"
                        "cccc-dddddddddd\r\n")),
            ".RM 20\r\naaaa bbbb \x8D\ncccc-dddddddddd\r\n");
}

TEST_F(WordBreakingTest, FourBlanksPastAThirdSwitchTheZoneOff) {
  // A table typed with blanks runs on past the margin instead of being broken.
  // Right margin 60: the zone starts at column 30, a third of the margin is column 20.
  const std::string line =
      std::string(21, 'n') + "    " + "value1 value2 value3 value4 value5 value6";
  EXPECT_EQ(Body(Format("w.ws", line + "\r\n" + line + "\r\n")), line + "\r\n" + line + "\r\n");
  // Without the run of blanks the same text is broken.
  const std::string plain = std::string(21, 'n') + " value1 value2 value3 value4 value5 value6";
  EXPECT_NE(Body(Format("w.ws", plain + "\r\n")).find("\x8D\n"), std::string::npos);
}

TEST_F(WordBreakingTest, ShortHeldWordIsATableError) {
  // Right margin 7: the zone is 2 columns; 8 characters are held when 6 lie beyond the margin.
  EXPECT_EQ(Body(Format("w.ws", ".RM 7\r\nabcdefghijklm\r\n")), ".RM 7\r\nabcdefghijklm\r\n\r\n");
  EXPECT_EQ(
      MessageLines().at(0),
      "ERROR Par 1: Formatting error, possibly in table. Enclose the table with .BD and .BE commands!");
}

TEST_F(WordBreakingTest, LongWordWithoutBreakPointEndsTheLine) {
  const std::string word(30, 'x');
  const std::string out = Body(Format("w.ws", ".RM 20\r\n" + word + "\r\n"));
  EXPECT_NE(out.find("\x8D\n"), std::string::npos) << Readable(out);
  // Nothing is lost.
  std::string letters;
  for (char c : out.substr(8))
    if (c == 'x') letters += c;
  EXPECT_EQ(letters, word);
}

// A hyphenator that allows one position: the hook the hyphenation modes plug into.
class FixedPositionHyphenator : public Hyphenator {
 public:
  FixedPositionHyphenator(char before, char after, bool ck)
      : before_(before), after_(after), ck_(ck) {}
  MayBreakResult MayBreakAt(FormatRun&, const uint8_t* held, int len, int p) override {
    MayBreakResult r;
    if (p < len && held[p] == before_ && held[p + 1] == after_) {
      r.MayBreak = true;
      r.Ck = ck_;
    }
    return r;
  }

 private:
  char before_, after_;
  bool ck_;
};

TEST_F(WordBreakingTest, HyphenationBreakWritesTheSoftHyphen) {
  EXPECT_EQ(FormatWith(std::make_unique<FixedPositionHyphenator>('n', 'g', false),
                       ".RM 20\r\naaaa bbbb Zeitungstext\r\n"),
            ".RM 20\r\naaaa bbbb Zeitun\x1F\x8D\ngstext\r\n");
}

TEST_F(WordBreakingTest, CkSplitPrintsKBeforeTheHyphen) {
  EXPECT_EQ(FormatWith(std::make_unique<FixedPositionHyphenator>('c', 'k', true),
                       ".RM 20\r\naaaa bbbb Druckerpresse\r\n"),
            ".RM 20\r\naaaa bbbb Druk\x1F\x8D\nkerpresse\r\n");
}

class LineEndsTest : public RunFixture {};

TEST_F(LineEndsTest, LineHeightSlotsByKindOfLineEnd) {
  // Page position starts at 8; a dot line takes no room.
  Format("h.ws", ".HH 10\r\n.EH 20\r\n.SH 30\r\nline\r\n\r\n");
  EXPECT_EQ(run_->Pages.Streams[kTextStream].PagePosition, 8 + 10 + 20);
  Format("h.ws", ".RM 20\r\n.HH 10\r\n.EH 20\r\n.SH 30\r\naaaa bbbb cccc dddd eeee\r\n");
  EXPECT_EQ(run_->Pages.Streams[kTextStream].PagePosition, 8 + 30 + 10);
}

TEST_F(LineEndsTest, TypedIndentationIsKeptWithoutMargins) {
  EXPECT_EQ(Body(Format("t.ws",
                        ".RM 20\r\n\xA0\xA0\xA0"
                        "aaaa bbbb cccc dddd\r\n")),
            ".RM 20\r\n\xA0\xA0\xA0"
            "aaaa bbbb cccc \x8D\n\xA0\xA0\xA0"
            "dddd\r\n");
}

TEST_F(LineEndsTest, HeldTextAtTheEndOfTheDocumentIsWritten) {
  EXPECT_EQ(Body(Format("e.ws", ".RM 20\r\nno line end at the end")),
            ".RM 20\r\nno line end at the \x8D\nend");
  EXPECT_EQ(Body(Format("e.ws", ".RM 40\r\nshort and without end")),
            ".RM 40\r\nshort and without end");
}

TEST_F(LineEndsTest, CarriageReturnOnlyLineEndsKeepTheirText) {
  EXPECT_EQ(Body(Format("c.ws", "one\rtwo\r")), "one\r\ntwo\r\n");
}

// The word breaker takes the verdict for a moved position from any hyphenator: a stand-in that
// moves every proposal two places back gets its break there, not at the position asked.
class MoveBackHyphenator final : public Hyphenator {
 public:
  MayBreakResult MayBreakAt(FormatRun&, const uint8_t* held, int, int p) override {
    MayBreakResult r;
    asked.push_back(p);
    if (held[p - 2] == ' ' || held[p - 1] == ' ' || held[p] == ' ') return r;
    r.MayBreak = true;
    r.Position = p - 2;
    return r;
  }
  std::vector<int> asked;
};

TEST_F(WordBreakingTest, BreaksAtThePositionTheHyphenatorMovedTo) {
  auto hyph = std::make_unique<MoveBackHyphenator>();
  MoveBackHyphenator* seen = hyph.get();
  const std::string fmt =
      FormatWith(std::move(hyph), ".RM 20\r\nab Abcdefghijklmnopqrstuvwxyz\r\n");
  // Held from "c" on; the first position asked is the "q" (15), moved back to the "o" (13).
  EXPECT_EQ(fmt, ".RM 20\r\nab Abcdefghijklmno\x1F\x8D\npqrstuvwxyz\r\n") << Readable(fmt);
  EXPECT_EQ(seen->asked, std::vector<int>{15});
}

}  // namespace
}  // namespace tavrel::testing
