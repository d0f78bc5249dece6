// `do`'s entry: reads the words, fills the run state, derives the start path and runs the one
// command the first word names. Also the text helpers every command uses.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/do/do_run.h"

namespace do_tool {

// words[0] is the program name. Returns the exit code (see ExitCode).
int RunDoCommand(const std::vector<std::string>& words, const DoContext& context);

// "a".."z" to "A".."Z"; every other byte, accented letters too, stays.
std::string UpperCaseText(std::string_view text);
int CountCharInText(std::string_view text, char ch);
// 0 -> "0 bytes", 1536 -> "1.50 kB", 1048575 -> "1023 kB".
std::string FormatByteSize(long double value);

void ShowDoHelp(const DoRun& run);
void ShowSearchHelp(const DoRun& run);

}  // namespace do_tool
