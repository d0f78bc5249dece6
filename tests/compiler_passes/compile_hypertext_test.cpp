// The example manual compiled for IPF and the RTF family: the IPF tags come in pairs and every
// link names a panel or footnote of the file; the RTF groups balance and every jump names a
// topic of the file.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>

#include "compiler/foundation/ini_file.h"
#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

TRunResult CompileManual(TestRun& m, std::string_view target) {
  m->Switches.IniFileName = SourceDir() + "/examples/manual/manual.ini";
  ReadIniText(*m, corvina_test::ReadFile(m->Switches.IniFileName), true);
  m.SetTarget(target);
  m->Switches.ConditionNames[m->Switches.ConditionCount++] = "online";
  return CompileText(m, corvina_test::ReadFile(SourceDir() + "/examples/manual/manual.txt"));
}

TEST(CompileHypertext, IpfTagsPairAndLinksResolve) {
  TestRun m(WholeRun("ipf", "manual.txt"));
  const auto r = CompileManual(m, "ipf");
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  const std::string& ipf = FileOf(r, "manual.IPF");
  ASSERT_FALSE(ipf.empty());
  std::map<std::string, int> open;
  const std::regex tag(":(e?)(ul|ol|fn|lines|table|cgraphic|hp[1-9]|userdoc|ctrldef)[ .]");
  for (std::sregex_iterator it(ipf.begin(), ipf.end(), tag), end; it != end; ++it) {
    int& depth = open[(*it)[2].str()];
    depth += (*it)[1].length() ? -1 : 1;
    EXPECT_GE(depth, 0) << (*it)[0].str() << " at " << it->position();
  }
  for (const auto& [name, depth] : open) EXPECT_EQ(depth, 0) << name;
  std::set<std::string> panels, notes;
  const std::regex heading(":h[1-6] res=([0-9]+)"), footnote(":fn id=(fn[0-9]+)");
  for (std::sregex_iterator it(ipf.begin(), ipf.end(), heading), end; it != end; ++it)
    panels.insert((*it)[1]);
  for (std::sregex_iterator it(ipf.begin(), ipf.end(), footnote), end; it != end; ++it)
    notes.insert((*it)[1]);
  const std::regex link(":link reftype=hd res=([0-9]+)"),
      fnLink(":link refid=(fn[0-9]+) reftype=fn");
  int links = 0;
  for (std::sregex_iterator it(ipf.begin(), ipf.end(), link), end; it != end; ++it, ++links)
    EXPECT_EQ(panels.count((*it)[1]), 1u) << (*it)[0].str();
  for (std::sregex_iterator it(ipf.begin(), ipf.end(), fnLink), end; it != end; ++it, ++links)
    EXPECT_EQ(notes.count((*it)[1]), 1u) << (*it)[0].str();
  EXPECT_GT(links, 5);
  EXPECT_EQ(panels.size(), 9u);
}

class RtfFamily : public ::testing::TestWithParam<const char*> {};

TEST_P(RtfFamily, GroupsBalanceAndJumpsResolve) {
  TestRun m(WholeRun(GetParam(), "manual.txt"));
  const auto r = CompileManual(m, GetParam());
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  const std::string& rtf = FileOf(r, "manual.RTF");
  ASSERT_EQ(rtf.rfind("{\\rtf1 ", 0), 0u);
  int depth = 0;
  bool closedEarly = false;
  for (std::size_t i = 0; i < rtf.size(); ++i) {
    if (rtf[i] == '\\') {
      ++i;
    } else if (rtf[i] == '{') {
      ++depth;
    } else if (rtf[i] == '}') {
      --depth;
      if (depth == 0 && i + 1 < rtf.size()) closedEarly = true;
    }
  }
  EXPECT_EQ(depth, 0);
  EXPECT_FALSE(closedEarly) << "the document group ends before the end of the file";
  std::set<std::string> topics;
  const std::regex context("#\\{\\\\footnote (?:# )?([A-Za-z0-9_]+)\\}");
  for (std::sregex_iterator it(rtf.begin(), rtf.end(), context), end; it != end; ++it)
    topics.insert((*it)[1]);
  const std::regex jump("\\\\uldb [^}]*\\}\\{\\\\v ([A-Za-z0-9_]+)");
  int jumps = 0;
  for (std::sregex_iterator it(rtf.begin(), rtf.end(), jump), end; it != end; ++it, ++jumps)
    EXPECT_EQ(topics.count((*it)[1]), 1u) << (*it)[0].str();
  if (std::string_view(GetParam()) != "rtftext") {
    EXPECT_GT(jumps, 5);
    EXPECT_EQ(topics.count("start"), 1u);
  }
}

INSTANTIATE_TEST_SUITE_P(Targets, RtfFamily, ::testing::Values("winhelp3", "winhelp4", "rtftext"));

}  // namespace
