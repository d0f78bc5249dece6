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
  ReaderState& r = run.Reader;
  const int b = r.Input.Peek(r.InputPos);
  if (b < 0 || b == kEndOfInput) {
    r.InputPos = r.Input.size();
    r.EofRead = true;
    return kEndOfInput;
  }
  r.EofRead = false;
  ++r.InputPos;
  return static_cast<uint8_t>(b);
}

bool QueueEmpty(const ReaderState& r) { return r.QueueRead > r.QueueCount; }

void QueueByte(ReaderState& r, uint8_t b) {
  // 255 places; a block asking for more only loses its surplus repetitions.
  if (r.QueueCount >= 255) return;
  ++r.QueueCount;
  r.Queue[r.QueueCount] = b;
}

bool CurrentFontProportional(const FormatRun& run) { return IsProportionalFont(run.Dot.Widths); }

// A byte inside a 0x1D block: blocks hold binary data, so a 0x1A there is data, not the end.
bool ReadBlockByte(ReaderState& r, uint8_t& b) {
  const int next = r.Input.Peek(r.InputPos);
  if (next < 0) return false;
  ++r.InputPos;
  b = static_cast<uint8_t>(next);
  return true;
}

// A 0x1D block: type, subtype, data, and the closing type, subtype, 0x1D.
void ReadBlock(FormatRun& run) {
  ReaderState& r = run.Reader;
  uint8_t type = 0, sub = 0, prev1 = 0, prev2 = 0;
  uint8_t ext_char = 0;
  for (int k = 1;; ++k) {
    uint8_t b = 0;
    if (!ReadBlockByte(r, b)) {
      // The rest of the file went into the block: say so rather than lose it quietly.
      ReportError(run, MessageId::kFileEndsInsideBlock);
      return;
    }
    if (k == 1)
      type = b;
    else if (k == 2)
      sub = b;
    else if (b == kTagMark && prev2 == type && prev1 == sub)
      break;
    if (type == 0x0A && k == 8) ext_char = b;
    if (type == 0x0A && k == 9) {
      const uint8_t c = CurrentFontProportional(run) ? kColumnMarkByte : ext_char;
      for (int i = 0; i < b; ++i) QueueByte(r, c);
    }
    if (type == 0x36 && k == 6) r.StyleLevel = b;
    prev2 = prev1;
    prev1 = b;
  }
  if (type == kAlternateFontTag) QueueByte(r, kAlternateFont);
  if (type == 0x36) r.ParagraphStyle = true;
}

uint8_t DecodeModeZero(FormatRun& run) {
  ReaderState& r = run.Reader;
  uint8_t b = 0;
  if (QueueEmpty(r)) {
    r.QueueCount = 0;
    r.QueueRead = 1;
    b = ReadByte(run);
    while (b == kTagMark && !r.EofRead) {
      ReadBlock(run);
      if (!QueueEmpty(r)) break;
      if (AtInputEnd(run)) {
        r.EofRead = true;
        return kEndOfInput;
      }
      b = ReadByte(run);
    }
    if (r.EofRead) return kEndOfInput;
  }
  if (!QueueEmpty(r)) {
    // A queued extended character keeps its code (clearing bit 7 would turn an umlaut into
    // a control code); only the soft space becomes a column mark.
    b = r.Queue[r.QueueRead++];
    return b == kColumnMarkByte ? kColumnMark : b;
  }
  if ((b & 0x7F) == kEscape) {
    uint8_t c = ReadByte(run);
    if (r.EofRead) return kEndOfInput;
    ReadByte(run);  // the closing byte of the pair
    r.EofRead = false;
    if (c == kSectionSign437) c = kSectionChar;
    return c;
  }
  return r.InputTable[b];
}

uint8_t DecodePlain(FormatRun& run) {
  ReaderState& r = run.Reader;
  uint8_t b;
  if (r.HavePushedByte) {
    r.HavePushedByte = false;
    b = r.PushedByte;
  } else {
    b = ReadByte(run);
    if (r.EofRead) return kEndOfInput;
    if (r.ColumnChar != 0 && b == r.ColumnChar) return kColumnMark;
    if (b == 9) return kColumnMark;
    if (r.ControlPrefix != 0 && b == r.ControlPrefix && !AtInputEnd(run)) {
      const uint8_t next = ReadByte(run);
      if (!r.EofRead) {
        if (next >= '@' && next <= 'Z') return static_cast<uint8_t>(next - 64);
        r.HavePushedByte = true;
        r.PushedByte = next;
      }
      r.EofRead = false;
    }
  }
  if (r.InputMode == 2) return DisplayTableInverse()[b];
  if (b == kSectionSign437) return kSectionChar;
  return b;
}

bool IsNoteMarker(const FormatRun& run, uint8_t c) {
  // CR and LF are never note markers: a bare ".FU" leaves CR as its marker pair.
  if (c == kCarriageReturn || c == kLineFeed) return false;
  return c == run.Notes.BeginMarker || c == run.Notes.EndMarker || c == run.Settings.NoteReturnChar;
}

void CollectMarginNote(FormatRun& run) {
  ReaderState& r = run.Reader;
  std::string& pending = run.Writer.LineBuffer.PendingPageNote;
  if (!pending.empty()) {
    ReportInfo(run, MessageId::kPageNoteSwallowed, {pending});
    ReportError(run, MessageId::kTwoPageNotesInOneLine);
    pending.clear();
  }
  r.MarginCollectAllowed = false;
  std::string text;
  while (true) {
    const uint8_t c = NextSourceChar(run);
    if (r.EofRead) break;
    if (c == r.MarginClose) break;
    text.push_back(static_cast<char>(c));
    if (text.size() >= 40) {
      text.pop_back();  // the 40th is dropped
      break;
    }
  }
  pending = text;
  r.MarginCollectAllowed = true;
}

void SetCurrentStream(FormatRun& run, int stream) {
  run.CurrentStream = stream;
  run.Writer.CurrentStream = static_cast<uint8_t>(stream);
}

bool AtLineStart(const FormatRun& run) {
  const LineStream& s = run.Streams[run.CurrentStream];
  if (run.Reader.LineStartFlag) return true;
  return s.HeldLen == 0 && s.Line.Characters <= s.IndentChars && s.Line.AtLineStart;
}

// A soft line end while formatting is on ends the line after the text held in the zone,
// never before it: text that fits is written first; on a line that already runs past the
// margin the line end is held back for word breaking to write after its character, as a
// hard line end is. True when it was held back.
bool SoftLineEndHeldBack(FormatRun& run) {
  LineStream& s = run.Cur();
  if (s.HeldLen == 0) return false;
  if (s.Line.Position > s.RightMargin) {
    if (!run.Dot.HeadingInProgress) {
      const uint8_t next = NextSourceChar(run);
      if (next != kLineFeed && !run.Reader.EofRead) PushBack(run, next);
    }
    s.PendingPos = s.HeldLen;
    ++s.PendingCount;
    return true;
  }
  WriteHeldAsIs(run);
  return false;
}

}  // namespace

void SetInput(FormatRun& run, std::string bytes) {
  run.Reader.Input.OpenBytes(std::move(bytes));
  StartInput(run);
}

void StartInput(FormatRun& run) {
  ReaderState& r = run.Reader;
  r.InputPos = 0;
  r.EofRead = false;
  r.PendingLf = false;
  r.LastDecoded = 0;
  r.QueueCount = 0;
  r.QueueRead = 1;
  r.HavePushedByte = false;
  r.InputOpen = true;
}

bool AtInputEnd(const FormatRun& run) {
  const ReaderState& r = run.Reader;
  if (!QueueEmpty(r) || r.HavePushedByte || r.PendingLf) return false;
  const int b = r.Input.Peek(r.InputPos);
  return b < 0 || b == kEndOfInput;
}

uint8_t ReadWordStarChar(FormatRun& run) { return DecodeModeZero(run); }

uint8_t ReadInputChar(FormatRun& run) {
  ReaderState& r = run.Reader;
  uint8_t c;
  if (r.PendingLf) {
    r.PendingLf = false;
    r.EofRead = false;
    c = kLineFeed;
  } else {
    c = r.InputMode == 0 ? DecodeModeZero(run) : DecodePlain(run);
    if (r.EofRead) {
      r.Current = c;
      return c;
    }
    // Input text may have LF-only line ends: a bare LF counts as CR LF.
    if (c == kLineFeed && r.LastDecoded != kCarriageReturn && r.LastDecoded != kSoftLineEnd) {
      r.PendingLf = true;
      c = kCarriageReturn;
    }
  }
  r.LastDecoded = c;
  r.Current = c;
  return c;
}

uint8_t NextSourceChar(FormatRun& run) {
  ReaderState& r = run.Reader;
  for (int guard = 0;; ++guard) {
    uint8_t c = ReadInputChar(run);
    if (r.EofRead) return c;
    if (run.Notes.InUse && IsNoteMarker(run, c) && !run.Run.Stop) {
      const bool in_notes = run.CurrentStream == kNotesStream;
      if (c == run.Settings.NoteReturnChar && c != run.Notes.BeginMarker &&
          c != run.Notes.EndMarker) {
        if (in_notes) {
          r.NoteLineEnded = false;
          r.IndentNextNoteLine = true;
          FeedCharacter(run, kCarriageReturn);
        }
      } else if (run.Notes.BeginMarker == run.Notes.EndMarker) {
        if (in_notes)
          EndNote(run);
        else
          BeginNote(run);
      } else if (c == run.Notes.BeginMarker) {
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
    if (r.MarginNotesOn && c == r.MarginOpen && r.MarginCollectAllowed) {
      CollectMarginNote(run);
      c = kPageNoteMark;
      r.Current = c;
    }
    return c;
  }
}

void PushBack(FormatRun& run, uint8_t c) {
  run.Reader.Pushed = true;
  run.Reader.PushedChar = c;
}

uint8_t PeekNextChar(const FormatRun& run) {
  if (run.Reader.Pushed) return run.Reader.PushedChar;
  // Nothing follows: the next line counts as empty.
  if (run.Reader.EofRead || AtInputEnd(run)) return kCarriageReturn;
  return run.Reader.Current;
}

void StartLine(FormatRun& run) {
  // Template text and macro bodies are fed, not read: no source line starts inside them,
  // and a line whose first character waits already has been started.
  if (run.Dot.TemplateOutput || run.Dot.MacroExpanding || run.Reader.Pushed) return;
  LineStream& s = run.Streams[kTextStream];
  if (s.PendingCount == 0) {
    s.PrevStartPos = s.TypedIndentPos;
    s.PrevColWidth = s.ColWidth;
  }
  s.ColWidth = run.Dot.ColumnWidth;
  if (!run.Dot.HeadingInProgress) s.TypedIndentPos = 0;
  int count = 0;
  run.Reader.NoteJustEnded = false;
  uint8_t c = 0;
  bool have = false;
  while (!run.Run.Stop) {
    c = NextSourceChar(run);
    if (run.Reader.EofRead) break;
    // Beyond 250 columns the marks stay in the text: the indentation would pass any page.
    if ((c == kColumnMark || (run.Settings.HardToSoftSpaces && c == ' ')) && count < 250) {
      ++count;
      if (run.Reader.NoteJustEnded) break;
      continue;
    }
    have = true;
    break;
  }
  if (run.Reader.NoteJustEnded && count > 0) --count;
  s.TypedIndentCount = count;
  s.TypedIndentPos = count * run.Dot.ColumnWidth;
  if (have) PushBack(run, c);
}

void DispatchCharacter(FormatRun& run) {
  ReaderState& r = run.Reader;
  DotState& d = run.Dot;
  uint8_t c = r.Current;
  LineStream& s = run.Cur();
  const bool at_start = AtLineStart(run);

  if (d.ConditionalOutput && !r.CollectingDot) {
    const IndexMarkResult mark = ApplyIndexMarks(run);
    if (mark == IndexMarkResult::kDrop) {
      if (c != kLineFeed) r.LineStartFlag = false;
      return;
    }
    if (mark == IndexMarkResult::kNormal) AdvanceCharPosition(run, c);
    ApplyFontControl(run);
    c = r.Current;
  }

  switch (c) {
    case kRightAlignMark:
      if (++r.RightJustifyCount == 2) ReportError(run, MessageId::kTwoRightJustifyControls);
      break;
    case kInactiveSoftHyphen:
      break;
    case 7:
      if (d.ConditionalOutput) s.NoBreak = true;
      break;
    case kCarriageReturn: {
      if (r.CollectingDot) {
        HandleDotLine(run);
      } else if (run.CurrentStream == kTextStream || !r.NoteLineEnded) {
        if (run.CurrentStream == kNotesStream) r.NoteLineEnded = true;
        HardLineEnd(run);
      } else {
        // A line end typed inside a note runs on: the note is broken by word breaking.
        const uint8_t next = NextSourceChar(run);
        if (next != kLineFeed && !r.EofRead) PushBack(run, next);
        if (d.ConditionalOutput) {
          r.Current = ' ';
          DispatchCharacter(run);
        }
      }
      if (run.CurrentStream == kTextStream && r.HyphenationCancelled) {
        r.HyphenationCancelled = false;
        AbortFormatting(run, 100);
      }
      r.LineStartFlag = true;
      r.RightJustifyCount = 0;
      return;
    }
    case kSoftHyphen:
      if (!s.FormattingOn) {
        if (r.CollectingDot)
          AppendDotChar(run, c);
        else if (d.ConditionalOutput)
          EmitChar(run, c);
      } else if (d.ConditionalOutput) {
        r.DropNextBlank = true;
      }
      break;
    case kSoftLineEnd:
      if (r.CollectingDot) {
        HandleDotLine(run);
      } else if (d.ConditionalOutput) {
        if (s.FormattingOn && SoftLineEndHeldBack(run)) break;
        if (s.FormattingOn && d.ParagraphStart) {
          CloseLine(run);
        } else {
          if (!d.HeadingInProgress) {
            const uint8_t next = NextSourceChar(run);
            if (next != kLineFeed && !r.EofRead) PushBack(run, next);
          }
          EmitChar(run, s.FormattingOn ? kCarriageReturn : kSoftLineEnd);
          EmitChar(run, kLineFeed);
          AdvanceLineBy(run, 0);
          ResetLineCounters(run);
          s.Line.Position = 0;
        }
      }
      break;
    default:
      if (c == ' ' && r.DropNextBlank) {
        r.DropNextBlank = false;
        break;
      }
      r.DropNextBlank = false;
      if (c == kDotLineMark && !r.CollectingDot && at_start) {
        if (s.HeldLen > 0) {
          r.DotLineFollows = true;
          ForceLineBreak(run, run.CurrentStream, s.PendingCount > 0);
          r.DotLineFollows = false;
        }
        r.CollectingDot = true;
        // Not = ".": g++ 12 warns falsely (-Wrestrict) there.
        r.DotLine.assign(1, static_cast<char>(kDotLineMark));
        break;
      }
      if (r.CollectingDot) {
        AppendDotChar(run, c);
        break;
      }
      if (d.ConditionalOutput && c != kTagMark) {
        if (s.FormattingOn)
          AssembleWordChar(run);
        else
          EmitChar(run, c);
      }
      break;
  }
  if (c != kLineFeed) r.LineStartFlag = false;
}

void ProcessCharacter(FormatRun& run) {
  DispatchCharacter(run);
  if (run.Dot.ConditionalOutput && run.Cur().Overflow >= 6 && !run.Run.Stop) BreakWord(run, true);
}

void FeedCharacter(FormatRun& run, uint8_t c) {
  run.Reader.Current = c;
  ProcessCharacter(run);
}

void FeedText(FormatRun& run, const std::string& text) {
  for (char ch : text) {
    if (run.Run.Stop) return;
    FeedCharacter(run, static_cast<uint8_t>(ch));
  }
}

void SelectNotesStream(FormatRun& run) {
  SetCurrentStream(run, kNotesStream);
  LoadFontWidthsFor(run, run.Notes.Font ? run.Notes.Font : run.Dot.FontSlots[0]);
  LineStream& s = run.Streams[kNotesStream];
  s.ColWidth = s.PrevColWidth = run.Dot.ColumnWidth;
}

void SelectTextStream(FormatRun& run) {
  SetCurrentStream(run, kTextStream);
  LoadFontWidthsFor(run, run.Dot.FontSlots[run.Dot.CurrentSlot]);
}

void BeginNote(FormatRun& run) {
  std::string number = std::to_string(run.Notes.FootnoteNumber);
  if (number.size() > 5) number.resize(5);
  const std::string in_text = run.Settings.NoteLinkInText.Str();
  for (size_t i = 0; i < in_text.size(); ++i) {
    const uint8_t ch = static_cast<uint8_t>(in_text[i]);
    if (ch == '1') {
      FeedCharacter(run, run.Settings.NoteAssignChar);
      FeedText(run, number);
    } else if (ch == '^' && i + 1 < in_text.size()) {
      FeedCharacter(run, static_cast<uint8_t>(static_cast<uint8_t>(in_text[++i]) & 0x1F));
    } else {
      FeedCharacter(run, ch);
    }
  }
  SelectNotesStream(run);
  for (int i = 0; i < run.Reader.MarginWidth - 1; ++i) FeedCharacter(run, kColumnMark);
  const std::string in_area = run.Settings.NoteLinkInNoteArea.Str();
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
  ++run.Notes.FootnoteNumber;
  run.Reader.NoteLineEnded = false;
  FeedCharacter(run, kCarriageReturn);
  SelectTextStream(run);
}

void AbortFormatting(FormatRun& run, int code) {
  const std::string number = std::to_string(run.Notes.FootnoteNumber);
  if (code == 100) {
    ReportInfo(run, MessageId::kStoppedByUser);
  } else if (code == 2 || code == 3) {
    ReportError(
        run,
        code == 2 ? MessageId::kFootnoteEndMarkerMissing : MessageId::kFootnoteBeginMarkerMissing,
        {number});
  } else {
    // Any other stop is listed as an error line without text.
    ReportError(run, MessageTexts{});
  }
  if (run.Messages.AbortRequested.load() == 0) run.Messages.InterruptFormatJob();
  run.Run.Stop = true;
  run.Run.AbortCode = code;
}

}  // namespace tavrel
