#include "compiler/passes/output_pass.h"

#include <algorithm>
#include <cstring>

#include "compiler/foundation/source_buffer.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/passes/dot_dispatcher.h"
#include "compiler/passes/heading_lines.h"
#include "compiler/passes/line_start.h"
#include "compiler/passes/output_filter.h"
#include "compiler/passes/pass_services.h"
#include "compiler/passes/source_char_output.h"
#include "compiler/passes/source_reader.h"
#include "compiler/passes/table_scanner.h"
#include "compiler/writers/link_writer.h"
#include "compiler/writers/markup.h"

namespace skeldon {

namespace {

constexpr std::uint8_t kCr = 0x0D;

std::uint8_t Upper(std::uint8_t c) {
  return c >= 'a' && c <= 'z' ? static_cast<std::uint8_t>(c - 32) : c;
}

bool IsSentenceEnd(std::uint8_t c) {
  return c == '.' || c == '!' || c == '?' || c == ':' || c == ';' || c == 0xE3 || c == kCr;
}

// One character of a .HT block: copied two characters late, so that the ".HY" line that ends
// the block is never copied.
void RawHtmlStep(CompilerRun& run) {
  TCompileContext& cx = run.Compile;
  TSourceBuffer& sb = run.Source;
  const std::uint8_t before = sb.PrevChar;
  ReadSourceChar(run);
  ++cx.RawHtmlCount;
  if (before == kCr && sb.PrevChar == '.' && Upper(sb.CurChar) == 'H' &&
      Upper(sb.NextChar) == 'Y') {
    while (!SourceEof(run) && sb.NextChar != kCr) ReadSourceChar(run);
    cx.RawHtmlBlock = false;
    cx.RawHtmlCount = 0;
    return;
  }
  if (run.Ini.TargetFlags.Html && cx.RawHtmlCount > 2) {
    std::uint8_t c = sb.PrevChar;
    // The source's toggle characters were replaced by internal ones; raw text gets its own back.
    if (run.Toggles.IsInternalToggleChar[c]) {
      const std::size_t i = run.Toggles.InternalToggleChars.find(static_cast<char>(c));
      if (i < run.Ini.ToggleChars.size()) c = static_cast<std::uint8_t>(run.Ini.ToggleChars[i]);
    }
    if (c == kCr)
      run.Passes.OutputFile += "\r\n";
    else
      run.Passes.OutputFile.push_back(static_cast<char>(c));
  }
}

void EndDotLine(CompilerRun& run) {
  TCompileContext& cx = run.Compile;
  std::string& buffer = cx.DotLineBuffer;
  if (!buffer.empty()) {
    for (std::size_t i = 0; i < 2 && i < buffer.size(); ++i)
      buffer[i] = static_cast<char>(Upper(static_cast<std::uint8_t>(buffer[i])));
    const std::string letters = buffer.substr(0, 2);
    run.Reader.DotLine = buffer;
    if (run.Reader.ConditionOn)
      DispatchDotCommand(run, letters);
    else
      HandleConditionCommand(run, letters, false);
  }
  if (run.Source.LineEndCount > 0) --run.Source.LineEndCount;
  cx.DotLineActive = false;
  buffer.clear();
}

// The end of the collected heading text at the first line of running text after it.
void EndHeadingText(CompilerRun& run) {
  TCompileContext& cx = run.Compile;
  const TTargetFlags& t = run.Ini.TargetFlags;
  if (t.Ipf) run.Passes.OutputFile += "\r\n";
  // The first character of the line that ends the heading was collected with it.
  const std::int32_t length = cx.HeadingTextLength - 1;
  if (length > 254)
    run.Reporter.ReportSourceError(MessageId::LastHeadingTooLong, 2);
  else if (length <= 0)
    run.Reporter.ReportSourceError(MessageId::HeadingMissing, 0);
  cx.HeadingTextPending = false;
  WriteHeadingLine(run, true);
  if (t.RtfFamily) OpenRtfIndentGroup(run);
  EmitLinkedChar(run, 0);
  cx.HeadingLineEndPending = false;
  run.Markup.PendingLineEnds = (t.Ipf && !run.Switches.NewIpfCompiler) ? 1 : 0;
  if (t.Ipf) {
    if (cx.CenterPending) {
      run.Passes.OutputFile += ":lines align=center.";
      run.Markup.CenteredBlockOpen = true;
      cx.CenterPending = false;
    } else if (!run.Markup.FormatMode) {
      run.Passes.OutputFile += ":lines.\r\n";
    }
  }
  if (run.Markup.RunningFontLetter != '@')
    WriteFontChange(run, run.Passes.OutputFile, run.Markup.RunningFontLetter, false);
}

void NewLine(CompilerRun& run) {
  TCompileContext& cx = run.Compile;
  TSourceBuffer& sb = run.Source;
  const TTargetFlags& t = run.Ini.TargetFlags;
  if (run.Reader.DotLineMark) {
    if (cx.HeadingTextPending && cx.HeadingLineEndPending) {
      if (t.Ipf) {
        if (!run.Markup.FormatMode) run.Passes.OutputFile += "\r\n";
        if (run.Switches.NewIpfCompiler) run.Passes.OutputFile += "\r\n";
      }
      cx.HeadingLineEndPending = false;
    }
    return;
  }
  if (!run.Reader.ConditionOn || run.Tables.TableOpen) return;
  if (sb.LineEndCount != 199 && !run.LineDrawing.LineDrawingActive) {
    if (cx.HeadingTextPending) {
      if (sb.LineEndCount == 0 && !run.Switches.WordStarInput) {
        FilterOutputChar(run, ' ');
      } else if (sb.LineEndCount > 0) {
        EndHeadingText(run);
      }
    } else {
      cx.BlankLinesBefore = sb.LineEndCount;
      if (run.Markup.ListLevel > 0 && !run.Switches.WordStarInput && run.Markup.FormatMode &&
          sb.LineEndCount > 0)
        --sb.LineEndCount;
      run.Markup.PendingLineEnds = sb.LineEndCount;
    }
  }
  sb.LineEndCount = 0;
  cx.LineStartPending = true;
  cx.LineIndent = 0;
  cx.LineListChar = 0;
}

// Whether the output pass may take the bytes ahead as plain word characters (see
// TakePlainWordRun): no line start, block, table, heading, footnote, link or index expression
// is in progress, so such a byte only extends the word the link writer collects.
bool PlainWordRunPossible(const CompilerRun& run) {
  const TCompileContext& cx = run.Compile;
  const TLinkWriterState& lw = run.LinkWriter;
  return cx.PlainTextShortcut && !run.Switches.WordStarInput && !run.Switches.DebugEcho &&
         run.Source.NextChar != kCr && !cx.RawHtmlBlock && !cx.DotLineActive &&
         !cx.HeadingTextPending && !cx.LineStartPending && run.Reader.ConditionOn &&
         !run.Tables.TableOpen && !run.LineDrawing.LineDrawingActive && lw.OpenLinkEnd == 0 &&
         !lw.InIndexExpression && !run.Passes.InFootnote && !run.Markup.CollectingHeading &&
         !run.SourceText.ToggleChanged;
}

// A printable byte that no step of the output pass takes for markup: no toggle, graphics
// character, index mark or footnote marker, and no colon, where a URL may begin.
bool IsPlainTextByte(const CompilerRun& run, std::uint8_t b) {
  const TCompileContext& cx = run.Compile;
  if (b < ' ' || b == ':') return false;
  if (run.Toggles.IsInternalToggleChar[b] || run.Passes.GraphicCharIndex[b] != 0) return false;
  if (b == run.LinkPass.IndexChar) return false;
  return !(cx.FootnoteMarkersSet && (b == cx.FootnoteBeginChar || b == cx.FootnoteEndChar));
}

// A byte that every step of the output pass passes on unchanged into the collected word.
bool IsPlainWordByte(const CompilerRun& run, std::uint8_t b) {
  return run.IniValues.IsWordChar[b] && IsPlainTextByte(run, b);
}

// A byte that ends the collected word and that every step before the link writer hands on
// unchanged: reading it only moves the window, and no line start or tab stands in its way.
bool IsPlainSeparatorByte(const CompilerRun& run, std::uint8_t b) {
  return !run.IniValues.IsWordChar[b] && IsPlainTextByte(run, b);
}

// The tables of IsPlainWordByte and IsPlainSeparatorByte, one look-up per byte. A graphics
// character only ever becomes one by a new binding, which the count of graphics files shows; a
// binding removed leaves the tables stricter than needed, never wrong.
const TPlainWordTable& PlainWordBytes(CompilerRun& run) {
  TCompileContext& cx = run.Compile;
  TPlainWordTable& t = cx.PlainWords;
  const std::uint8_t indexChar = run.LinkPass.IndexChar;
  const std::size_t graphics = run.Passes.GraphicFileNames.size();
  if (!t.Built || t.IndexChar != indexChar || t.FootnoteMarkersSet != cx.FootnoteMarkersSet ||
      t.FootnoteBeginChar != cx.FootnoteBeginChar || t.FootnoteEndChar != cx.FootnoteEndChar ||
      t.GraphicCharFiles != graphics) {
    for (int b = 0; b < 256; ++b) {
      t.Plain[b] = IsPlainWordByte(run, static_cast<std::uint8_t>(b));
      t.Separator[b] = IsPlainSeparatorByte(run, static_cast<std::uint8_t>(b));
    }
    t.Built = true;
    t.IndexChar = indexChar;
    t.FootnoteMarkersSet = cx.FootnoteMarkersSet;
    t.FootnoteBeginChar = cx.FootnoteBeginChar;
    t.FootnoteEndChar = cx.FootnoteEndChar;
    t.GraphicCharFiles = graphics;
  }
  return t;
}

// Takes a run of plain word characters in the middle of a line in one step, doing what the
// character-by-character road would do with each: move the reading window, count the output
// column and characters, and add the bytes to the collected word. Returns the bytes taken.
// The caller has checked PlainWordRunPossible.
std::size_t TakePlainWordRun(CompilerRun& run, const TPlainWordTable& table) {
  TSourceBuffer& sb = run.Source;
  const std::string& data = sb.Data;
  const std::size_t start = sb.Position;
  const std::array<bool, 256>& plain = table.Plain;
  // The block's closing NUL is no plain byte: it ends the scan at the end of the source.
  const char* const bytes = data.c_str();
  std::size_t end = start;
  while (plain[static_cast<std::uint8_t>(bytes[end])]) ++end;
  const std::size_t k = end - start;
  if (k == 0) return 0;
  AdvanceReaderWindow(sb, end);
  run.Passes.OutputColumn += static_cast<std::int32_t>(k);
  run.Compile.OutputCharCount += static_cast<std::int32_t>(k);
  run.LinkWriter.LastEmittedChar = sb.NextChar;
  run.LinkWriter.MarkedExpression.append(data, start, k);
  return k;
}

// A blank or punctuation after a word in the middle of a line: it goes straight to the link
// writer, which ends the collected word there, as the character-by-character road would hand
// it on.
bool TakePlainSeparator(CompilerRun& run, const TPlainWordTable& table) {
  TSourceBuffer& sb = run.Source;
  if (sb.Position >= sb.Data.size()) return false;
  const auto b = static_cast<std::uint8_t>(sb.Data[sb.Position]);
  if (!table.Separator[b]) return false;
  const TCompileContext& cx = run.Compile;
  // The blank after a footnote's end is dropped.
  if (b == ' ' && cx.FootnoteMarkersSet && sb.NextChar == cx.FootnoteEndChar) return false;
  sb.PrevChar = sb.CurChar;
  sb.CurChar = sb.NextChar;
  sb.NextChar = b;
  ++sb.Position;
  std::int32_t& column = run.Passes.OutputColumn;
  ++column;
  ++run.Compile.OutputCharCount;
  // A long line breaks after the blank, as the character filter breaks it: the column is
  // judged before a link that the blank ends adds its width.
  const bool lineBreak = b == ' ' && column > 80 && run.Markup.FormatMode;
  EmitLinkedChar(run, b);
  if (lineBreak) {
    WriteReflowLineEnd(run, run.Passes.OutputFile);
    column %= 8;
  }
  return true;
}

// Plain text in the middle of a line, words and the blanks or punctuation after them, without
// the layers of the general road. Returns false when nothing could be taken this way.
bool TakePlainText(CompilerRun& run) {
  if (!PlainWordRunPossible(run)) return false;
  const TPlainWordTable& table = PlainWordBytes(run);
  bool taken = false;
  // What a separator reaches, the link writer, changes only two of the conditions tested above
  // (and none of the table's): it may leave a phrase link open, or switch a toggle as it copies
  // a heading's title. The rest stay as they are until the road stops at a byte it cannot take.
  do {
    const bool word = TakePlainWordRun(run, table) != 0;
    if (!TakePlainSeparator(run, table)) return taken || word;
    taken = true;
  } while (run.LinkWriter.OpenLinkEnd == 0 && !run.SourceText.ToggleChanged);
  return true;
}

// The rest of a dot line up to its line end in one step, as the character-by-character road
// would collect it: the bytes only move the reading window and go into the line's buffer. The
// byte that would overflow the buffer is left to that road, which reports it.
bool TakeDotLineRest(CompilerRun& run) {
  TCompileContext& cx = run.Compile;
  TSourceBuffer& sb = run.Source;
  if (!cx.PlainTextShortcut || !cx.DotLineActive || cx.RawHtmlBlock || run.Switches.WordStarInput ||
      run.Switches.DebugEcho || sb.NextChar == kCr || run.LinkWriter.OpenLinkEnd != 0)
    return false;
  const std::string& data = sb.Data;
  const std::size_t start = sb.Position;
  if (start >= data.size() || cx.DotLineBuffer.size() >= kDotLineMax) return false;
  std::size_t length = std::min(data.size() - start, kDotLineMax - cx.DotLineBuffer.size());
  const char* const from = data.data() + start;
  for (const int end : {int{kCr}, 0x0A})
    if (const void* hit = std::memchr(from, end, length))
      length = static_cast<std::size_t>(static_cast<const char*>(hit) - from);
  if (length == 0) return false;
  cx.DotLineBuffer.append(from, length);
  AdvanceReaderWindow(sb, start + length);
  return true;
}

}  // namespace

bool UserBreakRequested(const CompilerRun& run) {
  return run.UserBreakRequested != nullptr && run.UserBreakRequested->load();
}

void CheckUserBreak(CompilerRun& run) {
  if (!UserBreakRequested(run)) return;
  WriteMessage(run, MessageId::UserBreak, false);
  run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::UserBreak));
}

void RunOutputPass(CompilerRun& run) {
  TCompileContext& cx = run.Compile;
  TSourceBuffer& sb = run.Source;
  const bool wordStar = run.Switches.WordStarInput;
  while (!SourceEof(run)) {
    if (cx.RawHtmlBlock) {
      RawHtmlStep(run);
      continue;
    }
    if (TakePlainText(run) || TakeDotLineRest(run)) continue;
    ReadSourceChar(run);
    const bool on = run.Reader.ConditionOn;
    if (on && run.LinkWriter.OpenLinkEnd != 0 && sb.Position >= run.LinkWriter.OpenLinkEnd)
      CloseOpenLink(run);
    const std::uint8_t p = sb.CurChar, pp = sb.PrevChar;
    if (sb.NextChar == kCr) {
      if (cx.DotLineActive) {
        EndDotLine(run);
        if (cx.RawHtmlBlock) continue;
      } else if (run.Reader.ConditionOn && !run.Tables.TableOpen) {
        if (cx.LineStartPending && !run.LineDrawing.LineDrawingActive && cx.LineListChar != kCr &&
            cx.LineIndent > 0) {
          CheckListIndent(run);
          cx.LineStartPending = false;
        }
        if (wordStar && !run.LineDrawing.LineDrawingActive && p == '-' &&
            PeekBufferChar(run) != '.') {
          // A hyphenated word goes on on the next line: the line end vanishes.
          sb.NextChar = 0;
          if (sb.LineEndCount > 0) --sb.LineEndCount;
        } else if (run.Ini.TargetFlags.RtfFamily && sb.LineEndCount == 0 &&
                   !cx.HeadingTextPending && !run.LineDrawing.LineDrawingActive && p != ' ' &&
                   p != kCr && p != run.Reader.SoftSpaceChar) {
          // A soft line end joins two lines, and a line end is no word space in RTF: the
          // blank goes out at the end of the line, before any markup of the next one.
          FilterOutputChar(run, ' ');
        } else if (run.IniValues.IsWordChar[p]) {
          FilterOutputChar(run, 0);
        }
      }
    }
    const std::uint8_t c = sb.NextChar;
    if (cx.HeadingTextPending && run.Reader.ConditionOn && !cx.DotLineActive && c != 0) {
      const bool dotStart = p == kCr && run.Reader.DotLineMark;
      if (c == kCr) {
        // Only a soft line end inside the heading joins its lines with a blank; the line end of
        // the heading's dot line and the one that ends the heading add nothing.
        if (sb.LineEndCount == 0 && !wordStar) {
          if (cx.HeadingText.size() < kHeadingTextMax) cx.HeadingText += ' ';
          ++cx.HeadingTextLength;
        }
      } else if (!dotStart) {
        if (cx.HeadingText.size() < kHeadingTextMax) cx.HeadingText.push_back(static_cast<char>(c));
        ++cx.HeadingTextLength;
      }
    }
    if (p == kCr && c != kCr && c != 0) NewLine(run);
    if (cx.DotLineActive) {
      if (cx.DotLineBuffer.size() >= kDotLineMax) {
        run.Reporter.ReportSourceError(MessageId::DotCommandTooLong, 0);
        run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::SourceStructureWrong));
      }
      cx.DotLineBuffer.push_back(static_cast<char>(c));
    } else if (p == kCr && run.Reader.DotLineMark) {
      cx.DotLineActive = true;
      cx.AfterHeadingLine = false;
      if (!wordStar && run.Switches.SoftLineEnds && !SourceLineEndsKept(run) &&
          run.Reader.ConditionOn && !IsSentenceEnd(pp) && sb.LineEndCount < 255)
        ++sb.LineEndCount;
    } else if (run.Reader.ConditionOn) {
      if (run.Tables.TableOpen) {
        ScanTableCell(run);
      } else {
        ProcessLineStart(run, c);
        if (c != kCr) ++cx.OutputCharCount;
      }
    }
  }
}

}  // namespace skeldon
