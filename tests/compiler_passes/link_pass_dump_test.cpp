// The heading pass (fake) and the link pass over source fixtures, dumped and compared with
// golden dumps: headings with numbers and files, reservations, the index store bucket by
// bucket, the keywords of each topic, the collected state and the messages.
#include <gtest/gtest.h>

#include "tests/support/compiler_test_support.h"
#include "tests/support/pass_fakes.h"

namespace skeldon {
namespace {

struct DumpCase {
  const char* source;
  const char* target;
  const char* format;  // "hard", "soft", "star4"
  std::vector<std::string> conditions;
  bool german;
};

// Test output names source and target instead of dumping the case's bytes.
void PrintTo(const DumpCase& c, std::ostream* os) { *os << c.source << " " << c.target; }

class LinkPassDump : public ::testing::TestWithParam<DumpCase> {};

std::string RunDump(const DumpCase& c) {
  TestRun t(c.target);
  CompilerRun& run = *t;
  const std::string format = c.format;
  run.Switches.WordStarInput = format == "star4";
  run.Switches.SoftLineEnds = format != "hard";
  run.Reader.SoftSpaceChar = run.Switches.WordStarInput ? 0x1C : ' ';
  run.Language = c.german ? 1 : 0;
  SetConditionList(run, c.conditions);
  run.IndexStore.WordEndings = {"en", "n", "s"};
  run.IniValues.ButtonTable[0][0].Key = 1;
  run.IniValues.ButtonTable[0][0].Name = "back";
  run.IniValues.ButtonTable[1][2].Key = 3;
  run.IniValues.ButtonTable[1][2].Name = "back";
  std::string text = corvina_test::ReadFile(DataFile(c.source));
  const std::string marker = "@DATA@";
  for (std::size_t p; (p = text.find(marker)) != std::string::npos;)
    text.replace(p, marker.size(), SourceDir() + "/tests/data/compiler_generate");
  t.Load(text);
  std::string output;
  try {
    // The golden dumps were made over the stand-ins: the heading stand-in keeps the first .ID
    // word of a heading in every target and inside .EX blocks (the real heading pass only in
    // the RTF family, outside the blocks), and the output stand-in's text is the dump's last
    // part (the real output pass writes each target's whole pages).
    RunPrepassesWithFakeHeadings(run);
    // The output pass (test fake) records the reservations and makes the links.
    run.Passes.OutputFile.clear();
    FakeOutputPass(run);
    output = run.Passes.OutputFile;
  } catch (const TerminateRun& stop) {
    t.console->Text += "[terminated with exit code " + std::to_string(stop.ExitCode) + "]\n";
  }
  std::string dump = DumpPasses(run);
  dump += "== output pass: " + std::to_string(run.LinkWriter.InternalLinkCount) + " internal, " +
          std::to_string(run.LinkWriter.ExternalLinkCount) + " external links\n";
  for (const std::string& ref : run.Passes.ExternalReferences) dump += "typed " + ref + "\n";
  std::size_t from = 0;
  while (from < output.size()) {
    std::size_t end = output.find("\r\n", from);
    if (end == std::string::npos) end = output.size();
    dump += "| " + Printable(output.substr(from, end - from)) + "\n";
    from = end + 2;
  }
  // The data directory differs between machines.
  const std::string dir = SourceDir() + "/tests/data/compiler_generate";
  for (std::size_t p; (p = dump.find(dir)) != std::string::npos;)
    dump.replace(p, dir.size(), marker);
  return dump;
}

TEST_P(LinkPassDump, MatchesGolden) {
  const DumpCase& c = GetParam();
  ExpectGolden(std::string(c.source) + "." + c.target + ".dump", RunDump(c));
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, LinkPassDump,
    ::testing::Values(DumpCase{"plain_html.src", "html", "hard", {}, false},
                      DumpCase{"plain_html.src", "winhelp3", "hard", {"extra"}, false},
                      DumpCase{"promote_htmlhelp.src", "htmlhelp", "soft", {}, false},
                      DumpCase{"errors_html.src", "html", "hard", {}, true},
                      DumpCase{"wordstar_winhelp4.ws", "winhelp4", "star4", {}, false},
                      DumpCase{"external_ipf.src", "ipf", "hard", {}, false}),
    [](const ::testing::TestParamInfo<DumpCase>& info) {
      std::string n = std::string(info.param.source) + "_" + info.param.target;
      for (char& ch : n)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return n;
    });

}  // namespace
}  // namespace skeldon
