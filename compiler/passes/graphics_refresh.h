// The graphics files of a compile run: every picture a page refers to is looked up in the
// graphic path, copied into the output directory when the copy there is missing or older,
// and recorded with its size for the picture sizes, the summary and the missing-graphics report.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace skeldon {

struct CompilerRun;

// name: changed in place to the bare file name under which the page refers to the picture
// (unchanged for web names and while the search is off).
void RefreshGraphicsFileName(CompilerRun& run, std::string& name);
// Installs the refresh as the pass services' graphics refresh of the run.
void InstallGraphicsRefresh(CompilerRun& run);
// The background picture named by a "body tags" or "contents tags" value.
void RefreshBackgroundGraphic(CompilerRun& run, std::string_view tags);
// The recorded size in thousands of bytes (rounded), 0 for a missing file, 0xFFFF when unknown.
std::uint16_t GetGraphicSizeKb(CompilerRun& run, std::string_view name);

}  // namespace skeldon
