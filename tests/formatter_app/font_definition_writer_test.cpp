// A fresh "Fonts.ini" from a printer's font list: the standard families in graded sizes,
// the other fonts on the last lower-case letters, the surplus commented out. The expected
// texts are written out from the file's rules, not captured from the writer.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "formatter/app/font_definition_writer.h"
#include "formatter/common/font_numbers.h"
#include "formatter/fonts/fonts_ini.h"
#include "platform/printers.h"
#include "tests/formatter_app/tavrel_run_fixture.h"
#include "tests/support/page_test_support.h"
#include "tests/support/test_support.h"

namespace tavrel {
namespace {

std::string Lines(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\r\n";
  return out;
}

const std::vector<std::string> kStandardBlock = {
    "..Fonts refer to Printer: PNG Pages",
    "",
    "..Fonts available on every system:",
    "Font A = Times New Roman 8",
    "Font B = Times New Roman 10",
    "Font C = Times New Roman 12",
    "Font D = Times New Roman 14",
    "Font E = Arial 8",
    "Font F = Arial 10",
    "Font G = Arial 12",
    "Font H = Arial 14",
    "Font I = Arial 16",
    "Font J = Arial 18",
    "Font K = Courier New 8",
    "Font L = Courier New 10",
    "Font M = Courier New 12",
    "",
    "..Enter your personal font definitions here!",
    "",
    "",
    "",
    "..Additional fonts available on your system,",
    "..please modify to fit your purpose!",
};

TEST(FontDefinitionWriter, StandardFamiliesVariantsAndAdditionalFonts) {
  // "Arial Bold" and "Times New Roman Italic" are variants of standard families; a "Pitch"
  // font is never written.
  const std::vector<std::string> fonts = {"Arial",
                                          "Arial Bold",
                                          "Courier New",
                                          "Fixed Pitch Sans",
                                          "Gentium",
                                          "Times New Roman",
                                          "Times New Roman Italic",
                                          "Zed Sans"};
  std::vector<std::string> infos;
  const std::string text = BuildFontDefinitionText(
      "PNG Pages", fonts, 0, [&](const std::string& line) { infos.push_back(line); });
  std::vector<std::string> expected = kStandardBlock;
  expected.push_back("Font y = Gentium 12");
  expected.push_back("Font z = Zed Sans 12");
  EXPECT_EQ(text, Lines(expected));
  EXPECT_TRUE(infos.empty());

  // The engine's reader takes what the writer wrote.
  FontDefinitionTables tables;
  EXPECT_EQ(ParseFontDefinitionText(text, tables), "");
  const TFontEntry& c = tables.PrinterFonts->Fonts[FontSpecToNumber("C") - 1];
  EXPECT_EQ(c.FaceName.Str(), "Times New Roman");
  EXPECT_EQ(c.Size, 12);
  EXPECT_EQ(tables.PrinterFonts->Fonts[FontSpecToNumber("z") - 1].FaceName.Str(), "Zed Sans");
}

TEST(FontDefinitionWriter, MoreThanTwentySixAdditionalFontsAreWrittenDeactivated) {
  std::vector<std::string> fonts = {"Arial", "Courier New", "Times New Roman"};
  for (char c = 'A'; c <= 'Z'; ++c) fonts.push_back(std::string("Face ") + c);
  fonts.push_back("Face Z2");
  fonts.push_back("Mono Pitch");
  fonts.push_back("Face Z3");
  const std::string text = BuildFontDefinitionText("PNG Pages", fonts, 0, nullptr);
  std::vector<std::string> expected = kStandardBlock;
  for (char c = 'A'; c <= 'Z'; ++c)
    expected.push_back("Font " + std::string(1, static_cast<char>('a' + (c - 'A'))) + " = Face " +
                       c + " 12");
  expected.push_back("");
  expected.push_back("..other fonts available on your system (yet deactivated)");
  expected.push_back("..Font ? = Face Z2 12");
  expected.push_back("..Font ? = Face Z3 12");
  EXPECT_EQ(text, Lines(expected));
}

TEST(FontDefinitionWriter, MissingFamiliesAreReportedAndTheirLettersStayFree) {
  std::vector<std::string> infos;
  const std::string text = BuildFontDefinitionText(
      "Queue", {"Courier", "Gentium"}, 0, [&](const std::string& line) { infos.push_back(line); });
  EXPECT_EQ(infos, (std::vector<std::string>{"no font similar to \"Times Roman\" found",
                                             "no font similar to \"Helvetica\" found"}));
  EXPECT_NE(text.find("\r\nFont K = Courier 8\r\nFont L = Courier 10\r\nFont M = Courier 12\r\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("Font A ="), std::string::npos);
  EXPECT_NE(text.find("Font z = Gentium 12\r\n"), std::string::npos) << text;
}

TEST(FontDefinitionWriter, GermanCommentsAreCodePage850) {
  std::vector<std::string> infos;
  const std::string text =
      BuildFontDefinitionText("Drucker", {}, 1, [&](const std::string& l) { infos.push_back(l); });
  EXPECT_EQ(text.rfind("..Schriften f\x81r den Drucker-Typ: Drucker\r\n", 0), 0u);
  EXPECT_NE(text.find("..\x84ndern Sie diese nach Ihrem Bedarf ab!\r\n"), std::string::npos);
  ASSERT_EQ(infos.size(), 3u);
  // Shown through the display code page: the a umlaut is 0xE4 there.
  EXPECT_EQ(infos[2], "keine Schrift \xE4hnlich \"Courier\" gefunden");
}

TEST(FontDefinitionWriter, StyleWordsAreStripped) {
  EXPECT_EQ(StripFontStyleWords("Arial Bold Italic"), "Arial");
  EXPECT_EQ(StripFontStyleWords("Times New Roman italic"), "Times New Roman");
  EXPECT_EQ(StripFontStyleWords("Boldface"), "Boldface");
}

TEST(FontDemoFile, OneSampleLinePerDefinedFontUpToZ) {
  FontDefinitionTables tables;
  ParseFontDefinitionText(
      "Font A = Times New Roman 8\r\nFont z = Zed Sans 12\r\nFont A' = Beyond Z 12\r\n", tables);
  EXPECT_EQ(BuildFontDemoText(*tables.PrinterFonts, 0),
            "..Fonts demonstration file\r\n.LH12\r\n"
            ".SFA\r\nFont A: Times New Roman \x02"
            "bold\x02 \x19italic\x19 \x02\x19"
            "bold+italic\x19\x02\r\n"
            ".SFz\r\nFont z: Zed Sans \x02"
            "bold\x02 \x19italic\x19 \x02\x19"
            "bold+italic\x19\x02\r\n");
  const std::string german = BuildFontDemoText(*tables.PrinterFonts, 1);
  EXPECT_EQ(german.rfind("Schriftendemo-Datei\r\n.LH12\r\n", 0), 0u);
  EXPECT_NE(german.find("Font z: Zed Sans \x02"
                        "fett\x02 \x19kursiv\x19 \x02\x19"
                        "fettkursiv\x19\x02\r\n"),
            std::string::npos);
}

// The files as the first run writes them for the virtual PostScript printer, compared with the
// reviewed copies; the demonstration file then prints every font's sample line.
using FontFilesForPostScriptPrinter = TavrelRunFixture;

std::string Golden(const std::string& name) {
  return corvina_test::ReadFile(fs::path(CORVINA_SOURCE_DIR) / "tests/golden/formatter_app" / name);
}

TEST_F(FontFilesForPostScriptPrinter, MatchTheReviewedFilesAndTheDemoPrints) {
  CopyExample("held.ws");
  ASSERT_EQ(Run({"held.ws", "/F"}).ExitCode, kExitOk) << output_;
  const std::string fontsIni = corvina_test::ReadFile(program_ / "Fonts.ini");
  EXPECT_EQ(fontsIni, Golden("Fonts.ini"));

  FontDefinitionTables tables;
  EXPECT_EQ(ParseFontDefinitionText(fontsIni, tables), "");
  ASSERT_TRUE(WriteFontDemoFile(program_.string(), *tables.PrinterFonts, 0));
  const std::string demo = corvina_test::ReadFile(program_ / "Fontdemo.fmt");
  EXPECT_EQ(demo, Golden("Fontdemo.fmt"));

  fs::copy_file(program_ / "Fontdemo.fmt", docs_ / "Fontdemo.fmt");
  const TavrelRunResult printed = Run({(docs_ / "Fontdemo.fmt").string(), "/P"});
  ASSERT_EQ(printed.ExitCode, kExitOk) << output_;
  ASSERT_EQ(printed.PrintOutput, (docs_ / "Fontdemo.ps").string());
  const std::string pdf = (dir_ / "Fontdemo.pdf").string();
  ASSERT_EQ(platform::run_program({"ps2pdf", printed.PrintOutput, pdf}), 0);
  std::string text;
  ASSERT_EQ(platform::run_program({"pdftotext", "-enc", "UTF-8", "-layout", pdf, "-"}, &text), 0);
  // Each defined font's line, in order, with the three samples as plain words.
  std::size_t at = 0;
  for (const char* line :
       {"Font A: Times New Roman bold italic bold+italic",
        "Font D: Times New Roman bold italic bold+italic",
        "Font E: Helvetica bold italic bold+italic", "Font J: Helvetica bold italic bold+italic",
        "Font K: Courier New bold italic bold+italic",
        "Font M: Courier New bold italic bold+italic", "Font z: Arial bold italic bold+italic"}) {
    const std::size_t found = text.find(line, at);
    EXPECT_NE(found, std::string::npos) << line << "\n" << text;
    if (found != std::string::npos) at = found;
  }
}

// The reviewed demonstration file in the preview: one screen, every defined font in its place.
TEST(FontDemoFile, PreviewShowsEachFontsLineInItsFont) {
  FontDefinitionTables tables;
  ASSERT_EQ(ParseFontDefinitionText(Golden("Fonts.ini"), tables), "");
  page_test::OneScreenPreview preview(tables, 120, 1000, 1404);
  preview.settings.PreviewPlacesEachChar = 0;
  preview.settings.PageTemplates[0].PL = 66;  // room for all fourteen sample lines on one page
  const std::string drawn = preview.Show(Golden("Fontdemo.fmt"), "Fontdemo.fmt");
  EXPECT_EQ(preview.ctx.ThreadErrorText, "");
  // Each sample line: the font it starts in, then its label.
  std::string shown, font;
  std::istringstream log(drawn);
  for (std::string line; std::getline(log, line);) {
    if (line.rfind("font ", 0) == 0) font = line.substr(5, line.find(" #") - 5);
    const std::size_t label = line.find(" \"Font\"");
    if (line.rfind("text ", 0) == 0 && label != std::string::npos) shown += font + "\n";
  }
  EXPECT_EQ(shown,
            "\"Times New Roman\" 8\n\"Times New Roman\" 10\n\"Times New Roman\" 12\n"
            "\"Times New Roman\" 14\n\"Helvetica\" 8\n\"Helvetica\" 10\n\"Helvetica\" 12\n"
            "\"Helvetica\" 14\n\"Helvetica\" 16\n\"Helvetica\" 18\n\"Courier New\" 8\n"
            "\"Courier New\" 10\n\"Courier New\" 12\n\"Arial\" 12\n");
  // The samples switch to the bold, italic and bold italic variants of the line's font.
  EXPECT_NE(drawn.find("font \"Arial\" 12 bold italic #000000 cp850\ntext "), std::string::npos);
}

}  // namespace
}  // namespace tavrel
