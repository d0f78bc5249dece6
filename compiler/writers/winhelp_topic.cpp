#include "compiler/writers/winhelp_topic.h"

#include "compiler/passes/compiler_run.h"

namespace skeldon {

void WriteWinHelpTopicStart(CompilerRun& run, std::string_view prefix, std::uint16_t number,
                            const std::string* ownId) {
  TCompileContext& cx = run.Compile;
  std::string& out = run.Passes.OutputFile;
  ++cx.TopicCounter;
  out += "{\\ThisIsTopic" + std::to_string(cx.TopicCounter) + "}\r\n";
  if (!ownId) {
    out += "#{\\footnote " + std::string(prefix);
    if (number != 0) out += std::to_string(number);
  } else {
    out += "#{\\footnote # " + RtfEscaped(*ownId);
  }
  out += "}\r\n";
  if (run.HelpProject.BrowseButtonsWanted) {
    std::string digits = std::to_string(number);
    while (digits.size() < 4) digits.insert(digits.begin(), '0');
    out += "+{\\footnote " + std::string(prefix == "fn" ? "FOOT:" : "NORM:") + digits + "}\r\n";
  }
}

}  // namespace skeldon
