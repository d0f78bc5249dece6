#include "formatter/formatting/line_ends.h"

#include "formatter/common/formatted_file.h"
#include "formatter/formatting/dot_commands.h"
#include "formatter/formatting/format_run.h"
#include "formatter/formatting/wordstar_reader.h"
#include "formatter/formatting/word_breaking.h"

namespace tavrel {

namespace {

void WriteHeldAsIs(FormatRun& run, LineStream& s) {
  const int len = s.held_len;
  const auto held = s.held;
  s.held_len = 0;
  for (int i = 1; i <= len; ++i) EmitChar(run, held[i]);
}

}  // namespace

void HardLineEnd(FormatRun& run) {
  LineStream& s = run.cur();
  ClearIndexRecording(run);

  if (!run.dot.template_output && !run.dot.macro_expanding) {
    if (run.current_stream == kTextStream) {
      // The LF of the CR LF pair; a file with CR-only line ends keeps its next character.
      const uint8_t next = NextSourceChar(run);
      if (next != kLineFeed && !run.reader.eof_read) PushBack(run, next);
    } else {
      run.reader.note_line_ended = true;
    }
  }

  if (!run.dot.conditional_output) return;
  s.zone_on = true;

  if (run.dot.heading_pending) {
    run.dot.heading_pending = false;
    run.dot.template_output = true;
    FeedHeadingTemplatePart(run, 2);
    run.dot.template_output = false;
    return;
  }

  if (s.line.Position > s.right_margin && s.held_len > 0) {
    // The line overflows, but not yet by enough to break it: word breaking writes this
    // line end later, after the character it follows.
    if (run.current_stream == kTextStream) StartLine(run);
    s.pending_pos = s.held_len;
    ++s.pending_count;
    return;
  }

  if (s.held_len > 0) WriteHeldAsIs(run, s);
  if (run.current_stream == kTextStream) StartLine(run);
  const bool empty_line = run.run.last_written == kLineFeed;
  EmitChar(run, kCarriageReturn);
  EmitChar(run, kLineFeed);
  AdvanceLineBy(run, empty_line ? 1 : 0);
  CloseLine(run);
}

void CloseLine(FormatRun& run) {
  LineStream& s = run.cur();
  s.held_len = 0;
  s.overflow = 0;
  s.no_break = false;
  ResetLineCounters(run);
  s.line.Position = 0;  // also when no indentation is written (template text)
  if (run.current_stream == kTextStream) {
    run.dot.paragraph_start = true;
    if (!run.dot.template_output) WriteLineIndent(run, 0);
  } else if (run.reader.indent_next_note_line) {
    WriteLineIndent(run, 0);
    run.reader.indent_next_note_line = false;
  }
}

void WriteLineIndent(FormatRun& run, int slot) {
  LineStream& s = run.cur();
  ResetLineCounters(run);
  const int cw = slot == 0 ? s.col_width : s.prev_col_width;
  int32_t indent = 0;
  if (run.current_stream == kTextStream) {
    DotState& d = run.dot;
    const uint8_t first = PeekNextChar(run);
    // A dot line takes no room: the paragraph start carries over to the line after it.
    // So does the end of an included file: the including file goes on after it.
    const bool nothing_follows = !run.reader.pushed && (run.reader.eof_read || AtInputEnd(run));
    const bool dot_line =
        slot == 0 &&
        ((first == kDotLineMark && (run.reader.pushed || run.reader.dot_line_follows)) ||
         nothing_follows);
    if (d.paragraph_margin <= 0 && d.left_margin <= 0) {
      indent = slot == 1 ? s.prev_start_pos : s.typed_indent_pos;
    } else {
      int margin = d.paragraph_start ? d.paragraph_margin : d.left_margin;
      if (margin < 0) margin = 0;
      if ((d.paragraph_start && first == kCarriageReturn) || dot_line)
        indent = 0;
      else
        indent = cw * margin;
    }
    if (!dot_line) d.paragraph_start = false;
  } else {
    indent = NoteMarkColumns(run) * cw;
    for (int i = 0; i < run.reader.margin_width - 1; ++i) EmitChar(run, kColumnMark);
  }
  if (cw > 0) {
    const int count = indent / cw;
    s.line.Position = indent;
    for (int i = 0; i < count; ++i) EmitChar(run, kColumnMark);
    s.indent_chars = count;
    s.line.Characters = count;
  }
}

void ForceLineBreak(FormatRun& run, int stream, bool table_error) {
  if (!run.dot.conditional_output) return;
  const int saved = run.current_stream;
  run.current_stream = stream;
  LineStream& s = run.cur();
  if (s.held_len > 0 && s.overflow == 0 && s.pending_count == 0) {
    // The held text fits on its line: breaking it would split a line that needs no break.
    WriteHeldAsIs(run, s);
  } else if (s.held_len > 0) {
    // ESC writes nothing to the file, so the added characters only push the line over.
    while (s.overflow < 6 && s.held_len < kHeldTextRoom) {
      ++s.held_len;
      s.held[s.held_len] = kEscape;
      s.no_break_mark[s.held_len] = 0;
      ++s.overflow;
    }
    BreakWord(run, table_error);
  }
  run.current_stream = saved;
}

void FlushPendingLine(FormatRun& run) {
  LineStream& s = run.cur();
  if (s.held_len > 0) {
    if (s.overflow == 0 && s.pending_count == 0) {
      WriteHeldAsIs(run, s);
    } else {
      ForceLineBreak(run, run.current_stream, false);
      // Whatever word breaking could not place is written rather than lost.
      if (s.held_len > 0) WriteHeldAsIs(run, s);
    }
  }
  if (run.current_stream == kTextStream) FlushBufferedOutputLine(run);
}

// ---- line services ----

void EmitChar(FormatRun& run, uint8_t c) {
  run.writer.CurrentStream = static_cast<uint8_t>(run.current_stream);
  run.writer.PutOutputChar(c);
  run.run.last_written = c;
}

void AdvanceCharPosition(FormatRun& run, uint8_t c) {
  AdvancePosition(run.cur().line, c, run.writer.Classes, run.dot.widths, run.dot.graphics_chars.WidthOf(c));
}

void AdvanceLineBy(FormatRun& run, int slot) {
  // Told at the first line, not at the dot line: ".MT", ".MB" and ".PL" may pass through such
  // a state on their way to a sound page.
  if (run.pages.PageLimit <= 0 && !run.dot.no_page_room_reported) {
    run.dot.no_page_room_reported = true;
    ReportError(run, MessageId::kPageLengthBelowMargins);
  }
  if (AdvanceLine(run.pages, run.current_stream, slot, run.messages)) run.run.stop = true;
}

void ResetLineCounters(FormatRun& run) {
  LinePosition& line = run.cur().line;
  line.Characters = 0;
  line.AtLineStart = 1;
  run.cur().indent_chars = 0;
}

void StreamAttributes(FormatRun& run, bool& underline, bool& italic, bool& bold) {
  const WriterStream& w = run.writer.Streams[run.current_stream];
  underline = w.Underline != 0;
  italic = w.Italic != 0;
  bold = w.Bold != 0;
}

void ReportError(FormatRun& run, MessageId id, MessageArgs args) {
  ReportError(run, ComposeMessage(id, args));
}

void ReportError(FormatRun& run, const MessageTexts& texts) {
  run.messages.ReportFormatError(run.messages.Show(texts));
  if (run.messages.AbortRequested.load()) run.run.stop = true;
}

void ReportInfo(FormatRun& run, MessageId id, MessageArgs args) {
  run.messages.ReportFormatInfo(run.messages.Show(ComposeMessage(id, args)));
}

std::string LanguageText(const FormatRun& run, MessageId id, MessageArgs args) {
  return run.messages.Text(id, args);
}

void FlushBufferedOutputLine(FormatRun& run) {
  // An empty buffer has no line to start: writing its fill would leave a stray line.
  const NoteLineBuffer& b = run.writer.LineBuffer;
  if (b.Chars.empty() && b.Prefix.empty()) return;
  run.writer.CurrentStream = kTextStream;
  run.writer.FlushBufferedLine();
  run.writer.CurrentStream = static_cast<uint8_t>(run.current_stream);
}

int NoteMarkColumns(const FormatRun& run) { return NoteMarkWidth(run.settings); }

}  // namespace tavrel
