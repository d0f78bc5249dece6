#include "compiler/passes/source_char_output.h"

#include <string>

#include "compiler/foundation/file_names.h"
#include "compiler/foundation/source_buffer.h"
#include "compiler/foundation/toggles.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/passes/output_filter.h"
#include "compiler/passes/pass_services.h"
#include "compiler/passes/source_reader.h"
#include "compiler/writers/inline_graphics.h"
#include "compiler/writers/link_writer.h"
#include "compiler/writers/markup.h"
#include "compiler/writers/source_text_output.h"

namespace skeldon {

namespace {

constexpr std::uint8_t kCr = 0x0D;

bool IsWinHelp(const TTargetFlags& t) { return t.RtfFamily && !t.RtfText; }

// The picture of a graphics character, or empty.
std::string GraphicOf(const CompilerRun& run, std::uint8_t ch) {
  const std::uint8_t slot = run.Passes.GraphicCharIndex[ch];
  if (slot == 0 || slot > run.Passes.GraphicFileNames.size()) return std::string();
  return run.Passes.GraphicFileNames[slot - 1];
}

std::string AnchorPicture(const CompilerRun& run) {
  const std::string& a = run.Compile.FootnoteAnchorText;
  return a.empty() ? std::string() : GraphicOf(run, static_cast<std::uint8_t>(a[0]));
}

void WriteHtmlAnchor(CompilerRun& run, std::string& out) {
  std::string picture = AnchorPicture(run);
  if (picture.empty())
    out += run.Compile.FootnoteAnchorText + "</a> ";
  else
    out += "<IMG SRC=\"" + HtmlAttributeText(NormalizeFileName(run, picture)) +
           "\" ALT=\"*\" BORDER=0></a> ";
}

// The footnote text behind the begin character goes to the notes page; the end character is
// consumed. A line end inside the text is a line break when the text had one there.
void CopyFootnoteToNotes(CompilerRun& run, std::int32_t n) {
  TCompileContext& cx = run.Compile;
  TSourceBuffer& sb = run.Source;
  std::string& notes = run.HtmlPage.NotesFile.Text;
  notes += "<a name=\"ft" + std::to_string(n) + "\">";
  if (run.Switches.NoFrames) notes += std::to_string(n) + ") ";
  while (!SourceEof(run)) {
    ReadSourceChar(run);
    std::uint8_t c = sb.NextChar;
    if (c == cx.FootnoteEndChar) break;
    if (c == cx.FootnoteBeginChar) ReportMissingFootnoteEnd(run);
    if (c == kCr) {
      const std::uint8_t count = sb.LineEndCount;
      while (!SourceEof(run)) {
        ReadSourceChar(run);
        if (sb.NextChar != run.Reader.SoftSpaceChar && sb.NextChar != ' ') break;
      }
      // A line end inside a sentence still separates two words.
      if (count > 0)
        notes += "<br>\r\n";
      else
        notes += ' ';
      c = sb.NextChar;
      // A line that starts with the end character ends the footnote; its text is not lost.
      if (c == cx.FootnoteEndChar) break;
      if (c == kCr) continue;
    }
    WriteSourceChar(run, c, notes);
  }
  notes += "</a><p>\r\n";
}

void WriteFootnoteBegin(CompilerRun& run, std::int32_t n) {
  TCompileContext& cx = run.Compile;
  const TTargetFlags& t = run.Ini.TargetFlags;
  std::string& out = run.Passes.OutputFile;
  const std::string num = std::to_string(n);
  std::string picture = AnchorPicture(run);
  if (t.Html && run.Ini.FootnotesPopup) {
    out += "<A HREF=\r\nJavaScript:hhctrl.TextPopup(\"";
    run.Passes.InFootnote = true;
    run.CharConversion.Context.InTextPopup = true;
  } else if (t.Html && run.Switches.NoFrames) {
    out += "<a href =\"" +
           NormalizeFileName(run,
                             run.Switches.PageNamePrefix + "NOTES" + run.FileNames.PageExtension) +
           "#ft" + num + "\">[" + num + "]</a> ";
    CopyFootnoteToNotes(run, n);
  } else if (t.Html) {
    const std::int32_t file = run.Numbering.FileCounter;
    const std::string keep = run.FileNames.LastPageIdName;
    out += "<a href=\"" + MakeTopicFileName(run, static_cast<std::int16_t>(file), false, 2) +
           "#ft" + num + "\" target=\"grFoot" + std::to_string(file) + "\">";
    run.FileNames.LastPageIdName = keep;
    WriteHtmlAnchor(run, out);
    CopyFootnoteToNotes(run, n);
  } else if (t.Ipf) {
    WriteReflowLineEnd(run, out);
    if (!picture.empty() && !IpfPictureNameUsable(run, picture)) picture.clear();
    if (!picture.empty()) {
      out += ":artwork runin name='" + GetWorkDirPrefix() + picture + "'.";
      WriteReflowLineEnd(run, out);
      out += ":artlink.";
      WriteReflowLineEnd(run, out);
    }
    out += ":link refid=fn" + num + " reftype=fn.";
    out += picture.empty() ? cx.FootnoteAnchorText + ":elink." : std::string(":eartlink.");
    WriteReflowLineEnd(run, out);
    out += ":fn id=fn" + num + ".:p.";
    WriteReflowLineEnd(run, out);
    run.Passes.InFootnote = true;
  } else if (t.RtfText) {
    out += "{\\super \\chftn{\\*\\footnote \\chftn\\pard\\plain ";
    run.Passes.InFootnote = true;
  } else if (IsWinHelp(t)) {
    if (!picture.empty()) {
      out += "{\\ul";
      WriteInlineGraphic(run, picture);
      out += "}";
    } else {
      out += "{\\cf1\\ul " + cx.FootnoteAnchorText + "}";
    }
    out += "{\\v fn" + num + "}";
    cx.FootnoteList.push_back(TFootnoteRecord{run.Source.Position, n});
    run.Passes.InFootnote = true;
  }
}

void WriteFootnoteEnd(CompilerRun& run) {
  const TTargetFlags& t = run.Ini.TargetFlags;
  std::string& out = run.Passes.OutputFile;
  if (t.Html && run.Ini.FootnotesPopup) {
    out += "\",\"Arial,9\",9,9,-1,-1)>";
    WriteHtmlAnchor(run, out);
    run.CharConversion.Context.InTextPopup = false;
  } else if (t.Ipf) {
    WriteReflowLineEnd(run, out);
    out += ":efn.";
    WriteReflowLineEnd(run, out);
  } else if (t.RtfText) {
    out += "}}";
  }
  run.Passes.InFootnote = false;
}

}  // namespace

void ReportMissingFootnoteBegin(CompilerRun& run) {
  run.Reporter.ReportSourceError(MessageId::FootnoteBeginMissing, 0);
}

void ReportMissingFootnoteEnd(CompilerRun& run) {
  run.Reporter.ReportSourceError(MessageId::FootnoteEndMissing, 0);
}

void EmitRunningChar(CompilerRun& run, std::uint8_t ch) {
  TCompileContext& cx = run.Compile;
  const TTargetFlags& t = run.Ini.TargetFlags;
  if (run.SourceText.ToggleChanged && (ch == 0 || !run.Toggles.IsInternalToggleChar[ch])) {
    WriteIpfHighlight(run);
    run.SourceText.ToggleChanged = false;
  }
  if (cx.FootnoteMarkersSet && ch != 0 && ch == cx.FootnoteBeginChar) {
    if ((t.Ipf || t.RtfFamily) && run.Passes.InFootnote) ReportMissingFootnoteEnd(run);
    EmitLinkedChar(run, 0);
    const std::int32_t n = ++cx.FootnoteNumber;
    for (int i = 0; i < kToggleCount; ++i)
      if (run.Toggles.ToggleState[i])
        run.Reporter.ReportSourceError(
            {MessageId::ToggleOnAtFootnote, MessageText(run.Language, kToggleDefs[i].Name)}, 0);
    WriteFootnoteBegin(run, n);
    return;
  }
  if (cx.FootnoteMarkersSet && ch != 0 && ch == cx.FootnoteEndChar) {
    EmitLinkedChar(run, 0);
    if ((t.Html && !run.Ini.FootnotesPopup) || !run.Passes.InFootnote)
      ReportMissingFootnoteBegin(run);
    WriteFootnoteEnd(run);
    return;
  }
  if (IsWinHelp(t) && run.Passes.InFootnote) return;
  if (ch != 0 && run.Passes.GraphicCharIndex[ch] != 0) {
    EmitLinkedChar(run, 0);
    WriteGraphicChar(run, ch);
    return;
  }
  EmitLinkedChar(run, ch);
}

void InstallSourceCharOutput(CompilerRun& run) {
  run.OutputFilter.EmitSourceChar = EmitRunningChar;
}

std::uint8_t GetDotLineChar(const CompilerRun& run, int n) {
  const std::string& line = run.Reader.DotLine;
  const int length = static_cast<int>(line.size());
  if (length < 3 || n < 1) return 0;
  const int s = line[2] == ' ' ? 1 : 0;
  if (n > length - s) return 0;
  return static_cast<std::uint8_t>(line[n + s - 1]);
}

void OpenRtfIndentGroup(CompilerRun& run) {
  TMarkupState& m = run.Markup;
  std::string& out = run.Passes.OutputFile;
  if (m.RtfIndentGroupOpen) {
    out += "}";
    m.RtfIndentGroupOpen = false;
  }
  if (run.Ini.TargetFlags.RtfText) out += "\\fi0\\tx0";
  out += "\\li" + std::to_string(kRtfIndentStep * (m.IndentLevel + m.MarginLevel)) + "{";
  m.RtfIndentGroupOpen = true;
  WriteFontChange(run, out, m.CurrentFontLetter, false);
}

void CloseRtfList(CompilerRun& run) {
  if (run.Markup.ListLevel == 0) return;
  run.Passes.OutputFile += "\r\n\\par\\fi0\\tx0";
  OpenRtfIndentGroup(run);
  WriteFontChange(run, run.Passes.OutputFile, run.Markup.RunningFontLetter, false);
  ResetListState(run);
}

void ResetListState(CompilerRun& run) {
  TCompileContext& cx = run.Compile;
  run.Markup.ListLevel = 0;
  cx.OpenedListTypes.clear();
  cx.LevelListChars.fill(0);
  cx.LevelCharPos.fill(0);
  cx.LevelTextIndents.fill(0);
  cx.LineIndent = 0;
  cx.LineListChar = 0;
  cx.ItemCounters.fill(0);
}

}  // namespace skeldon
