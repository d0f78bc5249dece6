#include "compiler/passes/pass_services.h"

#include "compiler/foundation/console_reporter.h"
#include "compiler/foundation/file_names.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/writers/output_files.h"
#include "compiler/writers/output_writer.h"

namespace skeldon {

THeadingNode* NewHeadingNode(CompilerRun& run) {
  run.Passes.NodeStore.push_back(std::make_unique<THeadingNode>());
  return run.Passes.NodeStore.back().get();
}

const std::string* KeepOwnString(CompilerRun& run, std::string_view text) {
  run.Passes.OwnStrings.push_back(std::make_unique<std::string>(text));
  return run.Passes.OwnStrings.back().get();
}

void RecordExternalReference(CompilerRun& run, std::string_view name) {
  for (const std::string& known : run.Passes.ExternalReferences)
    if (known == name) return;
  run.Passes.ExternalReferences.emplace_back(name);
}

void RefreshGraphicsFile(CompilerRun& run, std::string_view name) {
  if (name.rfind("ftp://", 0) == 0 || name.rfind("http://", 0) == 0) {
    RecordExternalReference(run, name);
    return;
  }
  if (run.Passes.RefreshGraphicsFile) run.Passes.RefreshGraphicsFile(run, name);
}

bool IsFootnoteFrameset(const CompilerRun& run, std::int32_t file) {
  return file >= 0 && file < kFootnoteFileFlags && run.Passes.FileHasFootnotes[file] &&
         !run.Ini.FootnotesPopup && !run.Switches.NoFrames;
}

// The same test as the page naming, so the panel ID file names the page that is written.
bool IsSafePageWord(std::string_view word) { return IsUsablePageName(word); }

void StoreOutputFile(CompilerRun& run, const std::string& name, const std::string& text) {
  StoreOutputFile(run, name, std::string(text));
}

void StoreOutputFile(CompilerRun& run, const std::string& name, std::string&& text) {
  if (run.Passes.StoreFile) {
    run.Passes.StoreFile(run, name, text);
    return;
  }
  if (HandOverOutputFile(run, name, text)) return;
  if (WriteOutputFileNow(name, text) != TOutputFailure::None) {
    WriteMessage(run, {MessageId::TargetFileNotWritten, name}, true);
    run.Reporter.Terminate(ExitCode::RunFailed);
  }
}

}  // namespace skeldon
