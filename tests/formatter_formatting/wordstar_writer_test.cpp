#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formatter/common/message_boxes.h"
#include "formatter/formatting/wordstar_writer.h"
#include "tests/support/formatter_unit_support.h"

namespace tavrel {
namespace {

using unit_test::ReadAll;
using unit_test::Shown;
using unit_test::TempDir;

std::string Words(int count) {
  std::string text;
  for (int i = 0; i < count; ++i)
    text += (i ? " " : "") + std::string("word") + std::to_string(i % 10);
  return text;
}

// The lines of the output, each with its line end.
std::vector<std::string> Lines(const std::string& out) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < out.size(); ++i)
    if (out[i] == '\n') {
      lines.push_back(out.substr(start, i + 1 - start));
      start = i + 1;
    }
  if (start < out.size()) lines.push_back(out.substr(start));
  return lines;
}

TEST(WordStarWriterTest, CharactersAndLineEnds) {
  struct Case {
    std::string text;
    std::string written;
  };
  const std::vector<Case> cases = {
      {"Hello\r\n", "Hello\r\n"},
      {"Hello", "Hello"},  // last line without a line end
      {"a\xFD"
       "b\r\n",
       "a\x14"
       "2\x14"
       "b\r\n"},  // superscript two
      {"\xFC\r\n",
       "\x14"
       "3\x14\r\n"},
      {"\x84\r\n", "\x1B\x84\x1C\r\n"},  // a umlaut
      {"\xF5\r\n", "\x1B\x15\x1C\r\n"},  // section sign
      {"\xF0\r\n", "\x1F\r\n"},
      {"x\xAF"
       "y  \r\n",
       std::string("x\0y  \r\n", 7)},  // 0xAF keeps the trailing blanks
      {"abc  \xB0\r\n", "abc\r\n"},    // a hard end drops blanks and column marks
      {"\xB0\xB0"
       "ab\r\n",
       "\xA0\xA0"
       "ab\r\n"},  // column marks become soft spaces
      {".\xB0"
       "PA\r\n",
       ". PA\r\n"},  // ... but blanks in a dot line
      {"\r\n\r\n", "\r\n\r\n"},
      {std::string("a\0b\r\n", 5), "ab\r\n"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ConvertToWordStar(c.text, false, kConvertedIndentChar), c.written) << Shown(c.text);
}

TEST(WordStarWriterTest, LongParagraphBecomesSoftLines) {
  const std::string out = ConvertToWordStar(Words(40) + "\r\n", false, kConvertedIndentChar);
  const auto lines = Lines(out);
  ASSERT_GE(lines.size(), 3u);
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    const std::string& l = lines[i];
    ASSERT_GE(l.size(), 3u);
    EXPECT_EQ(l.substr(l.size() - 3), " \x8D\n") << Shown(l);
    EXPECT_LE(l.size() - 3, 78u) << Shown(l);
  }
  EXPECT_EQ(lines.back().substr(lines.back().size() - 2), "\r\n");
  // Nothing is lost: the words come back in order.
  std::string joined;
  for (const auto& l : lines) joined += l;
  std::string plain;
  for (char c : joined)
    if (c != '\x8D' && c != '\n' && c != '\r') plain.push_back(c);
  std::string expected = Words(40);
  EXPECT_EQ(plain, expected + (plain.size() > expected.size()
                                   ? std::string(plain.size() - expected.size(), ' ')
                                   : ""));
}

TEST(WordStarWriterTest, DotLinesAndNoWrapParagraphsAreNotBroken) {
  const std::string dot = ".XX " + Words(30) + "\r\n";
  EXPECT_EQ(ConvertToWordStar(dot, false, 0), dot);
  // A blank in front of the paragraph's CR is no place to break the line at.
  const std::string full = "a" + std::string(76, 'x') + "b";
  EXPECT_EQ(ConvertToWordStar(full + " \r\n", false, 0), full + "\r\n");
  EXPECT_EQ(ConvertToWordStar(full + " c\r\n", false, 0), full + " \x8D\nc\r\n");
}

TEST(WordStarWriterTest, RightMarginLinesSetTheWidthOfTheFollowingLines) {
  struct Case {
    const char* rm;
    std::size_t width;
  };
  for (const Case c : {Case{".RM 20", 35}, Case{".RM 60", 60}, Case{".rm300", 250}}) {
    const std::string out =
        ConvertToWordStar(std::string(c.rm) + "\r\n" + Words(80) + "\r\n", false, 0);
    const auto lines = Lines(out);
    ASSERT_GE(lines.size(), 3u) << c.rm;
    std::size_t longest = 0;
    for (std::size_t i = 1; i + 1 < lines.size(); ++i)
      longest = std::max(longest, lines[i].size() - 3);
    EXPECT_LE(longest, c.width) << c.rm;
    EXPECT_GT(longest, c.width - 8) << c.rm;
  }
}

TEST(WordStarWriterTest, IndentationRepeatsOnContinuationLines) {
  const std::string out =
      ConvertToWordStar("\xB0\xB0" + Words(40) + "\r\n", false, kConvertedIndentChar);
  const auto lines = Lines(out);
  ASSERT_GE(lines.size(), 3u);
  for (const auto& l : lines) EXPECT_EQ(l.substr(0, 2), "\xA0\xA0") << Shown(l);
}

TEST(WordStarWriterTest, WrappedCommentStaysOneLine) {
  const std::string out = ConvertToWordStar(".." + Words(30) + "\r\nnext\r\n", false, 0);
  const auto lines = Lines(out);
  ASSERT_EQ(lines.size(), 2u) << Shown(out);
  EXPECT_EQ(lines[0].find('\x8D'), std::string::npos);
  EXPECT_EQ(lines[1], "next\r\n");
}

TEST(WordStarWriterTest, WideLinesKeepBlanksAndEndThemSoft) {
  EXPECT_EQ(ConvertToWordStar("abc \r\nx\r\n", true, 0), "abc \x8D\nx\r\n");
  EXPECT_EQ(Lines(ConvertToWordStar(Words(45) + "\r\n", true, 0)).size(), 2u);
}

TEST(WordStarWriterTest, WritesTheFileOrShowsTheBox) {
  TempDir tmp;
  RecordingMessageBoxes boxes;
  EXPECT_TRUE(
      WriteWordStarDocument(tmp / "out.ws", "a\x84\r\n", false, kConvertedIndentChar, 0, boxes));
  EXPECT_EQ(ReadAll(tmp / "out.ws"), "a\x1B\x84\x1C\r\n");
  const std::string bad = tmp / "missing/out.ws";
  EXPECT_FALSE(WriteWordStarDocument(bad, "x", false, kConvertedIndentChar, 0, boxes));
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].Text, "file " + bad + " cannot be written.");
  EXPECT_FALSE(WriteWordStarDocument(bad, "x", false, kConvertedIndentChar, 1, boxes));
  EXPECT_EQ(boxes.Boxes()[1].Text, "Datei " + bad + " kann nicht geschrieben werden.");
}

}  // namespace
}  // namespace tavrel
