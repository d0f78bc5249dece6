// Output file creation: the first file creates the output directory, falls back to the short
// extension on a drive that refuses the long one, later failures stop the run, the created-files
// list, and write failures found when a file is closed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "compiler/writers/output_files.h"
#include "compiler/writers/output_writer.h"
#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

namespace fs = std::filesystem;

TEST(OutputFilesTest, FirstFileCreatesTheOutputDirectoryWithoutMessage) {
  TestRun t({.Target = "html", .Folder = RunFolder::kPrivate});
  t->Switches.OutputDirectory = (t.Folder() / "MANUAL").string();
  CreateOutputFile(*t, t->Switches.OutputDirectory, "\\N000.HTML", true);
  t->Passes.OutputFile = "<html>\r\n";
  CloseOutputFile(*t);
  EXPECT_EQ(corvina_test::ReadFile((t.Folder() / "MANUAL" / "N000.HTML").string()), "<html>\r\n");
  EXPECT_EQ(t.Text(), "");
  EXPECT_EQ(t->OutputFiles.CreatedFiles, std::vector<std::string>{"N000.HTML"});
  EXPECT_EQ(t->Passes.CurrentOutputFileName, "\\N000.HTML");
  EXPECT_FALSE(t->OutputFiles.FirstOutputFilePending);
  // Nothing is left behind but the page itself.
  EXPECT_EQ(std::distance(fs::directory_iterator(t.Folder() / "MANUAL"), fs::directory_iterator()),
            1);
}

TEST(OutputFilesTest, DriveRefusingLongExtensionsFallsBackForTheRun) {
  TestRun t({.Target = "html", .KeepFiles = true});
  int directoriesMade = 0;
  t->OutputFiles.MakeDirectory = [&](CompilerRun&, const std::string&) { ++directoriesMade; };
  t->OutputFiles.CanCreate = [](CompilerRun&, const std::string& path) {
    return path.size() < 5 || path.substr(path.size() - 5) != ".HTML";
  };
  t->Switches.OutputDirectory = "MANUAL";
  CreateOutputFile(*t, "MANUAL", "\\INDXF.HTML", true);
  EXPECT_EQ(directoriesMade, 1);
  EXPECT_EQ(t->FileNames.PageExtension, ".HTM");
  EXPECT_EQ(t->Passes.CurrentOutputFileName, "\\INDXF.HTML");
  EXPECT_EQ(t->OutputFiles.CreatedFiles, std::vector<std::string>{"INDXF.HTM"});
  EXPECT_NE(t.Text().find("Drive supports only DOS filenames"), std::string::npos);
  CloseOutputFile(*t);
  EXPECT_EQ(t.FileOrder(), std::vector<std::string>{"MANUAL\\INDXF.HTM"});
}

TEST(OutputFilesTest, FailuresStopTheRunWithTheirMessages) {
  TestRun first({.Target = "html", .KeepFiles = true});
  first->OutputFiles.CanCreate = [](CompilerRun&, const std::string&) { return false; };
  EXPECT_EQ(ExitCodeOf([&] { CreateOutputFile(*first, "MANUAL", "\\INDEX.HTML", false); }), 2);
  EXPECT_NE(first.Text().find("Error while creating target file \\INDEX.HTM. Program stopped."),
            std::string::npos)
      << first.Text();

  TestRun later({.Target = "html", .KeepFiles = true});
  CreateOutputFile(*later, "MANUAL", "\\INDEX.HTML", false);
  int probes = 0;
  later->OutputFiles.CanCreate = [&](CompilerRun&, const std::string&) { return ++probes, false; };
  EXPECT_EQ(ExitCodeOf([&] { CreateOutputFile(*later, "MANUAL", "\\N001.HTML", false); }), 2);
  EXPECT_EQ(probes, 1);  // no retry after the first file
  EXPECT_NE(later.Text().find(
                "Error while creating target file \\N001.HTML. Disk full? Program stopped."),
            std::string::npos);
}

TEST(OutputFilesTest, CreatedFilesListKeepsNamesAfterTheFirstBackslash) {
  TestRun t({.Target = "htmlhelp", .KeepFiles = true});
  CreateOutputFile(*t, "MANUAL", "\\pgN000.html", true);
  CreateOutputFile(*t, "", "LOOSE.html", true);
  CreateOutputFile(*t, "MANUAL", "\\N001.html", false);
  EXPECT_EQ(t->OutputFiles.CreatedFiles, (std::vector<std::string>{"pgN000.html", "LOOSE.html"}));
}

TEST(OutputFilesTest, OpenTextIsStoredBeforeTheNextFileStarts) {
  TestRun t({.Target = "html", .KeepFiles = true});
  CreateOutputFile(*t, "D", "\\A.html", false);
  t->Passes.OutputFile = "a";
  CreateOutputFile(*t, "D", "\\B.html", false);
  t->Passes.OutputFile = "b";
  CloseOutputFile(*t);
  CloseOutputFile(*t);  // nothing open: nothing stored twice
  EXPECT_EQ(t.File("D\\A.html"), "a");
  EXPECT_EQ(t.File("D\\B.html"), "b");
  EXPECT_EQ(t.FileOrder().size(), 2u);
}

TEST(OutputFilesTest, WriteFailureAtCloseStopsWithExitCodeTwo) {
  TestRun t({.Target = "html", .Folder = RunFolder::kPrivate});
  t->Switches.OutputDirectory = (t.Folder() / "GONE").string();
  CreateOutputFile(*t, t->Switches.OutputDirectory, "\\N000.HTML", false);
  t->Passes.OutputFile = "text";
  fs::remove_all(t.Folder() / "GONE");  // the folder disappears before the page is written
  EXPECT_EQ(ExitCodeOf([&] { CloseOutputFile(*t); }), 2);
  EXPECT_NE(t.Text().find("error while writing target file"), std::string::npos) << t.Text();
}

// The background writer: every file handed over is on disk after the finish, whole and in
// place of an older one; a file that cannot be made stops the run at the finish (or at the
// next hand-over) with the message its failure calls for, and nothing after it is written.
TEST(OutputWriterTest, WritesEveryFileHandedOverBeforeTheFinish) {
  TestRun t({.Target = "html", .Folder = RunFolder::kPrivate});
  const std::string dir = t.Folder().string();
  { std::ofstream(t.Folder() / "N000.HTML") << "older text that is longer"; }
  StartOutputWriter(*t);
  for (int i = 0; i < 200; ++i) {
    CreateOutputFile(*t, dir, "/N" + std::to_string(1000 + i).substr(1) + ".HTML", false);
    t->Passes.OutputFile = std::string(static_cast<std::size_t>(i) * 97, 'x') + std::to_string(i);
  }
  CloseOutputFile(*t);
  FinishOutputWriter(*t);
  EXPECT_FALSE(t->Passes.Writer);
  for (int i = 0; i < 200; ++i)
    EXPECT_EQ(
        corvina_test::ReadFile(t.Folder() / ("N" + std::to_string(1000 + i).substr(1) + ".HTML")),
        std::string(static_cast<std::size_t>(i) * 97, 'x') + std::to_string(i));
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(t.Folder())) ++entries;
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
      {"folder gone", true, 2,
       "Error while creating target file /N002.HTML. Disk full? Program stopped."},
      {"name taken by a folder", false, 2, "error while writing target file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TestRun t({.Target = "html", .Folder = RunFolder::kPrivate});
    const fs::path out = t.Folder() / "OUT";
    fs::create_directories(out);
    const std::string dir = out.string();
    StartOutputWriter(*t);
    CreateOutputFile(*t, dir, "/N001.HTML", false);
    t->Passes.OutputFile = "one";
    CloseOutputFile(*t);
    FinishOutputWriter(*t);  // the first page is on disk
    StartOutputWriter(*t);
    if (c.MissingFolder)
      fs::remove_all(out);
    else
      fs::create_directories(out / "N002.HTML");
    // The failure stops the run at the next hand-over or at the finish, whichever comes first.
    EXPECT_EQ(ExitCodeOf([&] {
                CreateOutputFile(*t, dir, "/N002.HTML", false);
                t->Passes.OutputFile = "two";
                CreateOutputFile(*t, dir, "/N003.HTML", false);  // hands N002 over
                t->Passes.OutputFile = "three";
                CloseOutputFile(*t);
                FinishOutputWriter(*t);
              }),
              c.ExitCode);
    EXPECT_NE(t.Text().find(c.Message), std::string::npos) << t.Text();
    EXPECT_FALSE(fs::exists(out / "N003.HTML"));
    if (!c.MissingFolder) {
      EXPECT_EQ(corvina_test::ReadFile(out / "N001.HTML"), "one");
    }
  }
}

}  // namespace
