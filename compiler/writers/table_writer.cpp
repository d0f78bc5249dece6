#include "compiler/writers/table_writer.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "compiler/foundation/source_buffer.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/passes/output_filter.h"
#include "compiler/passes/source_reader.h"
#include "compiler/passes/table_scanner.h"
#include "compiler/writers/link_writer.h"
#include "compiler/writers/markup.h"

namespace skeldon {

namespace {

enum class TTableTarget { Html, Ipf, Rtf };

struct TTableWork {
  std::array<std::uint8_t, kTableLineMax + 1> ColumnMap{};  // position -> table column
  int ColumnCount = 1;
  TTableTarget Target = TTableTarget::Html;
  std::vector<long> RtfEdges;  // right edge of each written RTF column, in twips
};

std::uint8_t Byte(const CompilerRun& run, std::int64_t pos) {
  return pos < 0 ? 0 : ByteAtPointer(run, static_cast<std::size_t>(pos));
}

int ColumnOf(const TTableWork& w, std::int32_t position) {
  position = std::clamp(position, 1, kTableLineMax);
  return w.ColumnMap[static_cast<std::size_t>(position)];
}

int OwnSpan(const TTableWork& w, const TTableCell& c) {
  return ColumnOf(w, c.LastColumn) - ColumnOf(w, c.FirstColumn) + 1;
}

void FindColumns(CompilerRun& run, TTableWork& w) {
  const auto& occ = run.Tables.ColumnOccupancy;
  int column = 1;
  bool falling = false, reported = false;
  w.ColumnMap[1] = 1;
  // Past the occupied width every count is 0: no column starts there.
  const int end = std::min(run.Tables.OccupiedWidth + 1, kTableLineMax);
  for (int p = 2; p <= end; ++p) {
    if (occ[p] < occ[p - 1]) {
      falling = true;
    } else if (occ[p] > occ[p - 1] && falling) {
      falling = false;
      if (column < kTableColumnMax) {
        ++column;
      } else if (!reported) {
        // Further columns join the last one, so no cell is lost.
        reported = true;
        run.Reporter.ReportSourceError(MessageId::TooManyTableColumns, 0);
      }
    }
    w.ColumnMap[p] = static_cast<std::uint8_t>(column);
  }
  std::fill(w.ColumnMap.begin() + std::max(end + 1, 2), w.ColumnMap.end(),
            static_cast<std::uint8_t>(column));
  w.ColumnCount = column;
}

void LinkContinuations(CompilerRun& run, const TTableWork& w) {
  TTableState& st = run.Tables;
  std::array<int, kTableColumnMax + 1> pending;
  pending.fill(-1);
  for (int i = 0; i < static_cast<int>(st.Cells.size()); ++i) {
    TTableCell& c = st.Cells[i];
    const int k = ColumnOf(w, c.FirstColumn);
    if (pending[k] >= 0) {
      st.Cells[pending[k]].Continuation = i;
      c.Valid = false;
      pending[k] = -1;
    }
    if (Byte(run, c.TextEnd) == st.TableContinuationChar) {
      --c.TextEnd;
      pending[k] = i;
    }
    if (Byte(run, c.TextEnd) == '-' && Byte(run, c.TextEnd - 1) != '-' && c.TextStart != c.TextEnd)
      pending[k] = i;
    if (c.TextStart == c.TextEnd && Byte(run, c.TextStart) == '"') {
      c.Valid = false;
      c.Ditto = true;
    }
  }
}

void WriteTableHead(CompilerRun& run, TTableWork& w) {
  TTableState& st = run.Tables;
  std::string& out = run.Passes.OutputFile;
  if (w.Target == TTableTarget::Html) {
    out += "\r\n<TABLE " + st.TableAttributes + ">\r\n";
    const std::string& t = st.TableTitle;
    if (t != "no" && t != "NO" && t != "No") {
      out += "<CAPTION>";
      for (char ch : t) FilterOutputChar(run, static_cast<std::uint8_t>(ch));
      FilterOutputChar(run, 0);
      run.Passes.OutputFile += "</CAPTION>\r\n";
    }
    return;
  }
  // Start position of each column and the widest cell of the last column.
  std::array<int, kTableColumnMax + 2> start{};
  for (int p = kTableLineMax; p >= 1; --p) start[w.ColumnMap[p]] = p;
  const int n = w.ColumnCount;
  int widest = 0;
  bool lastHasCells = false;
  for (const TTableCell& c : st.Cells) {
    if (ColumnOf(w, c.FirstColumn) != n) continue;
    lastHasCells = true;
    widest = std::max(widest, c.LastColumn - c.FirstColumn);
  }
  if (w.Target == TTableTarget::Ipf) {
    // A last column of one-character cells still needs its width, or the cols list would
    // name fewer columns than the rows hold.
    if (lastHasCells && widest == 0) widest = 1;
    out += "\r\n:table cols='";
    for (int k = 1; k <= n; ++k) {
      const int width = k < n ? start[k + 1] - start[k] - 1 : widest;
      if (width == 0) break;
      out += std::to_string(width) + " ";
    }
    out += "'.";
    return;
  }
  out += "\r\n";
  WriteParagraphBreak(run);
  for (int k = 1; k <= n; ++k) {
    const int edge = k < n ? start[k + 1] - 1 : start[n] + widest;
    if (edge <= 0) break;
    // edge x 144 twips x 0.7, rounded; 100.8 per position is never a half.
    const long twips = (static_cast<long>(edge) * 1008 + 5) / 10;
    w.RtfEdges.push_back(twips);
    run.Passes.OutputFile += "\\cellx" + std::to_string(twips);
  }
  run.Passes.OutputFile += "\r\n";
}

bool WrittenAsCell(const CompilerRun& run, const TTableWork& w, const TTableCell& c) {
  return c.Valid || (w.Target != TTableTarget::Html && Byte(run, c.TextStart) == '"');
}

// RTF has no column span: a cell that spans columns is merged with the cells it covers, so
// that its text keeps the width of all of them. Returns the merge mark of each column of the
// row that starts at cell `first` (0 none, 1 first of a merge, 2 merged into the one before).
std::vector<int> RtfMerges(const CompilerRun& run, const TTableWork& w, std::size_t first) {
  const std::vector<TTableCell>& cells = run.Tables.Cells;
  std::vector<int> marks(w.RtfEdges.size() + 1, 0);
  for (std::size_t j = first; j < cells.size() && cells[j].Row == cells[first].Row; ++j) {
    const TTableCell& c = cells[j];
    if (!WrittenAsCell(run, w, c) || c.ColSpan < 2) continue;
    const int k = ColumnOf(w, c.FirstColumn);
    const int last = std::min<int>(k + c.ColSpan - 1, static_cast<int>(w.RtfEdges.size()));
    if (last <= k) continue;
    marks[k] = 1;
    for (int m = k + 1; m <= last; ++m) marks[m] = 2;
  }
  return marks;
}

// The cell definitions of a row with its merges ("\trowd" starts them anew).
void WriteRtfRowDefinitions(CompilerRun& run, const TTableWork& w, const std::vector<int>& marks) {
  std::string& out = run.Passes.OutputFile;
  out += "\\trowd";
  for (std::size_t k = 1; k <= w.RtfEdges.size(); ++k) {
    if (marks[k] == 1) out += "\\clmgf";
    if (marks[k] == 2) out += "\\clmrg";
    out += "\\cellx" + std::to_string(w.RtfEdges[k - 1]);
  }
  out += "\r\n";
}

// Spans in one backward walk: for each cell, what the cells below it in its column add up to
// until the next cell of its own, so long columns of ditto or continued cells stay linear.
void ComputeSpans(CompilerRun& run, const TTableWork& w) {
  std::vector<TTableCell>& cells = run.Tables.Cells;
  const int count = static_cast<int>(cells.size());
  std::vector<int> dittosBelow(count, 0), widestBelow(count, 0), chain(count, 1);
  std::array<int, kTableColumnMax + 1> below;  // next cell in the column, -1 none
  below.fill(-1);
  for (int i = count - 1; i >= 0; --i) {
    TTableCell& c = cells[i];
    const int k = ColumnOf(w, c.FirstColumn);
    const int n = below[k];
    if (n >= 0 && !cells[n].Valid) {
      dittosBelow[i] = (cells[n].Ditto ? 1 : 0) + dittosBelow[n];
      widestBelow[i] = std::max(OwnSpan(w, cells[n]), widestBelow[n]);
    }
    below[k] = i;
    if (c.Continuation > i && c.Continuation < count) chain[i] = 1 + chain[c.Continuation];
  }
  for (int i = 0; i < count; ++i) {
    TTableCell& c = cells[i];
    if (!WrittenAsCell(run, w, c)) continue;
    c.ColSpan = std::max(OwnSpan(w, c), widestBelow[i]);
    c.RowSpan = 1 + dittosBelow[i];
    if (!run.Tables.TableNoContinuationSpan) c.RowSpan += chain[i] - 1;
  }
}

void LevelRowSpans(CompilerRun& run, const TTableWork& w) {
  std::vector<TTableCell>& cells = run.Tables.Cells;
  std::array<int, kTableColumnMax + 1> stored;
  stored.fill(-1);
  int largest = 0;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (cells[i].Valid) {
      const int k = ColumnOf(w, cells[i].FirstColumn);
      stored[k] = static_cast<int>(i);
      largest = std::max(largest, k);
    }
    const bool rowEnd = i + 1 == cells.size() || (cells[i + 1].Valid && cells[i].Row > 0 &&
                                                  cells[i + 1].Row != cells[i].Row);
    if (!rowEnd) continue;
    int smallest = 199;
    for (int k = 1; k <= largest; ++k)
      if (stored[k] >= 0) smallest = std::min(smallest, cells[stored[k]].RowSpan);
    if (smallest < 199)
      for (int k = 1; k <= largest; ++k)
        if (stored[k] >= 0) cells[stored[k]].RowSpan -= smallest - 1;
  }
}

bool IsNumericChar(std::uint8_t c) { return c == ',' || c == '.' || (c >= '0' && c <= '9'); }

// Reads one piece with the source reader; calls back for every character.
template <typename F>
void ReadPiece(CompilerRun& run, const TTableCell& piece, F&& onChar) {
  SetSourcePos(run, static_cast<std::size_t>(std::max<std::int64_t>(piece.TextStart, 0)));
  do {
    if (SourceEof(run)) break;
    ReadSourceChar(run);
    if (!onChar(run.Source.NextChar)) break;
  } while (static_cast<std::int64_t>(run.Source.Position) <= piece.TextEnd);
}

// Trims the pieces of a chain and counts numeric and other characters.
void TrimAndCount(CompilerRun& run, int first, int& numeric, int& other) {
  std::vector<TTableCell>& cells = run.Tables.Cells;
  numeric = other = 0;
  int guard = 0;
  for (int p = first; p >= 0 && guard++ <= static_cast<int>(cells.size());
       p = cells[p].Continuation) {
    TTableCell& c = cells[p];
    if (Byte(run, c.TextStart + 1) == '-')
      while (Byte(run, c.TextStart) == '-' && c.TextStart < c.TextEnd) ++c.TextStart;
    if (Byte(run, c.TextEnd - 1) == '-' || c.Continuation < 0)
      while (Byte(run, c.TextEnd) == '-' && c.TextStart < c.TextEnd) --c.TextEnd;
    ReadPiece(run, c, [&](std::uint8_t ch) {
      if (IsNumericChar(ch))
        ++numeric;
      else
        ++other;
      return true;
    });
  }
}

void WriteCellText(CompilerRun& run, const TTableWork& w, int first) {
  std::vector<TTableCell>& cells = run.Tables.Cells;
  run.Source.LineEndCount = 0;
  int guard = 0;
  for (int p = first; p >= 0 && guard++ <= static_cast<int>(cells.size());
       p = cells[p].Continuation) {
    const TTableCell& c = cells[p];
    bool firstChar = true;
    ReadPiece(run, c, [&](std::uint8_t ch) {
      if (run.LinkWriter.OpenLinkEnd != 0 && run.Source.Position == run.LinkWriter.OpenLinkEnd)
        CloseOpenLink(run);
      if (firstChar && w.Target != TTableTarget::Html && ch == '"') return false;
      firstChar = false;
      FilterOutputChar(run, ch);
      return true;
    });
    FilterOutputChar(run, 0);
    CloseOpenLink(run);
    if (c.Continuation >= 0) {
      std::string& out = run.Passes.OutputFile;
      if (w.Target == TTableTarget::Html)
        out += run.Tables.TableJoinWithBlank ? " " : "<br>";
      else if (w.Target == TTableTarget::Ipf)
        out += "\r\n";
      else
        out += "\\line ";
    }
  }
}

void WriteRows(CompilerRun& run, const TTableWork& w) {
  TTableState& st = run.Tables;
  std::int32_t p = 0;
  int q = 0;
  bool rowOpen = false, trPending = false;
  // IPF cells fill a row from the left, so a row is filled by the cells written in it; after
  // a continuation line the column count q alone would put the next cell one column left.
  int ipfCellsInRow = 0;
  // The previous RTF row had merged cells: the next one defines its plain cells again.
  bool rtfMergedRow = false;
  auto out = [&run]() -> std::string& { return run.Passes.OutputFile; };
  auto writeTr = [&]() {
    if (trPending) {
      out() += "<TR>";
      trPending = false;
    }
  };
  for (int i = 0; i < static_cast<int>(st.Cells.size()); ++i) {
    const TTableCell c = st.Cells[i];
    if (c.Row > p) {
      if (rowOpen) {
        if (w.Target == TTableTarget::Html) {
          // A row of continued or ditto pieces alone is still a row: the row spans above
          // count it, and without it the cells below would slide right.
          out() += trPending ? "<TR></TR>\r\n" : "</TR>\r\n";
        } else if (w.Target == TTableTarget::Rtf) {
          out() += "\\cell\\row\r\n";
        }
      } else if (w.Target != TTableTarget::Rtf) {
        out() += "\r\n";
      }
      if (w.Target == TTableTarget::Html)
        trPending = true;
      else if (w.Target == TTableTarget::Ipf)
        out() += ":row.";
      else {
        const std::vector<int> marks = RtfMerges(run, w, static_cast<std::size_t>(i));
        const bool merged = std::any_of(marks.begin(), marks.end(), [](int m) { return m != 0; });
        if (merged || rtfMergedRow) WriteRtfRowDefinitions(run, w, marks);
        rtfMergedRow = merged;
        out() += "\\intbl\r\n";
      }
      rowOpen = true;
      q = 0;
      ipfCellsInRow = 0;
    }
    ++q;
    if (WrittenAsCell(run, w, c)) {
      int numeric = 0, other = 0;
      // A continuation piece written as a cell of its own is an empty cell: its text belongs
      // to the cell it continues.
      const bool ownText = c.Valid || c.Ditto;
      if (ownText) TrimAndCount(run, i, numeric, other);
      const int k = ColumnOf(w, c.FirstColumn);
      if (w.Target == TTableTarget::Ipf) {
        for (; ipfCellsInRow < k - 1; ++ipfCellsInRow) out() += ":c.";
        q = std::max(q, k);
      }
      for (; q < k; ++q) {
        if (w.Target == TTableTarget::Html) {
          writeTr();
          out() += "<TD></TD>";
        } else if (w.Target == TTableTarget::Ipf) {
          out() += ":c.";
        } else {
          out() += "\\cell\r\n";
        }
      }
      const TTableCell& cell = st.Cells[i];
      if (w.Target == TTableTarget::Html) {
        writeTr();
        out() += "<TD";
        if (cell.ColSpan > 1) out() += " colspan=" + std::to_string(cell.ColSpan);
        if (cell.RowSpan > 1) out() += " rowspan=" + std::to_string(cell.RowSpan);
        if (st.TableAlignment != 1) {
          if (numeric >= other || st.TableAlignment == 2)
            out() += " ALIGN=RIGHT";
          else if (cell.ColSpan > 1 || st.TableAlignment == 3)
            out() += " ALIGN=CENTER";
        }
        out() += ">";
      } else if (w.Target == TTableTarget::Ipf) {
        out() += ":c.";
        ++ipfCellsInRow;
      } else if (cell.Row == p) {
        out() += "\\cell\r\n";
      }
      if (ownText) WriteCellText(run, w, i);
      if (w.Target == TTableTarget::Html) {
        out() += "</TD>";
      } else {
        for (int s = 1; s < cell.ColSpan; ++s)
          out() += w.Target == TTableTarget::Ipf ? ":c." : "\\cell\r\n";
        if (w.Target == TTableTarget::Ipf) ipfCellsInRow += cell.ColSpan - 1;
      }
    }
    p = c.Row;
    q = ColumnOf(w, c.LastColumn);
  }
  if (w.Target == TTableTarget::Html) {
    if (rowOpen) out() += trPending ? "<TR></TR>\r\n" : "</TR>\r\n";
    out() += "</TABLE><BR>\r\n";
  } else if (w.Target == TTableTarget::Ipf) {
    out() += ":etable.\r\n";
  } else {
    if (rowOpen) out() += "\\cell\\row\r\n";
    out() += "\\pard\r\n";
  }
}

}  // namespace

void WriteTable(CompilerRun& run) {
  TSourceState saved;
  SaveSourceState(run, saved);
  TTableWork w;
  const TTargetFlags& t = run.Ini.TargetFlags;
  w.Target = t.Html ? TTableTarget::Html : t.Ipf ? TTableTarget::Ipf : TTableTarget::Rtf;
  FindColumns(run, w);
  LinkContinuations(run, w);
  WriteTableHead(run, w);
  ComputeSpans(run, w);
  LevelRowSpans(run, w);
  WriteRows(run, w);
  RestoreSourceState(run, saved);
}

}  // namespace skeldon
