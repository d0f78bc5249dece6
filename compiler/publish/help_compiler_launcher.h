// After a compile run: the help compiler of the target (and its viewer) started through a
// batch file, SKTEMP.BAT, that the suite's batch runner runs; the compiler waits for it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace skeldon {

struct CompilerRun;

// The name of the batch in the current directory.
inline constexpr std::string_view kSecondCompilerBatch = "SKTEMP.BAT";

// The compiled help file the viewer is given: the source's name with "INF" (IPF with "/inf"
// in its compiler line), "CHM" (HTML Help) or "HLP".
std::string CompiledHelpFileName(const CompilerRun& run);

// The batch text for a run started in currentDirectory; nothing when no help compiler is to
// be started (the run failed, "compile" is off, a picture is missing, or the target has no
// compiler line).
std::optional<std::string> SecondCompilerBatch(CompilerRun& run, std::string_view currentDirectory);

// Writes and runs the batch, reports a batch that failed, deletes it and ends the program.
[[noreturn]] void StartSecondCompiler(CompilerRun& run);

}  // namespace skeldon
