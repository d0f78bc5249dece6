#include "compiler/passes/output_filter.h"

#include "compiler/passes/compiler_run.h"
#include "compiler/writers/line_blocks.h"
#include "compiler/writers/link_writer.h"
#include "compiler/writers/markup.h"

namespace skeldon {

namespace {

constexpr std::uint8_t kCr = 0x0D;
constexpr std::uint8_t kTab = 0x09;
constexpr std::uint8_t kEof = 26;

void DrawAndEmitBlank(CompilerRun& run) {
  ++run.Passes.OutputColumn;
  std::uint8_t b = ' ';
  DrawLineChar(run, b);
  EmitSourceChar(run, b);
}

// Characters inside a line-drawing block (not NUL, not 26).
void FilterLineDrawingChar(CompilerRun& run, std::uint8_t c) {
  TLineDrawingState& st = run.LineDrawing;
  std::int32_t& column = run.Passes.OutputColumn;
  if (c == kCr) {
    if (column < st.RightEdgeColumn) {
      const std::int32_t blanks = st.RightEdgeColumn - column + 1;
      for (std::int32_t i = 0; i < blanks; ++i) DrawAndEmitBlank(run);
    }
    column = 0;
    run.Passes.OutputFile += run.Ini.TargetFlags.RtfFamily ? "\\line\r\n" : "\r\n";
    return;
  }
  if (c == kTab) {
    do DrawAndEmitBlank(run);
    while (column % 8 != 0);
    return;
  }
  if (run.Toggles.IsInternalToggleChar[c]) {
    // The toggle's column is a blank outside the highlighted text, so columns stay exact.
    const std::size_t index = run.Toggles.InternalToggleChars.find(static_cast<char>(c));
    const bool on = index < run.Toggles.ToggleState.size() && run.Toggles.ToggleState[index];
    if (on) {
      EmitSourceChar(run, c);
      EmitSourceChar(run, ' ');
    } else {
      EmitSourceChar(run, ' ');
      EmitSourceChar(run, c);
    }
    return;
  }
  DrawLineChar(run, c);
  if (st.DoubleLineMarker == 0 || c != st.DoubleLineMarker) EmitSourceChar(run, c);
}

}  // namespace

void EmitSourceChar(CompilerRun& run, std::uint8_t c) {
  if (run.OutputFilter.EmitSourceChar)
    run.OutputFilter.EmitSourceChar(run, c);
  else
    EmitLinkedChar(run, c);
}

void EmitLabelText(CompilerRun& run, std::string_view text) {
  EmitSourceChar(run, 0);  // a word of the running text still collected keeps its own links
  const bool omitted = run.Markup.OmitLinksActive;
  run.Markup.OmitLinksActive = true;
  for (char c : text) EmitSourceChar(run, run.Toggles.ToggleCharMap[static_cast<std::uint8_t>(c)]);
  EmitSourceChar(run, 0);
  run.Markup.OmitLinksActive = omitted;
}

void FilterOutputChar(CompilerRun& run, std::uint8_t c) {
  std::int32_t& column = run.Passes.OutputColumn;
  if (c != kCr && c != kTab && c != 0) ++column;
  if (run.LineDrawing.LineDrawingActive && c != 0 && c != kEof) {
    FilterLineDrawingChar(run, c);
    return;
  }
  if (run.Switches.WordStarInput && c == 28) {
    EmitSourceChar(run, ' ');
    return;
  }
  if (c == kTab) {
    do {
      ++column;
      EmitSourceChar(run, ' ');
    } while (column % 8 != 0);
    return;
  }
  if (c == kCr) {
    column = 0;
    return;
  }
  if (c == ' ' && column > 80 && run.Markup.FormatMode) {
    EmitSourceChar(run, ' ');
    WriteReflowLineEnd(run, run.Passes.OutputFile);
    column %= 8;
    return;
  }
  EmitSourceChar(run, c);
}

}  // namespace skeldon
