#include "compiler/writers/contents_html.h"

#include <utility>

#include "compiler/foundation/decimal_text.h"
#include "compiler/foundation/file_names.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/passes/index_store.h"
#include "compiler/passes/pass_services.h"
#include "compiler/writers/external_links.h"
#include "compiler/writers/index_markers.h"
#include "compiler/writers/inline_graphics.h"
#include "compiler/writers/source_text_output.h"

namespace skeldon {

namespace {

constexpr const char* kLineEnd = "\r\n";

bool IsNo(const std::string& text) {
  return text.size() == 2 && (text[0] == 'n' || text[0] == 'N') &&
         (text[1] == 'o' || text[1] == 'O');
}

void WriteContentsList(CompilerRun& run, const THeadingNode* list, int& depth) {
  std::string& out = run.Passes.OutputFile;
  auto indent = [&] { out.append(static_cast<std::size_t>(depth) * 3, ' '); };
  if (list) {
    indent();
    out += "<ul>\r\n";
  }
  ++depth;
  for (const THeadingNode* h = list; h; h = h->NextSibling) {
    if (depth > run.Switches.ContentsDepth) continue;
    indent();
    out += "<li>";
    if (run.Ini.TargetFlags.HtmlHelp) {
      out += " <OBJECT type=\"text/sitemap\">\r\n";
      indent();
      out += "        <param name=\"Name\" value=\"";
      CopyHeadingTitle(run, out, h->SourcePosition, false, true, true);
      out += "\">\r\n";
      indent();
      out += "        <param name=\"Local\" value=\"";
      out += MakeTopicFileName(run, h->FileNumber, false, 0);
      out += "\">\r\n";
      indent();
      out += "     </OBJECT>\r\n";
    } else {
      WriteContentsLink(run, *h, true, 0);
    }
    WriteContentsList(run, h->FirstChild, depth);
  }
  --depth;
  if (list) {
    indent();
    out += "</ul>\r\n";
  }
}

}  // namespace

void WriteContentsLink(CompilerRun& run, const THeadingNode& node, bool windowPosition,
                       std::uint16_t group) {
  const TTargetFlags& t = run.Ini.TargetFlags;
  std::string& out = run.Passes.OutputFile;
  const std::int32_t fileCounter = run.Numbering.FileCounter;
  const bool otherFile = node.FileNumber != fileCounter;
  if (t.Html) {
    const bool script = run.CharConversion.Context.InScriptString;
    // Inside a JavaScript string the quotes are escaped and the tag's opening is the script's.
    if (!script) out += "<a href=\"";
    if (otherFile) out += MakeTopicFileName(run, node.FileNumber, false, 0);
    const bool footnotePage = !run.Switches.NoFrames && otherFile && node.FileNumber >= 0 &&
                              node.FileNumber < kFootnoteFileFlags &&
                              run.Passes.FileHasFootnotes[node.FileNumber];
    if (!node.GroupFlag && !footnotePage) {
      out += "#hd";
      AppendDecimal(out, node.HeadingNumber);
    }
    if (group == 0 && otherFile) {
      out += script ? "\\\" target=\\\"" : "\" target=\"";
      out += run.Ini.DefaultFrame;
    } else if (group != 0) {
      out += script ? "\\\" target=\\\"group" : "\" target=\"group";
      AppendDecimal(out, group);
    }
    out += script ? "\\\">" : "\">";
    CopyHeadingTitle(run, out, node.SourcePosition, false, false, false);
    if (!script) out += "</a>\r\n";
  } else if (t.Ipf) {
    out += ":link reftype=hd res=";
    AppendDecimal(out, node.HeadingNumber);
    const std::uint8_t level = GetGroupLevel(run, run.LinkPass.CurrentLevel);
    if (run.LinkPass.FrameGroupActive && windowPosition && level == run.Passes.GroupWindowCount)
      out += WriteIpfWindowPosition(run, false, level, node);
    out += ".";
    CopyHeadingTitle(run, out, node.SourcePosition, false, false, false);
    out += std::string(":elink.") + kLineEnd;
  } else if (t.RtfFamily) {
    out += "{\\cf1\\uldb ";
    CopyHeadingTitle(run, out, node.SourcePosition, false, false, false);
    out += "}{\\v " + RtfEscaped(GetTopicId(node.OwnString, node.HeadingNumber)) +
           GetWindowSuffix(run, node.GroupFlag != 0) + "}";
  }
}

std::uint8_t GetGroupLevel(const CompilerRun& run, std::uint8_t level) {
  if (!run.LinkPass.FrameGroupActive) return 1;
  const int v = static_cast<int>(level) - (static_cast<int>(run.LinkPass.FrameGroupLevel) - 1);
  return static_cast<std::uint8_t>(v < 0 ? 0 : v);
}

std::string WriteIpfWindowPosition(const CompilerRun& run, bool headingForm,
                                   std::uint8_t windowLevel, const THeadingNode& node) {
  std::string result;
  if (!run.LinkPass.FrameGroupActive) return result;
  if (run.Passes.GroupWindowCount == 3 && windowLevel == 2 && !node.FirstChild) windowLevel = 4;
  // Only the four windows of a layout exist.
  if (windowLevel < 1 || windowLevel > 4) return result;
  const TGroupWindow& w = run.Passes.GroupWindowTable[windowLevel];
  const char* const* names = nullptr;
  static const char* const kHeading[] = {"x", "y", "width", "height"};
  static const char* const kLink[] = {"vpx", "vpy", "vpcx", "vpcy"};
  names = headingForm ? kHeading : kLink;
  result += std::string(" ") + names[0] + "=" + (w.Left ? "left" : "right");
  result += std::string(" ") + names[1] + "=" + (w.Top ? "top" : "bottom");
  result += std::string(" ") + names[2] + "=" + std::to_string(w.WidthPercent) + "%";
  result += std::string(" ") + names[3] + "=" + std::to_string(w.HeightPercent) + "%";
  return result;
}

void WriteNoFramesBlock(CompilerRun& run, std::string& f, std::string_view fileName,
                        const THeadingNode* node, std::uint8_t pageKind) {
  f += std::string("<NOFRAMES>") + kLineEnd;
  f += std::string("<p>") + kLineEnd;
  ExpandTemplate(run, f, run.Ini.MetaContent, node, pageKind, true, true, "");
  f += std::string("<p>") + kLineEnd;
  if (node && FirstEntryOfHeading(run, node->HeadingNumber)) {
    f += "(Keywords: ";
    // The keyword writer writes to the run's output text; the block may go elsewhere.
    std::string& out = run.Passes.OutputFile;
    if (&f == &out) {
      WriteTopicKeywords(run, node->HeadingNumber);
    } else {
      std::string saved;
      std::swap(saved, out);
      WriteTopicKeywords(run, node->HeadingNumber);
      f += out;
      std::swap(saved, out);
    }
    f += std::string(")<p>") + kLineEnd;
  }
  f += "<i>Show without frames: <a href=\"" + std::string(fileName) + "\"></a></i>" + kLineEnd;
  for (int i = 0; i < 5; ++i) f += std::string("<p>") + kLineEnd;
  f += std::string("</NOFRAMES>") + kLineEnd;
}

void WriteBodyAttributes(CompilerRun& run, std::string& f, bool quoteEscaping,
                         const THeadingNode* node, std::uint8_t pageKind) {
  const TIniSettings& ini = run.Ini;
  std::string tags = !ini.ContentsTags.empty() && pageKind == 3 ? ini.ContentsTags : ini.BodyTags;
  if (IsNo(tags)) tags.clear();
  if (!tags.empty()) {
    f += " ";
    WriteTargetText(run, tags, f);
  }
  if (!ini.TargetFlags.HtmlHelp && !ini.StatusbarDefault.Text.empty()) {
    const std::string esc = quoteEscaping ? "\\" : "";
    f += " onLoad=" + esc + "\"window.defaultStatus='";
    ExpandTemplate(run, f, ini.StatusbarDefault, node, pageKind, true, true,
                   run.Passes.CurrentOutputFileName);
    f += "';return true;" + esc + "\"";
  }
}

void WriteHtmlContents(CompilerRun& run) {
  // Room for the whole list at once, from a heading line's usual length: growing it by doubling
  // would copy it again and again into fresh memory.
  std::string& out = run.Passes.OutputFile;
  const std::size_t lineGuess = run.Ini.TargetFlags.HtmlHelp ? 256 : 128;
  out.reserve(out.size() + run.Passes.NodeStore.size() * lineGuess);
  int depth = 0;
  WriteContentsList(run, run.Passes.HeadingTreeRoot, depth);
}

}  // namespace skeldon
