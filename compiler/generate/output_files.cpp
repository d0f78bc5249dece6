#include "compiler/generate/output_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "compiler/core/compiler_run.h"
#include "compiler/core/console_reporter.h"
#include "compiler/generate/pass_services.h"
#include "platform/files.h"

namespace {

// A probe that neither truncates an existing file nor leaves one behind when it made it.
// The name is resolved once: a missing name costs a scan of its folder, and the output
// folder grows with every page, so one scan per probe keeps a large run linear.
bool DefaultCanCreate(CompilerRun&, const std::string& path) {
  const std::string resolved = platform::resolve_path(path);
  struct stat st;
  const bool present = ::stat(resolved.c_str(), &st) == 0;
  if (present && S_ISDIR(st.st_mode)) return false;
  bool existed = false;
  if (present && S_ISREG(st.st_mode)) {
    const int fd = ::open(resolved.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    existed = fd >= 0;
    if (fd >= 0) ::close(fd);
  }
  std::FILE* f = std::fopen(resolved.c_str(), "ab");
  if (f == nullptr) return false;
  struct stat opened;
  const bool isDirectory = ::fstat(fileno(f), &opened) == 0 && S_ISDIR(opened.st_mode);
  std::fclose(f);
  if (isDirectory) return false;
  if (!existed && ::lstat(resolved.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) ::unlink(resolved.c_str());
  return true;
}

bool CanCreate(CompilerRun& run, const std::string& path) {
  TOutputFileState& st = run.outputFiles;
  return st.CanCreate ? st.CanCreate(run, path) : DefaultCanCreate(run, path);
}

void MakeDirectory(CompilerRun& run, const std::string& dir) {
  TOutputFileState& st = run.outputFiles;
  if (st.MakeDirectory) st.MakeDirectory(run, dir);
  else platform::create_directory(dir);
}

[[noreturn]] void StopCreating(CompilerRun& run, const std::string& name, bool diskFull) {
  if (diskFull)
    WriteBilingualMessage(run,
                          "Ausgabedatei " + name + " kann nicht angelegt werden. Diskette voll? "
                          "Programmabbruch.",
                          "Error while creating target file " + name + ". Disk full? Program stopped.",
                          true);
  else
    WriteBilingualMessage(run,
                          "Ausgabedatei " + name + " kann nicht angelegt werden. Programmabbruch.",
                          "Error while creating target file " + name + ". Program stopped.", true);
  run.reporter.Terminate(12);
}

// Returns the path under which the file was created.
std::string CreateFile(CompilerRun& run, std::string_view directory, std::string_view name,
                       bool record) {
  TOutputFileState& st = run.outputFiles;
  run.passes.CurrentOutputFileName = std::string(name);
  std::string created(name);
  std::string path = std::string(directory) + created;
  if (st.FirstOutputFilePending) {
    if (!CanCreate(run, path)) {
      MakeDirectory(run, run.switches.OutputDirectory);
      if (!CanCreate(run, path)) {
        std::string& ext = run.fileNames.PageExtension;
        if (ext.size() > 4) ext.resize(4);
        if (!created.empty()) created.pop_back();
        path = std::string(directory) + created;
        if (!CanCreate(run, path)) StopCreating(run, created, false);
        WriteBilingualMessage(run, "Das Laufwerk l\x84\xE1t nur DOS-Dateinamen zu",
                              "Drive supports only DOS filenames", true);
      }
    }
  } else if (!CanCreate(run, path)) {
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
  run.outputFiles.CreatedFiles.emplace_back(name);
}

void CreateOutputFile(CompilerRun& run, std::string_view directory, std::string_view name,
                      bool record) {
  // An output file still open would lose its text silently: it is stored first.
  CloseOutputFile(run);
  TOutputFileState& st = run.outputFiles;
  st.OutputFilePath = CreateFile(run, directory, name, record);
  st.OutputFileOpen = true;
  run.passes.OutputFile.clear();
}

void CreateTextFile(CompilerRun& run, TTextFile& file, std::string_view directory,
                    std::string_view name, bool record) {
  CloseTextFile(run, file);
  const std::string keep = run.passes.CurrentOutputFileName;
  file.Path = CreateFile(run, directory, name, record);
  // Only the output file's name is the "current" page of the link writers.
  run.passes.CurrentOutputFileName = keep;
  file.Text.clear();
  file.Open = true;
}

void RewriteOutputFile(CompilerRun& run, std::string_view path) {
  CloseOutputFile(run);
  const std::string p(path);
  if (!CanCreate(run, p)) StopCreating(run, p, true);
  run.outputFiles.OutputFilePath = p;
  run.outputFiles.OutputFileOpen = true;
  run.passes.OutputFile.clear();
}

void CloseOutputFile(CompilerRun& run) {
  TOutputFileState& st = run.outputFiles;
  if (!st.OutputFileOpen) return;
  st.OutputFileOpen = false;
  std::string text;
  text.swap(run.passes.OutputFile);
  StoreOutputFile(run, st.OutputFilePath, text);
}

void CloseTextFile(CompilerRun& run, TTextFile& file) {
  if (!file.Open) return;
  file.Open = false;
  std::string text;
  text.swap(file.Text);
  StoreOutputFile(run, file.Path, text);
}
