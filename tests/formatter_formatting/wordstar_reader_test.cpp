// The reader: WordStar decoding, plain text modes, note markers and margin notes.
#include <gtest/gtest.h>

#include "formatter/formatting/formatted_writer.h"
#include "formatter/formatting/wordstar_reader.h"
#include "tests/support/format_run_fixture.h"

namespace tavrel::testing {
namespace {

class ReaderTest : public RunFixture {
 protected:
  // Every character the reader gives for the bytes in the mode.
  std::string Decode(int mode, const std::string& bytes) {
    run_ = MakeRun();
    BuildCharacterClasses(run_->Writer.Classes);
    ResetFileState(*run_);
    run_->Reader.InputMode = mode;
    SetInput(*run_, bytes);
    std::string out;
    for (int guard = 0; guard < 10000; ++guard) {
      const uint8_t c = ReadInputChar(*run_);
      if (run_->Reader.EofRead) break;
      out.push_back(static_cast<char>(c));
    }
    return out;
  }
};

struct DecodeCase {
  const char* what;
  int mode;
  std::string bytes;
  std::string chars;
};

TEST_F(ReaderTest, DecodesEachModeAsItsTableSays) {
  const DecodeCase cases[] = {
      {"bit 7 on word ends is cleared", 0, "Wor\xE4 an\xE4", "Word and"},
      {"extended character block, repeat 3", 0,
       std::string("a\x1D\x0A\x01\0\0\0\0\0\x84\x03\x0A\x01\x1D"
                   "b",
                   15),
       "a\x84\x84\x84"
       "b"},
      {"extended character block, repeat 0", 0,
       std::string("a\x1D\x0A\x01\0\0\0\0\0\x84\x00\x0A\x01\x1D"
                   "b",
                   15),
       "ab"},
      {"a block holding 0x1D is read to its real end", 0,
       std::string("a\x1D\x05\x01x\x1Dy\x05\x01\x1D"
                   "b"),
       "ab"},
      {"type 0x12 block gives the marker byte 1", 0,
       std::string("a\x1D\x12\x01\x12\x01\x1D"
                   "b"),
       "a\x01"
       "b"},
      {"ESC pair gives the character", 0,
       "a\x1B\x94\x1C"
       "b",
       "a\x94"
       "b"},
      {"ESC 0x15 is the section sign 0xAD", 0, "\x1B\x15\x1C", "\xAD"},
      {"soft return and soft space", 0,
       "a\x8D\x8A\xA0"
       "b",
       "a\xA5\n\x1C"
       "b"},
      {"a bare LF counts as CR LF", 0, "a\nb\r\nc", "a\r\nb\r\nc"},
      {"Ctrl-Z ends the input", 0,
       "ab\x1A"
       "cd",
       "ab"},
      {"a block at the very end gives nothing more", 0, std::string("ab\x1D\x05\x01\x05\x01\x1D"),
       "ab"},
      {"a block cut off by the end of the file", 0, std::string("ab\x1D\x05\x01xyz"), "ab"},
      {"TAB is one column mark", 2, "a\tb",
       "a\x1C"
       "b"},
      {"Windows bytes become code page 850", 2,
       "Gr\xFC\xDF"
       "e",
       "Gr\x81\xE1"
       "e"},
      {"IBM bytes stay, 0x15 becomes 0xAD", 1, "\x84\x15", "\x84\xAD"},
  };
  for (const DecodeCase& c : cases) EXPECT_EQ(Decode(c.mode, c.bytes), c.chars) << c.what;
}

TEST_F(ReaderTest, PrintControlPrefixAndColumnCharacter) {
  run_ = MakeRun();
  BuildCharacterClasses(run_->Writer.Classes);
  ResetFileState(*run_);
  run_->Reader.InputMode = 2;
  run_->Reader.ControlPrefix = '^';
  run_->Reader.ColumnChar = '|';
  SetInput(*run_, "^B^1|^");
  std::string out;
  for (int i = 0; i < 10; ++i) {
    const uint8_t c = ReadInputChar(*run_);
    if (run_->Reader.EofRead) break;
    out.push_back(static_cast<char>(c));
  }
  EXPECT_EQ(out, "\x02^1\x1C^");
}

TEST_F(ReaderTest, HighBitWordEndsGiveTheSameTextAsWithout) {
  EXPECT_EQ(Format("a.ws", "Some words here.\r\n"),
            Format("b.ws", "Som\xE5 word\xF3 her\xE5.\r\n"));
}

TEST_F(ReaderTest, AlternateFontLastsToTheLineEnd) {
  const uint8_t normal = settings_.NormalFont, alternate = settings_.AlternateFont;
  Format("a.ws", "\x01x\x01y");  // no line end: the state after the text stays
  EXPECT_TRUE(run_->Dot.AlternateActive);
  EXPECT_EQ(run_->Dot.FontSlots[0], alternate);
  EXPECT_EQ(run_->Dot.AlternateSaved, normal);  // the second ^A changed nothing

  Format("b.ws", "\x01x\r\n");
  EXPECT_FALSE(run_->Dot.AlternateActive);
  EXPECT_EQ(run_->Dot.FontSlots[0], normal);

  Format("c.ws", "\x02\x01x");  // bold slot current: no alternate font
  EXPECT_FALSE(run_->Dot.AlternateActive);
  EXPECT_EQ(run_->Dot.CurrentSlot, 1);
}

TEST_F(ReaderTest, LongMarginNoteKeepsItsFirst39Characters) {
  const std::string note(45, 'n');
  const std::string fmt =
      Format("m.ws", ".MN<>3\r\nText <" + std::string(39, 'a') + "b" + "cccc> end\r\n");
  // 39 characters are kept, the 40th is dropped and the rest is ordinary text.
  EXPECT_NE(fmt.find(std::string(39, 'a') + "Text cccc> end"), std::string::npos) << Readable(fmt);
}

TEST_F(ReaderTest, TwoMarginNotesInOneLineKeepOnlyOne) {
  const std::string fmt = Format("m.ws", ".MN<>3\r\nText <one> and <two> end\r\n");
  const auto lines = MessageLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "INFO: Error: Pagenote \"two\" will be omitted, ");
  EXPECT_EQ(lines[1], "ERROR: because two pagenotes resides in a single line.");
  EXPECT_EQ(Body(fmt), ".MN<>3\r\n.RM64\r\none\xA0Text  and  end\r\n") << Readable(fmt);
}

TEST_F(ReaderTest, MissingNoteMarkersStopTheRun) {
  struct Case {
    const char* doc;
    const char* message;
  };
  const Case cases[] = {
      {".FU[]\r\nText[one[two] end.\r\n", "ERROR: End marker of footnote 1 does not exist"},
      {".FU[]\r\nText] end.\r\n", "ERROR: Begin marker of footnote 1 does not exist"},
  };
  for (const Case& c : cases) {
    list_.Clear();
    Format("n.ws", c.doc);
    const auto lines = MessageLines();
    ASSERT_FALSE(lines.empty()) << c.doc;
    EXPECT_EQ(lines[0], c.message);
    EXPECT_TRUE(run_->Run.Stop);
  }
}

TEST_F(ReaderTest, LineEndTypedInsideANoteDoesNotEndTheNoteLine) {
  Format("n.ws", ".FU[]\r\nText[first\r\nsecond] end.\r\n");
  EXPECT_EQ(ReadFileBytes(dir_ / "n.fun"),
            "\xA0\xA0"
            "1)\xA0"
            "first second\r\n\x1A");
}

// The German text is code page 850 like every other message, so it shows a Windows-1252 u
// umlaut and no UTF-8 bytes.
TEST_F(ReaderTest, RightJustifyControlTwiceInALineIsAnError) {
  struct Case {
    std::uint8_t language;
    const char* message;
  };
  const Case cases[] = {
      {0,
       "ERROR: Two \"right justified\" printer chars ^PZ (Dunmoor), ^P@ (Wordstar) not allowed "
       "in a single line"},
      {1,
       "ERROR: Zwei Rechtsb\xFCndig-Steuerzeichen ^PZ (Dunmoor) bzw. ^P@ (Wordstar) in einer "
       "Zeile nicht erlaubt"},
  };
  const char doc[] =
      "a\x00"
      "b\x00"
      "c\r\nd\x00"
      "e\r\n";
  for (const Case& c : cases) {
    settings_.Language = c.language;
    list_.Clear();
    Format("r.ws", std::string(doc, sizeof doc - 1));
    const auto lines = MessageLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], c.message);
  }
}

}  // namespace
}  // namespace tavrel::testing

namespace tavrel::testing {
namespace {

class LongNoteTest : public RunFixture {};

// A long note is broken at the notes line width, and its next lines are indented by the
// width of the note mark.
TEST_F(LongNoteTest, NoteTextIsBrokenInTheNotesFile) {
  Format("n.ws", ".RM 30\r\n.FU[]\r\nText[aaaa bbbb cccc dddd eeee ffff gggg hhhh] end.\r\n");
  const std::string fun = ReadFileBytes(dir_ / "n.fun");
  EXPECT_EQ(fun,
            "\xA0\xA0"
            "1)\xA0"
            "aaaa bbbb cccc dddd eeee \x8D\n\xA0\xA0\xA0\xA0\xA0"
            "ffff gggg hhhh\r\n\x1A")
      << Readable(fun);
}

}  // namespace
}  // namespace tavrel::testing
