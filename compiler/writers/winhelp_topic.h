// The opening lines of every WinHelp topic: the topic marker with its running number, the
// context-string footnote and, when the source asks for browse buttons, the browse footnote.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "compiler/writers/inline_graphics.h"  // RtfEscaped

namespace skeldon {

struct CompilerRun;

// ownId: the topic's own context string (.ID word) or nullptr.
void WriteWinHelpTopicStart(CompilerRun& run, std::string_view prefix, std::uint16_t number,
                            const std::string* ownId);

}  // namespace skeldon
