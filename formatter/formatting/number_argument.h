#pragma once
// The dot line being interpreted with its read position, the number argument of dot commands,
// the font argument, and the frame-mode switch.

#include <cstdint>
#include <string>

namespace tavrel {

struct TSettingsRecord;
struct FrameState;
class RunMessages;

inline constexpr std::size_t kDotLineCapacity = 255;

// Position is 1-based; 0 stands in front of the first character.
struct DotLineReader {
  std::string Line;
  std::size_t Position = 0;
  std::string Command;  // the two letters, upper-cased
  std::uint8_t NumberOmitted = 0;

  // The character at the position; CR (13) beyond the line.
  std::uint8_t CurrentChar() const;
  std::uint8_t NextDotChar();
  // Starts reading a new dot line; the command is its second and third characters.
  void Start(const std::string& line);
};

// Reads the command's number in its units (or inches, or centimetres). Commands that may stand
// without a number get their default; any other stops the run (error line and interruption) and
// returns false.
bool ReadDotNumber(DotLineReader& dot, std::int32_t& value, bool plainTextSource,
                   const TSettingsRecord& settings, RunMessages& messages);

// Font argument of SF, SN, AF, SA, SB, SY, SX as a number 1..208; slot0Font is the font in slot 0.
std::uint8_t ReadFontArgument(DotLineReader& dot, const TSettingsRecord& settings,
                              std::uint8_t slot0Font);

// Frame dot command: CR or blank switches frame mode off; else the frame characters are read.
void SwitchFrameMode(DotLineReader& dot, FrameState& frame);

}  // namespace tavrel
