#include "compiler/foundation/command_line.h"

#include <charconv>
#include <cstdint>
#include <string>

#include "compiler/foundation/char_conversion.h"
#include "compiler/foundation/foundation_run.h"
#include "platform/files.h"
#include "platform/text.h"

namespace skeldon {

namespace {

bool StartsWith(std::string_view text, std::string_view part) {
  return text.substr(0, part.size()) == part;
}

std::size_t LastSeparator(std::string_view name) { return name.find_last_of("\\/"); }

// A name longer than its field is refused: cutting it would silently open another file.
void CheckNameLength(FoundationRun& run, std::string_view name, std::size_t max) {
  if (name.size() <= max) return;
  WriteMessage(run, {MessageId::FileNameTooLong, std::to_string(max), name}, true);
  run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::InputFailed));
}

struct WordContext {
  FoundationRun& run;
  std::string_view lower;     // the word lower-cased
  std::string_view original;  // the word in its unchanged case
};

// /debug, /debugmain, /debug120, /debugmain12: the echo of the source from a line on.
void HandleDebug(WordContext& w) {
  TSwitches& sw = w.run.Switches;
  sw.DebugEcho = true;
  sw.DebugStartLine = 1;
  std::size_t numberStart = 6;
  if (ContainsText(w.lower, "main")) {
    sw.DebugMainOnly = true;
    numberStart = 10;
  }
  if (w.lower.size() <= numberStart) return;
  const std::string_view digits = w.lower.substr(numberStart);
  std::int32_t line = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), line);
  if (ec == std::errc() && end == digits.data() + digits.size()) sw.DebugStartLine = line;
}

void HandleLogFile(WordContext& w, std::size_t prefixLength, bool errorFile) {
  const std::string name(w.lower.substr(prefixLength));
  CheckNameLength(w.run, name, kLogFileNameMax);
  (errorFile ? w.run.ReporterState.ErrorFileName : w.run.ReporterState.MessageFileName) = name;
  w.run.Reporter.OpenLogFiles();
}

void HandleFootnoteChars(WordContext& w) {
  if (w.lower.size() != 5) {
    WriteMessage(w.run, MessageId::WrongFootnoteSwitch, true);
    return;
  }
  w.run.Switches.FootnoteStartChar = w.lower[3];
  w.run.Switches.FootnoteEndChar = w.lower[4];
}

void HandleCondition(WordContext& w) {
  TSwitches& sw = w.run.Switches;
  if (sw.ConditionCount + 1 > kMaxUserConditions) {
    WriteMessage(w.run, MessageId::TooManyConditions, true);
    w.run.Reporter.Terminate(CompletedOrFailed(w.run, ExitCode::InputFailed));
  }
  const std::string_view name = w.lower.substr(1);
  if (name.size() > kConditionNameMax) {
    // A cut name would match another condition than the one meant.
    WriteMessage(w.run, {MessageId::ConditionTooLong, name}, true);
    w.run.Reporter.Terminate(CompletedOrFailed(w.run, ExitCode::InputFailed));
  }
  ++sw.ConditionCount;
  sw.ConditionNames[sw.ConditionCount - 1] = std::string(name);
}

// One row per switch; the first row that matches decides.
enum class Match { Contains, Is, StartsWith, Custom };
struct SwitchRow {
  Match match;
  const char* text;
  void (*apply)(WordContext&);
  bool (*custom)(WordContext&) = nullptr;  // Match::Custom: test and apply together
};

#define FLAG(field) [](WordContext& w) { w.run.Switches.field = true; }

const SwitchRow kSwitchRows[] = {
    {Match::Contains, "/debug", HandleDebug},
    {Match::Is, "/newipfc", FLAG(NewIpfCompiler)},
    {Match::Is, "/count", FLAG(CountLines)},
    {Match::Is, "/q", FLAG(QuietSourceErrors)},
    {Match::Is, "/noframes", FLAG(NoFramesSwitch)},
    {Match::Is, "/noid", FLAG(NoIdOption)},
    {Match::Is, "/istext", FLAG(IsTextOption)},
    {Match::Is, "/isprog", FLAG(IsProgOption)},
    {Match::Is, "/bigfont", [](WordContext& w) { w.run.Switches.FontScale = 1.33; }},
    {Match::Is, "/smallfont", [](WordContext& w) { w.run.Switches.FontScale = 0.8; }},
    {Match::Is, "/dots", FLAG(ShowDots)},
    {Match::Is, "/quit", FLAG(QuitAtEnd)},
    {Match::Is, "/hold", FLAG(HoldAtEnd)},
    {Match::Is, "/compare", FLAG(CompareMode)},
    {Match::Is, "/prepareupload", FLAG(PrepareUploadMode)},
    {Match::StartsWith, "/messages:", [](WordContext& w) { HandleLogFile(w, 10, false); }},
    {Match::StartsWith, "/errors:", [](WordContext& w) { HandleLogFile(w, 8, true); }},
    {Match::StartsWith, "/fu", HandleFootnoteChars},
    {Match::Custom, "", nullptr, [](WordContext& w) { return ParseTargetWord(w.run, w.lower); }},
    {Match::Is, "/internal", FLAG(InternalContents)},
    {Match::Is, "/test_if_here", FLAG(TestIfHere)},
    {Match::Is, "/fat", FLAG(FatFileNames)},
    {Match::Is, "/pre", FLAG(PrefixFromSource)},
    {Match::Is, "/_", FLAG(UnderscoreButtons)},
    {Match::Custom, "", nullptr,
     [](WordContext& w) {
       if (w.lower.size() < 2 || w.lower[0] != '#') return false;
       HandleCondition(w);
       return true;
     }},
};

#undef FLAG

bool TrySwitches(WordContext& w) {
  for (const SwitchRow& row : kSwitchRows) {
    bool matched = false;
    switch (row.match) {
      case Match::Contains:
        matched = ContainsText(w.lower, row.text);
        break;
      case Match::Is:
        matched = w.lower == row.text;
        break;
      case Match::StartsWith:
        matched = StartsWith(w.lower, row.text);
        break;
      case Match::Custom:
        matched = row.custom(w);
        break;
    }
    if (!matched) continue;
    if (row.apply) row.apply(w);
    return true;
  }
  return false;
}

// The named files: ini, project, IPF input, RTF input, else a source file. A name that exists
// on disk keeps its case (the file system is case-sensitive); others are lower-cased as written.
// Only the file-name part tells the kind: "/home/u/notes.ini.d/book.txt" is a source file.
void HandleName(WordContext& w, bool exists) {
  TSwitches& sw = w.run.Switches;
  const std::string name(exists ? w.original : w.lower);
  const std::size_t sep = LastSeparator(w.lower);
  const std::string_view filePart =
      sep == std::string_view::npos ? w.lower : w.lower.substr(sep + 1);
  if (ContainsText(filePart, ".ini")) {
    CheckNameLength(w.run, name, kIniFileNameMax);
    sw.IniFileName = name;
  } else if (ContainsText(filePart, ".skj")) {
    CheckNameLength(w.run, name, kProjectFileNameMax);
    sw.ProjectFileName = name;
  } else if (ContainsText(filePart, ".ipf")) {
    CheckNameLength(w.run, name, kIpfFileNameMax);
    sw.IpfReverseInput = true;
    sw.IpfFileName = name;
    sw.SourceFileName = name;
  } else if (ContainsText(filePart, ".rtf")) {
    CheckNameLength(w.run, name, kRtfFileNameMax);
    sw.RtfReverseInput = true;
    sw.RtfFileName = name;
    sw.SourceFileName = name;
  } else {
    AddSourceFile(w.run, w.original);
  }
}

void HandleWord(FoundationRun& run, std::string_view word, bool mayNameEntry) {
  if (!word.empty() && word.front() == '"') word.remove_prefix(1);
  if (!word.empty() && word.back() == '"') word.remove_suffix(1);
  const std::string lower = LowerCaseCp850(word);
  WordContext w{run, lower, word};
  // Only a word with a path separator can be mistaken for a switch ("/tmp/x.skj",
  // "notes/debug/a.txt"); bare words such as "html" keep their meaning as written.
  const bool exists = mayNameEntry && word.find_first_of("/\\") != std::string_view::npos &&
                      NamesExistingEntry(word);
  if (!exists && TrySwitches(w)) return;
  HandleName(w, exists);
}

}  // namespace

std::vector<std::string> SplitWords(std::string_view text) {
  std::vector<std::string> words;
  std::string current;
  bool inQuotes = false;
  for (char c : text) {
    if (c == '"') {
      inQuotes = !inQuotes;
    } else if (c == ' ' && !inQuotes) {
      if (!current.empty()) {
        words.push_back(std::move(current));
        current.clear();
      }
    } else {
      current += c;
    }
  }
  if (!current.empty()) words.push_back(std::move(current));
  return words;
}

void SplitWords(FoundationRun& run, std::string_view text) {
  run.CommandLine.WordList = SplitWords(text);
}

bool ParseTargetWord(FoundationRun& run, std::string_view word) {
  struct TargetRow {
    const char* word;
    TTargetRequest request;
    std::uint8_t code;
  };
  static const TargetRow kTargets[] = {
      {"ipf", kRequestIpf, 3},           {"html", kRequestHtml, 0},
      {"htmlhelp", kRequestHtmlHelp, 4}, {"winhelp3", kRequestWinHelp3, 1},
      {"winhelp4", kRequestWinHelp4, 2}, {"rtftextcc", kRequestRtfTextCc, 5},
      {"rtftext", kRequestRtfText, 5},
  };
  if (!word.empty() && word.front() == '/') word.remove_prefix(1);
  for (const TargetRow& row : kTargets) {
    if (word != row.word) continue;
    TSwitches& sw = run.Switches;
    sw.TargetOverride = true;
    sw.TargetRequests[row.request] = true;
    sw.TargetCode = row.code;
    return true;
  }
  return false;
}

void HandleCommandLineWord(FoundationRun& run, std::string_view word) {
  HandleWord(run, word, true);
}

void HandleProjectWord(FoundationRun& run, std::string_view word) { HandleWord(run, word, false); }

void AddSourceFile(FoundationRun& run, std::string_view name) {
  CheckNameLength(run, name, kSourceFileNameMax);
  TSwitches& sw = run.Switches;
  if (sw.SourceFiles.empty()) {
    sw.SourceFileName = std::string(name);
    const std::size_t sep = LastSeparator(name);
    sw.SourceDirectory = sep == std::string_view::npos ? platform::current_directory()
                                                       : std::string(name.substr(0, sep));
    // Only a point in the file-name part counts: "c:\my.docs\manual.txt" -> "c:\my.docs\manual".
    const std::size_t nameStart = sep == std::string_view::npos ? 0 : sep + 1;
    const std::size_t dot = name.find('.', nameStart);
    sw.OutputDirectory = dot == std::string_view::npos ? std::string(name) + ".DIR"
                                                       : std::string(name.substr(0, dot));
    const std::size_t outSep = LastSeparator(sw.OutputDirectory);
    sw.OutputDirectoryName =
        outSep == std::string::npos ? sw.OutputDirectory : sw.OutputDirectory.substr(outSep + 1);
  }
  sw.SourceFiles.emplace_back(name);
}

bool NamesExistingEntry(std::string_view name) {
  return platform::file_exists(name) || platform::directory_exists(name);
}

}  // namespace skeldon
