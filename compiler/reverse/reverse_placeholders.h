// Reverse conversions, as the main program calls them.
#pragma once

#include <string_view>

namespace skeldon {

struct CompilerRun;

// IPF file (IpfFileName) to source text; sets RunCompleted at its end.
void ConvertIpfToSource(CompilerRun& run);
// WinHelp RTF file (RtfFileName) to source text; leaves RunCompleted to the caller.
void RunRtfReverseConversion(CompilerRun& run);

}  // namespace skeldon
