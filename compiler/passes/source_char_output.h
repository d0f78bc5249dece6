// The last step of one running-text character in the output pass: footnote begin and end
// characters with their markup per target, graphics characters, and everything else to the
// automatic linker. Also the small services the dispatcher, topic switch and line start share.
#pragma once

#include <cstdint>

namespace skeldon {

struct CompilerRun;

void EmitRunningChar(CompilerRun& run, std::uint8_t ch);
// Installs EmitRunningChar as the output filter's character output.
void InstallSourceCharOutput(CompilerRun& run);

void ReportMissingFootnoteBegin(CompilerRun& run);
void ReportMissingFootnoteEnd(CompilerRun& run);
// Character n (from 1) of the dot line, with one blank after the command letters skipped; 0
// beyond the line.
std::uint8_t GetDotLineChar(const CompilerRun& run, int n);
void OpenRtfIndentGroup(CompilerRun& run);
void CloseRtfList(CompilerRun& run);
void ResetListState(CompilerRun& run);

}  // namespace skeldon
