// The command-line words: switches, targets, #conditions, the ini, project, IPF and RTF file
// names and the source-file list. The project file's "parameter" and "condition" lines pass
// through the same routine.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace skeldon {

struct FoundationRun;

// Longest names the run keeps; a longer name is refused with a message, never cut.
inline constexpr std::size_t kLogFileNameMax = 255;

// The words of the last SplitWords call. Unlike a fixed table of 30 words of 70 characters it
// keeps every word whole, so long paths and long lists are never cut or dropped.
struct CommandLineState {
  std::vector<std::string> WordList;
};

// Breaks a text into words: blanks separate, runs of blanks count as one, a double-quoted group
// is one word (the quotes dropped).
std::vector<std::string> SplitWords(std::string_view text);
// The same, filling the run's WordList.
void SplitWords(FoundationRun& run, std::string_view text);

// True when the word names a target ("ipf", "/html", ...): sets the request flag, TargetCode
// and TargetOverride.
bool ParseTargetWord(FoundationRun& run, std::string_view word);

// One command-line word (or one word of a project-file "parameter"/"condition" line).
void HandleCommandLineWord(FoundationRun& run, std::string_view word);

// A word of a project-file "parameter"/"condition" line: always a switch or condition test
// first, even when a folder of that name exists (the "/" or "#" may have been added).
void HandleProjectWord(FoundationRun& run, std::string_view word);

// Appends a source file; the first one also fixes the main source name and the source and
// output directories.
void AddSourceFile(FoundationRun& run, std::string_view name);

// True when the name (with "\" or "/") names an existing file or folder. A command-line word
// that holds a path separator and names an existing entry is always a name, never a switch, so
// absolute Linux paths work beside the "/" switches.
bool NamesExistingEntry(std::string_view name);

}  // namespace skeldon
