// The source reader: the WordStar filter, line-end counting, dot lines, .IF conditions and
// the .NR/.HD numbers with their reservations.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>

#include "tests/support/compiler_test_support.h"

namespace skeldon {
namespace {

// Every character the reader delivers, until the buffer ends.
std::string ReadAll(CompilerRun& run) {
  std::string chars;
  RewindSource(run);
  PrimeReaderWindow(run);
  while (!SourceEof(run)) {
    ReadSourceChar(run);
    chars.push_back(static_cast<char>(run.Source.NextChar));
  }
  return chars;
}

struct FilterCase {
  const char* name;
  std::string input;
  std::string chars;
  int lineEnds;
};

TEST(SourceReader, WordStarFilter) {
  const FilterCase cases[] = {
      {"soft line end and soft spaces vanish",
       std::string("A\x8d\x0a\xa0\xa0"
                   "B"),
       "AB", 0},
      {"0x12 sequence gives 0x01", std::string("\x1d\x12\x00\x12\x00\x1d", 6), "\x01", 0},
      {"other sequences vanish", std::string("x\x1d\x05\x06\x05\x06\x1dy"), "xy", 0},
      {"sequences in a row vanish",
       std::string("\x1d\x05\x06\x05\x06\x1d\x1d\x07\x08\x07\x08\x1dz"), "z", 0},
      {"ESC keeps the high bit and drops one byte", std::string("\x1b\x84\x1cZ"), "\x84Z", 0},
      {"high bit cleared", std::string("\xe9"), "i", 0},
      {"hard line end drops its line feed", std::string("a\r\nb"), "a\rb", 1},
      {"0x0F is a blank", std::string("\x0f"), " ", 0},
      {"soft space", std::string("\xa0"), "\x1c", 0},
      {"bare line feed ends a line", std::string("a\nb"), "a\rb", 1},
      {"sequence cut by the end of the buffer", std::string("ab\x1d\x05\x06zz"),
       std::string("ab\0", 3), 0},
      {"ESC at the very end", std::string("q\x1b"), std::string("q\0", 2), 0},
  };
  for (const FilterCase& c : cases) {
    TestRun t;
    t->Switches.WordStarInput = true;
    t->Reader.SoftSpaceChar = 0x1C;
    t.Load(c.input);
    EXPECT_EQ(Printable(ReadAll(*t)), Printable(c.chars)) << c.name;
    EXPECT_EQ(t->Source.LineEndCount, c.lineEnds) << c.name;
  }
}

TEST(SourceReader, SoftSpaceAsBlankWithSp) {
  TestRun t;
  t->Switches.WordStarInput = true;
  t->Reader.SoftSpaceChar = 0x1C;
  t->Reader.SoftSpacesAsBlanks = true;
  t.Load(
      "a\xa0"
      "b");
  EXPECT_EQ(ReadAll(*t), "a b");
}

TEST(SourceReader, SoftLineEndsCountOnlySentenceEnds) {
  struct Case {
    const char* text;
    int lineEnds;
  } cases[] = {
      {"word\r\n", 0}, {"end.\r\n", 1}, {"ask?\r\n", 1}, {"x\r\n\r\n", 2}, {"x.\r\n\r\n", 3}};
  for (const Case& c : cases) {
    TestRun t;
    t->Switches.SoftLineEnds = true;
    t.Load(c.text);
    ReadAll(*t);
    EXPECT_EQ(t->Source.LineEndCount, c.lineEnds) << Printable(c.text);
  }
}

TEST(SourceReader, CountsLinesAndDotLineStartsAtBufferStart) {
  TestRun t;
  t.Load(".TI x\r\nsecond\r\nthird");
  RewindSource(*t);
  PrimeReaderWindow(*t);
  ReadSourceChar(*t);
  EXPECT_EQ(t->Source.NextChar, '.');
  EXPECT_EQ(t->Source.CurChar, 0x0D);
  ReadAll(*t);
  EXPECT_EQ(t->Lines.CurrentSourceLine, 3);
}

// Skipping within a line is a shortcut for reading byte by byte: wherever it stops, the window,
// the line count and the dot-line mark are what the reads would have left, for any bytes and
// any stop byte, lines longer and shorter than the scan's steps.
TEST(SourceReader, SkippingWithinALineLeavesWhatReadingLeaves) {
  std::mt19937 rng(11);
  static const char kBytes[] = "ab.^{\r\n\r\n \x8D\x8A\x0D";
  for (int round = 0; round < 200; ++round) {
    std::string text;
    const std::size_t size = 1 + rng() % 300;
    while (text.size() < size) {
      if (rng() % 8 == 0)
        text.append(rng() % 70, 'x');
      else
        text.push_back(kBytes[rng() % (sizeof kBytes - 1)]);
    }
    const int stop = rng() % 3 == 0 ? -1 : static_cast<unsigned char>("^{x."[rng() % 4]);
    TestRun skipping, reading;
    for (TestRun* t : {&skipping, &reading}) {
      t->Load(text);
      RewindSource(**t);
      PrimeReaderWindow(**t);
    }
    const auto state = [](TestRun& t) {
      const TSourceBuffer& sb = t->Source;
      return std::tuple(sb.Position, sb.PrevChar, sb.CurChar, sb.NextChar, sb.LineEndCount,
                        t->Reader.DotLineMark, t->Lines.CurrentSourceLine);
    };
    while (!SourceEof(*skipping)) {
      if (SkipWithinLine(*skipping, stop) == 0) {
        ReadSourceChar(*skipping);
      } else if (!SourceEof(*skipping)) {
        // It stops at the first line end or stop byte, not before.
        const auto next =
            static_cast<unsigned char>(skipping->Source.Data[skipping->Source.Position]);
        ASSERT_TRUE(next == 0x0D || next == 0x0A || next == stop) << "round " << round;
      }
      while (reading->Source.Position < skipping->Source.Position) ReadSourceChar(*reading);
      ASSERT_EQ(state(skipping), state(reading)) << "round " << round << ", stop " << stop;
    }
  }
}

TEST(SourceReader, DotLineSkipsLeadingBlanksAndStopsAtLineEnd) {
  TestRun t;
  t.Load("XY   keep  inner blanks\r\nnext");
  RewindSource(*t);
  PrimeReaderWindow(*t);
  ReadSourceChar(*t);
  ReadSourceChar(*t);
  ReadDotCommandLine(*t);
  EXPECT_EQ(t->Reader.DotLine, "keep  inner blanks");
  EXPECT_EQ(t->Source.NextChar, 0x0D);
}

TEST(SourceReader, OverlongDotLineStopsTheRun) {
  TestRun t;
  t.Load("XY " + std::string(300, 'a') + "\r\n");
  RewindSource(*t);
  PrimeReaderWindow(*t);
  ReadSourceChar(*t);
  ReadSourceChar(*t);
  try {
    ReadDotCommandLine(*t);
    FAIL() << "no stop";
  } catch (const TerminateRun& stop) {
    EXPECT_EQ(stop.ExitCode, 2);  // the run has not completed
  }
  EXPECT_NE(t.Text().find("dot command exceeds line"), std::string::npos);
  EXPECT_EQ(t->Reader.DotLine.size(), kDotLineMax);
}

TEST(Conditions, EvaluatesOneOperatorAtMost) {
  struct Case {
    const char* condition;
    bool result;
    bool error;
  } cases[] = {
      {"alpha", true, false},
      {"gamma", false, false},
      {"not alpha", false, false},
      {"not gamma", true, false},
      {"alpha and beta", true, false},
      {"alpha und gamma", false, false},
      {"alpha && beta", true, false},
      {"gamma or beta", true, false},
      {"gamma oder delta", false, false},
      {"alpha || gamma", true, false},
      {"", false, true},
      {"alpha xor beta", false, true},
      {"alpha and", false, true},
      {"alpha or", false, true},
      {"\"alpha beta\"", false, false},
      {"alpha beta gamma", false, true},
  };
  for (const Case& c : cases) {
    TestRun t;
    SetConditions(*t, {"alpha", "beta"});
    EXPECT_EQ(EvaluateCondition(*t, c.condition), c.result) << c.condition;
    EXPECT_EQ(t.Text().find("wrong syntax in .IF condition") != std::string::npos, c.error)
        << c.condition;
  }
}

TEST(Conditions, EmptyAndOverlongNamesAreNeverDefined) {
  TestRun t;
  SetConditions(*t, {"alpha"});
  EXPECT_FALSE(IsConditionDefined(*t, ""));
  EXPECT_FALSE(IsConditionDefined(*t, std::string(31, 'a')));
}

TEST(Conditions, NineteenUserNamesLeaveRoomForBothTargetNames) {
  TestRun t("winhelp4");
  std::vector<std::string> names;
  for (int i = 0; i < kMaxUserConditions; ++i) names.push_back("c" + std::to_string(i));
  SetConditionList(*t, names);
  EXPECT_TRUE(IsConditionDefined(*t, "winhelp"));
  EXPECT_TRUE(IsConditionDefined(*t, "winhelp4"));
  EXPECT_TRUE(IsConditionDefined(*t, "c18"));
}

TEST(Conditions, EveryPassReadsTheSameCondition) {
  // The output pass hands the whole line; the name is found with or without a blank.
  for (const char* line : {"IF alpha", "IFalpha", "IF   alpha"}) {
    TestRun t;
    SetConditions(*t, {"alpha"});
    t->Reader.ConditionOn = false;
    t->Reader.DotLine = line;
    EXPECT_TRUE(HandleConditionCommand(*t, "IF", false));
    EXPECT_TRUE(t->Reader.ConditionOn) << line;
    EXPECT_TRUE(t->Reader.IfOpen);
  }
  TestRun t;
  SetConditions(*t, {"alpha"});
  t.Load("IF ALPHA\r\n");
  RewindSource(*t);
  PrimeReaderWindow(*t);
  ReadSourceChar(*t);
  ReadSourceChar(*t);
  EXPECT_TRUE(HandleConditionCommand(*t, "IF", true));
  EXPECT_TRUE(t->Reader.ConditionOn);
}

TEST(Conditions, ElseEndAndErrors) {
  TestRun t;
  CompilerRun& run = *t;
  run.Reader.DotLine = "EL";
  EXPECT_TRUE(HandleConditionCommand(run, "EL", false));
  EXPECT_FALSE(run.Reader.ConditionOn);  // .EL without .IF switches the text off
  EXPECT_TRUE(HandleConditionCommand(run, "EN", false));
  EXPECT_TRUE(run.Reader.ConditionOn);
  EXPECT_NE(t.Text().find(".END located without beginning .IF-condition"), std::string::npos);
  run.Reader.DotLine = "IF x";
  HandleConditionCommand(run, "IF", false);
  HandleConditionCommand(run, "IF", false);
  EXPECT_NE(t.Text().find("last .IF-condition not closed with .END"), std::string::npos);
  EXPECT_FALSE(HandleConditionCommand(run, "TI", false));
}

TEST(Numbers, NrAndHdReadOnlyInHtmlRuns) {
  struct Case {
    const char* target;
    const char* line;
    int pending;
    const char* message;
  } cases[] = {
      {"html", "NR 5", 5, nullptr},
      {"htmlhelp", "NR  17 ", 17, nullptr},
      {"html", "NR x", 0, "number behind .NR missing"},
      {"html", "NR", 0, "number behind .NR missing"},
      {"html", "NR 70000", 0, "number behind .NR too large (at most 65535)"},
      {"winhelp4", "NR 5", 0, nullptr},
      {"ipf", "NR x", 0, nullptr},
  };
  for (const Case& c : cases) {
    TestRun t(c.target);
    t->Reader.DotLine = c.line;
    EXPECT_TRUE(HandleConditionCommand(*t, "NR", false));
    EXPECT_EQ(t->Reader.PendingFileNumber, c.pending) << c.target << " " << c.line;
    if (c.message)
      EXPECT_NE(t.Text().find(c.message), std::string::npos) << c.line;
    else
      EXPECT_EQ(t.Text(), "") << c.line;
  }
}

TEST(Numbers, HeadingReservations) {
  TestRun t;
  CompilerRun& run = *t;
  run.Reader.PrePassRunning = false;
  NumberNextHeading(run);
  NumberNextHeading(run);
  run.Reader.PendingHeadingNumber = 7;  // a first .HD leaves no trace
  run.Reader.PendingHeadingNumber = 10;
  NumberNextHeading(run);
  EXPECT_EQ(run.Numbering.HeadingCounter, 10);
  NumberNextHeading(run);
  EXPECT_EQ(run.Numbering.HeadingCounter, 11);
  run.Reader.PendingHeadingNumber = 12;  // equal to the natural number: accepted, recorded
  NumberNextHeading(run);
  run.Reader.PendingHeadingNumber = 3;  // too low: warning, counter goes on
  NumberNextHeading(run);
  EXPECT_EQ(run.Numbering.HeadingCounter, 13);
  ASSERT_EQ(run.Numbering.ReservationList.size(), 3u);
  const TNumberReservation& a = run.Numbering.ReservationList[0];
  EXPECT_EQ(a.NaturalNumber, 3);
  EXPECT_EQ(a.UsedNumber, 10);
  EXPECT_EQ(a.ReservedValue, 10);
  EXPECT_EQ(a.Kind, 0);
  EXPECT_EQ(run.Numbering.ReservationList[1].UsedNumber, 12);
  const TNumberReservation& low = run.Numbering.ReservationList[2];
  EXPECT_EQ(low.NaturalNumber, 13);
  EXPECT_EQ(low.UsedNumber, 13);
  EXPECT_EQ(low.ReservedValue, 3);
  EXPECT_EQ(t.Text(), "Warning: .HD3 value too low\n");
}

TEST(Numbers, PrepassesNeitherWarnNorRecord) {
  TestRun t;
  CompilerRun& run = *t;
  run.Reader.PrePassRunning = true;
  NumberNextHeading(run);
  run.Reader.PendingHeadingNumber = 1;
  NumberNextHeading(run);
  EXPECT_EQ(run.Numbering.HeadingCounter, 2);
  EXPECT_TRUE(run.Numbering.ReservationList.empty());
  EXPECT_EQ(t.Text(), "");
}

TEST(Numbers, FileReservation) {
  TestRun t;
  CompilerRun& run = *t;
  run.Reader.PendingFileNumber = 5;
  NumberNextFile(run);
  EXPECT_EQ(run.Numbering.FileCounter, 5);
  NumberNextFile(run);
  EXPECT_EQ(run.Numbering.FileCounter, 6);
  ASSERT_EQ(run.Numbering.ReservationList.size(), 1u);
  EXPECT_EQ(run.Numbering.ReservationList[0].NaturalNumber, 0);
  EXPECT_EQ(run.Numbering.ReservationList[0].Kind, 1);
}

TEST(Numbers, CountersBeyondTheirTablesStopTheRun) {
  TestRun t;
  CompilerRun& run = *t;
  run.Reader.PendingFileNumber = 40000;  // beyond the signed 16-bit file numbers
  EXPECT_THROW(NumberNextFile(run), TerminateRun);
  EXPECT_NE(t.Text().find("too many output files"), std::string::npos);
  TestRun h;
  h->Numbering.HeadingCounter = 65535;
  EXPECT_THROW(NumberNextHeading(*h), TerminateRun);
  EXPECT_NE(h.Text().find("too many headings"), std::string::npos);
}

// The mark after each character of the text: set from the dot that begins a line up to the
// first character of the next line.
std::string MarksOf(TestRun& m, const std::string& text) {
  CompilerRun& run = *m;
  run.Source.Data.assign(text.begin(), text.end());
  RewindSource(run);
  PrimeReaderWindow(run);
  std::string marks;
  while (!SourceEof(run)) {
    ReadSourceChar(run);
    marks.push_back(run.Reader.DotLineMark ? '1' : '0');
  }
  return marks;
}

TEST(DotLineMark, MarksTheDotLinesOfTheText) {
  struct Case {
    const char* Text;
    bool WordStar;
    const char* Marks;  // one per character read (a CR LF pair is one)
  };
  const Case cases[] = {
      {"ab\r\n.TI x\r\ncd", false,
       "000"
       "11111"
       "1"
       "00"},
      {".1\r\nHead", false,
       "11"
       "1"
       "0000"},  // the first byte starts a line
      {"a.b\r\n\r\n.\r\nx", false,
       "000"
       "0"
       "0"
       "1"
       "1"
       "0"},  // a dot inside a line is none
      {"ab\n.IF x\nc", false,
       "000"
       "11111"
       "1"
       "0"},  // bare line feeds end lines too
      {"a\r\n.SN A\r\nb", true,
       "00"
       "11111"
       "1"
       "0"},  // WordStar input
  };
  for (const Case& c : cases) {
    TestRun m(WholeRun());
    m->Switches.WordStarInput = c.WordStar;
    EXPECT_EQ(MarksOf(m, c.Text), c.Marks) << c.Text;
  }
}

}  // namespace
}  // namespace skeldon
