#include <gtest/gtest.h>

#include <string>

#include "compiler/foundation/foundation_run.h"
#include "compiler/foundation/toggles.h"
#include "tests/support/compiler_test_run.h"

using namespace skeldon;

namespace {

// Twelve user toggle characters as an ini file might give them; "*" is toggle 1.
const std::string kUserToggles = "*_~^#@%&$+=\xFD";

TEST(ToggleChoiceTest, PlainSourceGetsHighestFreeCharacters) {
  ToggleTables tables;
  std::string buffer = "plain text";
  ToggleChoiceInput input;
  input.ToggleChars = kUserToggles;  // 0xFD is a toggle: skipped
  input.ListChars = "\xFE";          // a list character: skipped
  input.PrintedListChars = "\xF9";
  input.IndexChar = 0xF5;
  ASSERT_TRUE(ChooseInternalToggleChars(tables, buffer, input));
  EXPECT_EQ(tables.InternalToggleChars, "\xFF\xFC\xFB\xFA\xF8\xF7\xF6\xF4\xF3\xF2\xF1\xF0");
  EXPECT_EQ(tables.ToggleCharMap['*'], 0xFF);
  EXPECT_EQ(tables.ToggleCharMap[0xFD], 0xF0);
  EXPECT_EQ(tables.ToggleCharMap['a'], 'a');
  EXPECT_EQ(buffer, "plain text");
}

TEST(ToggleChoiceTest, BytesUsedBySourceAreNotChosen) {
  ToggleTables tables;
  std::string buffer = "\xFF\xFE text";
  ToggleChoiceInput input;
  input.ToggleChars = "*";
  ASSERT_TRUE(ChooseInternalToggleChars(tables, buffer, input));
  EXPECT_EQ(static_cast<unsigned char>(tables.InternalToggleChars[0]), 0xFD);
  EXPECT_EQ(static_cast<unsigned char>(tables.InternalToggleChars[11]), 0xF2);
}

TEST(ToggleChoiceTest, RewritesRunningTextButNotDotLines) {
  struct Case {
    std::string source;
    std::string rewritten;
  };
  const std::string on = "\xFF";  // internal character of toggle 1 ("*")
  const Case cases[] = {
      // A doubled toggle character stands for the character once.
      {"a**b", std::string("a*\0b", 4)},
      {"a*b*", "a" + on + "b" + on},  // the very last byte is mapped too
      {"*a*", on + "a" + on},         // the buffer start is a line start
      {".xx *y*\r\nz*", ".xx *y*\r\n" + std::string("z") + on},
      {"p*\r\n.dot *\r\nq*", "p" + on + "\r\n.dot *\r\nq" + on},
      // A bare LF ends a dot-command line like CR LF.
      {".dot *\nq*", ".dot *\nq" + on},
      {"", ""},
      {"*", on},
  };
  for (const Case& c : cases) {
    ToggleTables tables;
    std::string buffer = c.source;
    ToggleChoiceInput input;
    input.ToggleChars = kUserToggles;
    ASSERT_TRUE(ChooseInternalToggleChars(tables, buffer, input));
    EXPECT_EQ(buffer, c.rewritten) << c.source;
  }
}

TEST(ToggleChoiceTest, TooFewFreeCharactersIsRefusedWithoutChange) {
  std::string buffer;
  for (int c = 128; c < 128 + 117; ++c) buffer += static_cast<char>(c);  // 11 stay free
  buffer += "a*b";
  const std::string before = buffer;
  ToggleTables tables;
  ToggleChoiceInput input;
  input.ToggleChars = "*";
  EXPECT_FALSE(ChooseInternalToggleChars(tables, buffer, input));
  EXPECT_EQ(buffer, before);
  EXPECT_EQ(tables.ToggleCharMap['*'], '*');
  buffer = before.substr(1);  // byte 128 is free again: twelve free
  EXPECT_TRUE(ChooseInternalToggleChars(tables, buffer, input));
}

class ToggleRunTest : public ::testing::Test {
 protected:
  FoundationTestRun run{ConstructedRun(RunFolder::kPrivate)};
};

TEST_F(ToggleRunTest, RunStopsWhenNoTwelveCharactersAreFree) {
  for (int c = 128; c < 256; ++c) run->Source.Data += static_cast<char>(c);
  run->Ini.ToggleChars = kUserToggles;
  EXPECT_EQ(ExitCodeOf([&] { ChooseInternalToggleChars(*run); }), 2);
  EXPECT_TRUE(
      run.ConsoleHas("It's not allowed to use all chars between #128 and #255 in running "
                     "text because 12 free chars are used internally\n"));
}

TEST_F(ToggleRunTest, RunMapsSourceAndButtonTexts) {
  run->Source.Data = "x*y*";
  run->Ini.ToggleChars = kUserToggles;
  run->IniValues.ButtonTable[1][14].Text = "*Next*";
  ChooseInternalToggleChars(*run);
  BuildToggleCharTable(run->Toggles);
  EXPECT_EQ(run->Source.Data, "x\xFFy\xFF");
  EXPECT_EQ(run->IniValues.ButtonTable[1][14].Text, "\xFFNext\xFF");
  EXPECT_TRUE(run->Toggles.IsInternalToggleChar[0xFF]);
  EXPECT_FALSE(run->Toggles.IsInternalToggleChar['*']);
}

TEST(ToggleHelpersTest, MapUpperCaseAndBuckets) {
  ToggleTables tables;
  tables.ToggleCharMap['*'] = 0xF0;
  EXPECT_EQ(MapToggleChars(tables, "a*b"),
            "a\xF0"
            "b");
  EXPECT_EQ(UpperCaseAscii("ab\x84z!"), "AB\x84Z!");
  EXPECT_EQ(IndexBucketOf("ab"), 170);
  EXPECT_EQ(IndexBucketOf(""), 170);
  // 'a' = 97 -> 1, 'c' = 99 -> 3
  EXPECT_EQ(IndexBucketOf("abc"), 1 * 16 + 3);
  EXPECT_EQ(IndexBucketOf("\xFF"
                          "x\xFF"),
            15 * 16 + 15);
  EXPECT_EQ(kToggleDefs[1].HtmlTag, std::string("I"));
  EXPECT_EQ(kToggleDefs[11].RtfKeyword, std::string("super"));
  EXPECT_EQ(MessageText(1, kToggleDefs[8].Name), std::string("gro\xe1 (big)"));
}

}  // namespace
