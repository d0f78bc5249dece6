#include "compiler/writers/output_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "compiler/foundation/console_reporter.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/passes/pass_services.h"
#include "compiler/writers/output_writer.h"
#include "platform/files.h"

namespace skeldon {

namespace {

// A probe that touches nothing: an existing file must be writable, a new one needs a folder
// that takes new entries. Creating and removing a trial file would also do, but it changes the
// folder on every page, and the folder's cached listing would then be read again each time.
bool DefaultCanCreate(CompilerRun&, const std::string& path) {
  const std::string resolved = platform::resolve_path(path);
  struct stat st;
  if (::stat(resolved.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return false;
    return ::faccessat(AT_FDCWD, resolved.c_str(), W_OK, AT_EACCESS) == 0;
  }
  const std::size_t slash = resolved.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                                        : resolved.substr(0, slash);
  return ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

bool CanCreate(CompilerRun& run, const std::string& path) {
  TOutputFileState& st = run.OutputFiles;
  return st.CanCreate ? st.CanCreate(run, path) : DefaultCanCreate(run, path);
}

void MakeDirectory(CompilerRun& run, const std::string& dir) {
  TOutputFileState& st = run.OutputFiles;
  if (st.MakeDirectory)
    st.MakeDirectory(run, dir);
  else
    platform::create_directory(dir);
}

[[noreturn]] void StopCreating(CompilerRun& run, const std::string& name, bool diskFull) {
  const MessageId notCreated =
      diskFull ? MessageId::TargetFileNotCreatedDiskFull : MessageId::TargetFileNotCreated;
  WriteMessage(run, {notCreated, name}, true);
  run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::OutputFileFailed));
}

// Returns the path under which the file was created.
std::string CreateFile(CompilerRun& run, std::string_view directory, std::string_view name,
                       bool record) {
  TOutputFileState& st = run.OutputFiles;
  run.Passes.CurrentOutputFileName = std::string(name);
  std::string created(name);
  std::string path = std::string(directory) + created;
  if (st.FirstOutputFilePending) {
    if (!CanCreate(run, path)) {
      MakeDirectory(run, run.Switches.OutputDirectory);
      if (!CanCreate(run, path)) {
        std::string& ext = run.FileNames.PageExtension;
        if (ext.size() > 4) ext.resize(4);
        if (!created.empty()) created.pop_back();
        path = std::string(directory) + created;
        if (!CanCreate(run, path)) StopCreating(run, created, false);
        WriteMessage(run, MessageId::DosFileNamesOnly, true);
      }
    }
  } else if ((!run.Passes.Writer || run.OutputFiles.CanCreate) && !CanCreate(run, path)) {
    // With the background writer, creating the file is the probe: it reports a failure as
    // this probe would (StopOnWriterFailure).
    StopCreating(run, created, true);
  }
  if (record) {
    const std::size_t slash = created.find('\\');
    AppendCreatedFileName(run, slash == std::string::npos ? created : created.substr(slash + 1));
  }
  st.FirstOutputFilePending = false;
  return path;
}

}  // namespace

void AppendCreatedFileName(CompilerRun& run, std::string_view name) {
  run.OutputFiles.CreatedFiles.emplace_back(name);
}

void CreateOutputFile(CompilerRun& run, std::string_view directory, std::string_view name,
                      bool record) {
  // An output file still open would lose its text silently: it is stored first.
  CloseOutputFile(run);
  TOutputFileState& st = run.OutputFiles;
  st.OutputFilePath = CreateFile(run, directory, name, record);
  st.OutputFileOpen = true;
  run.Passes.OutputFile.clear();
}

void CreateTextFile(CompilerRun& run, TTextFile& file, std::string_view directory,
                    std::string_view name, bool record) {
  CloseTextFile(run, file);
  const std::string keep = run.Passes.CurrentOutputFileName;
  file.Path = CreateFile(run, directory, name, record);
  // Only the output file's name is the "current" page of the link writers.
  run.Passes.CurrentOutputFileName = keep;
  file.Text.clear();
  file.Open = true;
}

void RewriteOutputFile(CompilerRun& run, std::string_view path) {
  CloseOutputFile(run);
  const std::string p(path);
  if (!CanCreate(run, p)) StopCreating(run, p, true);
  run.OutputFiles.OutputFilePath = p;
  run.OutputFiles.OutputFileOpen = true;
  run.Passes.OutputFile.clear();
}

void CloseOutputFile(CompilerRun& run) {
  TOutputFileState& st = run.OutputFiles;
  if (!st.OutputFileOpen) return;
  st.OutputFileOpen = false;
  std::string text;
  text.swap(run.Passes.OutputFile);
  // The next page is about as long: growing it from nothing would copy it again and again.
  run.Passes.OutputFile.reserve(text.size());
  StoreOutputFile(run, st.OutputFilePath, std::move(text));
}

void CloseTextFile(CompilerRun& run, TTextFile& file) {
  if (!file.Open) return;
  file.Open = false;
  std::string text;
  text.swap(file.Text);
  StoreOutputFile(run, file.Path, std::move(text));
}

namespace {

void StopOnWriterFailure(CompilerRun& run) {
  std::string name;
  const TOutputFailure failure = run.Passes.Writer->Failure(name);
  if (failure == TOutputFailure::None) return;
  run.Passes.Writer.reset();
  if (failure == TOutputFailure::Create) {
    // Named as the probe at creation names it: from the separator before the file name on.
    const std::size_t separator = name.find_last_of("\\/");
    StopCreating(run, separator == std::string::npos ? name : name.substr(separator), true);
  }
  WriteMessage(run, {MessageId::TargetFileNotWritten, name}, true);
  run.Reporter.Terminate(ExitCode::RunFailed);
}

}  // namespace

void StartOutputWriter(CompilerRun& run) {
  if (!run.Passes.StoreFile && !run.Passes.Writer)
    run.Passes.Writer = std::make_shared<TOutputWriter>();
}

void FinishOutputWriter(CompilerRun& run) {
  if (!run.Passes.Writer) return;
  run.Passes.Writer->Drain();
  StopOnWriterFailure(run);
  run.Passes.Writer.reset();
}

bool HandOverOutputFile(CompilerRun& run, const std::string& name, std::string& text) {
  if (!run.Passes.Writer) return false;
  StopOnWriterFailure(run);
  run.Passes.Writer->Put(name, std::move(text));
  return true;
}

}  // namespace skeldon
