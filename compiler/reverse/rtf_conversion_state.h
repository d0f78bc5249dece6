// The state of one RTF conversion and the routines of the unit that share it: the driver
// (from_rtf.cpp), the keyword handler (rtf_keywords.cpp), the output writer
// (rtf_output_writer.cpp) and the footnotes, popups and graphics characters (rtf_footnotes.cpp).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "compiler/reverse/from_rtf.h"

namespace skeldon {

// Attributes of one open group; a flag of the effective state is set when any open group sets it.
struct TGroupState {
  bool Skip = false;
  bool NonScroll = false;
  bool RtfTextFootnote = false;
  bool HelpFootnote = false;
  bool FootnoteSuper = false;
  bool KeywordFootnote = false;
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool TitleFootnote = false;
  bool IdFootnote = false;
  bool LinkTarget = false;
};

struct TCntEntry {
  char Level = '0';
  std::string Text;
};

struct TPopupTopic {
  std::int32_t Start = 0;
  std::int32_t End = 0;
  std::string Name;
};

struct TGraphicsCharEntry {
  std::uint8_t Code = 0;
  std::string Name;
};

// Ends the conversion: the driver turns it into a failed result with the code.
struct RtfConversionStop {
  int Code;
};

struct TRtfConversionState {
  TRtfConversionState(const TRtfConversionSettings& settings, RtfConversionSink& sink)
      : Settings(settings), Sink(sink) {}

  const TRtfConversionSettings& Settings;
  RtfConversionSink& Sink;
  bool IsText = false;  // "/istext", or the formatter's build
  std::array<std::uint8_t, 256> AnsiToOem{};
  std::array<bool, 256> IsInternalToggleChar{};
  std::string InternalToggleChars;

  // Files: the input in memory, the two outputs (0 source, 1 popups) as text.
  std::string RtfFileName;
  std::string_view Input;
  std::size_t InputPos = 0;
  std::array<std::string, 2> OutputFiles;
  std::array<std::int32_t, 2> OutputCharCounts{};
  std::uint8_t CurrentOutput = 0;
  bool PopupsPresent = false;

  // Reading window.
  char CurChar = 0, PrevChar = 0, PrevPrevChar = 0;
  char GroupMarkChar = 0;

  bool InKeyword = false;
  std::string Keyword;
  // Unicode characters ("\\u228"): how many stand-in characters follow each ("\\uc"), and
  // how many of the current one are still to be dropped.
  int UnicodeSkipCount = 1;
  int UnicodeFallbackLeft = 0;
  bool IgnorableDestination = false;  // "\\*": the group is dropped unless its word is known
  bool EscapedBrace = false;

  int GroupDepth = 1;
  std::array<TGroupState, kGroupStackSize + 1> GroupStack{};  // entries 1..25 used
  TGroupState EffectiveState;

  std::string TitleText, IdText, KeywordText, LinkTargetText, PnText;
  bool InPnText = false;
  bool SkipTitleLead = false;
  std::uint8_t PendingLineEnds = 0;
  bool LinkUnderline = false;

  bool SomethingWritten = false;
  bool RecomputingState = false;
  bool NoToggleDoubling = false;
  char PendingChar = 0;
  bool AtLineStart = true;
  std::string ReopenToggles;  // toggles closed at a line end, switched on before the next text
  bool HeadingLineOpen = false;
  bool InTable = false;
  bool TableEndPending = false;   // "\\pard" in a table: it ends unless "\\intbl" follows
  bool ParagraphInTable = false;  // "\\intbl" since the last "\\pard"
  bool TablesSeen = false;
  bool BufferMode = false;
  std::vector<char> TextBuffer;  // positions 1..kTextBufferSize used
  std::int32_t TextBufferCount = 0;

  std::uint8_t Pass = 0;
  std::array<bool, 256> CharUsed{};
  char FootnoteBeginChar = '[', FootnoteEndChar = ']';
  bool RtfTextFootnotes = false;
  bool HelpFormatSeen = false;
  bool HeadingSeen = false;
  std::vector<std::string> TitleList;
  std::size_t TitleCursor = 0;

  bool CntFound = false;
  bool CntMissWarned = false;
  std::string HelpTitle;
  std::vector<TCntEntry> CntEntries;

  std::string CurrentTopicId;
  std::vector<TPopupTopic> PopupTopics;
  std::vector<TGraphicsCharEntry> GraphicsFiles;
};

// Driver.
void ReportMessage(TRtfConversionState& s, std::string_view german, std::string_view english,
                   bool error = false);
void WriteCntHeadingLevel(TRtfConversionState& s);
void CloseRtfGroup(TRtfConversionState& s, int& depth);
void EmitTextChar(TRtfConversionState& s, char c);
// A collected text grows by one character; a text longer than the limit stops the conversion.
void AppendShortText(TRtfConversionState& s, std::string& text, char c);

// Keyword handling.
void HandleRtfKeyword(TRtfConversionState& s);
// "U" and a number (a minus sign allowed): a Unicode character.
bool IsUnicodeEscape(std::string_view keyword);
// Writes the ".TA" that ends a table when a paragraph outside it begins.
void EndPendingTable(TRtfConversionState& s);

// Output writer.
void WriteOutputChar(TRtfConversionState& s, char ch);
void WriteOutputString(TRtfConversionState& s, std::string_view text);
// Puts the cells of each table of the finished text into columns.
void AlignTableColumns(std::string& output);
void WriteOutputText(TRtfConversionState& s, std::string_view text, int output);
void DropPendingChar(TRtfConversionState& s);
void WriteToggleChar(TRtfConversionState& s, char ch);
void FlushTextBuffer(TRtfConversionState& s);
char DecodeHexEscape(TRtfConversionState& s, bool raw);
std::string ConvertAnsiToOemText(const TRtfConversionState& s, std::string_view text, bool force);
[[noreturn]] void StopConversion(TRtfConversionState& s, int code);

// Footnotes, popups and graphics characters.
void HandleRtfFootnote(TRtfConversionState& s);
// Switches on again the toggles a line end closed.
void ReopenToggles(TRtfConversionState& s);
void WriteKeywordLine(TRtfConversionState& s);
void EndHelpTopic(TRtfConversionState& s);
void ChooseFootnoteMarkers(TRtfConversionState& s);
void AssignGraphicsCharacters(TRtfConversionState& s);
void AddGraphicsFile(TRtfConversionState& s, std::string_view name);
std::uint8_t FindGraphicsCharacter(TRtfConversionState& s, std::string_view name);

}  // namespace skeldon
