// The output pass's interpreter of dot commands: a table of commands tested in a fixed order;
// the first that matches changes the run's settings, writes its markup or hands the line to
// the unit that owns the command.
#pragma once

#include <string>
#include <string_view>

namespace skeldon {

struct CompilerRun;

// DotLine (run.reader.DotLine) holds the line after its dot with the two letters upper-cased.
void DispatchDotCommand(CompilerRun& run, std::string_view letters);
// The argument text: after the letters and at most one blank, at most 199 characters.
std::string DotArgumentText(std::string_view dotLine);

}  // namespace skeldon
