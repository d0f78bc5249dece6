#pragma once
// The writer of the formatted file: two output streams (0 the notes file, 1 the text) with their
// print attributes and columns, the encoding of internal characters, frame drawing, the buffered
// page-note line, and the commands that open the notes file and the index volume files.

#include <array>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>

#include "formatter/common/bilingual_texts.h"
#include "formatter/common/font_numbers.h"
#include "formatter/common/formatted_file.h"

namespace tavrel {

class RunMessages;
struct DotLineReader;
struct PageState;

struct CharacterClasses {
  ByteTable OutputTable{};
  ByteTable WidthTable{};
  ByteTable BreakTable{};
  ByteTable InputTable{};  // the reader's table: bit 7 cleared
};

// Built once per run.
void BuildCharacterClasses(CharacterClasses& classes);
// The per-file adjustments: soft line ends and column marks are read and written as the file
// carries them, the section sign as kSectionSign437 (inside its ESC pair).
void AdjustCharacterClassesForFile(CharacterClasses& classes);

// A write error of an output file; ends the run.
class OutputWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An output file of the run; in memory when opened without a path (tests, index-scan runs).
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates the file anew; false with ErrorCode() set when it cannot be created.
  bool Create(const std::string& path);
  void OpenInMemory();
  bool IsOpen() const { return open_; }
  int ErrorCode() const { return error_; }
  const std::string& Path() const { return path_; }
  // Throw OutputWriteError when the file cannot be written.
  void Put(std::uint8_t byte);
  void Write(std::string_view bytes);
  void Close();
  // Everything written, for a file in memory.
  const std::string& Memory() const { return memory_; }

 private:
  void FlushBuffer();
  std::FILE* file_ = nullptr;
  std::string path_;
  std::string buffer_;
  std::string memory_;
  bool inMemory_ = false;
  bool open_ = false;
  int error_ = 0;
};

struct WriterStream {
  OutputFile File;
  std::uint8_t Underline = 0;
  std::uint8_t Bold = 0;
  std::uint8_t Italic = 0;
  std::uint8_t Superscript = 0;
  std::int32_t Column = 0;
};

// Frame drawing of the text stream (the frame dot command).
struct FrameState {
  bool On = false;
  std::uint8_t VerticalChar = 0;
  std::uint8_t HorizontalChar = 0;
  std::uint8_t DoubleMarker = 0;                 // 0: none
  std::uint8_t Row = 0;                          // 0 none, 1 top, 2 middle, 3 bottom, +4 double
  std::array<std::uint8_t, 257> ColumnStates{};  // per column 1..256
  std::int32_t Column = 0;
  std::int32_t LastColumn = 0;
  bool Double = false;
  void Clear();
};

// The text stream's line buffer that carries a page note (margin note) to the line start.
struct NoteLineBuffer {
  bool Active = false;  // lines of the text stream are being buffered
  std::string Chars;
  std::uint8_t LeadChar = 0;  // 0: none
  std::string Prefix;         // the page-note text attached to this line
  bool HasPageNote = false;
  std::uint8_t TrailChar = 0;  // 0: none
  std::int32_t IndentColumn = 0;
  std::string PendingPageNote;  // text waiting for the next page-note mark (at most 40)
  // The characters put around an attached page note (the margin-note settings); 0: none.
  std::uint8_t NoteLeadChar = 0;
  std::uint8_t NoteTrailChar = 0;
  void Clear();  // the line only; the note characters stay
};

// The horizontal position of a line as characters are added without being written.
struct LinePosition {
  std::int32_t Position = 0;
  std::int32_t Characters = 0;
  std::uint8_t AtLineStart = 1;
};

// One character: a graphics character adds its picture width (graphicsWidth >= 0), another
// character of width class 1 its font width; width class 0 clears AtLineStart.
void AdvancePosition(LinePosition& line, std::uint8_t c, const CharacterClasses& classes,
                     const CharWidths& fontWidths, std::int32_t graphicsWidth = -1);

// The box-drawing conversion of frame mode (code page 437 bytes).
std::uint8_t ConvertFrameChar(FrameState& frame, std::uint8_t c, const CharacterClasses& classes);

class FormattedWriter {
 public:
  FormattedWriter() = default;
  explicit FormattedWriter(RunMessages* messages) : Messages(messages) {}

  void PutOutputChar(std::uint8_t c);
  void WriteOutputLine(std::string_view text);
  void WriteOutputChar(std::uint8_t c);
  void WriteRawChar(std::uint8_t c);
  void WriteLineStart();
  void FlushBufferedLine();
  // Attributes off, columns 0, buffers empty, frame off (per file).
  void ResetForFile();

  WriterStream& Current() { return Streams[CurrentStream]; }

  CharacterClasses Classes;
  WriterStream Streams[2];
  std::uint8_t CurrentStream = 1;
  FrameState Frame;
  NoteLineBuffer LineBuffer;
  std::uint8_t ParagraphCounting = 1;
  std::uint8_t LastChar = kLineFeed;  // last character through WriteOutputChar on the text stream
  std::uint8_t DotLine = 0;           // the current text line is a dot line
  RunMessages* Messages = nullptr;    // where the writer's errors go; must be set before writing
};

// The notes settings that the notes control (FU, FF) sets.
struct NotesState {
  std::uint8_t BeginMarker = 0;
  std::uint8_t EndMarker = 0;
  std::int32_t FootnoteNumber = 1;
  std::uint8_t Font = 0;
  std::int32_t LineWidth = 0;
  std::int32_t CwValue = 0;
  std::int32_t ZoneStart = 0;
  bool InUse = false;
};

struct NotesControlInput {
  std::int32_t TextLineWidth = 0;
  std::int32_t HyphenationZone = 0;
  std::uint8_t CurrentSlotFont = 0;  // the font of the current font slot
  std::uint8_t NormalFont = 0;
  std::string NotesFileName;
};

// FU (form 1) and FF (form 0); the dot reader stands after the command's two letters. Line
// heights set by LH/HH/EH/SH go to the notes stream of pages.
void NotesControl(int form, DotLineReader& dot, FormattedWriter& writer, NotesState& notes,
                  PageState& pages, const NotesControlInput& input, RunMessages& messages);

inline constexpr int kMaxIndexVolumes = 4;

struct IndexVolumes {
  std::uint8_t Count = 0;
  std::string Chars;  // index characters, one per volume
  bool Open = false;
  OutputFile Files[kMaxIndexVolumes];
  void Reset();  // per file
  void CloseAll();
};

// IC, IZ, ST: opens the next volume "<indexName><n>" (in index-scan runs too: they fill the
// volumes). True when a volume was started (the caller then resets its running-text index-mark
// state). A fifth volume is refused with an error line.
bool OpenIndexVolume(DotLineReader& dot, IndexVolumes& volumes, const std::string& indexName,
                     bool indexScanRun, RunMessages& messages);

}  // namespace tavrel
