#include "compiler/passes/graphics_chars.h"

#include "compiler/foundation/file_names.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/passes/graphics_refresh.h"
#include "compiler/passes/pass_services.h"
#include "compiler/passes/source_char_output.h"
#include "compiler/writers/inline_graphics.h"
#include "compiler/writers/lists_and_blocks.h"
#include "compiler/writers/winhelp_topic.h"

namespace skeldon {

std::string WithPictureExtension(const CompilerRun& run, std::string_view name) {
  std::string n(name);
  const std::size_t slash = n.find_last_of('\\');
  const std::size_t dot = n.find('.', slash == std::string::npos ? 0 : slash + 1);
  if (dot == std::string::npos) n += run.Ini.TargetFlags.Html ? ".GIF" : ".BMP";
  return n;
}

void HandlePictureDirectory(CompilerRun& run, std::string_view argument, bool bd) {
  run.Compile.PictureDirectory = std::string(argument);
  std::string upper(argument);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  if (bd && (run.Reader.DotLine.size() <= 3 || upper == "TOTAL")) BeginLineBlock(run);
}

void HandlePictureCommand(CompilerRun& run, std::string_view argument) {
  TCompileContext& cx = run.Compile;
  const TTargetFlags& t = run.Ini.TargetFlags;
  run.Markup.PendingLineEnds = run.Source.LineEndCount;
  WriteSourceLineEnd(run);
  run.Markup.PendingLineEnds = 0;
  const std::string lower = LowerCaseText(run.FileNames.LowerCaseTable, argument);
  if (lower == "mitte" || lower == "center") {
    cx.PictureAlignment = 1;
    return;
  }
  if (lower == "left" || lower == "links") {
    cx.PictureAlignment = 2;
    return;
  }
  if (lower == "right" || lower == "rechts") {
    cx.PictureAlignment = 3;
    return;
  }
  std::string name(argument);
  if (t.Html) name = cx.PictureDirectory + name;
  name = WithPictureExtension(run, name);
  RefreshGraphicsFileName(run, name);
  const std::uint8_t a = cx.PictureAlignment;
  const std::string word = a == 1 ? (t.Html ? "bottom" : "center") : a == 3 ? "right" : "left";
  std::string& out = run.Passes.OutputFile;
  out += "\r\n";
  if (t.Html) {
    const std::string n = HtmlAttributeText(NormalizeFileName(run, name));
    out += "<img align=" + word + " src=\"" + n + "\" alt=\"" + n;
    const std::uint16_t kb = GetGraphicSizeKb(run, name);
    if (kb != 0xFFFF && !t.HtmlHelp) out += " (" + std::to_string(kb) + "k)";
    out += "\">\r\n";
  } else if (t.Ipf) {
    if (IpfPictureNameUsable(run, name))
      out += ":artwork align=" + word + " name='" + name + "'.\r\n";
  } else if (t.RtfText) {
    std::uint16_t w = 0, h = 0;
    GetPictureSize(name, w, h);
    out += "{\\pard\\plain\\absw" + std::to_string(w) + "\\absh" + std::to_string(h) +
           "\\nowrap\\phpg\\posx" +
           (a == 3   ? "r"
            : a == 1 ? "c"
                     : "l") +
           "{\\*\\flymaincnt0\\flyhorz" +
           (a == 3   ? "1"
            : a == 1 ? "2"
                     : "3") +
           "\\flyanchor0\\flycntnt}{{\\field{\\*\\fldinst{\\\\import " + RtfEscaped(name) +
           "}}}}\\pard}";
  } else if (t.RtfFamily) {
    out += std::string("\\{bm") + (a == 3 ? "r" : "l") + " " + RtfEscaped(name) + "\\}";
  }
}

void HandleGraphicCharCommand(CompilerRun& run, std::string_view argument) {
  TCompileContext& cx = run.Compile;
  TPassServices& ps = run.Passes;
  if (argument.empty()) return;
  const std::uint8_t ch = static_cast<std::uint8_t>(argument[0]);
  std::string_view rest = argument.substr(1);
  if (rest.empty()) {
    ps.GraphicCharIndex[ch] = 0;
    return;
  }
  if (rest.front() == ' ') rest.remove_prefix(1);
  std::string name(rest);
  if (run.Ini.TargetFlags.Html) name = cx.PictureDirectory + name;
  name = WithPictureExtension(run, name);
  RefreshGraphicsFileName(run, name);
  if (run.IniValues.IsWordChar[ch]) run.Reporter.ReportSourceError(MessageId::GraphicsCharError, 0);
  // The table has 100 entries; a further binding is refused with a message, earlier ones stay.
  if (ps.GraphicFileNames.size() >= static_cast<std::size_t>(kGraphicCharFiles)) {
    run.Reporter.ReportSourceError(MessageId::TooManyGraphicsChars, 0);
    return;
  }
  ps.GraphicFileNames.push_back(CutText(name, 100));
  ps.GraphicCharIndex[ch] = static_cast<std::uint8_t>(ps.GraphicFileNames.size());
  ++cx.GraphicCharCount;
}

}  // namespace skeldon
