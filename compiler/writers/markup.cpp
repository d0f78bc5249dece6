#include "compiler/writers/markup.h"

#include <string>

#include "compiler/foundation/console_reporter.h"
#include "compiler/foundation/ini_values.h"
#include "compiler/foundation/toggles.h"
#include "compiler/passes/compiler_run.h"

namespace skeldon {

namespace {

constexpr const char* kLineEnd = "\r\n";

const TFontDef& FontOf(const CompilerRun& run, char letter) {
  const int i = FontLetterIndex(letter);
  return run.IniValues.FontDefs[i >= 0 ? i : 0];
}

bool ToggleOn(const CompilerRun& run, int toggle) { return run.Toggles.ToggleState[toggle - 1]; }

// The "\li" group after a break outside lists, carrying the current font again.
void OpenRtfIndentGroup(CompilerRun& run) {
  TMarkupState& m = run.Markup;
  std::string& out = run.Passes.OutputFile;
  out += "\\li";
  out += std::to_string(kRtfIndentStep * (m.IndentLevel + m.MarginLevel));
  out += "{";
  m.RtfIndentGroupOpen = true;
  WriteFontChange(run, out, m.CurrentFontLetter, false);
}

void WriteBreak(CompilerRun& run, const char* html, const char* rtfText, const char* rtfLines,
                const char* ipf) {
  const TTargetFlags& t = run.Ini.TargetFlags;
  TMarkupState& m = run.Markup;
  std::string& out = run.Passes.OutputFile;
  if (t.Html) {
    out += html;
    out += kLineEnd;
  } else if (t.RtfFamily) {
    if (m.RtfIndentGroupOpen && m.ListLevel == 0) {
      out += "}";
      m.RtfIndentGroupOpen = false;
    }
    out += m.FormatMode ? rtfText : rtfLines;
    out += kLineEnd;
    if (m.ListLevel == 0) OpenRtfIndentGroup(run);
  } else {
    out += ipf;
    out += kLineEnd;
  }
}

}  // namespace

void WriteReflowLineEnd(CompilerRun& run, std::string& f) {
  const TMarkupState& m = run.Markup;
  if (!m.FormatMode) return;
  if (m.CenteredBlockOpen && run.Ini.TargetFlags.Ipf) return;
  if (run.CharConversion.Context.InTextPopup) return;
  f += kLineEnd;
}

void WriteFontChange(CompilerRun& run, std::string& f, char letter, bool toggle) {
  if (FontLetterIndex(letter) < 0) letter = kFirstFontLetter;
  const TTargetFlags& t = run.Ini.TargetFlags;
  TMarkupState& m = run.Markup;
  const TFontDef& font = FontOf(run, letter);
  if (!run.CharConversion.Context.InScriptString) WriteReflowLineEnd(run, f);
  if (t.Ipf) {
    if (font.IpfFace.empty()) {
      f += ":font facename=default size=0x0.:color fc=default bc=default.";
    } else {
      f += ":font" + font.IpfFace + ".:color" + font.IpfColor + ".";
    }
    if (!toggle) {
      const bool formatted = font.HtmlTag != "PRE";
      if (formatted != m.FormatMode) f += formatted ? ":elines." : ":lines.";
      m.FormatMode = formatted;
    }
    WriteReflowLineEnd(run, f);
  } else if (t.RtfFamily) {
    int size = font.SizeInPoints != 0 ? font.SizeInPoints : run.Ini.DefaultFontSize;
    if (size < 0) size = 0;
    if (size > 255) size = 255;
    m.CurrentRtfFontSize = static_cast<std::uint8_t>(size);
    f += "\\f" + std::to_string(m.RtfFontNumbers[FontLetterIndex(letter)]);
    f += "\\fs" + std::to_string(size * 2);
    if (font.ForegroundIndex <= 15) f += "\\cf" + std::to_string(font.ForegroundIndex);
    f += " ";
  } else if (t.Html && !m.CollectingHeading) {
    m.PreBlockActive = false;
    for (int i = 2; i <= kToggleCount; ++i) {
      if (!ToggleOn(run, i)) continue;
      const std::string tag = kToggleDefs[i - 1].HtmlTag;
      if (tag.empty())
        WriteMessage(run, MessageId::WrongToggle, true);
      else
        f += "</" + tag + ">";
      run.Toggles.ToggleState[i - 1] = false;
    }
    const TFontDef& previous = FontOf(run, m.CurrentFontLetter);
    if (!m.PlainFontActive) {
      f += "</font>";
      if (previous.HtmlTag == "PRE" && toggle)
        f += "</TT>";
      else if (!previous.HtmlTag.empty())
        f += "</" + previous.HtmlTag + ">";
    }
    if (toggle && (previous.Centre != 0) != (font.Centre != 0))
      f += font.Centre ? "<center>" : "</center>";
    m.PlainFontActive = font.HtmlMarkup.find("<font") == std::string::npos && letter == '@';
    if (font.HtmlTag == "PRE" && toggle)
      f += "<TT>";
    else if (!font.HtmlTag.empty())
      f += "<" + font.HtmlTag + ">";
    if (font.HtmlTag == "PRE" && !toggle) {
      m.PreBlockActive = true;
      run.Source.LineEndCount = 0;
      m.PendingLineEnds = 0;
    }
    if (!toggle) m.FormatMode = font.HtmlTag != "PRE";
    f += font.HtmlMarkup;
  }
  if (!toggle) m.PreFontBlock = font.HtmlTag == "PRE";
  m.OmitLinksActive = run.IniValues.FontOmitsLinks[FontLetterIndex(letter)];
  run.CharConversion.Context.AfterFontChange = true;
  m.CurrentFontLetter = letter;
}

bool SourceLineEndsKept(const CompilerRun& run) {
  const TMarkupState& m = run.Markup;
  return !m.FormatMode || m.LineBlockOpen || m.PreFontBlock;
}

void WriteLineBreak(CompilerRun& run) { WriteBreak(run, "<br>", "\\par", "\\line", ".br"); }

void WriteParagraphBreak(CompilerRun& run) {
  WriteBreak(run, "<p>", "\\par\\par", "\\line\\line", ":p.");
}

void WriteIpfFontColor(CompilerRun& run, char letter) {
  if (!run.Ini.TargetFlags.Ipf) return;
  const TFontDef& font = FontOf(run, letter);
  if (!font.IpfColor.empty()) run.Passes.OutputFile += ":color" + font.IpfColor + ".";
}

void WriteIpfHighlight(CompilerRun& run) {
  if (!run.Ini.TargetFlags.Ipf) return;
  TMarkupState& m = run.Markup;
  std::string& out = run.Passes.OutputFile;
  if (m.IpfHighlightLevel != 0) {
    out += ":ehp" + std::to_string(m.IpfHighlightLevel) + ".";
    if (m.IpfHighlightLevel == 4 || m.IpfHighlightLevel == 8 || m.IpfHighlightLevel == 9)
      WriteIpfFontColor(run, ToggleOn(run, 1) ? m.AlternateFontLetter : m.RunningFontLetter);
  }
  const bool italic = ToggleOn(run, 2), bold = ToggleOn(run, 3), underline = ToggleOn(run, 4);
  std::uint8_t level = 0;
  if (ToggleOn(run, 6))
    level = 9;
  else if (ToggleOn(run, 5))
    level = 8;
  else if (underline && bold)
    level = 7;
  else if (underline && italic)
    level = 6;
  else if (underline)
    level = 5;
  else if (ToggleOn(run, 7))
    level = 4;
  else if (bold && italic)
    level = 3;
  else if (bold)
    level = 2;
  else if (italic)
    level = 1;
  m.IpfHighlightLevel = level;
  if (level != 0) out += ":hp" + std::to_string(level) + ".";
}

void CloseOpenToggles(CompilerRun& run) {
  for (int i = 1; i <= kToggleCount; ++i) {
    if (!ToggleOn(run, i)) continue;
    const TToggleDef& def = kToggleDefs[i - 1];
    run.Reporter.ReportSourceError(
        {MessageId::ToggleStillOpen, MessageText(run.Language, def.Name)}, 0);
    run.Toggles.ToggleState[i - 1] = false;
  }
}

}  // namespace skeldon
