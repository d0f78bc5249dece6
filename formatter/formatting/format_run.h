// The state of one formatting run. Every unit of the engine keeps its per-run state here
// instead of in globals, so that tests and threads never share state by accident. A run
// object is made by the caller (job thread or test), configured, and passed to FormatFile.
//
// Units of the engine add their own state as one member line each (a struct defined in
// their own header), in the block marked for them below.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "formatter/common/file_services.h"
#include "formatter/common/formatted_file.h"
#include "formatter/common/message_boxes.h"
#include "formatter/common/notifications.h"
#include "formatter/common/run_messages.h"
#include "formatter/common/settings_record.h"
#include "formatter/fonts/printer_data.h"
#include "formatter/formatting/contents_template.h"
#include "formatter/formatting/formatted_writer.h"
#include "formatter/formatting/graphics_files.h"
#include "formatter/formatting/input_source.h"
#include "formatter/formatting/number_argument.h"
#include "formatter/formatting/word_breaking.h"

namespace tavrel {

inline constexpr int kHeldTextRoom = 54;       // characters of the word buffer
inline constexpr int kDotLineRoom = 248;       // characters of a collected dot line
inline constexpr int kMaxConditionWords = 20;  // words of the condition text
inline constexpr int kConditionWordLength = 30;
inline constexpr int kMaxFontNumber = 208;

// One file of a formatting job.
struct TJobListNode {
  std::string FileName;  // at most 255 characters
  std::unique_ptr<TJobListNode> Next;
};

// Per output stream: the line being built, word breaking and held line ends.
struct LineStream {
  // Word buffer: positions 1..54 are used; index 0 is unused so positions match the rules.
  std::array<uint8_t, kHeldTextRoom + 1> held{};
  std::array<uint8_t, kHeldTextRoom + 1> no_break_mark{};
  int HeldLen = 0;

  LinePosition Line;        // horizontal position of the next character (layout units)
  int32_t RightMargin = 0;  // layout units
  int32_t ZoneWidth = 0;    // hyphenation zone width (layout units)
  bool ZoneOn = true;       // hyphenation zone active on this line
  int Overflow = 0;         // characters held beyond the right margin
  int BlankRun = 0;         // consecutive blanks written
  bool NoBreak = false;     // character 7 seen, cleared by a blank

  int PendingCount = 0;  // hard line ends held back while the line overflowed
  int PendingPos = 0;    // held-text position after which they fall

  int TypedIndentCount = 0;    // column marks typed at the start of the source line
  int32_t TypedIndentPos = 0;  // the same as a position
  int32_t PrevStartPos = 0;    // start position of the previous line
  int ColWidth = 0;            // column unit of the font of the current line
  int PrevColWidth = 0;        // ... and of the previous line

  bool FormattingOn = true;  // ".AW"/".BA"/".BE"
  int IndentChars = 0;       // column marks written as the line's indentation

  int32_t ZoneStart() const { return RightMargin - ZoneWidth; }
};

// The WordStar / plain-text reader.
struct ReaderState {
  InputSource Input;  // the input file, read as it is needed
  size_t InputPos = 0;
  bool InputOpen = false;

  uint8_t Current = 0;  // current character
  bool Pushed = false;  // a character pushed back for the character loop
  uint8_t PushedChar = 0;

  std::array<uint8_t, 256> Queue{};  // bytes from 0x1D blocks, positions 1..255
  int QueueCount = 0;
  int QueueRead = 1;

  bool EofRead = false;    // the last read went beyond the end
  bool PendingLf = false;  // a bare LF was given as CR; the LF follows
  uint8_t LastDecoded = 0;
  bool HavePushedByte = false;  // modes 1 and 2: byte read ahead after the prefix
  uint8_t PushedByte = 0;

  int InputMode = 0;                      // 0 WordStar, 1 IBM, 2 Windows
  uint8_t ColumnChar = 0;                 // ".SC"
  uint8_t ControlPrefix = 0;              // ".PC"
  std::array<uint8_t, 256> InputTable{};  // mode 0 translation

  bool ParagraphStyle = false;  // a 0x1D paragraph-style block was passed
  uint8_t StyleLevel = 0;

  // notes (markers and number: NotesState)
  bool NoteJustEnded = false;
  bool NoteLineEnded = true;
  bool IndentNextNoteLine = false;

  // margin notes
  bool MarginNotesOn = false;
  uint8_t MarginOpen = 0, MarginClose = 0;
  bool MarginCollectAllowed = true;
  uint8_t MarginNoteLead = 0, MarginNoteTrail = 0;  // the two note characters of ".MN"
  int MarginWidth = 1;                              // columns; 1 while margin notes are off

  // dot-line collection
  bool CollectingDot = false;
  std::string DotLine;

  bool DotLineFollows = false;  // held text is forced out before a dot line
  bool DropNextBlank = false;   // soft hyphen seen with formatting on
  int RightJustifyCount = 0;    // control 0 in this line
  bool LineStartFlag = true;    // set at CR, cleared by every character except LF
  bool HyphenationCancelled = false;
  int IncludeDepth = 0;
};

struct TDotMacro {
  std::string Name;  // upper case, at most 30 characters
  std::string Body;  // at most 199 characters
  bool Active = false;
};

// The dot-command interpreter and the layout state it changes.
struct DotState {
  bool ConditionalOutput = true;
  bool SavedCondition = true;  // ".HT"
  bool CopyLine = false;
  int SignMode = 2;     // 0 add, 1 subtract, 2 absolute
  std::string Command;  // two letters, upper case
  bool FirstUpper = true;
  size_t ReadPos = 0;  // 1-based read position in the dot line

  std::array<int, 3> PendingHeights{};
  int PendingRightMargin = 0;
  bool NewPageRequest = false;

  int LeftMargin = 0;       // 0-based columns
  int ParagraphMargin = 0;  // 0-based columns
  bool ParagraphStart = true;
  int Gutter = 0;  // columns
  int IndentScale = 60;
  bool FormattingOffTotal = false;
  bool ParagraphNumbering = false;
  int GraphicsSize = 0;
  GraphicsCharTable GraphicsChars;  // ".GR" and ".BT": characters counted with a picture's width
  bool GraphicsLines = false;
  int BitmapWidth = 100;
  int MinimumUnhyphenated = 3;
  int HyphenationMode = 0;
  int SavedHyphenationMode = 0;
  int MdValue = 0;
  std::string TexPatternRequest;             // ".HY name.TEX": the pattern file to load
  std::array<int, 3> TypedHeights{8, 8, 8};  // line heights as typed, before normalising
  bool NoPageRoomReported = false;           // ".PL" not above ".MT" + ".MB", told once per file

  int HeadingLevel = 1;
  std::array<int, 10> HeadingNumbers{};  // levels 1..9
  bool NumbersJustSet = false;
  bool HeadingPending = false;
  bool HeadingInProgress = false;
  bool TemplateOutput = false;
  bool MacroExpanding = false;

  std::vector<TDotMacro> Macros;

  // index marks in running text, per volume
  std::array<bool, 4> IndexRecording{};
  std::array<bool, 4> IndexCapital{};
  bool IndexPhrase = false;
  int IndexMarkStart = 0;  // line character count where the marks began
  std::array<int, 4> IndexEntries{};

  // fonts
  std::array<uint8_t, 4> FontSlots{};
  std::array<uint8_t, 4> SavedFontSlots{};
  int CurrentSlot = 0;
  bool AlternateActive = false;
  uint8_t AlternateSaved = 0;
  uint8_t NormalFont = 3;
  uint8_t AlternateFont = 112;
  std::array<bool, kMaxFontNumber + 1> font_used{};
  std::array<uint8_t, 256> Widths{};  // widths of the current font (printer dots)
  int32_t ColumnWidth = 0;            // column unit of the current font
};

// Run-wide names, modes and counters of the formatting run.
struct RunState {
  std::unique_ptr<TJobListNode> Jobs;
  std::string InputName, OutputName, NotesName, IndexName;
  bool ContentsMode = false;
  bool IndexScan = false;
  bool SameName = false;
  std::string ConditionText;
  std::vector<std::string> ConditionWords;
  int ColumnUnit = 12;  // printer dots per column of 1/10 inch
  bool Stop = false;    // the run stop flag
  int AbortCode = 0;
  uint8_t LastWritten = kLineFeed;            // last character passed to the writer
  std::array<int, 10> SavedHeadingNumbers{};  // for ".CN" without argument
  int SavedHeadingLevel = 1;
  std::string StatusName;  // output name cut to 20 characters, for the status line
  // For runs without files (fuzzing, benchmarks): the input bytes instead of the input file,
  // and the formatted file kept in memory (run.writer.Streams[kTextStream].File.Memory()).
  bool InputFromMemory = false;
  std::string InputBytes;
  bool OutputInMemory = false;
  int StatusPages = 0;
};

// Where a run reports to: the message list, message boxes and the main window.
struct RunOutlets {
  MessageList& List;
  MessageBoxes& Boxes;
  MainNotifier& Notifier;
};

struct FormatRun {
  // settings: a snapshot taken when the job starts; printer: the measured widths of the
  // printer that formatting refers to (kept by the caller for the whole run).
  FormatRun(const TSettingsRecord& settings_snapshot, const TPrinterDataRecord& printer_data,
            RunOutlets outlets)
      : Settings(settings_snapshot),
        Printer(&printer_data),
        Messages(Settings, outlets.List, outlets.Boxes, outlets.Notifier),
        Writer(&Messages) {}
  FormatRun(const FormatRun&) = delete;
  FormatRun& operator=(const FormatRun&) = delete;

  TSettingsRecord Settings;
  const TPrinterDataRecord* Printer;
  FileContext Files;  // current document, program directory, search directories
  RunMessages Messages;
  std::unique_ptr<tavrel::Hyphenator> Hyphenator;  // null: hyphenation mode "none"
  // Index n - 1 for font n: Fonts.ini generated its italic and bold variants
  // (FontDefinitionTables::AutoVariant; may be null).
  const std::array<uint8_t, kFontCount>* AutoVariants = nullptr;

  RunState Run;
  ReaderState Reader;
  DotState Dot;
  std::array<LineStream, 2> Streams;
  int CurrentStream = kTextStream;

  LineStream& Cur() { return Streams[CurrentStream]; }

  // ---- state of the other units of the engine, one line each ----
  LayoutValues Layout;
  PageState Pages;
  DotLineReader Dotline;
  FormattedWriter Writer;
  NotesState Notes;
  tavrel::IndexVolumes IndexVolumes;
  HeadingsTemplate Headings;  // loaded at the first heading of the job
};

}  // namespace tavrel
