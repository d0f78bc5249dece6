#include "compiler/writers/lists_and_blocks.h"

#include <string>

#include "compiler/foundation/ini_values.h"
#include "compiler/foundation/source_buffer.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/passes/index_store.h"
#include "compiler/writers/link_writer.h"
#include "compiler/writers/markup.h"
#include "platform/files.h"

namespace skeldon {

void CloseLists(CompilerRun& run) {
  TCompileContext& cx = run.Compile;
  const bool html = run.Ini.TargetFlags.Html;
  // Each open list keeps its own kind, so mixed nestings close with matching tags.
  const std::int32_t kind = cx.OpenedListTypes.empty() ? cx.ListType : cx.OpenedListTypes.back();
  if (!cx.OpenedListTypes.empty()) cx.OpenedListTypes.pop_back();
  std::string& out = run.Passes.OutputFile;
  if (kind == 0)
    out += html ? "</ul>\r\n" : ":eul.\r\n";
  else if (kind == 1)
    out += html ? "</ol>\r\n" : ":eol.\r\n";
  if (run.Markup.ListLevel > 0) --run.Markup.ListLevel;
}

bool IsListChar(const CompilerRun& run, std::uint8_t ch) {
  if (run.Switches.WordStarInput)
    return ch != ' ' && ch != run.Reader.SoftSpaceChar && ch != '.' &&
           CurrentBufferChar(run) == 0xA0;
  return ch != 0 && run.Ini.ListChars.find(static_cast<char>(ch)) != std::string::npos;
}

void WriteSourceLineEnd(CompilerRun& run) {
  const TTargetFlags& t = run.Ini.TargetFlags;
  TMarkupState& m = run.Markup;
  std::string& out = run.Passes.OutputFile;
  const bool formatted = !(t.Ipf && (!m.FormatMode || run.Compile.Centred));
  const std::uint8_t count = m.PendingLineEnds;
  const bool margin = t.Html && run.HtmlPage.HtmlIndentDepth > 0;
  if (!run.Compile.HeadingTextPending && !m.CollectingHeading) {
    if (count == 1) {
      out += "\r\n";
      if (formatted) {
        if (margin)
          out += "<dd>";
        else if (!m.PreBlockActive)
          WriteLineBreak(run);
      }
    } else if (count >= 2 && count <= 252) {
      if (formatted) {
        if (margin)
          out += "<dd>";
        else
          out += "\r\n";
        WriteParagraphBreak(run);
      } else {
        out += "\r\n\r\n";
      }
      if (run.Ini.LinksPerParagraph && !t.RtfText) ClearLinkedInTopic(run);
    } else if (!m.PreBlockActive) {
      // A line end is no word space in RTF: the words of two lines would run together.
      if (t.RtfFamily && !out.empty() && out.back() != ' ' && out.back() != '\n') out += ' ';
      out += "\r\n";
    }
  }
  run.Passes.OutputColumn = 0;
}

void IncludeHtmlFile(CompilerRun& run, std::string_view name) {
  const std::string file(name);
  const platform::ReadResult read = platform::read_file(file);
  if (!read.ok()) {
    run.Reporter.ReportSourceError({MessageId::HtmlFileNotFound, file}, 0);
    return;
  }
  EmitLinkedChar(run, 0);
  std::string& out = run.Passes.OutputFile;
  out += "<br>\r\n";
  for (std::uint8_t c : read.bytes)
    if (c != 26) out.push_back(static_cast<char>(c));
}

void FindFontDefinition(CompilerRun& run, char letter) {
  const int i = FontLetterIndex(letter);
  if (i >= 0 && !run.IniValues.FontDefs[i].IpfFace.empty()) return;
  run.Reporter.ReportSourceError({MessageId::FontNotDefined, std::string(1, letter)}, 0);
}

void BeginLineBlock(CompilerRun& run) {
  const TTargetFlags& t = run.Ini.TargetFlags;
  if (run.Compile.HeadingTextPending) return;
  // With soft line ends the line end before the block was taken as a blank; the block's
  // first line starts a line of its own all the same (the dot line's end takes one back).
  if (!run.Markup.LineBlockOpen && run.Switches.SoftLineEnds && !run.Switches.WordStarInput &&
      run.Source.LineEndCount < 2)
    run.Source.LineEndCount = 2;
  run.Markup.LineBlockOpen = true;
  if (!(t.Ipf || t.RtfFamily) || !run.Markup.FormatMode) return;
  if (t.Ipf) run.Passes.OutputFile += ":lines.";
  run.Markup.FormatMode = false;
}

void EndLineBlock(CompilerRun& run) {
  const TTargetFlags& t = run.Ini.TargetFlags;
  run.Markup.LineBlockOpen = false;
  if (!(t.Ipf || t.RtfFamily) || run.Markup.FormatMode) return;
  run.Passes.OutputFile += t.Ipf ? ":elines.\r\n" : "\\pard ";
  run.Markup.FormatMode = true;
}

}  // namespace skeldon
