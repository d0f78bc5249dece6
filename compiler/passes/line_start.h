// The start of every source line of running text in the output pass: indentation and list
// characters are counted, list items, list ends and paragraph margins are decided and written,
// then the character goes on to the output filter.
#pragma once

#include <cstdint>

namespace skeldon {

struct CompilerRun;

void ProcessLineStart(CompilerRun& run, std::uint8_t ch);
// The decision for a line that is no list item (margin, literal indentation, list end).
void CheckListIndent(CompilerRun& run);

}  // namespace skeldon
