// The opening lines of WinHelp topics.
#include <gtest/gtest.h>

#include "compiler/passes/compiler_run.h"
#include "compiler/writers/winhelp_topic.h"

using namespace skeldon;

namespace {

struct TTopicCase {
  const char* Prefix;
  std::uint16_t Number;
  const char* OwnId;  // nullptr for none
  bool Browse;
  const char* Expected;
};

// Test output shows prefix, number and context string instead of dumping the case's bytes.
void PrintTo(const TTopicCase& c, std::ostream* os) {
  *os << c.Prefix << " " << c.Number << (c.OwnId ? std::string(" ") + c.OwnId : std::string());
}

class WinHelpTopicStart : public ::testing::TestWithParam<TTopicCase> {};

TEST_P(WinHelpTopicStart, WritesMarkerAndFootnotes) {
  const TTopicCase& c = GetParam();
  CompilerRun run;
  run.compile.TopicCounter = 4;
  run.helpProject.BrowseButtonsWanted = c.Browse;
  const std::string own = c.OwnId ? c.OwnId : "";
  WriteWinHelpTopicStart(run, c.Prefix, c.Number, c.OwnId ? &own : nullptr);
  EXPECT_EQ(run.passes.OutputFile, c.Expected);
  EXPECT_EQ(run.compile.TopicCounter, 5);
}

INSTANTIATE_TEST_SUITE_P(
    Topics, WinHelpTopicStart,
    ::testing::Values(
        TTopicCase{"h", 12, nullptr, true, "{\\ThisIsTopic5}\r\n#{\\footnote h12}\r\n+{\\footnote NORM:0012}\r\n"},
        TTopicCase{"INDEX", 0, nullptr, true, "{\\ThisIsTopic5}\r\n#{\\footnote INDEX}\r\n+{\\footnote NORM:0000}\r\n"},
        TTopicCase{"fn", 7, nullptr, true, "{\\ThisIsTopic5}\r\n#{\\footnote fn7}\r\n+{\\footnote FOOT:0007}\r\n"},
        TTopicCase{"h", 10000, nullptr, true, "{\\ThisIsTopic5}\r\n#{\\footnote h10000}\r\n+{\\footnote NORM:10000}\r\n"},
        TTopicCase{"h", 3, "start", false, "{\\ThisIsTopic5}\r\n#{\\footnote # start}\r\n"},
        // A context string holding RTF group characters stays one footnote.
        TTopicCase{"h", 3, "a{b}\\c", false, "{\\ThisIsTopic5}\r\n#{\\footnote # a\\{b\\}\\\\c}\r\n"}));

}  // namespace
