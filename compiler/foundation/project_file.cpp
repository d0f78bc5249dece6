#include "compiler/foundation/project_file.h"

#include <string>
#include <vector>

#include "compiler/foundation/char_conversion.h"
#include "compiler/foundation/foundation_run.h"
#include "platform/files.h"
#include "platform/text.h"

namespace skeldon {

namespace {

std::string SemicolonsToBlanks(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c == ';') c = ' ';
  return out;
}

bool IsYes(std::string_view lowerValue) { return lowerValue == "yes" || lowerValue == "ja"; }

struct LineContext {
  FoundationRun& run;
  std::string_view value;  // unchanged case
  std::string_view lowerValue;
};

void ReportValueTooLong(FoundationRun& run, std::size_t max) {
  ReportProjectLineError(run, {MessageId::ProjectValueTooLong, std::to_string(max)});
}

// Stores a text value; one longer than its field is a line error, never cut.
void StoreText(LineContext& c, std::string& field, std::size_t max) {
  if (c.value.size() > max) {
    ReportValueTooLong(c.run, max);
    return;
  }
  field = std::string(c.value);
}

// Words of a "condition" or "parameter" line, each given the prefix it lacks.
void HandlePrefixedWords(LineContext& c, char prefix) {
  for (std::string word : SplitWords(SemicolonsToBlanks(c.value))) {
    if (word.front() != prefix) word.insert(word.begin(), prefix);
    HandleProjectWord(c.run, word);
  }
}

// A help compiler or viewer line; ".EXE" is added when the value names no ".exe".
void StoreCommand(LineContext& c, TProgramCommandIndex index) {
  std::string command(c.value);
  if (!ContainsText(c.lowerValue, ".exe")) command += ".EXE";
  if (command.size() > kProgramCommandMax) {
    ReportValueTooLong(c.run, kProgramCommandMax);
    return;
  }
  c.run.ProgramCommands.Lines[index] = command;
}

struct KeyRow {
  const char* key;
  bool exact;  // the key must equal the text (else: the text occurs in the key)
  void (*apply)(LineContext&);
};

#define COMMAND(index) [](LineContext& c) { StoreCommand(c, index); }

// In this order: the first row whose text occurs in the key decides, so "ftp server name"
// reaches "server name" and "winhelp4 compiler" reaches "winhelp4 comp".
const KeyRow kKeyRows[] = {
    {"source file", false,
     [](LineContext& c) {
       for (const std::string& name : SplitWords(SemicolonsToBlanks(c.lowerValue)))
         AddSourceFile(c.run, name);
     }},
    {"ini file", false,
     [](LineContext& c) { StoreText(c, c.run.Switches.IniFileName, kIniFileNameMax); }},
    {"server name", false, [](LineContext& c) { StoreText(c, c.run.Project.FtpServerName, 70); }},
    {"user name", false, [](LineContext& c) { StoreText(c, c.run.Project.FtpUserName, 70); }},
    {"password", false, [](LineContext& c) { StoreText(c, c.run.Project.FtpPassword, 50); }},
    {"server dir", false,
     [](LineContext& c) { StoreText(c, c.run.Project.FtpServerDirectory, 140); }},
    {"ftp command", false, [](LineContext& c) { StoreText(c, c.run.Project.FtpCommands, 250); }},
    {"target", false,
     [](LineContext& c) {
       if (!ParseTargetWord(c.run, c.lowerValue))
         ReportProjectLineError(c.run, MessageId::NoCorrectTargetFormat);
     }},
    {"condition", false, [](LineContext& c) { HandlePrefixedWords(c, '#'); }},
    {"parameter", false, [](LineContext& c) { HandlePrefixedWords(c, '/'); }},
    {"winhelp3 comp", false, COMMAND(kWinHelp3Compiler)},
    {"winhelp4 comp", false, COMMAND(kWinHelp4Compiler)},
    {"htmlhelp comp", false, COMMAND(kHtmlHelpCompiler)},
    {"ipf comp", false, COMMAND(kIpfCompiler)},
    {"command lines", false, [](LineContext& c) { StoreText(c, c.run.Project.ConsoleLines, 30); }},
    {"compile", true, [](LineContext& c) { c.run.Project.CompileAfterRun = IsYes(c.lowerValue); }},
    {"view", true, [](LineContext& c) { c.run.Project.ViewAfterRun = IsYes(c.lowerValue); }},
    {"winhelp3 view", false, COMMAND(kWinHelp3Viewer)},
    {"winhelp4 view", false, COMMAND(kWinHelp4Viewer)},
    {"htmlhelp view", false, COMMAND(kHtmlHelpViewer)},
    {"ipf view", false, COMMAND(kIpfViewer)},
    {"search graphic files", false,
     [](LineContext& c) {
       c.run.Graphics.SearchGraphicFiles = IsYes(c.lowerValue);
       c.run.Project.SearchGraphicLineGiven = true;
     }},
    {"graphic path", false,
     [](LineContext& c) {
       if (c.value.size() > 255) {
         ReportValueTooLong(c.run, 255);
         return;
       }
       c.run.Graphics.GraphicPath = std::string(c.value);
       ParseGraphicPath(c.run);
     }},
    {"pre filename", false, [](LineContext& c) { StoreText(c, c.run.Project.PreFileName, 40); }},
};

#undef COMMAND

void HandleLine(FoundationRun& run, std::string_view rawLine) {
  // The last line read is the one a final "source file=" error shows, skipped or not.
  run.Project.CurrentLine = std::string(rawLine);
  if (rawLine.empty()) return;
  const char first = rawLine.front();
  if (first == '[' || first == ';' || first == '/' || first == 26) return;
  std::string_view line = rawLine;
  const std::size_t comment = line.find("//");
  if (comment != std::string_view::npos) line = line.substr(0, comment);
  run.Project.CurrentLine = std::string(line);
  if (line.size() > kProjectLineMax) {
    ReportProjectLineError(run, MessageId::ProjectLineTooLong);
    return;
  }
  const std::string lower = LowerCaseCp850(line);
  const std::size_t equal = lower.find('=');
  if (equal == std::string::npos || equal + 1 == lower.size()) {
    ReportProjectLineError(run, MessageId::FunctionEqualsValueWanted);
    return;
  }
  std::string key = lower.substr(0, equal);
  if (!key.empty() && key.back() == ' ') key.pop_back();
  std::size_t valueStart = equal + 1;
  for (int blanks = 0; blanks < 3 && valueStart < line.size() && line[valueStart] == ' '; ++blanks)
    ++valueStart;
  const std::string_view value = line.substr(valueStart);
  const std::string_view lowerValue = std::string_view(lower).substr(valueStart);
  if (value.empty()) {
    ReportProjectLineError(run, MessageId::FunctionEqualsValueWanted);
    return;
  }
  if (value.size() > kProjectValueMax) {
    ReportValueTooLong(run, kProjectValueMax);
    return;
  }
  for (const KeyRow& row : kKeyRows) {
    const bool matched = row.exact ? key == row.key : ContainsText(key, row.key);
    if (!matched) continue;
    LineContext c{run, value, lowerValue};
    row.apply(c);
    return;
  }
  ReportProjectLineError(run, {MessageId::ProjectUnknownSetting, key});
}

// Lines end at CR LF, a bare LF or a bare CR.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

}  // namespace

void ReportProjectLineError(FoundationRun& run, const Message& message) {
  ++run.Project.LineErrors;
  WriteMessage(run, MessageId::ProjectLineError, true);
  run.Reporter.WriteLine("\"" + run.Project.CurrentLine + "\"", true);
  if (LanguageHasMessages(run.Language))
    run.Reporter.WriteLine(MessageText(run.Language, message) + "!", true);
  run.Reporter.WriteLine("", true);
}

void ReadProjectFileText(FoundationRun& run, std::string_view text) {
  for (std::string_view line : SplitLines(text)) HandleLine(run, line);
  if (run.Switches.SourceFiles.empty())
    ReportProjectLineError(run, MessageId::ProjectSourceFileMissing);
}

void ReadProjectFile(FoundationRun& run) {
  SetDefaultCommandLines(run);
  ProjectFileState& pf = run.Project;
  pf.ConsoleLines.clear();
  pf.FtpCommands.clear();
  run.Graphics.GraphicPath.clear();
  pf.CompileAfterRun = false;
  pf.ViewAfterRun = false;
  run.Graphics.SearchGraphicFiles = false;
  pf.SearchGraphicLineGiven = false;
  pf.PreFileName = "*";
  pf.LineErrors = 0;
  pf.CurrentLine.clear();

  const std::string& name = run.Switches.ProjectFileName;
  if (name.empty()) {
    run.Switches.ProjectFileRead = false;
  } else {
    const platform::ReadResult file = platform::read_file(name);
    if (!file.ok()) {
      run.Switches.ProjectFileRead = false;
      if (file.error == platform::FileError::missing)
        WriteMessage(run, {MessageId::ProjectFileNotFound, name}, false);
      else if (file.error == platform::FileError::is_directory)
        WriteMessage(run, {MessageId::ProjectFileIsDirectory, name}, false);
      else
        WriteMessage(run, {MessageId::ProjectFileUnreadable, name}, false);
      run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::InputFailed));
    }
    run.Switches.ProjectFileRead = true;
    WriteMessage(run, MessageId::ReadingProjectFile, false);
    const std::string text(file.bytes.begin(), file.bytes.end());
    ReadProjectFileText(run, text);
  }
  if (!pf.SearchGraphicLineGiven && !run.Graphics.GraphicPath.empty())
    run.Graphics.SearchGraphicFiles = true;
}

void ParseGraphicPath(FoundationRun& run) {
  std::string text = run.Graphics.GraphicPath;
  while (!text.empty() && text.back() == ' ') text.pop_back();
  if (text.empty() || text.back() != ';') text += ';';
  run.Graphics.GraphicDirectoryList.clear();
  while (text.find(';') != std::string::npos && text.size() > 1) {
    const std::size_t semicolon = text.find(';');
    std::string item = text.substr(0, semicolon);
    text.erase(0, semicolon + 1);
    const std::size_t open = item.find('[');
    const std::size_t close =
        open == std::string::npos ? std::string::npos : item.find(']', open + 1);
    if (close != std::string::npos) {
      const std::string word = item.substr(open + 1, close - open - 1);
      if (word == "SKELDONDIR")
        item.replace(open, close - open + 1, GetProgramDirectory(run));
      else if (word == "PROJECTDIR")
        item.replace(open, close - open + 1, run.Switches.SourceDirectory);
    }
    // An empty item (";;") would name the root folder once its separator is added.
    if (item.find_first_not_of(' ') == std::string::npos) continue;
    AddGraphicDirectory(run.Graphics, item);
  }
}

}  // namespace skeldon
