// Skeldon's reverse conversions as a user starts them: exit codes, messages, and what is left in
// the current folder when a conversion fails.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/compiler_reverse/reverse_test_support.h"
#include "tests/support/test_support.h"

namespace skeldon {
namespace {

namespace fs = std::filesystem;

const char* kHelpRtf =
    "{\\rtf1 #{\\footnote # T}${\\footnote Title}Text {\\ul pop}{\\v P}\\par\\page\r\n"
    "#{\\footnote # P}Popup\\page}\r\n";

struct ProgramCase {
  const char* name;
  std::vector<std::string> words;  // after the program; the files are made in the folder
  std::vector<std::pair<std::string, std::string>> files;
  std::vector<std::string> folders;  // made in the folder before the run
  int exitCode;
  const char* message;   // a line of the console output
  const char* leftText;  // what SKSOURCE.TXT holds afterwards ("" none; the old text stays)
};

TEST(ReverseProgram, ExitCodesMessagesAndWhatStays) {
  const std::string ini =
      corvina_test::ReadFile(fs::path(CORVINA_SOURCE_DIR) / "examples/manual/manual.ini");
  const ProgramCase cases[] = {
      {"help rtf",
       {"help.rtf"},
       {{"help.rtf", kHelpRtf}},
       {},
       0,
       "Writing Corvina/Skeldon source",
       "*"},
      {"missing rtf", {"gone.rtf"}, {}, {}, 2, "RTF file not found.", ""},
      {"missing ipf", {"gone.ipf"}, {}, {}, 2, "IPF file not found.", ""},
      {"not rtf keeps the old text",
       {"help.rtf"},
       {{"help.rtf", "plain words"}, {"SKSOURCE.TXT", "old"}},
       {},
       2,
       "This is not a correct RTF help format",
       "old"},
      {"unbalanced braces",
       {"help.rtf", "/istext"},
       {{"help.rtf", "{\\rtf1 a}}"}},
       {},
       2,
       "A } without its {.",
       ""},
      {"output cannot be written",
       {"help.rtf"},
       {{"help.rtf", kHelpRtf}},
       {"SKSOURCE.TXT"},
       2,
       "The file SKSOURCE.TXT cannot be written.",
       ""},
      {"popup file cannot be written",
       {"help.rtf"},
       {{"help.rtf", kHelpRtf}},
       {"SKPOPUP.TXT"},
       2,
       "The footnote file SKPOPUP.TXT cannot be written.",
       ""},
      {"ipf",
       {"help.ipf"},
       {{"help.ipf", ":h1.Head\r\nText\r\n"}},
       {},
       0,
       "help.ipf --> SKSOURCE.TXT",
       ".1\r\nHead\r\n"},
      {"ipf list too deep keeps the old text",
       {"help.ipf"},
       {{"help.ipf", ":ul.:ul.:ul.:li.x"}, {"SKSOURCE.TXT", "old"}},
       {},
       2,
       "not enough list chars in ini file defined",
       "old"},
      {"ipf output cannot be written",
       {"help.ipf"},
       {{"help.ipf", "text"}},
       {"SKSOURCE.TXT"},
       2,
       "The file SKSOURCE.TXT cannot be written.",
       ""},
  };
  for (const ProgramCase& c : cases) {
    corvina_test::TempDir dir{"corvina-reverse-program"};
    for (const char* stem : {"help", "gone"})
      corvina_test::WriteFile(dir / (std::string(stem) + ".ini"), ini);
    for (const auto& [name, bytes] : c.files) corvina_test::WriteFile(dir / name, bytes);
    for (const std::string& folder : c.folders) fs::create_directory(dir / folder);
    std::vector<std::string> argv = {SKELDON_PROGRAM};
    argv.insert(argv.end(), c.words.begin(), c.words.end());
    argv.push_back("/quit");
    EXPECT_EQ(RunIn(dir.Path().string(), argv, dir / "run.log"), c.exitCode) << c.name;
    const std::string log = corvina_test::ReadFile(dir / "run.log");
    EXPECT_NE(log.find(c.message), std::string::npos) << c.name << "\n" << log;
    const std::string left = fs::is_regular_file(dir / "SKSOURCE.TXT")
                                 ? corvina_test::ReadFile(dir / "SKSOURCE.TXT")
                                 : std::string();
    if (std::string(c.leftText) == "*")
      EXPECT_NE(left.find("Text `pop`"), std::string::npos) << c.name << "\n" << Shown(left);
    else if (std::string(c.leftText).empty())
      EXPECT_TRUE(left.empty()) << c.name << "\n" << Shown(left);
    else
      EXPECT_NE(left.find(c.leftText), std::string::npos) << c.name << "\n" << Shown(left);
    // No temporary file of the atomic replacement is left behind.
    for (const auto& entry : fs::directory_iterator(dir.Path()))
      EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos)
          << c.name << ": " << entry.path();
  }
}

}  // namespace
}  // namespace skeldon
