// The first step of every compile run: the settings of the command line, the project file and
// the ini file become the working state of the run (tables, page extensions, fonts, buttons,
// frames mode and the prefix of every generated file name).
#pragma once

#include <string>

namespace skeldon {

struct CompilerRun;

void PrepareCompileRun(CompilerRun& run);

// The prefix of generated file names from a "pre filename" value: a final "*" is removed; a
// value without one is kept and reported (false).
bool PrefixFromPattern(const std::string& value, std::string& prefix);

}  // namespace skeldon
