// RTF that word processors write, through Skeldon with "/istext": no crash, every word, the
// headings, the footnote and the table.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/compiler_reverse/reverse_test_support.h"
#include "tests/support/office_rtf.h"
#include "tests/support/test_support.h"

namespace skeldon {
namespace {

namespace fs = std::filesystem;

struct Writer {
  const char* name;
  std::string (*make)(const fs::path&);
};

class OtherWriters : public ::testing::TestWithParam<Writer> {};

TEST_P(OtherWriters, OrdinaryRtfBecomesSourceWithAllItsText) {
  corvina_test::TempDir dir{"corvina-office"};
  const std::string rtf = GetParam().make(dir.Path());
  ASSERT_FALSE(rtf.empty()) << GetParam().name << " wrote no RTF";
  const std::string stem = fs::path(rtf).stem().string();
  fs::copy_file(fs::path(CORVINA_SOURCE_DIR) / "examples/manual/manual.ini",
                dir.Path() / (stem + ".ini"));
  const std::string skeldon = SKELDON_PROGRAM;

  // As help RTF it is refused: it has no topics.
  EXPECT_EQ(RunIn(dir.Path().string(), {skeldon, rtf, "/quit"}, dir / "help.log"), 2);
  EXPECT_NE(corvina_test::ReadFile(dir / "help.log").find("This is not a correct RTF help format"),
            std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "SKSOURCE.TXT"));

  ASSERT_EQ(RunIn(dir.Path().string(), {skeldon, rtf, "/istext", "/quit"}, dir / "text.log"), 0)
      << corvina_test::ReadFile(dir / "text.log");
  const std::string source = corvina_test::ReadFile(dir / "SKSOURCE.TXT");
  std::size_t at = 0;
  for (const std::string& word : corvina_test::OfficeDocumentWords()) {
    const std::size_t found = source.find(word, at);
    ASSERT_NE(found, std::string::npos) << "\"" << Shown(word) << "\" after " << at << " in\n"
                                        << Shown(source);
    at = found + word.size();
  }
  const std::size_t first = source.find(".1\r\n");
  const std::size_t second = source.find(".2\r\n");
  ASSERT_NE(first, std::string::npos) << Shown(source);
  ASSERT_NE(second, std::string::npos) << Shown(source);
  EXPECT_LT(source.find("Erste"), source.find("\r\n", first + 4) + 20);
  EXPECT_LT(source.find("Zweite"), source.find("\r\n", second + 4) + 20);
  // The footnote stands between the markers of the ".fu" line.
  const std::size_t fu = source.find(".fu");
  ASSERT_NE(fu, std::string::npos);
  const char begin = source[fu + 3], end = source[fu + 4];
  const std::size_t note = source.find("Anmerkung.");
  EXPECT_LT(source.rfind(begin, note), note);
  EXPECT_GT(source.find(end, note), note);
  EXPECT_GT(source.rfind(begin, note), source.find("Fu\xE1note"));
  // The table's cells stand in one row between ".TA" lines.
  const std::size_t table = source.find(".TA Table\r\n");
  ASSERT_NE(table, std::string::npos) << Shown(source);
  const std::size_t row = source.find("eins", table);
  EXPECT_LT(row, source.find("\r\n.TA\r\n", table));
  EXPECT_LT(source.find("zwei", row), source.find("\r\n", row));
  EXPECT_NE(corvina_test::ReadFile(dir / "text.log").find("This text contains tables."),
            std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Writers, OtherWriters,
                         ::testing::Values(Writer{"pandoc", corvina_test::MakePandocRtf},
                                           Writer{"LibreOffice", corvina_test::MakeLibreOfficeRtf}),
                         [](const ::testing::TestParamInfo<Writer>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace skeldon
