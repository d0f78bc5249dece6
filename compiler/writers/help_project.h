// The project files the help compilers read: the HTML Help project (HHP) and the WinHelp
// project (HPJ), the name of the compiled HTML Help file, and the missing-graphics report that
// closes every compile run.
#pragma once

#include <string>

namespace skeldon {

struct CompilerRun;

struct THelpProjectState {
  std::string HhpFileName;
  std::string HpjFileName;
  bool GraphicsMissing = false;      // blocks the help compiler start
  bool BrowseButtonsWanted = false;  // heading pass: a ".<>" or ".><" line
};

void SetChmFileName(CompilerRun& run);
// The HHP file's name inside the output directory; the summary page links to it before the
// file is written.
std::string HhpBareFileName(CompilerRun& run);
void WriteHhpFile(CompilerRun& run);
void WriteHpjFile(CompilerRun& run);
void ReportMissingGraphics(CompilerRun& run);

}  // namespace skeldon
