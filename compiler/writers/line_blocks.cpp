#include "compiler/writers/line_blocks.h"

#include <string>

#include "compiler/passes/compiler_run.h"
#include "compiler/writers/markup.h"

namespace skeldon {

namespace {

// Code page 437 box-drawing characters; '0' keeps the character.
constexpr std::array<std::uint8_t, 64> kBoxChars{0x30, 0xB3, 0xB3, 0xB3, 0x30, 0xBA, 0xBA, 0xBA,  //
                                                 0xC4, 0xDA, 0xC2, 0xBF, 0xC4, 0xD6, 0xD2, 0xB7,  //
                                                 0xC4, 0xC3, 0xC5, 0xB4, 0xC4, 0xC7, 0xD7, 0xB6,  //
                                                 0xC4, 0xC0, 0xC1, 0xD9, 0xC4, 0xD3, 0xD0, 0xBD,  //
                                                 0x30, 0xB3, 0xB3, 0xB3, 0x30, 0xBA, 0xBA, 0xBA,  //
                                                 0xCD, 0xD5, 0xD1, 0xB8, 0xCD, 0xC9, 0xCB, 0xBB,  //
                                                 0xCD, 0xC6, 0xD8, 0xB5, 0xCD, 0xCC, 0xCE, 0xB9,  //
                                                 0xCD, 0xD4, 0xCF, 0xBE, 0xCD, 0xC8, 0xCA, 0xBC};

constexpr std::array<std::uint8_t, 64> kPlainChars{'0', '|', '|', '|', '0', '|', '|', '|',  //
                                                   '-', '+', '+', '+', '-', '+', '+', '+',  //
                                                   '-', '+', '+', '+', '-', '+', '+', '+',  //
                                                   '-', '+', '+', '+', '-', '+', '+', '+',  //
                                                   '0', '|', '|', '|', '0', '|', '|', '|',  //
                                                   '-', '+', '+', '+', '-', '+', '+', '+',  //
                                                   '-', '+', '+', '+', '-', '+', '+', '+',  //
                                                   '-', '+', '+', '+', '-', '+', '+', '+'};

bool IsOneOf(std::int32_t v, std::int32_t a, std::int32_t b) { return v == a || v == b; }

std::uint8_t Entry(const TLineDrawingState& st, std::int32_t row, std::int32_t column) {
  // States are 0 .. 7 by construction; the mask keeps a stray value inside the table.
  return st.BoxCharTable[static_cast<std::size_t>(((row & 7) << 3) | (column & 7))];
}

void SetLineDrawing(CompilerRun& run, bool on) {
  run.LineDrawing.LineDrawingActive = on;
  run.CharConversion.Context.InLineDrawingBlock = on;
}

}  // namespace

void InitBoxCharTable(CompilerRun& run) {
  run.LineDrawing.BoxCharTable = run.Ini.TargetFlags.Ipf ? kBoxChars : kPlainChars;
}

std::int32_t FindLastRightEdgeColumn(const CompilerRun& run) {
  const TLineDrawingState& st = run.LineDrawing;
  for (int col = kLineColumns - 1; col >= 1; --col)
    if (IsOneOf(st.ColumnLineState[col], 3, 7)) return col;
  return 0;
}

void HandleLiCommand(CompilerRun& run) {
  TLineDrawingState& st = run.LineDrawing;
  const TTargetFlags& t = run.Ini.TargetFlags;
  std::string& out = run.Passes.OutputFile;
  std::string params = run.Reader.DotLine.size() > 2 ? run.Reader.DotLine.substr(2) : "";
  if (!params.empty() && params[0] == ' ') params.erase(0, 1);
  if (!params.empty()) {
    st.ColumnLineState.fill(0);
    st.RowLineState = 0;
    st.DoubleLinePending = false;
    run.Passes.OutputColumn = 0;
    st.RightEdgeColumn = 0;
    st.CornerChar = static_cast<std::uint8_t>(params[0]);
    st.JunctionChar = params.size() > 1 ? static_cast<std::uint8_t>(params[1]) : 0;
    st.DoubleLineMarker = params.size() > 2 ? static_cast<std::uint8_t>(params[2]) : 0;
    if (st.DoubleLineMarker == ' ' || st.DoubleLineMarker == 0x0D) st.DoubleLineMarker = 0;
    SetLineDrawing(run, true);
    st.SavedFormattedText = run.Markup.FormatMode;
    st.BlockOpenedInRun = true;
    run.Markup.FormatMode = false;
    if (t.Html) {
      out += "<pre>";
    } else if (t.RtfFamily) {
      out += "\\line\\line";
      if (run.IniValues.LineStandardFont != 0)
        WriteFontChange(run, out, run.IniValues.LineStandardFont, false);
    } else if (t.Ipf) {
      out += ":cgraphic.";
      if (run.IniValues.LineStandardFont != 0)
        WriteFontChange(run, out, run.IniValues.LineStandardFont, false);
      else
        out += ":font facename=Courier size=12x1.";
    }
    return;
  }
  SetLineDrawing(run, false);
  // Closing without an opened block keeps the text mode as it is.
  if (st.BlockOpenedInRun) run.Markup.FormatMode = st.SavedFormattedText;
  if (t.Html)
    out += "</pre>\r\n";
  else if (t.Ipf)
    out += ":ecgraphic.\r\n";
  WriteFontChange(run, out, run.Markup.RunningFontLetter, false);
}

void DrawLineChar(CompilerRun& run, std::uint8_t& c) {
  TLineDrawingState& st = run.LineDrawing;
  const std::int32_t col = run.Passes.OutputColumn;
  if (c == 0x0D || run.Toggles.IsInternalToggleChar[c]) return;
  if (st.DoubleLineMarker != 0 && c == st.DoubleLineMarker) {
    st.DoubleLinePending = true;
    if (!run.Switches.WordStarInput) c = ' ';
    return;
  }
  // Columns outside the table take no part in the drawing and touch no state.
  if (col < 1 || col > kLineColumns) return;
  std::int32_t& v = st.ColumnLineState[col];
  std::int32_t& h = st.RowLineState;
  const std::int32_t base = st.DoubleLinePending ? 4 : 0;
  const bool corner = c == st.CornerChar;
  if (corner) {
    if (v == 0) {
      if (h == 0) {
        v = base + 1;
        h = base + 1;
      } else if (IsOneOf(h, 1, 5)) {
        v = 3 + (h == 5 ? 4 : base);
        if (col > st.RightEdgeColumn) st.RightEdgeColumn = col;
      }
    } else if (IsOneOf(v, 1, 5) && h == 0) {
      h = 3 + (v == 5 ? 4 : base);
    }
  }
  if (st.JunctionChar != 0 && c == st.JunctionChar) {
    if (v == 0 && (IsOneOf(h, 1, 2) || IsOneOf(h, 5, 6))) {
      v = base + 2;
      c = IsOneOf(h, 2, 6) ? Entry(st, h - 1, v) : Entry(st, h, v);
    } else if (h == 0 && (IsOneOf(v, 1, 2) || IsOneOf(v, 5, 6))) {
      h = base + 2;
      c = IsOneOf(v, 2, 6) ? Entry(st, h, v - 1) : Entry(st, h, v);
    } else {
      c = Entry(st, h, v);
    }
  } else if (Entry(st, h, v) != '0') {
    c = Entry(st, h, v);
  }
  if (corner) {
    if (IsOneOf(v, 1, 5) && IsOneOf(h, 3, 7)) {
      v = 0;
    } else if (IsOneOf(v, 3, 7) && IsOneOf(h, 1, 5)) {
      h = 0;
    } else if (IsOneOf(v, 3, 7) && IsOneOf(h, 3, 7)) {
      v = 0;
      h = 0;
      if (st.RightEdgeColumn == col) st.RightEdgeColumn = FindLastRightEdgeColumn(run);
    }
  }
  if (IsOneOf(v, 2, 6) && IsOneOf(h, 3, 7)) v = 0;
  if (IsOneOf(v, 3, 7) && IsOneOf(h, 2, 6)) h = 0;
  st.DoubleLinePending = false;
}

}  // namespace skeldon
