// The target words of the command line and the project file over the ini file's target.
#include <gtest/gtest.h>

#include <vector>

#include "compiler/passes/compiler_run.h"
#include "compiler/passes/target_selection.h"

using namespace skeldon;

namespace {

struct TTargetCase {
  const char* Name;
  std::vector<TTargetRequest> Requests;
  bool Internal;
  TTargetFlags Expected;
  bool ColourCorrection;
  bool ContentsInternal;
  bool ContentsCntFile;
};

TTargetFlags Flags(bool html, bool help, bool ipf, bool rtf, bool wh3, bool wh4, bool text) {
  return TTargetFlags{html, help, ipf, rtf, wh3, wh4, text};
}

// Test output names the case instead of dumping its bytes.
void PrintTo(const TTargetCase& c, std::ostream* os) { *os << c.Name; }

class TargetOverride : public ::testing::TestWithParam<TTargetCase> {};

TEST_P(TargetOverride, ChoosesFirstWordInFixedOrder) {
  const TTargetCase& c = GetParam();
  CompilerRun run;
  // The ini file asked for WinHelp 4 with colour correction and a CNT file only.
  run.Ini.TargetFlags = Flags(false, false, false, true, false, true, false);
  run.Ini.ColorCorrection = true;
  run.Ini.ContentsInternal = false;
  run.Ini.ContentsCntFile = true;
  for (TTargetRequest r : c.Requests) run.Switches.TargetRequests[r] = true;
  run.Switches.TargetOverride = !c.Requests.empty();
  run.Switches.InternalContents = c.Internal;
  ApplyTargetOverride(run);
  EXPECT_TRUE(run.Ini.TargetFlags == c.Expected);
  EXPECT_EQ(run.Ini.ColorCorrection, c.ColourCorrection);
  EXPECT_EQ(run.Ini.ContentsInternal, c.ContentsInternal);
  EXPECT_EQ(run.Ini.ContentsCntFile, c.ContentsCntFile);
}

INSTANTIATE_TEST_SUITE_P(
    Words, TargetOverride,
    ::testing::Values(TTargetCase{"NoWordKeepsIni",
                                  {},
                                  true,
                                  Flags(false, false, false, true, false, true, false),
                                  true,
                                  false,
                                  true},
                      TTargetCase{"HtmlBeatsWinHelp4",
                                  {kRequestWinHelp4, kRequestHtml},
                                  false,
                                  Flags(true, false, false, false, false, false, false),
                                  true,
                                  false,
                                  true},
                      TTargetCase{"HtmlHelp",
                                  {kRequestHtmlHelp},
                                  false,
                                  Flags(true, true, false, false, false, false, false),
                                  true,
                                  false,
                                  true},
                      TTargetCase{"IpfBeatsWinHelp3",
                                  {kRequestWinHelp3, kRequestIpf},
                                  false,
                                  Flags(false, false, true, false, false, false, false),
                                  true,
                                  false,
                                  true},
                      TTargetCase{"RtfTextClearsColour",
                                  {kRequestRtfText},
                                  false,
                                  Flags(false, false, false, true, false, false, true),
                                  false,
                                  false,
                                  true},
                      TTargetCase{"RtfTextCcSetsColour",
                                  {kRequestRtfTextCc},
                                  false,
                                  Flags(false, false, false, true, false, false, true),
                                  true,
                                  false,
                                  true},
                      TTargetCase{"BothRtfWordsSetColour",
                                  {kRequestRtfText, kRequestRtfTextCc},
                                  false,
                                  Flags(false, false, false, true, false, false, true),
                                  true,
                                  false,
                                  true},
                      TTargetCase{"InternalWithWord",
                                  {kRequestWinHelp3},
                                  true,
                                  Flags(false, false, false, true, true, false, false),
                                  true,
                                  true,
                                  false}),
    [](const ::testing::TestParamInfo<TTargetCase>& info) { return std::string(info.param.Name); });

}  // namespace
