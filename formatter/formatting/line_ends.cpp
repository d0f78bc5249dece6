#include "formatter/formatting/line_ends.h"

#include "formatter/common/formatted_file.h"
#include "formatter/formatting/dot_commands.h"
#include "formatter/formatting/format_run.h"
#include "formatter/formatting/word_breaking.h"
#include "formatter/formatting/wordstar_reader.h"

namespace tavrel {

void HardLineEnd(FormatRun& run) {
  LineStream& s = run.Cur();
  ClearIndexRecording(run);

  if (!run.Dot.TemplateOutput && !run.Dot.MacroExpanding) {
    if (run.CurrentStream == kTextStream) {
      // The LF of the CR LF pair; a file with CR-only line ends keeps its next character.
      const uint8_t next = NextSourceChar(run);
      if (next != kLineFeed && !run.Reader.EofRead) PushBack(run, next);
    } else {
      run.Reader.NoteLineEnded = true;
    }
  }

  if (!run.Dot.ConditionalOutput) return;
  s.ZoneOn = true;

  if (run.Dot.HeadingPending) {
    run.Dot.HeadingPending = false;
    run.Dot.TemplateOutput = true;
    FeedHeadingTemplatePart(run, 2);
    run.Dot.TemplateOutput = false;
    return;
  }

  if (s.Line.Position > s.RightMargin && s.HeldLen > 0) {
    // The line overflows, but not yet by enough to break it: word breaking writes this
    // line end later, after the character it follows.
    if (run.CurrentStream == kTextStream) StartLine(run);
    s.PendingPos = s.HeldLen;
    ++s.PendingCount;
    return;
  }

  if (s.HeldLen > 0) WriteHeldAsIs(run);
  if (run.CurrentStream == kTextStream) StartLine(run);
  const bool empty_line = run.Run.LastWritten == kLineFeed;
  EmitChar(run, kCarriageReturn);
  EmitChar(run, kLineFeed);
  AdvanceLineBy(run, empty_line ? 1 : 0);
  CloseLine(run);
}

void CloseLine(FormatRun& run) {
  LineStream& s = run.Cur();
  s.HeldLen = 0;
  s.Overflow = 0;
  s.NoBreak = false;
  ResetLineCounters(run);
  s.Line.Position = 0;  // also when no indentation is written (template text)
  if (run.CurrentStream == kTextStream) {
    run.Dot.ParagraphStart = true;
    if (!run.Dot.TemplateOutput) WriteLineIndent(run, 0);
  } else if (run.Reader.IndentNextNoteLine) {
    WriteLineIndent(run, 0);
    run.Reader.IndentNextNoteLine = false;
  }
}

void WriteLineIndent(FormatRun& run, int slot) {
  LineStream& s = run.Cur();
  ResetLineCounters(run);
  const int cw = slot == 0 ? s.ColWidth : s.PrevColWidth;
  int32_t indent = 0;
  if (run.CurrentStream == kTextStream) {
    DotState& d = run.Dot;
    const uint8_t first = PeekNextChar(run);
    // A dot line takes no room: the paragraph start carries over to the line after it.
    // So does the end of an included file: the including file goes on after it.
    const bool nothing_follows = !run.Reader.Pushed && (run.Reader.EofRead || AtInputEnd(run));
    const bool dot_line =
        slot == 0 && ((first == kDotLineMark && (run.Reader.Pushed || run.Reader.DotLineFollows)) ||
                      nothing_follows);
    if (d.ParagraphMargin <= 0 && d.LeftMargin <= 0) {
      indent = slot == 1 ? s.PrevStartPos : s.TypedIndentPos;
    } else {
      int margin = d.ParagraphStart ? d.ParagraphMargin : d.LeftMargin;
      if (margin < 0) margin = 0;
      if ((d.ParagraphStart && first == kCarriageReturn) || dot_line)
        indent = 0;
      else
        indent = cw * margin;
    }
    if (!dot_line) d.ParagraphStart = false;
  } else {
    indent = NoteMarkColumns(run) * cw;
    for (int i = 0; i < run.Reader.MarginWidth - 1; ++i) EmitChar(run, kColumnMark);
  }
  if (cw > 0) {
    const int count = indent / cw;
    s.Line.Position = indent;
    for (int i = 0; i < count; ++i) EmitChar(run, kColumnMark);
    s.IndentChars = count;
    s.Line.Characters = count;
  }
}

void ForceLineBreak(FormatRun& run, int stream, bool table_error) {
  if (!run.Dot.ConditionalOutput) return;
  const int saved = run.CurrentStream;
  run.CurrentStream = stream;
  LineStream& s = run.Cur();
  // A break holds the end of its text again on the new line; that is forced out in turn, so
  // that nothing held is left behind what follows (a dot line, the next stream).
  for (int round = 0; s.HeldLen > 0 && !run.Run.Stop; ++round) {
    if ((s.Overflow == 0 && s.PendingCount == 0) || round > kHeldTextRoom) {
      // The held text fits on its line: breaking it would split a line that needs no break.
      WriteHeldAsIs(run);
      break;
    }
    // ESC writes nothing to the file, so the added characters only push the line over.
    while (s.Overflow < 6 && s.HeldLen < kHeldTextRoom) {
      ++s.HeldLen;
      s.held[s.HeldLen] = kEscape;
      s.no_break_mark[s.HeldLen] = 0;
      ++s.Overflow;
    }
    BreakWord(run, table_error);
  }
  run.CurrentStream = saved;
}

void FlushPendingLine(FormatRun& run) {
  LineStream& s = run.Cur();
  if (s.HeldLen > 0) {
    if (s.Overflow == 0 && s.PendingCount == 0) {
      WriteHeldAsIs(run);
    } else {
      ForceLineBreak(run, run.CurrentStream, false);
      // Whatever word breaking could not place is written rather than lost.
      if (s.HeldLen > 0) WriteHeldAsIs(run);
    }
  }
  if (run.CurrentStream == kTextStream) FlushBufferedOutputLine(run);
}

void WriteHeldAsIs(FormatRun& run) {
  LineStream& s = run.Cur();
  const int len = s.HeldLen;
  const auto held = s.held;
  s.HeldLen = 0;
  for (int i = 1; i <= len; ++i) EmitChar(run, held[i]);
}

// ---- line services ----

void EmitChar(FormatRun& run, uint8_t c) {
  run.Writer.CurrentStream = static_cast<uint8_t>(run.CurrentStream);
  run.Writer.PutOutputChar(c);
  run.Run.LastWritten = c;
}

void AdvanceCharPosition(FormatRun& run, uint8_t c) {
  AdvancePosition(run.Cur().Line, c, run.Writer.Classes, run.Dot.Widths,
                  run.Dot.GraphicsChars.WidthOf(c));
}

void AdvanceLineBy(FormatRun& run, int slot) {
  // Told at the first line, not at the dot line: ".MT", ".MB" and ".PL" may pass through such
  // a state on their way to a sound page.
  if (run.Pages.PageLimit <= 0 && !run.Dot.NoPageRoomReported) {
    run.Dot.NoPageRoomReported = true;
    ReportError(run, MessageId::kPageLengthBelowMargins);
  }
  if (AdvanceLine(run.Pages, run.CurrentStream, slot, run.Messages)) run.Run.Stop = true;
}

void ResetLineCounters(FormatRun& run) {
  LinePosition& line = run.Cur().Line;
  line.Characters = 0;
  line.AtLineStart = 1;
  run.Cur().IndentChars = 0;
}

void StreamAttributes(FormatRun& run, bool& underline, bool& italic, bool& bold) {
  const WriterStream& w = run.Writer.Streams[run.CurrentStream];
  underline = w.Underline != 0;
  italic = w.Italic != 0;
  bold = w.Bold != 0;
}

void ReportError(FormatRun& run, MessageId id, MessageArgs args) {
  ReportError(run, ComposeMessage(id, args));
}

void ReportError(FormatRun& run, const MessageTexts& texts) {
  run.Messages.ReportFormatError(run.Messages.Show(texts));
  if (run.Messages.AbortRequested.load()) run.Run.Stop = true;
}

void ReportInfo(FormatRun& run, MessageId id, MessageArgs args) {
  run.Messages.ReportFormatInfo(run.Messages.Show(ComposeMessage(id, args)));
}

std::string LanguageText(const FormatRun& run, MessageId id, MessageArgs args) {
  return run.Messages.Text(id, args);
}

void FlushBufferedOutputLine(FormatRun& run) {
  // An empty buffer has no line to start: writing its fill would leave a stray line.
  const NoteLineBuffer& b = run.Writer.LineBuffer;
  if (b.Chars.empty() && b.Prefix.empty()) return;
  run.Writer.CurrentStream = kTextStream;
  run.Writer.FlushBufferedLine();
  run.Writer.CurrentStream = static_cast<uint8_t>(run.CurrentStream);
}

int NoteMarkColumns(const FormatRun& run) { return NoteMarkWidth(run.Settings); }

}  // namespace tavrel
