// Index markers and topic keywords: the IPF ":i1"/":i2" tags of a marked index expression at
// its place in the text (with the checks for misplaced or unknown expressions), and the
// keyword list of a topic (WinHelp "K" footnote, HTML keywords).
#pragma once

#include <cstdint>
#include <string_view>

namespace skeldon {

struct CompilerRun;

void WriteIndexMarker(CompilerRun& run, bool inverted, bool insertIfMissing);
bool HasTopicKeywords(const CompilerRun& run, std::uint16_t headingNumber);
void WriteTopicKeywords(CompilerRun& run, std::uint16_t headingNumber);
void WriteKeywordWord(CompilerRun& run, std::uint8_t firstChar, std::string_view word);

}  // namespace skeldon
