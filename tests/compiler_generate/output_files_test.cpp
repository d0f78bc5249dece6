// Output file creation: the first file creates the output directory, falls back to the short
// extension on a drive that refuses the long one, later failures stop the run, the created-files
// list, and write failures found when a file is closed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "compiler/generate/output_files.h"
#include "gen_support.h"
#include "golden_util.h"
#include "output_files_fakes.h"

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

}  // namespace
