// Job Z: the formatted text and its notes (".fun") arranged page by page into ".taf", each page
// with its own notes at its foot below a separator line.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "formatter/derived/derived_documents.h"

namespace tavrel {

// One line of the text or of a note, up to and including its LF.
struct ArrangedLine {
  std::string Bytes;
  int Kind = 0;  // 0 ended by CR LF, 1 empty, 2 ended by LF alone
  std::int32_t Height = 0;
  bool Dot = false;
  std::vector<ArrangedLine> Notes;  // of a text line: the note lines its marks brought
};

// Reads the notes file note by note.
class NotesReader {
 public:
  explicit NotesReader(std::string_view bytes) : bytes_(bytes) {}
  bool AtEnd() const;
  // The next line (tagged blocks dropped); `ended` tells how it ended.
  std::string NextLine(bool& endedByCtrlZ);
  // Whether the next `width` bytes (up to an LF or Ctrl-Z) hold a digit.
  bool DigitAhead(int width) const;

 private:
  std::string_view bytes_;
  std::size_t pos_ = 0;
};

struct ArrangementState {
  DerivedPageState Page;  // text line heights in LineHeights
  std::array<std::int32_t, 3> NoteLineHeights{8, 8, 8};
  std::int32_t NormalLineHeight = 8;
  std::int32_t TextColumnWidth = 12;
  std::uint8_t TextFont = 0;
  std::int32_t NoteNumberWidth = 0;
  NotePartSettings NotePart;
  std::int32_t TextUsed = 0, NotesUsed = 0;
  std::deque<ArrangedLine> Text;           // the page's text lines
  std::vector<ArrangedLine> CarriedNotes;  // note lines that did not fit the page before
  std::deque<std::string> Paragraph;       // lines of the current input paragraph
  bool BreakRequested = false;
  bool FormattedEnded = false;
  std::int32_t NotesPlaced = 0;
  std::string Output;
};

DerivedJobResult FootnoteArrangementRun(const DerivedJobInput& input, RunMessages& messages);

}  // namespace tavrel
