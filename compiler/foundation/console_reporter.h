// The reporter: every line Skeldon shows (progress, messages, source errors, usage text, fatal
// stops) passes through one TConsoleReporter, which also copies messages and errors to the
// optional "/MESSAGES:" and "/ERRORS:" files and ends the run with its exit code.
#pragma once

#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <string_view>

#include "compiler/foundation/messages.h"
#include "platform/console.h"

namespace skeldon {

struct FoundationRun;

// The codes the process returns. A stop for a cause names that cause's code only once the run
// has completed (RunCompleted); before that every stop returns RunFailed (CompletedOrFailed).
enum class ExitCode : int {
  Success = 0,
  IniFileFaulty = 1,          // ini settings missing, wrong or clashing
  RunFailed = 2,              // the run did not complete, or a failure without a code of its own
  InputFailed = 11,           // a source, ini or SKJ file or a command-line word is unusable
  OutputFileFailed = 12,      // a target file could not be created
  LogFileFailed = 13,         // the "/MESSAGES:" or "/ERRORS:" file could not be created
  HelpFileNameWrong = 21,     // the panel ID or help table file name of the ini file
  UploadServerMissing = 22,   // the SKJ file lacks the upload server
  SourceStructureWrong = 31,  // headings, tables, dot commands or index expressions
  IndexFault = 33,            // a fault of the program in the index
  UserBreak = 98,             // Ctrl+C
  SourceNotCompilable = 99,   // no free internal characters, or a source name without extension
};

constexpr int ProcessExitCode(ExitCode code) { return static_cast<int>(code); }

// The code a run that stops for a cause returns: the cause's code once the run has completed,
// RunFailed before.
ExitCode CompletedOrFailed(const FoundationRun& run, ExitCode causeCode);

// Every orderly stop of a run throws this; only main() turns it into the process exit code.
class TerminateRun : public std::exception {
 public:
  explicit TerminateRun(skeldon::ExitCode code) : ExitCode(ProcessExitCode(code)) {}
  const char* what() const noexcept override { return "Skeldon run terminated"; }
  int ExitCode;  // what the process returns
};

// Where the reporter's console text goes and where it waits for a key. Text is passed as the
// bytes the system holds (German texts in code page 850); the terminal console converts them.
class TReporterConsole {
 public:
  virtual ~TReporterConsole() = default;
  virtual void Write(std::string_view bytes) = 0;
  virtual void WaitForKey() = 0;
};

// The process console: code page 850 to UTF-8 on a UTF-8 terminal, no key wait without a terminal.
std::unique_ptr<TReporterConsole> MakeTerminalConsole();
// The same over a given platform console (tests give one with a sink and a chosen conversion).
std::unique_ptr<TReporterConsole> MakePlatformConsole(platform::Console console);

// A console that keeps everything written and counts key waits; used by tests and tools.
class TCapturingConsole : public TReporterConsole {
 public:
  void Write(std::string_view bytes) override { Text.append(bytes); }
  void WaitForKey() override { ++KeyWaits; }
  std::string Text;
  int KeyWaits = 0;
};

// One open log file. Closing is explicit (CloseLogFiles) but the destructor makes sure no
// handle outlives the run.
struct LogFileHandle {
  LogFileHandle() = default;
  LogFileHandle(const LogFileHandle&) = delete;
  LogFileHandle& operator=(const LogFileHandle&) = delete;
  ~LogFileHandle() { Close(); }
  void Close();
  bool IsOpen() const { return File != nullptr; }
  std::FILE* File = nullptr;
};

// Module state of the reporter (zero at start).
struct ReporterState {
  // Progress display. The counter is 32-bit: a 16-bit one wraps on long sources.
  int32_t ProgressCounter = 0;
  int32_t ProgressStep = 0;
  int32_t ProgressTotal = 0;
  bool ProgressShowPercent = false;
  // Log files; an empty name means no file.
  std::string MessageFileName;
  std::string ErrorFileName;
  LogFileHandle MessageFile;
  LogFileHandle ErrorFile;
  // True when both names lead to the same file: it is opened once and every line written once.
  bool LogFilesShared = false;
};

// Line bookkeeping of the source reader, read by ReportSourceError.
struct SourceLineState {
  int32_t CurrentSourceLine = 0;
  int32_t LastMessageLine = 0;
  uint8_t ErrorLineOffset = 0;  // 1 while a dot-command line is handled
};

// Common base with the inherited operations; the console reporter overrides the rest.
class TReporterBase {
 public:
  virtual ~TReporterBase() = default;
  virtual void ShowProgress() = 0;
  virtual void Tick() { ShowProgress(); }
  virtual void EndProgressLine() = 0;
  virtual void WriteText(std::string_view text, bool alsoToErrorFile) = 0;
  virtual void WriteLine(std::string_view text, bool alsoToErrorFile) = 0;
  // The text is in the run's language (see the catalogue overload of TConsoleReporter).
  virtual void ReportSourceError(std::string_view text, int kind) = 0;
  virtual void OpenLogFiles() = 0;
  virtual void NotifyRunStart() {}
  virtual void CloseLogFiles() = 0;
  [[noreturn]] virtual void ShowUsage() = 0;
  // Ends the run; the process returns the code given.
  [[noreturn]] virtual void Terminate(ExitCode processExitCode) = 0;
  virtual void FinishRun(bool waitForKey) = 0;
  virtual void NotifyOutputReady() {}
};

class TConsoleReporter : public TReporterBase {
 public:
  // The run whose state the reporter reads and writes; the console defaults to the terminal.
  explicit TConsoleReporter(FoundationRun& run);
  TConsoleReporter(const TConsoleReporter&) = delete;
  TConsoleReporter& operator=(const TConsoleReporter&) = delete;

  void ShowProgress() override;
  void EndProgressLine() override;
  void WriteText(std::string_view text, bool alsoToErrorFile) override;
  void WriteLine(std::string_view text, bool alsoToErrorFile) override;
  void ReportSourceError(std::string_view text, int kind) override;
  // The source error of a catalogue message, in the run's language.
  void ReportSourceError(const Message& message, int kind);
  void OpenLogFiles() override;
  void CloseLogFiles() override;
  [[noreturn]] void ShowUsage() override;
  [[noreturn]] void Terminate(ExitCode processExitCode) override;
  void FinishRun(bool waitForKey) override;

  // "press any key", then one key press on the console.
  void WaitForKey();

  // Writes to the console only (not to the log files), as the usage text and a few
  // console-only lines need.
  void WriteConsole(std::string_view text);

  // Replaces the console (tests capture the output this way); returns the console in use.
  void SetConsole(std::unique_ptr<TReporterConsole> console);
  TReporterConsole& Console();

 private:
  void WriteToLogs(std::string_view text, bool alsoToErrorFile, bool lineEnd);
  FoundationRun& run_;
  std::unique_ptr<TReporterConsole> console_;
};

// Writes the message as one line in the run's language (German when Language is 1, English
// when 0, nothing otherwise).
void WriteMessage(FoundationRun& run, const Message& message, bool alsoToErrorFile);

// The lines of the usage text, in order, without line ends.
extern const char* const kUsageLines[];
extern const int kUsageLineCount;

}  // namespace skeldon
