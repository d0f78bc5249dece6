// Pictures of a run: copied from the graphic path into the output directory, their size in
// the alternative text, and the table of graphics characters.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "compiler/passes/graphics_refresh.h"
#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

namespace fs = std::filesystem;

class GraphicsRefresh : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_.Path() / "pics");
    fs::create_directories(dir_.Path() / "DOC");
    std::ofstream(dir_.Path() / "pics" / "LOGO.GIF", std::ios::binary) << std::string(1500, 'x');
  }
  void Prepare(TestRun& m) {
    m->Switches.OutputDirectory = (dir_.Path() / "DOC").string();
    m->Graphics.SearchGraphicFiles = true;
    m->Graphics.GraphicDirectoryList = {(dir_.Path() / "pics").string()};
  }
  corvina_test::TempDir dir_{"skeldon-test"};
};

TEST_F(GraphicsRefresh, PictureIsCopiedAndItsSizeShown) {
  TestRun m(WholeRun("html"));
  Prepare(m);
  const auto r = CompileText(m, Crlf(".1\nT\n\n.BM logo\nText\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  EXPECT_TRUE(fs::exists(dir_.Path() / "DOC" / "LOGO.GIF"));
  EXPECT_EQ(fs::file_size(dir_.Path() / "DOC" / "LOGO.GIF"), 1500u);
  const std::string& page = FileOf(r, m->Switches.OutputDirectory + "\\N000.HTML");
  EXPECT_NE(page.find("<img align=left src=\"LOGO.GIF\" alt=\"LOGO.GIF (2k)\">"), std::string::npos)
      << page;
  EXPECT_EQ(GetGraphicSizeKb(*m, "LOGO.GIF"), 2);
  EXPECT_EQ(GetGraphicSizeKb(*m, "OTHER.GIF"), 0xFFFF);
}

TEST_F(GraphicsRefresh, MissingPictureIsRecordedAndBlocksTheHelpCompiler) {
  TestRun m(WholeRun("htmlhelp"));
  Prepare(m);
  const auto r = CompileText(m, Crlf(".1\nT\n\n.BM nowhere\nText\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  EXPECT_NE(r.Console.find("NOWHERE.GIF"), std::string::npos) << r.Console;
  EXPECT_TRUE(m->HelpProject.GraphicsMissing);
  EXPECT_EQ(GetGraphicSizeKb(*m, "NOWHERE.GIF"), 0);
  // HTML Help never shows the size.
  const std::string& page = FileOf(r, m->Switches.OutputDirectory + "\\N000.HTML");
  EXPECT_NE(page.find("alt=\"NOWHERE.GIF\">"), std::string::npos) << page;
}

TEST(GraphicsChars, MoreThanHundredBindingsKeepTheEarlierOnes) {
  TestRun m(WholeRun("html"));
  std::string source = ".1\nT\n\n";
  for (int i = 0; i < 101; ++i)
    source +=
        ".BT " + std::string(1, static_cast<char>(0x80 + i)) + " p" + std::to_string(i) + "\n";
  source += "Text\n";
  const auto r = CompileText(m, Crlf(source));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  EXPECT_NE(r.Console.find("too many graphics characters (.BT, at most 100)"), std::string::npos)
      << r.Console;
  EXPECT_EQ(m->Passes.GraphicFileNames.size(), 100u);
  EXPECT_EQ(m->Passes.GraphicCharIndex[0x80], 1);
  EXPECT_EQ(m->Passes.GraphicCharIndex[0x80 + 99], 100);
  EXPECT_EQ(m->Passes.GraphicCharIndex[0x80 + 100], 0);
  EXPECT_EQ(m->Passes.GraphicFileNames[0], "p0.GIF");
}

TEST(GraphicsChars, CharacterIsWrittenAsItsPicture) {
  TestRun m(WholeRun("ipf"));
  const auto r = CompileText(m, Crlf(".1\nT\n\n.BT # arrow\nSee # here.\n.BT #\nNo # picture.\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  const std::string& ipf = FileOf(r, "DOC.IPF");
  EXPECT_NE(ipf.find(":artwork runin name='arrow.BMP'."), std::string::npos) << ipf;
  EXPECT_NE(ipf.find("No # picture"), std::string::npos) << ipf;
}

}  // namespace
