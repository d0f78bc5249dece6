// The contents of WinHelp and RTF output: the WinHelp contents file (CNT) beside the source
// and the contents topic (WinHelp) or numbered contents (RTF text) inside the RTF file.
#pragma once

namespace skeldon {

struct CompilerRun;

void WriteRtfContents(CompilerRun& run);
void WriteCntFile(CompilerRun& run);

}  // namespace skeldon
