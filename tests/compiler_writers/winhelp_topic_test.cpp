// The opening lines of WinHelp topics.
#include <gtest/gtest.h>

#include "compiler/passes/compiler_run.h"
#include "compiler/writers/winhelp_topic.h"
#include "tests/support/compiler_test_support.h"
#include "tests/support/rtf_checker.h"

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
  run.Compile.TopicCounter = 4;
  run.HelpProject.BrowseButtonsWanted = c.Browse;
  const std::string own = c.OwnId ? c.OwnId : "";
  WriteWinHelpTopicStart(run, c.Prefix, c.Number, c.OwnId ? &own : nullptr);
  EXPECT_EQ(run.Passes.OutputFile, c.Expected);
  EXPECT_EQ(run.Compile.TopicCounter, 5);
}

INSTANTIATE_TEST_SUITE_P(
    Topics, WinHelpTopicStart,
    ::testing::Values(
        TTopicCase{"h", 12, nullptr, true,
                   "{\\ThisIsTopic5}\r\n#{\\footnote h12}\r\n+{\\footnote NORM:0012}\r\n"},
        TTopicCase{"INDEX", 0, nullptr, true,
                   "{\\ThisIsTopic5}\r\n#{\\footnote INDEX}\r\n+{\\footnote NORM:0000}\r\n"},
        TTopicCase{"fn", 7, nullptr, true,
                   "{\\ThisIsTopic5}\r\n#{\\footnote fn7}\r\n+{\\footnote FOOT:0007}\r\n"},
        TTopicCase{"h", 10000, nullptr, true,
                   "{\\ThisIsTopic5}\r\n#{\\footnote h10000}\r\n+{\\footnote NORM:10000}\r\n"},
        TTopicCase{"h", 3, "start", false, "{\\ThisIsTopic5}\r\n#{\\footnote # start}\r\n"},
        // A context string holding RTF group characters stays one footnote.
        TTopicCase{"h", 3, "a{b}\\c", false,
                   "{\\ThisIsTopic5}\r\n#{\\footnote # a\\{b\\}\\\\c}\r\n"}));

// A context string and a picture name that hold RTF's special characters: every RTF target
// still writes well-formed groups, and each name reads back as written.
constexpr const char* kSpecialNameSource =
    ".1\nAlpha\n\n.ID a{b}\nText about ^alpha.\n\n"
    ".1\nBeta\n\n.BT # gfx\\pic}x\nSee alpha here, and # there.\n";

TEST(RtfSpecialNames, ContextStringsAndPictureNamesAreEscaped) {
  struct TCase {
    const char* Target;
    const char* Written;  // the picture reference as it must stand in the RTF
  };
  for (const TCase& c : {TCase{"winhelp3", " \\{bmc gfx\\\\pic\\}x.BMP\\}"},
                         TCase{"winhelp4", " \\{bmc gfx\\\\pic\\}x.BMP\\}"},
                         TCase{"rtftext", "{\\\\import gfx\\\\pic\\}x.BMP}"}}) {
    TestRun m(WholeRun(c.Target));
    m->Ini.ContentsInternal = true;
    m->Ini.ContentsCntFile = true;
    const auto r = CompileText(m, Crlf(kSpecialNameSource));
    ASSERT_EQ(r.ExitCode, -1) << c.Target << r.Console;
    const std::string& rtf = FileOf(r, "DOC.RTF");
    const rtf_check::RtfReport check = rtf_check::CheckRtf(rtf);
    EXPECT_TRUE(check.Problems.empty()) << c.Target << ": " << check.Problems.front();
    EXPECT_TRUE(check.ClosedAtEnd) << c.Target;
    EXPECT_NE(rtf.find(c.Written), std::string::npos) << c.Target << rtf;
    if (std::string(c.Target) == "rtftext") continue;  // no links, no context strings
    // The topic, the automatic link and the contents topic all name the same context string.
    EXPECT_NE(rtf.find("#{\\footnote # a\\{b\\}}"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("{\\cf1\\uldb alpha}{\\v a\\{b\\}}"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("{\\cf1\\uldb Alpha}{\\v a\\{b\\}}"), std::string::npos) << rtf;
    EXPECT_EQ(rtf.find("{\\v a{b}}"), std::string::npos) << rtf;
    // The contents file is not RTF: it names the context string as written.
    EXPECT_NE(FileOf(r, "DOC.CNT").find("1 Alpha=a{b}\r\n"), std::string::npos)
        << FileOf(r, "DOC.CNT");
  }
}

}  // namespace
