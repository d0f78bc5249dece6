#include "formatter/formatting/word_breaking.h"

#include <algorithm>

#include "formatter/common/formatted_file.h"
#include "formatter/common/messages.h"
#include "formatter/formatting/dot_commands.h"
#include "formatter/formatting/format_run.h"
#include "formatter/formatting/line_ends.h"

namespace tavrel {

namespace {

// Characters after which a line may be broken without a hyphen.
bool IsBreakChar(uint8_t c) {
  switch (c) {
    case kCarriageReturn:
    case kColumnMark:
    case ' ':
    case '!':
    case '"':
    case ')':
    case ',':
    case '.':
    case '/':
    case ':':
    case ';':
    case '>':
    case '?':
      return true;
    default:
      return false;
  }
}

bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }

// Letters and digits that the last-resort search does not break after.
bool IsWordChar(uint8_t c) {
  if (IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
  switch (c) {
    case 0x84:
    case 0x94:
    case 0x81:
    case 0x8E:
    case 0x99:
    case 0x9A:
    case 0xE1:
      return true;
    default:
      return false;
  }
}

void ClearHeld(LineStream& s) {
  s.HeldLen = 0;
  s.Overflow = 0;
  s.NoBreak = false;
  s.PendingPos = 0;
  s.PendingCount = 0;
}

// Writes the hard line ends that were held back while the line overflowed.
void WritePendingLineEnds(FormatRun& run, int count) {
  for (int i = 0; i < count; ++i) {
    EmitChar(run, kCarriageReturn);
    EmitChar(run, kLineFeed);
    AdvanceLineBy(run, 0);
    if (run.CurrentStream == kTextStream) {
      run.Dot.ParagraphStart = true;
      WriteLineIndent(run, 0);
    } else {
      ResetLineCounters(run);
    }
  }
}

// Writes the first half of the held text and moves the rest to the front of the buffer.
void WriteOlderHeldHalf(FormatRun& run, LineStream& s) {
  const int keep = s.HeldLen / 2;
  const int out = s.HeldLen - keep;
  for (int i = 1; i <= out; ++i) EmitChar(run, s.held[i]);
  for (int i = 1; i <= keep; ++i) {
    s.held[i] = s.held[out + i];
    s.no_break_mark[i] = s.no_break_mark[out + i];
  }
  s.HeldLen = keep;
}

// Puts the held characters from..to of `was` (the stream before the break) on the new line.
// Each moves the position; from the zone on they are held again, so that the next break can
// still fall among them (written at once, they could run past the margin unbroken). Blanks at
// the break belong to neither line: kept, they would print as an indent of the new line;
// blanks typed after a held-back line end start a source line and stay. The held-back line
// ends of `was` follow their character, or are held back again behind it.
void PlaceOnNewLine(FormatRun& run, const LineStream& was, int from, int to, bool at_break) {
  LineStream& s = run.Cur();
  for (int i = from; i <= to; ++i) {
    const uint8_t c = was.held[i];
    if (!(at_break && c == ' ')) {
      at_break = false;
      AdvanceCharPosition(run, c);
      if (s.ZoneOn && s.Line.Position > s.ZoneStart() && s.HeldLen < kHeldTextRoom) {
        ++s.HeldLen;
        s.held[s.HeldLen] = c;
        s.no_break_mark[s.HeldLen] = was.no_break_mark[i];
        if (s.Line.Position > s.RightMargin) ++s.Overflow;
      } else {
        if (s.HeldLen > 0) WriteHeldAsIs(run);
        EmitChar(run, c);
      }
    }
    if (was.PendingCount > 0 && i == was.PendingPos) {
      at_break = false;
      if (s.HeldLen > 0 && s.Line.Position > s.RightMargin) {
        s.PendingPos = s.HeldLen;
        s.PendingCount = was.PendingCount;
        continue;
      }
      if (s.HeldLen > 0) WriteHeldAsIs(run);
      s.Overflow = 0;
      WritePendingLineEnds(run, was.PendingCount);
    }
  }
}

}  // namespace

MayBreakResult NoHyphenation::MayBreakAt(FormatRun&, const uint8_t* held, int len, int p) {
  MayBreakResult r;
  if (p < 2 || p >= len) return r;
  // A hyphen in the text breaks after it, unless it is a minus in front of a number.
  if (held[p] == '-' && held[p + 1] != '-' && held[p - 1] != ' ' && !IsDigit(held[p + 1]))
    r.ExplicitBreak = true;
  return r;
}

int ZoneColumns(int n) { return std::clamp(n - 5, 0, 30); }

void AssembleWordChar(FormatRun& run) {
  LineStream& s = run.Cur();
  const uint8_t c = run.Reader.Current;
  if (c == ' ') s.NoBreak = false;
  if (s.ZoneOn && s.Line.Position > s.ZoneStart()) {
    // The buffer has 54 places. Narrow characters can fill it long before the margin: the
    // older half still fits on the line and is written as it is, so the line is broken at the
    // margin and not in the middle of its text. A line already past the margin is broken.
    if (s.HeldLen >= kHeldTextRoom && s.Overflow == 0 && s.PendingCount == 0)
      WriteOlderHeldHalf(run, s);
    if (s.HeldLen >= kHeldTextRoom) {
      // The character's width went to the line being broken: it starts the new line, so it
      // is measured again there and held or written by that line's position, never held
      // behind text that is written before it.
      BreakWord(run, false);
      if (run.Run.Stop) return;
      AdvanceCharPosition(run, c);
    }
  }
  if (s.ZoneOn && s.Line.Position > s.ZoneStart() && s.HeldLen < kHeldTextRoom) {
    ++s.HeldLen;
    s.held[s.HeldLen] = c;
    s.no_break_mark[s.HeldLen] = s.NoBreak ? 1 : 0;
    if (s.Line.Position > s.RightMargin) ++s.Overflow;
    return;
  }
  EmitChar(run, c);
  if (c == ' ') {
    ++s.BlankRun;
    if (run.CurrentStream == kTextStream && s.BlankRun >= 4) {
      s.BlankRun = 0;
      // Columns typed with blanks: the rest of this line is a table, not running text.
      if (s.Line.Position > s.RightMargin / 3) s.ZoneOn = false;
    }
  } else {
    s.BlankRun = 0;
  }
}

void WriteBreakAttributes(FormatRun& run, bool underline, bool italic, bool bold) {
  if (underline) EmitChar(run, kUnderlineToggle);
  if (italic) {
    EmitChar(run, kItalicToggle);
    ToggleSlotStyle(run, kItalicToggle);
  }
  if (bold) {
    EmitChar(run, kBoldToggle);
    ToggleSlotStyle(run, kBoldToggle);
  }
}

void BreakWord(FormatRun& run, bool table_error) {
  LineStream& s = run.Cur();
  const int len = s.HeldLen;
  int p = len - 6;

  if (len < 9) {
    // Too little held text to search in: the line ends hard where it is.
    for (int i = 1; i <= len; ++i) EmitChar(run, s.held[i]);
    const int pending = s.PendingCount;
    ClearHeld(s);
    EmitChar(run, kCarriageReturn);
    EmitChar(run, kLineFeed);
    AdvanceLineBy(run, 0);
    ResetLineCounters(run);
    s.Line.Position = 0;
    if (pending > 0 && run.CurrentStream == kTextStream) {
      run.Dot.ParagraphStart = true;
      WriteLineIndent(run, 0);
    }
    if (table_error) ReportError(run, MessageId::kFormattingErrorInTable);
    return;
  }

  Hyphenator* hyph = run.Hyphenator ? run.Hyphenator.get() : nullptr;
  NoHyphenation none;
  if (!hyph) hyph = &none;

  const int limit = p - 1;
  hyph->BeginWord(run, limit + 1);
  // q is the last held position that stays on the line.
  int q = 0;
  bool hyphen = false, separator = false, ck = false;
  while (true) {
    --p;
    if (p <= 2) break;
    const int cand = p + 1;
    if (IsBreakChar(s.held[cand])) {
      if (!s.no_break_mark[cand]) {
        q = cand;
        separator = true;
        break;
      }
      continue;
    }
    const MayBreakResult r = hyph->MayBreakAt(run, s.held.data(), len, cand);
    if (run.Run.Stop) return;
    // The verdict may be for a position the rules moved the break to; one outside the held
    // text breaks nowhere.
    const bool inside = r.Position == 0 || (r.Position >= 1 && r.Position < len);
    const int at = r.Position > 0 && inside ? r.Position : cand;
    const bool found = r.ExplicitBreak || (inside && r.MayBreak && at - 1 < limit);
    if (found && !s.no_break_mark[at]) {
      q = at;
      separator = r.ExplicitBreak;
      hyphen = !r.ExplicitBreak;
      ck = r.Ck && hyphen;
      break;
    }
    if (r.StopSearch) break;
    // Moved back: the search goes on below the moved position, never above where it was.
    if (at < cand) p = at - 1;
  }
  if (q == 0) {
    // Last resort: after the last character that is not part of a word, among those that
    // still end inside the margin (a break further right leaves the line too long).
    for (int i = len - s.Overflow; i >= 3; --i) {
      if (!IsWordChar(s.held[i]) && !s.no_break_mark[i]) {
        q = i;
        separator = true;
        break;
      }
    }
  }
  if (q == 0) q = len;  // ended without a split

  // Hard line ends held back before the break point end the line there instead.
  if (s.PendingCount > 0 && s.PendingPos <= q) {
    const int at = s.PendingPos;
    const int count = s.PendingCount;
    const LineStream rest = s;
    for (int i = 1; i <= at; ++i) EmitChar(run, rest.held[i]);
    ClearHeld(s);
    WritePendingLineEnds(run, count);
    PlaceOnNewLine(run, rest, at + 1, len, false);
    return;
  }

  const LineStream broken = s;
  const auto& held = broken.held;
  const int pending_count = s.PendingCount;
  for (int i = 1; i < q; ++i) EmitChar(run, held[i]);
  EmitChar(run, ck ? uint8_t('k') : held[q]);
  if (hyphen) EmitChar(run, kSoftHyphen);

  bool underline = false, italic = false, bold = false;
  StreamAttributes(run, underline, italic, bold);
  WriteBreakAttributes(run, underline, italic, bold);
  if (!hyphen && !separator) EmitChar(run, ' ');
  EmitChar(run, kSoftLineEnd);
  EmitChar(run, kLineFeed);
  AdvanceLineBy(run, 2);
  ClearHeld(s);
  WriteLineIndent(run, pending_count > 0 ? 1 : 0);
  WriteBreakAttributes(run, underline, italic, bold);
  PlaceOnNewLine(run, broken, q + 1, len, true);
}

}  // namespace tavrel
