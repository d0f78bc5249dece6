#include "compiler/reverse/reverse_placeholders.h"

#include <string>

#include "compiler/passes/compiler_run.h"

namespace skeldon {

namespace {

// These functions are not built yet: each says so plainly and stops with exit code 2, never
// as success.
[[noreturn]] void NotBuiltYet(CompilerRun& run, MessageId what) {
  WriteMessage(run, {MessageId::NotBuiltYet, MessageText(run.Language, what)}, true);
  run.Reporter.Terminate(ExitCode::RunFailed);
}

}  // namespace

void StartSecondCompiler(CompilerRun& run) {
  // Without a launch to make, the run ends as an ordinary end; only the launch itself is
  // not built yet.
  const TTargetFlags& t = run.Ini.TargetFlags;
  const auto& lines = run.ProgramCommands.Lines;
  const bool hasCompiler = (t.WinHelp3 && !lines[kWinHelp3Compiler].empty()) ||
                           (t.WinHelp4 && !lines[kWinHelp4Compiler].empty()) ||
                           (t.HtmlHelp && !lines[kHtmlHelpCompiler].empty()) ||
                           (t.Ipf && !lines[kIpfCompiler].empty());
  if (!run.RunSuccess || !run.Project.CompileAfterRun || run.HelpProject.GraphicsMissing ||
      !hasCompiler)
    run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::Success));
  NotBuiltYet(run, MessageId::HelpCompilerStart);
}

void CompareHtmlDirectories(CompilerRun& run, std::string_view, std::string_view, bool) {
  NotBuiltYet(run, MessageId::HtmlDirectoryCompare);
}

}  // namespace skeldon
