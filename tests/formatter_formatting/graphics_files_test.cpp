// The picture loader and the graphics characters of ".GR"/".BT" at formatting time.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "formatter/common/file_services.h"
#include "formatter/formatting/graphics_files.h"
#include "tests/support/format_run_fixture.h"

namespace tavrel::testing {
namespace {

namespace fs = std::filesystem;

// A 24-bit BMP of w x h pixels, all white.
std::string MakeBmp(int w, int h) {
  const int row = (w * 3 + 3) / 4 * 4;
  const int size = 54 + row * h;
  std::string b(static_cast<std::size_t>(size), '\0');
  auto put32 = [&b](int at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, size);
  put32(10, 54);
  put32(14, 40);
  put32(18, w);
  put32(22, h);
  b[26] = 1;
  b[28] = 24;
  put32(34, row * h);
  for (int i = 54; i < size; ++i) b[i] = '\xFF';
  return b;
}

// ---- LoadGraphicsFile and GetPictureSize ----

class GraphicsFileTest : public RunFixture {
 protected:
  FileContext Files() const {
    FileContext f;
    f.CurrentDocument = (dir_ / "doc.ws").string();
    f.ProgramDirectory = (dir_ / "program").string();
    return f;
  }
};

TEST_F(GraphicsFileTest, NamesFollowTheLoaderRules) {
  WriteFileBytes(dir_ / "pic.bmp", MakeBmp(5, 3));
  WriteFileBytes(dir_ / "meta.wmf", std::string("\xD7\xCD\xC6\x9A", 4) + std::string(40, '\0'));
  WriteFileBytes(dir_ / "broken.bmp", "BM not really");
  WriteFileBytes(dir_ / "notes.txt", "text");
  using F = GraphicsLoadFailure;
  struct Case {
    const char* name;
    F failure;
    const char* error_part;  // in the error text when not loaded
  } cases[] = {
      {"pic.bmp", F::kNone, ""},
      {"pic", F::kNone, ""},      // no extension: ".bmp"
      {"pic.gra", F::kNone, ""},  // "gra" is read as "bmp"
      {"PIC.BMP", F::kNone, ""},  // names are found whatever their case
      {"meta.wmf", F::kUnreadable, "not supported"},
      {"missing.bmp", F::kNotFound, "not found"},
      {"notes.txt", F::kNotGraphics, "not a graphics file"},
      {"broken.bmp", F::kUnreadable, "broken.bmp"},
      {"", F::kNoName, "no graphics file"},
  };
  for (const Case& c : cases) {
    std::int32_t w = -1, h = -1;
    GraphicsLoadError error;
    EXPECT_EQ(GetPictureSize(c.name, Files(), w, h, &error), c.failure == F::kNone)
        << c.name << ": " << error.Text;
    EXPECT_EQ(error.Kind, c.failure) << c.name;
    if (c.failure == F::kNone) {
      EXPECT_EQ(w, 5) << c.name;
      EXPECT_EQ(h, 3) << c.name;
    } else {
      EXPECT_EQ(w, 0) << c.name;
      EXPECT_NE(error.Text.find(c.error_part), std::string::npos) << c.name << ": " << error.Text;
    }
  }
}

TEST_F(GraphicsFileTest, SearchesTheProgramDirectoryAfterTheDocumentDirectory) {
  fs::create_directories(dir_ / "program");
  WriteFileBytes(dir_ / "program" / "logo.bmp", MakeBmp(7, 2));
  std::shared_ptr<const platform::Bitmap> picture;
  ASSERT_TRUE(LoadGraphicsFile(picture, "logo.bmp", Files()));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width, 7);
}

// ---- ".GR" and ".BT" at formatting time ----

TEST(GraphicsCharLineTest, ParsesCharacterAndName) {
  struct Case {
    const char* line;
    const char* command;
    bool valid;
    char ch;
    const char* name;
  } cases[] = {
      {".GR# pic.bmp", "GR", true, '#', "pic.bmp"},
      {".GR#   pic.bmp ", "GR", true, '#', "pic.bmp"},   // leading blanks, one trailing blank
      {".GR# C:pic.bmp", "GR", true, '#', "pic.bmp"},    // "GR" drops a leading "C:"
      {".BT# C:pic.bmp", "BT", true, '#', "C:pic.bmp"},  // "BT" keeps it
      {".GR#", "GR", true, '#', ""},                     // empty name: the definition is removed
      {".GR", "GR", false, 0, ""},
  };
  for (const Case& c : cases) {
    const GraphicsCharDefinition d = ParseGraphicsCharLine(c.line, c.command);
    EXPECT_EQ(d.Valid, c.valid) << c.line;
    if (!c.valid) continue;
    EXPECT_EQ(d.Char, static_cast<std::uint8_t>(c.ch)) << c.line;
    EXPECT_EQ(d.FileName, c.name) << c.line;
  }
}

TEST_F(GraphicsFileTest, TableKeepsTheFirstDefinitionAndHoldsTwenty) {
  WriteFileBytes(dir_ / "a.bmp", MakeBmp(300, 10));
  WriteFileBytes(dir_ / "b.bmp", MakeBmp(150, 10));
  GraphicsCharTable table;
  EXPECT_EQ(table.WidthOf('#'), -1);
  // 300 pixels at 300 dots per inch on a 120 dpi printer: 120 dots; at 150 per inch: 240.
  EXPECT_EQ(DefineGraphicsChar(table, {true, '#', "a.bmp"}, Files(), 120, 0),
            GraphicsCharOutcome::kDefined);
  EXPECT_EQ(table.WidthOf('#'), 120);
  EXPECT_EQ(DefineGraphicsChar(table, {true, '#', "b.bmp"}, Files(), 120, 150),
            GraphicsCharOutcome::kDefined);
  EXPECT_EQ(table.WidthOf('#'), 120) << "a character defined twice keeps its first picture";
  EXPECT_EQ(DefineGraphicsChar(table, {true, '#', ""}, Files(), 120, 0),
            GraphicsCharOutcome::kRemoved);
  EXPECT_EQ(table.WidthOf('#'), -1);
  EXPECT_EQ(DefineGraphicsChar(table, {true, '#', "b.bmp"}, Files(), 120, 150),
            GraphicsCharOutcome::kDefined);
  EXPECT_EQ(table.WidthOf('#'), 120);

  GraphicsLoadError error;
  EXPECT_EQ(DefineGraphicsChar(table, {true, '%', "gone.bmp"}, Files(), 120, 0, &error),
            GraphicsCharOutcome::kNotLoaded);
  EXPECT_EQ(error.Kind, GraphicsLoadFailure::kNotFound);
  EXPECT_EQ(table.WidthOf('%'), 0) << "defined without a picture, as the page engine does";
  for (int c = 'A'; c < 'A' + 18; ++c)
    EXPECT_EQ(
        DefineGraphicsChar(table, {true, static_cast<std::uint8_t>(c), "a.bmp"}, Files(), 120, 0),
        GraphicsCharOutcome::kDefined);
  EXPECT_EQ(DefineGraphicsChar(table, {true, 'z', "a.bmp"}, Files(), 120, 0),
            GraphicsCharOutcome::kTableFull);
  EXPECT_EQ(table.WidthOf('z'), -1);
}

class GraphicsCharRunTest : public RunFixture {};

// The fixture's printer has 120 dpi and 12 dots per character. A picture of 240 pixels at the
// ".GS" resolution 240 is one inch: 120 dots, ten columns. A line of ".RM 30" then holds two
// graphics characters and less text than the same line without the definition.
TEST_F(GraphicsCharRunTest, GraphicsCharactersCountWithTheirPictureWidth) {
  WriteFileBytes(dir_ / "pic.bmp", MakeBmp(240, 20));
  const std::string text = "aa # # bb cc dd ee ff gg hh ii jj kk ll mm nn\r\n";
  const std::string as_text = "aa # # bb cc dd ee ff gg hh \x8D\nii jj kk ll mm nn\r\n";
  const std::string as_pictures = "aa # # bb \x8D\ncc dd ee ff gg hh ii jj kk ll \x8D\nmm nn\r\n";
  struct Case {
    const char* definitions;
    const std::string& body;
  } cases[] = {
      {"", as_text},
      {".GS 240\r\n.GR# pic.bmp\r\n", as_pictures},
      {".GS 240\r\n.BT# pic.bmp\r\n", as_pictures},
      {".GS 240\r\n.GR# pic.bmp\r\n.GR#\r\n", as_text},  // removed again
      {".GS 240\r\n.GR% pic.bmp\r\n", as_text},          // another character
  };
  for (const Case& c : cases) {
    const std::string fmt = Body(Format("g.ws", std::string(".RM 30\r\n") + c.definitions + text));
    EXPECT_EQ(fmt, std::string(".RM 30\r\n") + c.definitions + c.body) << Readable(fmt);
  }
  EXPECT_TRUE(MessageLines().empty());
}

TEST_F(GraphicsCharRunTest, MissingPictureIsReportedAndTheLineCopied) {
  const std::string fmt = Body(Format("doc.ws", ".GR# nowhere.bmp\r\nx # y\r\n"));
  EXPECT_NE(fmt.find(".GR# nowhere.bmp\r\n"), std::string::npos) << Readable(fmt);
  ASSERT_EQ(MessageLines().size(), 1u);
  EXPECT_NE(MessageLines()[0].find("Graphics file nowhere.bmp not found"), std::string::npos)
      << MessageLines()[0];
}

}  // namespace
}  // namespace tavrel::testing
