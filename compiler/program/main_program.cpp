#include "compiler/program/main_program.h"

#include <exception>
#include <new>

#include "compiler/passes/compile_hypertext.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/publish/help_compiler_launcher.h"
#include "compiler/publish/html_compare.h"
#include "compiler/reverse/ipf_to_source.h"
#include "compiler/reverse/rtf_reverse_run.h"
#include "compiler/writers/help_tables.h"

namespace skeldon {

namespace {

std::string WithoutTrailingBackslash(std::string directory) {
  if (directory.size() > 1 && (directory.back() == '\\' || directory.back() == '/'))
    directory.pop_back();
  return directory;
}

}  // namespace

CompareDirectories ChooseCompareDirectories(const CompilerRun& run) {
  const TSwitches& sw = run.Switches;
  const std::vector<std::string>& words = sw.ProgramParameters;
  // With a project file, it is taken to be word 1 and the switch word 2.
  const std::size_t k = sw.ProjectFileName.empty() ? 0 : 1;
  const auto word = [&](std::size_t number) { return words.at(number - 1); };
  CompareDirectories dirs;
  if (words.size() <= k + 1 && !sw.PrepareUploadMode) return dirs;
  dirs.Run = true;
  // The first directory is the new state (the output directory), the second the state last
  // uploaded, so that pages the compile dropped are deleted from the server, not new ones.
  dirs.New = WithoutTrailingBackslash(sw.PrepareUploadMode ? sw.OutputDirectory : word(k + 2));
  dirs.Old = !sw.PrepareUploadMode && words.size() > k + 2 ? WithoutTrailingBackslash(word(k + 3))
                                                           : dirs.New + "_uploaded";
  return dirs;
}

void RunCompareOrUpload(CompilerRun& run) {
  const TSwitches& sw = run.Switches;
  const CompareDirectories dirs = ChooseCompareDirectories(run);
  if (!dirs.Run) run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::Success));
  if (sw.PrepareUploadMode && dirs.New.empty()) {
    // Without a source there is no output directory: "" and "_uploaded" are no directories.
    WriteMessage(run, MessageId::PrepareUploadWithoutSource, true);
    run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::RunFailed));
  }
  const ProjectFileState& pf = run.Project;
  // An upload batch needs the server data, with or without a project file.
  if ((!sw.ProjectFileName.empty() || sw.PrepareUploadMode) &&
      (pf.FtpServerName.empty() || pf.FtpUserName.empty() || pf.FtpPassword.empty())) {
    // Console only, in English.
    for (const char* line :
         {"Error: Server information in SKJ file missing. The following lines are required:",
          "ftp server name = ", "ftp user name = ", "ftp password = ", "ftp server dir = "}) {
      run.Reporter.WriteConsole(line);
      run.Reporter.WriteConsole("\n");
    }
    run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::UploadServerMissing));
  }
  CompareHtmlDirectories(run, dirs.Old, dirs.New, sw.PrepareUploadMode);
  run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::Success));
}

int CompilerMain(const std::vector<std::string>& argvWords, CompilerRun& run) {
  run.Switches.ProgramPath = argvWords.empty() ? std::string() : argvWords.front();
  run.Switches.ProgramParameters.assign(argvWords.empty() ? argvWords.end() : argvWords.begin() + 1,
                                        argvWords.end());
  // The unit initialisations in their order: the main unit first, then the source reader
  // unit; the reverse, publishing, contents and output units have nothing to set up.
  InitMainUnit(run);
  InitSourceUnit(run);
  // The reporter is a member of the run and exists from here on.
  ResetSwitches(run.Switches);
  ReadCommandLine(run);
  ReadProjectFile(run);
  if (run.Switches.CompareMode || run.Switches.PrepareUploadMode) RunCompareOrUpload(run);
  ReadIniFile(run, true);
  if (run.Switches.IpfReverseInput) {
    ConvertIpfToSource(run);
    run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::Success));
  }
  if (run.Switches.RtfReverseInput) {
    // Only a conversion that ran to its end counts as completed.
    if (!RunRtfReverseConversion(run)) run.Reporter.Terminate(ExitCode::RunFailed);
    run.RunCompleted = true;
    run.Reporter.Terminate(ExitCode::Success);
  }
  CompileHypertext(run);
  StartSecondCompiler(run);
  return ProcessExitCode(ExitCode::Success);
}

int RunCompiler(const std::vector<std::string>& argvWords, CompilerRun& run) {
  try {
    return CompilerMain(argvWords, run);
  } catch (const TerminateRun& stop) {
    return stop.ExitCode;
  } catch (const std::bad_alloc&) {
    run.Reporter.WriteLine("Skeldon: out of memory", false);
    return ProcessExitCode(ExitCode::RunFailed);
  } catch (const std::exception& fault) {
    // A fault nothing else handles still ends with the exit code of a failed run.
    run.Reporter.WriteLine(std::string("Skeldon: internal error: ") + fault.what(), false);
    return ProcessExitCode(ExitCode::RunFailed);
  }
}

}  // namespace skeldon
