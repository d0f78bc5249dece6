// The working state of one compile run's output side and the output pass's character loop.
// State that other units already keep (markup, reader, tables, pages, navigation) stays with
// them; this record holds what only the driver, the dispatcher, the heading pass, the topic
// switch, the line start and the footnote output share.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

namespace skeldon {

struct CompilerRun;
struct THeadingNode;

inline constexpr std::size_t kHeadingTextMax = 255;
inline constexpr int kListLevelTables = 20;    // WordStar list level tables, levels 1 .. 20
inline constexpr int kItemCounterLevels = 10;  // item counters, levels 1 .. 10
inline constexpr int kGraphicCharFiles = 100;  // .BT picture entries

// One WinHelp footnote: where its text starts in the source and its number.
struct TFootnoteRecord {
  std::size_t Position = 0;
  std::int32_t Number = 0;
};

// Which bytes the output pass may take by its shorter road in mid-line (output_pass.cpp): plain
// word characters, and the plain separators after a word (blanks, most punctuation), with the
// settings it was built for: it is built again when one of them changes.
struct TPlainWordTable {
  std::array<bool, 256> Plain{};
  std::array<bool, 256> Separator{};
  bool Built = false;
  std::uint8_t IndexChar = 0;
  bool FootnoteMarkersSet = false;
  std::uint8_t FootnoteBeginChar = 0;
  std::uint8_t FootnoteEndChar = 0;
  std::size_t GraphicCharFiles = 0;
};

struct TCompileContext {
  // Driver.
  bool DotLineActive = false;
  std::string DotLineBuffer;  // dot line being collected, without its dot
  bool LineStartPending = true;
  bool RawHtmlBlock = false;
  std::int32_t RawHtmlCount = 0;
  std::int32_t OutputCharCount = 0;  // running-text characters since the heading
  bool HeadingLineEndPending = true;
  std::string HeadingText;  // at most kHeadingTextMax
  std::int32_t HeadingTextLength = 0;
  bool AfterHeadingLine = false;
  std::uint16_t FrameFileCount = 0;  // frame pages of .FA/.WA counted in the final total
  std::string PageTitle = "(undefined title)";
  std::uint32_t HeadingPassTicks = 0;
  // Plain words, blanks and punctuation in mid-line and the rest of a dot line take a shorter
  // road through the output pass; the tests turn it off to compare both roads.
  bool PlainTextShortcut = true;
  TPlainWordTable PlainWords;

  // Footnotes.
  bool FootnoteMarkersSet = false;
  std::uint8_t FootnoteBeginChar = 0;
  std::uint8_t FootnoteEndChar = 0;
  char FootnoteFont = '@';
  std::string FootnoteAnchorText = "**";
  std::int32_t FootnoteNumber = 0;
  std::uint8_t FootnoteFramePercent = 15;
  std::vector<TFootnoteRecord> FootnoteList;  // WinHelp only, in order

  // Dispatcher settings.
  bool Centred = false;
  bool CenterPending = false;
  bool AutoMargins = true;
  std::int32_t ListType = 0;  // 0 bulleted, 1 numbered: kind of the next list
  std::string SubheadingListMode = "RETURN";
  std::string HeadingTagDigits = "123456";
  std::string PictureDirectory;
  std::uint8_t PictureAlignment = 2;  // 1 centre, 2 left, 3 right
  bool ExternalBlock = false;     // .EX with a name: its index lines were taken by the link pass
  bool LinkModeExternal = false;  // index markers name an external target (.EX in IPF/RTF, .URL)
  bool LinkModeLocal = true;      // index markers and .ID lines are the document's own
  bool LinkModeUrl = false;       // inside an .URL block

  // Line start and lists.
  std::vector<std::int32_t> OpenedListTypes;  // kind of every open list, innermost last
  std::uint8_t BlankLinesBefore = 2;
  std::uint8_t LineIndent = 0;
  std::uint8_t LineListChar = 0;
  std::uint8_t LineListCharPos = 0;
  std::uint8_t LastMargin = 0;
  std::array<std::uint8_t, kListLevelTables + 1> LevelListChars{};
  std::array<std::uint8_t, kListLevelTables + 1> LevelCharPos{};
  std::array<std::uint8_t, kListLevelTables + 1> LevelTextIndents{};
  std::array<std::int16_t, kItemCounterLevels + 1> ItemCounters{};

  // Headings and topics.
  char PreviousLevelChar = '0';
  char HeadingLevelChar = '1';
  std::uint8_t LastHeadingLevel = 0;
  bool HeadingTextPending = false;
  bool PreviousGroupStart = false;
  std::uint8_t DeepestHeadingLevel = 0;
  std::uint16_t LastHeadingIndex = 0;
  std::uint16_t TopicCounter = 0;  // WinHelp topics
  std::array<std::uint16_t, 7> RtfTextCounters{};
  std::vector<THeadingNode*> HeadingOrder;              // nodes in source order (heading pass)
  std::size_t NextHeadingOrder = 0;                     // next node the output pass meets
  std::unordered_set<const THeadingNode*> ShortTopics;  // topics with fewer than 3 text characters
  bool InGroupPage = false;
  bool GroupPageStarted = false;

  // Pictures (.BT bindings are kept by the pass services' tables).
  int GraphicCharCount = 0;
  bool GraphicTableFullReported = false;
};

// True when the program's break flag (Ctrl+C) has been raised.
bool UserBreakRequested(const CompilerRun& run);
// At a heading: after a requested break, "User Break" (German "Benutzerabbruch") as a line and
// the stop with code 98; otherwise nothing.
void CheckUserBreak(CompilerRun& run);

// The output pass: every character from the rewound source to the end of the text.
void RunOutputPass(CompilerRun& run);

}  // namespace skeldon
