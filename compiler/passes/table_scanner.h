// Tables typed as columns of text between ".TA title" and ".TA": the characters of the table
// lines are cut into cells (runs of text separated by two or more blanks) that point into the
// source buffer, and every character position counts the lines in which it is occupied.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace skeldon {

struct CompilerRun;

inline constexpr int kTableLineMax = 2000;   // character positions of a table line
inline constexpr int kTableColumnMax = 200;  // table columns
inline constexpr std::size_t kTableTitleMax = 199;

struct TTableCell {
  std::int32_t Row = 0;            // line ends passed since the table opened (first line: 1)
  std::int32_t FirstColumn = 0;    // position of the first character, from 1
  std::int32_t LastColumn = 0;     // position of the last character; 0 while open
  std::int64_t TextStart = 0;      // first byte in the source buffer
  std::int64_t TextEnd = 0;        // last byte (inclusive)
  std::int32_t Continuation = -1;  // index of the cell continuing this one, -1 none
  bool Valid = true;               // written as a cell of its own
  bool Ditto = false;              // a cell of one double quote
  std::int32_t ColSpan = 1;
  std::int32_t RowSpan = 1;
};

struct TTableState {
  bool TableOpen = false;
  std::vector<TTableCell> Cells;  // in source order
  std::int32_t TableRow = 0;
  std::int32_t TableColumn = 0;
  // Counts are 16-bit so that tables of more than 255 lines count right.
  std::array<std::uint16_t, kTableLineMax + 1> ColumnOccupancy{};
  // The last position counted in ColumnOccupancy: the positions after it are all 0.
  std::int32_t OccupiedWidth = 0;
  std::string TableTitle;
  std::string TableAttributes = "BORDER CELLPADDING=5";
  std::uint8_t TableContinuationChar = '+';
  bool TableNoContinuationSpan = false;
  bool TableJoinWithBlank = false;
  std::int32_t TableAlignment = 0;  // 0 automatic, 1 left, 2 right, 3 centre
  // Last source byte of the characters in the reader's window (just read, before, before that).
  std::array<std::int64_t, 3> LastBytes{};
  bool LineTooLongReported = false;
};

bool IsCellSeparator(const CompilerRun& run, std::uint8_t c);
// Once per character read while a table is open (the CR of every line included).
void ScanTableCell(CompilerRun& run);
// ".TA": opens a table with a title or closes and writes it (DotLine holds the letters).
void HandleTaCommand(CompilerRun& run);
// Sets TableOpen and the flag the link writer reads.
void SetTableOpen(CompilerRun& run, bool open);

}  // namespace skeldon
