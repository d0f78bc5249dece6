// Tavrel's command line: a document name, "/F" (format, then close), "/P" (print, then
// close) and "#" words for ".IF". A parameter that names an existing file or folder is a name,
// never a switch, so absolute Linux paths stand beside the "/" switches.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tavrel {

inline constexpr std::size_t kConditionTextRoom = 199;

struct TavrelCommandLine {
  bool CloseAfterFormat = false;  // "/F" in any case
  bool CloseAfterPrint = false;   // "/P" in any case
  std::string Conditions;         // the "#" words, blank-separated
  bool ConditionsCut = false;     // they were longer than kConditionTextRoom
  bool AnyCondition = false;
  std::string Document;              // the first parameter that is no switch
  std::vector<std::string> Ignored;  // later ones
  bool Empty = true;                 // no parameter at all
};

// exists: whether a name is an existing file or folder.
TavrelCommandLine ParseTavrelCommandLine(const std::vector<std::string>& args,
                                         const std::function<bool(const std::string&)>& exists);

// File names inside the suite are in the Windows character set; a UTF-8 name that fits it is
// taken over, any other is kept as it is (the file layer opens both).
std::string ArgumentText(const std::string& arg);

}  // namespace tavrel
