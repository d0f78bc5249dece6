#include "formatter/common/settings_record.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "formatter/common/font_numbers.h"
#include "formatter/common/message_boxes.h"
#include "formatter/common/messages.h"
#include "platform/files.h"

namespace tavrel {
namespace {

// Joins with the separator the directory already uses, as paths in the record are kept.
std::string Join(const std::string& dir, const std::string& name) {
  return platform::join_path(dir, name);
}

std::string SeparatorOf(const std::string& path) {
  return path.find('\\') != std::string::npos ? "\\" : "/";
}

void ShowError(const SettingsEnvironment& env, const std::string& text) {
  if (env.Boxes) env.Boxes->ShowMessageBox(text, kBoxError);
}

}  // namespace

SettingsBytes SettingsToBytes(const TSettingsRecord& record) {
  SettingsBytes bytes{};
  std::memcpy(bytes.data(), &record, kSettingsRecordSize);
  return bytes;
}

TSettingsRecord SettingsFromBytes(std::span<const std::uint8_t> bytes) {
  TSettingsRecord record{};
  if (bytes.size() >= kSettingsRecordSize) std::memcpy(&record, bytes.data(), kSettingsRecordSize);
  return record;
}

std::string CutBeforeLastSeparator(const std::string& path) {
  const std::size_t p = path.find_last_of("\\/");
  if (p == std::string::npos) return std::string();
  return path.substr(0, p);
}

void DefaultSettings(TSettingsRecord& r, const std::string& programDirectory, bool isNtFamily) {
  r.EditorFileName.Assign("");
  r.CompilerFileName.Assign("");
  r.SearchDirectories.Assign("");
  r.PrintThreadPriority = 2;
  r.PrintUnformattedFiles = 0;
  r.PreviewPlacesEachChar = 1;
  r.HardToSoftSpaces = 0;
  r.DefaultGU = 0;
  r.DefaultTS = 60;
  r.PageTemplateIndex = 0;
  r.PaperFeedTop = 3;
  r.DefaultLW = 6;
  r.DefaultLS = 3;
  r.SettingsIntoHeader = 0;
  r.LearnHyphenations = 2;
  r.MinimalRating = 1;
  r.DefaultHN = 3;
  r.AskIfDoubtful = 0;
  r.CapitalAreasUnsplit = 1;
  r.TexPatternFile.Assign("");
  r.AncientGreek = 0;
  r.DefaultMN = 3;
  r.BlankLinesBeforeNotes = 5;
  r.NoteReturnChar = 174;
  r.NoteAssignChar = 17;
  r.LinesKeptTogether = 2;
  r.ContentsBoldHeadings = 0;
  r.ContentsPageNumbers = 0;
  r.IndexSortUmlautAsAe = 1;
  r.WeightedPages = 0;
  r.AutoCorrectExtension = 1;
  r.OpenEditorAfterMake = 1;
  r.CodePage = 1;
  r.DosProgram = 0;
  r.LineHeightRefersToNormalFont = 1;
  r.AutoSaveEditor = 1;
  r.AutoPsName = 1;
  r.PsWithContents = 1;
  r.RunPdfProgram = 1;
  r.DoubleClickSwitchesFiles = 1;
  r.ContentsCtOnly = 1;

  r.NormalFont = FontCharToNumber('C', ' ');
  r.AlternateFont = FontCharToNumber('H', '"');

  for (int i = 0; i < 10; ++i) {
    TPageTemplate& t = r.PageTemplates[i];
    t.Name.Assign(i == 0 ? std::string("Wordstar default") : "Template " + std::to_string(i + 1));
    t.PL = 66;
    t.MT = 3;
    t.MB = 8;
    t.PO = 8;
    t.RM = 60;
    t.HM = 2;
    t.FM = 2;
  }
  r.DefaultLH = 10;
  if (r.Language == 1) {
    r.HintUnit = 1;
    r.HyphenationMode = 0;
  } else {
    r.HintUnit = 0;
    r.HyphenationMode = 3;
  }
  r.NoteLinkInText.Assign("^T1^T");
  r.NoteLinkInNoteArea.Assign(
      "\xB0\xB0"
      "1)\xB0");

  const std::string suite = CutBeforeLastSeparator(programDirectory);
  if (programDirectory.find_first_of("\\/") == std::string::npos) {
    r.PdfProgram.Assign(programDirectory);
  } else {
    const std::string util = Join(suite, "util");
    r.PdfProgram.Assign(Join(util, isNtFamily ? "gs.cmd" : "gs.bat"));
  }
  r.PdfParameters.Assign("* #");
  r.VersionStamp = kSettingsVersion;
  r.MetafileDpi = 300;
}

bool SettingsUnchanged(const TSettingsRecord& a, const TSettingsRecord& b) {
  return std::memcmp(&a, &b, kSettingsComparedSize) == 0;
}

std::string SettingsFilePath(const SettingsEnvironment& env) {
  return Join(env.SettingsDirectory.empty() ? env.ProgramDirectory : env.SettingsDirectory,
              kSettingsFileName);
}

std::string ChooseSettingsDirectory(const std::string& programDirectory) {
  const std::string native = platform::native_path(programDirectory);
  if (platform::directory_exists(programDirectory) && ::access(native.c_str(), W_OK) == 0)
    return programDirectory;
  std::string base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::string(home) + "/.config";
  } else {
    return programDirectory;
  }
  std::error_code ec;
  const std::string dir = base + "/corvina";
  std::filesystem::create_directories(dir, ec);
  return dir;
}

bool LoadSettings(SettingsStore& store, const SettingsEnvironment& env, std::uint8_t& firstStart) {
  firstStart = 0;
  store.FirstStartLanguageChosen = 0;
  store.SuiteDirectory = CutBeforeLastSeparator(env.ProgramDirectory);
  TSettingsRecord& s = store.Settings;
  bool wholeRecord = false;

  const platform::ReadResult file = platform::read_file(SettingsFilePath(env));
  const bool opened = file.ok() || file.error == platform::FileError::io_error;
  if (!opened) {
    // First start: the language comes from a marker file or from the user.
    s = TSettingsRecord{};
    store.SavedSettings = s;
    if (platform::file_exists(Join(store.SuiteDirectory, "Deutsch.txt"))) {
      s.Language = 1;
    } else if (platform::file_exists(Join(store.SuiteDirectory, "English.txt"))) {
      s.Language = 0;
    } else {
      int answer = kAnswerNo;
      if (env.Boxes)
        answer = env.Boxes->AskMessageBox(MessageSource(s.Language, MessageId::kAskGermanLanguage),
                                          kBoxConfirmation, BoxButtons::YesNo);
      s.Language = answer == kAnswerYes ? 1 : 0;
    }
    store.FirstStartLanguageChosen = 1;
    DefaultSettings(s, env.ProgramDirectory, env.IsNtFamily);
    firstStart = 1;
  } else if (!file.ok() || file.bytes.size() < kSettingsRecordSize) {
    ShowError(env, MessageText(s, MessageId::kSettingsFileUnreadable, {kSettingsFileName}));
    s = TSettingsRecord{};
    store.SavedSettings = s;
    DefaultSettings(s, env.ProgramDirectory, env.IsNtFamily);
  } else {
    s = SettingsFromBytes(file.bytes);
    store.SavedSettings = s;
    if (s.DefaultLH == 0) s.DefaultLH = 8;
    if (s.MetafileDpi == 0) s.MetafileDpi = 300;
    wholeRecord = true;
  }

  // The installer leaves the editor's path here; it is used once, whatever it holds.
  const std::string dunname = Join(env.CurrentDirectory, "dunname.tmp");
  const platform::ReadResult editor = platform::read_file(dunname);
  if (editor.ok()) {
    if (!editor.bytes.empty()) {
      std::string line;
      for (std::uint8_t b : editor.bytes) {
        if (b == '\r' || b == '\n') break;
        line.push_back(static_cast<char>(b));
      }
      if (line.size() > 200) line.resize(200);
      s.EditorFileName.Assign(line);
    }
    platform::erase_file(dunname);
  }

  const std::string programs = MessageSource(s.Language, MessageId::kProgramsFolder);
  if (s.EditorFileName.Empty()) {
    if (store.SuiteDirectory.empty())
      s.EditorFileName.Assign(programs + "\\Dunmoor\\Dunmoor.exe");
    else
      s.EditorFileName.Assign(Join(Join(store.SuiteDirectory, "Dunmoor"), "Dunmoor.exe"));
    if (!platform::file_exists(s.EditorFileName.Str()))
      ShowError(env, MessageText(s, MessageId::kEditorNotFound));
  }
  if (s.CompilerFileName.Empty()) {
    if (store.SuiteDirectory.empty())
      s.CompilerFileName.Assign(programs + "\\Skeldon\\Skeldon.exe");
    else
      s.CompilerFileName.Assign(Join(Join(store.SuiteDirectory, "Skeldon"), "Skeldon.exe"));
  }
  return wholeRecord;
}

bool SaveSettings(SettingsStore& store, const SettingsEnvironment& env) {
  if (SettingsUnchanged(store.Settings, store.SavedSettings)) return true;
  const SettingsBytes bytes = SettingsToBytes(store.Settings);
  const platform::FileError error = platform::replace_file_atomic(
      SettingsFilePath(env),
      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  if (error != platform::FileError::none) {
    ShowError(env, MessageText(store.Settings, MessageId::kSettingsFileNotWritten));
    return false;
  }
  return true;
}

std::string GetTutorialDirectory(const SettingsStore& store) {
  const std::string sep = SeparatorOf(store.SuiteDirectory);
  return store.SuiteDirectory + sep + MessageText(store.Settings, MessageId::kTutorialFolder) + sep;
}

const TPageTemplate& CurrentPageTemplate(const TSettingsRecord& record) {
  return record.PageTemplates[record.PageTemplateIndex < 10 ? record.PageTemplateIndex : 0];
}

}  // namespace tavrel
