// Small output services of the output pass: closing lists, list characters, the breaks that
// source line ends stand for, the HTML include file (.HF), the font check and the blocks of
// unformatted lines (.BA/.BE, .FM OFF/ON).
#pragma once

#include <cstdint>
#include <string_view>

namespace skeldon {

struct CompilerRun;

// Closes the innermost list with the end tag of its own kind.
void CloseLists(CompilerRun& run);
bool IsListChar(const CompilerRun& run, std::uint8_t ch);
// Writes the break owed by the pending line ends (run.markup.PendingLineEnds).
void WriteSourceLineEnd(CompilerRun& run);
void IncludeHtmlFile(CompilerRun& run, std::string_view name);
void FindFontDefinition(CompilerRun& run, char letter);
void BeginLineBlock(CompilerRun& run);
void EndLineBlock(CompilerRun& run);

}  // namespace skeldon
