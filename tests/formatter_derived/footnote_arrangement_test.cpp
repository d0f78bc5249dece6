// Job Z: text and notes arranged page by page into ".taf".
#include <gtest/gtest.h>

#include <random>

#include "formatter/derived/footnote_arrangement.h"
#include "tests/formatter_derived/derived_fixture.h"

namespace tavrel::testing {
namespace {

// Pages of 16 lines of 8/48 inch: ".PL 20", ".MT 2", ".MB 2"; the arrangement fills 15 of them,
// as it reads a line only while one more would fit after it.
const std::string kPage = ".PL 20\r\n.MT 2\r\n.MB 2\r\n";
// The note link of the settings ("\xB0\xB0" "1)\xB0") is five bytes wide.
std::string NoteLine(int number, const std::string& text) {
  return "\xA0\xA0" + std::to_string(number) + ")\xA0" + text + "\r\n";
}
// A text line that places the next note.
std::string Marked(const std::string& text) {
  return text +
         "\x14\x11"
         "1\x14\r\n";
}
std::string Lines(const std::string& stem, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += stem + std::to_string(i) + "\r\n";
  return out;
}

class ArrangementTest : public DerivedFixture {
 protected:
  DerivedJobResult Arrange(const std::string& fmt, const std::string& fun) {
    WriteFileBytes(dir_ / "t.fmt", fmt + "\x1A");
    WriteFileBytes(dir_ / "t.fun", fun + "\x1A");
    DerivedJobInput input{settings_, (dir_ / "t.ws").string(), context_};
    return MakeDerivedDocument('Z', input, Messages());
  }
  std::string Taf() { return ReadFileBytes(dir_ / "t.taf"); }

  DerivedContext context_;
};

// A formatted document with footnotes: each page carries its own notes at its foot.
TEST_F(ArrangementTest, NotesDocumentMatchesTheReviewedArrangement) {
  FormatDocument(CopyData("notes.ws"));
  DerivedJobInput input{settings_, (dir_ / "notes.ws").string(), context_};
  const DerivedJobResult r = MakeDerivedDocument('Z', input, Messages());
  ASSERT_FALSE(r.Failed);
  EXPECT_EQ(r.Pages, 3);
  EXPECT_EQ(r.Entries, 3);
  ExpectDerivedGolden("notes.taf", ReadFileBytes(dir_ / "notes.taf"));
  EXPECT_EQ(notifier_.WithCode(MN_FOOTNOTE_PAGE),
            (std::vector<RecordingNotifier::Entry>{{false, MN_FOOTNOTE_PAGE, 1},
                                                   {false, MN_FOOTNOTE_PAGE, 2},
                                                   {false, MN_FOOTNOTE_PAGE, 3}}));
}

TEST_F(ArrangementTest, PagesWithoutNotes) {
  struct Case {
    const char* what;
    std::string fmt, taf;
  };
  const Case cases[] = {
      {"a page without notes ends with .PA, the last one without", kPage + Lines("a", 20),
       kPage + Lines("a", 15) + ".PA\r\n" + "a15\r\na16\r\na17\r\na18\r\na19\r\n"},
      {"a PA line ends the page and is not written", kPage + "one\r\n.PA\r\ntwo\r\n",
       kPage + "one\r\n.PA\r\ntwo\r\n"},
      {"an empty line at the top of a page is dropped", kPage + Lines("a", 15) + "\r\nb\r\n",
       kPage + Lines("a", 15) + ".PA\r\nb\r\n"},
      {"a user CP line is kept, the inserted ones are not",
       kPage + ".CP 2\r\np1\x8D\np2\x8D\np3\r\n", kPage + ".CP 2\r\np1\x8D\np2\x8D\np3\r\n"},
      {"a paragraph kept together moves to the next page",
       kPage + Lines("a", 14) + "p1\x8D\np2\x8D\np3\r\n",
       kPage + Lines("a", 14) + ".PA\r\np1\x8D\np2\x8D\np3\r\n"},
  };
  for (const Case& c : cases) {
    const DerivedJobResult r = Arrange(c.fmt, "");
    EXPECT_FALSE(r.Failed) << c.what;
    EXPECT_EQ(Taf(), c.taf) << c.what << "\n" << Readable(Taf());
  }
}

TEST_F(ArrangementTest, NotePartBringsItsSettingsAndTakesThemBack) {
  context_.NotesStreamHeights = {6, 6, 6};
  context_.TextStreamHeights = {8, 8, 8};
  const std::string fu = ".FU[] CW15 SNH\x02\x13\r\n";
  Arrange(kPage + fu + Marked("text") + "more\r\n", NoteLine(1, "the note"));
  // two text lines, the separator and the note leave room for eleven filling lines
  std::string fill;
  for (int i = 0; i < 11; ++i) fill += "\r\n";
  const std::string expected = kPage + fu + Marked("text") + "more\r\n" + fill +
                               "_____\r\n.CW15\r\n.LH6\r\n.SNH\r\n" +
                               "\x02\xA0\xA0"
                               "1)\xA0the note\x13\r\n" +
                               ".CW12\r\n.LH8\r\n.SNC\r\n";
  EXPECT_EQ(Taf(), expected) << Readable(Taf());
  // FF takes back the last FU's settings, program-wide
  EXPECT_EQ(context_.KeptNotePart.ColumnWidth, 15);
  Arrange(kPage + ".FF\r\n" + Marked("text"), NoteLine(1, "again"));
  EXPECT_NE(Taf().find("_____\r\n.CW15\r\n.LH6\r\n.SNH\r\n\x02"), std::string::npos)
      << Readable(Taf());
  // different slots are written one by one
  context_.NotesStreamHeights = {6, 8, 7};
  Arrange(kPage + Marked("text"), NoteLine(1, "slots"));
  EXPECT_NE(Taf().find("_____\r\n.HH6\r\n.SH7\r\n\xA0\xA0"
                       "1)\xA0slots\r\n.HH8\r\n.SH8\r\n"),
            std::string::npos)
      << Readable(Taf());
}

TEST_F(ArrangementTest, NotesStayWholeAcrossTheirParagraphs) {
  // the second paragraph of note 1 begins without a digit in its first five bytes
  const std::string fun =
      NoteLine(1, "first paragraph") + "\xA0\xA0\xA0\xA0\xA0second\r\n" + NoteLine(2, "other note");
  const DerivedJobResult r = Arrange(kPage + Marked("one") + Marked("two"), fun);
  EXPECT_EQ(r.Entries, 2);
  const std::string taf = Taf();
  const std::size_t separator = taf.find("_____");
  ASSERT_NE(separator, std::string::npos) << Readable(taf);
  EXPECT_EQ(taf.substr(separator), "_____\r\n" + fun);
}

// An overflowing line with a long note: with room enough the line stays and as many of its
// note lines as fit; the rest of the note opens the next page's notes.
TEST_F(ArrangementTest, LongNoteIsSplitWhenThereIsRoom) {
  settings_.BlankLinesBeforeNotes = 5;
  std::string fun;
  for (int i = 0; i < 10; ++i) fun += "\xA0\xA0\xA0\xA0\xA0note line " + std::to_string(i) + "\r\n";
  fun.replace(0, 5,
              "\xA0\xA0"
              "1)");
  Arrange(kPage + Lines("a", 8) + Marked("long") + "after\r\n", fun);
  const std::string taf = Taf();
  const std::string page1 = kPage + Lines("a", 8) + Marked("long") + "_____\r\n";
  ASSERT_EQ(taf.substr(0, page1.size()), page1) << Readable(taf);
  std::size_t at = page1.size();
  // five note lines fit: 9 text lines, separator and 5 notes make 15 of 16 lines
  std::string rest = taf.substr(at);
  std::size_t cut = 0;
  for (int i = 0; i < 5; ++i) cut = rest.find("\r\n", cut) + 2;
  EXPECT_EQ(rest.substr(0, cut), fun.substr(0, cut));
  EXPECT_EQ(rest.substr(cut, 5), ".PA\r\n");
  // the next page: its text, then the rest of the note under the separator
  std::string page2 = "after\r\n";
  for (int i = 0; i < 8; ++i) page2 += "\r\n";
  page2 += "_____\r\n" + fun.substr(cut);
  EXPECT_EQ(rest.substr(cut + 5), page2) << Readable(rest.substr(cut + 5));
}

TEST_F(ArrangementTest, MissingFilesAndBadLinesEndTheJob) {
  WriteFileBytes(dir_ / "t.fmt", "text\r\n\x1A");
  DerivedJobInput input{settings_, (dir_ / "t.ws").string(), context_};
  DerivedJobResult r = MakeDerivedDocument('Z', input, Messages());
  EXPECT_TRUE(r.Failed);  // no notes file
  EXPECT_NE(MessageLines().front().find("t.fun"), std::string::npos);
  r = Arrange(kPage + ".LH\r\ntext\r\n", "");
  EXPECT_TRUE(r.Failed);
  EXPECT_NE(MessageLines().back().find("interrupted"), std::string::npos);
}

// Margins that leave no room for text still give one line a page, and the job ends.
TEST_F(ArrangementTest, PageWithoutRoomTakesOneLineEach) {
  const DerivedJobResult r = Arrange(".PL 4\r\n.MT 2\r\n.MB 2\r\none\r\ntwo\r\n", "");
  EXPECT_FALSE(r.Failed);
  EXPECT_EQ(Taf(), ".PL 4\r\n.MT 2\r\n.MB 2\r\none\r\n.PA\r\ntwo\r\n");
}

TEST_F(ArrangementTest, LongLinesAreKeptWhole) {
  const std::string longLine(1000, 'x');
  const std::string fmt = kPage + Marked(longLine) + longLine + "\r\n";
  Arrange(fmt, NoteLine(1, longLine));
  const std::string taf = Taf();
  EXPECT_NE(taf.find(Marked(longLine) + longLine + "\r\n"), std::string::npos);
  EXPECT_NE(taf.find(NoteLine(1, longLine)), std::string::npos);
}

TEST_F(ArrangementTest, UserStopEndsAfterThePage) {
  Messages();
  messages_->UserStop = 1;
  WriteFileBytes(dir_ / "t.fmt", kPage + Lines("a", 40) + "\x1A");
  WriteFileBytes(dir_ / "t.fun", "\x1A");
  DerivedJobInput input{settings_, (dir_ / "t.ws").string(), context_};
  const DerivedJobResult r = MakeDerivedDocument('Z', input, *messages_);
  EXPECT_TRUE(r.Stopped);
  EXPECT_EQ(Taf(), kPage + Lines("a", 15) + ".PA\r\n");
}

// For any text with notes: every text line and every note line is written exactly once, in
// its order, and no page holds more than fits unless a single line is taller than a page.
TEST_F(ArrangementTest, EveryLineArrivesOnceInOrder) {
  std::mt19937 rng(11);
  for (int round = 0; round < 40; ++round) {
    std::string fmt = kPage, fun;
    std::vector<std::string> textLines, noteLines;
    int notes = 0;
    const int count = 10 + static_cast<int>(rng() % 60);
    for (int i = 0; i < count; ++i) {
      std::string line = "t" + std::to_string(i);
      const bool marked = rng() % 4 == 0;
      const bool soft = rng() % 3 == 0;
      if (marked) line += "\x14\x11" + std::to_string(++notes) + "\x14";
      line += soft ? "\x8D\n" : "\r\n";
      fmt += line;
      textLines.push_back(line);
      if (marked) {
        const int n = 1 + static_cast<int>(rng() % 5);
        for (int k = 0; k < n; ++k) {
          std::string nl = (k == 0 ? "\xA0\xA0" + std::to_string(notes % 10) + ")\xA0"
                                   : std::string("\xA0\xA0\xA0\xA0\xA0")) +
                           "n" + std::to_string(notes) + "." + std::to_string(k) + "\r\n";
          fun += nl;
          noteLines.push_back(nl);
        }
      }
    }
    fmt += "end\r\n";
    textLines.push_back("end\r\n");
    const DerivedJobResult r = Arrange(fmt, fun);
    ASSERT_FALSE(r.Failed);
    const std::string taf = Taf();
    std::size_t at = 0;
    for (const std::string& l : textLines) {
      const std::size_t found = taf.find(l, at);
      ASSERT_NE(found, std::string::npos) << "round " << round << ": " << l << "\n"
                                          << Readable(taf);
      EXPECT_EQ(taf.find(l, found + l.size()), std::string::npos) << l;
      at = found + l.size();
    }
    at = 0;
    for (const std::string& l : noteLines) {
      const std::size_t found = taf.find(l, at);
      ASSERT_NE(found, std::string::npos) << "round " << round << ": " << l;
      at = found + l.size();
    }
    EXPECT_EQ(r.Entries, notes);
  }
}

}  // namespace
}  // namespace tavrel::testing
