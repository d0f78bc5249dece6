// A formatting run in a fresh temporary directory, with a fixed-width printer (120 dpi: 12
// dots per column, every character of every font 12 dots wide, so one character is one
// column) and recording outlets for messages, boxes and notifications.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>

#include "formatter/common/message_boxes.h"
#include "formatter/common/notifications.h"
#include "formatter/common/settings_record.h"
#include "formatter/fonts/printer_data.h"
#include "formatter/formatting/format_run.h"
#include "formatter/formatting/formatting_run.h"
#include "formatter/formatting/word_breaking.h"
#include "tests/support/formatter_unit_support.h"
#include "tests/support/test_support.h"

namespace tavrel::testing {

// The shared whole-file helpers, under the names these tests use.
inline std::string ReadFileBytes(const std::filesystem::path& p) {
  return corvina_test::ReadFile(p);
}
inline void WriteFileBytes(const std::filesystem::path& p, const std::string& bytes) {
  corvina_test::WriteFile(p, bytes);
}

// Bytes made readable for a failure message: controls and high bytes as <hex>, CR LF kept
// as line breaks.
inline std::string Readable(const std::string& bytes) {
  std::string out;
  std::size_t start = 0;
  for (std::size_t eol; (eol = bytes.find("\r\n", start)) != std::string::npos; start = eol + 2)
    out += unit_test::Shown(bytes.substr(start, eol - start)) + "<CR><LF>\n";
  return out + unit_test::Shown(bytes.substr(start));
}

inline std::filesystem::path GoldenDir() {
  return std::filesystem::path(CORVINA_SOURCE_DIR) / "tests" / "golden" / "formatter_engine";
}

inline std::filesystem::path ExamplesDir() {
  return std::filesystem::path(CORVINA_SOURCE_DIR) / "examples";
}

class RunFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device rd;
    dir_ = std::filesystem::temp_directory_path() /
           ("tavrel_run_" + std::to_string(rd()) + "_" + std::to_string(rd()));
    std::filesystem::create_directories(dir_);
    settings_.Language = 0;
    DefaultSettings(settings_, dir_.string(), true);
    settings_.HyphenationMode = 3;
    settings_.LineHeightRefersToNormalFont = 0;
    std::vector<FixedWidthFont> fonts;
    auto add = [&fonts](char letter, char prefix, const char* face) {
      FixedWidthFont f;
      f.FontNumber = FontCharToNumberForTest(letter, prefix);
      f.FaceName = face;
      f.Size = 12;
      f.Width = 12;
      fonts.push_back(f);
    };
    for (char prefix : {'\0', '"', '\'', '&'}) {
      add('C', prefix, "Courier New");
      add('H', prefix, "Arial");
    }
    printer_ = BuildFixedWidthPrinterData(120, "Test printer", fonts.data(), fonts.size());
  }

  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  static int FontCharToNumberForTest(char letter, char prefix) {
    int n = (letter >= 'a') ? letter - 'a' + 27 : letter - 'A' + 1;
    if (prefix == '\'') n += 52;
    if (prefix == '"') n += 104;
    if (prefix == '&') n += 156;
    return n;
  }

  std::unique_ptr<FormatRun> MakeRun() {
    auto run =
        std::make_unique<FormatRun>(settings_, *printer_, RunOutlets{list_, boxes_, notifier_});
    run->Files.CurrentDocument = (dir_ / "doc.ws").string();
    run->Files.ProgramDirectory = dir_.string();
    run->Files.Settings = &run->Settings;
    return run;
  }

  // Writes the document, formats it and returns the formatted file.
  std::string Format(const std::string& name, const std::string& document,
                     const std::string& conditions = "") {
    WriteFileBytes(dir_ / name, document);
    run_ = MakeRun();
    run_->Run.ConditionText = conditions;
    FormatFile(*run_, (dir_ / name).string());
    return ReadFileBytes(dir_ / (std::filesystem::path(name).stem().string() + ".fmt"));
  }

  // Formats the document with the hyphenator plugged into the word breaker and returns the
  // formatted text without its header line.
  std::string FormatWith(std::unique_ptr<Hyphenator> hyphenator, const std::string& document) {
    WriteFileBytes(dir_ / "w.ws", document);
    run_ = MakeRun();
    run_->Hyphenator = std::move(hyphenator);
    FormatFile(*run_, (dir_ / "w.ws").string());
    return Body(ReadFileBytes(dir_ / "w.fmt"));
  }

  // The formatted text without the ".RM" header line and the closing 0x1A.
  static std::string Body(const std::string& fmt) {
    std::string s = fmt;
    const size_t eol = s.find("\r\n");
    if (s.rfind(".RM", 0) == 0 && eol != std::string::npos) s = s.substr(eol + 2);
    if (!s.empty() && s.back() == '\x1A') s.pop_back();
    return s;
  }

  std::vector<std::string> MessageLines() const {
    std::vector<std::string> out;
    for (const auto& l : list_.Lines()) out.push_back(l.Text);
    return out;
  }

  void ExpectGolden(const std::string& golden_name, const std::string& actual,
                    const std::filesystem::path& golden_dir = GoldenDir()) {
    const std::string expected = ReadFileBytes(golden_dir / golden_name);
    ASSERT_FALSE(expected.empty()) << "missing golden file " << golden_name;
    EXPECT_EQ(expected, actual) << "golden " << golden_name << " differs\n--- expected\n"
                                << Readable(expected) << "\n--- actual\n"
                                << Readable(actual);
  }

  std::filesystem::path dir_;
  TSettingsRecord settings_{};
  std::unique_ptr<TPrinterDataRecord> printer_;
  RecordingMessageList list_;
  RecordingMessageBoxes boxes_;
  RecordingNotifier notifier_;
  std::unique_ptr<FormatRun> run_;
};

}  // namespace tavrel::testing
