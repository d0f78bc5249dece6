// The directory walk of `do` and what it does with each entry: listings, sizes, text search,
// case renames, time and date changes, typing files, and finding programs.
#pragma once

#include <string>
#include <string_view>

#include "tools/do/do_run.h"

namespace do_tool {

// Walks run.StartPath; a leading drive "X:" stands for that drive's folder.
void WalkStartPath(DoRun& run);
// Walks path, a folder and a name mask ("/home/u/*.*"), depth first, entering subfolders
// unless the "." word was given.
void ProcessMatchingFiles(DoRun& run, const std::string& path);

// The wildcard words' match: greedy, no backtracking ("*" jumps to the first following
// occurrence of the next character), bytes compared exactly; callers upper-case both sides.
bool MatchWildcard(std::string_view pattern, std::string_view name);
// True when the upper-cased full name holds one of the extensions never searched anywhere.
bool IsExcludedFile(std::string_view name);
// The new name of a case rename (modes kLowerCase, kUpperCase, kCapital). Letters change as
// characters: A..Z and the Latin-1 capitals of UTF-8 names (not "×"); bytes of a name that is
// not UTF-8 change only in A..Z / a..z.
std::string CaseRenamed(DoCommand mode, std::string_view name);

void SearchFileText(DoRun& run, const std::string& name);
void TypeFile(DoRun& run, const std::string& name);

}  // namespace do_tool
