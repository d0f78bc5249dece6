// One small guide compiled for every target variant; every file the run writes is compared
// with its golden dump (checked by hand against the format descriptions).
#include <gtest/gtest.h>

#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

const char* kGuide =
    ".TI Guide\n"
    ".FU {}\n"
    ".1\n"
    "Guide\n"
    "\n"
    "A guide to the ^compiler{Also called the translator.}.\n"
    "\n"
    ".2\n"
    "Lists\n"
    "\n"
    ".ID lists\n"
    "- first\n"
    "  * inner\n"
    "- second\n"
    "\n"
    "The compiler writes lists.\n"
    "\n"
    ".3\n"
    "Table\n"
    "\n"
    ".TA Sizes\n"
    "Name    Size\n"
    "small   1\n"
    "large   9\n"
    ".TA\n"
    "\n"
    ".3\n"
    "Drawing\n"
    "\n"
    ".LI +\n"
    "+--+\n"
    "|ab|\n"
    "+--+\n"
    ".LI\n"
    "\n"
    ".1\n"
    "End\n"
    "\n"
    "_Italic_ and !bold! words.\n";

struct TVariant {
  const char* Name;
  const char* Target;
  bool ColourCorrection;
  bool NoFrames;
};

// Test output names the variant instead of dumping its bytes.
void PrintTo(const TVariant& v, std::ostream* os) { *os << v.Name; }

class RunGolden : public ::testing::TestWithParam<TVariant> {};

TEST_P(RunGolden, AllFilesOfTheRun) {
  const TVariant& v = GetParam();
  TestRun m(WholeRun(v.Target, "GUIDE.TXT"));
  m->Ini.NewFileLevel = 2;
  m->Ini.ContentsInternal = true;
  m->Ini.ContentsCntFile = true;
  m->Ini.ColorCorrection = v.ColourCorrection;
  m->Switches.NoFramesSwitch = v.NoFrames;
  m->Ini.SubchapterLinkText = "Sections:";
  m->Ini.NextChapterLinkText = "Next:";
  const TRunResult r = CompileText(m, Crlf(kGuide));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  EXPECT_TRUE(r.RunCompleted);
  std::string dump;
  for (const auto& [name, text] : r.Files)
    dump += "=== " + name + " (" + std::to_string(text.size()) + " bytes)\r\n" + text + "\r\n";
  ExpectGolden(std::string("run/guide_") + v.Name + ".dump", dump);
}

INSTANTIATE_TEST_SUITE_P(Targets, RunGolden,
                         ::testing::Values(TVariant{"html", "html", false, false},
                                           TVariant{"html_noframes", "html", false, true},
                                           TVariant{"htmlhelp", "htmlhelp", false, false},
                                           TVariant{"ipf", "ipf", false, false},
                                           TVariant{"winhelp3", "winhelp3", false, false},
                                           TVariant{"winhelp4", "winhelp4", false, false},
                                           TVariant{"rtftext", "rtftext", false, false},
                                           TVariant{"rtftextcc", "rtftext", true, false}),
                         [](const ::testing::TestParamInfo<TVariant>& info) {
                           return std::string(info.param.Name);
                         });

// A differing dump names the file and the line, shows line ends and code-page bytes, and looks
// past the size in the file's header to the line that changed.
TEST(GoldenDiff, NamesFileAndLineWithVisibleBytes) {
  const std::string want =
      "=== A.TXT (4 bytes)\r\nab\r\n\r\n=== B.RTF (9 bytes)\r\n{\\rtf1 x\r\n}\r\n";
  const std::string got =
      "=== A.TXT (4 bytes)\r\nab\r\n\r\n=== B.RTF (10 bytes)\r\n{\\rtf1  x\xDA\n}\r\n";
  const std::string diff = FirstDifference(want, got);
  EXPECT_NE(
      diff.find("header line 4: golden === B.RTF (9 bytes)\\r\\n, got === B.RTF (10 bytes)\\r\\n"),
      std::string::npos)
      << diff;
  EXPECT_NE(diff.find("line 5 in \"=== B.RTF (9 bytes)\""), std::string::npos) << diff;
  EXPECT_NE(diff.find("golden:   {\\rtf1 x\\r\\n"), std::string::npos) << diff;
  EXPECT_NE(diff.find("got:      {\\rtf1  x\\xDA\\n"), std::string::npos) << diff;
  EXPECT_NE(FirstDifference("a\r\n", "a\r\nb\r\n").find("golden:   <end of file>"),
            std::string::npos);
}

}  // namespace
