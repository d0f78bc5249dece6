#include "compiler/foundation/console_reporter.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "compiler/foundation/foundation_run.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/text.h"

namespace skeldon {

namespace {

// The process console through the platform layer: code page 850 bytes, converted to UTF-8 on a
// UTF-8 terminal; the key wait returns at once when stdin is not a terminal.
class TerminalConsole : public TReporterConsole {
 public:
  TerminalConsole() = default;
  explicit TerminalConsole(platform::Console console) : console_(std::move(console)) {}
  void Write(std::string_view bytes) override {
    if (!console_.converts()) {
      console_.write(bytes);
    } else {
      // File names from the command line and the disk are UTF-8 already and pass as they
      // are; the rest is code page 850. No German text of the system holds a well-formed
      // multi-byte sequence (its only lead byte is "ß" 0xE1, never followed by two letters
      // from 0x80..0xBF).
      std::size_t start = 0;
      for (std::size_t i = 0; i < bytes.size();) {
        const platform::Utf8Char ch = platform::decode_utf8(bytes, i);
        const std::size_t n = ch.valid && ch.length >= 2 ? ch.length : 0;
        if (n == 0) {
          ++i;
          continue;
        }
        console_.write(bytes.substr(start, i - start));
        console_.write_utf8(bytes.substr(i, n));
        i += n;
        start = i;
      }
      console_.write(bytes.substr(start));
    }
    if (bytes.find_first_of("\r\n") != std::string_view::npos) console_.flush();
  }
  void WaitForKey() override {
    console_.flush();
    console_.wait_key();
  }

 private:
  platform::Console console_{platform::CodePage::cp850};
};

// Log files are Windows text files: CR LF line ends.
constexpr std::string_view kLogLineEnd = "\r\n";

void WriteFile(LogFileHandle& handle, std::string_view text, bool lineEnd) {
  if (!handle.IsOpen()) return;
  std::fwrite(text.data(), 1, text.size(), handle.File);
  if (lineEnd) std::fwrite(kLogLineEnd.data(), 1, kLogLineEnd.size(), handle.File);
}

// Whether two log-file names lead to one file. Other spellings ("./log.txt", "sub/../log.txt",
// an absolute name) are compared by the file system: the file named first exists already.
bool SameLogFile(const std::string& a, const std::string& b) {
  const std::string x = platform::resolve_path(a);
  const std::string y = platform::resolve_path(b);
  if (platform::same_file_name(x, y)) return true;
  std::error_code ec;
  return std::filesystem::equivalent(x, y, ec);
}

std::string RightAligned(long long value, int width) {
  std::string digits = std::to_string(value);
  if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), ' ');
  return digits;
}

}  // namespace

const char* const kUsageLines[] = {
    "SKELDON parameters:",
    "",
    "PROJECTFILE.SKJ    project file with information about source file, ini file",
    "SOURCEFILENAME     also several source files can be entered",
    "INIFILENAME.INI    if no ini file is entered, SOURCEFILENAME.INI is used",
    "/IPF /WINHELP3",
    "/WINHELP4 /RTFTEXT",
    "/HTML /HTMLHELP    generates other target formats than ini setting",
    "/NOFRAMES          generates HTML files without frames",
    "#CONDITION         sets conditions to use with .IF .ELSE .END commands",
    "IPFFILENAME.IPF",
    "RTFFILENAME.RTF    activates IPF/RTF to Skeldon conversion (reverse) mode",
    "                   and creates a file SKSOURCE.TXT from IPF/RTF source",
    "/DEBUG             writes the whole source text to the screen instead of dots",
    "/COUNT             writes line numbers to the screen instead of dots",
    "/DOTS              writes dots to the screen instead of the counter",
    "/ERRORS:filename   writes all errors to filename in addition to the screen",
    "/MESSAGES:filename writes all messages to filename in addition to the screen",
    "/COMPARE OLD NEW   compares HTML directory OLD with NEW for download info",
    "/PREPAREUPLOAD     creates a ftp upload batch file",
    "",
    "The order of the parameters makes no difference.",
    "press any key",
};
const int kUsageLineCount = static_cast<int>(sizeof(kUsageLines) / sizeof(kUsageLines[0]));

std::unique_ptr<TReporterConsole> MakeTerminalConsole() {
  return std::make_unique<TerminalConsole>();
}

std::unique_ptr<TReporterConsole> MakePlatformConsole(platform::Console console) {
  return std::make_unique<TerminalConsole>(std::move(console));
}

void LogFileHandle::Close() {
  if (File) {
    std::fclose(File);
    File = nullptr;
  }
}

TConsoleReporter::TConsoleReporter(FoundationRun& run) : run_(run) {}

void TConsoleReporter::SetConsole(std::unique_ptr<TReporterConsole> console) {
  console_ = std::move(console);
}

TReporterConsole& TConsoleReporter::Console() {
  // Created on first use, so a run that never writes never touches the terminal.
  if (!console_) console_ = MakeTerminalConsole();
  return *console_;
}

void TConsoleReporter::WriteConsole(std::string_view text) { Console().Write(text); }

void TConsoleReporter::ShowProgress() {
  ReporterState& st = run_.ReporterState;
  const TSwitches& sw = run_.Switches;
  if (sw.DebugEcho || sw.CountLines) {
    // Those modes print the source text or line numbers elsewhere.
  } else if (sw.ShowDots) {
    WriteConsole(".");
  } else {
    // A step of 0 (never set) counts as 1 instead of dividing by zero.
    const int32_t step = st.ProgressStep > 0 ? st.ProgressStep : 1;
    if (st.ProgressCounter % step == 0) {
      static const char kSpinner[4] = {'|', '/', static_cast<char>(196), '\\'};
      std::string line(1, kSpinner[(st.ProgressCounter / step) % 4]);
      line += RightAligned(st.ProgressCounter, 4);
      if (st.ProgressShowPercent) {
        const long long percent =
            st.ProgressTotal > 0
                ? static_cast<long long>(st.ProgressCounter) * 100 / st.ProgressTotal
                : 0;
        line += " (" + RightAligned(percent, 2) + "%)";
      }
      line += '\r';
      WriteConsole(line);
    }
  }
  ++st.ProgressCounter;
}

void TConsoleReporter::EndProgressLine() {
  if (run_.Switches.ShowDots) WriteConsole("\n");
}

void TConsoleReporter::WriteToLogs(std::string_view text, bool alsoToErrorFile, bool lineEnd) {
  ReporterState& st = run_.ReporterState;
  if (!st.MessageFileName.empty()) WriteFile(st.MessageFile, text, lineEnd);
  // A shared file already got the text as the message file.
  const bool sharedAndWritten = st.LogFilesShared && !st.MessageFileName.empty();
  if (alsoToErrorFile && !st.ErrorFileName.empty() && !sharedAndWritten)
    WriteFile(st.ErrorFile, text, lineEnd);
}

void TConsoleReporter::WriteText(std::string_view text, bool alsoToErrorFile) {
  WriteConsole(text);
  WriteToLogs(text, alsoToErrorFile, false);
}

void TConsoleReporter::WriteLine(std::string_view text, bool alsoToErrorFile) {
  std::string line(text);
  line += '\n';
  WriteConsole(line);
  WriteToLogs(text, alsoToErrorFile, true);
}

void TConsoleReporter::ReportSourceError(const Message& message, int kind) {
  ReportSourceError(MessageText(run_.Language, message), kind);
}

void TConsoleReporter::ReportSourceError(std::string_view text, int kind) {
  SourceLineState& lines = run_.Lines;
  const TSwitches& sw = run_.Switches;
  bool show = true;
  if (kind == 2) show = lines.CurrentSourceLine >= lines.LastMessageLine + 6;
  if (kind == 3) show = !sw.QuietSourceErrors && !sw.WordStarInput;
  if (show) {
    EndProgressLine();
    std::string prefix = MessageText(run_.Language, MessageId::SourceLinePrefix);
    prefix +=
        std::to_string(static_cast<long long>(lines.CurrentSourceLine) - lines.ErrorLineOffset);
    prefix += ": ";
    WriteText(prefix, true);
    WriteLine(text, true);
    if (sw.DebugEcho) {
      WriteMessage(run_, MessageId::PressAnyKey, false);
      Console().WaitForKey();
    }
  }
  if (!(kind == 3 && !show)) run_.RunSuccess = false;
  lines.LastMessageLine = lines.CurrentSourceLine;
}

void TConsoleReporter::OpenLogFiles() {
  ReporterState& st = run_.ReporterState;
  // Every call creates each named file anew; an earlier handle is closed first so a file
  // named twice never has two handles writing over each other.
  st.MessageFile.Close();
  st.ErrorFile.Close();
  st.LogFilesShared = !st.MessageFileName.empty() && !st.ErrorFileName.empty() &&
                      SameLogFile(st.MessageFileName, st.ErrorFileName);
  struct Target {
    const std::string& name;
    LogFileHandle& handle;
    MessageId notCreated;
  };
  const Target targets[] = {
      {st.MessageFileName, st.MessageFile, MessageId::MessageFileNotCreated},
      {st.ErrorFileName, st.ErrorFile, MessageId::ErrorFileNotCreated},
  };
  for (const Target& t : targets) {
    if (t.name.empty()) continue;
    if (&t.handle == &st.ErrorFile && st.LogFilesShared) continue;
    platform::FilePtr file = platform::open_file(t.name, "w");
    if (!file) {
      WriteMessage(run_, {t.notCreated, t.name}, false);
      Terminate(CompletedOrFailed(run_, ExitCode::LogFileFailed));
    }
    t.handle.File = file.release();
  }
}

void TConsoleReporter::CloseLogFiles() {
  ReporterState& st = run_.ReporterState;
  if (!st.MessageFileName.empty()) st.MessageFile.Close();
  if (!st.ErrorFileName.empty()) st.ErrorFile.Close();
}

void TConsoleReporter::ShowUsage() {
  for (int i = 0; i < kUsageLineCount; ++i) {
    std::string line = kUsageLines[i];
    line += '\n';
    WriteConsole(line);
  }
  if (!run_.Switches.TestIfHere) Console().WaitForKey();
  throw TerminateRun(ExitCode::Success);
}

void TConsoleReporter::Terminate(ExitCode processExitCode) {
  FinishRun(true);
  throw TerminateRun(processExitCode);
}

void TConsoleReporter::FinishRun(bool waitForKey) {
  CloseLogFiles();
  const TSwitches& sw = run_.Switches;
  if (!run_.RunCompleted) {
    WriteConsole("\n");
    PlayEndSound(run_, false);
    if (waitForKey) WaitForKey();
  } else {
    PlayEndSound(run_, true);
    if (waitForKey && ((sw.ProjectFileRead && !sw.QuitAtEnd) || sw.HoldAtEnd)) WaitForKey();
  }
}

void TConsoleReporter::WaitForKey() {
  WriteMessage(run_, MessageId::PressAnyKey, false);
  Console().WaitForKey();
}

ExitCode CompletedOrFailed(const FoundationRun& run, ExitCode causeCode) {
  return run.RunCompleted ? causeCode : ExitCode::RunFailed;
}

void WriteMessage(FoundationRun& run, const Message& message, bool alsoToErrorFile) {
  if (!LanguageHasMessages(run.Language)) return;
  run.Reporter.WriteLine(MessageText(run.Language, message), alsoToErrorFile);
}

}  // namespace skeldon
