// The dot-command interpreter: conditions, margins, line heights, fonts, numbering, macros.
#include <gtest/gtest.h>

#include "formatter/formatting/dot_commands.h"
#include "tests/support/format_run_fixture.h"

namespace tavrel::testing {
namespace {

class DotCommandTest : public RunFixture {};

TEST_F(DotCommandTest, ConditionsWithTheirWords) {
  struct Case {
    const char* condition;
    bool result;
    bool syntax_error;
  };
  const Case cases[] = {
      {"PRINT", true, false},
      {"print", true, false},
      {"SCREEN", false, false},
      {"not SCREEN", true, false},
      {"not PRINT", false, false},
      {"PRINT and TAVREL", true, false},
      {"PRINT und SCREEN", false, false},
      {"PRINT undzugleich TAVREL", true, false},
      {"PRINT && SCREEN", false, false},
      {"SCREEN or PRINT", true, false},
      {"SCREEN oder DRAFT", false, false},
      {"SCREEN || TAVREL", true, false},
      {"\"TWO WORDS\"", true, false},
      {"PRINT AND TAVREL", false, true},
      {"PRINT SCREEN", false, true},
      {"", false, true},
  };
  run_ = MakeRun();
  run_->Run.ConditionWords = SplitConditionWords("PRINT TAVREL \"two words\"");
  for (const Case& c : cases) {
    list_.Clear();
    EXPECT_EQ(EvaluateCondition(*run_, c.condition), c.result) << c.condition;
    EXPECT_EQ(list_.Lines().size(), c.syntax_error ? 1u : 0u) << c.condition;
  }
  list_.Clear();
  EvaluateCondition(*run_, "A B");
  EXPECT_EQ(MessageLines().at(0), "INFO: \".IF A B\": wrong syntax in .IF condition");
}

TEST_F(DotCommandTest, LeftMarginRelativeAndAbsolute) {
  Format("m.ws", ".LM 10\r\n.LM +5\r\n");
  EXPECT_EQ(run_->Dot.LeftMargin, 14);  // the same as an absolute 15
  Format("m.ws", ".LM 10\r\n.LM +5\r\n.LM -3\r\n");
  EXPECT_EQ(run_->Dot.LeftMargin, 11);
  Format("m.ws", ".LM 10\r\n.LM +5\r\n.LM -3\r\n.LM -20\r\n");
  EXPECT_EQ(run_->Dot.LeftMargin, 0);
  Format("m.ws", ".LM\r\n");  // no number: 0
  EXPECT_EQ(run_->Dot.LeftMargin, 0);
  EXPECT_TRUE(list_.Lines().empty());
}

TEST_F(DotCommandTest, RightMarginAndGutter) {
  const int cu = 12;
  Format("r.ws", ".RM +5\r\n");
  EXPECT_EQ(run_->Streams[kTextStream].RightMargin, 65 * cu);
  Format("r.ws", ".GU 2\r\n.RM 70\r\n");
  EXPECT_EQ(run_->Streams[kTextStream].RightMargin, 72 * cu);  // 70 columns plus the gutter
  Format("r.ws", ".RM 20\r\n");
  EXPECT_EQ(run_->Streams[kTextStream].ZoneWidth, 15 * cu);
}

TEST_F(DotCommandTest, IndentationScale) {
  Format("t.ws", ".TS 6\r\n");
  EXPECT_EQ(run_->Dot.IndentScale, 60);
  Format("t.ws", ".DE 12\r\n");
  EXPECT_EQ(run_->Dot.IndentScale, 12);
}

TEST_F(DotCommandTest, LineHeights) {
  // A typed value that normalising changes is written as a pending line instead.
  EXPECT_EQ(Body(Format("h.ws", ".LH 0\r\n")), ".LH8\r\n");
  EXPECT_EQ(Body(Format("h.ws", ".LH 12\r\n")), ".LH 12\r\n");
  EXPECT_EQ(run_->Pages.Streams[kTextStream].LineHeights[2], 12);
  Format("h.ws", ".HH 10\r\n.EH 20\r\n.SH 30\r\n");
  const auto& h = run_->Pages.Streams[kTextStream].LineHeights;
  EXPECT_EQ((std::vector<int>{h[0], h[1], h[2]}), (std::vector<int>{10, 20, 30}));
  Format("h.ws", ".SHOW 30\r\n");  // a letter after SH: not a line height
  EXPECT_EQ(run_->Pages.Streams[kTextStream].LineHeights[2], 10);
}

TEST_F(DotCommandTest, LineHeightFollowsTheNormalFontSize) {
  settings_.LineHeightRefersToNormalFont = 1;
  // Font H (Arial) is 24 points here, the normal font C 12 points.
  printer_->Fonts[FontCharToNumberForTest('H', '\0') - 1].Size = 24;
  EXPECT_EQ(Body(Format("h.ws", ".SN H\r\n.LH 10\r\n")), ".SN H\r\n.LH20\r\n");
}

TEST_F(DotCommandTest, MarginNotesWidenTheRightMargin) {
  EXPECT_EQ(Body(Format("n.ws", ".MN<>3\r\n.RM 50\r\n.rm 40\r\n")),
            ".MN<>3\r\n.RM64\r\n.RM54\r\n.RF44\r\n");
}

TEST_F(DotCommandTest, FontArguments) {
  Format("f.ws", ".SB\r\n");
  EXPECT_EQ(run_->Dot.FontSlots[1], 107);  // C with the double quote
  Format("f.ws", ".SF b\r\n");
  EXPECT_EQ(run_->Dot.FontSlots[0], 28);
  Format("f.ws", ".AF\r\n");
  EXPECT_EQ(run_->Dot.AlternateFont, settings_.AlternateFont);
  Format("f.ws", ".S: font\r\n.SF H\r\n.R: FONT\r\n");
  EXPECT_EQ(run_->Dot.FontSlots[0], settings_.NormalFont);
}

TEST_F(DotCommandTest, UndefinedFontIsReported) {
  Format("f.ws", ".SF Z\r\n");
  EXPECT_EQ(MessageLines().at(0), "INFO: Font Z not defined or not registered.");
}

TEST_F(DotCommandTest, HyphenationKeywords) {
  struct Case {
    const char* lines;
    int mode;
  };
  const Case cases[] = {
      {".HY GERMAN\r\n", 0},
      {".HY MANUAL\r\n", 2},
      {".HY HAND\r\n", 2},
      {".HY TEX\r\n", 4},
      {".HY GERMAN\r\n.HY OFF\r\n", 3},
      {".HY GERMAN\r\n.HY OFF\r\n.HY ON\r\n", 0},
      {".HY en.tex\r\n", 4},
  };
  for (const Case& c : cases) {
    Format("y.ws", c.lines);
    EXPECT_EQ(run_->Dot.HyphenationMode, c.mode) << c.lines;
  }
  EXPECT_EQ(run_->Dot.TexPatternRequest, "en.tex");
  // ".HT" hides what follows until an unknown ".HY" argument restores the condition.
  EXPECT_EQ(Body(Format("y.ws", ".HT\r\nhidden\r\n.HY restore\r\nshown\r\n")), "shown\r\n");
}

TEST_F(DotCommandTest, HeadingNumbersFromTheLine) {
  Format("c.ws", ".CN 3.2.1\r\n");
  EXPECT_EQ(run_->Dot.HeadingLevel, 3);
  EXPECT_EQ((std::vector<int>{run_->Dot.HeadingNumbers[1], run_->Dot.HeadingNumbers[2],
                              run_->Dot.HeadingNumbers[3]}),
            (std::vector<int>{3, 2, 1}));
  EXPECT_TRUE(run_->Dot.NumbersJustSet);
  Format("c.ws", ".LG 12,7\r\n");  // a comma ends the list
  EXPECT_EQ(run_->Dot.HeadingLevel, 1);
  EXPECT_EQ(run_->Dot.HeadingNumbers[1], 12);
  EXPECT_FALSE(run_->Dot.NumbersJustSet);
}

TEST(HeadingRomanNumberTest, OnlyXVAndI) {
  const std::pair<int, const char*> cases[] = {
      {1, "I"},       {3, "III"},          {4, "IV"},   {5, "V"},
      {8, "VIII"},    {9, "IX"},           {14, "XIV"}, {40, "XXXX"},
      {49, "XXXXIX"}, {100, "XXXXXXXXXX"}, {0, ""}};
  for (const auto& [n, text] : cases) EXPECT_EQ(FeedRomanNumber(n), text) << n;
}

TEST_F(DotCommandTest, MacroCallGivesBothCommandsInOrder) {
  EXPECT_EQ(Body(Format("x.ws", ".x:=.LM 5 .RM 50\r\n.X\r\n")),
            ".x:=.LM 5 .RM 50\r\n.LM 5\r\n.RM 50\r\n");
  EXPECT_EQ(run_->Dot.LeftMargin, 4);
  EXPECT_EQ(run_->Streams[kTextStream].RightMargin, 50 * 12);
  EXPECT_TRUE(list_.Lines().empty());
}

TEST_F(DotCommandTest, RecursiveMacroIsReported) {
  Format("x.ws", ".X:=.LM 5 .X\r\n.X\r\n");
  EXPECT_EQ(MessageLines().at(0), "ERROR: Recursive execution of dot command macro X not allowed");
}

TEST_F(DotCommandTest, UnknownWordsAndCommentsAreCopied) {
  EXPECT_EQ(Body(Format("p.ws", ".HE Header\r\n..comment\r\n.EI x\r\n.he lower\r\n")),
            ".HE Header\r\n..comment\r\n.EI x\r\n.he lower\r\n");
}

TEST_F(DotCommandTest, OverlongDotLineIsCutWithAMessage) {
  const std::string fmt = Format("l.ws", ".HE " + std::string(400, 'x') + "\r\nnext\r\n");
  EXPECT_EQ(Body(fmt), ".HE " + std::string(244, 'x') + "\r\nnext\r\n");
  EXPECT_EQ(MessageLines().at(0),
            "ERROR: Dot line too long (more than 248 characters), the rest is ignored");
}

TEST_F(DotCommandTest, IncludeOfAMissingFileDoesNothing) {
  EXPECT_EQ(Body(Format("i.ws", ".FI nothere.ws\r\nafter\r\n")), "after\r\n");
}

TEST_F(DotCommandTest, SelfIncludeStopsAtTheDepthLimit) {
  const std::string fmt = Format("s.ws", "x\r\n.FI s.ws\r\n");
  EXPECT_NE(MessageLines().at(0).find("Too many nested .FI files"), std::string::npos);
  EXPECT_EQ(fmt.back(), '\x1A');
}

}  // namespace
}  // namespace tavrel::testing

namespace tavrel::testing {
namespace {

// A 24-bit BMP of the given size, all pixels black.
std::string TinyBmp(int width, int height) {
  const int row = (width * 3 + 3) / 4 * 4;
  const int data = row * height;
  std::string b;
  auto u16 = [&b](int v) {
    b += static_cast<char>(v & 255);
    b += static_cast<char>((v >> 8) & 255);
  };
  auto u32 = [&](int v) {
    u16(v & 0xFFFF);
    u16((v >> 16) & 0xFFFF);
  };
  b += "BM";
  u32(54 + data);
  u32(0);
  u32(54);
  u32(40);
  u32(width);
  u32(height);
  u16(1);
  u16(24);
  u32(0);
  u32(data);
  u32(2835);
  u32(2835);
  u32(0);
  u32(0);
  b.append(static_cast<size_t>(data), '\0');
  return b;
}

class GraphicsTest : public RunFixture {};

TEST_F(GraphicsTest, PictureMakesRoomAroundItsLine) {
  WriteFileBytes(dir_ / "pic.bmp", TinyBmp(2, 1));
  // The page engine puts the picture's top 1.3 lines of slot 0 above the ".BM" line: that many
  // empty lines (rounded up) come before it, and below it the rest of the picture's height.
  // 60 columns at 100 percent: 6 inches wide, so 3 inches = 144/48 high.
  struct Case {
    std::string heights;  // dot lines before the picture
    int above, below;
  };
  const Case cases[] = {
      // line height 10 everywhere: 14.4 lines high; 2 above; below max(15 - 2, ceil(13.1))
      {"", 2, 14},
      // text lines of 20, empty lines of 10: the lift is 2.6 empty lines; 14.4 - 2.6 = 11.8
      {".HH 20\r\n", 3, 12},
      // text lines of 8, empty lines of 16: 9 lines high, lift 0.65; k = 10
      {".HH 8\r\n.EH 16\r\n", 1, 9},
  };
  for (const Case& c : cases) {
    const std::string out =
        Body(Format("g.ws", c.heights + ".FG ON\r\nText\r\n.BM LEFT pic.bmp\r\n"));
    std::string want = ".CP" + std::to_string(c.above + c.below + 1) + "\r\n";
    for (int i = 0; i < c.above; ++i) want += "\r\n";
    want += ".BM LEFT pic.bmp\r\n";
    for (int i = 0; i < c.below; ++i) want += "\r\n";
    const size_t at = out.find(".CP");
    ASSERT_NE(at, std::string::npos) << Readable(out);
    EXPECT_EQ(out.substr(at), want) << c.heights << "\n" << Readable(out);
  }
  // Without ".FG" only the line is copied for the page engine.
  EXPECT_EQ(Body(Format("g.ws", ".BM LEFT pic\r\n")), ".BM LEFT pic\r\n");
}

TEST_F(GraphicsTest, MissingPictureIsReported) {
  EXPECT_EQ(Body(Format("g.ws", ".BM CENTER nothing.bmp\r\n")), ".BM CENTER nothing.bmp\r\n");
  EXPECT_EQ(MessageLines().at(0),
            "ERROR: Graphics file nothing.bmp not found. Necessary empty lines not inserted.");
  // An alignment word it does not know: the line is only copied.
  list_.Clear();
  Format("g.ws", ".BM SIDEWAYS nothing.bmp\r\n");
  EXPECT_TRUE(list_.Lines().empty());
}

}  // namespace
}  // namespace tavrel::testing

namespace tavrel::testing {
namespace {

class EndnotesTest : public RunFixture {};

// ".PE" closes the notes file and reads it back into the text as endnotes.
TEST_F(EndnotesTest, NotesFileIsIncludedAtPE) {
  const std::string fmt = Format("e.ws", ".FU[]\r\nText[The note.] more.\r\n.PE\r\nAfter.\r\n");
  EXPECT_EQ(Body(fmt),
            ".FU[]\r\nText\x14\x11"
            "1\x14 more.\r\n\xA0\xA0"
            "1)\xA0The note.\r\n.PE\r\nAfter.\r\n")
      << Readable(fmt);
}

}  // namespace
}  // namespace tavrel::testing

namespace tavrel::testing {
namespace {

class HiddenMacroTest : public RunFixture {};

TEST_F(HiddenMacroTest, MacrosAreNeitherDefinedNorCalledWhileOutputIsOff) {
  EXPECT_EQ(
      Body(Format("h.ws", ".M:=.LM 9\r\n.IF NOTDEFINED\r\n.M\r\n.N:=.LM 7\r\n.EN\r\n.N\r\nx\r\n")),
      ".M:=.LM 9\r\n.N\r\nx\r\n");
  EXPECT_EQ(run_->Dot.LeftMargin, 0);
  EXPECT_EQ(run_->Dot.Macros.size(), 0u);  // emptied at the end of the file
}

}  // namespace
}  // namespace tavrel::testing

namespace tavrel::testing {
namespace {

class AutoVariantTest : public RunFixture {};

TEST_F(AutoVariantTest, SFTakesTheGeneratedVariantsIntoTheOtherSlots) {
  std::array<uint8_t, kFontCount> auto_variants{};
  auto_variants[FontCharToNumberForTest('H', '\0') - 1] = 1;
  WriteFileBytes(dir_ / "v.ws", ".SF H\r\n");
  run_ = MakeRun();
  run_->AutoVariants = &auto_variants;
  FormatFile(*run_, (dir_ / "v.ws").string());
  const auto& slots = run_->Dot.FontSlots;
  EXPECT_EQ((std::vector<int>{slots[0], slots[1], slots[2], slots[3]}),
            (std::vector<int>{8, 8 + 104, 8 + 52, 8 + 156}));  // H, H", H', H&
  // ".SN" never takes them.
  WriteFileBytes(dir_ / "w.ws", ".SN H\r\n");
  run_ = MakeRun();
  run_->AutoVariants = &auto_variants;
  FormatFile(*run_, (dir_ / "w.ws").string());
  EXPECT_EQ(run_->Dot.FontSlots[1], 3 + 104);
}

}  // namespace
}  // namespace tavrel::testing

namespace tavrel::testing {
namespace {

class BoxTest : public RunFixture {};

// ".LIXY" switches the writer's frame mode on with X for corners and Y for partitions;
// ".LI" alone switches it off again.
TEST_F(BoxTest, LISwitchesFrameMode) {
  Format("b.ws", ".LI+-\r\n");
  EXPECT_TRUE(run_->Writer.Frame.On);
  EXPECT_EQ(run_->Writer.Frame.VerticalChar, '+');
  EXPECT_EQ(run_->Writer.Frame.HorizontalChar, '-');
  Format("b.ws", ".LI+-\r\n.LI\r\n");
  EXPECT_FALSE(run_->Writer.Frame.On);
}

}  // namespace
}  // namespace tavrel::testing

namespace tavrel::testing {
namespace {

class IndexCharacterTest : public RunFixture {
 protected:
  // The first index volume of an index-scan run over the document.
  std::string ScanVolume(const std::string& document) {
    WriteFileBytes(dir_ / "ic.ws", document);
    run_ = MakeRun();
    run_->Run.IndexScan = true;
    FormatFile(*run_, (dir_ / "ic.ws").string());
    return ReadFileBytes(dir_ / "ic.IX1");
  }
};

// Blanks between the command and its character are skipped: the blank never becomes the
// index character, so only the marked word is indexed however the line is typed.
TEST_F(IndexCharacterTest, BlanksBeforeTheCharacterAreSkipped) {
  for (const char* command : {".IC*", ".IC *", ".IC    *", ".ST *", ".IZ  *"}) {
    const std::string volume =
        ScanVolume(std::string(command) + "\r\nsome words *marked and more words here.\r\n");
    EXPECT_EQ(volume, "marked*n1\r\n") << command;
  }
}

// A line with only blanks after the command names no character and opens no volume.
TEST_F(IndexCharacterTest, BlanksAloneOpenNoVolume) {
  ScanVolume(".IC   \r\nsome words here.\r\n");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "ic.IX1"));
  EXPECT_EQ(run_->IndexVolumes.Count, 0);
}

}  // namespace
}  // namespace tavrel::testing

namespace tavrel::testing {
namespace {

class RawIncludeTest : public RunFixture {};

// A file that is neither a document nor a text file goes to the formatted file as it
// stands; a Ctrl-Z inside it is dropped and never ends it early.
TEST_F(RawIncludeTest, OnlyAnEndOfFileMarkAtTheEndEndsTheFile) {
  struct Case {
    std::string included;
    std::string expected;  // what the include puts before the next source line
  };
  const Case cases[] = {
      {"one\r\ntwo\r\n", "one\r\ntwo\r\n"},
      {"one\r\ntwo\r\n\x1A", "one\r\ntwo\r\n"},
      {"one\r\ntwo\r\n\x1A\x1A\x1A", "one\r\ntwo\r\n"},
      {"one\r\n\x1Atwo\r\n", "one\r\ntwo\r\n"},
      {"a\x1A\x1A"
       "b\r\nc\r\n\x1A",
       "ab\r\nc\r\n"},
      {"\x1A"
       "first\r\n",
       "first\r\n"},
  };
  for (const Case& c : cases) {
    WriteFileBytes(dir_ / "part.dat", c.included);
    const std::string fmt = Format("i.ws", "before\r\n.FI part.dat\r\nafter\r\n");
    EXPECT_EQ(Body(fmt), "before\r\n" + c.expected + "after\r\n") << Readable(c.included);
  }
}

}  // namespace
}  // namespace tavrel::testing

namespace tavrel::testing {
namespace {

class IncludeNameTest : public RunFixture {};

// Names on disk are UTF-8; a document writes an umlaut as its own character set has it: an
// extended-character pair or a raw byte in a WordStar document, a Windows byte in a text file.
TEST_F(IncludeNameTest, NamesWithLettersAbove127AreFound) {
  struct Case {
    const char* document;  // name of the including document
    std::string fi_line;
    const char* what;
  };
  const Case cases[] = {
      {"a.ws",
       ".FI \x1B\x9A\x1C"
       "bung.txt",
       "WordStar extended character (code page 850)"},
      {"b.ws",
       ".FI \x9A"
       "bung.txt",
       "raw code page 850 byte in a WordStar document"},
      {"c.ws",
       ".FI \xDC"
       "bung.txt",
       "raw Windows byte in a WordStar document"},
      {"d.ws",
       ".FI \xC3\x9C"
       "bung.txt",
       "UTF-8 in a WordStar document"},
      {"e.txt",
       ".FI \xDC"
       "bung.txt",
       "Windows byte in a text file"},
  };
  WriteFileBytes(dir_ /
                     "\xC3\x9C"
                     "bung.txt",
                 "included\r\n");
  for (const Case& c : cases) {
    list_.Clear();
    const std::string fmt = Format(c.document, "before\r\n" + c.fi_line + "\r\nafter\r\n");
    EXPECT_EQ(Body(fmt), "before\r\nincluded\r\nafter\r\n") << c.what << "\n" << Readable(fmt);
    EXPECT_TRUE(list_.Lines().empty()) << c.what << ": " << MessageLines().at(0);
  }
}

// A name that is found nowhere is reported instead of skipped in silence.
TEST_F(IncludeNameTest, MissingNamesAreReported) {
  struct Case {
    std::string fi_line;
    std::string reported;
  };
  const Case cases[] = {
      {".FI nothere.ws", "nothere.ws"},
      {".FI \x1B\x9A\x1C"
       "bel.txt",
       "\x9A"
       "bel.txt"},
  };
  for (const Case& c : cases) {
    list_.Clear();
    const std::string fmt = Format("m.ws", c.fi_line + "\r\nafter\r\n");
    EXPECT_EQ(Body(fmt), "after\r\n");
    EXPECT_EQ(MessageLines(), std::vector<std::string>{"ERROR: File " + c.reported + " not found."})
        << Readable(c.fi_line);
  }
  // Endnotes asked for in a document without notes are no missing file.
  list_.Clear();
  EXPECT_EQ(Body(Format("m.ws", ".PE\r\nafter\r\n")), ".PE\r\nafter\r\n");
  EXPECT_TRUE(list_.Lines().empty()) << MessageLines().at(0);
}

}  // namespace
}  // namespace tavrel::testing
