// Skeldon's main program: the order in which the compiler's pieces run, and the front of the
// HTML compare and upload tool.
#pragma once

#include <string>
#include <vector>

namespace skeldon {

struct CompilerRun;

// The whole run for the words of argv (word 0 the program file). Every orderly end throws
// TerminateRun (Terminate, ShowUsage, the compare tool, the help-compiler start); returns 0
// only if the flow ever runs off its end.
int CompilerMain(const std::vector<std::string>& argvWords, CompilerRun& run);

// CompilerMain with every TerminateRun turned into its exit code; what main() calls.
int RunCompiler(const std::vector<std::string>& argvWords, CompilerRun& run);

// The directories the compare and upload tool works on, chosen from the command-line words.
struct CompareDirectories {
  bool Run = false;  // false: too few words, nothing to compare
  std::string Old;
  std::string New;
};
CompareDirectories ChooseCompareDirectories(const CompilerRun& run);

// The front of the compare and upload tool; never returns (ends with Terminate).
[[noreturn]] void RunCompareOrUpload(CompilerRun& run);

}  // namespace skeldon
