#include "compiler/generate/run_driver.h"

#include "compiler/core/compiler_run.h"
#include "compiler/core/markup.h"
#include "compiler/core/source_buffer.h"
#include "compiler/generate/dot_dispatcher.h"
#include "compiler/generate/heading_lines.h"
#include "compiler/generate/line_start.h"
#include "compiler/generate/link_writer.h"
#include "compiler/generate/output_filter.h"
#include "compiler/generate/source_char_output.h"
#include "compiler/generate/source_reader.h"
#include "compiler/generate/pass_services.h"
#include "compiler/generate/table_scanner.h"

namespace {

constexpr std::uint8_t kCr = 0x0D;

std::uint8_t Upper(std::uint8_t c) { return c >= 'a' && c <= 'z' ? static_cast<std::uint8_t>(c - 32) : c; }

bool IsSentenceEnd(std::uint8_t c) {
  return c == '.' || c == '!' || c == '?' || c == ':' || c == ';' || c == 0xE3 || c == kCr;
}

// One character of a .HT block: copied two characters late, so that the ".HY" line that ends
// the block is never copied.
void RawHtmlStep(CompilerRun& run) {
  TCompileContext& cx = run.compile;
  TSourceBuffer& sb = run.source;
  const std::uint8_t before = sb.PrevChar;
  ReadSourceChar(run);
  ++cx.RawHtmlCount;
  if (before == kCr && sb.PrevChar == '.' && Upper(sb.CurChar) == 'H' && Upper(sb.NextChar) == 'Y') {
    while (!SourceEof(run) && sb.NextChar != kCr) ReadSourceChar(run);
    cx.RawHtmlBlock = false;
    cx.RawHtmlCount = 0;
    return;
  }
  if (run.ini.TargetFlags.Html && cx.RawHtmlCount > 2) {
    std::uint8_t c = sb.PrevChar;
    // The source's toggle characters were replaced by internal ones; raw text gets its own back.
    if (run.toggles.IsInternalToggleChar[c]) {
      const std::size_t i = run.toggles.InternalToggleChars.find(static_cast<char>(c));
      if (i < run.ini.ToggleChars.size()) c = static_cast<std::uint8_t>(run.ini.ToggleChars[i]);
    }
    if (c == kCr) run.passes.OutputFile += "\r\n";
    else run.passes.OutputFile.push_back(static_cast<char>(c));
  }
}

void EndDotLine(CompilerRun& run) {
  TCompileContext& cx = run.compile;
  std::string& buffer = cx.DotLineBuffer;
  if (!buffer.empty()) {
    for (std::size_t i = 0; i < 2 && i < buffer.size(); ++i)
      buffer[i] = static_cast<char>(Upper(static_cast<std::uint8_t>(buffer[i])));
    const std::string letters = buffer.substr(0, 2);
    run.reader.DotLine = buffer;
    if (run.reader.ConditionOn) DispatchDotCommand(run, letters);
    else HandleConditionCommand(run, letters, false);
  }
  if (run.source.LineEndCount > 0) --run.source.LineEndCount;
  cx.DotLineActive = false;
  buffer.clear();
}

// The end of the collected heading text at the first line of running text after it.
void EndHeadingText(CompilerRun& run) {
  TCompileContext& cx = run.compile;
  const TTargetFlags& t = run.ini.TargetFlags;
  if (t.Ipf) run.passes.OutputFile += "\r\n";
  // The first character of the line that ends the heading was collected with it.
  const std::int32_t length = cx.HeadingTextLength - 1;
  if (length > 254)
    run.reporter.ReportSourceError(
        "letzte \x9A" "berschrift hat zu viele Zeichen oder ist nicht vom Flie\xE1text getrennt",
        "last heading has too much chars or is not seperated from running text", 2);
  else if (length <= 0)
    run.reporter.ReportSourceError("\x9A" "berschrift fehlt nach \x9A" "berschrift-Punktbefehl",
                                   "heading missing after heading dot command", 0);
  cx.HeadingTextPending = false;
  WriteHeadingLine(run, true);
  if (t.RtfFamily) OpenRtfIndentGroup(run);
  EmitLinkedChar(run, 0);
  cx.HeadingLineEndPending = false;
  run.markup.PendingLineEnds = (t.Ipf && !run.switches.NewIpfCompiler) ? 1 : 0;
  if (t.Ipf) {
    if (cx.CenterPending) {
      run.passes.OutputFile += ":lines align=center.";
      run.markup.CenteredBlockOpen = true;
      cx.CenterPending = false;
    } else if (!run.markup.FormatMode) {
      run.passes.OutputFile += ":lines.\r\n";
    }
  }
  if (run.markup.RunningFontLetter != '@')
    WriteFontChange(run, run.passes.OutputFile, run.markup.RunningFontLetter, false);
}

void NewLine(CompilerRun& run) {
  TCompileContext& cx = run.compile;
  TSourceBuffer& sb = run.source;
  const TTargetFlags& t = run.ini.TargetFlags;
  if (run.reader.DotLineMark) {
    if (cx.HeadingTextPending && cx.HeadingLineEndPending) {
      if (t.Ipf) {
        if (!run.markup.FormatMode) run.passes.OutputFile += "\r\n";
        if (run.switches.NewIpfCompiler) run.passes.OutputFile += "\r\n";
      }
      cx.HeadingLineEndPending = false;
    }
    return;
  }
  if (!run.reader.ConditionOn || run.tables.TableOpen) return;
  if (sb.LineEndCount != 199 && !run.lineDrawing.LineDrawingActive) {
    if (cx.HeadingTextPending) {
      if (sb.LineEndCount == 0 && !run.switches.WordStarInput) {
        FilterOutputChar(run, ' ');
      } else if (sb.LineEndCount > 0) {
        EndHeadingText(run);
      }
    } else {
      cx.BlankLinesBefore = sb.LineEndCount;
      if (run.markup.ListLevel > 0 && !run.switches.WordStarInput && run.markup.FormatMode && sb.LineEndCount > 0)
        --sb.LineEndCount;
      run.markup.PendingLineEnds = sb.LineEndCount;
    }
  }
  sb.LineEndCount = 0;
  cx.LineStartPending = true;
  cx.LineIndent = 0;
  cx.LineListChar = 0;
}

}  // namespace

bool UserBreakRequested(const CompilerRun& run) {
  return run.UserBreakRequested != nullptr && run.UserBreakRequested->load();
}

void CheckUserBreak(CompilerRun& run) {
  if (!UserBreakRequested(run)) return;
  WriteBilingualMessage(run, "Benutzerabbruch", "User Break", false);
  run.reporter.Terminate(98);
}

void RunOutputPass(CompilerRun& run) {
  TCompileContext& cx = run.compile;
  TSourceBuffer& sb = run.source;
  const bool wordStar = run.switches.WordStarInput;
  while (!SourceEof(run)) {
    if (cx.RawHtmlBlock) {
      RawHtmlStep(run);
      continue;
    }
    ReadSourceChar(run);
    const bool on = run.reader.ConditionOn;
    if (on && run.linkWriter.OpenLinkEnd != 0 && sb.Position >= run.linkWriter.OpenLinkEnd) CloseOpenLink(run);
    const std::uint8_t p = sb.CurChar, pp = sb.PrevChar;
    if (sb.NextChar == kCr) {
      if (cx.DotLineActive) {
        EndDotLine(run);
        if (cx.RawHtmlBlock) continue;
      } else if (run.reader.ConditionOn && !run.tables.TableOpen) {
        if (cx.LineStartPending && !run.lineDrawing.LineDrawingActive && cx.LineListChar != kCr &&
            cx.LineIndent > 0) {
          CheckListIndent(run);
          cx.LineStartPending = false;
        }
        if (wordStar && !run.lineDrawing.LineDrawingActive && p == '-' && PeekBufferChar(run) != '.') {
          // A hyphenated word goes on on the next line: the line end vanishes.
          sb.NextChar = 0;
          if (sb.LineEndCount > 0) --sb.LineEndCount;
        } else if (run.iniValues.IsWordChar[p]) {
          FilterOutputChar(run, 0);
        }
      }
    }
    const std::uint8_t c = sb.NextChar;
    if (cx.HeadingTextPending && run.reader.ConditionOn && !cx.DotLineActive && c != 0) {
      const bool dotStart = p == kCr && run.reader.DotLineMark;
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
        run.reporter.ReportSourceError("Punktbefehl zu lang", "dot command exceeds line", 0);
        run.reporter.Terminate(31);
      }
      cx.DotLineBuffer.push_back(static_cast<char>(c));
    } else if (p == kCr && run.reader.DotLineMark) {
      cx.DotLineActive = true;
      cx.AfterHeadingLine = false;
      if (!wordStar && run.switches.SoftLineEnds && run.reader.ConditionOn && !IsSentenceEnd(pp) &&
          sb.LineEndCount < 255)
        ++sb.LineEndCount;
    } else if (run.reader.ConditionOn) {
      if (run.tables.TableOpen) {
        ScanTableCell(run);
      } else {
        ProcessLineStart(run, c);
        if (c != kCr) ++cx.OutputCharCount;
      }
    }
  }
}
