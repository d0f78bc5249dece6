// Pictures brought into the output directory: which copies are made from which graphic
// folder, with the source's time; the sizes in kB; names that would leave the folder.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "compiler/passes/compiler_run.h"
#include "compiler/passes/graphics_refresh.h"
#include "tests/support/compiler_test_run.h"

using namespace skeldon;

namespace {

namespace fs = std::filesystem;

class PictureCopies : public ::testing::Test {
 protected:
  void SetUp() override {
    run->Switches.OutputDirectory = (dir_.Path() / "out" / "DOC").string();
    run->Graphics.SearchGraphicFiles = true;
    run->Graphics.GraphicDirectoryList = {dir_ / "first", dir_ / "second"};
    fs::create_directories(dir_.Path() / "out" / "DOC");
  }
  // A picture of `size` bytes whose time lies `hoursAgo` in the past.
  void Picture(const std::string& path, std::size_t size, int hoursAgo, char fill = 'x') {
    corvina_test::WriteFile(dir_ / path, std::string(size, fill));
    fs::last_write_time(dir_ / path,
                        fs::file_time_type::clock::now() - std::chrono::hours(hoursAgo));
  }
  std::string Refresh(std::string name) {
    RefreshGraphicsFileName(*run, name);
    return name;
  }
  fs::file_time_type Time(const std::string& path) { return fs::last_write_time(dir_ / path); }

  corvina_test::TempDir dir_{"skeldon-pictures"};
  TestRun run{"html"};
};

TEST_F(PictureCopies, OnlyMissingAndOlderCopiesAreReplacedFromTheFirstFolderThatHasThem) {
  Picture("first/NEWER.GIF", 1499, 10, 'n');
  Picture("second/NEWER.GIF", 10, 1);  // a later folder does not count
  Picture("out/DOC/NEWER.GIF", 3, 20);
  Picture("first/SAME.GIF", 499, 30, 's');
  fs::copy_file(dir_ / "first/SAME.GIF", dir_ / "out/DOC/SAME.GIF");
  // An even second and the odd one after it pack to the same time.
  using namespace std::chrono;
  const auto even =
      file_clock::from_sys(sys_seconds{sys_days{year{2020} / 1 / 1}} + seconds{36000});
  fs::last_write_time(dir_ / "out/DOC/SAME.GIF", even);
  fs::last_write_time(dir_ / "first/SAME.GIF", even + seconds(1));
  Picture("second/MISSING.GIF", 1500, 40, 'm');
  Picture("out/DOC/ONLYOUT.GIF", 2500, 5);

  for (const char* name : {"NEWER.GIF", "SAME.GIF", "MISSING.GIF", "ONLYOUT.GIF"})
    EXPECT_EQ(Refresh(name), name);
  EXPECT_EQ(run.Text(), "updating graphics file NEWER.GIF\n")
      << "an equal time (within the 2 seconds of a packed time) is not newer";
  EXPECT_EQ(corvina_test::ReadFile(dir_ / "out/DOC/NEWER.GIF"), std::string(1499, 'n'));
  EXPECT_EQ(Time("out/DOC/NEWER.GIF"), Time("first/NEWER.GIF"));
  EXPECT_EQ(corvina_test::ReadFile(dir_ / "out/DOC/MISSING.GIF"), std::string(1500, 'm'));
  EXPECT_EQ(Time("out/DOC/MISSING.GIF"), Time("second/MISSING.GIF"));

  struct Size {
    const char* name;
    std::uint16_t kb;
  } sizes[] = {{"NEWER.GIF", 1},
               {"SAME.GIF", 0},
               {"MISSING.GIF", 2},
               {"ONLYOUT.GIF", 3},
               {"NEVER.GIF", 0xFFFF}};
  for (const Size& s : sizes) EXPECT_EQ(GetGraphicSizeKb(*run, s.name), s.kb) << s.name;
  EXPECT_FALSE(run->HelpProject.GraphicsMissing);

  // Handled once per run: a second reference copies and reports nothing.
  Picture("first/NEWER.GIF", 7, 0);
  EXPECT_EQ(Refresh("sub\\NEWER.GIF"), "NEWER.GIF");
  EXPECT_EQ(fs::file_size(dir_ / "out/DOC/NEWER.GIF"), 1499u);
}

// Copies are not flushed to disk, so a crash of the system may leave one empty with the
// source's time: an empty copy of a picture that has bytes is made again, whatever its time.
TEST_F(PictureCopies, AnEmptyCopyOfAPictureWithBytesIsMadeAgain) {
  Picture("first/EMPTIED.GIF", 700, 10, 'e');
  Picture("out/DOC/EMPTIED.GIF", 0, 1);  // newer than the source, yet empty
  Picture("first/NOTHING.GIF", 0, 10);
  Picture("out/DOC/NOTHING.GIF", 0, 1);  // as empty as its source: kept
  Picture("first/KEPT.GIF", 700, 10);
  Picture("out/DOC/KEPT.GIF", 5, 1, 'k');  // newer and not empty: kept as before
  for (const char* name : {"EMPTIED.GIF", "NOTHING.GIF", "KEPT.GIF"}) Refresh(name);
  EXPECT_EQ(run.Text(), "updating graphics file EMPTIED.GIF\n");
  EXPECT_EQ(corvina_test::ReadFile(dir_ / "out/DOC/EMPTIED.GIF"), std::string(700, 'e'));
  EXPECT_EQ(Time("out/DOC/EMPTIED.GIF"), Time("first/EMPTIED.GIF"));
  EXPECT_EQ(corvina_test::ReadFile(dir_ / "out/DOC/KEPT.GIF"), "kkkkk");
  EXPECT_EQ(GetGraphicSizeKb(*run, "EMPTIED.GIF"), 1);
}

TEST_F(PictureCopies, NamesWithAFolderNeverReachOutsideTheOutputDirectory) {
  Picture("first/X.GIF", 10, 3);
  const struct {
    const char* name;
    const char* bare;
  } cases[] = {
      {"..\\X.GIF", "X.GIF"},  {"../X.GIF", "X.GIF"}, {"sub/../../X.GIF", "X.GIF"},
      {"/etc/X.GIF", "X.GIF"}, {"..", ".."},          {"a/..", ".."},
  };
  for (const auto& c : cases) EXPECT_EQ(Refresh(c.name), c.bare) << c.name;
  EXPECT_TRUE(fs::exists(dir_ / "out/DOC/X.GIF"));
  EXPECT_FALSE(fs::exists(dir_ / "out/X.GIF"));
  EXPECT_FALSE(fs::exists(dir_ / "X.GIF"));
  ASSERT_EQ(run->SummaryPage.GraphicFiles.size(), 1u) << "\"..\" is no picture";
  EXPECT_EQ(run->SummaryPage.GraphicFiles[0].Name, "X.GIF");
}

TEST_F(PictureCopies, WebNamesAreExternalReferences) {
  for (const char* name : {"http://x.org/a.gif", "https://x.org/b.gif", "ftp://x.org/c.gif"})
    EXPECT_EQ(Refresh(name), name);
  EXPECT_TRUE(run->SummaryPage.GraphicFiles.empty());
  EXPECT_FALSE(fs::exists(dir_ / "out/DOC/b.gif"));
}

TEST_F(PictureCopies, AnUnreadableSourceIsReportedAndKeepsTheOldCopy) {
  // A file that opens but cannot be read: the kernel refuses reads at offset 0.
  fs::create_directories(dir_.Path() / "first");
  fs::create_symlink("/proc/self/mem", dir_.Path() / "first" / "BAD.GIF");
  Picture("out/DOC/BAD.GIF", 4, 100, 'o');
  EXPECT_EQ(Refresh("BAD.GIF"), "BAD.GIF");
  EXPECT_TRUE(run.ConsoleHas("graphics file BAD.GIF was not copied: cannot read")) << run.Text();
  EXPECT_EQ(corvina_test::ReadFile(dir_ / "out/DOC/BAD.GIF"), "oooo");
  EXPECT_EQ(GetGraphicSizeKb(*run, "BAD.GIF"), 0) << "found, with the old copy's 4 bytes";
  EXPECT_FALSE(run->HelpProject.GraphicsMissing);
}

}  // namespace
