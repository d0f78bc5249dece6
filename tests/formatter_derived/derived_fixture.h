// A run fixture for the derived-document jobs: a temporary folder, a fixed-width printer,
// recording outlets, and the run messages the jobs report through.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "formatter/common/run_messages.h"
#include "tests/support/format_run_fixture.h"

namespace tavrel::testing {

inline std::filesystem::path DerivedDataDir() {
  return std::filesystem::path(CORVINA_SOURCE_DIR) / "tests" / "data" / "formatter_derived";
}

inline std::filesystem::path DerivedGoldenDir() {
  return std::filesystem::path(CORVINA_SOURCE_DIR) / "tests" / "golden" / "formatter_derived";
}

class DerivedFixture : public RunFixture {
 protected:
  RunMessages& Messages() {
    messages_ = std::make_unique<RunMessages>(settings_, list_, boxes_, notifier_);
    return *messages_;
  }

  // Copies a document of the test data into the run's folder and returns its path there.
  std::filesystem::path CopyData(const std::string& name) {
    const std::filesystem::path to = dir_ / name;
    std::filesystem::copy_file(DerivedDataDir() / name, to,
                               std::filesystem::copy_options::overwrite_existing);
    return to;
  }

  // The index-scan run of the formatting road over one document.
  void ScanIndex(const std::filesystem::path& document) {
    run_ = MakeRun();
    run_->Run.IndexScan = true;
    FormatFile(*run_, document.string());
  }

  // Formats a document normally (".fmt" and ".fun").
  void FormatDocument(const std::filesystem::path& document) {
    run_ = MakeRun();
    FormatFile(*run_, document.string());
  }

  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> out;
    for (const auto& b : boxes_.Boxes()) out.push_back(b.Text);
    return out;
  }

  void ExpectDerivedGolden(const std::string& golden_name, const std::string& actual) {
    ExpectGolden(golden_name, actual, DerivedGoldenDir());
  }

  std::unique_ptr<RunMessages> messages_;
  std::vector<std::string> progress_;
};

}  // namespace tavrel::testing
