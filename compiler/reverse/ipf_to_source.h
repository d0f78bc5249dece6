// IPF help source back to dot-command source: symbols, a fixed set of tags and the ".br" line
// are understood, everything else is copied as text and re-broken for soft line ends.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "compiler/reverse/from_rtf.h"

namespace skeldon {

struct CompilerRun;

inline constexpr std::string_view kIpfOutputFileName = "SKSOURCE.TXT";
inline constexpr std::size_t kPendingIndexMax = 50;
inline constexpr std::size_t kIndexEntryMax = 80;
inline constexpr std::size_t kSymbolNameMax = 23;

struct TIpfConversionSettings {
  std::string ToggleChars;  // the twelve user characters, in toggle order
  std::string ListChars;    // one per list level
  bool SoftLineEnds = true;
  bool IsoSourceCodePage = false;
  std::array<std::uint8_t, 256> OemToAnsi{};  // used when IsoSourceCodePage
};

struct TIpfConversionResult {
  bool Succeeded = false;
  std::string Output;  // the generated source (complete only when Succeeded)
  int StopCode = 0;    // 31: more list levels than list characters
};

// Converts IPF text; messages go to the sink. Writes no file.
TIpfConversionResult ConvertIpfText(std::string_view input, const TIpfConversionSettings& settings,
                                    RtfConversionSink& sink);

// Skeldon's conversion of IpfFileName into "SKSOURCE.TXT" in the current folder; sets
// RunCompleted when it succeeded, stops the run otherwise.
void ConvertIpfToSource(CompilerRun& run);

}  // namespace skeldon
