#include "compiler/passes/dot_dispatcher.h"

#include <array>
#include <functional>

#include "compiler/foundation/command_line.h"
#include "compiler/foundation/file_names.h"
#include "compiler/foundation/source_buffer.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/passes/graphics_chars.h"
#include "compiler/passes/heading_lines.h"
#include "compiler/passes/link_pass.h"
#include "compiler/passes/source_char_output.h"
#include "compiler/passes/source_reader.h"
#include "compiler/passes/table_scanner.h"
#include "compiler/passes/topic_switch.h"
#include "compiler/writers/frame_layout.h"
#include "compiler/writers/help_tables.h"
#include "compiler/writers/html_page.h"
#include "compiler/writers/index_markers.h"
#include "compiler/writers/line_blocks.h"
#include "compiler/writers/lists_and_blocks.h"
#include "compiler/writers/markup.h"
#include "compiler/writers/source_text_output.h"

namespace skeldon {

namespace {

constexpr const char* kCrLf = "\r\n";

struct TDotArgs {
  std::string Letters;     // the two command letters
  std::string Argument;    // argument text
  int Number = 100;        // two-digit number, 100 = none
  bool Empty = true;       // no argument
  std::uint8_t OnOff = 0;  // 'N' on, 'F'/'U' off, else neither
  std::string Line;        // the dot line, trailing blanks cut
};

bool On(const TDotArgs& a) { return a.OnOff == 'N'; }
bool Off(const TDotArgs& a) { return a.OnOff == 'F' || a.OnOff == 'U'; }

using TMatch = bool (*)(const CompilerRun&, const TDotArgs&);
using TAction = void (*)(CompilerRun&, const TDotArgs&);

struct TDotRow {
  const char* Letters;  // up to three two-letter codes separated by "|", or "" for a special test
  TMatch Match;         // extra condition; nullptr = none
  TAction Action;
};

bool Is(const TDotArgs& a, const char* codes) {
  std::string_view list(codes);
  while (!list.empty()) {
    const std::size_t bar = list.find('|');
    if (list.substr(0, bar) == a.Letters) return true;
    if (bar == std::string_view::npos) break;
    list.remove_prefix(bar + 1);
  }
  return false;
}

std::string& Out(CompilerRun& run) { return run.Passes.OutputFile; }
const TTargetFlags& Target(const CompilerRun& run) { return run.Ini.TargetFlags; }

void RtfBreak(CompilerRun& run) {
  if (run.Markup.PendingLineEnds < 1) run.Markup.PendingLineEnds = 1;
  WriteSourceLineEnd(run);
  run.Markup.PendingLineEnds = 0;
}

void CentreOn(CompilerRun& run, const TDotArgs&) {
  TCompileContext& cx = run.Compile;
  if (cx.Centred) return;
  cx.Centred = true;
  const TTargetFlags& t = Target(run);
  if (t.Html) {
    Out(run) += "<div align=center>";
  } else if (t.RtfFamily) {
    RtfBreak(run);
    Out(run) += "\\qc ";
  } else if (t.Ipf) {
    if (!run.Markup.FormatMode) Out(run) += "\r\n:elines.";
    Out(run) += "\r\n:lines align=center.";
    run.Markup.CenteredBlockOpen = true;
  }
  run.Source.LineEndCount = 1;
}

void CentreOff(CompilerRun& run, const TDotArgs&) {
  TCompileContext& cx = run.Compile;
  if (!cx.Centred) return;
  WriteReflowLineEnd(run, Out(run));
  cx.Centred = false;
  const TTargetFlags& t = Target(run);
  if (t.Html) {
    Out(run) += "</div>";
  } else if (t.RtfFamily) {
    RtfBreak(run);
    Out(run) += "\\ql ";
  } else if (t.Ipf) {
    Out(run) += ":elines.";
    run.Markup.CenteredBlockOpen = false;
    if (!run.Markup.FormatMode) Out(run) += ":lines.";
  }
}

void LeftMargin(CompilerRun& run, const TDotArgs& a) {
  TMarkupState& m = run.Markup;
  int level = a.Number == 100 ? 1 : a.Number;
  const TTargetFlags& t = Target(run);
  if (t.Html) {
    m.MarginLevel = static_cast<std::uint8_t>(level);
    SetHtmlIndentDepth(run, m.IndentLevel, m.MarginLevel);
  } else if (t.Ipf) {
    if (level == 0) level = 1;
    m.MarginLevel = static_cast<std::uint8_t>(level);
    Out(run) += "\r\n:lm margin=" + std::to_string(level) + ".";
  } else {
    m.MarginLevel = static_cast<std::uint8_t>(level);
  }
}

void TablePosition(CompilerRun& run, const TDotArgs& a) {
  const std::string w = LowerCaseText(run.FileNames.LowerCaseTable, a.Argument);
  if (w == "left" || w == "links")
    run.Tables.TableAlignment = 1;
  else if (w == "right" || w == "rechts")
    run.Tables.TableAlignment = 2;
  else if (w == "center" || w == "centered" || w == "zentriert")
    run.Tables.TableAlignment = 3;
}

void FootnoteChars(CompilerRun& run, const TDotArgs& a) {
  TCompileContext& cx = run.Compile;
  const std::uint8_t c1 = GetDotLineChar(run, 3), c2 = GetDotLineChar(run, 4);
  if (c1 == 0 || c2 == 0) {
    cx.FootnoteMarkersSet = false;
    return;
  }
  cx.FootnoteMarkersSet = true;
  cx.FootnoteBeginChar = c1;
  cx.FootnoteEndChar = c2;
  const char last = a.Line.empty() ? 0 : a.Line.back();
  if ((last >= 'A' && last <= 'Z') || (last >= 'a' && last <= 'z')) cx.FootnoteFont = last;
}

void FootnoteFrame(CompilerRun& run, const TDotArgs& a) {
  run.Compile.FootnoteFramePercent =
      static_cast<std::uint8_t>(a.Number != 100 && a.Number >= 1 && a.Number <= 90 ? a.Number : 15);
}

void Title(CompilerRun& run, const TDotArgs& a) {
  if (a.Empty) {
    // The title stands on the next line; the link pass has taken it already.
    ReadSourceChar(run);
    while (!SourceEof(run) && run.Source.NextChar != 0x0D) ReadSourceChar(run);
  }
  if (Target(run).Ipf) {
    Out(run) += ":title.";
    WriteSourceText(run, run.LinkPass.DocumentTitle, Out(run));
    Out(run) += kCrLf;
  }
}

void IndexLine(CompilerRun& run, const TDotArgs& a, bool inverted) {
  if (run.Compile.ExternalBlock) return;
  run.LinkWriter.MarkedExpression = a.Argument;
  run.LinkWriter.MarkedExpressionWords = true;
  WriteIndexMarker(run, inverted, false);
}

void RunningFont(CompilerRun& run, const TDotArgs& a) {
  if (Target(run).RtfFamily) CloseRtfList(run);
  if (a.Empty) {
    run.Markup.RunningFontLetter = '@';
    WriteFontChange(run, Out(run), '@', false);
    return;
  }
  const char c = a.Argument[0];
  if (c < 'A' || c > 'z') {
    run.Reporter.ReportSourceError(MessageId::DotCommandErroneous, 0);
    return;
  }
  run.Markup.RunningFontLetter = c;
  FindFontDefinition(run, c);
  WriteFontChange(run, Out(run), c, false);
}

void AlternateFont(CompilerRun& run, const TDotArgs& a) {
  if (a.Empty) {
    run.Markup.AlternateFontLetter = '@';
    return;
  }
  const char c = a.Argument[0];
  if (c < 'A' || c > 'z') {
    run.Reporter.ReportSourceError(MessageId::DotCommandErroneous, 0);
    return;
  }
  run.Markup.AlternateFontLetter = c;
  FindFontDefinition(run, c);
}

void HeadingTags(CompilerRun& run, const TDotArgs& a) {
  std::string digits = CutText(a.Argument, 30);
  bool ok = digits.size() == 6;
  for (char c : digits) ok = ok && c >= '1' && c <= '6';
  if (!ok) {
    run.Reporter.ReportSourceError(MessageId::WrongHeadingTagDigits, 0);
    digits = "123456";
  }
  run.Compile.HeadingTagDigits = digits;
}

void IpfLine(CompilerRun& run, const TDotArgs& a) {
  if (!Target(run).Ipf) return;
  WriteReflowLineEnd(run, Out(run));
  const std::string& l = a.Line;
  if (l.size() > 1 && l[1] == '.' && l.back() != '.')
    Out(run) += l.substr(1);
  else
    Out(run) += l;
  WriteReflowLineEnd(run, Out(run));
}

void HtmlLine(CompilerRun& run, const TDotArgs& a) {
  if (!Target(run).Html) return;
  Out(run) += kCrLf;
  Out(run) += a.Line;
  WriteReflowLineEnd(run, Out(run));
}

void FrameLayout(CompilerRun& run, const TDotArgs& a) {
  const TTargetFlags& t = Target(run);
  if (run.Switches.NoFrames) return;
  // WinHelp 4 has no frames of its own, but the topics of the group still link to their
  // main chapter.
  if (t.WinHelp4) run.LinkPass.FramePending = true;
  if (t.RtfFamily) return;
  SplitWords(run, a.Argument);
  HandleFrameCommand(run);
  ++run.Compile.FrameFileCount;
}

// The index marker writer, the .ID handler and the index store read the link mode through the
// link-block state, as they do in the link pass.
void PublishLinkMode(CompilerRun& run) {
  const TCompileContext& cx = run.Compile;
  TLinkPassState& lp = run.LinkPass;
  lp.LocalLinks = cx.LinkModeLocal;
  lp.ExternalBlock = cx.LinkModeExternal;
  lp.UrlBlock = cx.LinkModeUrl;
}

void External(CompilerRun& run, const TDotArgs& a) {
  TCompileContext& cx = run.Compile;
  const TTargetFlags& t = Target(run);
  cx.ExternalBlock = a.Line.size() > 3;
  cx.LinkModeUrl = false;
  cx.LinkModeLocal = !cx.ExternalBlock;
  // Other targets took no entries from the block: it is skipped, not external.
  cx.LinkModeExternal = cx.ExternalBlock && (t.Ipf || t.RtfFamily);
  PublishLinkMode(run);
}

void Local(CompilerRun& run, const TDotArgs&) {
  TCompileContext& cx = run.Compile;
  // .LOCAL ends an .EX block here as in the link pass, so later index lines are written again.
  cx.ExternalBlock = false;
  cx.LinkModeExternal = false;
  cx.LinkModeLocal = true;
  cx.LinkModeUrl = false;
  PublishLinkMode(run);
}

void UrlBlock(CompilerRun& run, const TDotArgs&) {
  TCompileContext& cx = run.Compile;
  const TTargetFlags& t = Target(run);
  // WinHelp 3 takes no entries from .URL blocks (UrlBlocksAllowed): looking its index lines up
  // would only report them as missing.
  cx.LinkModeExternal = !t.WinHelp4 && UrlBlocksAllowed(run);
  cx.LinkModeLocal = false;
  cx.LinkModeUrl = true;
  PublishLinkMode(run);
}

void Heading(CompilerRun& run, const TDotArgs& a) {
  SwitchTopic(run, static_cast<std::uint8_t>(a.Line[0] - '0'));
}

void RawHtml(CompilerRun& run, const TDotArgs&) {
  if (Target(run).Html) Out(run) += "<br>\r\n";
  run.Compile.RawHtmlBlock = true;
  run.Compile.RawHtmlCount = 0;
}

bool FirstIs(const TDotArgs& a, char c) { return !a.Line.empty() && a.Line[0] == c; }

// The tests in their order; the first row whose letters and condition match runs.
const std::array<TDotRow, 50>& DotRows() {
  static const std::array<TDotRow, 50> rows{{
      {"OC", [](const CompilerRun&, const TDotArgs& a) { return On(a); }, CentreOn},
      {"OC", [](const CompilerRun&, const TDotArgs& a) { return Off(a); }, CentreOff},
      {"AM", [](const CompilerRun&, const TDotArgs& a) { return On(a) || Off(a); },
       [](CompilerRun& run, const TDotArgs& a) { run.Compile.AutoMargins = On(a); }},
      {"HC", [](const CompilerRun&, const TDotArgs& a) { return On(a) || Off(a); },
       [](CompilerRun& run, const TDotArgs& a) { run.SourceText.HtmlCodeOn = On(a); }},
      {"HR", [](const CompilerRun& run, const TDotArgs&) { return run.Ini.TargetFlags.Html; },
       [](CompilerRun& run, const TDotArgs&) { Out(run) += "<HR>\r\n"; }},
      {"DP", nullptr, [](CompilerRun& run, const TDotArgs&) { HandleDpCommand(run); }},
      {"LM", [](const CompilerRun& run, const TDotArgs&) { return !run.Switches.WordStarInput; },
       LeftMargin},
      {"LI", nullptr, [](CompilerRun& run, const TDotArgs&) { HandleLiCommand(run); }},
      {"TA", nullptr, [](CompilerRun& run, const TDotArgs&) { HandleTaCommand(run); }},
      {"TE", nullptr,
       [](CompilerRun& run, const TDotArgs&) { run.Tables.TableNoContinuationSpan = true; }},
      {"TW", nullptr,
       [](CompilerRun& run, const TDotArgs&) { run.Tables.TableJoinWithBlank = true; }},
      {"TP", nullptr, TablePosition},
      {"TT", nullptr,
       [](CompilerRun& run, const TDotArgs& a) { run.Tables.TableAttributes = a.Argument; }},
      {"FU", nullptr, FootnoteChars},
      {"FT", nullptr,
       [](CompilerRun& run, const TDotArgs& a) { run.Compile.FootnoteAnchorText = a.Argument; }},
      {"SC", nullptr,
       [](CompilerRun& run, const TDotArgs& a) { run.Compile.SubheadingListMode = a.Argument; }},
      {"FS", nullptr, FootnoteFrame},
      {"TI", nullptr, Title},
      {"<>|><", nullptr,
       [](CompilerRun& run, const TDotArgs&) {
         if (Target(run).Ipf)
           Out(run) +=
               ":ctrldef.\r\n:ctrl ctrlid=new1 controls='ESC SEARCH PRINT INDEX CONTENTS BACK FORWARD' "
               "coverpage.\r\n:ectrldef.\r\n";
       }},
      {"ST|IC", nullptr,
       [](CompilerRun& run, const TDotArgs&) { run.LinkPass.IndexChar = GetDotLineChar(run, 3); }},
      {"IU", nullptr, [](CompilerRun& run, const TDotArgs&) { run.LinkPass.CaseFreeIndex = true; }},
      {"AC", nullptr, [](CompilerRun&, const TDotArgs&) {}},
      {"SW|IN", nullptr, [](CompilerRun& run, const TDotArgs& a) { IndexLine(run, a, false); }},
      {"SV|IT|IV", nullptr, [](CompilerRun& run, const TDotArgs& a) { IndexLine(run, a, true); }},
      {"RC", nullptr,
       [](CompilerRun& run, const TDotArgs& a) { HandleRcCommand(run, a.Argument); }},
      {"ID", nullptr,
       [](CompilerRun& run, const TDotArgs& a) {
         const TTargetFlags& t = Target(run);
         if (t.Ipf || t.RtfFamily || t.HtmlHelp) HandleIdCommand(run, a.Argument);
       }},
      {"BE|FM", [](const CompilerRun&, const TDotArgs& a) { return a.Letters == "BE" || On(a); },
       [](CompilerRun& run, const TDotArgs&) { EndLineBlock(run); }},
      {"BA|FM", [](const CompilerRun&, const TDotArgs& a) { return a.Letters == "BA" || Off(a); },
       [](CompilerRun& run, const TDotArgs&) { BeginLineBlock(run); }},
      {"UL", nullptr, [](CompilerRun& run, const TDotArgs&) { run.Compile.ListType = 0; }},
      {"OL|SL", nullptr, [](CompilerRun& run, const TDotArgs&) { run.Compile.ListType = 1; }},
      {"TC", nullptr,
       [](CompilerRun& run, const TDotArgs& a) {
         run.Tables.TableContinuationChar = a.Empty ? '+' : GetDotLineChar(run, 3);
       }},
      {"SP", [](const CompilerRun&, const TDotArgs& a) { return On(a) || Off(a); },
       [](CompilerRun& run, const TDotArgs& a) { run.Reader.SoftSpacesAsBlanks = On(a); }},
      {"SN|SF", nullptr, RunningFont},
      {"SA|AF", nullptr, AlternateFont},
      {"HF", nullptr,
       [](CompilerRun& run, const TDotArgs& a) {
         std::string upper = a.Line;
         for (char& c : upper)
           if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
         if (Target(run).Html && upper.find(".WS") == std::string::npos)
           IncludeHtmlFile(run, a.Argument);
       }},
      {"BD|GD", nullptr,
       [](CompilerRun& run, const TDotArgs& a) {
         HandlePictureDirectory(run, a.Argument, a.Letters == "BD");
       }},
      {"BM", nullptr,
       [](CompilerRun& run, const TDotArgs& a) { HandlePictureCommand(run, a.Argument); }},
      {"BT", nullptr,
       [](CompilerRun& run, const TDotArgs& a) { HandleGraphicCharCommand(run, a.Argument); }},
      {"HS", nullptr, HeadingTags},
      {"", [](const CompilerRun&, const TDotArgs& a) { return FirstIs(a, ':'); }, IpfLine},
      {"",
       [](const CompilerRun&, const TDotArgs& a) {
         return FirstIs(a, '<') && (a.Line.size() < 2 || a.Line[1] != '>');
       },
       HtmlLine},
      {"WA|FA", nullptr, FrameLayout},
      {"EX", nullptr, External},
      {"LO", nullptr, Local},
      {"UR", nullptr, UrlBlock},
      {"", [](const CompilerRun&, const TDotArgs& a) { return FirstIs(a, '.'); },
       [](CompilerRun&, const TDotArgs&) {}},
      {"",
       [](const CompilerRun&, const TDotArgs& a) {
         return !a.Line.empty() && a.Line[0] >= '1' && a.Line[0] <= '6';
       },
       Heading},
      {"TB", nullptr, [](CompilerRun&, const TDotArgs&) {}},
      {"HT", nullptr, RawHtml},
      {"", [](const CompilerRun&, const TDotArgs&) { return false; },
       [](CompilerRun&, const TDotArgs&) {}},
  }};
  return rows;
}

bool RowMatches(const CompilerRun& run, const TDotRow& row, const TDotArgs& a) {
  if (row.Letters[0] != 0 && !Is(a, row.Letters)) return false;
  return !row.Match || row.Match(run, a);
}

}  // namespace

std::string DotArgumentText(std::string_view dotLine) {
  if (dotLine.size() <= 2) return std::string();
  std::string_view arg = dotLine.substr(2);
  if (!arg.empty() && arg.front() == ' ') arg.remove_prefix(1);
  return std::string(arg.substr(0, 199));
}

void DispatchDotCommand(CompilerRun& run, std::string_view letters) {
  TCompileContext& cx = run.Compile;
  run.Lines.ErrorLineOffset = 1;
  std::string& line = run.Reader.DotLine;
  TDotArgs a;
  a.Letters = std::string(letters.substr(0, 2));
  {
    const std::uint8_t d1 = GetDotLineChar(run, 3), d2 = GetDotLineChar(run, 4);
    if (d1 >= '0' && d1 <= '9')
      a.Number = (d2 >= '0' && d2 <= '9') ? (d1 - '0') * 10 + (d2 - '0') : d1 - '0';
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  a.Line = line;
  a.Empty = line.size() < 3;
  a.Argument = DotArgumentText(line);
  {
    std::uint8_t c = GetDotLineChar(run, 4);
    if (c >= 'a' && c <= 'z') c = static_cast<std::uint8_t>(c - 32);
    a.OnOff = c;
  }
  // A heading line leaves the open heading to the topic switch, which reports the missing text.
  const bool headingLine = !a.Line.empty() && a.Line[0] >= '1' && a.Line[0] <= '6';
  if (cx.HeadingTextPending && !headingLine) {
    cx.HeadingTextPending = false;
    const TTargetFlags& t = Target(run);
    if ((t.Ipf && run.Switches.NewIpfCompiler) || t.RtfFamily) run.Source.LineEndCount = 0;
    WriteHeadingLine(run, false);
    if (t.RtfFamily) OpenRtfIndentGroup(run);
    // An IPF heading runs to its line end: markup of the command must not join its text.
    std::string& out = run.Passes.OutputFile;
    if (t.Ipf && (out.size() < 2 || out.compare(out.size() - 2, 2, "\r\n") != 0)) out += "\r\n";
  }
  bool handled = false;
  for (const TDotRow& row : DotRows()) {
    if (!RowMatches(run, row, a)) continue;
    row.Action(run, a);
    handled = true;
    break;
  }
  if (!handled && !HandleConditionCommand(run, a.Letters, false))
    run.Reporter.ReportSourceError({MessageId::UnknownDotCommand, a.Letters}, 3);
  run.Lines.ErrorLineOffset = 0;
}

}  // namespace skeldon
