#include "compiler/passes/heading_lines.h"

#include "compiler/passes/compiler_run.h"
#include "compiler/passes/output_filter.h"
#include "compiler/writers/contents_html.h"
#include "compiler/writers/index_markers.h"
#include "compiler/writers/link_writer.h"
#include "compiler/writers/markup.h"
#include "compiler/writers/source_text_output.h"

namespace skeldon {

namespace {

bool IsWinHelp(const TTargetFlags& t) { return t.RtfFamily && !t.RtfText; }

char HeadingFont(const CompilerRun& run, int level) {
  const std::string& fonts = run.Ini.HeadingFonts;
  return level >= 1 && level <= static_cast<int>(fonts.size()) ? fonts[level - 1] : '@';
}

char TagDigit(const CompilerRun& run, int level) {
  const std::string& digits = run.Compile.HeadingTagDigits;
  return level >= 1 && level <= static_cast<int>(digits.size()) ? digits[level - 1] : '1';
}

}  // namespace

void SwapAtComma(std::string& text) {
  const std::size_t comma = text.find(',');
  if (comma == std::string::npos) return;
  std::size_t rest = comma + 1;
  if (rest < text.size() && text[rest] == ' ') ++rest;
  text = text.substr(rest) + " " + text.substr(0, comma);
}

void WriteMainChapterLink(CompilerRun& run) {
  const TTargetFlags& t = run.Ini.TargetFlags;
  const std::string& text = run.Ini.MainChapterLinkText;
  if (text == "NO") return;
  const char font = static_cast<char>(run.Ini.MainChapterLinkFont);
  const char remembered = run.Markup.RunningFontLetter;
  const bool change = font != '@' || t.RtfFamily;
  std::string& out = run.Passes.OutputFile;
  if (change) WriteFontChange(run, out, font, false);
  EmitLabelText(run, text);
  EmitSourceChar(run, ' ');
  const int parentLevel = run.Navigation.SwitchLevel - 1;
  if (parentLevel >= 1 && parentLevel <= 6 && run.Navigation.HeadingCursor[parentLevel])
    WriteContentsLink(run, *run.Navigation.HeadingCursor[parentLevel], false, 0);
  EmitSourceChar(run, 0);
  if (t.RtfFamily)
    out += "\\par\r\n";
  else
    WriteLineBreak(run);
  if (change) WriteFontChange(run, run.Passes.OutputFile, remembered, false);
}

void WriteHeadingText(CompilerRun& run, bool cutLast) {
  TCompileContext& cx = run.Compile;
  const TTargetFlags& t = run.Ini.TargetFlags;
  const int level = cx.LastHeadingLevel >= 1 && cx.LastHeadingLevel <= 6 ? cx.LastHeadingLevel : 1;
  const THeadingLevelStyle& style = run.LinkPass.HeadingLevelStyles[level];
  std::string text = cx.HeadingText;
  if (cutLast && !text.empty()) text.pop_back();
  while (!text.empty() && text.back() == ' ') text.pop_back();
  if (style.SecondIndexMark) {
    run.LinkWriter.MarkedExpression = text;
    run.LinkWriter.MarkedExpressionWords = true;
    WriteIndexMarker(run, false, false);
  }
  if (style.Comma) SwapAtComma(text);
  const bool winHelp = IsWinHelp(t);
  if (!((style.LetterGiven && style.Letter != 0) || winHelp)) return;
  std::string& out = run.Passes.OutputFile;
  if (winHelp) out += run.Ini.KeepHeading ? "\r\n\\keepn " : "\r\n\\par ";
  if (t.WinHelp4 && run.LinkPass.FrameGroupActive && !cx.PreviousGroupStart) {
    WriteMainChapterLink(run);
    run.Passes.OutputFile += "\r\n";
  }
  cx.PreviousGroupStart = false;
  if (winHelp) {
    WriteFontChange(run, run.Passes.OutputFile, HeadingFont(run, level), false);
  } else {
    WriteLineBreak(run);
    WriteFontChange(run, run.Passes.OutputFile, style.Letter, false);
  }
  const std::string written = winHelp ? text : RemoveIndexFilterChars(run, text);
  for (char c : written) WriteSourceChar(run, static_cast<std::uint8_t>(c), run.Passes.OutputFile);
  if (winHelp && run.Ini.KeepHeading) run.Passes.OutputFile += "\\par\\pard";
  run.Passes.OutputFile += "\r\n";
  WriteFontChange(run, run.Passes.OutputFile, run.Markup.RunningFontLetter, false);
  if (t.Ipf || (winHelp && run.Ini.KeepHeading))
    WriteLineBreak(run);
  else
    WriteParagraphBreak(run);
}

void WriteHeadingLine(CompilerRun& run, bool cutLast) {
  TCompileContext& cx = run.Compile;
  const TTargetFlags& t = run.Ini.TargetFlags;
  std::string& out = run.Passes.OutputFile;
  const int level = cx.HeadingLevelChar - '0';
  run.Markup.CollectingHeading = false;
  if (t.Html) {
    out += "</a>";
    if (run.Ini.WinhelpFontsForHtmlHeading) {
      WriteFontChange(run, out, run.Markup.RunningFontLetter, false);
      run.Passes.OutputFile += "<p>\r\n\r\n";
    } else {
      out += std::string("</h") + TagDigit(run, level) + ">\r\n";
    }
  } else if (t.Ipf) {
    const int last = cx.LastHeadingLevel >= 1 && cx.LastHeadingLevel <= 6 ? cx.LastHeadingLevel : 1;
    const THeadingNode* node = run.Navigation.HeadingCursor[last];
    const std::uint8_t groupLevel = GetGroupLevel(run, static_cast<std::uint8_t>(last + 1));
    if (run.LinkPass.FrameGroupActive && node && node->FirstChild &&
        groupLevel <= run.Passes.GroupWindowCount) {
      out += ":link reftype=hd res=" + std::to_string(node->FirstChild->HeadingNumber) +
             WriteIpfWindowPosition(run, false, groupLevel, *node->FirstChild) +
             " auto dependent.\r\n";
    }
  } else if (t.RtfText) {
    out += "\\par";
    if (run.Ini.AutomaticHeadingEnumeration) out += "\\pard";
    WriteFontChange(run, out, run.Markup.RunningFontLetter, false);
    run.Passes.OutputFile += "\\par\\pard";
  } else if (t.RtfFamily) {
    out += "}";
  }
  if (!t.RtfText) WriteHeadingText(run, cutLast);
  cx.HeadingTextLength = 0;
  cx.HeadingText.clear();
  if (IsWinHelp(t))
    WriteFontChange(run, run.Passes.OutputFile, run.Markup.RunningFontLetter, false);
  cx.OutputCharCount = 0;
}

}  // namespace skeldon
