#include "formatter/formatting/formatted_writer.h"

#include <algorithm>
#include <cerrno>
#include <cmath>

#include "formatter/common/messages.h"
#include "formatter/common/run_messages.h"
#include "formatter/formatting/number_argument.h"
#include "platform/files.h"

namespace tavrel {
namespace {

constexpr std::size_t kFlushSize = 1 << 16;
constexpr std::size_t kPageNoteLength = 40;

// Box-drawing characters (code page 437) by row state R and column state C; '0' keeps the
// character.
constexpr std::uint8_t kFrameTable[8][8] = {
    {0x30, 0xB3, 0xB3, 0xB3, 0x30, 0xBA, 0xBA, 0xBA},
    {0xC4, 0xDA, 0xC2, 0xBF, 0xC4, 0xD6, 0xD2, 0xB7},
    {0xC4, 0xC3, 0xC5, 0xB4, 0xC4, 0xC7, 0xD7, 0xB6},
    {0xC4, 0xC0, 0xC1, 0xD9, 0xC4, 0xD3, 0xD0, 0xBD},
    {0x30, 0xB3, 0xB3, 0xB3, 0x30, 0xBA, 0xBA, 0xBA},
    {0xCD, 0xD5, 0xD1, 0xB8, 0xCD, 0xC9, 0xCB, 0xBB},
    {0xCD, 0xC6, 0xD8, 0xB5, 0xCD, 0xCC, 0xCE, 0xB9},
    {0xCD, 0xD4, 0xCF, 0xBE, 0xCD, 0xC8, 0xCA, 0xBC},
};

// Error numbers as the run-time library reports them for a file that cannot be created.
int OpenErrorCode(platform::FileError error) {
  switch (error) {
    case platform::FileError::missing:
      return 3;  // path not found
    case platform::FileError::unwritable:
    case platform::FileError::unreadable:
    case platform::FileError::is_directory:
      return 5;  // access denied
    default:
      return 101;  // disk write error
  }
}

bool In(std::uint8_t v, std::initializer_list<std::uint8_t> set) {
  return std::find(set.begin(), set.end(), v) != set.end();
}

}  // namespace

void BuildCharacterClasses(CharacterClasses& classes) {
  for (int c = 0; c < 256; ++c) {
    classes.OutputTable[c] = static_cast<std::uint8_t>(c);
    classes.InputTable[c] = static_cast<std::uint8_t>(c & 0x7F);
    classes.WidthTable[c] = 1;
    classes.BreakTable[c] = 0;
  }
  classes.OutputTable[kColumnMark] = kColumnMarkByte;
  classes.OutputTable[kSoftLineEnd] = kSoftLineEndByte;
  classes.OutputTable[kSectionChar] = kSectionSign437;
  for (int c :
       {0, 1, 2, 3, 4, 5, 8, 9, 10, 11, 12, 13, 14, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 27, 30})
    classes.WidthTable[c] = 0;
  classes.WidthTable[kSoftLineEnd] = classes.WidthTable[kPageNoteMark] = 0;
  for (std::uint8_t c : {kCarriageReturn, kColumnMark}) classes.BreakTable[c] = 1;
  for (char c : {' ', '!', '"', ')', ',', '.', '/', ':', ';', '>', '?'})
    classes.BreakTable[static_cast<std::uint8_t>(c)] = 1;
}

void AdjustCharacterClassesForFile(CharacterClasses& classes) {
  classes.InputTable[kSoftLineEndByte] = kSoftLineEnd;
  classes.InputTable[kColumnMarkByte] = kColumnMark;
  classes.OutputTable[kSoftLineEnd] = kSoftLineEndByte;
  classes.OutputTable[kSectionChar] = kSectionSign437;
  classes.OutputTable[kColumnMark] = kColumnMarkByte;
}

// ---- OutputFile ----

OutputFile::~OutputFile() {
  try {
    Close();
  } catch (const OutputWriteError&) {
    // A destructor cannot report; the run has reported or is being unwound already.
  }
}

bool OutputFile::Create(const std::string& path) {
  Close();
  path_ = path;
  inMemory_ = false;
  memory_.clear();
  buffer_.clear();
  platform::FileError error = platform::FileError::none;
  platform::FilePtr file = platform::open_file(path, "wb", &error);
  if (!file) {
    error_ = OpenErrorCode(error);
    return false;
  }
  file_ = file.release();
  error_ = 0;
  open_ = true;
  return true;
}

void OutputFile::OpenInMemory() {
  Close();
  path_.clear();
  memory_.clear();
  inMemory_ = true;
  open_ = true;
  error_ = 0;
}

void OutputFile::Put(std::uint8_t byte) {
  if (!open_) return;  // a file that could not be created takes nothing
  if (inMemory_) {
    memory_.push_back(static_cast<char>(byte));
    return;
  }
  buffer_.push_back(static_cast<char>(byte));
  if (buffer_.size() >= kFlushSize) FlushBuffer();
}

void OutputFile::Write(std::string_view bytes) {
  for (char c : bytes) Put(static_cast<std::uint8_t>(c));
}

void OutputFile::FlushBuffer() {
  if (!file_ || buffer_.empty()) return;
  const std::size_t size = buffer_.size();
  const std::size_t written = std::fwrite(buffer_.data(), 1, size, file_);
  buffer_.clear();
  if (written != size) throw OutputWriteError("cannot write " + path_);
}

void OutputFile::Close() {
  if (!open_) return;
  open_ = false;
  if (file_) {
    std::FILE* f = file_;
    file_ = nullptr;
    bool failed = false;
    if (!buffer_.empty()) {
      failed = std::fwrite(buffer_.data(), 1, buffer_.size(), f) != buffer_.size();
      buffer_.clear();
    }
    failed = std::fclose(f) != 0 || failed;
    if (failed) throw OutputWriteError("cannot write " + path_);
  }
}

// ---- Frame mode ----

void FrameState::Clear() {
  ColumnStates.fill(0);
  Row = 0;
  Double = false;
  Column = 0;
  LastColumn = 0;
}

void NoteLineBuffer::Clear() {
  Chars.clear();
  LeadChar = 0;
  Prefix.clear();
  HasPageNote = false;
  TrailChar = 0;
}

std::uint8_t ConvertFrameChar(FrameState& f, std::uint8_t c, const CharacterClasses& classes) {
  if (classes.WidthTable[c] == 0) {
    if (f.DoubleMarker != 0 && c == f.DoubleMarker) f.Double = true;
    return c;
  }
  const std::int32_t col = f.Column;
  // Columns beyond the table keep no state: they are drawn as outside any frame.
  std::uint8_t spare = 0;
  std::uint8_t& C = (col >= 1 && col < static_cast<std::int32_t>(f.ColumnStates.size()))
                        ? f.ColumnStates[col]
                        : spare;
  std::uint8_t& R = f.Row;
  const std::uint8_t d = f.Double ? 4 : 0;
  auto table = [](std::uint8_t r, std::uint8_t cc, std::uint8_t keep) {
    const std::uint8_t v = kFrameTable[r & 7][cc & 7];
    return v == 0x30 ? keep : v;
  };

  const bool vertical = c == f.VerticalChar;
  if (vertical) {
    if (C == 0 || C == 4) {
      if (R == 0 || R == 4) {
        C = d + 1;
        R = d + 1;
      } else if (R == 1 || R == 5) {
        C = R == 5 ? 7 : 3 + d;
        f.LastColumn = std::max(f.LastColumn, col);
      }
    } else if ((C == 1 || C == 5) && (R == 0 || R == 4)) {
      R = C == 5 ? 7 : 3 + d;
    }
  }
  if (!vertical && f.HorizontalChar != 0 && c == f.HorizontalChar) {
    if ((C == 0 || C == 4) && In(R, {1, 5, 2, 6})) {
      C = d + 2;
      c = (R == 2 || R == 6) ? table(R - 1, C, c) : table(R, C, c);
    } else if ((R == 0 || R == 4) && In(C, {1, 5, 2, 6})) {
      R = d + 2;
      c = (C == 2 || C == 6) ? table(R, C - 1, c) : table(R, C, c);
    } else {
      c = table(R, C, c);
    }
  } else {
    c = table(R, C, c);
  }
  if (vertical) {
    if ((C == 1 || C == 5) && (R == 3 || R == 7)) {
      C = 0;
    } else if (C == 3 || C == 7) {
      if (R == 1 || R == 5) {
        R = 0;
      } else if (R == 3 || R == 7) {
        C = 0;
        R = 0;
        if (col == f.LastColumn) {
          f.LastColumn = 0;
          for (std::int32_t k = static_cast<std::int32_t>(f.ColumnStates.size()) - 1; k >= 1; --k)
            if (f.ColumnStates[k] == 3 || f.ColumnStates[k] == 7) {
              f.LastColumn = k;
              break;
            }
        }
      }
    }
  }
  if ((C == 2 || C == 6) && (R == 3 || R == 7)) C = 0;
  if ((C == 3 || C == 7) && (R == 2 || R == 6)) R = 0;
  f.Double = false;
  return c;
}

void AdvancePosition(LinePosition& line, std::uint8_t c, const CharacterClasses& classes,
                     const CharWidths& fontWidths, std::int32_t graphicsWidth) {
  if (graphicsWidth >= 0) {
    line.Position += graphicsWidth;
    ++line.Characters;
  } else if (classes.WidthTable[c] == 1) {
    line.Position += fontWidths[c];
    ++line.Characters;
  } else {
    line.AtLineStart = 0;
  }
}

// ---- FormattedWriter ----

void FormattedWriter::ResetForFile() {
  for (WriterStream& s : Streams) {
    s.Underline = s.Bold = s.Italic = s.Superscript = 0;
    s.Column = 0;
  }
  Frame.On = false;
  Frame.Clear();
  LineBuffer.Clear();
  LineBuffer.PendingPageNote.clear();
  LastChar = kLineFeed;
  DotLine = 0;
  AdjustCharacterClassesForFile(Classes);
}

void FormattedWriter::PutOutputChar(std::uint8_t c) {
  if (Messages && Messages->IndexScanRun) return;
  if (!(Frame.On && CurrentStream == kTextStream)) {
    WriteOutputChar(c);
    return;
  }
  if (Classes.WidthTable[c] == 1) ++Frame.Column;
  if (c == kLineFeed) Frame.Column = 0;
  if ((c == kCarriageReturn || c == kSoftLineEnd) && Frame.Column < Frame.LastColumn) {
    while (Frame.Column < Frame.LastColumn + 1) {
      ++Frame.Column;
      WriteOutputChar(ConvertFrameChar(Frame, ' ', Classes));
    }
  }
  const bool marker = Frame.DoubleMarker != 0 && c == Frame.DoubleMarker;
  const std::uint8_t converted = ConvertFrameChar(Frame, c, Classes);
  if (!marker) WriteOutputChar(converted);
}

void FormattedWriter::WriteOutputLine(std::string_view text) {
  for (char c : text) PutOutputChar(static_cast<std::uint8_t>(c));
  PutOutputChar(kCarriageReturn);
  PutOutputChar(kLineFeed);
}

void FormattedWriter::WriteOutputChar(std::uint8_t c) {
  WriterStream& s = Current();
  const bool textStream = CurrentStream == kTextStream;
  const bool buffering = textStream && LineBuffer.Active;
  if (c >= 32) {
    s.Column += Classes.WidthTable[c];
  } else {
    switch (c) {
      case kBoldToggle:
        s.Bold ^= 1;
        break;
      case kUnderlineToggle:
        s.Underline ^= 1;
        break;
      case kSuperscriptToggle:
        s.Superscript ^= 1;
        break;
      case kItalicToggle:
        s.Italic ^= 1;
        break;
      case kLineFeed:
        s.Column = 0;
        break;
      case kCarriageReturn:
        if (!buffering) {
          if (Messages) {
            if (s.Underline)
              Messages->ReportFormatError(Messages->Text(MessageId::kUnderlineNotEnded));
            if (s.Bold) Messages->ReportFormatError(Messages->Text(MessageId::kBoldNotEnded));
            if (s.Italic) Messages->ReportFormatError(Messages->Text(MessageId::kItalicNotEnded));
          }
          s.Underline = s.Bold = s.Italic = 0;
        }
        if (textStream && ParagraphCounting && !DotLine && LastChar != kLineFeed && Messages)
          ++Messages->ParagraphNumber;
        break;
      case kEscape:
        return;
      case kColumnMark:
        s.Column += 1;
        break;
      default:
        s.Column += Classes.WidthTable[c];
        break;
    }
  }

  if (!buffering) {
    WriteRawChar(c);
  } else if (c != kPageNoteMark) {
    LineBuffer.Chars.push_back(static_cast<char>(c));
  } else {
    if (LineBuffer.HasPageNote) {
      if (Messages) {
        Messages->ReportFormatInfo(
            Messages->Text(MessageId::kPageNoteSwallowed, {LineBuffer.PendingPageNote}));
        Messages->ReportFormatError(Messages->Text(MessageId::kTwoPageNotesInOneLine));
      }
    } else {
      LineBuffer.Prefix = LineBuffer.PendingPageNote.substr(0, kPageNoteLength);
      LineBuffer.LeadChar = LineBuffer.NoteLeadChar;
      LineBuffer.TrailChar = LineBuffer.NoteTrailChar;
      LineBuffer.HasPageNote = true;
    }
    LineBuffer.PendingPageNote.clear();
  }
  if (buffering && c == kLineFeed) FlushBufferedLine();

  if (textStream) {
    if (c == kLineFeed) DotLine = 0;
    if (c == kDotLineMark && LastChar == kLineFeed) DotLine = 1;
    LastChar = c;
  }
}

void FormattedWriter::WriteRawChar(std::uint8_t c) {
  OutputFile& file = Current().File;
  if (c >= 128 && c != kSoftLineEnd) {
    file.Put(kEscape);
    file.Put(Classes.OutputTable[c]);
    file.Put(kEscapeEnd);
  } else {
    file.Put(Classes.OutputTable[c]);
  }
}

void FormattedWriter::WriteLineStart() {
  std::int32_t written = 0;
  if (LineBuffer.LeadChar != 0) {
    WriteRawChar(LineBuffer.LeadChar);
    ++written;
  }
  for (char c : LineBuffer.Prefix) {
    WriteRawChar(static_cast<std::uint8_t>(c));
    ++written;
  }
  if (LineBuffer.TrailChar != 0) {
    WriteRawChar(LineBuffer.TrailChar);
    ++written;
  }
  for (; written < LineBuffer.IndentColumn; ++written) WriteRawChar(kColumnMark);
}

void FormattedWriter::FlushBufferedLine() {
  if (LineBuffer.Chars.empty() || LineBuffer.Chars[0] != kDotLineMark) WriteLineStart();
  for (char c : LineBuffer.Chars) WriteRawChar(static_cast<std::uint8_t>(c));
  LineBuffer.Clear();
}

// ---- Notes control ----

namespace {

// A number directly after a setting's two letters (a blank or sign in front is passed over);
// the character that ends it stays current.
std::int32_t ReadSettingNumber(DotLineReader& dot) {
  std::uint8_t c = dot.NextDotChar();
  if (c == ' ' || c == '+' || c == '-') c = dot.NextDotChar();
  std::string text;
  while (c >= '0' && c <= '9' && text.size() < 16) {
    text.push_back(static_cast<char>(c));
    c = dot.NextDotChar();
  }
  std::int32_t value = 0;
  for (char d : text)
    value = std::min<std::int64_t>(static_cast<std::int64_t>(value) * 10 + (d - '0'), 1 << 30);
  return value;
}

std::uint8_t Upper(std::uint8_t c) {
  return c >= 'a' && c <= 'z' ? static_cast<std::uint8_t>(c - 32) : c;
}

std::uint8_t HeightByte(std::int32_t n) { return static_cast<std::uint8_t>(std::clamp(n, 0, 255)); }

}  // namespace

void NotesControl(int form, DotLineReader& dot, FormattedWriter& writer, NotesState& notes,
                  PageState& pages, const NotesControlInput& input, RunMessages& messages) {
  std::uint8_t c = dot.NextDotChar();
  if (c == ' ') c = dot.NextDotChar();
  if (form == 1) {
    notes.FootnoteNumber = 1;
    notes.BeginMarker = c;
    notes.EndMarker = dot.NextDotChar();
    notes.Font = input.CurrentSlotFont;
  }
  c = dot.NextDotChar();
  if (c == ' ') c = dot.NextDotChar();

  bool cwGiven = false;
  if (form == 1) {
    StreamPages& notesPages = pages.Streams[kNotesStream];
    for (int pass = 0; pass < 4; ++pass) {
      const std::uint8_t first = Upper(dot.CurrentChar());
      if (In(first, {'C', 'E', 'H', 'L', 'S'})) {
        const std::uint8_t second = Upper(dot.NextDotChar());
        if (first == 'C' && second == 'W') {
          const std::int32_t n = ReadSettingNumber(dot);
          // A width of 0 would divide by zero; it leaves the notes as wide as the text.
          if (n > 0) {
            notes.CwValue = n;
            notes.LineWidth =
                static_cast<std::int32_t>(std::nearbyint(input.TextLineWidth * 12.0 / n));
            cwGiven = true;
          }
        } else if (first == 'S' && second == 'N') {
          const char letter = static_cast<char>(dot.NextDotChar());
          const char prefix = static_cast<char>(dot.NextDotChar());
          if (const std::uint8_t font = FontCharToNumber(letter, prefix)) notes.Font = font;
          if (prefix == ' ' || prefix == '"' || prefix == '&' || prefix == '\'') dot.NextDotChar();
        } else if (first == 'L' && second == 'H') {
          const std::uint8_t h = HeightByte(ReadSettingNumber(dot));
          notesPages.LineHeights[0] = notesPages.LineHeights[1] = notesPages.LineHeights[2] = h;
        } else if (first == 'H' && second == 'H') {
          notesPages.LineHeights[0] = HeightByte(ReadSettingNumber(dot));
        } else if (first == 'E' && second == 'H') {
          notesPages.LineHeights[1] = HeightByte(ReadSettingNumber(dot));
        } else if (first == 'S' && second == 'H') {
          notesPages.LineHeights[2] = HeightByte(ReadSettingNumber(dot));
        }
      } else if (first < 32 && first != kCarriageReturn) {
        dot.NextDotChar();
      }
    }
    if (!cwGiven) notes.LineWidth = input.TextLineWidth;
  }
  notes.ZoneStart = notes.LineWidth - input.HyphenationZone;

  if (!messages.IndexScanRun) {
    OutputFile& file = writer.Streams[kNotesStream].File;
    // A second notes command in the same file keeps the notes written so far; only its
    // settings lines are added.
    if (!(notes.InUse && file.IsOpen())) {
      const bool created = file.Create(input.NotesFileName);
      if (!messages.CheckOutputOpened(2, input.NotesFileName, !created, file.ErrorCode())) return;
    }
    if (notes.LineWidth != input.TextLineWidth)
      file.Write(".CW" + std::to_string(notes.CwValue) + "\r\n");
    if (notes.Font != input.NormalFont) file.Write(".SN" + FontNumberToSpec(notes.Font) + "\r\n");
  }
  notes.InUse = true;
}

// ---- Index volumes ----

void IndexVolumes::Reset() {
  CloseAll();
  Count = 0;
  Chars.clear();
  Open = false;
}

void IndexVolumes::CloseAll() {
  for (OutputFile& f : Files) f.Close();
}

bool OpenIndexVolume(DotLineReader& dot, IndexVolumes& volumes, const std::string& indexName,
                     bool indexScanRun, RunMessages& messages) {
  (void)indexScanRun;
  if (dot.Line.size() <= 3) return false;
  // Blanks before the character are skipped, as the page engine reads it: a blank taken as
  // the index character would index every word that follows one.
  std::uint8_t c = dot.NextDotChar();
  while (c == ' ') c = dot.NextDotChar();
  if (c == kCarriageReturn) return false;
  if (volumes.Count >= kMaxIndexVolumes) {
    messages.ReportFormatError(
        messages.Text(MessageId::kTooManyIndexCharacters, {std::string(1, static_cast<char>(c))}));
    return false;
  }
  const int n = ++volumes.Count;
  volumes.Chars.push_back(static_cast<char>(c));
  volumes.Open = true;
  const std::string name = indexName + std::to_string(n);
  OutputFile& file = volumes.Files[n - 1];
  const bool created = file.Create(name);
  messages.CheckOutputOpened(3, name, !created, file.ErrorCode());
  return true;
}

}  // namespace tavrel
