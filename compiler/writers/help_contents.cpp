#include "compiler/writers/help_contents.h"

#include <algorithm>
#include <array>
#include <string>

#include "compiler/foundation/file_names.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/passes/pass_services.h"
#include "compiler/writers/contents_html.h"
#include "compiler/writers/external_links.h"
#include "compiler/writers/markup.h"
#include "compiler/writers/source_text_output.h"

namespace skeldon {

namespace {

constexpr int kRtfTextIndent = 216;

struct TContentsWalk {
  std::array<std::uint16_t, 8> Counters{};
  int Depth = 0;
  bool First = true;
};

void WriteRtfContentsLevel(CompilerRun& run, TContentsWalk& w, const THeadingNode* node) {
  const TTargetFlags& t = run.Ini.TargetFlags;
  std::string& out = run.Passes.OutputFile;
  ++w.Depth;
  for (; node; node = node->NextSibling) {
    if (w.Depth > run.Switches.ContentsDepth || w.Depth > 6) continue;
    ++w.Counters[w.Depth];
    for (int i = w.Depth + 1; i <= 6; ++i) w.Counters[i] = 0;
    out += (w.Depth == 1 && !w.First && run.Switches.ContentsDepth > 1) ? "\\par\\par\r\n"
                                                                        : "\\par\r\n";
    if (t.RtfText) {
      for (int i = 1; i < w.Depth; ++i) out += std::to_string(w.Counters[i]) + ".";
      out += std::to_string(w.Counters[w.Depth]) + "\\tab ";
      CopyHeadingTitle(run, out, node->SourcePosition, false, false, false);
    } else {
      if (!w.First) out += "}";
      out += "{\\li" + std::to_string((w.Depth - 1) * run.Ini.ListIndention * kRtfIndentStep);
      WriteContentsLink(run, *node, false, 0);
    }
    w.First = false;
    WriteRtfContentsLevel(run, w, node->FirstChild);
  }
  --w.Depth;
}

void WriteCntTopicRef(CompilerRun& run, std::string& f, const THeadingNode& node) {
  f += "=" + GetTopicId(node.OwnString, node.HeadingNumber) +
       GetWindowSuffix(run, node.GroupFlag != 0) + "\r\n";
}

void WriteCntOwnTopicEntry(CompilerRun& run, std::string& f, const THeadingNode& node, int level) {
  f += "\r\n" + std::to_string(level + 1) + " ";
  WriteCodePageText(run, f, run.Ini.ContentsGeneralText, false);
  WriteCntTopicRef(run, f, node);
}

bool IsShortTopic(const CompilerRun& run, const THeadingNode* node) {
  return run.Compile.ShortTopics.count(node) != 0;
}

void WriteCntLevel(CompilerRun& run, std::string& f, const THeadingNode* node, int level) {
  for (; node; node = node->NextSibling) {
    f += std::to_string(level) + " ";
    CopyHeadingTitle(run, f, node->SourcePosition, false, true, false);
    if (node->FirstChild) {
      if (IsShortTopic(run, node) && !node->GroupFlag)
        f += "\r\n";
      else
        WriteCntOwnTopicEntry(run, f, *node, level);
    } else if (level == 1 && !node->NextSibling) {
      WriteCntOwnTopicEntry(run, f, *node, level);
    } else {
      WriteCntTopicRef(run, f, *node);
    }
    WriteCntLevel(run, f, node->FirstChild, level + 1);
  }
}

}  // namespace

void WriteRtfContents(CompilerRun& run) {
  const TTargetFlags& t = run.Ini.TargetFlags;
  std::string& out = run.Passes.OutputFile;
  if (!t.RtfText) {
    out +=
        "${\\footnote " + GermanOrEnglishText(run.Language, MessageId::HelpContentsTitle) + "}\r\n";
  }
  const char font = run.Ini.HeadingFonts.empty() ? '@' : run.Ini.HeadingFonts[0];
  WriteFontChange(run, out, font, false);
  WriteSourceText(run, run.LinkPass.DocumentTitle, run.Passes.OutputFile);
  run.Passes.OutputFile += "\\par\r\n";
  WriteFontChange(run, run.Passes.OutputFile, run.Markup.RunningFontLetter, false);
  if (t.RtfText) {
    const int w =
        kRtfTextIndent * std::min<int>(run.Switches.ContentsDepth, run.Compile.DeepestHeadingLevel);
    run.Passes.OutputFile += "\\fi-" + std::to_string(w) + "\\li" + std::to_string(w) + "\\tx" +
                             std::to_string(w) + "\r\n";
  }
  TContentsWalk walk;
  WriteRtfContentsLevel(run, walk, run.Passes.HeadingTreeRoot);
  run.Passes.OutputFile += "\\par\\par\r\n";
  if (t.RtfText)
    run.Passes.OutputFile += "\\li0\\fi0\\tx0\\pard\r\n";
  else
    run.Passes.OutputFile += "}\\plain\\pard\\page\r\n";
}

void WriteCntFile(CompilerRun& run) {
  WriteMessage(run, MessageId::WritingCntFile, false);
  const std::string& source = run.Switches.SourceFileName;
  std::string f = ":Base " + SetFileExtension(source, "HLP") + "\r\n";
  if (!run.LinkPass.DocumentTitle.empty()) {
    f += ":Title ";
    WriteCodePageText(run, f, run.LinkPass.DocumentTitle, false);
    f += "\r\n";
  }
  WriteCntLevel(run, f, run.Passes.HeadingTreeRoot, 1);
  StoreOutputFile(run, SetFileExtension(source, "CNT"), f);
}

}  // namespace skeldon
