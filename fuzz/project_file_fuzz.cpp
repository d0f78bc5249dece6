// The project-file reader on arbitrary bytes: every line is handled or reported, a stop goes
// through the run's terminate exception with exit code 2, and no stored text exceeds its field.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "compiler/foundation/project_file.h"
#include "compiler/passes/compiler_run.h"
#include "fuzz/fuzz_support.h"

using namespace skeldon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  // "parameter" lines may name log files, which would be created on disk: not here.
  if (fuzz_support::NamesLogFile(text)) return 0;
  fuzz_support::QuietCompilerRun quiet;
  auto& run = quiet.Run;
  run->Switches.ProgramPath = "/opt/corvina/bin/skeldon";
  try {
    ReadProjectFileText(*run, text);
  } catch (const TerminateRun& stop) {
    if (stop.ExitCode != 2) __builtin_trap();
  }
  const TSwitches& sw = run->Switches;
  const ProjectFileState& pf = run->Project;
  if (sw.IniFileName.size() > kIniFileNameMax || pf.FtpServerName.size() > 70 ||
      pf.FtpUserName.size() > 70 || pf.FtpPassword.size() > 50 ||
      pf.FtpServerDirectory.size() > 140 || pf.FtpCommands.size() > 250 ||
      pf.ConsoleLines.size() > 30 || pf.PreFileName.size() > 40 ||
      run->Graphics.GraphicPath.size() > 255)
    __builtin_trap();
  for (const std::string& line : run->ProgramCommands.Lines)
    if (line.size() > kProgramCommandMax) __builtin_trap();
  if (sw.ConditionCount < 0 || sw.ConditionCount > kMaxUserConditions) __builtin_trap();
  for (const std::string& name : sw.ConditionNames)
    if (name.size() > kConditionNameMax) __builtin_trap();
  for (const std::string& name : sw.SourceFiles)
    if (name.empty() || name.size() > kSourceFileNameMax) __builtin_trap();
  return 0;
}
