// The command-line word splitter and word handler on arbitrary text: words keep every
// character but the separating blanks and the quotes, and each word sets a switch, a name or a
// condition within its limits, or stops the run with exit code 2.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/foundation/command_line.h"
#include "compiler/passes/compiler_run.h"
#include "fuzz/fuzz_support.h"

using namespace skeldon;

namespace {

std::string WithoutBlanksAndQuotes(std::string_view text) {
  std::string out;
  for (char c : text)
    if (c != ' ' && c != '"') out += c;
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> words = SplitWords(text);
  std::string joined;
  for (const std::string& word : words) {
    if (word.empty() || word.find('"') != std::string::npos) __builtin_trap();
    joined += WithoutBlanksAndQuotes(word);
  }
  if (joined != WithoutBlanksAndQuotes(text)) __builtin_trap();

  // Log-file switches would create files on disk: not here.
  if (fuzz_support::NamesLogFile(text)) return 0;
  fuzz_support::QuietCompilerRun quiet;
  auto& run = quiet.Run;
  try {
    for (const std::string& word : words) HandleCommandLineWord(*run, word);
  } catch (const TerminateRun& stop) {
    if (stop.ExitCode != 2) __builtin_trap();
  }
  const TSwitches& sw = run->Switches;
  if (sw.ConditionCount < 0 || sw.ConditionCount > kMaxUserConditions) __builtin_trap();
  if (sw.IniFileName.size() > kIniFileNameMax || sw.ProjectFileName.size() > kProjectFileNameMax ||
      sw.IpfFileName.size() > kIpfFileNameMax || sw.RtfFileName.size() > kRtfFileNameMax)
    __builtin_trap();
  for (const std::string& name : sw.SourceFiles)
    if (name.size() > kSourceFileNameMax) __builtin_trap();
  if (!sw.SourceFiles.empty() && sw.SourceFileName != sw.SourceFiles.front() &&
      !sw.IpfReverseInput && !sw.RtfReverseInput)
    __builtin_trap();
  return 0;
}
