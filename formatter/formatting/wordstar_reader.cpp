#include "formatter/formatting/wordstar_reader.h"

#include <string>

#include "formatter/common/bilingual_texts.h"
#include "formatter/common/formatted_file.h"
#include "formatter/common/messages.h"
#include "formatter/formatting/dot_commands.h"
#include "formatter/formatting/format_run.h"
#include "formatter/formatting/line_ends.h"
#include "formatter/formatting/word_breaking.h"

namespace tavrel {

namespace {

// One byte of the input; beyond the end (or at Ctrl-Z, the end of a text file) 26.
uint8_t ReadByte(FormatRun& run) {
  ReaderState& r = run.reader;
  if (r.input_pos >= r.input.size() || r.input[r.input_pos] == kEndOfInput) {
    r.input_pos = r.input.size();
    r.eof_read = true;
    return kEndOfInput;
  }
  r.eof_read = false;
  return r.input[r.input_pos++];
}

bool QueueEmpty(const ReaderState& r) { return r.queue_read > r.queue_count; }

void QueueByte(ReaderState& r, uint8_t b) {
  // 255 places; a block asking for more only loses its surplus repetitions.
  if (r.queue_count >= 255) return;
  ++r.queue_count;
  r.queue[r.queue_count] = b;
}

bool CurrentFontProportional(const FormatRun& run) { return IsProportionalFont(run.dot.widths); }

// A byte inside a 0x1D block: blocks hold binary data, so a 0x1A there is data, not the end.
bool ReadBlockByte(ReaderState& r, uint8_t& b) {
  if (r.input_pos >= r.input.size()) return false;
  b = r.input[r.input_pos++];
  return true;
}

// A 0x1D block: type, subtype, data, and the closing type, subtype, 0x1D.
void ReadBlock(FormatRun& run) {
  ReaderState& r = run.reader;
  uint8_t type = 0, sub = 0, prev1 = 0, prev2 = 0;
  uint8_t ext_char = 0;
  for (int k = 1;; ++k) {
    uint8_t b = 0;
    if (!ReadBlockByte(r, b)) {
      // The rest of the file went into the block: say so rather than lose it quietly.
      ReportError(run, MessageId::kFileEndsInsideBlock);
      return;
    }
    if (k == 1) type = b;
    else if (k == 2) sub = b;
    else if (b == kTagMark && prev2 == type && prev1 == sub) break;
    if (type == 0x0A && k == 8) ext_char = b;
    if (type == 0x0A && k == 9) {
      const uint8_t c = CurrentFontProportional(run) ? kColumnMarkByte : ext_char;
      for (int i = 0; i < b; ++i) QueueByte(r, c);
    }
    if (type == 0x36 && k == 6) r.style_level = b;
    prev2 = prev1;
    prev1 = b;
  }
  if (type == kAlternateFontTag) QueueByte(r, kAlternateFont);
  if (type == 0x36) r.paragraph_style = true;
}

uint8_t DecodeModeZero(FormatRun& run) {
  ReaderState& r = run.reader;
  uint8_t b = 0;
  if (QueueEmpty(r)) {
    r.queue_count = 0;
    r.queue_read = 1;
    b = ReadByte(run);
    while (b == kTagMark && !r.eof_read) {
      ReadBlock(run);
      if (!QueueEmpty(r)) break;
      if (AtInputEnd(run)) {
        r.eof_read = true;
        return kEndOfInput;
      }
      b = ReadByte(run);
    }
    if (r.eof_read) return kEndOfInput;
  }
  if (!QueueEmpty(r)) {
    // A queued extended character keeps its code (clearing bit 7 would turn an umlaut into
    // a control code); only the soft space becomes a column mark.
    b = r.queue[r.queue_read++];
    return b == kColumnMarkByte ? kColumnMark : b;
  }
  if ((b & 0x7F) == kEscape) {
    uint8_t c = ReadByte(run);
    if (r.eof_read) return kEndOfInput;
    ReadByte(run);  // the closing byte of the pair
    r.eof_read = false;
    if (c == kSectionSign437) c = kSectionChar;
    return c;
  }
  return r.input_table[b];
}

uint8_t DecodePlain(FormatRun& run) {
  ReaderState& r = run.reader;
  uint8_t b;
  if (r.have_pushed_byte) {
    r.have_pushed_byte = false;
    b = r.pushed_byte;
  } else {
    b = ReadByte(run);
    if (r.eof_read) return kEndOfInput;
    if (r.column_char != 0 && b == r.column_char) return kColumnMark;
    if (b == 9) return kColumnMark;
    if (r.control_prefix != 0 && b == r.control_prefix && !AtInputEnd(run)) {
      const uint8_t next = ReadByte(run);
      if (!r.eof_read) {
        if (next >= '@' && next <= 'Z') return static_cast<uint8_t>(next - 64);
        r.have_pushed_byte = true;
        r.pushed_byte = next;
      }
      r.eof_read = false;
    }
  }
  if (r.input_mode == 2) return DisplayTableInverse()[b];
  if (b == kSectionSign437) return kSectionChar;
  return b;
}

bool IsNoteMarker(const FormatRun& run, uint8_t c) {
  // CR and LF are never note markers: a bare ".FU" leaves CR as its marker pair.
  if (c == kCarriageReturn || c == kLineFeed) return false;
  return c == run.notes.BeginMarker || c == run.notes.EndMarker ||
         c == run.settings.NoteReturnChar;
}

void CollectMarginNote(FormatRun& run) {
  ReaderState& r = run.reader;
  std::string& pending = run.writer.LineBuffer.PendingPageNote;
  if (!pending.empty()) {
    ReportInfo(run, MessageId::kPageNoteSwallowed, {pending});
    ReportError(run, MessageId::kTwoPageNotesInOneLine);
    pending.clear();
  }
  r.margin_collect_allowed = false;
  std::string text;
  while (true) {
    const uint8_t c = NextSourceChar(run);
    if (r.eof_read) break;
    if (c == r.margin_close) break;
    text.push_back(static_cast<char>(c));
    if (text.size() >= 40) {
      text.pop_back();  // the 40th is dropped
      break;
    }
  }
  pending = text;
  r.margin_collect_allowed = true;
}

void SetCurrentStream(FormatRun& run, int stream) {
  run.current_stream = stream;
  run.writer.CurrentStream = static_cast<uint8_t>(stream);
}

bool AtLineStart(const FormatRun& run) {
  const LineStream& s = run.streams[run.current_stream];
  if (run.reader.line_start_flag) return true;
  return s.held_len == 0 && s.line.Characters <= s.indent_chars && s.line.AtLineStart;
}

}  // namespace

void SetInput(FormatRun& run, std::string bytes) {
  ReaderState& r = run.reader;
  r.input.assign(bytes.begin(), bytes.end());
  r.input_pos = 0;
  r.eof_read = false;
  r.pending_lf = false;
  r.last_decoded = 0;
  r.queue_count = 0;
  r.queue_read = 1;
  r.have_pushed_byte = false;
  r.input_open = true;
}

bool AtInputEnd(const FormatRun& run) {
  const ReaderState& r = run.reader;
  if (!QueueEmpty(r) || r.have_pushed_byte || r.pending_lf) return false;
  return r.input_pos >= r.input.size() || r.input[r.input_pos] == kEndOfInput;
}

uint8_t ReadWordStarChar(FormatRun& run) { return DecodeModeZero(run); }

uint8_t ReadInputChar(FormatRun& run) {
  ReaderState& r = run.reader;
  uint8_t c;
  if (r.pending_lf) {
    r.pending_lf = false;
    r.eof_read = false;
    c = kLineFeed;
  } else {
    c = r.input_mode == 0 ? DecodeModeZero(run) : DecodePlain(run);
    if (r.eof_read) {
      r.current = c;
      return c;
    }
    // Input text may have LF-only line ends: a bare LF counts as CR LF.
    if (c == kLineFeed && r.last_decoded != kCarriageReturn && r.last_decoded != kSoftLineEnd) {
      r.pending_lf = true;
      c = kCarriageReturn;
    }
  }
  r.last_decoded = c;
  r.current = c;
  return c;
}

uint8_t NextSourceChar(FormatRun& run) {
  ReaderState& r = run.reader;
  for (int guard = 0;; ++guard) {
    uint8_t c = ReadInputChar(run);
    if (r.eof_read) return c;
    if (run.notes.InUse && IsNoteMarker(run, c) && !run.run.stop) {
      const bool in_notes = run.current_stream == kNotesStream;
      if (c == run.settings.NoteReturnChar && c != run.notes.BeginMarker &&
          c != run.notes.EndMarker) {
        if (in_notes) {
          r.note_line_ended = false;
          r.indent_next_note_line = true;
          FeedCharacter(run, kCarriageReturn);
        }
      } else if (run.notes.BeginMarker == run.notes.EndMarker) {
        if (in_notes) EndNote(run);
        else BeginNote(run);
      } else if (c == run.notes.BeginMarker) {
        if (in_notes) {
          AbortFormatting(run, 2);
          return kEndOfInput;
        }
        BeginNote(run);
      } else {
        if (!in_notes) {
          AbortFormatting(run, 3);
          return kEndOfInput;
        }
        EndNote(run);
      }
      continue;
    }
    if (r.margin_notes_on && c == r.margin_open && r.margin_collect_allowed) {
      CollectMarginNote(run);
      c = kPageNoteMark;
      r.current = c;
    }
    return c;
  }
}

void PushBack(FormatRun& run, uint8_t c) {
  run.reader.pushed = true;
  run.reader.pushed_char = c;
}

uint8_t PeekNextChar(const FormatRun& run) {
  if (run.reader.pushed) return run.reader.pushed_char;
  // Nothing follows: the next line counts as empty.
  if (run.reader.eof_read || AtInputEnd(run)) return kCarriageReturn;
  return run.reader.current;
}

void StartLine(FormatRun& run) {
  // Template text and macro bodies are fed, not read: no source line starts inside them,
  // and a line whose first character waits already has been started.
  if (run.dot.template_output || run.dot.macro_expanding || run.reader.pushed) return;
  LineStream& s = run.streams[kTextStream];
  if (s.pending_count == 0) {
    s.prev_start_pos = s.typed_indent_pos;
    s.prev_col_width = s.col_width;
  }
  s.col_width = run.dot.column_width;
  if (!run.dot.heading_in_progress) s.typed_indent_pos = 0;
  int count = 0;
  run.reader.note_just_ended = false;
  uint8_t c = 0;
  bool have = false;
  while (!run.run.stop) {
    c = NextSourceChar(run);
    if (run.reader.eof_read) break;
    // Beyond 250 columns the marks stay in the text: the indentation would pass any page.
    if ((c == kColumnMark || (run.settings.HardToSoftSpaces && c == ' ')) && count < 250) {
      ++count;
      if (run.reader.note_just_ended) break;
      continue;
    }
    have = true;
    break;
  }
  if (run.reader.note_just_ended && count > 0) --count;
  s.typed_indent_count = count;
  s.typed_indent_pos = count * run.dot.column_width;
  if (have) PushBack(run, c);
}

void DispatchCharacter(FormatRun& run) {
  ReaderState& r = run.reader;
  DotState& d = run.dot;
  uint8_t c = r.current;
  LineStream& s = run.cur();
  const bool at_start = AtLineStart(run);

  if (d.conditional_output && !r.collecting_dot) {
    const IndexMarkResult mark = ApplyIndexMarks(run);
    if (mark == IndexMarkResult::kDrop) {
      if (c != kLineFeed) r.line_start_flag = false;
      return;
    }
    if (mark == IndexMarkResult::kNormal) AdvanceCharPosition(run, c);
    ApplyFontControl(run);
    c = r.current;
  }

  switch (c) {
    case kRightAlignMark:
      if (++r.right_justify_count == 2)
        ReportError(run, MessageId::kTwoRightJustifyControls);
      break;
    case kInactiveSoftHyphen:
      break;
    case 7:
      if (d.conditional_output) s.no_break = true;
      break;
    case kCarriageReturn: {
      if (r.collecting_dot) {
        HandleDotLine(run);
      } else if (run.current_stream == kTextStream || !r.note_line_ended) {
        if (run.current_stream == kNotesStream) r.note_line_ended = true;
        HardLineEnd(run);
      } else {
        // A line end typed inside a note runs on: the note is broken by word breaking.
        const uint8_t next = NextSourceChar(run);
        if (next != kLineFeed && !r.eof_read) PushBack(run, next);
        if (d.conditional_output) {
          r.current = ' ';
          DispatchCharacter(run);
        }
      }
      if (run.current_stream == kTextStream && r.hyphenation_cancelled) {
        r.hyphenation_cancelled = false;
        AbortFormatting(run, 100);
      }
      r.line_start_flag = true;
      r.right_justify_count = 0;
      return;
    }
    case kSoftHyphen:
      if (!s.formatting_on) {
        if (r.collecting_dot) AppendDotChar(run, c);
        else if (d.conditional_output) EmitChar(run, c);
      } else if (d.conditional_output) {
        r.drop_next_blank = true;
      }
      break;
    case kSoftLineEnd:
      if (r.collecting_dot) {
        HandleDotLine(run);
      } else if (d.conditional_output) {
        if (s.formatting_on && d.paragraph_start) {
          CloseLine(run);
        } else {
          if (!d.heading_in_progress) {
            const uint8_t next = NextSourceChar(run);
            if (next != kLineFeed && !r.eof_read) PushBack(run, next);
          }
          EmitChar(run, s.formatting_on ? kCarriageReturn : kSoftLineEnd);
          EmitChar(run, kLineFeed);
          AdvanceLineBy(run, 0);
          ResetLineCounters(run);
          s.line.Position = 0;
        }
      }
      break;
    default:
      if (c == ' ' && r.drop_next_blank) {
        r.drop_next_blank = false;
        break;
      }
      r.drop_next_blank = false;
      if (c == kDotLineMark && !r.collecting_dot && at_start) {
        if (s.held_len > 0) {
          r.dot_line_follows = true;
          ForceLineBreak(run, run.current_stream, s.pending_count > 0);
          r.dot_line_follows = false;
        }
        r.collecting_dot = true;
        // Not = ".": g++ 12 warns falsely (-Wrestrict) there.
        r.dot_line.assign(1, static_cast<char>(kDotLineMark));
        break;
      }
      if (r.collecting_dot) {
        AppendDotChar(run, c);
        break;
      }
      if (d.conditional_output && c != kTagMark) {
        if (s.formatting_on) AssembleWordChar(run);
        else EmitChar(run, c);
      }
      break;
  }
  if (c != kLineFeed) r.line_start_flag = false;
}

void ProcessCharacter(FormatRun& run) {
  DispatchCharacter(run);
  if (run.dot.conditional_output && run.cur().overflow >= 6 && !run.run.stop)
    BreakWord(run, true);
}

void FeedCharacter(FormatRun& run, uint8_t c) {
  run.reader.current = c;
  ProcessCharacter(run);
}

void FeedText(FormatRun& run, const std::string& text) {
  for (char ch : text) {
    if (run.run.stop) return;
    FeedCharacter(run, static_cast<uint8_t>(ch));
  }
}

void SelectNotesStream(FormatRun& run) {
  SetCurrentStream(run, kNotesStream);
  LoadFontWidthsFor(run, run.notes.Font ? run.notes.Font : run.dot.font_slots[0]);
  LineStream& s = run.streams[kNotesStream];
  s.col_width = s.prev_col_width = run.dot.column_width;
}

void SelectTextStream(FormatRun& run) {
  SetCurrentStream(run, kTextStream);
  LoadFontWidthsFor(run, run.dot.font_slots[run.dot.current_slot]);
}

void BeginNote(FormatRun& run) {
  std::string number = std::to_string(run.notes.FootnoteNumber);
  if (number.size() > 5) number.resize(5);
  const std::string in_text = run.settings.NoteLinkInText.Str();
  for (size_t i = 0; i < in_text.size(); ++i) {
    const uint8_t ch = static_cast<uint8_t>(in_text[i]);
    if (ch == '1') {
      FeedCharacter(run, run.settings.NoteAssignChar);
      FeedText(run, number);
    } else if (ch == '^' && i + 1 < in_text.size()) {
      FeedCharacter(run, static_cast<uint8_t>(static_cast<uint8_t>(in_text[++i]) & 0x1F));
    } else {
      FeedCharacter(run, ch);
    }
  }
  SelectNotesStream(run);
  for (int i = 0; i < run.reader.margin_width - 1; ++i) FeedCharacter(run, kColumnMark);
  const std::string in_area = run.settings.NoteLinkInNoteArea.Str();
  const size_t skip = number.size() - 1;
  for (size_t i = skip; i < in_area.size(); ++i) {
    const uint8_t ch = static_cast<uint8_t>(in_area[i]);
    if (ch == '1') {
      FeedText(run, number);
    } else if (ch == '^' && i + 1 < in_area.size()) {
      FeedCharacter(run, static_cast<uint8_t>(static_cast<uint8_t>(in_area[++i]) & 0x1F));
    } else if (ch == 0xB0) {
      FeedCharacter(run, kColumnMark);
    } else {
      FeedCharacter(run, ch);
    }
  }
}

void EndNote(FormatRun& run) {
  ++run.notes.FootnoteNumber;
  run.reader.note_line_ended = false;
  FeedCharacter(run, kCarriageReturn);
  SelectTextStream(run);
}

void AbortFormatting(FormatRun& run, int code) {
  const std::string number = std::to_string(run.notes.FootnoteNumber);
  if (code == 100) {
    ReportInfo(run, MessageId::kStoppedByUser);
  } else if (code == 2 || code == 3) {
    ReportError(run, code == 2 ? MessageId::kFootnoteEndMarkerMissing
                               : MessageId::kFootnoteBeginMarkerMissing,
                {number});
  } else {
    // Any other stop is listed as an error line without text.
    ReportError(run, MessageTexts{});
  }
  if (run.messages.AbortRequested.load() == 0) run.messages.InterruptFormatJob();
  run.run.stop = true;
  run.run.abort_code = code;
}

}  // namespace tavrel
