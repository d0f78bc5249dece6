// Whole formatting runs over the documents in examples/, compared byte for byte with the
// formatted files in tests/golden/formatter_engine/.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <vector>

#include "tests/support/format_run_fixture.h"

namespace tavrel::testing {
namespace {

struct GoldenCase {
  const char* document;               // in examples/
  const char* conditions;             // the condition field of the main window
  const char* extra_files;            // further example files the document needs, blank-separated
  std::vector<std::string> messages;  // the message list after the run
};

// Test output names the document instead of dumping the case's bytes.
void PrintTo(const GoldenCase& c, std::ostream* os) { *os << c.document; }

class GoldenRunTest : public RunFixture, public ::testing::WithParamInterface<GoldenCase> {
 protected:
  void TestBody() override {}
};

TEST_P(GoldenRunTest, MatchesGolden) {
  const GoldenCase& c = GetParam();
  std::istringstream extra(c.extra_files);
  for (std::string name; extra >> name;)
    std::filesystem::copy_file(ExamplesDir() / name, dir_ / name);
  const std::filesystem::path doc = dir_ / c.document;
  std::filesystem::copy_file(ExamplesDir() / c.document, doc);
  run_ = MakeRun();
  run_->Files.CurrentDocument = doc.string();
  run_->Run.ConditionText = c.conditions;
  FormatFile(*run_, doc.string());

  const std::string stem = doc.stem().string();
  const std::string fmt = ReadFileBytes(dir_ / (stem + ".fmt"));
  if (std::getenv("TAVREL_PRINT_GOLDEN")) std::cerr << Readable(fmt) << "\n";
  ExpectGolden(stem + ".fmt", fmt);
  const std::string fun = ReadFileBytes(dir_ / (stem + ".fun"));
  if (std::getenv("TAVREL_PRINT_GOLDEN")) std::cerr << "--- fun\n" << Readable(fun) << "\n";
  if (std::filesystem::exists(GoldenDir() / (stem + ".fun"))) {
    ExpectGolden(stem + ".fun", fun);
  }
  EXPECT_EQ(MessageLines(), c.messages);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, GoldenRunTest,
    ::testing::Values(
        GoldenCase{"margins.ws", "", "", {}},
        GoldenCase{"heading_styles.ws", "", "Headings.ws", {}},
        GoldenCase{"conditions.ws",
                   "PRINT",
                   "include_part.ws",
                   {"INFO Par 4: \".IF PRINT SCREEN\": wrong syntax in .IF condition",
                    "ERROR Par 6: Recursive execution of dot command macro LOOP not allowed"}},
        GoldenCase{"notes.ws", "", "", {"INFO Par 4: Font X not defined or not registered."}},
        GoldenCase{"held.ws", "", "", {}}, GoldenCase{"plain.txt", "", "", {}},
        GoldenCase{"windows.skt", "", "", {}}),
    [](const ::testing::TestParamInfo<GoldenCase>& info) {
      std::string n = info.param.document;
      for (char& ch : n)
        if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return n;
    });

}  // namespace
}  // namespace tavrel::testing

namespace tavrel::testing {
namespace {

class IndexScanTest : public RunFixture {};

// An index-scan run writes no formatted file, only the index volumes with page numbers.
TEST_F(IndexScanTest, VolumesMatchGolden) {
  const std::filesystem::path doc = dir_ / "index.ws";
  std::filesystem::copy_file(ExamplesDir() / "index.ws", doc);
  run_ = MakeRun();
  run_->Run.IndexScan = true;
  FormatFile(*run_, doc.string());
  EXPECT_FALSE(std::filesystem::exists(dir_ / "index.fmt"));
  ExpectGolden("index.IX1", ReadFileBytes(dir_ / "index.IX1"));
  ExpectGolden("index.IX2", ReadFileBytes(dir_ / "index.IX2"));
  const std::vector<std::string> expected = {
      "INFO: 6 index entries in " + (dir_ / "index.IX1").string(),
      "INFO: 2 index entries in " + (dir_ / "index.IX2").string()};
  EXPECT_EQ(MessageLines(), expected);
  // New pages of an index scan report code 28.
  EXPECT_EQ(notifier_.WithCode(MN_INDEX_SCAN_PAGE).size(), 1u);
}

// A normal run keeps the marks in the text and erases the volume files at its end.
TEST_F(IndexScanTest, NormalRunErasesVolumes) {
  const std::filesystem::path doc = dir_ / "index.ws";
  std::filesystem::copy_file(ExamplesDir() / "index.ws", doc);
  run_ = MakeRun();
  FormatFile(*run_, doc.string());
  EXPECT_FALSE(std::filesystem::exists(dir_ / "index.IX1"));
  EXPECT_NE(ReadFileBytes(dir_ / "index.fmt").find("A #marked word and #:a phrase here; end."),
            std::string::npos);
}

}  // namespace
}  // namespace tavrel::testing
