// Bad input to the formatting run: damaged WordStar bytes, values beyond their limits, fonts
// that do not exist, values a rule would divide by, files that include themselves. What is
// dropped or refused is said in a message in the run's style; the run goes on, or stops with
// its message, and the text around the bad spot is kept.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/format_run_fixture.h"

namespace tavrel::testing {
namespace {

using namespace std::string_literals;

// An extended-character block: character c, repeat count n.
std::string ExtendedBlock(char c, unsigned char n) {
  std::string b = "\x1D\x0A\x01";
  b.append(5, '\0');
  b += c;
  b += static_cast<char>(n);
  b += "\x0A\x01\x1D";
  return b;
}

size_t Count(const std::string& s, char c) {
  return static_cast<size_t>(std::count(s.begin(), s.end(), c));
}

// One bad document: the formatted text it gives (without header and end mark) and the first
// message line (empty: none).
struct BadDocument {
  const char* what;
  std::string document;
  std::string body;
  std::string message;
};

void PrintTo(const BadDocument& c, std::ostream* os) { *os << c.what; }

std::string CaseName(const ::testing::TestParamInfo<BadDocument>& info) { return info.param.what; }

class BadDocumentTest : public RunFixture, public ::testing::WithParamInterface<BadDocument> {
 protected:
  void TestBody() override {}
};

TEST_P(BadDocumentTest, KeepsTheTextAndSaysWhatWasWrong) {
  const BadDocument& c = GetParam();
  const std::string fmt = Format("bad.ws", c.document);
  EXPECT_EQ(Body(fmt), c.body) << Readable(Body(fmt));
  EXPECT_EQ(fmt.back(), '\x1A');
  const auto lines = MessageLines();
  EXPECT_EQ(lines.empty() ? std::string() : lines[0], c.message);
}

class BadInputRunTest : public RunFixture {};

const std::string kBlockEnd =
    "ERROR: File ends inside a WordStar block (0x1D), the rest is ignored";

// The WordStar decoder at the end of the input and with runs of extended characters.
INSTANTIATE_TEST_SUITE_P(
    WordStarBytes, BadDocumentTest,
    ::testing::Values(
        BadDocument{"block_without_end", "before\r\n\x1D\x0A\x01\0\0"s, "before\r\n", kBlockEnd},
        BadDocument{"block_mark_last_byte", "text\x1D", "text", kBlockEnd},
        // The characters queued before the input ended still come out.
        BadDocument{"extended_block_cut_after_count", "a" + ExtendedBlock('x', 3).substr(0, 11),
                    "axxx", kBlockEnd},
        BadDocument{"esc_last_byte", "text\x1B", "text", ""},
        BadDocument{"esc_with_bit_7_last_byte", "text\x9B", "text", ""},
        BadDocument{"esc_pair_without_closing_byte", "text\x1B\x81", "text\x1B\x81\x1C", ""},
        // Blocks hold binary data: a 0x1A inside one is no end of file.
        BadDocument{"ctrl_z_as_repeat_count", ExtendedBlock('x', 0x1A) + "after\r\n",
                    std::string(26, 'x') + "after\r\n", ""},
        BadDocument{"ctrl_z_inside_other_block", "\x1D\x7D\x00\x1A\x1A\x7D\x00\x1D"s + "after\r\n",
                    "after\r\n", ""},
        BadDocument{"repeat_count_zero", "a" + ExtendedBlock('x', 0) + "b\r\n", "ab\r\n", ""},
        // Each block's characters come out before the next block is read.
        BadDocument{
            "run_of_blocks",
            ExtendedBlock('x', 20) + ExtendedBlock('y', 20) + ExtendedBlock('z', 15) + "\r\n",
            std::string(20, 'x') + std::string(20, 'y') + std::string(15, 'z') + "\r\n", ""}),
    CaseName);

// Long runs of full extended-character blocks: every character arrives, nothing is dropped.
TEST_F(BadInputRunTest, RunsOfFullExtendedCharacterBlocksKeepEveryCharacter) {
  std::string doc = ".BA\r\n";  // unformatted: one long line, no breaks to count around
  for (int i = 0; i < 40; ++i) doc += ExtendedBlock(i % 2 ? 'b' : 'a', 255);
  doc += "end\r\n";
  const std::string fmt = Format("runs.ws", doc);
  EXPECT_EQ(Count(fmt, 'a'), 20u * 255u);
  EXPECT_EQ(Count(fmt, 'b'), 20u * 255u);
  EXPECT_NE(fmt.find("end\r\n"), std::string::npos);
  EXPECT_TRUE(MessageLines().empty());
}

// Dot lines and their parts beyond their limits.
INSTANTIATE_TEST_SUITE_P(
    DotLineLimits, BadDocumentTest,
    ::testing::Values(
        BadDocument{
            "macro_body_over_199", ".X:=.LM 5 ..." + std::string(200, 'b') + "\r\nt\r\n",
            ".X:=.LM 5 ..." + std::string(200, 'b') + "\r\nt\r\n",
            "ERROR: Dot command macro X too long (more than 199 characters), the rest is ignored"},
        BadDocument{
            "macro_name_over_30", "." + std::string(40, 'N') + ":=.LM 5\r\nt\r\n",
            "." + std::string(40, 'N') + ":=.LM 5\r\nt\r\n",
            "ERROR: Name of dot command macro too long (more than 30 characters), the rest is ignored"}),
    CaseName);

// Heading numbers: nine levels.
const std::string kLevelsTemplate =
    "1. Level\r\n1. HEADING\r\n2. Level\r\n1.1 HEADING\r\n9. Level\r\n1. HEADING\r\n";

class HeadingLimitTest : public RunFixture {
 protected:
  void SetUp() override {
    RunFixture::SetUp();
    WriteFileBytes(dir_ / "Headings.ws", kLevelsTemplate);
  }
};

TEST_F(HeadingLimitTest, MoreThanNineNumbersAreReportedAndTheFirstNineKept) {
  const std::string fmt = Format("h.ws", ".CN 1.2.3.4.5.6.7.8.9.10.11\r\n.0\r\nNine\r\n");
  EXPECT_EQ(MessageLines().at(0), "ERROR: More than nine heading numbers, the rest is ignored");
  EXPECT_EQ(run_->Dot.HeadingLevel, 9);
  const std::array<int, 10> expected{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  EXPECT_EQ(run_->Dot.HeadingNumbers, expected);
  EXPECT_NE(fmt.find("9.\xA0Nine\r\n"), std::string::npos) << Readable(fmt);
}

TEST_F(HeadingLimitTest, NineNumbersOrAListEndedByACommaAreNoError) {
  Format("h.ws", ".CN 1.2.3.4.5.6.7.8.9.\r\n.CN 1.2.3.4.5.6.7.8.9, 10\r\n");
  EXPECT_TRUE(MessageLines().empty());
  EXPECT_EQ(run_->Dot.HeadingLevel, 9);
}

TEST_F(HeadingLimitTest, LevelsBeyondNineAreHeldAtNine) {
  // ".+9" from level 5, and a paragraph-style block of level 200.
  std::string style = "\x1D\x36\x01\0\0\0"s;
  style += static_cast<char>(200);
  style += "\x36\x01\x1D";
  Format("h.ws", ".5\r\nFive\r\n.+9\r\nDeep\r\n" + style + "Styled\r\n");
  EXPECT_EQ(run_->Dot.HeadingLevel, 9);
  EXPECT_EQ(run_->Dot.HeadingNumbers[9], 2);
  EXPECT_TRUE(MessageLines().empty());
}

// Includes that include themselves end at the nesting limit with its message.
class SelfIncludeTest : public RunFixture {};

TEST_F(SelfIncludeTest, EachFormEndsWithTheNestingMessage) {
  struct Case {
    const char* what;
    std::vector<std::pair<const char*, std::string>> files;  // the first is formatted
  };
  const Case cases[] = {
      {"self", {{"s.ws", "x\r\n.FI s.ws\r\n"}}},
      {"mutual", {{"a.ws", "a\r\n.FI b.ws\r\n"}, {"b.ws", "b\r\n.FI a.ws\r\n"}}},
      // Twice per level would double at every level; the limit keeps it finite.
      {"twice", {{"t.ws", "t\r\n.FI t.ws\r\n.FI t.ws\r\n"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    list_.Clear();
    for (size_t i = 1; i < c.files.size(); ++i)
      WriteFileBytes(dir_ / c.files[i].first, c.files[i].second);
    const std::string fmt = Format(c.files[0].first, c.files[0].second);
    const auto lines = MessageLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines[0].find("Too many nested .FI files"), std::string::npos) << lines[0];
    EXPECT_EQ(fmt.back(), '\x1A');
    EXPECT_LE(fmt.size(), 4096u);
  }
}

// Fonts that the printer does not know.
class UndefinedFontTest : public RunFixture {};

TEST_F(UndefinedFontTest, UndefinedNormalFontIsReportedAndTheTextKept) {
  settings_.NormalFont = 26;  // Z: not in the printer data
  const std::string fmt = Format("f.ws", "Some text.\r\n");
  EXPECT_EQ(Body(fmt), "Some text.\r\n");
  EXPECT_EQ(MessageLines().at(0), "INFO: Font Z not defined or not registered.");
}

TEST_F(UndefinedFontTest, LineHeightsAreNotScaledByAnUndefinedFont) {
  settings_.LineHeightRefersToNormalFont = 1;
  // The normal font is defined; slot 0 gets one that is not (a size left in its entry does
  // not make it a font).
  printer_->Fonts[26 - 1].Size = 24;
  Format("f.ws", ".SFZ\r\n.LH 10\r\ntext\r\n");
  EXPECT_EQ(run_->Pages.Streams[kTextStream].LineHeights[0], 10);
  EXPECT_EQ(MessageLines().at(0), "INFO: Font Z not defined or not registered.");

  // The normal font of the settings is undefined: nothing to scale by either.
  settings_.NormalFont = 26;
  Format("g.ws", ".SFC\r\n.LH 12\r\ntext\r\n");
  EXPECT_EQ(run_->Pages.Streams[kTextStream].LineHeights[0], 12);
}

TEST_F(UndefinedFontTest, DamagedFontSizesDoNotScaleLineHeights) {
  settings_.LineHeightRefersToNormalFont = 1;
  const double damaged[] = {0.0, -12.0, 1e300, std::numeric_limits<double>::infinity(),
                            std::numeric_limits<double>::quiet_NaN()};
  for (double size : damaged) {
    SCOPED_TRACE(size);
    printer_->Fonts[8 - 1].Size = size;  // H, the font put into slot 0 below
    Format("f.ws", ".SFH\r\n.LH 10\r\ntext\r\n");
    EXPECT_EQ(run_->Pages.Streams[kTextStream].LineHeights[0], 10);
    EXPECT_NE(Body(ReadFileBytes(dir_ / "f.fmt")).find("text\r\n"), std::string::npos);
  }
  // A sound size still scales: 24 points against the normal font's 12.
  printer_->Fonts[8 - 1].Size = 24;
  Format("f.ws", ".SFH\r\n.LH 10\r\ntext\r\n");
  EXPECT_EQ(run_->Pages.Streams[kTextStream].LineHeights[0], 20);
}

// Values that a rule divides by or subtracts down to nothing.
const std::string kNoPageRoom =
    "ERROR Par 1: Page length .PL not above top and bottom margin (.MT + .MB), every line starts a new page";

INSTANTIATE_TEST_SUITE_P(
    ZeroAndNegativeValues, BadDocumentTest,
    ::testing::Values(
        // Page length not above top and bottom margin: every line is a page of its own.
        BadDocument{"page_length_below_margins", ".PL 10\r\none\r\ntwo\r\n",
                    ".PL 10\r\none\r\ntwo\r\n", kNoPageRoom},
        BadDocument{"page_length_zero", ".PL 0\r\none\r\n", ".PL 0\r\none\r\n", kNoPageRoom},
        // Passing through such a state between dot lines is no error.
        BadDocument{"margins_set_before_the_length", ".MT 40\r\n.MB 40\r\n.PL 100\r\none\r\n",
                    ".MT 40\r\n.MB 40\r\n.PL 100\r\none\r\n", ""},
        BadDocument{"left_margin_negative", ".LM -20\r\nx\r\n", ".LM -20\r\nx\r\n", ""}),
    CaseName);

TEST_F(BadInputRunTest, PageLengthBelowTheMarginsGivesAPagePerLine) {
  Format("p.ws", ".PL 10\r\none\r\ntwo\r\nthree\r\n");
  // Each line end finds its page full and begins the next.
  EXPECT_EQ(run_->Pages.Streams[kTextStream].PageCount, 4);
  EXPECT_EQ(run_->Messages.ErrorCount, 1);  // told once
}

// A printer whose "i" is one dot wide: 54 held characters fill the word buffer long before the
// margin.
class NarrowCharacterTest : public RunFixture {
 protected:
  void SetUp() override {
    RunFixture::SetUp();
    FixedWidthFont f;
    f.FontNumber = 3;  // C
    f.FaceName = "Courier New";
    f.Size = 12;
    f.Width = 12;
    f.Overrides['i'] = 1;
    printer_ = BuildFixedWidthPrinterData(120, "Narrow printer", &f, 1);
  }

  // The width of each output line in dots, split at soft and hard line ends.
  static std::vector<int> LineWidths(const std::string& body) {
    std::vector<int> widths{0};
    for (size_t i = 0; i < body.size(); ++i) {
      const char c = body[i];
      if ((c == '\x8D' || c == '\r') && i + 1 < body.size() && body[i + 1] == '\n') {
        widths.push_back(0);
        ++i;
      } else {
        widths.back() += c == 'i' ? 1 : 12;
      }
    }
    return widths;
  }
};

TEST_F(NarrowCharacterTest, LongWordIsBrokenAtTheMarginNotWhenTheBufferFills) {
  const std::string word(300, 'i');
  const std::string body = Body(Format("n.ws", ".RM 20\r\n" + word + "\r\n"));
  // The margin is 240 dots; six characters beyond it trigger the break.
  EXPECT_EQ(body, ".RM 20\r\n" + std::string(246, 'i') + " \x8D\n" + std::string(54, 'i') + "\r\n")
      << Readable(body);
  EXPECT_TRUE(MessageLines().empty());
}

// A tab step of 0 would give a proportional font a column width of 0 and lose every typed
// indentation: it is refused, and the indentation stays.
TEST_F(NarrowCharacterTest, TabStepZeroIsRefusedAndTheTypedIndentationStays) {
  EXPECT_EQ(Body(Format("t.ws", ".DE 0\r\n\xA0\xA0x\r\n.ts 0\r\n\xA0y\r\n")),
            "\xA0\xA0x\r\n\xA0y\r\n");
  EXPECT_EQ(MessageLines(),
            (std::vector<std::string>{
                "ERROR: The value of .DE must be above 0, the line is ignored",
                "ERROR Par 1: The value of .TS must be above 0, the line is ignored"}));
}

TEST_F(NarrowCharacterTest, NarrowWordsFillTheLineUpToTheMargin) {
  std::string text;
  for (int i = 0; i < 40; ++i) text += std::string(20, 'i') + " ";
  const std::string body = Body(Format("n.ws", ".RM 20\r\n" + text + "\r\n"));
  EXPECT_EQ(Count(body, 'i'), 800u);
  const std::vector<int> widths = LineWidths(body.substr(std::string(".RM 20\r\n").size()));
  ASSERT_GE(widths.size(), 3u) << Readable(body);
  // Every broken line ends within a word's width of the 240-dot margin (a blank ends it).
  for (size_t i = 0; i + 2 < widths.size(); ++i) {
    EXPECT_LE(widths[i], 240 + 12) << i << "\n" << Readable(body);
    EXPECT_GE(widths[i], 240 - 20 - 12) << i << "\n" << Readable(body);
  }
}

// At the end of the stream, held text of any length is written whole (more than 35 held
// characters need narrow characters).
TEST_F(NarrowCharacterTest, HeldTextAtTheEndOfTheDocumentIsWrittenWhateverItsLength) {
  for (int n : {200, 243, 250, 290}) {
    SCOPED_TRACE(n);
    const std::string body =
        Body(Format("e.ws", ".RM 20\r\n" + std::string(static_cast<size_t>(n), 'i')));
    EXPECT_EQ(Count(body, 'i'), static_cast<size_t>(n)) << Readable(body);
  }
}

// The ".$$$" backup is the only copy of the old file until a run completes.
class BackupTest : public RunFixture {
 protected:
  // Formats x.fmt: input and output coincide, so the old x.fmt becomes the backup x.$$$.
  void FormatOverOldFile(const std::string& document) {
    WriteFileBytes(dir_ / "x.fmt", document);
    run_ = MakeRun();
    FormatFile(*run_, (dir_ / "x.fmt").string());
  }
};

TEST_F(BackupTest, InterruptedRunsKeepTheBackup) {
  struct Case {
    const char* what;
    std::string document;
    bool user_stop;
  };
  std::string errors;
  for (int i = 0; i < 60; ++i) errors += "\x02x\r\n";
  const Case cases[] = {
      {"fifty_one_errors", errors, false},
      {"missing_note_end_marker", ".FU[]\r\nText[one [two]\r\nmore\r\n", false},
      {"user_stop", "one\r\n.PA\r\ntwo\r\n.PA\r\nthree\r\n", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    list_.Clear();
    if (c.user_stop) {
      notifier_.OnSend = [this](int32_t code, int32_t value) {
        if (code == MN_FORMAT_PAGE && value > 1 && run_) run_->Messages.UserStop = 1;
      };
    } else {
      notifier_.OnSend = nullptr;
    }
    FormatOverOldFile(c.document);
    EXPECT_TRUE(run_->Run.Stop);
    ASSERT_TRUE(std::filesystem::exists(dir_ / "x.$$$"));
    EXPECT_EQ(ReadFileBytes(dir_ / "x.$$$"), c.document);
    std::filesystem::remove(dir_ / "x.$$$");
  }
}

TEST_F(BackupTest, CompletedRunErasesTheBackup) {
  FormatOverOldFile("Text.\r\n");
  EXPECT_FALSE(run_->Run.Stop);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "x.$$$"));
  EXPECT_EQ(ReadFileBytes(dir_ / "x.fmt"), ".RM60\r\nText.\r\n\x1A");
}

}  // namespace
}  // namespace tavrel::testing
