#pragma once
// The font definition file "Fonts.ini": FONT lines give each font number its face, size, width
// correction and colour for printing and, after "//", for the preview; AUTOITALICBOLD decides
// whether a plain letter also defines its italic, bold and bold italic variants.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "formatter/common/messages.h"
#include "formatter/fonts/printer_data.h"

namespace tavrel {

class MainNotifier;
class MessageBoxes;

// A standard family of the generated "Fonts.ini": from its first letter on, one letter per size
// 8, 10, 12 ... up to the largest size, in the first of the names the printer has.
struct StandardFontGroup {
  int FirstFont;
  int LargestSize;
  std::array<const char*, 4> Candidates;  // nullptr ends the list
  MessageId Missing;                      // told when no candidate is installed
};
inline constexpr StandardFontGroup kStandardFontGroups[] = {
    {1, 14, {"Times New Roman", "Tms Rmn", "Times", "Times Roman"}, MessageId::kNoFontLikeTimes},
    {5, 18, {"Helvetica", "Arial", nullptr, nullptr}, MessageId::kNoFontLikeHelvetica},
    {11, 12, {"Courier New", "Courier", nullptr, nullptr}, MessageId::kNoFontLikeCourier},
};
// The size the generated "Fonts.ini" gives a font number (its variants share the letter's
// size): the standard families' sizes, 12 for every other letter.
double DefaultFontSize(int fontNumber);

// The two font tables (only their Fonts are used) and what reading them found.
struct FontDefinitionTables {
  std::unique_ptr<TPrinterDataRecord> PrinterFonts = MakeEmptyPrinterData();
  std::unique_ptr<TPrinterDataRecord> PreviewFonts = MakeEmptyPrinterData();
  // 1 when the font's line produced the automatic italic and bold variants (index n - 1).
  std::array<std::uint8_t, kFontCount> AutoVariant{};
  // Modification time of "Fonts.ini" at its last reading; 0 before the first.
  std::int64_t FileDate = 0;
  // The FONT lines (from the font name on) whose size could not be read as a size of at least
  // 1 point, each followed by a line end; those fonts got their default size.
  std::string UnreadableSizes;
};

// One of the sixteen colour names, or "r:g:b". False (colour untouched) for any other word.
bool FontColorFromName(std::string_view word, std::int32_t& colour);
// Every character is a digit, "+" or "-" (so "10.5" is not a number word).
bool IsNumberWord(std::string_view word);
// a-z and the code page 850 letters 0x84, 0x94, 0x81 to upper case; everything else unchanged.
std::string UpperCaseCp850(std::string_view text);

// Clears the tables and applies the lines of a "Fonts.ini" text (CR LF or LF line ends). A size
// that is missing, below 1 or written with a decimal point is listed in UnreadableSizes and
// replaced by DefaultFontSize: a font of size 0 would print at 1 point.
// Returns the duplicate list: the font name of every FONT line whose letter was defined before,
// each followed by a blank.
std::string ParseFontDefinitionText(std::string_view text, FontDefinitionTables& tables);

// What reading the file needs of the program around it.
struct FontDefinitionContext {
  std::string ProgramDirectory;
  std::uint8_t Language = 0;      // 1 German
  std::int32_t VersionStamp = 0;  // of the settings record
  MessageBoxes* Boxes = nullptr;
  // Writes a fresh "Fonts.ini" (the main window's writer); force skips the existence test.
  std::function<void(bool force)> EnsureFontDefinitionFile;
  // Error number and message pair (German, English) for the output's fatal-error text.
  std::function<void(int number, const std::string& german, const std::string& english)>
      ReportFatalOutputError;
};

enum class FontDefinitionRead { Ok, NotFound, Duplicates };

// Reads program directory + "Fonts.ini" into the tables, reporting a missing file and
// duplicate letters and unreadable sizes as the program does; recreates the file when the user (or
// an old settings version) asks for it. Duplicates: the definitions were kept as read.
FontDefinitionRead ReadFontDefinitionFile(FontDefinitionTables& tables,
                                          const FontDefinitionContext& ctx);

// The path of "Fonts.ini" in the program directory.
std::string FontDefinitionFilePath(const std::string& programDirectory);

// Has the main window write "Fonts.ini" (MN_WRITE_FONT_DEFINITION, sent, so the file exists
// when this returns): without force only when the file is missing, after telling the user.
void EnsureFontDefinitionFile(bool force, const std::string& programDirectory,
                              std::uint8_t language, MessageBoxes* boxes, MainNotifier& mainWindow);

}  // namespace tavrel
