// The example manuals compiled to WinHelp RTF, converted back to source and compiled again: both
// runs must give the same headings and levels, index entries, popups, links, pictures and tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "tests/compiler_reverse/reverse_test_support.h"
#include "tests/support/test_support.h"

namespace skeldon {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> AllMatches(const std::string& text, const std::string& pattern,
                                    int group = 1) {
  std::vector<std::string> found;
  const std::regex re(pattern);
  for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator();
       ++it)
    found.push_back((*it)[group].str());
  return found;
}

// What a reader of the help file sees of its structure, taken from the RTF and its CNT.
struct HelpStructure {
  std::vector<std::string> ContentsLines;  // level, title and topic of each CNT line
  std::vector<std::string> Titles;         // "$" footnotes
  std::vector<std::string> Keywords;       // "K" footnotes
  std::vector<std::string> Jumps;          // hot-spot text and target of each jump
  std::vector<std::string> Popups;         // target of each popup link
  std::vector<std::string> PopupTexts;     // the words of each popup topic
  std::vector<std::string> Pictures;       // picture references
  std::size_t TableCells = 0;
  std::size_t TableRows = 0;

  bool operator==(const HelpStructure&) const = default;
};

HelpStructure ReadStructure(const fs::path& rtfFile, const fs::path& cntFile) {
  HelpStructure h;
  const std::string rtf = corvina_test::ReadFile(rtfFile);
  const std::string cnt = corvina_test::ReadFile(cntFile);
  // Frame groups are not in the RTF, so they cannot come back: the window a topic opens in
  // (">main", ">navi") is left out of the comparison.
  const std::regex window(R"(>[A-Za-z0-9_]+(\}|$))");
  for (const std::string& line : AllMatches(cnt, "([^\r\n]+)", 1))
    if (line.rfind(":Base", 0) != 0)
      h.ContentsLines.push_back(std::regex_replace(line, window, "$1"));
  h.Titles = AllMatches(rtf, R"(\$\{\\footnote ([^}]*)\})");
  h.Keywords = AllMatches(rtf, R"(K\{\\footnote ([^}]*)\})");
  h.Jumps = AllMatches(rtf, R"(\\uldb ([^}]*)\}\{\\v ([^}]*)\})", 0);
  for (std::string& jump : h.Jumps) jump = std::regex_replace(jump, window, "$1");
  h.Popups = AllMatches(rtf, R"(\\ul [^}]*\}\{\\v ([^}]*)\})");
  for (const std::string& name : h.Popups) {
    const std::size_t start = rtf.find("#{\\footnote " + name + "}");
    if (start == std::string::npos) continue;
    std::string body = rtf.substr(start, rtf.find("\\page", start) - start);
    body = std::regex_replace(body, std::regex(R"(#\{\\footnote [^}]*\}|\\[a-z]+-?[0-9]* ?|[{}])"),
                              " ");
    h.PopupTexts.push_back(std::regex_replace(body, std::regex(R"(\s+)"), " "));
  }
  h.Pictures = AllMatches(rtf, R"(\\\{(bm[clr] [^\\]*)\\\})");
  h.TableCells = AllMatches(rtf, R"(\\cell[^x])", 0).size();
  h.TableRows = AllMatches(rtf, R"(\\row)", 0).size();
  return h;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\n";
  return out;
}

struct Example {
  const char* folder;
  const char* project;
  const char* source;  // the source file the project names
  const char* target;
};

class RoundTrip : public ::testing::TestWithParam<Example> {};

TEST_P(RoundTrip, SourceFromRtfCompilesToTheSameHelpFile) {
  const Example& e = GetParam();
  const std::string skeldon = SKELDON_PROGRAM;
  corvina_test::TempDir dir{"corvina-roundtrip"};
  const fs::path first = dir.Path() / "first", second = dir.Path() / "second";
  const fs::path example = fs::path(CORVINA_SOURCE_DIR) / "examples" / e.folder;
  fs::copy(example, first, fs::copy_options::recursive);
  fs::copy(example, second, fs::copy_options::recursive);
  const std::string stem = fs::path(e.project).stem().string();

  ASSERT_EQ(RunIn(first.string(), {skeldon, e.project, e.target, "/quit"}, dir / "compile1.log"), 0)
      << corvina_test::ReadFile(dir / "compile1.log");
  // Back to source; with /isprog the context strings stay, so that the links keep their targets.
  ASSERT_EQ(RunIn(first.string(), {skeldon, stem + ".RTF", "/isprog", "/quit"}, dir / "back.log"),
            0)
      << corvina_test::ReadFile(dir / "back.log");
  std::string source = corvina_test::ReadFile(first / "SKSOURCE.TXT");
  ASSERT_FALSE(source.empty());
  // The compiler's own contents topic is not in the CNT file: the conversion marks it ".?" and
  // says so; the user deletes it, as the test does here, because the next run makes it again.
  const std::size_t unknown = source.find(".?\r\n");
  ASSERT_NE(unknown, std::string::npos);
  EXPECT_EQ(source.find(".?\r\n", unknown + 1), std::string::npos) << "only the contents topic";
  source.erase(unknown, source.find("\r\n.1\r\n", unknown) + 2 - unknown);
  corvina_test::WriteFile(second / e.source, source);

  ASSERT_EQ(RunIn(second.string(), {skeldon, e.project, e.target, "/quit"}, dir / "compile2.log"),
            0)
      << corvina_test::ReadFile(dir / "compile2.log");
  const HelpStructure before = ReadStructure(first / (stem + ".RTF"), first / (stem + ".CNT"));
  const HelpStructure after = ReadStructure(second / (stem + ".RTF"), second / (stem + ".CNT"));
  EXPECT_GT(before.ContentsLines.size(), 5u);
  EXPECT_EQ(Joined(after.ContentsLines), Joined(before.ContentsLines));
  EXPECT_EQ(Joined(after.Titles), Joined(before.Titles));
  EXPECT_EQ(Joined(after.Keywords), Joined(before.Keywords));
  // The compiler makes its links again: every link of the first run is there again (index words
  // given as ".IN" lines may link a few words more than words marked in the text).
  for (const std::string& jump : before.Jumps)
    EXPECT_NE(std::find(after.Jumps.begin(), after.Jumps.end(), jump), after.Jumps.end()) << jump;
  EXPECT_EQ(Joined(after.Popups), Joined(before.Popups));
  EXPECT_EQ(Joined(after.PopupTexts), Joined(before.PopupTexts));
  EXPECT_EQ(Joined(after.Pictures), Joined(before.Pictures));
  EXPECT_EQ(after.TableCells, before.TableCells);
  EXPECT_EQ(after.TableRows, before.TableRows);
  // The examples do use every kind of structure the comparison looks at.
  EXPECT_FALSE(before.Keywords.empty());
  EXPECT_FALSE(before.Popups.empty());
  EXPECT_FALSE(before.Pictures.empty());
  EXPECT_GT(before.TableCells, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, RoundTrip,
    ::testing::Values(Example{"manual", "manual.skj", "manual.txt", "/WINHELP4"},
                      Example{"manual", "manual.skj", "manual.txt", "/WINHELP3"},
                      Example{"handbuch", "handbuch.skj", "handbuch.txt", "/WINHELP4"},
                      Example{"handbuch", "handbuch.skj", "handbuch.txt", "/WINHELP3"}),
    [](const ::testing::TestParamInfo<Example>& info) {
      return std::string(info.param.folder) + "_" + std::string(info.param.target + 1);
    });

// What the IPF conversion keeps: headings with their levels, highlights and index entries.
struct IpfStructure {
  std::vector<std::string> Headings;    // level and text
  std::vector<std::string> Highlights;  // ":hp2." and ":ehp2." in order
  std::vector<std::string> IndexEntries;
};

IpfStructure ReadIpfStructure(const fs::path& file) {
  const std::string ipf = corvina_test::ReadFile(file);
  IpfStructure h;
  const std::regex heading(R"(:h([1-6])[^.]*\.([^\r\n]*))");
  for (auto it = std::sregex_iterator(ipf.begin(), ipf.end(), heading);
       it != std::sregex_iterator(); ++it)
    h.Headings.push_back((*it)[1].str() + " " + (*it)[2].str());
  h.Highlights = AllMatches(ipf, R"(:(e?hp[0-9])\.)");
  h.IndexEntries = AllMatches(ipf, R"(:i1[^.]*\.([^\r\n]*))");
  return h;
}

class IpfRoundTrip : public ::testing::TestWithParam<Example> {};

TEST_P(IpfRoundTrip, SourceFromIpfCompilesToTheSameHeadingsHighlightsAndIndex) {
  const Example& e = GetParam();
  const std::string skeldon = SKELDON_PROGRAM;
  corvina_test::TempDir dir{"corvina-ipf-roundtrip"};
  const fs::path first = dir.Path() / "first", second = dir.Path() / "second";
  const fs::path example = fs::path(CORVINA_SOURCE_DIR) / "examples" / e.folder;
  fs::copy(example, first, fs::copy_options::recursive);
  fs::copy(example, second, fs::copy_options::recursive);
  const std::string stem = fs::path(e.project).stem().string();
  ASSERT_EQ(RunIn(first.string(), {skeldon, e.project, "/IPF", "/quit"}, dir / "compile1.log"), 0)
      << corvina_test::ReadFile(dir / "compile1.log");
  ASSERT_EQ(RunIn(first.string(), {skeldon, stem + ".IPF", "/quit"}, dir / "back.log"), 0)
      << corvina_test::ReadFile(dir / "back.log");
  fs::copy_file(first / "SKSOURCE.TXT", second / e.source, fs::copy_options::overwrite_existing);
  ASSERT_EQ(RunIn(second.string(), {skeldon, e.project, "/IPF", "/quit"}, dir / "compile2.log"), 0)
      << corvina_test::ReadFile(dir / "compile2.log");
  const IpfStructure before = ReadIpfStructure(first / (stem + ".IPF"));
  const IpfStructure after = ReadIpfStructure(second / (stem + ".IPF"));
  EXPECT_GT(before.Headings.size(), 5u);
  EXPECT_FALSE(before.Highlights.empty());
  EXPECT_FALSE(before.IndexEntries.empty());
  EXPECT_EQ(Joined(after.Headings), Joined(before.Headings));
  EXPECT_EQ(Joined(after.Highlights), Joined(before.Highlights));
  EXPECT_EQ(Joined(after.IndexEntries), Joined(before.IndexEntries));
}

INSTANTIATE_TEST_SUITE_P(
    Examples, IpfRoundTrip,
    ::testing::Values(Example{"manual", "manual.skj", "manual.txt", "/IPF"},
                      Example{"handbuch", "handbuch.skj", "handbuch.txt", "/IPF"}),
    [](const ::testing::TestParamInfo<Example>& info) { return std::string(info.param.folder); });

}  // namespace
}  // namespace skeldon
