// The dot commands the insertion dialog offers: the outline (a row per entry), what each
// command needs (parameter, scale, file, font, character, shape) and the text rules of the
// dialog that need no window: presets, scale conversion, the go-to search, the split of a
// command sent by the editor and the line that is inserted.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formatter/common/settings_record.h"

namespace tavrel {

// Class bits of an outline entry.
inline constexpr std::uint8_t kDotLeadingString = 1;  // sent as the editor's leading string
inline constexpr std::uint8_t kDotNeedsParameter = 2;

// Codes from this one up are categories, not commands.
inline constexpr int kFirstCategoryCode = 83;

struct DotCommandEntry {
  std::uint8_t Level;  // 1..4
  int Code;            // 1..107
  std::uint8_t Class;  // kDotLeadingString | kDotNeedsParameter
  const char* German;  // code page 850
  const char* English;
  bool Expanded = false;  // shown open when the outline is built
};

std::span<const DotCommandEntry> DotCommandOutline();

// Class x 1000 + code, and back.
int DotCommandTag(const DotCommandEntry& entry);
inline int TagCode(int tag) { return tag % 1000; }
inline std::uint8_t TagClass(int tag) { return static_cast<std::uint8_t>(tag / 1000); }

// What the text of an item holds between its last "(" and the ")" after it, upper-cased;
// nothing when the text has no brackets.
std::optional<std::string> BracketCommand(std::string_view itemText);

// The kinds of parameter a command takes.
bool IsFontCommand(int code);           // 27..32, 42..48, 74
bool IsHeaderFontCommand(int code);     // 27..32, 74: the font follows as " SF" + its name
bool IsFileCommand(int code);           // 41, 50, 55, 71
bool IsCharacterCommand(int code);      // 55, 59, 77
bool IsFreeParameterCommand(int code);  // 1, 8, 70, 80
bool IsPlainNumberCommand(int code);    // 9, 16, 49, 54, 56, 59, 76
bool IsHeadingCommand(int code);        // .1 .. .6
// A parameter that is a measure and may be shown in inches or centimetres.
bool IsMeasureCommand(int code);

// Help topic of a category; 9999 for any other code.
int DotCommandHelpTopic(int code);
int DefaultDotCommandValue(int code, const TSettingsRecord& settings);

// Scale indexes of the dialog.
enum DotScale : int { kScaleColumns = 0, kScaleInches = 1, kScaleCentimetres = 2 };

// value (in the command's units) shown in scale: a whole number, inches with two decimals and
// a double quote, centimetres with one decimal. With unitsPerInch 0 (a command that has no
// unit of length) the whole number in every scale.
std::string FormatMeasure(double value, int scale, int unitsPerInch);
// The parameter as the preset of a command: empty where the command has none.
std::string DotCommandPreset(int code, int scale, const TSettingsRecord& settings,
                             int unitsPerInch);
// The parameter converted from one scale to another; unchanged when it is empty, does not
// read as a number, the scales are equal or the command has no unit (unitsPerInch 0).
std::string ConvertDotScale(const std::string& parameter, int fromScale, int toScale,
                            int unitsPerInch);

// The go-to search: the index of the first item text holding "(." followed by the typed
// command, dropping letters from the end while two remain; nothing without a match.
std::optional<std::size_t> FindDotCommandItem(const std::vector<std::string>& itemTexts,
                                              const std::string& typed);

// A command line from the editor (code 62), with or without its point, split into the command
// and its parameter.
struct EditorDotCommand {
  std::string Command;
  std::string Parameter;
};
EditorDotCommand SplitEditorCommand(const std::string& received);

// The font name (letter and prefix) a parameter from the editor names, for a font command; empty
// when none.
std::string FontNameOfParameter(int code, const std::string& parameter);

// What the choice boxes hold when "insert" is pressed.
struct DotCommandChoice {
  std::string FontItem;           // the chosen font entry ("C = Times 12"); empty: none
  std::optional<char> Character;  // an unused character from the editor
  int Shape = 0;                  // 1..6; 0: none
};
// The selected command completed by the chosen font, character and shape.
std::string ComposeDotCommand(int code, const std::string& command, const DotCommandChoice& c);

// The prompt sent marked after the command (empty for none); code page 850 for German.
const char* DotCommandPrompt(int code, bool german);

}  // namespace tavrel
