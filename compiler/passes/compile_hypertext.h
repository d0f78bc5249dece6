// The compile run: from the loaded sources to the target format's files.
#pragma once

#include <string>

namespace skeldon {

struct CompilerRun;

// Sets RunCompleted at its very end; every fatal error ends the run through Terminate.
void CompileHypertext(CompilerRun& run);
// The same run with the joined source text given instead of reading the source files (the
// source-file list must still name the main source, whose name gives the output names).
void CompileHypertextText(CompilerRun& run, const std::string& sourceText);

}  // namespace skeldon
