// The state of one run of `do` and what the run meets outside the program.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/drives.h"
#include "platform/system.h"
#include "tools/do/text_search.h"

namespace do_tool {

// What the walk does with each entry. 5 has never been used.
enum class DoCommand : std::int32_t {
  kSearch = 0,
  kSearchList = 1,
  kList = 2,
  kRename = 3,
  kSize = 4,
  kListDir = 6,
  kTree = 7,
  kListSize = 8,
  kListSizeDate = 9,
  kWhich = 10,
  kLowerCase = 11,
  kUpperCase = 12,
  kCapital = 13,
  kTime = 14,
  kDate = 15,
  kType = 16,
};

enum SearchOperator : int { kOperatorAnd = 0, kOperatorOr = 1, kOperatorAndNot = 2 };

// Exit codes: 0 done (also after a usage line), 1 only from ISDRIVEREADY for a drive that is
// not ready, 2 when the command was refused or something it had to read or change failed.
enum ExitCode : int { kExitDone = 0, kExitNotReady = 1, kExitFailed = 2 };

// The world outside the program. The program fills it from the machine; tests give their own
// folders, drives, disk sizes, input and a recording system.
struct DoContext {
  std::FILE* Out = stdout;
  std::FILE* In = stdin;
  std::string CurrentDirectory;             // absolute, no trailing "/" unless it is "/"
  std::optional<std::string> PathVariable;  // PATH; empty when unset
  std::vector<platform::Drive> Drives;
  std::function<std::optional<platform::DiskSpace>(const platform::Drive&)> DiskSpace;
  std::function<bool(const platform::Drive&)> DriveReady;
  platform::System* System = nullptr;
};

// The run state, filled from the command line and read by every command.
struct DoRun {
  explicit DoRun(const DoContext& context) : Context(context) {}

  const DoContext& Context;
  std::vector<std::string> Words;      // Words[0] is the program; ParamCount() further words
  std::string CommandWord;             // word 1 upper-cased
  bool NoSubdirs = false;              // a word "." was given
  std::vector<std::string> Wildcards;  // upper-cased
  std::string StartPath;               // folder and name mask handed to the walk
  DoCommand Mode = DoCommand::kList;
  std::string SearchText1, SearchText2;  // upper-cased
  bool HasSecondText = false;
  int SearchOperator = kOperatorAnd;
  std::optional<CaseBlindFinder> Finder1, Finder2;  // for the two texts
  std::string ReadBuffer;                           // the searched file, when it is small
  int NewHour = 0, NewMinute = 0;
  int NewDay = 0, NewMonth = 0, NewYear = 0;
  long double SizeTotal = 0;
  int Depth = 0;
  std::string ProgramName;  // upper-cased, for WHICH
  std::string ProgramWord;  // as typed: a file of exactly this name is a hit too
  bool ProgramFound = false;
  std::string RenameOld, RenameNew;
  // Drive commands.
  int DriveNumber = 0;  // 1 = A .. 26 = Z
  long double DriveFree = 0, DriveSize = 0, FreeSum = 0, SizeSum = 0;
  int RuleWidth = 0;
  int ExitCode = kExitDone;

  std::size_t ParamCount() const { return Words.empty() ? 0 : Words.size() - 1; }
  // Word i as typed (1-based), empty beyond the last.
  const std::string& Word(std::size_t i) const;
  void Write(std::string_view text) const;
  void WriteLine(std::string_view text) const;
};

}  // namespace do_tool
