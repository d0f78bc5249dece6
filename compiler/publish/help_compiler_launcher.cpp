#include "compiler/publish/help_compiler_launcher.h"

#include <cctype>

#include "compiler/passes/compiler_run.h"
#include "platform/batch_runner.h"
#include "platform/files.h"

namespace skeldon {

namespace {

void Line(std::string& to, std::string_view text) {
  to += text;
  to += "\r\n";
}

struct TargetLines {
  int Compiler;
  int Viewer;
};

}  // namespace

std::string CompiledHelpFileName(const CompilerRun& run) {
  const TTargetFlags& t = run.Ini.TargetFlags;
  const std::string& ipf = run.ProgramCommands.Lines[kIpfCompiler];
  if (t.Ipf && (ipf.find("/inf") != std::string::npos || ipf.find("/INF") != std::string::npos))
    return SetFileExtension(run.Switches.SourceFileName, "INF");
  if (t.HtmlHelp) return SetFileExtension(run.Switches.SourceFileName, "CHM");
  return SetFileExtension(run.Switches.SourceFileName, "HLP");
}

std::optional<std::string> SecondCompilerBatch(CompilerRun& run,
                                               std::string_view currentDirectory) {
  const TTargetFlags& t = run.Ini.TargetFlags;
  const auto& lines = run.ProgramCommands.Lines;
  // The first target that applies chooses the lines.
  const struct {
    bool on;
    TargetLines lines;
    const std::string* project;
  } targets[] = {
      {t.WinHelp3, {kWinHelp3Compiler, kWinHelp3Viewer}, &run.HelpProject.HpjFileName},
      {t.WinHelp4, {kWinHelp4Compiler, kWinHelp4Viewer}, &run.HelpProject.HpjFileName},
      {t.HtmlHelp, {kHtmlHelpCompiler, kHtmlHelpViewer}, &run.HelpProject.HhpFileName},
      {t.Ipf, {kIpfCompiler, kIpfViewer}, &run.Switches.IpfFileName},
  };
  bool hasCompiler = false;
  for (const auto& target : targets)
    if (target.on && !lines[target.lines.Compiler].empty()) hasCompiler = true;
  if (!run.RunSuccess || !run.Project.CompileAfterRun || run.HelpProject.GraphicsMissing ||
      !hasCompiler)
    return std::nullopt;
  std::string batch;
  Line(batch, "@echo off");
  // A drive change only where the directory has a drive: the "CD" line names the whole path.
  if (currentDirectory.size() >= 2 && currentDirectory[1] == ':' &&
      std::isalpha(static_cast<unsigned char>(currentDirectory[0])))
    Line(batch, std::string(1, currentDirectory[0]) + ":");
  Line(batch, "CD " + platform::quote_batch_path(currentDirectory));
  if (!run.Project.ConsoleLines.empty()) Line(batch, "MODE 80," + run.Project.ConsoleLines);
  for (const auto& target : targets) {
    if (!target.on) continue;
    Line(batch, "START /W " + lines[target.lines.Compiler] + " " +
                    platform::quote_batch_path(*target.project));
    if (run.Project.ViewAfterRun)
      Line(batch, "START /W " + lines[target.lines.Viewer] + " " +
                      platform::quote_batch_path(CompiledHelpFileName(run)));
    break;
  }
  if (!run.Project.ViewAfterRun) Line(batch, "PAUSE");
  Line(batch, "EXIT");
  return batch;
}

void StartSecondCompiler(CompilerRun& run) {
  const std::string directory = platform::current_directory();
  const std::optional<std::string> batch = SecondCompilerBatch(run, directory);
  if (!batch) run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::Success));
  WriteMessage(run, MessageId::StartingSecondCompiler, false);
  const std::string name(kSecondCompilerBatch);
  // Only the batch written now may run: when it cannot be written, nothing runs (an older
  // SKTEMP.BAT from another run is never started).
  platform::ReplaceOptions options;
  options.flush = false;
  const platform::FileError error =
      platform::replace_file_atomic(name, *batch, platform::no_drives(), options);
  if (error != platform::FileError::none) {
    WriteMessage(run, {MessageId::FileNotWrittenBecause, name, platform::file_error_text(error)},
                 true);
    run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::OutputFileFailed));
  }
  run.Reporter.FinishRun(false);
  std::vector<std::string> toolErrors;
  const platform::ToolMap tools = platform::ToolMap::from_config(&toolErrors);
  for (const std::string& e : toolErrors) run.Reporter.WriteLine(e, false);
  platform::BatchConsole console;
  console.write = [&run](std::string_view text) { run.Reporter.WriteConsole(text); };
  console.pause = [&run] {
    run.Reporter.Console().WaitForKey();
    return true;
  };
  const platform::BatchResult result = platform::run_batch(name, tools, console);
  if (!result.error.empty()) run.Reporter.WriteLine(result.error, false);
  if (!result.ok()) WriteMessage(run, {MessageId::BatchNotExecuted, name}, true);
  platform::erase_file(name);
  run.Reporter.CloseLogFiles();
  throw TerminateRun(ExitCode::Success);
}

}  // namespace skeldon
