// The emitters of character-level formatting: font changes, layout line ends, line and
// paragraph breaks, the IPF highlight of the active toggles, and the check for toggles still
// open at a topic switch. They are the only writers of this markup, so the font and toggle
// state they keep stays consistent for every other writer.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace skeldon {

struct CompilerRun;

inline constexpr std::int16_t kRtfIndentStep = 144;  // twips per indent or margin level

struct TMarkupState {
  char CurrentFontLetter = '@';
  char RunningFontLetter = '@';
  char AlternateFontLetter = '@';
  bool FormatMode = true;  // false inside a line block or a PRE block
  // A line block (.BA, .FM OFF) or a PRE font reached by a block change is in force, in every
  // target: each source line end stays a line end, even with soft line ends.
  bool LineBlockOpen = false;
  bool PreFontBlock = false;
  bool PlainFontActive = true;  // HTML: no font element is open
  bool PreBlockActive = false;
  bool OmitLinksActive = false;
  std::uint8_t CurrentRtfFontSize = 0;
  std::uint8_t IpfHighlightLevel = 0;
  std::uint8_t IndentLevel = 0;
  std::uint8_t MarginLevel = 0;
  std::int16_t ListLevel = 0;
  bool RtfIndentGroupOpen = false;
  bool CenteredBlockOpen = false;
  bool CollectingHeading = false;
  std::uint8_t PendingLineEnds = 0;
  // RTF font number of each font letter "@".."z", given by the RTF font table writer.
  std::array<std::uint8_t, 59> RtfFontNumbers{};
};

// toggle: the change comes from the alternate toggle inside running text.
void WriteFontChange(CompilerRun& run, std::string& f, char letter, bool toggle);
void WriteReflowLineEnd(CompilerRun& run, std::string& f);
void WriteLineBreak(CompilerRun& run);
void WriteParagraphBreak(CompilerRun& run);
void WriteIpfHighlight(CompilerRun& run);
void WriteIpfFontColor(CompilerRun& run, char letter);
void CloseOpenToggles(CompilerRun& run);
// Whether the line ends of the source are kept whatever the source format: inside a line
// block, a PRE font or a line-drawing block.
bool SourceLineEndsKept(const CompilerRun& run);

}  // namespace skeldon
