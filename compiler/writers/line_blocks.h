// Line-drawing blocks (".LI"): boxes drawn with a corner, a junction and any line characters
// become box-drawing characters (IPF) or "|", "-" and "+" (the other targets), column-exact.
// One state per column holds the vertical line through it, one state the horizontal line.
#pragma once

#include <array>
#include <cstdint>

namespace skeldon {

struct CompilerRun;

inline constexpr int kLineColumns = 256;  // columns 1 .. 256 take part in the drawing

struct TLineDrawingState {
  bool LineDrawingActive = false;
  std::array<std::int32_t, kLineColumns + 1> ColumnLineState{};  // index 1 .. 256
  std::int32_t RowLineState = 0;
  std::int32_t RightEdgeColumn = 0;
  bool DoubleLinePending = false;
  std::uint8_t CornerChar = 0;
  std::uint8_t JunctionChar = 0;
  std::uint8_t DoubleLineMarker = 0;
  bool SavedFormattedText = true;
  bool BlockOpenedInRun = false;
  std::array<std::uint8_t, 64> BoxCharTable{};  // row = RowLineState, column = ColumnLineState
};

// The table for the run's target: box-drawing characters for IPF, plain ones otherwise.
void InitBoxCharTable(CompilerRun& run);
// ".LI" with parameters opens a block, ".LI" alone closes it (DotLine holds the letters).
void HandleLiCommand(CompilerRun& run);
// Replaces a character of a block that lies on a line; the column is the output column.
void DrawLineChar(CompilerRun& run, std::uint8_t& c);
std::int32_t FindLastRightEdgeColumn(const CompilerRun& run);

}  // namespace skeldon
