// Inline pictures: references per target, picture sizes of bitmap and GIF files, graphics
// characters.
#include <gtest/gtest.h>

#include <gif_lib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "compiler/writers/inline_graphics.h"
#include "platform/pictures.h"
#include "tests/support/compiler_test_support.h"
#include "tests/support/test_support.h"

using namespace skeldon;

namespace skeldon {
namespace {

class PictureFiles : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = dir_ / name;
    corvina_test::WriteFile(path, bytes);
    return path;
  }
  static std::string Bmp(int width, std::int32_t height) {
    std::string b(54, '\0');
    b[0] = 'B';
    b[1] = 'M';
    auto put32 = [&](int at, std::int32_t v) {
      for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
    };
    put32(18, width);
    put32(22, height);
    return b;
  }
  corvina_test::TempDir dir_{"skeldon-test"};
};

TEST_F(PictureFiles, BitmapSizes) {
  struct Case {
    int width;
    std::int32_t height;
    std::uint16_t w, h;
  } cases[] = {{200, 100, 2000, 1000}, {50, 9000, 500, 500}, {50, 1, 500, 500},
               {50, 0, 500, 500},      {50, -100, 500, 500}, {7000, 2, 65535, 20}};
  for (const Case& c : cases) {
    std::uint16_t w = 0, h = 0;
    GetPictureSize(Write("pic.bmp", Bmp(c.width, c.height)), w, h);
    EXPECT_EQ(w, c.w) << c.width << "x" << c.height;
    EXPECT_EQ(h, c.h) << c.width << "x" << c.height;
  }
  // An old bitmap (first word 0) takes the words at 2 and 4 unchecked.
  std::uint16_t w = 0, h = 0;
  GetPictureSize(Write("OLD.BMP", std::string("\0\0\x0a\0\x01\0", 6)), w, h);
  EXPECT_EQ(w, 100);
  EXPECT_EQ(h, 10);
}

TEST_F(PictureFiles, GifSizes) {
  // Header, screen 300x200, packed 0x80 (table of 2 entries = 6 bytes), background, aspect.
  std::string gif = "GIF89a";
  gif += std::string("\x2c\x01\xc8\x00\x80\x00\x00", 7);
  gif += std::string(6, '\0');
  std::string withExtension = gif + std::string("\x21\xf9\x04\x00\x00\x00\x00\x00", 8) +
                              std::string("\x2c\x00\x00\x00\x00\x0a\x00\x05\x00", 9);
  std::string plain = gif + std::string("\x2c\x00\x00\x00\x00\x0b\x00\x06\x00", 9);
  std::uint16_t w = 0, h = 0;
  GetPictureSize(Write("a.GIF", withExtension), w, h);
  EXPECT_EQ(w, 100);
  EXPECT_EQ(h, 50);
  GetPictureSize(Write("b.gif", plain), w, h);
  EXPECT_EQ(w, 110);
  EXPECT_EQ(h, 60);
  GetPictureSize(Write("short.gif", gif.substr(0, 14)), w, h);
  EXPECT_EQ(w, 300);
  EXPECT_EQ(h, 300);
}

// A real GIF written by giflib: a screen of 300x200 holding one image of the given size, with
// a global colour table or only a local one, and a graphic control extension when asked.
std::string EncodedGif(int width, int height, bool globalTable, bool controlExtension) {
  std::string out;
  int error = 0;
  GifFileType* gif = EGifOpen(
      &out,
      [](GifFileType* g, const GifByteType* bytes, int n) {
        static_cast<std::string*>(g->UserData)
            ->append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(n));
        return n;
      },
      &error);
  if (!gif) return out;
  const GifColorType colours[4] = {{0, 0, 0}, {255, 255, 255}, {255, 0, 0}, {0, 0, 255}};
  ColorMapObject* map = GifMakeMapObject(4, colours);
  EGifSetGifVersion(gif, true);
  EGifPutScreenDesc(gif, 300, 200, 2, 0, globalTable ? map : nullptr);
  if (controlExtension) {
    const GifByteType control[4] = {0, 0, 0, 0};
    EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control);
  }
  EGifPutImageDesc(gif, 3, 4, width, height, false, globalTable ? nullptr : map);
  std::vector<GifPixelType> line(static_cast<std::size_t>(width));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) line[static_cast<std::size_t>(x)] = (x + y) % 4;
    EGifPutLine(gif, line.data(), width);
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out;
}

// Whatever the screen header holds, the size measured is the first image's.
TEST_F(PictureFiles, GifSizeIsTheImagesWithOrWithoutAGlobalColourTable) {
  for (bool globalTable : {true, false})
    for (bool extension : {true, false})
      for (auto [width, height] : {std::pair{11, 6}, std::pair{1, 1}, std::pair{257, 3}}) {
        SCOPED_TRACE(std::string(globalTable ? "global" : "local") + " table, " +
                     (extension ? "control extension, " : "") + std::to_string(width) + "x" +
                     std::to_string(height));
        const std::string bytes = EncodedGif(width, height, globalTable, extension);
        const platform::PictureResult decoded = platform::decode_gif(bytes);
        ASSERT_TRUE(decoded.ok()) << decoded.error;  // a well-formed file
        std::uint16_t w = 0, h = 0;
        GetPictureSize(Write("p.gif", bytes), w, h);
        EXPECT_EQ(w, width * 10);
        EXPECT_EQ(h, height * 10);
      }
}

TEST(PictureSize, UnmeasuredNames) {
  std::uint16_t w = 0, h = 0;
  GetPictureSize("picture.png", w, h);
  EXPECT_EQ(w, 300);
  EXPECT_EQ(h, 300);
  GetPictureSize("/nonexistent/none.bmp", w, h);
  EXPECT_EQ(w, 300);
  EXPECT_EQ(h, 300);
}

TEST(InlineGraphic, ReferencePerTarget) {
  struct Case {
    const char* target;
    std::string bytes;
  } cases[] = {
      {"html", "<img align=bottom src=\"Pics/arrow.gif\">"},
      {"htmlhelp", "<img align=bottom src=\"Pics/arrow.gif\">"},
      {"ipf", ":artwork runin name='pics/Arrow.gif'."},
      {"winhelp4", " \\{bmc pics/Arrow.gif\\}"},
      {"winhelp3", " \\{bmc pics/Arrow.gif\\}"},
      {"rtftext",
       "{\\*\\flyinpara\\pard\\plain\\absw300\\absh300{\\*\\flymaincnt0}{{\\field{\\*\\fldinst{"
       "\\\\import pics/Arrow.gif}}}}\\pard}"},
  };
  for (const Case& c : cases) {
    TestRun t(c.target);
    t->Ini.CapitalFirstLetter = true;
    t->Ini.CapitalOtherLetters = false;
    WriteInlineGraphic(*t, "pics/Arrow.gif");
    EXPECT_EQ(t->Passes.OutputFile, c.bytes) << c.target;
  }
}

TEST(GraphicChar, LayoutLineEndsOnlyInReflowedText) {
  struct Case {
    const char* target;
    bool formatMode;
    std::string bytes;
  } cases[] = {
      {"ipf", true, "\r\n:artwork runin name='x.bmp'.\r\n"},
      {"ipf", false, ":artwork runin name='x.bmp'."},
      {"winhelp4", true, " \\{bmc x.bmp\\}"},
  };
  for (const Case& c : cases) {
    TestRun t(c.target);
    t->Passes.GraphicFileNames = {"x.bmp"};
    t->Passes.GraphicCharIndex['*'] = 1;
    t->Markup.FormatMode = c.formatMode;
    WriteGraphicChar(*t, '*');
    EXPECT_EQ(Printable(t->Passes.OutputFile), Printable(c.bytes)) << c.target;
    EXPECT_TRUE(t->CharConversion.Context.AfterFontChange);
  }
  // In IPF the blank right after the picture is dropped, a second one is kept.
  TestRun t("ipf");
  t->Passes.GraphicFileNames = {"x.bmp"};
  t->Passes.GraphicCharIndex['*'] = 1;
  WriteGraphicChar(*t, '*');
  WriteSourceText(*t, "  a", t->Passes.OutputFile);
  EXPECT_EQ(Printable(t->Passes.OutputFile), Printable("\r\n:artwork runin name='x.bmp'.\r\n a"));
  // An entry outside the table writes nothing.
  TestRun bad("html");
  bad->Passes.GraphicCharIndex['*'] = 7;
  WriteGraphicChar(*bad, '*');
  EXPECT_EQ(bad->Passes.OutputFile, "");
}

}  // namespace
}  // namespace skeldon

namespace {

// The attribute names of every <img> tag of the text (case as written), read as a browser
// reads them: a value in double quotes ends at the next double quote.
std::string LowerText(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

std::vector<std::string> ImgAttributeNames(const std::string& markup) {
  const std::string text = LowerText(markup);
  std::vector<std::string> names;
  std::size_t at = 0;
  while ((at = text.find("<img", at)) != std::string::npos) {
    std::size_t p = at + 4;
    while (p < text.size() && text[p] != '>') {
      if (text[p] == ' ' || text[p] == '\r' || text[p] == '\n') {
        ++p;
        continue;
      }
      std::string name;
      while (p < text.size() && text[p] != '=' && text[p] != ' ' && text[p] != '>')
        name.push_back(text[p++]);
      names.push_back(name);
      if (p < text.size() && text[p] == '=') {
        ++p;
        if (p < text.size() && text[p] == '"') {
          p = text.find('"', p + 1);
          if (p == std::string::npos) return names;
          ++p;
        } else {
          while (p < text.size() && text[p] != ' ' && text[p] != '>') ++p;
        }
      }
    }
    at = p;
  }
  return names;
}

}  // namespace

// A picture name is the author's text: in HTML it must stay inside its attribute, in IPF a
// name that cannot be quoted is left out with a message instead of breaking the tag.
TEST(PictureNames, StayInsideTheirMarkup) {
  struct Case {
    const char* target;
    std::string lines;
  } cases[] = {
      {"html", ".BM x\"onerror=\"alert(1)"},
      {"html", ".BM a<b>&c"},
      {"html", ".BT * y\"onload=\"z.gif\nword * word"},
      {"htmlhelp", ".BM x\" onerror=\"alert(1)"},
      {"ipf", ".BM it's"},
      {"ipf", ".BT * it's.bmp\nword * word"},
  };
  for (const Case& c : cases) {
    TestRun m(WholeRun(c.target));
    const auto r = CompileText(m, Crlf(".1\nA\n\n" + c.lines + "\nText\n.BM plain\n"));
    ASSERT_EQ(r.ExitCode, -1) << c.lines << r.Console;
    bool plainSeen = false;
    for (const auto& [name, text] : r.Files) {
      if (std::string(c.target) == "ipf") {
        EXPECT_FALSE(Contains(text, "it's")) << c.lines << "\n" << text;
        plainSeen = plainSeen || Contains(LowerText(text), ":artwork align=left name='plain.bmp'.");
        continue;
      }
      for (const std::string& a : ImgAttributeNames(text)) {
        EXPECT_TRUE(a == "align" || a == "src" || a == "alt" || a == "border")
            << c.lines << ": attribute " << a << " in\n"
            << text;
      }
      plainSeen = plainSeen || Contains(LowerText(text), "src=\"plain.gif\"");
    }
    EXPECT_TRUE(plainSeen) << c.lines;
    if (std::string(c.target) == "ipf") {
      EXPECT_TRUE(Contains(r.Console, "holds an apostrophe")) << r.Console;
    }
  }
}

TEST(PictureNames, HtmlAttributeText) {
  EXPECT_EQ(HtmlAttributeText("a\"b&c<d>e'f"), "a&quot;b&amp;c&lt;d&gt;e'f");
  EXPECT_EQ(HtmlAttributeText("pics/plain.gif"), "pics/plain.gif");
}
