// The command line: switches in any case, "#" condition words, the first name only, and a
// name that exists wins over a switch of the same spelling.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "formatter/app/command_line.h"

namespace tavrel {
namespace {

struct LineCase {
  const char* title;
  std::vector<std::string> args;
  bool format;
  bool print;
  std::string conditions;
  std::string document;
  std::vector<std::string> ignored;
  std::set<std::string> existing = {"doc.ws", "other.ws"};
};

TEST(TavrelCommandLine, SwitchesConditionsAndNames) {
  const LineCase cases[] = {
      {"lower-case switches", {"doc.ws", "/f"}, true, false, "", "doc.ws", {}},
      {"print in upper case", {"/P", "doc.ws"}, false, true, "", "doc.ws", {}},
      {"both switches are kept", {"doc.ws", "/p", "/F"}, true, true, "", "doc.ws", {}},
      {"condition words are joined by a blank",
       {"#A", "doc.ws", "#B"},
       false,
       false,
       "A B",
       "doc.ws",
       {}},
      {"only the first name is the document",
       {"doc.ws", "other.ws", "/F"},
       true,
       false,
       "",
       "doc.ws",
       {"other.ws"}},
      {"an existing file named like a switch is a name",
       {"/F", "/P"},
       false,
       true,
       "",
       "/F",
       {},
       {"/F"}},
      {"an unknown switch is taken as a name",
       {"/X", "doc.ws"},
       false,
       false,
       "",
       "/X",
       {"doc.ws"}},
  };
  for (const LineCase& c : cases) {
    const TavrelCommandLine line = ParseTavrelCommandLine(
        c.args, [&](const std::string& name) { return c.existing.count(name) > 0; });
    EXPECT_EQ(line.CloseAfterFormat, c.format) << c.title;
    EXPECT_EQ(line.CloseAfterPrint, c.print) << c.title;
    EXPECT_EQ(line.Conditions, c.conditions) << c.title;
    EXPECT_EQ(line.Document, c.document) << c.title;
    EXPECT_EQ(line.Ignored, c.ignored) << c.title;
    EXPECT_FALSE(line.Empty) << c.title;
  }
}

TEST(TavrelCommandLine, ConditionTextLongerThanItsRoomIsFlagged) {
  const std::string word(150, 'W');
  const TavrelCommandLine line = ParseTavrelCommandLine({"#" + word, "#" + word}, nullptr);
  EXPECT_TRUE(line.ConditionsCut);
  EXPECT_EQ(line.Conditions.size(), kConditionTextRoom);
  EXPECT_EQ(line.Conditions.substr(0, 151), word + " ");

  const TavrelCommandLine fits = ParseTavrelCommandLine({"#" + std::string(199, 'A')}, nullptr);
  EXPECT_FALSE(fits.ConditionsCut);
  EXPECT_TRUE(fits.AnyCondition);
}

TEST(TavrelCommandLine, NoParameterAtAll) {
  const TavrelCommandLine line = ParseTavrelCommandLine({}, nullptr);
  EXPECT_TRUE(line.Empty);
  EXPECT_TRUE(line.Document.empty());
}

}  // namespace
}  // namespace tavrel
