// The opening tables of an RTF document (WinHelp 3, WinHelp 4, RTF text): the colour table the
// font markup refers to, the font table that numbers the run's fonts, and the style sheet with
// the list table that number the six heading levels.
#pragma once

namespace skeldon {

struct CompilerRun;

void WriteRtfColorTable(CompilerRun& run);
// Also stores each defined font letter's RTF font number for the later font changes.
void WriteRtfFontTable(CompilerRun& run);
void WriteRtfStyleSheet(CompilerRun& run);

}  // namespace skeldon
