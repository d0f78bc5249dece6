#include "compiler/foundation/ini_file.h"

#include <algorithm>

#include "compiler/foundation/file_names.h"
#include "compiler/foundation/foundation_run.h"
#include "compiler/foundation/ini_values.h"
#include "compiler/foundation/source_buffer.h"
#include "platform/files.h"

namespace skeldon {

namespace {

// The name as FileExistsWithSize tests it: cut at its first " /".
std::string NameBeforeSwitches(std::string_view name) {
  const std::size_t cut = name.find(" /");
  return std::string(name.substr(0, cut));
}

// Splits the text into lines; CR LF, a bare LF and a bare CR each end a line.
template <typename Fn>
void ForEachLine(std::string_view text, Fn&& onLine) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = start;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
    onLine(text.substr(start, end - start));
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') {
      ++end;
    }
    start = end + 1;
  }
}

bool IsCommentStart(char c) { return c == '[' || c == ';' || c == '/' || c == '\x1A'; }

void HandleLine(FoundationRun& run, std::string_view raw) {
  TIniFileState& state = run.IniFile;
  if (raw.empty() || IsCommentStart(raw[0])) return;
  std::string line(raw);
  const std::size_t comment = line.find("//");
  if (comment != std::string::npos) line.erase(comment);
  if (line.size() > kIniLineMax) {
    // Never cut a line silently: show its first 255 characters and drop it.
    state.IniLine = line.substr(0, kIniLineMax);
    ReportIniLineError(run, MessageId::IniLineTooLong);
    return;
  }
  state.IniLine = line;
  state.LowerLine = LowerCaseText(run.FileNames.LowerCaseTable, line);
  const std::string& lower = state.LowerLine;

  const std::size_t e = lower.find('=');
  if (e == std::string::npos || e + 1 == lower.size()) {
    ReportIniLineError(run, MessageId::FunctionEqualsValueWanted);
    return;
  }
  TIniLineView view;
  view.Line = state.IniLine;
  view.LowerLine = lower;
  view.EqualPos = e;
  std::size_t v = e + 1;
  for (int i = 0; i < 3 && v < line.size() && line[v] == ' '; ++i) ++v;
  view.ValueStart = v;
  std::size_t first = v;
  while (first + 1 < line.size() && line[first] == ' ') ++first;
  view.FirstNonBlank = std::min(first, line.size());

  // Every key whose text begins before the "=" counts; the highest-numbered one takes the line.
  const TIniKeyDef* lineKey = nullptr;
  for (const TIniKeyDef& key : kIniKeys) {
    const std::size_t p = lower.find(key.Text);
    if (p != std::string::npos && p < e) {
      std::uint8_t& counter = state.KeyCounters[static_cast<std::size_t>(key.Number)];
      if (counter < 255) ++counter;
      lineKey = &key;
    }
  }
  if (lineKey == nullptr) {
    ReportIniLineError(run, MessageId::IniUnknownSetting);
    return;
  }
  lineKey->Handler(run, view);
}

// The first toggle character that also stands in another character setting, or none.
bool ReportCharacterClash(FoundationRun& run) {
  const TIniSettings& ini = run.Ini;
  const std::string& toggles = ini.ToggleChars;
  auto clash = [&](char c, MessageId otherSetting) {
    if (toggles.find(c) == std::string::npos) return false;
    WriteMessage(
        run,
        {MessageId::IniCharacterClash, std::string(1, c), MessageText(run.Language, otherSetting)},
        true);
    return true;
  };
  for (char c : ini.ExtendedLetters) {
    if (clash(c, MessageId::ClashWithExtendedLetters)) return true;
  }
  for (char c : ini.ListChars) {
    if (clash(c, MessageId::ClashWithListChars)) return true;
  }
  if (ini.IndexChar != 0 &&
      clash(static_cast<char>(ini.IndexChar), MessageId::ClashWithIndexChar)) {
    return true;
  }
  return false;
}

}  // namespace

void ClearIniTables(FoundationRun& run) {
  ResetIniSettings(run.Ini);
  IniValueTables& values = run.IniValues;
  for (auto& group : values.ButtonTable) group.fill(TButtonEntry{});
  values.FontOmitsLinks.fill(false);
  values.LineStandardFont = 0;
  TIniFileState& state = run.IniFile;
  state.IniLine.clear();
  state.LowerLine.clear();
  state.IniErrorFlag = false;
  state.MissingFlag = false;
  state.KeyCounters.fill(0);
  state.FontLetterDefined.fill(false);
  state.LineNumber = 0;
}

void ReportIniLineError(FoundationRun& run, const Message& message) {
  TConsoleReporter& reporter = run.Reporter;
  reporter.WriteLine(MessageText(run.Language, MessageId::IniLineError), true);
  reporter.WriteLine("\"" + run.IniFile.IniLine + "\"", true);
  reporter.WriteLine(MessageText(run.Language, message) + "!", true);
  reporter.WriteLine("", true);
  run.IniFile.IniErrorFlag = true;
}

void ReadIniFile(FoundationRun& run, bool stopOnError) {
  ClearIniTables(run);
  TSwitches& s = run.Switches;
  if (s.IniFileName.empty()) {
    // Kept whole: a cut name would miss the ini file beside a long source name.
    s.IniFileName = SetFileExtension(s.SourceFileName, "INI");
  }
  if (!FileExistsWithSize(run, s.IniFileName)) s.IniFileName = "skeldon.ini";
  if (!FileExistsWithSize(run, s.IniFileName)) {
    WriteMessage(run, MessageId::IniFileNotFound, true);
    if (stopOnError) run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::InputFailed));
    return;
  }
  SetFileOpenReadOnly(run, true);
  platform::ReadResult file = platform::read_file(NameBeforeSwitches(s.IniFileName));
  SetFileOpenReadOnly(run, false);
  if (!file.ok()) {
    // Found a moment ago but unreadable now: the same stop as a missing file, with the reason.
    // The German text leaves out the reason: the platform names it in English.
    WriteMessage(
        run, {MessageId::IniFileUnreadable, s.IniFileName, platform::file_error_text(file.error)},
        true);
    if (stopOnError) run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::InputFailed));
    return;
  }
  const std::string text(file.bytes.begin(), file.bytes.end());
  ReadIniText(run, text, stopOnError);
}

void ReadIniText(FoundationRun& run, std::string_view text, bool stopOnError) {
  TIniFileState& state = run.IniFile;
  state.LineNumber = 0;
  ForEachLine(text, [&](std::string_view line) {
    ++state.LineNumber;
    if (state.LineNumber == 1) return;  // the first line is never read
    HandleLine(run, line);
  });

  for (const TIniKeyDef& key : kIniKeys) {
    const std::uint8_t count = state.KeyCounters[static_cast<std::size_t>(key.Number)];
    const std::string name(key.Text);
    if (count == 0 && !key.Optional) {
      WriteMessage(run, {MessageId::IniSettingMissing, name}, true);
      state.MissingFlag = true;
    } else if (count > 1 && key.Number != kKeyFont) {
      WriteMessage(run, {MessageId::IniSettingTwice, name}, true);
    }
  }
  if (ReportCharacterClash(run) && stopOnError)
    run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::IniFileFaulty));
  BuildWordCharTable(run);
  std::string& filter = run.Ini.IndexFilter;
  filter.erase(std::remove(filter.begin(), filter.end(), ' '), filter.end());
  if ((state.MissingFlag || state.IniErrorFlag) && stopOnError)
    run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::IniFileFaulty));
}

}  // namespace skeldon
