// The compile run: from the loaded sources to the target format's files.
#pragma once

struct CompilerRun;

// Sets RunCompleted at its very end; every fatal error ends the run through Terminate.
void CompileHypertext(CompilerRun& run);
