// The last step of every character of running text before the character output: the column
// count of the output line, TAB expansion, line wraps after column 80 in reflowed text, and
// inside a line-drawing block the column-exact padding and toggle handling.
#pragma once

#include <cstdint>
#include <string_view>

namespace skeldon {

struct CompilerRun;

struct TOutputFilterState {
  // The character output of running text (footnotes and graphics characters, then the
  // automatic linker). Installed by the output pass; unset, characters go straight to the
  // automatic linker. A plain function pointer: it is called for every character of the text.
  void (*EmitSourceChar)(CompilerRun&, std::uint8_t) = nullptr;
};

void FilterOutputChar(CompilerRun& run, std::uint8_t c);
// The character output as installed (see TOutputFilterState).
void EmitSourceChar(CompilerRun& run, std::uint8_t c);
// A text of the settings (a label such as "Next chapter") through the character output, its
// characters mapped to the internal toggles, without automatic links: a label names no topic.
void EmitLabelText(CompilerRun& run, std::string_view text);

}  // namespace skeldon
