// The derived-document jobs of the job thread: I (the contents document ".toc" and the PDF
// outline "ps_cnt") and Z (text and footnotes arranged into ".taf"). The job thread calls
// MakeDerivedDocument with the document's name; messages and the stop flag go through the
// run messages it hands in.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tavrel {

struct TSettingsRecord;
class RunMessages;

// The note part settings of FU, kept for FF.
struct NotePartSettings {
  bool ControlPair = false;
  std::uint8_t Opening = 0, Closing = 0;
  std::int32_t ColumnWidth = 0;
  std::uint8_t Font = 0;
  std::array<std::int32_t, 3> LineHeights{8, 8, 8};
};

// What outlives one job: the page count of the last contents run (for "PN F") and the note part
// settings of the last FU. Owned by the job thread, one for the program.
struct DerivedContext {
  std::int32_t LastContentsPageCount = 0;
  NotePartSettings KeptNotePart;
  // The line heights the formatting run last kept for its notes stream and its text stream
  // (slots of HH, EH, SH); the note part writes the difference between them.
  std::array<std::int32_t, 3> NotesStreamHeights{8, 8, 8};
  std::array<std::int32_t, 3> TextStreamHeights{8, 8, 8};
};

struct DerivedJobInput {
  const TSettingsRecord& Settings;
  std::string FileName;  // the document; the job picks its ".fmt" / ".taf" companion
  DerivedContext& Context;
};

struct DerivedJobResult {
  std::string Input;    // the file read
  std::string Output;   // ".toc" or ".taf"
  std::string Outline;  // "ps_cnt", when written
  std::int32_t Pages = 0;
  std::int32_t Entries = 0;  // contents entries, or notes placed
  bool Stopped = false;      // by the user: the output stays as far as written
  bool Failed = false;       // a file could not be opened or written, or a dot line was bad
};

// Page accounting shared by both jobs, in 1/48 inch.
struct DerivedPageState {
  std::int32_t PL = 0, MT = 0, MB = 0;  // the page template's lines
  std::array<std::int32_t, 3> LineHeights{8, 8, 8};
  std::int32_t TextHeight = 0;
  std::int32_t UsedHeight = 0;
  std::int32_t PageNumber = 1;
  std::int32_t PageCounter = 0;
  void ComputeTextHeight() { TextHeight = (PL - MT - MB) * 8; }
};

// Mode 'I' or 'Z'; other letters do nothing.
DerivedJobResult MakeDerivedDocument(char mode, const DerivedJobInput& input,
                                     RunMessages& messages);

// The page state a run starts from: the settings' page template, line heights of 8.
DerivedPageState StartPageState(const TSettingsRecord& settings);

// The number after a dot command's two letters (one blank skipped, at most six characters of
// digits, '"' and '.'), in the command's units. On failure the error line and the interruption
// go to messages, and false comes back.
bool ParseDotNumber(std::string_view line, std::int32_t page, std::int32_t& value,
                    RunMessages& messages);

// Reads formatted lines: bytes up to CR (its LF is taken too) or the end mark; a tagged block
// is taken whole. Lines are not cut: a line of any length comes back whole.
class FormattedLineReader {
 public:
  explicit FormattedLineReader(std::string_view bytes) : bytes_(bytes) {}
  bool AtEnd() const { return pos_ >= bytes_.size() || bytes_[pos_] == '\x1A'; }
  std::string Next();

 private:
  std::string_view bytes_;
  std::size_t pos_ = 0;
};

// The two letters of a dot line, upper-cased ("" when the line is shorter).
std::string DotCommandOf(std::string_view line);

}  // namespace tavrel
