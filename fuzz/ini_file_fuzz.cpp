// The ini reader on arbitrary bytes: it must read every line, report what is wrong and stop
// through the run's terminate exception, never crash or keep a text longer than its field.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "compiler/foundation/ini_file.h"
#include "compiler/passes/compiler_run.h"
#include "fuzz/fuzz_support.h"

using namespace skeldon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  fuzz_support::QuietCompilerRun quiet;
  auto& run = quiet.Run;
  InitMainUnit(*run);
  ResetSwitches(run->Switches);
  // Half of the inputs stop on errors as the program does, half read on to the end.
  const bool stopOnError = size > 0 && (data[0] & 1) != 0;
  try {
    ReadIniText(*run, text, stopOnError);
  } catch (const TerminateRun& stop) {
    if (stop.ExitCode != 2) __builtin_trap();
  }
  const TIniSettings& s = run->Ini;
  if (run->IniFile.IniLine.size() > kIniLineMax) __builtin_trap();
  if (s.ListChars.size() > 20 || s.ToggleChars.size() > 20 || s.ExtendedLetters.size() > 80 ||
      s.IndexFilter.size() > 60 || s.BodyTags.size() > 254 || s.ContentsTreeOpenText.size() > 50 ||
      s.ContentsTreeCloseText.size() > 50 || s.HeadingFonts.size() > 20)
    __builtin_trap();
  for (const std::string& definition : s.FontSpecs)
    if (definition.size() > kFontSpecMax) __builtin_trap();
  if (run->Switches.ContentsDepth < 0 || run->Switches.ContentsDepth > 6) __builtin_trap();
  return 0;
}
