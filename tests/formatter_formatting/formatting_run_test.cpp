// The formatting run as a whole: names, header, backups, the stop after 50 errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "formatter/formatting/dot_commands.h"
#include "tests/support/format_run_fixture.h"

namespace tavrel::testing {
namespace {

class FormattingRunTest : public RunFixture {};

TEST_F(FormattingRunTest, EmptyInputGivesOnlyTheMarginLineAndEndOfFile) {
  EXPECT_EQ(Format("empty.ws", ""), ".RM60\r\n\x1A");
  // The start of the file is reported once with the page counter.
  EXPECT_EQ(notifier_.WithCode(MN_FORMAT_PAGE),
            (std::vector<RecordingNotifier::Entry>{{true, MN_FORMAT_PAGE, 1}}));
}

TEST_F(FormattingRunTest, SettingsIntoHeaderWritesTheNotebookValuesAndUsedFonts) {
  settings_.SettingsIntoHeader = 1;
  const std::string fmt = Format("h.ws", "Text.\r\n");
  const std::string expected =
      "..Current values from the settings notebook\r\n"
      ".LH 10\r\n"
      "..Page layout: Wordstar default\r\n"
      ".PO 8\r\n"
      ".RM60\r\n"
      ".PL 66\r\n.MT 3\r\n.MB 8\r\n.HM 2\r\n.FM 2\r\n"
      "..Default fonts:\r\n.SFC\r\n.SAH\"\r\n"
      "..Line drawing:\r\n.LS 3\r\n.LW 6\r\n"
      "..Tabulator:\r\n.DE 60\r\n"
      "..End settings notebook\r\n"
      "Text.\r\n"
      "..\r\n..Used fonts in this document\r\n"
      ".FD C = Courier New 12\r\n.FD C' = Courier New 12\r\n.FD C\" = Courier New 12\r\n"
      ".FD C& = Courier New 12\r\n"
      "\x1A";
  EXPECT_EQ(fmt, expected) << Readable(fmt);
}

TEST_F(FormattingRunTest, InputCharacterModeFollowsTheName) {
  struct Case {
    const char* name;
    int mode;
  };
  for (const Case& c :
       {Case{"X.TXT", 2}, Case{"x.skt", 2}, Case{"x.ws", 0}, Case{"notes.doc", 0}}) {
    Format(c.name, "a\r\n");
    EXPECT_EQ(run_->Reader.InputMode, c.mode) << c.name;
  }
}

TEST_F(FormattingRunTest, EmptyConditionFieldStillDefinesTavrel) {
  EXPECT_EQ(Body(Format("c.ws", ".IF TAVREL\r\nyes\r\n.EN\r\n")), "yes\r\n");
  EXPECT_EQ(Body(Format("d.ws", ".IF print\r\nyes\r\n.EL\r\nno\r\n.EN\r\n", "print")), "yes\r\n");
}

// Formatting x.fmt: input and output coincide, so the old file is read from x.$$$, which is
// erased at the end; an older x.$$$ is erased first.
TEST_F(FormattingRunTest, SameInputAndOutputUsesABackup) {
  WriteFileBytes(dir_ / "x.$$$", "stale backup");
  const std::string fmt = Format("x.fmt", "Source text.\r\n");
  EXPECT_EQ(fmt, ".RM60\r\nSource text.\r\n\x1A");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "x.$$$"));
  const std::string backup = (dir_ / "x.$$$").string();
  const std::string output = (dir_ / "x.fmt").string();
  const std::vector<std::string> expected = {"INFO: Deleting file " + backup,
                                             "INFO: Renaming " + output + " to " + backup,
                                             "INFO Par 1: Deleting file " + backup};
  EXPECT_EQ(MessageLines(), expected);
}

TEST_F(FormattingRunTest, MissingInputIsReportedAndInterrupts) {
  run_ = MakeRun();
  FormatFile(*run_, (dir_ / "missing.ws").string());
  const auto lines = MessageLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines[0].find("Error while opening file"), std::string::npos) << lines[0];
  EXPECT_TRUE(run_->Run.Stop);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "missing.fmt"));
}

// Every line opens bold and leaves it open: one error per line end.
std::string UnclosedBoldLines(int n) {
  std::string doc;
  for (int i = 0; i < n; ++i) doc += "\x02x\r\n";
  return doc + "after\r\n";
}

TEST_F(FormattingRunTest, FiftyErrorsDoNotInterrupt) {
  const std::string fmt = Format("e.ws", UnclosedBoldLines(50));
  EXPECT_TRUE(boxes_.Boxes().empty());
  EXPECT_NE(fmt.find("after\r\n"), std::string::npos);
  EXPECT_EQ(run_->Messages.ErrorCount, 50);
}

TEST_F(FormattingRunTest, TheFiftyFirstErrorInterruptsTheRun) {
  const std::string fmt = Format("e.ws", UnclosedBoldLines(60));
  const auto boxes = boxes_.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Text, "More than 50 error messages! Formatting interrupted.");
  EXPECT_EQ(run_->Messages.ErrorCount, 51);
  EXPECT_EQ(fmt.find("after"), std::string::npos);
  // The output written so far stays, closed with its end-of-file mark.
  EXPECT_EQ(fmt.back(), '\x1A');
  const auto lines = MessageLines();
  EXPECT_EQ(lines.back(), "INFO Par 50: Format job interrupted!");
}

TEST_F(FormattingRunTest, NumberMissingStopsTheRun) {
  const std::string fmt = Format("n.ws", ".RM\r\nnever\r\n");
  EXPECT_EQ(MessageLines().front(), "ERROR: Number missing behind dot command .RM !");
  EXPECT_EQ(fmt.find("never"), std::string::npos);
}

TEST_F(FormattingRunTest, UserStopEndsTheRunAtTheNextLine) {
  notifier_.OnSend = [this](int32_t code, int32_t) {
    if (code == MN_FORMAT_PAGE && run_) run_->Messages.UserStop = 1;
  };
  const std::string fmt = Format("u.ws", "one\r\n.PA\r\ntwo\r\nthree\r\nfour\r\n");
  EXPECT_EQ(fmt.find("four"), std::string::npos) << Readable(fmt);
  EXPECT_TRUE(run_->Run.Stop);
}

}  // namespace
}  // namespace tavrel::testing

namespace tavrel::testing {
namespace {

// A contents run formats the ".toc" document into itself through the backup, without the
// header line and without backup messages.
TEST_F(FormattingRunTest, ContentsModeFormatsTheTocInPlace) {
  WriteFileBytes(dir_ / "doc.toc", "Contents line.\r\n");
  run_ = MakeRun();
  run_->Run.ContentsMode = true;
  FormatFile(*run_, (dir_ / "doc.ws").string());
  EXPECT_EQ(ReadFileBytes(dir_ / "doc.toc"), "Contents line.\r\n\x1A");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "doc.$$$"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "doc.fmt"));
  EXPECT_TRUE(list_.Lines().empty());
}

// Pathological inputs finish and lose no text.
TEST_F(FormattingRunTest, HugeLinesAndManyHeadingsFinish) {
  const std::string word(200000, 'x');
  const std::string fmt = Format("p.ws", word + "\r\n" + std::string(50000, ' ') + "end\r\n");
  EXPECT_EQ(static_cast<size_t>(std::count(fmt.begin(), fmt.end(), 'x')), word.size());
  EXPECT_NE(fmt.find("end\r\n"), std::string::npos);

  WriteFileBytes(dir_ / "Headings.ws", "1 Level\r\n1. XXX\r\n");
  std::string doc;
  for (int i = 0; i < 3000; ++i) doc += ".1\r\nHeading\r\n";
  const std::string headings = Format("q.ws", doc);
  EXPECT_NE(headings.find("3000.\xA0Heading\r\n"), std::string::npos);
}

}  // namespace
}  // namespace tavrel::testing

namespace tavrel::testing {
namespace {

// Places where following the rules to the letter would lose or corrupt text; each case shows
// the sound behaviour.
struct MendedCase {
  const char* what;
  std::string document;
  std::string body;     // the formatted text without header and end mark
  std::string message;  // the first message line, or empty for none
};

// Test output names the case instead of dumping its bytes.
void PrintTo(const MendedCase& c, std::ostream* os) { *os << c.what; }

class MendedFaultsTest : public RunFixture, public ::testing::WithParamInterface<MendedCase> {
 protected:
  void TestBody() override {}
};

TEST_P(MendedFaultsTest, KeepsTheText) {
  const MendedCase& c = GetParam();
  EXPECT_EQ(Body(Format("m.ws", c.document)), c.body) << c.what;
  const auto lines = MessageLines();
  EXPECT_EQ(lines.empty() ? std::string() : lines[0], c.message) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MendedFaultsTest,
    ::testing::Values(
        // A CR without LF would have its next character dropped as the LF.
        MendedCase{"cr_only", "one\rtwo\r", "one\r\ntwo\r\n", ""},
        MendedCase{"cr_only_last_char", "one\rX", "one\r\nX", ""},
        // Clearing bit 7 of a queued extended character would turn it into a control code.
        MendedCase{"extended_block",
                   std::string("\x1D\x0A\x01\0\0\0\0\0\x81\x01\x0A\x01\x1D\r\n", 15),
                   "\x1B\x81\x1C\r\n", ""},
        // A bare ".FU" leaves CR as note markers: CR must not start a note.
        MendedCase{"bare_fu", ".FU\r\nText\r\nmore\r\n", ".FU\r\nText\r\nmore\r\n", ""},
        // A line that fits is not broken at the end of the document.
        MendedCase{"fits_at_end", "short last line", "short last line", ""},
        // More than 248 characters of a dot line are not cut silently.
        MendedCase{"long_dot_line", ".." + std::string(300, 'c') + "\r\n",
                   ".." + std::string(246, 'c') + "\r\n",
                   "ERROR: Dot line too long (more than 248 characters), the rest is ignored"},
        // A device is never read as an include (it might never end); it is no file to include.
        MendedCase{"device_include", ".FI /dev/zero\r\nafter\r\n", "after\r\n",
                   "ERROR: File /dev/zero not found."}),
    [](const ::testing::TestParamInfo<MendedCase>& info) { return std::string(info.param.what); });

}  // namespace
}  // namespace tavrel::testing
