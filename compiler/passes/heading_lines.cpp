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
  const std::string& fonts = run.ini.HeadingFonts;
  return level >= 1 && level <= static_cast<int>(fonts.size()) ? fonts[level - 1] : '@';
}

char TagDigit(const CompilerRun& run, int level) {
  const std::string& digits = run.compile.HeadingTagDigits;
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
  const TTargetFlags& t = run.ini.TargetFlags;
  const std::string& text = run.ini.MainChapterLinkText;
  if (text == "NO") return;
  const char font = static_cast<char>(run.ini.MainChapterLinkFont);
  const char remembered = run.markup.RunningFontLetter;
  const bool change = font != '@' || t.RtfFamily;
  std::string& out = run.passes.OutputFile;
  if (change) WriteFontChange(run, out, font, false);
  for (char c : text) EmitSourceChar(run, run.toggles.ToggleCharMap[static_cast<std::uint8_t>(c)]);
  EmitSourceChar(run, ' ');
  const int parentLevel = run.navigation.SwitchLevel - 1;
  if (parentLevel >= 1 && parentLevel <= 6 && run.navigation.HeadingCursor[parentLevel])
    WriteContentsLink(run, *run.navigation.HeadingCursor[parentLevel], false, 0);
  EmitSourceChar(run, 0);
  if (t.RtfFamily)
    out += "\\par\r\n";
  else
    WriteLineBreak(run);
  if (change) WriteFontChange(run, run.passes.OutputFile, remembered, false);
}

void WriteHeadingText(CompilerRun& run, bool cutLast) {
  TCompileContext& cx = run.compile;
  const TTargetFlags& t = run.ini.TargetFlags;
  const int level = cx.LastHeadingLevel >= 1 && cx.LastHeadingLevel <= 6 ? cx.LastHeadingLevel : 1;
  const THeadingLevelStyle& style = run.linkPass.HeadingLevelStyles[level];
  std::string text = cx.HeadingText;
  if (cutLast && !text.empty()) text.pop_back();
  while (!text.empty() && text.back() == ' ') text.pop_back();
  if (style.SecondIndexMark) {
    run.linkWriter.MarkedExpression = text;
    run.linkWriter.MarkedExpressionWords = true;
    WriteIndexMarker(run, false, false);
  }
  if (style.Comma) SwapAtComma(text);
  const bool winHelp = IsWinHelp(t);
  if (!((style.LetterGiven && style.Letter != 0) || winHelp)) return;
  std::string& out = run.passes.OutputFile;
  if (winHelp) out += run.ini.KeepHeading ? "\r\n\\keepn " : "\r\n\\par ";
  if (t.WinHelp4 && run.linkPass.FrameGroupActive && !cx.PreviousGroupStart) {
    WriteMainChapterLink(run);
    run.passes.OutputFile += "\r\n";
  }
  cx.PreviousGroupStart = false;
  if (winHelp) {
    WriteFontChange(run, run.passes.OutputFile, HeadingFont(run, level), false);
  } else {
    WriteLineBreak(run);
    WriteFontChange(run, run.passes.OutputFile, style.Letter, false);
  }
  const std::string written = winHelp ? text : RemoveIndexFilterChars(run, text);
  for (char c : written) WriteSourceChar(run, static_cast<std::uint8_t>(c), run.passes.OutputFile);
  if (winHelp && run.ini.KeepHeading) run.passes.OutputFile += "\\par\\pard";
  run.passes.OutputFile += "\r\n";
  WriteFontChange(run, run.passes.OutputFile, run.markup.RunningFontLetter, false);
  if (t.Ipf || (winHelp && run.ini.KeepHeading))
    WriteLineBreak(run);
  else
    WriteParagraphBreak(run);
}

void WriteHeadingLine(CompilerRun& run, bool cutLast) {
  TCompileContext& cx = run.compile;
  const TTargetFlags& t = run.ini.TargetFlags;
  std::string& out = run.passes.OutputFile;
  const int level = cx.HeadingLevelChar - '0';
  run.markup.CollectingHeading = false;
  if (t.Html) {
    out += "</a>";
    if (run.ini.WinhelpFontsForHtmlHeading) {
      WriteFontChange(run, out, run.markup.RunningFontLetter, false);
      run.passes.OutputFile += "<p>\r\n\r\n";
    } else {
      out += std::string("</h") + TagDigit(run, level) + ">\r\n";
    }
  } else if (t.Ipf) {
    const int last = cx.LastHeadingLevel >= 1 && cx.LastHeadingLevel <= 6 ? cx.LastHeadingLevel : 1;
    const THeadingNode* node = run.navigation.HeadingCursor[last];
    const std::uint8_t groupLevel = GetGroupLevel(run, static_cast<std::uint8_t>(last + 1));
    if (run.linkPass.FrameGroupActive && node && node->FirstChild &&
        groupLevel <= run.passes.GroupWindowCount) {
      out += ":link reftype=hd res=" + std::to_string(node->FirstChild->HeadingNumber) +
             WriteIpfWindowPosition(run, false, groupLevel, *node->FirstChild) +
             " auto dependent.\r\n";
    }
  } else if (t.RtfText) {
    out += "\\par";
    if (run.ini.AutomaticHeadingEnumeration) out += "\\pard";
    WriteFontChange(run, out, run.markup.RunningFontLetter, false);
    run.passes.OutputFile += "\\par\\pard";
  } else if (t.RtfFamily) {
    out += "}";
  }
  if (!t.RtfText) WriteHeadingText(run, cutLast);
  cx.HeadingTextLength = 0;
  cx.HeadingText.clear();
  if (IsWinHelp(t))
    WriteFontChange(run, run.passes.OutputFile, run.markup.RunningFontLetter, false);
  cx.OutputCharCount = 0;
}

}  // namespace skeldon
