// Writes a fresh "Fonts.ini" from the fonts the current printer offers: three standard families
// (Times, Helvetica, Courier) in graded sizes, then the printer's other fonts as lower-case
// letters, the rest commented out. The reader of the file is the engine's fonts_ini unit.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tavrel {

struct TPrinterDataRecord;

// "Arial Bold Italic" -> "Arial": the words " ITALIC" and " BOLD" (any case) taken out.
std::string StripFontStyleWords(const std::string& name);

// The whole file text (code page 850, CR LF). info receives the display-code-page line for
// a standard family that the printer lacks.
std::string BuildFontDefinitionText(const std::string& printerName,
                                    const std::vector<std::string>& printerFonts,
                                    std::uint8_t language,
                                    const std::function<void(const std::string&)>& info);

// Replaces program directory + "Fonts.ini" through a temporary file. False when it could not
// be written (the old file, if any, stays).
bool WriteFontDefinitionFile(const std::string& programDirectory, const std::string& printerName,
                             const std::vector<std::string>& printerFonts, std::uint8_t language,
                             const std::function<void(const std::string&)>& info);

// The font demonstration file: a formatted file with a sample line for every font 1 to 52
// that the printer font table defines (code page 850, CR LF).
std::string BuildFontDemoText(const TPrinterDataRecord& printerFonts, std::uint8_t language);

// Writes program directory + "Fontdemo.fmt"; the caller prepares the font tables first and
// then makes the file the current document. False when it could not be written.
bool WriteFontDemoFile(const std::string& programDirectory, const TPrinterDataRecord& printerFonts,
                       std::uint8_t language);

}  // namespace tavrel
