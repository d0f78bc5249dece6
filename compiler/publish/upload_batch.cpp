#include "compiler/publish/upload_batch.h"

#include "compiler/passes/compiler_run.h"
#include "platform/batch_runner.h"
#include "platform/files.h"

namespace skeldon {

namespace {

void Line(std::string& to, std::string_view text) {
  to += text;
  to += "\r\n";
}

std::string BatchText(const CompilerRun& run, const Message& message) {
  return GermanOrEnglishText(run.Language, message);
}

[[noreturn]] void Refuse(CompilerRun& run, const Message& message) {
  WriteMessage(run, message, true);
  run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::RunFailed));
}

// A path for a command line of the batch; a name it cannot carry stops the run.
std::string PathOrStop(CompilerRun& run, std::string_view path) {
  std::string quoted = platform::quote_batch_path(path);
  if (quoted.empty()) Refuse(run, {MessageId::UnsafeBatchName, std::string(path)});
  return quoted;
}

// A file name inside the ftp script: the client groups a name with blanks in double quotes.
std::string FtpName(std::string_view name) {
  return name.find(' ') == std::string_view::npos ? std::string(name)
                                                  : "\"" + std::string(name) + "\"";
}

void WriteEchoLine(TUploadBatch& batch, std::string_view text) {
  Line(batch.Lines, "echo " + platform::escape_batch_text(text) + ">" +
                        platform::quote_batch_path(batch.ScriptName));
}

void AppendEchoLine(TUploadBatch& batch, std::string_view text) {
  Line(batch.Lines, "echo " + platform::escape_batch_text(text) + ">>" +
                        platform::quote_batch_path(batch.ScriptName));
}

bool SafeFileName(CompilerRun& run, std::string_view name) {
  if (!platform::quote_batch_path(name).empty() && name.find('"') == std::string_view::npos)
    return true;
  WriteMessage(run, {MessageId::UnsafeBatchName, std::string(name)}, true);
  return false;
}

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

std::string GetBatchExtension() { return "cmd"; }

std::string LastPathComponent(std::string_view path) {
  const std::size_t sep = path.find_last_of("\\/");
  return std::string(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

std::optional<std::string> DecodePassword(std::string_view stored) {
  constexpr std::string_view kPrefix = "encrypted:";
  if (stored.substr(0, kPrefix.size()) != kPrefix) return std::string(stored);
  std::string_view code = stored.substr(kPrefix.size());
  while (!code.empty() && code.back() == '=') code.remove_suffix(1);
  if (code.size() % 4 == 1) return std::nullopt;
  std::string out;
  unsigned bits = 0;
  int count = 0;
  for (const char c : code) {
    const int v = Base64Value(c);
    if (v < 0) return std::nullopt;
    bits = (bits << 6) | static_cast<unsigned>(v);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return out;
}

void BeginUploadBatch(CompilerRun& run, TUploadBatch& batch, std::string_view newDir) {
  const ProjectFileState& pf = run.Project;
  batch.NewDir = std::string(newDir);
  batch.ScriptName = LastPathComponent(newDir) + "_ftp.tmp";
  batch.BatchFileName = batch.NewDir + "_ftpUpload." + GetBatchExtension();
  const std::optional<std::string> password = DecodePassword(pf.FtpPassword);
  if (!password) Refuse(run, MessageId::EncryptedPasswordInvalid);
  batch.Password = *password;
  // Every name that goes into a line of the batch must come out of the runner unchanged.
  PathOrStop(run, batch.BatchFileName);
  PathOrStop(run, batch.ScriptName);
  PathOrStop(run, batch.NewDir + "_uploaded");
  for (const std::string* text : std::initializer_list<const std::string*>{
           &pf.FtpServerName, &pf.FtpUserName, &batch.Password, &pf.FtpServerDirectory,
           &pf.FtpCommands}) {
    for (const char c : *text)
      if (static_cast<unsigned char>(c) < 0x20) Refuse(run, {MessageId::UnsafeBatchName, *text});
  }
  platform::erase_file(batch.NewDir + "_ftpUpload.bat");
  platform::erase_file(batch.NewDir + "_ftpUpload.cmd");
  WriteMessage(run, {MessageId::WritingUploadBatch, LastPathComponent(batch.BatchFileName)}, false);
  const std::string& dir = pf.FtpServerDirectory;
  std::string& b = batch.Lines;
  Line(b, "@echo off");
  Line(b, "rem Upload of " + LastPathComponent(newDir) + " - created by Skeldon 4.22");
  Line(b, "echo " + platform::escape_batch_text(BatchText(run, MessageId::UploadConnectHint)));
  if (!dir.empty() && dir != "/")
    Line(b, "echo " + platform::escape_batch_text(
                          BatchText(run, {MessageId::UploadServerDirectoryHint, dir})));
  Line(b, "pause");
  Line(b, "mode 80,200");
  Line(b, "cls");
  Line(b, "rem ---Now we build the ftp script file---");
}

void WriteServerScriptLines(CompilerRun& run, TUploadBatch& batch, bool oldDirWritable) {
  const ProjectFileState& pf = run.Project;
  WriteEchoLine(batch, "open " + pf.FtpServerName);
  AppendEchoLine(batch, pf.FtpUserName);
  AppendEchoLine(batch, batch.Password);
  const std::string& dir = pf.FtpServerDirectory;
  if (!dir.empty()) {
    if (oldDirWritable) {
      AppendEchoLine(batch, "cd " + dir);
    } else {
      std::size_t start = 0;
      while (start <= dir.size()) {
        std::size_t end = dir.find_first_of("/\\", start);
        if (end == std::string::npos) end = dir.size();
        const std::string piece = dir.substr(start, end - start);
        if (!piece.empty()) {
          AppendEchoLine(batch, "mkdir " + piece);
          AppendEchoLine(batch, "cd " + piece);
        }
        start = end + 1;
      }
    }
  }
  AppendEchoLine(batch, "lcd " + FtpName(batch.NewDir));
  const std::string commands = pf.FtpCommands.empty() ? "binary;trace" : pf.FtpCommands;
  std::size_t start = 0;
  while (start <= commands.size()) {
    std::size_t end = commands.find(';', start);
    if (end == std::string::npos) end = commands.size();
    const std::string piece = commands.substr(start, end - start);
    if (!piece.empty()) AppendEchoLine(batch, piece);
    start = end + 1;
  }
}

bool WriteDeleteFileLines(CompilerRun& run, TUploadBatch& batch, std::string_view name) {
  if (!SafeFileName(run, name)) return false;
  AppendEchoLine(batch, "delete " + FtpName(name));
  Line(batch.MirrorLines,
       "del " + platform::quote_batch_path(batch.NewDir + "_uploaded\\" + std::string(name)));
  return true;
}

bool WriteUploadFileLines(CompilerRun& run, TUploadBatch& batch, std::string_view name) {
  if (!SafeFileName(run, name)) return false;
  AppendEchoLine(batch, "put " + FtpName(name));
  AppendEchoLine(batch, "dir " + FtpName(name));
  Line(batch.MirrorLines,
       "copy " + platform::quote_batch_path(batch.NewDir + "\\" + std::string(name)) + " " +
           platform::quote_batch_path(batch.NewDir + "_uploaded\\" + std::string(name)));
  return true;
}

void FinishUploadBatch(CompilerRun& run, TUploadBatch& batch, bool oldDirWritable) {
  AppendEchoLine(batch, "disconnect");
  AppendEchoLine(batch, "quit");
  std::string b = batch.Lines;
  const std::string script = platform::quote_batch_path(batch.ScriptName);
  Line(b, "rem --here the ftp.exe program gets executed--");
  Line(b, "ftp -s:" + script);
  Line(b, "echo " + platform::escape_batch_text(BatchText(run, MessageId::UploadConfirmHint)));
  Line(b, "pause");
  Line(b, "del " + script);
  if (!oldDirWritable) Line(b, "md " + platform::quote_batch_path(batch.NewDir + "_uploaded"));
  Line(b, "rem ---now we update the " + batch.NewDir + "_uploaded folder---");
  b += batch.MirrorLines;
  Line(b, "echo " + platform::escape_batch_text(BatchText(run, MessageId::UploadFinished)));
  Line(b, "pause");
  // The batch holds the password: only its owner may read it.
  platform::ReplaceOptions options;
  options.private_file = true;
  const platform::FileError error =
      platform::replace_file_atomic(batch.BatchFileName, b, platform::no_drives(), options);
  if (error != platform::FileError::none)
    Refuse(run, {MessageId::FileNotWrittenBecause, batch.BatchFileName,
                 std::string(platform::file_error_text(error))});
}

}  // namespace skeldon
