#include "tools/do/command_line.h"

#include <array>
#include <cmath>
#include <cstdio>

#include "tools/do/drive_commands.h"
#include "tools/do/file_walk.h"

namespace do_tool {

namespace {

constexpr std::size_t kMaxWildcards = 20;
constexpr std::size_t kMaxWildcardLength = 25;

constexpr std::array<const char*, 12> kHelpHead = {
    "DO 1.03 for Windows 95-XP 5/2004",
    "        available for Windows (Win95se, 98, ME, NT, 2000, XP) and eCS, OS/2",
    "General Syntax: DO COMMANDNAME [.] [WILDCARD1 WILDCARD2...] [COMMANDPARAMETER]",
    "DO DISKFREE D: shows the free disk space of disk D:",
    "DO DISKSIZE D: shows the size of disk D:",
    "DO DISKINFO D: shows free disk space and size of disk D: and ?: show all drives",
    "DO LISTDIR  lists all directories",
    "DO SIZE D:\\MYDIR  shows the size of all files in the directory (with subdirs)",
    "DO TREE     shows a directory tree",
    "DO LIST     shows full file name of all files",
    "DO LISTSIZE shows full file name and size of all files, LISTSIZEDATE plus date",
    "DO TYPE *.TXT prints all *.TXT files to stdout (with subdirs)",
};
constexpr std::array<const char*, 8> kHelpTail = {
    "DO LOWERCASE, UPPERCASE, CAPITAL renames files: file.txt, FILE.TXT, File.txt",
    "DO TIME:HH.MM changes the file time, but remains the file date",
    "DO DATE:MM-DD-YY or DATE:DD.MM.YY changes the file date, but reamains time",
    "DO WHICH PROGRAMNAME  shows full filename of progs which will be executed",
    "DO WAIT n   waits for n seconds",
    "DO WAITFORDRIVE D: waits for availability of drive D: (floppy or CD-ROM)",
    "DO SET NAME reads environment variable NAME from stdin and writes temp.cmd",
    "For most commands, you can type wildcard filenames. A single dot omits subdirs.",
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
int TwoDigits(const std::string& w, std::size_t pos) {
  return (w[pos] - '0') * 10 + (w[pos + 1] - '0');
}

// A refusal of ours (the run state has room for 20 wildcards of 25 characters; a longer one
// cut short would select other files than the user asked for).
int Refuse(DoRun& run, const std::string& reason) {
  run.WriteLine("DO ERROR: " + reason);
  run.WriteLine(kHelpHead[2]);
  return kExitFailed;
}

// "TIME:HH.MM" with real digits and a real time of day.
bool ReadTimeWord(DoRun& run) {
  const std::string& w = run.CommandWord;
  if (w.size() != 10 || w.find('.') != 7) return false;
  if (!IsDigit(w[5]) || !IsDigit(w[6]) || !IsDigit(w[8]) || !IsDigit(w[9])) return false;
  run.NewHour = TwoDigits(w, 5);
  run.NewMinute = TwoDigits(w, 8);
  return run.NewHour <= 23 && run.NewMinute <= 59;
}

// "DATE:MM-DD-YY" or "DATE:DD.MM.YY" with real digits and a date of the calendar.
bool ReadDateWord(DoRun& run) {
  const std::string& w = run.CommandWord;
  if (w.size() != 13) return false;
  bool american = w.find('-') == 7;
  if (!american && w.find('.') != 7) return false;
  if (w[10] != w[7]) return false;
  for (std::size_t pos : {5, 6, 8, 9, 11, 12})
    if (!IsDigit(w[pos])) return false;
  int a = TwoDigits(w, 5), b = TwoDigits(w, 8), y = TwoDigits(w, 11);
  run.NewYear = y < 80 ? y + 2000 : y + 1900;
  run.NewMonth = american ? a : b;
  run.NewDay = american ? b : a;
  return platform::is_valid_date_time(
      platform::LocalDateTime{run.NewYear, run.NewMonth, run.NewDay, 0, 0, 0, 0});
}

// The start path for every command but SEARCH: word 2 when the words leave room for it,
// else the current folder; "\" is taken as "/".
void DeriveStartPath(DoRun& run) {
  std::size_t needed = 2 + (run.NoSubdirs ? 1 : 0) + run.Wildcards.size();
  std::string path;
  if (run.ParamCount() >= needed) {
    path = run.Word(2);
    for (char& c : path)
      if (c == '\\') c = '/';
    if (path.size() > 1 && path.back() == '/') path.pop_back();
    if (path.find_first_of("*?.") == std::string::npos) path += "/*.*";
  } else {
    path = run.Context.CurrentDirectory;
    if (!path.empty() && path.back() == '/') path.pop_back();
    path += "/*.*";
  }
  run.StartPath = path;
}

void StartWalk(DoRun& run, DoCommand mode) {
  run.Mode = mode;
  WalkStartPath(run);
}

int RunSearch(DoRun& run) {
  run.Mode = run.CommandWord == "SEARCH" ? DoCommand::kSearch : DoCommand::kSearchList;
  std::size_t k = 1 + (run.NoSubdirs ? 1 : 0) + run.Wildcards.size();
  std::size_t rest = run.ParamCount() >= k ? run.ParamCount() - k : 0;
  if (rest == 1) {
    run.SearchText1 = UpperCaseText(run.Word(k + 1));
    run.HasSecondText = false;
  } else if (rest == 3) {
    run.SearchText1 = UpperCaseText(run.Word(k + 1));
    std::string op = UpperCaseText(run.Word(k + 2));
    run.SearchOperator = op == "OR" ? kOperatorOr : op == "ANDNOT" ? kOperatorAndNot : kOperatorAnd;
    run.SearchText2 = UpperCaseText(run.Word(k + 3));
    run.HasSecondText = true;
  } else {
    ShowSearchHelp(run);
    return run.ExitCode;
  }
  run.StartPath = run.Context.CurrentDirectory;
  if (run.StartPath.empty() || run.StartPath.back() != '/') run.StartPath += "/";
  run.StartPath += "*.*";
  WalkStartPath(run);
  return run.ExitCode;
}

void RunRename(DoRun& run) {
  if (run.ParamCount() != 3) {
    run.WriteLine("Usage: DO RENAME OLDNAME NEWNAME");
    return;
  }
  run.RenameOld = run.Word(2);
  run.RenameNew = run.Word(3);
  auto weight = [](const std::string& w) {
    return CountCharInText(w, '*') + 10 * CountCharInText(w, '?');
  };
  if (weight(run.RenameOld) != weight(run.RenameNew))
    run.WriteLine("The number of * and ? characters has to be the same in OLDNAME and NEWNAME");
  StartWalk(run, DoCommand::kRename);
}

void RunSize(DoRun& run) {
  StartWalk(run, DoCommand::kSize);
  run.Write("Size of " + run.StartPath + " is " + FormatByteSize(run.SizeTotal));
}

void RunWhich(DoRun& run) {
  run.Mode = DoCommand::kWhich;
  run.ProgramWord = run.Word(2);
  run.ProgramName = UpperCaseText(run.ProgramWord);
  run.ProgramFound = false;
  if (run.ProgramName.find('.') != std::string::npos) {
    run.WriteLine("Do not enter the extension! *.EXE, *.COM, *.CMD and *.BAT will be searched");
    return;
  }
  FindOnPath(run);
  if (!run.ProgramFound) run.WriteLine("no file found in PATH");
}

// One row per command word, tested in this order; the first that fits runs.
struct CommandRow {
  bool (*Fits)(const std::string& word);
  void (*Run)(DoRun& run);
};

template <const char* A, const char* B = nullptr>
bool Is(const std::string& word) {
  return word == A || (B && word == B);
}

constexpr char kList[] = "LIST", kType[] = "TYPE", kRename[] = "RENAME", kRen[] = "REN",
               kListSize[] = "LISTSIZE", kListSizeDate[] = "LISTSIZEDATE",
               kLowerCase[] = "LOWERCASE", kUpperCase[] = "UPPERCASE", kCapital[] = "CAPITAL",
               kSize[] = "SIZE", kFree[] = "FREE", kDiskFree[] = "DISKFREE",
               kDiskSize[] = "DISKSIZE", kDiskInfo[] = "DISKINFO", kWhich[] = "WHICH",
               kWhichFirst[] = "WHICHFIRST", kWait[] = "WAIT", kWaitForDrive[] = "WAITFORDRIVE",
               kIsDriveReady[] = "ISDRIVEREADY", kListDir[] = "LISTDIR", kTree[] = "TREE",
               kSet[] = "SET", kSound[] = "SOUND";

const CommandRow kCommands[] = {
    {Is<kList>, [](DoRun& r) { StartWalk(r, DoCommand::kList); }},
    {Is<kType>, [](DoRun& r) { StartWalk(r, DoCommand::kType); }},
    {Is<kRename, kRen>, RunRename},
    {Is<kListSize>, [](DoRun& r) { StartWalk(r, DoCommand::kListSize); }},
    {Is<kListSizeDate>, [](DoRun& r) { StartWalk(r, DoCommand::kListSizeDate); }},
    {Is<kLowerCase>, [](DoRun& r) { StartWalk(r, DoCommand::kLowerCase); }},
    {Is<kUpperCase>, [](DoRun& r) { StartWalk(r, DoCommand::kUpperCase); }},
    {Is<kCapital>, [](DoRun& r) { StartWalk(r, DoCommand::kCapital); }},
    {[](const std::string& w) { return w.rfind("TIME:", 0) == 0; },
     [](DoRun& r) {
       if (!ReadTimeWord(r)) return r.WriteLine("Usage: DO TIME:HH.MM");
       StartWalk(r, DoCommand::kTime);
     }},
    {[](const std::string& w) { return w.rfind("DATE:", 0) == 0; },
     [](DoRun& r) {
       if (!ReadDateWord(r)) return r.WriteLine("Usage: DO DATE:MM-DD-YY or DO DATE:DD.MM.YY");
       StartWalk(r, DoCommand::kDate);
     }},
    {Is<kSize>, RunSize},
    {[](const std::string& w) { return Is<kFree, kDiskFree>(w) || Is<kDiskSize, kDiskInfo>(w); },
     ShowDriveReport},
    {Is<kWhich, kWhichFirst>, RunWhich},
    {Is<kWait>,
     [](DoRun& r) {
       if (r.ParamCount() > 1) WaitSeconds(r, 2);
     }},
    {Is<kWaitForDrive>,
     [](DoRun& r) {
       if (r.ParamCount() > 1) WaitForDrive(r);
     }},
    {Is<kIsDriveReady>,
     [](DoRun& r) {
       if (r.ParamCount() > 1) TestDriveReady(r);
     }},
    {Is<kListDir>, [](DoRun& r) { StartWalk(r, DoCommand::kListDir); }},
    {Is<kTree>, [](DoRun& r) { StartWalk(r, DoCommand::kTree); }},
    {Is<kSet>, WriteSetFile},
    {Is<kSound>, RunSoundCommand},
};

}  // namespace

const std::string& DoRun::Word(std::size_t i) const {
  static const std::string kNone;
  return i < Words.size() ? Words[i] : kNone;
}

void DoRun::Write(std::string_view text) const {
  std::fwrite(text.data(), 1, text.size(), Context.Out);
}

void DoRun::WriteLine(std::string_view text) const {
  Write(text);
  Write("\n");
}

std::string UpperCaseText(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return out;
}

int CountCharInText(std::string_view text, char ch) {
  int count = 0;
  for (char c : text) count += c == ch;
  return count;
}

std::string FormatByteSize(long double value) {
  struct Unit {
    long double Limit;
    const char* Name;
  };
  static constexpr Unit kUnits[] = {
      {1099511627776.0L, " TB"}, {1073741824.0L, " GB"}, {1048576.0L, " MB"}, {1024.0L, " kB"}};
  for (const Unit& unit : kUnits) {
    if (value < unit.Limit) continue;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.3Lf", value / unit.Limit);
    std::string s = buffer;
    // Three significant digits at most, cut (not rounded again): 1.234 -> 1.23, 12.345 ->
    // 12.3, 123.456 -> 123, 1023.456 -> 1023.
    switch (s.find('.')) {
      case 1:
        s.erase(4, 1);
        break;
      case 2:
        s.erase(4, 2);
        break;
      case 3:
        s.erase(3, 4);
        break;
      case 4:
        s.erase(4, 4);
        break;
      default:
        break;
    }
    return s + unit.Name;
  }
  return std::to_string(static_cast<unsigned long long>(value < 0 ? 0 : value)) + " bytes";
}

void ShowDoHelp(const DoRun& run) {
  for (const char* line : kHelpHead) run.WriteLine(line);
  ShowSearchHelp(run);
  for (const char* line : kHelpTail) run.WriteLine(line);
}

void ShowSearchHelp(const DoRun& run) {
  run.WriteLine("DO SEARCH String1 AND String2  search strings. (operators: AND OR ANDNOT)");
  run.WriteLine("DO SEARCHLIST writes only the filename, not the occurences of the string");
}

int RunDoCommand(const std::vector<std::string>& words, const DoContext& context) {
  DoRun run(context);
  run.Words = words;
  if (run.ParamCount() == 0) {
    ShowDoHelp(run);
    return kExitDone;
  }
  run.CommandWord = UpperCaseText(run.Word(1));
  for (std::size_t i = 2; i <= run.ParamCount(); ++i) {
    const std::string& w = run.Word(i);
    if (w == ".") {
      run.NoSubdirs = true;
    } else if (w.find('*') != std::string::npos ||
               (w.find('?') != std::string::npos && w != "?:")) {
      if (run.Wildcards.size() == kMaxWildcards)
        return Refuse(run, "at most 20 wildcards can be given");
      if (w.size() > kMaxWildcardLength)
        return Refuse(run, "a wildcard has at most 25 characters: " + w);
      run.Wildcards.push_back(UpperCaseText(w));
    }
  }
  if (run.CommandWord == "SEARCH" || run.CommandWord == "SEARCHLIST") return RunSearch(run);
  DeriveStartPath(run);
  for (const CommandRow& row : kCommands) {
    if (row.Fits(run.CommandWord)) {
      row.Run(run);
      return run.ExitCode;
    }
  }
  ShowDoHelp(run);
  return kExitDone;
}

}  // namespace do_tool
