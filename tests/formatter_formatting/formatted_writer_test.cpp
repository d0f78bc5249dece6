#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "formatter/common/message_boxes.h"
#include "formatter/common/notifications.h"
#include "formatter/common/run_messages.h"
#include "formatter/common/settings_record.h"
#include "formatter/formatting/formatted_writer.h"
#include "formatter/formatting/number_argument.h"
#include "tests/support/formatter_unit_support.h"

namespace tavrel {
namespace {

using unit_test::ReadAll;
using unit_test::Shown;
using unit_test::TempDir;

std::string E(unsigned char c) { return std::string("\x1B") + static_cast<char>(c) + "\x1C"; }

struct WriterFixture : ::testing::Test {
  TSettingsRecord settings{};
  RecordingMessageList list;
  RecordingMessageBoxes boxes;
  RecordingNotifier notifier;
  RunMessages messages{settings, list, boxes, notifier};
  FormattedWriter writer{&messages};

  void SetUp() override {
    DefaultSettings(settings, "/x/y", true);
    BuildCharacterClasses(writer.Classes);
    writer.ResetForFile();
    writer.Streams[kTextStream].File.OpenInMemory();
    writer.Streams[kNotesStream].File.OpenInMemory();
  }
  void Put(const std::string& text) {
    for (char c : text) writer.PutOutputChar(static_cast<unsigned char>(c));
  }
  const std::string& Out() const { return writer.Streams[kTextStream].File.Memory(); }
  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (const auto& l : list.Lines()) out.push_back(l.Text);
    return out;
  }
};

TEST_F(WriterFixture, CharactersAreEncodedAsTheFileCarriesThem) {
  struct Case {
    unsigned char internal;
    std::string written;
  };
  const Case cases[] = {
      {'a', "a"},     {132, E(132)}, {200, E(200)}, {28, "\xA0"}, {165, "\x8D"},
      {173, E(0x15)}, {27, ""},      {2, "\x02"},   {10, "\n"},   {176, E(176)},
  };
  for (const Case& c : cases) {
    writer.Streams[kTextStream].File.OpenInMemory();
    writer.PutOutputChar(c.internal);
    EXPECT_EQ(Out(), c.written) << int(c.internal);
  }
}

TEST_F(WriterFixture, OpenAttributesAreReportedAndClosedAtTheLineEnd) {
  messages.ParagraphNumber = 0;
  Put("\x02"
      "bold\x13und\x19it\r\n");
  EXPECT_EQ(Texts(), (std::vector<std::string>{"ERROR: end of underlined missing",
                                               "ERROR: end of bold print missing",
                                               "ERROR: end of italic print missing"}));
  const WriterStream& s = writer.Streams[kTextStream];
  EXPECT_EQ(s.Bold + s.Underline + s.Italic, 0);
  // The next paragraph starts without bold: its ^B switches bold on.
  Put("\x02"
      "x");
  EXPECT_EQ(s.Bold, 1);
  // Superscript is not closed at the line end.
  Put("\x02\x14"
      "2\r\n");
  EXPECT_EQ(s.Superscript, 1);
  EXPECT_EQ(list.Lines().size(), 3u);
}

TEST_F(WriterFixture, ParagraphsAreCountedAtTextLineEndsOnly) {
  Put("text\r\n");
  EXPECT_EQ(messages.ParagraphNumber, 1);
  Put("\r\n");     // an empty line
  Put(".PA\r\n");  // a dot line
  EXPECT_EQ(messages.ParagraphNumber, 1);
  Put("more\r\n");
  EXPECT_EQ(messages.ParagraphNumber, 2);
  writer.CurrentStream = kNotesStream;
  Put("note\r\n");
  EXPECT_EQ(messages.ParagraphNumber, 2);
}

TEST_F(WriterFixture, ColumnsCountWidthsOnly) {
  Put("ab\x1C");
  EXPECT_EQ(writer.Streams[kTextStream].Column, 3);
  Put("\x1B\x02\x13");
  EXPECT_EQ(writer.Streams[kTextStream].Column, 3);
  Put("\xE4\n");
  EXPECT_EQ(writer.Streams[kTextStream].Column, 0);
}

TEST_F(WriterFixture, IndexScanRunWritesNothing) {
  messages.IndexScanRun = 1;
  writer.WriteOutputLine("abc\x84");
  EXPECT_EQ(Out(), "");
}

TEST_F(WriterFixture, WriteOutputLineEndsWithCrLf) {
  writer.WriteOutputLine("..comment");
  EXPECT_EQ(Out(), "..comment\r\n");
}

TEST_F(WriterFixture, PageNoteGoesToTheStartOfItsBufferedLine) {
  writer.LineBuffer.Active = true;
  writer.LineBuffer.IndentColumn = 6;
  writer.LineBuffer.PendingPageNote = "note";
  Put("xy\xA8z\r\n");
  EXPECT_EQ(Out(), "note\xA0\xA0xyz\r\n") << Shown(Out());
  // A second page note in one line is reported and dropped.
  writer.LineBuffer.PendingPageNote = "one";
  Put("a\xA8");
  writer.LineBuffer.PendingPageNote = "two";
  Put("b\xA8\r\n");
  EXPECT_EQ(Texts(), (std::vector<std::string>{
                         "INFO Par 1: Error: Pagenote \"two\" will be omitted, ",
                         "ERROR Par 1: because two pagenotes resides in a single line."}));
  EXPECT_EQ(Out().substr(11),
            "one\xA0\xA0\xA0"
            "ab\r\n")
      << Shown(Out());
  // A dot line gets no line start.
  Put(".PA\r\n");
  EXPECT_EQ(Out().substr(21), ".PA\r\n");
  // The margin-note characters stand around the note; the fill counts them.
  writer.LineBuffer.NoteLeadChar = '<';
  writer.LineBuffer.NoteTrailChar = '>';
  writer.LineBuffer.PendingPageNote = "n";
  Put("\xA8q\r\n");
  EXPECT_EQ(Out().substr(26), "<n>\xA0\xA0\xA0q\r\n") << Shown(Out());
  // A line without a page note gets only the fill.
  Put("r\r\n");
  EXPECT_EQ(Out().substr(35), "\xA0\xA0\xA0\xA0\xA0\xA0r\r\n") << Shown(Out());
}

TEST_F(WriterFixture, FrameModeDrawsABox) {
  writer.Frame.On = true;
  writer.Frame.Clear();
  writer.Frame.VerticalChar = '|';
  writer.Frame.HorizontalChar = '-';
  Put("|   |\r\n\r\n|   |\r\n");
  const std::string expected = E(0xDA) + E(0xC4) + E(0xC4) + E(0xC4) + E(0xBF) + "\r\n" + E(0xB3) +
                               "   " + E(0xB3) + " \r\n" + E(0xC0) + E(0xC4) + E(0xC4) + E(0xC4) +
                               E(0xD9) + "\r\n";
  EXPECT_EQ(Out(), expected) << Shown(Out());
}

TEST_F(WriterFixture, FrameInnerLineAndDoubleMarker) {
  writer.Frame.On = true;
  writer.Frame.Clear();
  writer.Frame.VerticalChar = '|';
  writer.Frame.HorizontalChar = '-';
  writer.Frame.DoubleMarker = 1;
  // A double top row: its corners are double; the horizontal character opens an inner line.
  Put("\x01|-|\r\n");
  EXPECT_EQ(Out(), E(0xC9) + E(0xD1) + E(0xBB) + "\r\n") << Shown(Out());
}

TEST(OutputFileTest, UnwritableFileThrowsAndUnopenedFileTakesNothing) {
  OutputFile file;
  file.Put('x');  // never opened: dropped
  EXPECT_FALSE(file.Create("/nonexistent-folder/x.fmt"));
  EXPECT_EQ(file.ErrorCode(), 3);
  if (std::filesystem::exists("/dev/full")) {
    OutputFile full;
    ASSERT_TRUE(full.Create("/dev/full"));
    full.Write("abc");
    EXPECT_THROW(full.Close(), OutputWriteError);
  }
}

struct NotesFixture : WriterFixture {
  TempDir tmp;
  DotLineReader dot;
  NotesState notes;
  PageState pages;
  NotesControlInput input;

  void SetUp() override {
    WriterFixture::SetUp();
    writer.Streams[kNotesStream].File.Close();
    input.TextLineWidth = 720;
    input.HyphenationZone = 360;
    input.CurrentSlotFont = 3;
    input.NormalFont = 3;
    input.NotesFileName = tmp / "doc.fun";
  }
  void Control(const std::string& line, int form = 1) {
    dot.Start(line);
    dot.Position = 3;
    NotesControl(form, dot, writer, notes, pages, input, messages);
  }
  std::string NotesFile() {
    writer.Streams[kNotesStream].File.Close();
    return ReadAll(input.NotesFileName);
  }
};

TEST_F(NotesFixture, MarkersAndColumnWidthGoToTheNotesFile) {
  notes.FootnoteNumber = 9;
  Control(".FU[] CW15");
  EXPECT_EQ(notes.BeginMarker, '[');
  EXPECT_EQ(notes.EndMarker, ']');
  EXPECT_EQ(notes.FootnoteNumber, 1);
  EXPECT_EQ(notes.LineWidth, 576);  // 720 x 12 / 15
  EXPECT_EQ(notes.ZoneStart, 216);
  EXPECT_TRUE(notes.InUse);
  EXPECT_EQ(NotesFile(), ".CW15\r\n");
}

TEST_F(NotesFixture, ABlankAfterAValueEndsTheSettings) {
  Control(".FU[] LH 12 SH10");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(pages.Streams[kNotesStream].LineHeights[i], 12);
  Control(".FU[] HH9EH7SH5");
  EXPECT_EQ(pages.Streams[kNotesStream].LineHeights[0], 9);
  EXPECT_EQ(pages.Streams[kNotesStream].LineHeights[1], 7);
  EXPECT_EQ(pages.Streams[kNotesStream].LineHeights[2], 5);
  EXPECT_EQ(pages.Streams[kTextStream].LineHeights[0], 8);
}

TEST_F(NotesFixture, NotesFontLineAndBareCommand) {
  Control(".FU() SNB\"");
  EXPECT_EQ(notes.Font, 106);
  EXPECT_EQ(notes.LineWidth, 720);
  EXPECT_EQ(NotesFile(), ".SNB\"\r\n");
  NotesState fresh;
  notes = fresh;
  Control(".FU");
  EXPECT_EQ(notes.BeginMarker, 13);
  EXPECT_EQ(notes.EndMarker, 13);
}

TEST_F(NotesFixture, ZeroColumnWidthDoesNotDivide) {
  Control(".FU[] CW0");
  EXPECT_EQ(notes.LineWidth, 720);
  EXPECT_EQ(NotesFile(), "");
}

TEST_F(NotesFixture, ASecondNotesCommandKeepsTheNotesWrittenBefore) {
  Control(".FU[]");
  writer.CurrentStream = kNotesStream;
  writer.WriteOutputLine("1) first note");
  writer.CurrentStream = kTextStream;
  Control(".FU<>");
  EXPECT_EQ(notes.BeginMarker, '<');
  EXPECT_EQ(NotesFile(), "1) first note\r\n");
}

TEST_F(NotesFixture, UncreatableNotesFileInterruptsAndStaysUnused) {
  input.NotesFileName = tmp / "missing/doc.fun";
  Control(".FU[]");
  EXPECT_FALSE(notes.InUse);
  ASSERT_FALSE(list.Lines().empty());
  EXPECT_EQ(list.Lines()[0].Text,
            "ERROR: Error while opening file (3) " + input.NotesFileName + " .");
  EXPECT_EQ(messages.AbortRequested, 1);
}

TEST_F(NotesFixture, IndexVolumesAreNumberedAndAFifthIsRefused) {
  IndexVolumes volumes;
  const std::string index = tmp / "doc.IX";
  dot.Start(".IC");
  dot.Position = 3;
  EXPECT_FALSE(OpenIndexVolume(dot, volumes, index, false, messages));
  EXPECT_EQ(volumes.Count, 0);
  for (char c : std::string("*#+~")) {
    dot.Start(std::string(".IC") + c);
    dot.Position = 3;
    EXPECT_TRUE(OpenIndexVolume(dot, volumes, index, false, messages));
  }
  EXPECT_EQ(volumes.Chars, "*#+~");
  dot.Start(".IC!");
  dot.Position = 3;
  EXPECT_FALSE(OpenIndexVolume(dot, volumes, index, false, messages));
  EXPECT_EQ(volumes.Count, 4);
  volumes.Files[0].Write("entry\r\n");
  volumes.Reset();
  EXPECT_EQ(ReadAll(index + "1"), "entry\r\n");
  EXPECT_TRUE(std::filesystem::exists(index + "4"));
  EXPECT_FALSE(std::filesystem::exists(index + "5"));
  ASSERT_EQ(list.Lines().size(), 1u);
  EXPECT_EQ(list.Lines()[0].Text, "ERROR: More than 4 index characters, index ! ignored.");
}

TEST(AdvancePositionTest, WidthsGraphicsAndWidthlessCharacters) {
  CharacterClasses classes;
  BuildCharacterClasses(classes);
  CharWidths widths{};
  widths.fill(12);
  widths['i'] = 5;
  LinePosition line;
  AdvancePosition(line, 'i', classes, widths);
  AdvancePosition(line, 'W', classes, widths);
  AdvancePosition(line, 'g', classes, widths, 100);
  EXPECT_EQ(line.Position, 117);
  EXPECT_EQ(line.Characters, 3);
  EXPECT_EQ(line.AtLineStart, 1);
  AdvancePosition(line, 2, classes, widths);
  EXPECT_EQ(line.Position, 117);
  EXPECT_EQ(line.AtLineStart, 0);
}

}  // namespace
}  // namespace tavrel
