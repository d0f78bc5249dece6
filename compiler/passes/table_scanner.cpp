#include "compiler/passes/table_scanner.h"

#include "compiler/foundation/source_buffer.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/writers/table_writer.h"

namespace skeldon {

namespace {

constexpr std::uint8_t kCr = 0x0D;

void CloseCell(TTableState& st, std::int32_t lastColumn, std::int64_t textEnd) {
  TTableCell& cell = st.Cells.back();
  cell.LastColumn = lastColumn < cell.FirstColumn ? cell.FirstColumn : lastColumn;
  cell.TextEnd = textEnd < cell.TextStart ? cell.TextStart : textEnd;
}

bool CellOpen(const TTableState& st) {
  return !st.Cells.empty() && st.Cells.back().LastColumn == 0;
}

}  // namespace

bool IsCellSeparator(const CompilerRun& run, std::uint8_t c) {
  return c == ' ' || c == run.Reader.SoftSpaceChar;
}

void SetTableOpen(CompilerRun& run, bool open) {
  run.Tables.TableOpen = open;
  run.Passes.TableMode = open;
}

void ScanTableCell(CompilerRun& run) {
  TTableState& st = run.Tables;
  const TSourceBuffer& sb = run.Source;
  const std::uint8_t c0 = sb.NextChar, c1 = sb.CurChar, c2 = sb.PrevChar;
  // The window's byte addresses, kept here because line ends and skipped WordStar codes give
  // characters of different byte lengths.
  st.LastBytes[2] = st.LastBytes[1];
  st.LastBytes[1] = st.LastBytes[0];
  st.LastBytes[0] = static_cast<std::int64_t>(sb.Position) - 1;
  const bool s0 = IsCellSeparator(run, c0), s1 = IsCellSeparator(run, c1),
             s2 = IsCellSeparator(run, c2);

  if (!((s1 && s0) || (s1 && s2))) {
    if (st.TableColumn <= kTableLineMax) {
      std::uint16_t& count = st.ColumnOccupancy[static_cast<std::size_t>(st.TableColumn)];
      if (count < 0xFFFF) ++count;
      if (st.TableColumn > st.OccupiedWidth) st.OccupiedWidth = st.TableColumn;
    }
  }
  if (c0 == kCr) {
    if (CellOpen(st)) {
      if (s1)
        CloseCell(st, st.TableColumn - 1, st.LastBytes[2]);
      else
        CloseCell(st, st.TableColumn, st.LastBytes[1]);
    }
    ++st.TableRow;
    st.TableColumn = 0;
    return;
  }
  ++st.TableColumn;
  if (st.TableColumn > kTableLineMax) {
    // Positions past the occupancy table cannot be placed in a column: the rest of the line
    // stays out of the table, said once per table.
    if (CellOpen(st)) CloseCell(st, kTableLineMax, st.LastBytes[1]);
    if (!st.LineTooLongReported) {
      st.LineTooLongReported = true;
      run.Reporter.ReportSourceError(MessageId::TableLineTooLong, 0);
    }
    return;
  }
  if (s0) {
    if (s1 && CellOpen(st)) CloseCell(st, st.TableColumn - 2, st.LastBytes[2]);
    return;
  }
  if (c1 == kCr || (c2 == kCr && s1) || (s1 && s2)) {
    TTableCell cell;
    cell.Row = st.TableRow;
    cell.FirstColumn = st.TableColumn;
    cell.TextStart = st.LastBytes[0];
    // A WordStar extended character (ESC, code, 28) starts at its ESC.
    if (run.Switches.WordStarInput && cell.TextStart >= 2 &&
        (ByteAtPointer(run, static_cast<std::size_t>(cell.TextStart)) & 0x7F) == 28 &&
        ByteAtPointer(run, static_cast<std::size_t>(cell.TextStart - 2)) == 27)
      cell.TextStart -= 2;
    cell.TextEnd = cell.TextStart;
    st.Cells.push_back(cell);
  }
}

void HandleTaCommand(CompilerRun& run) {
  TTableState& st = run.Tables;
  const std::string& line = run.Reader.DotLine;
  std::string rest = line.size() > 2 ? line.substr(2) : std::string();
  if (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
  if (rest.empty()) {
    if (!st.TableOpen) {
      run.Reporter.ReportSourceError(MessageId::TaWithoutParameter, 0);
      run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::SourceStructureWrong));
    }
    WriteTable(run);
    SetTableOpen(run, false);
    // The cells point into the source of this table only; they are not kept.
    st.Cells.clear();
    return;
  }
  if (st.TableOpen) {
    run.Reporter.ReportSourceError(MessageId::OldTableNotClosed, 0);
    run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::SourceStructureWrong));
  }
  st.TableTitle = rest.substr(0, kTableTitleMax);
  SetTableOpen(run, true);
  st.Cells.clear();
  st.TableRow = 0;
  st.TableColumn = 0;
  st.ColumnOccupancy.fill(0);
  st.OccupiedWidth = 0;
  st.TableNoContinuationSpan = false;
  st.TableJoinWithBlank = false;
  st.TableAlignment = 0;
  st.LastBytes.fill(0);
  st.LineTooLongReported = false;
}

}  // namespace skeldon
