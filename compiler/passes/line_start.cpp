#include "compiler/passes/line_start.h"

#include <string>

#include "compiler/passes/compiler_run.h"
#include "compiler/passes/index_store.h"
#include "compiler/passes/output_filter.h"
#include "compiler/passes/source_char_output.h"
#include "compiler/writers/html_page.h"
#include "compiler/writers/lists_and_blocks.h"
#include "compiler/writers/markup.h"

namespace skeldon {

namespace {

std::uint8_t Clamp255(int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

void Report(CompilerRun& run, MessageId message) { run.Reporter.ReportSourceError(message, 0); }

// The margin of the line's indentation, written once per change.
void WriteMargin(CompilerRun& run) {
  TCompileContext& cx = run.Compile;
  TMarkupState& m = run.Markup;
  const TTargetFlags& t = run.Ini.TargetFlags;
  const int margin = m.IndentLevel + m.MarginLevel;
  if (margin == cx.LastMargin) return;
  if (t.Html)
    SetHtmlIndentDepth(run, m.IndentLevel, m.MarginLevel);
  else if (t.Ipf)
    run.Passes.OutputFile += "\r\n:lm margin=" + std::to_string(margin + 1) + ".";
  else
    WriteFontChange(run, run.Passes.OutputFile, m.RunningFontLetter, false);
  cx.LastMargin = Clamp255(margin);
}

void FlushBreaks(CompilerRun& run) {
  WriteSourceLineEnd(run);
  run.Markup.PendingLineEnds = 0;
}

int ListLevelOf(CompilerRun& run) {
  TCompileContext& cx = run.Compile;
  const int open = run.Markup.ListLevel;
  if (!run.Switches.WordStarInput) {
    const std::size_t p = run.Ini.ListChars.find(static_cast<char>(cx.LineListChar));
    return p == std::string::npos ? 1 : static_cast<int>(p) + 1;
  }
  int level = 0;
  for (int l = 1; l <= kListLevelTables; ++l)
    if (cx.LevelListChars[l] == cx.LineListChar) {
      level = l;
      break;
    }
  if (level == 0) {
    // The WordStar level tables hold 20 levels; a deeper item stays at the deepest one.
    level = open + 1 > kListLevelTables ? kListLevelTables : open + 1;
    cx.LevelListChars[level] = cx.LineListChar;
    cx.LevelCharPos[level] = cx.LineListCharPos;
    cx.LevelTextIndents[level] = Clamp255(cx.LineIndent + 1);
    if (open > 0 && open <= kListLevelTables && cx.LineListCharPos <= cx.LevelCharPos[open])
      Report(run, MessageId::HeadingLevelError);
  }
  if (run.Markup.PendingLineEnds > 0) --run.Markup.PendingLineEnds;
  return level;
}

void WriteListItem(CompilerRun& run) {
  TCompileContext& cx = run.Compile;
  TMarkupState& m = run.Markup;
  const TTargetFlags& t = run.Ini.TargetFlags;
  std::string& out = run.Passes.OutputFile;
  const int level = ListLevelOf(run);
  if (run.Ini.LinksPerParagraph && !t.RtfText) ClearLinkedInTopic(run);
  if (level == m.ListLevel) {
    FlushBreaks(run);
  } else {
    FilterOutputChar(run, 0);
    out += "\r\n";
  }
  if (level <= kItemCounterLevels) {
    ++cx.ItemCounters[level];
    for (int k = level + 1; k <= kItemCounterLevels; ++k) cx.ItemCounters[k] = 0;
  }
  const int counter = level <= kItemCounterLevels ? cx.ItemCounters[level] : 1;
  if (t.RtfFamily) {
    if (m.RtfIndentGroupOpen) {
      out += "}";
      WriteFontChange(run, out, m.CurrentFontLetter, false);
      m.RtfIndentGroupOpen = false;
    }
    out += "\\par\r\n";
    const int indention = run.Ini.ListIndention;
    const std::int16_t tab =
        static_cast<std::int16_t>(kRtfIndentStep * (level * indention + m.MarginLevel));
    if (level != m.ListLevel)
      out += "\\par\\fi" + std::to_string(-kRtfIndentStep * indention) + " \\li" +
             std::to_string(tab) + " \\tx" + std::to_string(tab) + " ";
    if (cx.ListType == 0) {
      const std::string& printed = run.Ini.PrintedListChars;
      EmitSourceChar(run, level <= static_cast<int>(printed.size())
                              ? static_cast<std::uint8_t>(printed[level - 1])
                              : static_cast<std::uint8_t>('o'));
    } else if (level % 2 == 1) {
      out += std::to_string(counter) + ".";
    } else {
      out += std::string(1, static_cast<char>(96 + (counter > 26 ? 26 : counter))) + ".";
    }
    EmitSourceChar(run, 0);
    out += "\\tab ";
  } else {
    if (level > m.ListLevel) {
      if (level - m.ListLevel > 1) Report(run, MessageId::WrongListLevel);
      // One list per level raised, so that closing the levels later keeps the markup balanced.
      for (int l = m.ListLevel; l < level; ++l) {
        out += cx.ListType == 0 ? (t.Html ? "<ul>\r\n" : ":ul compact.\r\n")
                                : (t.Html ? "<ol>\r\n" : ":ol compact.\r\n");
        cx.OpenedListTypes.push_back(cx.ListType);
      }
    }
    while (m.ListLevel > level) CloseLists(run);
    out += t.Html ? "<li>\r\n" : ":li.\r\n";
  }
  if (run.Switches.WordStarInput && level - m.ListLevel > 1)
    Report(run, MessageId::WrongIndentLevel);
  m.ListLevel = static_cast<std::int16_t>(level);
}

// The decision for a line that is no list item. Returns the list character that still has to
// be written as text: inside an open list it goes out only after the list ends of the line
// start, or an RTF list end would take it into the item before.
std::uint8_t DecideNoItemLine(CompilerRun& run) {
  TCompileContext& cx = run.Compile;
  TMarkupState& m = run.Markup;
  const TTargetFlags& t = run.Ini.TargetFlags;
  if (m.ListLevel == 0) {
    if (!run.Switches.WordStarInput && (!cx.AutoMargins || !m.FormatMode)) {
      FlushBreaks(run);
      m.IndentLevel = 0;
      for (int i = 1; i <= cx.LineIndent; ++i)
        FilterOutputChar(run,
                         cx.LineListChar != 0 && i == cx.LineListCharPos ? cx.LineListChar : ' ');
      return 0;
    }
    if (cx.LineIndent >= 2 && !m.CollectingHeading) {
      m.IndentLevel = static_cast<std::uint8_t>(cx.LineIndent - 1);
      WriteMargin(run);
    }
    FlushBreaks(run);
    m.IndentLevel = 0;
    if (cx.LineListChar != 0) FilterOutputChar(run, cx.LineListChar);
    return 0;
  }
  if (!run.Switches.WordStarInput) {
    run.Passes.OutputFile += "\r\n";
    if (!run.Switches.SoftLineEnds || SourceLineEndsKept(run)) WriteLineBreak(run);
    m.PendingLineEnds = 0;
    // The line continues the item; a list character that no blank follows ("-5 degrees") is
    // its first character of text, not indentation.
    return cx.LineListChar;
  }
  int level = 0;
  if (cx.LineIndent != 1) {
    for (int l = 1; l <= kListLevelTables; ++l)
      if (cx.LevelTextIndents[l] == cx.LineIndent) {
        level = l;
        break;
      }
  }
  FlushBreaks(run);
  if (!run.Passes.InFootnote && !t.RtfFamily)
    while (m.ListLevel > level) CloseLists(run);
  if (m.ListLevel == 0 && cx.LineIndent > 1) Report(run, MessageId::UndefinedIndent);
  if (cx.LineListChar != 0) FilterOutputChar(run, cx.LineListChar);
  if (m.ListLevel == 0) ResetListState(run);
  return 0;
}

}  // namespace

void CheckListIndent(CompilerRun& run) {
  if (const std::uint8_t owed = DecideNoItemLine(run)) FilterOutputChar(run, owed);
}

void ProcessLineStart(CompilerRun& run, std::uint8_t ch) {
  TCompileContext& cx = run.Compile;
  TMarkupState& m = run.Markup;
  const TTargetFlags& t = run.Ini.TargetFlags;
  const bool drawing = run.LineDrawing.LineDrawingActive;
  if (cx.LineStartPending && !drawing &&
      (ch == run.Reader.SoftSpaceChar || (IsListChar(run, ch) && cx.LineListChar == 0))) {
    if (cx.LineIndent < 255) ++cx.LineIndent;
    if (IsListChar(run, ch) && cx.LineListChar == 0) {
      cx.LineListChar = ch;
      cx.LineListCharPos = cx.LineIndent;
    }
    return;
  }
  if (cx.LineStartPending && !drawing && ch != 0x0D) {
    std::uint8_t owed = 0;
    if (cx.LineListChar != 0 && cx.LineIndent > cx.LineListCharPos && !run.Passes.InFootnote)
      WriteListItem(run);
    else
      owed = DecideNoItemLine(run);
    if (cx.LineIndent <= 1) {
      if (t.RtfFamily) {
        if (!m.CollectingHeading) CloseRtfList(run);
      } else if (cx.BlankLinesBefore > 1) {
        bool closed = false;
        while (m.ListLevel > 0) {
          CloseLists(run);
          closed = true;
        }
        if (!run.Switches.WordStarInput && closed) FlushBreaks(run);
      }
    }
    if (owed != 0) FilterOutputChar(run, owed);
    cx.LineStartPending = false;
  }
  // The blank after a footnote end marker is dropped because the other targets close a
  // footnote with a separator of their own; RTF text closes it with "}}" alone and keeps it.
  const bool afterFootnote =
      cx.FootnoteMarkersSet && ch == ' ' && run.Source.CurChar == cx.FootnoteEndChar;
  if (!afterFootnote || t.RtfText) FilterOutputChar(run, ch);
}

}  // namespace skeldon
