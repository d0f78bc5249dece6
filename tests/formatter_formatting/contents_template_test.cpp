#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formatter/common/file_services.h"
#include "formatter/common/message_boxes.h"
#include "formatter/common/notifications.h"
#include "formatter/common/run_messages.h"
#include "formatter/common/settings_record.h"
#include "formatter/formatting/contents_template.h"
#include "tests/support/formatter_unit_support.h"

namespace tavrel {
namespace {

using unit_test::Shown;
using unit_test::TempDir;
using unit_test::WriteAll;

struct TemplateFixture : ::testing::Test {
  TSettingsRecord settings{};
  RecordingMessageList list;
  RecordingMessageBoxes boxes;
  RecordingNotifier notifier;
  RunMessages messages{settings, list, boxes, notifier};
  HeadingsTemplate tpl;

  void Parse(const std::string& data) { ParseHeadingsTemplate(tpl, "Headings.ws", data, messages); }
  std::string Part(int level, int part) const { return TemplatePartText(tpl, level, part); }
  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (const auto& l : list.Lines()) out.push_back(l.Text);
    return out;
  }
};

TEST_F(TemplateFixture, SimpleLevelOne) {
  Parse("1. Level\r\n1. HEADING\r\n");
  EXPECT_TRUE(list.Lines().empty());
  EXPECT_EQ(Part(1, 0), "");
  EXPECT_EQ(Part(1, 1), "\x1C");
  EXPECT_EQ(Part(1, 2), "\r");
  EXPECT_EQ(tpl.LevelNumbering[1].NumberingStyle, 1);
  EXPECT_EQ(tpl.LevelNumbering[1].NumberSeparatorFlag, 0);
  const std::int32_t numbers[9] = {4};
  EXPECT_EQ(FormatHeadingNumber(tpl, 1, numbers), "4.");
  // Levels the template does not define keep the defaults: nothing, a blank, the line end.
  EXPECT_EQ(Part(3, 0), "");
  EXPECT_EQ(Part(3, 1), " ");
  EXPECT_EQ(Part(3, 2), "\r");
}

TEST_F(TemplateFixture, AllLevelsNumberWithIndentation) {
  Parse("2. Level\r\n  1.1 HEADING\r\n");
  EXPECT_EQ(Part(2, 0), "\x1C\x1C");
  EXPECT_EQ(Part(2, 1), "\x1C");
  EXPECT_EQ(tpl.LevelNumbering[2].NumberingStyle, 0);
  EXPECT_EQ(tpl.LevelNumbering[2].NumberSeparatorFlag, 1);
  const std::int32_t numbers[9] = {4, 3};
  EXPECT_EQ(FormatHeadingNumber(tpl, 2, numbers), "4.3");
}

TEST_F(TemplateFixture, EachNumberingStyle) {
  struct Case {
    std::string line;
    int style, separator;
    std::int32_t numbers[9];
    std::string written;
  };
  const std::vector<Case> cases = {
      {"1) HEADING", 1, 1, {2, 7}, "7)"},
      {"I. HEADING", 2, 0, {1, 4}, "IV."},
      {"A) HEADING", 3, 1, {1, 3}, "C)"},
      {"A) HEADING", 3, 1, {1, 27}, " )"},
      {"a. heading", 4, 0, {1, 26}, "z."},
      {"aa. HEADING", 5, 0, {2, 3}, "bc."},
      // Extended characters are stored as ESC, the character, FS in WordStar documents.
      {"\x1B\xE0\x1C. XXX", 6, 0, {1, 2}, "\xE1."},
      {"\x1B\xE0\x1C) HEADING", 6, 1, {1, 7}, " )"},
      {"1.1. HEADING", 0, 0, {4, 3}, "4.3."},
      {"1.1 HEADING", 0, 1, {4, 3}, "4.3"},
  };
  for (const Case& c : cases) {
    HeadingsTemplate fresh;
    tpl = fresh;
    Parse("2. Level\r\n" + c.line + "\r\n");
    SCOPED_TRACE(c.line);
    EXPECT_TRUE(list.Lines().empty());
    EXPECT_EQ(tpl.LevelNumbering[2].NumberingStyle, c.style);
    EXPECT_EQ(tpl.LevelNumbering[2].NumberSeparatorFlag, c.separator);
    EXPECT_EQ(FormatHeadingNumber(tpl, 2, c.numbers), c.written);
    EXPECT_EQ(Part(2, 0), "");
  }
}

TEST_F(TemplateFixture, NumberingErrorsNameTheLevelAndInterrupt) {
  for (const char* line : {"X. HEADING", "A.1 HEADING"}) {
    list.Clear();
    messages.AbortRequested = 0;
    Parse(std::string("3. Level\r\n") + line + "\r\n");
    SCOPED_TRACE(line);
    EXPECT_EQ(
        Texts(),
        (std::vector<std::string>{
            "ERROR: Error in content format file, level 3 Assuming that behind . or ) the \"1\", \"I\", "
            "\"A\" or \"a\" is missing.",
            "INFO: Format job interrupted!"}));
    EXPECT_EQ(messages.AbortRequested, 1);
  }
}

TEST_F(TemplateFixture, SeveralSectionsHeadersAndDotLines) {
  const std::string data =
      "Contents template of the suite\r\n"
      "1. LEVEL\r\n"
      ".LH 12\r\n"
      "1. HEADING\r\n"
      ".LH 8\r\n"
      "\r\n"
      "2. Ebene\r\n"
      "  a) xxx:\r\n"
      "..Abbildungen\r\n"
      "Figure 1: XXX\r\n";
  Parse(data);
  EXPECT_TRUE(list.Lines().empty()) << (list.Lines().empty() ? "" : list.Lines()[0].Text);
  EXPECT_EQ(Part(1, 0),
            ".LH\x1C"
            "12\r");
  EXPECT_EQ(Part(1, 1), "\x1C");
  EXPECT_EQ(Part(1, 2), "\r.LH 8\r\r");
  EXPECT_EQ(Part(2, 0), "\x1C\x1C");
  EXPECT_EQ(tpl.LevelNumbering[2].NumberingStyle, 4);
  EXPECT_EQ(tpl.LevelNumbering[2].NumberSeparatorFlag, 1);
  EXPECT_EQ(Part(2, 1), "\x1C");
  EXPECT_EQ(Part(2, 2), ":\r");
  EXPECT_EQ(Part(10, 0), "Figure ");
  EXPECT_EQ(Part(10, 1), ":\x1C");
  EXPECT_EQ(Part(10, 2), "\r");
}

TEST_F(TemplateFixture, LineFeedOnlyTemplateReadsLikeCrLf) {
  Parse("1. Level\n1. HEADING\n");
  EXPECT_TRUE(list.Lines().empty());
  EXPECT_EQ(Part(1, 1), "\x1C");
  EXPECT_EQ(Part(1, 2), "\r");
}

TEST_F(TemplateFixture, FileEndingInsideTheNumberOrTextIsReported) {
  for (const char* data : {"1. Level\r\n  1", "1. Level\r\n1. Head", "..Abbildungen\r\nFigure "}) {
    list.Clear();
    Parse(data);
    SCOPED_TRACE(Shown(data));
    ASSERT_EQ(list.Lines().size(), 2u);
    EXPECT_EQ(list.Lines()[0].Text, "ERROR: unexpected end of file Headings.ws");
  }
}

TEST_F(TemplateFixture, OverlongTemplateIsRefusedNotOverrun) {
  std::string data = "1. Level\r\n";
  for (int i = 0; i < 100; ++i) data += "a line of text in front of the number\r\n";
  data += "1. HEADING\r\n";
  Parse(data);
  ASSERT_FALSE(list.Lines().empty());
  EXPECT_EQ(list.Lines()[0].Text,
            "ERROR: File Headings.ws is too long (more than 1000 characters).");
  EXPECT_EQ(messages.AbortRequested, 1);
}

TEST(TemplateCharReaderTest, WordStarBytesBecomePlainCharacters) {
  // A tagged block is skipped, one of type 18 gives 1, ESC c FS gives c, bit 7 is cleared.
  TemplateCharReader r(std::string("\x1D\x05\x06"
                                   "data\x05\x06\x1D"
                                   "a\x1D\x12\x01\x12\x01\x1D\x1B\x84\x1C\xE1") +
                       "\x1A"
                       "after");
  EXPECT_EQ(r.ReadTemplateChar(), 'a');
  EXPECT_EQ(r.ReadTemplateChar(), 1);
  EXPECT_EQ(r.ReadTemplateChar(), 0x84);
  EXPECT_EQ(r.ReadTemplateChar(), 0x61);
  EXPECT_TRUE(r.AtEnd());
  EXPECT_EQ(r.ReadTemplateChar(), 26);
  TemplateCharReader cut(
      std::string("\x1D\x05\x06"
                  "never closed"));
  EXPECT_EQ(cut.ReadTemplateChar(), 26);
}

TEST_F(TemplateFixture, MissingTemplateFallsBackToTheDefault) {
  TempDir tmp;
  TSettingsRecord s{};
  FileContext files{tmp / "doc/Book.ws", tmp / "prog", &s};
  WriteAll(tmp / "prog/Headings.ws", "1. Level\r\n1. HEADING\r\n");
  tpl.HeadingsTemplateName = "Custom.ws";
  EXPECT_TRUE(LoadHeadingsTemplate(tpl, 0, files, messages));
  EXPECT_EQ(Texts(), (std::vector<std::string>{
                         "ERROR: File Custom.ws not found. Instead, Headings.ws will be used."}));
  EXPECT_EQ(tpl.LevelNumbering[1].NumberingStyle, 1);

  list.Clear();
  HeadingsTemplate other;
  other.HeadingsTemplateName = "Gliform.ws";
  other.HeadingsTemplateReload = 1;
  EXPECT_FALSE(LoadHeadingsTemplate(other, 1, files, messages));
  EXPECT_EQ(other.HeadingsTemplateReload, 0);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"ERROR: File Gliform.ws not found.",
                                               "INFO: Format job interrupted!"}));
  EXPECT_EQ(GetHeadingsTemplateName(1), "Gliform.ws");
  EXPECT_EQ(GetHeadingsTemplateName(0), "Headings.ws");
}

// A header with the digit 0 names no level: its section is read and dropped, the levels around
// it stay as written.
TEST_F(TemplateFixture, HeaderWithDigitZeroIsReadAndDropped) {
  ParseHeadingsTemplate(
      tpl, "Headings.ws",
      "1. Level\r\n1. HEADING\r\n0. Level\r\n>>a) XXX<<\r\n2. Level\r\n  A) HEADING\r\n", messages);
  EXPECT_TRUE(list.Lines().empty());
  EXPECT_EQ(tpl.LevelNumbering[1].NumberingStyle, 1);
  EXPECT_EQ(tpl.LevelNumbering[2].NumberingStyle, 3);
  EXPECT_EQ(TemplatePartText(tpl, 2, 0), "\x1C\x1C");
  for (int level = 1; level <= kTemplateLevels; ++level)
    for (int part = 0; part < 3; ++part)
      EXPECT_EQ(TemplatePartText(tpl, level, part).find(">>"), std::string::npos)
          << level << " " << part;
  EXPECT_EQ(TemplatePartText(tpl, 0, 0), "");  // no level 0 to ask for
}

TEST(RomanNumberTest, Values) {
  EXPECT_EQ(RomanNumber(1), "I");
  EXPECT_EQ(RomanNumber(4), "IV");
  EXPECT_EQ(RomanNumber(1994), "MCMXCIV");
  EXPECT_EQ(RomanNumber(0), "0");
}

}  // namespace
}  // namespace tavrel

namespace tavrel {
namespace {

// The suite's own templates: every level reads without a message, and together they show
// each numbering style.
TEST(SuiteTemplatesTest, BothTemplatesDefineNineLevelsAndTheFigures) {
  struct Expected {
    int style, separator;
    std::string written;
  };
  const Expected levels[10] = {
      {},           {1, 0, "4."},  {0, 0, "4.3."}, {0, 1, "4.3.2"}, {3, 1, "A)"},
      {4, 1, "e)"}, {2, 0, "VI."}, {5, 1, "fg)"},  {6, 0, "\xE1."}, {1, 1, "9)"},
  };
  const std::int32_t numbers[9] = {4, 3, 2, 1, 5, 6, 7, 2, 9};
  for (const char* name : {"Headings.ws", "Gliform.ws"}) {
    SCOPED_TRACE(name);
    TSettingsRecord settings{};
    settings.Language = std::string(name) == "Gliform.ws" ? 1 : 0;
    RecordingMessageList list;
    RecordingMessageBoxes boxes;
    RecordingNotifier notifier;
    RunMessages messages{settings, list, boxes, notifier};
    FileContext files{"", std::string(CORVINA_SOURCE_DIR) + "/data", &settings};
    HeadingsTemplate tpl;
    tpl.HeadingsTemplateName = GetHeadingsTemplateName(settings.Language);
    ASSERT_EQ(tpl.HeadingsTemplateName, name);
    ASSERT_TRUE(LoadHeadingsTemplate(tpl, settings.Language, files, messages));
    EXPECT_TRUE(list.Lines().empty()) << list.Lines()[0].Text;
    for (int level = 1; level <= 9; ++level) {
      EXPECT_EQ(tpl.LevelNumbering[level].NumberingStyle, levels[level].style) << level;
      EXPECT_EQ(tpl.LevelNumbering[level].NumberSeparatorFlag, levels[level].separator) << level;
      EXPECT_EQ(FormatHeadingNumber(tpl, level, numbers), levels[level].written) << level;
      EXPECT_EQ(TemplatePartText(tpl, level, 1), "\x1C") << level;
    }
    EXPECT_EQ(TemplatePartText(tpl, 1, 0), ".CP8\r.LH12\r\x02");
    EXPECT_EQ(TemplatePartText(tpl, 1, 2), "\x02\r.LH8\r\r");
    EXPECT_EQ(TemplatePartText(tpl, 5, 0), "\x1C\x1C\x1C\x1C");
    EXPECT_EQ(TemplatePartText(tpl, 9, 2), "\r");
    EXPECT_EQ(TemplatePartText(tpl, 10, 1), ":\x1C");
  }
}

}  // namespace
}  // namespace tavrel
