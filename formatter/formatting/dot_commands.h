// The dot-command interpreter: a collected dot line changes the layout state of the run and
// is, unless a command takes it, copied into the formatted file for the page engine.
// Headings, macros, conditions, includes, fonts and index entries are handled here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavrel {

struct FormatRun;

// Appends a character to the dot line being collected (the room is 248 characters).
void AppendDotChar(FormatRun& run, uint8_t c);
// Processes the collected dot line.
void HandleDotLine(FormatRun& run);
// The dispatch on the command word of the dot line in run.dotline.
void InterpretDotCommand(FormatRun& run, const std::string& line);

// Conditions of ".IF": one word, "not" w, w and w, w or w.
bool EvaluateCondition(FormatRun& run, const std::string& text);
bool IsConditionWord(const FormatRun& run, const std::string& word);
// Splits a condition text into upper-cased words (a-z only), at most 20 of 30 characters.
std::vector<std::string> SplitConditionWords(const std::string& text);

// Definition (":=") or call of a dot-command macro; true when a macro was called.
bool ExpandDotMacro(FormatRun& run, std::string line);
// ".FI" and ".PE". as_written: the name as its bytes stand in the document, when they differ
// from what the reader decoded. report_missing: a name found nowhere is reported (a typed
// ".FI" name; ".PE" without notes stays silent).
void IncludeFile(FormatRun& run, const std::string& name, const std::string& as_written = {},
                 bool report_missing = false);

// Headings: from a dot line (".1" .. ".9", "+n", "-n") or a WordStar paragraph style.
void FormatHeading(FormatRun& run, const std::string& line, bool from_style);
// Writes part 0..2 of the current level's template through the character dispatch.
void FeedHeadingTemplatePart(FormatRun& run, int part);
// Roman numerals of X, V and I only (40 is XXXX, 100 ten X).
std::string FeedRomanNumber(int n);

// Fonts: a slot's font, making a slot current, and the typed toggles.
void SetFontSlot(FormatRun& run, int slot, uint8_t font);
void SelectFontSlot(FormatRun& run);
void ToggleSlotStyle(FormatRun& run, uint8_t control);
void ApplyFontControl(FormatRun& run);
// Loads the measured widths of a font as the current widths.
void LoadFontWidthsFor(FormatRun& run, uint8_t font);

// Index marks in running text: what happens to the character afterwards.
enum class IndexMarkResult { kNormal, kNoWidth, kDrop };
IndexMarkResult ApplyIndexMarks(FormatRun& run);
void ClearIndexRecording(FormatRun& run);

// Switch words "ON", "AN", "EIN", "1".
bool ReadSwitchArgument(const std::string& line);
// The rest of the line from the fourth character on, leading blanks skipped.
std::string ReadTextArgument(const std::string& line);
// A decimal code below 256, else the first character; 0 leaves c unchanged.
void ReadCharArgument(const std::string& line, uint8_t& c);

}  // namespace tavrel
