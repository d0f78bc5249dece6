// Output file creation: the first file creates the output directory, falls back to the short
// extension on a drive that refuses the long one, later failures stop the run, the created-files
// list, and write failures found when a file is closed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "compiler/writers/output_files.h"
#include "compiler/writers/output_writer.h"
#include "tests/support/gen_support.h"
#include "tests/support/golden_util.h"
#include "tests/support/output_files_fakes.h"

using namespace skeldon;

namespace {

namespace fs = std::filesystem;
using gen_test::TestRun;

struct TempDir {
  fs::path Path;
  TempDir() {
    Path = fs::temp_directory_path() / ("gen2w_out_" + std::to_string(::getpid()) + "_" +
                                        std::to_string(reinterpret_cast<std::uintptr_t>(this)));
    fs::remove_all(Path);
    fs::create_directories(Path);
  }
  ~TempDir() { fs::remove_all(Path); }
};

TEST(OutputFilesTest, FirstFileCreatesTheOutputDirectoryWithoutMessage) {
  TempDir tmp;
  TestRun t("html");
  t->switches.OutputDirectory = (tmp.Path / "MANUAL").string();
  CreateOutputFile(*t, t->switches.OutputDirectory, "\\N000.HTML", true);
  t->passes.OutputFile = "<html>\r\n";
  CloseOutputFile(*t);
  EXPECT_EQ(gen_test::ReadFileBytes((tmp.Path / "MANUAL" / "N000.HTML").string()), "<html>\r\n");
  EXPECT_EQ(t.Messages(), "");
  EXPECT_EQ(t->outputFiles.CreatedFiles, std::vector<std::string>{"N000.HTML"});
  EXPECT_EQ(t->passes.CurrentOutputFileName, "\\N000.HTML");
  EXPECT_FALSE(t->outputFiles.FirstOutputFilePending);
  // Nothing is left behind but the page itself.
  EXPECT_EQ(std::distance(fs::directory_iterator(tmp.Path / "MANUAL"), fs::directory_iterator()), 1);
}

TEST(OutputFilesTest, DriveRefusingLongExtensionsFallsBackForTheRun) {
  TestRun t("html");
  auto files = gen2w_test::CaptureStoredFiles(*t);
  int directoriesMade = 0;
  t->outputFiles.MakeDirectory = [&](CompilerRun&, const std::string&) { ++directoriesMade; };
  t->outputFiles.CanCreate = [](CompilerRun&, const std::string& path) {
    return path.size() < 5 || path.substr(path.size() - 5) != ".HTML";
  };
  t->switches.OutputDirectory = "MANUAL";
  CreateOutputFile(*t, "MANUAL", "\\INDXF.HTML", true);
  EXPECT_EQ(directoriesMade, 1);
  EXPECT_EQ(t->fileNames.PageExtension, ".HTM");
  EXPECT_EQ(t->passes.CurrentOutputFileName, "\\INDXF.HTML");
  EXPECT_EQ(t->outputFiles.CreatedFiles, std::vector<std::string>{"INDXF.HTM"});
  EXPECT_NE(t.Messages().find("Drive supports only DOS filenames"), std::string::npos);
  CloseOutputFile(*t);
  EXPECT_EQ(files->Order, std::vector<std::string>{"MANUAL\\INDXF.HTM"});
}

TEST(OutputFilesTest, FailuresStopTheRunWithTheirMessages) {
  TestRun first("html");
  gen2w_test::CaptureStoredFiles(*first);
  first->outputFiles.CanCreate = [](CompilerRun&, const std::string&) { return false; };
  EXPECT_EQ(gen2w_test::ExitCodeOf([&] { CreateOutputFile(*first, "MANUAL", "\\INDEX.HTML", false); }), 2);
  EXPECT_NE(first.Messages().find("Error while creating target file \\INDEX.HTM. Program stopped."),
            std::string::npos)
      << first.Messages();

  TestRun later("html");
  gen2w_test::CaptureStoredFiles(*later);
  CreateOutputFile(*later, "MANUAL", "\\INDEX.HTML", false);
  int probes = 0;
  later->outputFiles.CanCreate = [&](CompilerRun&, const std::string&) { return ++probes, false; };
  EXPECT_EQ(gen2w_test::ExitCodeOf([&] { CreateOutputFile(*later, "MANUAL", "\\N001.HTML", false); }), 2);
  EXPECT_EQ(probes, 1);  // no retry after the first file
  EXPECT_NE(later.Messages().find("Error while creating target file \\N001.HTML. Disk full? Program stopped."),
            std::string::npos);
}

TEST(OutputFilesTest, CreatedFilesListKeepsNamesAfterTheFirstBackslash) {
  TestRun t("htmlhelp");
  gen2w_test::CaptureStoredFiles(*t);
  CreateOutputFile(*t, "MANUAL", "\\pgN000.html", true);
  CreateOutputFile(*t, "", "LOOSE.html", true);
  CreateOutputFile(*t, "MANUAL", "\\N001.html", false);
  EXPECT_EQ(t->outputFiles.CreatedFiles, (std::vector<std::string>{"pgN000.html", "LOOSE.html"}));
}

TEST(OutputFilesTest, OpenTextIsStoredBeforeTheNextFileStarts) {
  TestRun t("html");
  auto files = gen2w_test::CaptureStoredFiles(*t);
  CreateOutputFile(*t, "D", "\\A.html", false);
  t->passes.OutputFile = "a";
  CreateOutputFile(*t, "D", "\\B.html", false);
  t->passes.OutputFile = "b";
  CloseOutputFile(*t);
  CloseOutputFile(*t);  // nothing open: nothing stored twice
  EXPECT_EQ(files->Files["D\\A.html"], "a");
  EXPECT_EQ(files->Files["D\\B.html"], "b");
  EXPECT_EQ(files->Order.size(), 2u);
}

TEST(OutputFilesTest, WriteFailureAtCloseStopsWithExitCodeTwo) {
  TempDir tmp;
  TestRun t("html");
  t->switches.OutputDirectory = (tmp.Path / "GONE").string();
  CreateOutputFile(*t, t->switches.OutputDirectory, "\\N000.HTML", false);
  t->passes.OutputFile = "text";
  fs::remove_all(tmp.Path / "GONE");  // the folder disappears before the page is written
  EXPECT_EQ(gen2w_test::ExitCodeOf([&] { CloseOutputFile(*t); }), 2);
  EXPECT_NE(t.Messages().find("error while writing target file"), std::string::npos) << t.Messages();
}

// The background writer: every file handed over is on disk after the finish, whole and in
// place of an older one; a file that cannot be made stops the run at the finish (or at the
// next hand-over) with the message its failure calls for, and nothing after it is written.
std::string Contents(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(OutputWriterTest, WritesEveryFileHandedOverBeforeTheFinish) {
  TempDir tmp;
  TestRun t("html");
  const std::string dir = tmp.Path.string();
  { std::ofstream(tmp.Path / "N000.HTML") << "older text that is longer"; }
  StartOutputWriter(*t);
  for (int i = 0; i < 200; ++i) {
    CreateOutputFile(*t, dir, "/N" + std::to_string(1000 + i).substr(1) + ".HTML", false);
    t->passes.OutputFile = std::string(static_cast<std::size_t>(i) * 97, 'x') + std::to_string(i);
  }
  CloseOutputFile(*t);
  FinishOutputWriter(*t);
  EXPECT_FALSE(t->passes.Writer);
  for (int i = 0; i < 200; ++i)
    EXPECT_EQ(Contents(tmp.Path / ("N" + std::to_string(1000 + i).substr(1) + ".HTML")),
              std::string(static_cast<std::size_t>(i) * 97, 'x') + std::to_string(i));
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(tmp.Path)) ++entries;
  EXPECT_EQ(entries, 200u);  // no temporary file left behind
}

TEST(OutputWriterTest, FailuresStopTheRunWithTheMessageOfTheirKind) {
  struct Case {
    const char* Name;
    bool MissingFolder;  // else the page's name is taken by a folder
    int ExitCode;
    const char* Message;
  };
  const Case cases[] = {
      {"folder gone", true, 2, "Error while creating target file /N002.HTML. Disk full? Program stopped."},
      {"name taken by a folder", false, 2, "error while writing target file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TempDir tmp;
    TestRun t("html");
    const fs::path out = tmp.Path / "OUT";
    fs::create_directories(out);
    const std::string dir = out.string();
    StartOutputWriter(*t);
    CreateOutputFile(*t, dir, "/N001.HTML", false);
    t->passes.OutputFile = "one";
    CloseOutputFile(*t);
    FinishOutputWriter(*t);  // the first page is on disk
    StartOutputWriter(*t);
    if (c.MissingFolder) fs::remove_all(out);
    else fs::create_directories(out / "N002.HTML");
    // The failure stops the run at the next hand-over or at the finish, whichever comes first.
    EXPECT_EQ(gen2w_test::ExitCodeOf([&] {
                CreateOutputFile(*t, dir, "/N002.HTML", false);
                t->passes.OutputFile = "two";
                CreateOutputFile(*t, dir, "/N003.HTML", false);  // hands N002 over
                t->passes.OutputFile = "three";
                CloseOutputFile(*t);
                FinishOutputWriter(*t);
              }),
              c.ExitCode);
    EXPECT_NE(t.Messages().find(c.Message), std::string::npos) << t.Messages();
    EXPECT_FALSE(fs::exists(out / "N003.HTML"));
    if (!c.MissingFolder) {
      EXPECT_EQ(Contents(out / "N001.HTML"), "one");
    }
  }
}

}  // namespace
