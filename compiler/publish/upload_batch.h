// The ftp upload batch: written beside the output directory while the directory compare makes
// its lists. Run by the user (runbatch), it builds an ftp script with echo lines, sends the
// deletions and new pages to the server and then brings the "_uploaded" mirror up to date.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace skeldon {

struct CompilerRun;

// The batch while it is made: every line is kept until the whole file is written at once, so a
// failed run leaves no half batch behind (and no file in the current directory).
struct TUploadBatch {
  std::string NewDir;
  std::string ScriptName;     // bare name, made in the batch's current directory
  std::string BatchFileName;  // NewDir + "_ftpUpload.cmd"
  std::string Password;       // decoded
  std::string Lines;          // the batch up to the mirror lines
  std::string MirrorLines;    // the del and copy lines for the mirror
};

// "cmd": the batch is written for the NT command interpreter, which the runner follows.
std::string GetBatchExtension();
// The text after the last "\" or "/", or the whole text.
std::string LastPathComponent(std::string_view path);
// A password as the project file holds it: "encrypted:" + base64 of the password, or the
// password itself. Nothing for a base64 text that is not valid.
std::optional<std::string> DecodePassword(std::string_view stored);

// Each stops the run with a message when the batch cannot be made safely (no server data, a
// name the batch cannot carry, a password that does not decode, a file that cannot be written).
void BeginUploadBatch(CompilerRun& run, TUploadBatch& batch, std::string_view newDir);
void WriteServerScriptLines(CompilerRun& run, TUploadBatch& batch, bool oldDirWritable);
// false (with a message) for a file name the batch cannot carry: the file is left out.
bool WriteDeleteFileLines(CompilerRun& run, TUploadBatch& batch, std::string_view name);
bool WriteUploadFileLines(CompilerRun& run, TUploadBatch& batch, std::string_view name);
void FinishUploadBatch(CompilerRun& run, TUploadBatch& batch, bool oldDirWritable);

}  // namespace skeldon
