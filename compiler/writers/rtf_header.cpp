#include "compiler/writers/rtf_header.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

#include "compiler/foundation/ini_values.h"
#include "compiler/passes/compiler_run.h"

namespace skeldon {

namespace {

struct TRtfColour {
  std::uint8_t Red, Green, Blue;
};

// black, green, silver, lime, gray, olive, white, yellow, maroon, navy, red, blue, purple,
// teal, fuchsia, aqua: the index is the colour number of the font definitions.
constexpr std::array<TRtfColour, 16> kRtfColours{{{0, 0, 0},
                                                  {0, 128, 0},
                                                  {192, 192, 192},
                                                  {0, 255, 0},
                                                  {128, 128, 128},
                                                  {128, 128, 0},
                                                  {255, 255, 255},
                                                  {255, 255, 0},
                                                  {128, 0, 0},
                                                  {0, 0, 128},
                                                  {255, 0, 0},
                                                  {0, 0, 255},
                                                  {128, 0, 128},
                                                  {0, 128, 128},
                                                  {255, 0, 255},
                                                  {0, 255, 255}}};

std::string Hex2(int value) {
  char buf[4];
  std::snprintf(buf, sizeof buf, "%02x", value & 0xFF);
  return buf;
}

}  // namespace

void WriteRtfColorTable(CompilerRun& run) {
  std::string& f = run.Passes.OutputFile;
  f += "{\\colortbl;";
  // With colour correction RTF text leaves black out, so the first colour becomes number 1.
  const std::size_t first = run.Ini.ColorCorrection && run.Ini.TargetFlags.RtfText ? 1 : 0;
  for (std::size_t i = first; i < kRtfColours.size(); ++i) {
    const TRtfColour& c = kRtfColours[i];
    f += "\\red" + std::to_string(c.Red) + "\\green" + std::to_string(c.Green) + "\\blue" +
         std::to_string(c.Blue);
    if (i == 0) f += "\\";
    f += ";";
  }
  f += "}\r\n";
}

void WriteRtfFontTable(CompilerRun& run) {
  std::string& f = run.Passes.OutputFile;
  f += "{\\fonttbl{\\f0\\fnil;}";
  int n = 0;
  run.Markup.RtfFontNumbers.fill(0);
  for (int i = 0; i < kFontLetterCount; ++i) {
    const std::string& text = run.IniValues.FontDefs[i].RtfFontName;
    if (text.empty()) continue;
    ++n;  // at most 59 letters: the number fits its byte
    run.Markup.RtfFontNumbers[i] = static_cast<std::uint8_t>(n);
    f += "{\\f" + std::to_string(n) + "\\";
    if (text[0] != 'f' && text[0] != 'F') f += "f";
    f += text + ";}";
  }
  f += "}\r\n";
}

void WriteRtfStyleSheet(CompilerRun& run) {
  std::string& f = run.Passes.OutputFile;
  f += "{\\stylesheet\r\n";
  for (int k = 1; k <= 6; ++k) {
    const std::string m = std::to_string(k - 1);
    f += "{\\s1" + m + "{\\*\\soutlvl" + m + "} \\'dcberschrift " + std::to_string(k) + ";}\r\n";
  }
  f += "}\r\n";
  f += "{\\*\\listtable{\\list\\listtemplateid1\r\n";
  for (int k = 1; k <= 6; ++k) {
    f += "{\\listlevel\\levelnfc0\\leveljc0\\levelstartat1\\levelfollow2{\\leveltext";
    f += "\\'" + Hex2(2 * k);
    for (int j = 0; j < k; ++j) f += "\\'" + Hex2(j) + ".";
    f += ";}{\\levelnumbers";
    for (int j = 1; j <= k; ++j) f += "\\'" + Hex2(2 * j - 1);
    f += ";}}\r\n";
  }
  f += "{\\listname RTF_Num 2;}\\listid1}\r\n";
  f += "}{\\listoverridetable{\\listoverride\\listid1\\listoverridecount0\\ls0}}\r\n";
}

}  // namespace skeldon
