// Creation and closing of the files a compile run writes page by page: the output file that
// every writer appends to, the extra text files of a run (the notes page), the short-extension
// fallback of the first file and the list of created pages that the HTML Help project names.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace skeldon {

struct CompilerRun;

// A text file of the run other than the output file: its text is kept until it is closed.
struct TTextFile {
  std::string Path;  // directory + name as created, empty while closed
  std::string Text;
  bool Open = false;
};

struct TOutputFileState {
  std::string OutputFilePath;  // directory + name of the open output file
  bool OutputFileOpen = false;
  bool FirstOutputFilePending = true;
  std::vector<std::string> CreatedFiles;  // names in creation order, for the HTML Help project
  // Whether a file of that path can be created; tests replace it to refuse a drive.
  std::function<bool(CompilerRun&, const std::string&)> CanCreate;
  // Creates a directory (result ignored); tests replace it.
  std::function<void(CompilerRun&, const std::string&)> MakeDirectory;
};

// Starts a new output file directory + name (the earlier text must have been closed). The
// first file of a run is retried after creating OutputDirectory, then with the short page
// extension; a file that cannot be created stops the run with code 12.
void CreateOutputFile(CompilerRun& run, std::string_view directory, std::string_view name,
                      bool record);
// The same for another text file of the run.
void CreateTextFile(CompilerRun& run, TTextFile& file, std::string_view directory,
                    std::string_view name, bool record);
// The single output file of an IPF or RTF run, created under the given path.
void RewriteOutputFile(CompilerRun& run, std::string_view path);
void AppendCreatedFileName(CompilerRun& run, std::string_view name);

// Writes the text to disk (replacing an older file atomically) and empties it; a write or close
// failure stops the run with exit code 2. Nothing happens when no file is open.
void CloseOutputFile(CompilerRun& run);
void CloseTextFile(CompilerRun& run, TTextFile& file);

// The background writer of output files (output_writer.h): files stored between the start and
// the finish are written by it. The finish waits for every file; a file that could not be
// written stops the run there, or at the next file stored, with the message of the failure.
void StartOutputWriter(CompilerRun& run);
void FinishOutputWriter(CompilerRun& run);
// Hands a file to the writer, its text moved out; false (the text kept) when no writer runs.
bool HandOverOutputFile(CompilerRun& run, const std::string& name, std::string& text);

}  // namespace skeldon
