// The switch from one topic to the next at every heading line of the output pass: what is
// open is closed, the sub-chapter and next-chapter links are written, the page or topic ends,
// a new HTML file (with group and footnote framesets) starts where the heading asks for one,
// and the heading's opening markup is written. Also the WinHelp footnote topics.
#pragma once

#include <cstdint>

namespace skeldon {

struct CompilerRun;

void SwitchTopic(CompilerRun& run, std::uint8_t level);
// Writes the footnote topics of the ending WinHelp topic and empties the footnote list.
void WriteTopicEnd(CompilerRun& run);

}  // namespace skeldon
