// Finished output files stored on disk: a file is replaced whole, a failure stops the run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "compiler/passes/pass_services.h"
#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

// A finished file that cannot be written stops the run with exit code 2; the file it would
// have replaced stays whole and no temporary file is left.
class StoredOutputFile : public ::testing::Test {
 protected:
  const corvina_test::TempDir folder_{"skeldon-test"};
  const std::filesystem::path& dir_ = folder_.Path();
};

TEST_F(StoredOutputFile, ReplacesTheFileWhole) {
  TestRun t("ipf");
  const std::string name = (dir_ / "GUIDE.PAN").string();
  std::ofstream(name, std::ios::binary) << "old contents";
  StoreOutputFile(*t, name, "new\r\n");
  EXPECT_EQ(corvina_test::ReadFile(name), "new\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1);
}

TEST_F(StoredOutputFile, FailureStopsWithExitCodeTwo) {
  struct Case {
    const char* what;
    std::string name;
  } cases[] = {
      {"folder missing", (dir_ / "missing" / "GUIDE.PAN").string()},
      {"name taken by a folder", (dir_ / "taken").string()},
  };
  std::filesystem::create_directories(dir_ / "taken" / "inner");
  for (const Case& c : cases) {
    TestRun t("ipf");
    t->RunSuccess = true;
    try {
      StoreOutputFile(*t, c.name, "text");
      ADD_FAILURE() << c.what << ": no stop";
    } catch (const TerminateRun& stop) {
      EXPECT_EQ(stop.ExitCode, 2) << c.what;
    }
    EXPECT_NE(t.Text().find("error while writing target file " + c.name), std::string::npos)
        << c.what << "\n"
        << t.Text();
  }
  EXPECT_TRUE(std::filesystem::is_directory(dir_ / "taken" / "inner"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "taken.tmp"));
}

}  // namespace
