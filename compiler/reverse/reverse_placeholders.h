// Reverse conversions, the help-compiler start and the HTML directory compare, as the main
// program calls them.
#pragma once

#include <string_view>

namespace skeldon {

struct CompilerRun;

// Writes and runs the batch file for the help compiler and viewer; never returns.
[[noreturn]] void StartSecondCompiler(CompilerRun& run);
// Compares two HTML directories; with prepareUpload also writes the ftp upload batch file.
void CompareHtmlDirectories(CompilerRun& run, std::string_view oldDirectory,
                            std::string_view newDirectory, bool prepareUpload);

}  // namespace skeldon
