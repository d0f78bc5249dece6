// A Tavrel installation in a temporary folder for runs of the command line: the program folder
// with the data files, a document folder and the two virtual printers.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "formatter/app/command_line_jobs.h"
#include "formatter/common/message_boxes.h"
#include "platform/console.h"
#include "platform/printers.h"

namespace tavrel {

namespace fs = std::filesystem;

// The program folder as installed (the data files) and an empty document folder under root.
inline void InstallTavrel(const fs::path& root, fs::path& program, fs::path& docs) {
  program = root / "program";
  docs = root / "docs";
  fs::create_directories(program);
  fs::create_directories(docs);
  for (const auto& entry : fs::directory_iterator(fs::path(CORVINA_SOURCE_DIR) / "data"))
    if (entry.is_regular_file()) fs::copy_file(entry.path(), program / entry.path().filename());
}

// The program directory as installed (the data files), the documents beside it, the two
// virtual printers, and a console whose output the test reads.
class TavrelRunFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "tavrel-app-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    InstallTavrel(dir_, program_, docs_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  void CopyExample(const std::string& name) {
    fs::copy_file(fs::path(CORVINA_SOURCE_DIR) / "examples" / name, docs_ / name,
                  fs::copy_options::overwrite_existing);
  }

  TavrelRunResult Run(const std::vector<std::string>& args, const std::string& printer = "") {
    output_.clear();
    questions_.clear();
    platform::Console console(
        platform::CodePage::cp1252, true,
        [this](platform::ConsoleStream, std::string_view text) { output_ += text; });
    TavrelEnvironment env;
    env.ProgramDirectory = program_.string();
    // Empty: relative names start from the process's current folder, as in the program.
    env.CurrentDirectory = processFolder_ ? "" : docs_.string();
    env.Printers = &printers_;
    env.DefaultPrinter = printer;
    env.FontFamilies = {"Arial", "Courier New", "Helvetica", "Times New Roman"};
    env.Console = &console;
    env.Answer = [this](const std::string& text, BoxButtons) {
      questions_.push_back(text);
      if (answers_.empty()) return kAnswerNo;
      const int answer = answers_.front();
      answers_.pop_front();
      return answer;
    };
    return RunTavrelCommandLine(args, env);
  }

  fs::path dir_, program_, docs_;
  bool processFolder_ = false;
  platform::PrinterList printers_ = platform::PrinterList::virtual_only();
  std::string output_;
  std::deque<int> answers_;
  std::vector<std::string> questions_;
};

}  // namespace tavrel
